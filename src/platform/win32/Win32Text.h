// The system's text is UTF-8; Win32's wide functions take UTF-16.
#pragma once

#include <string>

namespace emberhall {

// Invalid sequences become U+FFFD.
std::wstring WideOf(const std::string& Utf8);
std::string Utf8Of(const std::wstring& Wide);
std::string Utf8Of(const wchar_t* Wide);

}  // namespace emberhall
