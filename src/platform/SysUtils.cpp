#include "platform/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace emberhall {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool ParseHex(std::string_view digits, bool negative, int32_t& value) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t v = 0;
  auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
  if (ec != std::errc() || p != digits.data() + digits.size()) return false;
  value = static_cast<int32_t>(negative ? 0u - v : v);
  return true;
}

}  // namespace

bool TryStrToInt(std::string_view text, int32_t& value) {
  std::string_view s = text;
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (!s.empty() && s.front() == '$') return ParseHex(s.substr(1), negative, value);
  if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) return ParseHex(s.substr(2), negative, value);
  if (s.empty() || !std::isdigit(static_cast<unsigned char>(s.front()))) return false;
  int64_t v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (ec != std::errc() || p != s.data() + s.size()) return false;
  if (negative) v = -v;
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(std::string_view text) {
  int32_t value = 0;
  if (!TryStrToInt(text, value)) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

bool TryStrToFloat(std::string_view text, long double& value) {
  std::string_view s = TrimBlanks(text);
  // Accept only: [sign] digits [. digits] [(E|e) [sign] digits], at least one mantissa digit.
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t mantissaDigits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++mantissaDigits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  // from_chars rejects a leading "+"; it is handled here.
  bool plus = s.front() == '+';
  std::string_view body = plus ? s.substr(1) : s;
  long double v = 0;
  auto [p, ec] = std::from_chars(body.data(), body.data() + body.size(), v);
  if (p != body.data() + body.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Overflow or underflow: keep the sign, saturate like the number's magnitude asks.
    bool tiny = body.find_first_of("eE") != std::string_view::npos &&
                body[body.find_first_of("eE") + 1] == '-';
    bool neg = body.front() == '-';
    v = tiny ? 0.0L : std::numeric_limits<long double>::infinity();
    if (neg) v = -v;
  } else if (ec != std::errc()) {
    return false;
  }
  value = v;
  return true;
}

long double StrToFloat(std::string_view text) {
  long double value = 0;
  if (!TryStrToFloat(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return value;
}

std::string FloatToStr(long double value) {
  if (value == 0) return "0";
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  // Many digits first, then round half away from zero to 7 significant digits.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.25Le", std::fabs(value));
  std::string digits;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (std::isdigit(static_cast<unsigned char>(*p))) digits += *p;
  int exponent = std::atoi(p + 1);
  std::string kept = digits.substr(0, 7);
  if (digits[7] >= '5') {
    int k = 6;
    while (k >= 0 && kept[k] == '9') kept[k--] = '0';
    if (k >= 0) {
      ++kept[k];
    } else {
      kept = "1" + kept.substr(0, 6);
      ++exponent;
    }
  }
  while (kept.size() > 1 && kept.back() == '0') kept.pop_back();
  std::string out = value < 0 ? "-" : "";
  if (exponent >= -4 && exponent <= 6) {
    if (exponent < 0) {
      out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + kept;
    } else {
      size_t intDigits = static_cast<size_t>(exponent) + 1;
      if (kept.size() <= intDigits) {
        out += kept + std::string(intDigits - kept.size(), '0');
      } else {
        out += kept.substr(0, intDigits) + "." + kept.substr(intDigits);
      }
    }
  } else {
    out += kept.substr(0, 1);
    if (kept.size() > 1) out += "." + kept.substr(1);
    out += "E" + std::to_string(exponent);
  }
  return out;
}

std::string UpperCase(std::string_view text) {
  std::string s(text);
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

std::string LowerCase(std::string_view text) {
  std::string s(text);
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool SameText(std::string_view a, std::string_view b) { return LowerCase(a) == LowerCase(b); }

std::string IncludeTrailingPathDelimiter(std::string path) {
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path;
}

size_t LastPathDelimiter(std::string_view FileName) { return FileName.find_last_of("/\\"); }

std::string ExtractFileName(std::string_view FileName) {
  const size_t sep = LastPathDelimiter(FileName);
  return std::string(sep == std::string_view::npos ? FileName : FileName.substr(sep + 1));
}

std::string ExtractFilePath(std::string_view FileName) {
  const size_t sep = LastPathDelimiter(FileName);
  return sep == std::string_view::npos ? std::string() : std::string(FileName.substr(0, sep + 1));
}

std::string ExtractFileDir(std::string_view FileName) {
  const size_t sep = LastPathDelimiter(FileName);
  if (sep == std::string_view::npos) return ".";
  return std::string(FileName.substr(0, sep == 0 ? 1 : sep));
}

std::string ExtractFileExt(std::string_view FileName) {
  const std::string name = ExtractFileName(FileName);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace emberhall
