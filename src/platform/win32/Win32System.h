// The desktop services of Windows that the screensaver host asks for: the
// screen's size, the pointer, the screensaver-running notice and password
// services, keeping the display awake and power notices.
#pragma once

#include "platform/Services.h"

namespace emberhall {

class TWin32Screen : public IScreen {
 public:
  bool GetScreenSize(int& Width, int& Height) override;
};

class TWin32Cursor : public ICursor {
 public:
  int ShowCursor(bool Show) override;
  void SetBusy(bool Busy) override;
};

class TWin32ScreenSaverSystem : public IScreenSaverSystem {
 public:
  void SetScreenSaverRunning(bool Running) override;
  bool VerifyPassword(const std::string& Title) override;
  bool ChangePassword(HWND Parent) override;
  void EnableWindow(HWND Wnd, bool Enable) override;
  void LowerOwnPriority() override;
  HWND ForegroundWindow() override;
};

// SetThreadExecutionState, looked up in kernel32.dll at each call.
class TWin32KeepAwake : public IKeepAwake {
 public:
  void SetExecutionState(bool Display, bool System) override;
};

// The system sends WM_POWERBROADCAST to top-level windows itself; a refused
// suspend is asked for in advance by keeping the system required.
class TWin32PowerNotices : public IPowerNotices {
 public:
  void Attach(HWND) override {}
  void Detach() override { SetSuspendAllowed(true); }
  void SetSuspendAllowed(bool Allowed) override;
};

}  // namespace emberhall
