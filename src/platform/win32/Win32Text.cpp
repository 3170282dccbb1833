#include "platform/win32/Win32Text.h"

#include <cwchar>

#include "platform/win32/Win32.h"

namespace emberhall {

std::wstring WideOf(const std::string& Utf8) {
  if (Utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8Of(const std::wstring& Wide) {
  if (Wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, Wide.data(), static_cast<int>(Wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Wide.data(), static_cast<int>(Wide.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}

std::string Utf8Of(const wchar_t* Wide) { return Wide ? Utf8Of(std::wstring(Wide)) : std::string(); }

}  // namespace emberhall
