// The system's text is UTF-8; Win32's wide functions take UTF-16.
#pragma once

#include <string>

namespace emberhall {

// Invalid sequences become U+FFFD.
std::wstring WideOf(const std::string& Utf8);
// UTF-16 of Utf8; false (and Wide empty) when Utf8 is not UTF-8, where
// WideOf would name another file or store another text.
bool StrictWideOf(const std::string& Utf8, std::wstring& Wide);
std::string Utf8Of(const std::wstring& Wide);
std::string Utf8Of(const wchar_t* Wide);

// The system's text for an error code (GetLastError, LSTATUS, HRESULT),
// without its line end and full stop; "system error N" when it has none.
std::string SystemErrorText(unsigned long Error);

}  // namespace emberhall
