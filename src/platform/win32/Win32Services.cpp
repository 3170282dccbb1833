#include "platform/win32/Win32Services.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"
#include <shellapi.h>

namespace emberhall {

void TWin32MessageBoxes::Show(const std::string& Text, const std::string& Caption, TMessageIcon Icon) {
  const char* mode = std::getenv("EMBERHALL_MESSAGES");
  if (mode && std::strcmp(mode, "stderr") == 0) {
    std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
    std::fflush(stderr);
    return;
  }
  UINT flags = MB_OK | MB_SETFOREGROUND;
  switch (Icon) {
    case TMessageIcon::Error:
      flags |= MB_ICONERROR;
      break;
    case TMessageIcon::Warning:
      flags |= MB_ICONWARNING;
      break;
    case TMessageIcon::Information:
      flags |= MB_ICONINFORMATION;
      break;
  }
  ::HWND owner = GetActiveWindow();
  // Without an owner the box still keeps the thread's windows from input.
  if (!owner) flags |= MB_TASKMODAL;
  // Windows answers 0 when no box could be shown, Wine -1 (no display):
  // the text is not lost then.
  if (MessageBoxW(owner, WideOf(Text).c_str(), WideOf(Caption).c_str(), flags) <= 0) {
    std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
  }
}

void TWin32HelpViewer::ShowContents(const std::string& FileName) {
  const std::wstring name = WideOf(FileName);
  const DWORD attributes = name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(name.c_str());
  const bool present = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  // ShellExecute answers a value above 32 when it started a program.
  if (!present || reinterpret_cast<INT_PTR>(ShellExecuteW(GetActiveWindow(), L"open", name.c_str(), nullptr, nullptr,
                                                          SW_SHOWNORMAL)) <= 32) {
    TWin32MessageBoxes().Show("Cannot open the help file " + FileName, "Help", TMessageIcon::Error);
  }
}

}  // namespace emberhall
