#include "platform/win32/Win32System.h"

#include "platform/DynamicLibrary.h"
#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

::HWND Native(HWND Wnd) { return reinterpret_cast<::HWND>(Wnd); }

// A function of a system library, loaded for one call and unloaded after it,
// also when the library or the entry is missing.
template <class TFunction, class TCall>
bool CallSystemProc(const char* Library, const char* Name, TCall Call) {
  TLibraryHandle lib = emberhall::LoadLibrary(Library);
  if (!lib) return false;
  void* proc = emberhall::GetProcAddress(lib, Name);
  if (proc) {
    try {
      Call(reinterpret_cast<TFunction>(proc));
    } catch (...) {
      emberhall::FreeLibrary(lib);
      throw;
    }
  }
  emberhall::FreeLibrary(lib);
  return proc != nullptr;
}

}  // namespace

bool TWin32Screen::GetScreenSize(int& Width, int& Height) {
  Width = GetSystemMetrics(SM_CXSCREEN);
  Height = GetSystemMetrics(SM_CYSCREEN);
  return Width > 0 && Height > 0;
}

int TWin32Cursor::ShowCursor(bool Show) { return ::ShowCursor(Show ? TRUE : FALSE); }

void TWin32Cursor::SetBusy(bool Busy) {
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(Busy ? IDC_WAIT : IDC_ARROW)));
}

void TWin32ScreenSaverSystem::SetScreenSaverRunning(bool Running) {
  BOOL old = FALSE;
  SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, Running ? TRUE : FALSE, &old, 0);
}

// The password services of the system that had them; where they are missing
// (current systems ask for the password themselves) the run ends unchecked.
bool TWin32ScreenSaverSystem::VerifyPassword(const std::string&) {
  using TVerify = BOOL(WINAPI*)(::HWND);
  bool verified = true;
  CallSystemProc<TVerify>("PASSWORD.CPL", "VerifyScreenSavePwd", [&](TVerify Verify) {
    ::ShowCursor(TRUE);
    verified = Verify(GetForegroundWindow()) != FALSE;
    ::ShowCursor(FALSE);
  });
  return verified;
}

bool TWin32ScreenSaverSystem::ChangePassword(HWND Parent) {
  using TChange = DWORD(WINAPI*)(LPCSTR, ::HWND, DWORD, LPVOID);
  return CallSystemProc<TChange>("MPR.DLL", "PwdChangePasswordA",
                                 [&](TChange Change) { Change("SCRSAVE", Native(Parent), 0, nullptr); });
}

void TWin32ScreenSaverSystem::EnableWindow(HWND Wnd, bool Enable) { ::EnableWindow(Native(Wnd), Enable); }

void TWin32ScreenSaverSystem::LowerOwnPriority() { SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS); }

HWND TWin32ScreenSaverSystem::ForegroundWindow() { return reinterpret_cast<HWND>(GetForegroundWindow()); }

namespace {

// The thread has one execution state: both requests are combined into it.
struct TExecutionRequests {
  bool Display = false, System = false, RefuseSuspend = false;
} requests;

void ApplyExecutionState() {
  using TSetState = EXECUTION_STATE(WINAPI*)(EXECUTION_STATE);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto set = kernel ? reinterpret_cast<TSetState>(
                          reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetThreadExecutionState")))
                    : nullptr;
  if (!set) return;
  const bool system = requests.System || requests.RefuseSuspend;
  set(ES_CONTINUOUS | (requests.Display ? ES_DISPLAY_REQUIRED : 0) | (system ? ES_SYSTEM_REQUIRED : 0));
}

}  // namespace

void TWin32KeepAwake::SetExecutionState(bool Display, bool System) {
  requests.Display = Display;
  requests.System = System;
  ApplyExecutionState();
}

void TWin32PowerNotices::SetSuspendAllowed(bool Allowed) {
  requests.RefuseSuspend = !Allowed;
  ApplyExecutionState();
}

}  // namespace emberhall
