// Exceptions carrying the system's message texts, and the locale-free
// conversions between numbers and text that the whole program uses.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace emberhall {

// Root of every error the system raises; carries the exact message text.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EListError : public Exception {
 public:
  using Exception::Exception;
};

class EInvalidCast : public Exception {
 public:
  using Exception::Exception;
};

// A failure of an operating-system service, with the system's text.
class EOSError : public Exception {
 public:
  using Exception::Exception;
};

// Signed decimal (or "$"/"0x" hexadecimal) 32-bit integer text; leading
// blanks are allowed. Raises EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);
bool TryStrToInt(std::string_view text, int32_t& value);
std::string IntToStr(int64_t value);

// Decimal number with "." as separator, optional sign, fraction and exponent;
// surrounding blanks are allowed. Raises EConvertError
// "'<text>' is not a valid floating point value".
long double StrToFloat(std::string_view text);
bool TryStrToFloat(std::string_view text, long double& value);

// Shortest text of the value rounded to 7 significant digits: fixed notation
// for magnitudes from 0.0001 with at most 7 integer digits, else scientific
// ("5E-5", "1.234568E7"); "." always.
std::string FloatToStr(long double value);

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// File names: "/" and "\\" both separate folders when reading.
// Adds a trailing "/" to a non-empty path that has none (either separator counts).
std::string IncludeTrailingPathDelimiter(std::string path);
// The position of the last folder separator, or npos.
size_t LastPathDelimiter(std::string_view FileName);
// The name after the last separator ("c" of "/a/b/c").
std::string ExtractFileName(std::string_view FileName);
// The folder part with its trailing separator ("/a/b/" of "/a/b/c"; "" without one).
std::string ExtractFilePath(std::string_view FileName);
// The folder part without its trailing separator ("/a/b"; "." without one; "/" for "/c").
std::string ExtractFileDir(std::string_view FileName);
// The extension with its dot (".scr" of "/a/x.scr"); "" when the name has none.
std::string ExtractFileExt(std::string_view FileName);

}  // namespace emberhall
