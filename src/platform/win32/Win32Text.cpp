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

bool StrictWideOf(const std::string& Utf8, std::wstring& Wide) {
  Wide.clear();
  if (Utf8.empty()) return true;
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Utf8.data(), static_cast<int>(Utf8.size()), nullptr, 0) <= 0)
    return false;
  Wide = WideOf(Utf8);
  return true;
}

std::string SystemErrorText(unsigned long Error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, static_cast<DWORD>(Error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = n > 0 && buffer ? Utf8Of(std::wstring(buffer, n)) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return text.empty() ? "system error " + std::to_string(Error) : text;
}

}  // namespace emberhall
