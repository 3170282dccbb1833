// The screensaver services on X11: the running notice and the calling
// window's enabling are recorded only (no desktop asks for them), the
// password is checked by the prompt and the PAM helper, there is no
// change-password dialog, and the priority is lowered through the nice value.
#pragma once

#include "platform/Services.h"

namespace emberhall {

class TX11ScreenSaverSystem : public IScreenSaverSystem {
 public:
  void SetScreenSaverRunning(bool Running) override { FRunning = Running; }
  bool VerifyPassword(const std::string& Title) override;
  bool ChangePassword(HWND) override { return false; }
  void EnableWindow(HWND, bool) override {}
  void LowerOwnPriority() override;
  HWND ForegroundWindow() override { return 0; }
  bool Running() const { return FRunning; }

 private:
  bool FRunning = false;
};

}  // namespace emberhall
