// The screensaver host: reads the command line a screensaver gets, picks the
// run mode, prepares form, window and display for it, watches the input of
// a full-screen run, and can hand the run to the ".EXE" copy of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/GLApp.h"
#include "platform/Services.h"

namespace emberhall {

// smDaemonWindow: a screensaver daemon's hack (-root, -window-id, -window):
// drawing in the window the daemon gives, which decides on input and the end.
enum TScreenSaverMode : uint8_t { smNone, smFullScreen, smPreview, smConfigure, smChangePassword, smDaemonWindow };

// The system services the host relies on (Platform().ScreenSaver unless set).
IScreenSaverSystem& ScreenSaverSystem();
void SetScreenSaverSystem(IScreenSaverSystem* System);

class TGLScreenSaver : public TCustomGLApplication {
 public:
  explicit TGLScreenSaver(TComponent* AOwner);
  ~TGLScreenSaver() override;

  // The run mode for these parameters and program file name.
  static TScreenSaverMode DetectMode(const std::vector<std::string>& Params, const std::string& ExeFileName);
  // The window given on the command line (decimal, or hex with "0x"); the
  // foreground window when none is given. Raises EConvertError on bad text.
  static HWND DetectParentHandle(const std::vector<std::string>& Params);

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DoMessage(TMsg& Msg, bool& Handled) override;
  void PowerOff() override;
  void Initialize() override;
  void Idle(TObject* Sender, bool& Done) override;
  void LoadOptions() override;
  void SaveOptions() override;
  void DisplayChanged() override;
  // A preview whose parent window went away ends the program.
  void WindowDestroyed() override;

  void StartFullScreen();
  void StartPreview(HWND Parent);
  void StartConfigure(HWND Parent);
  // Parent 0: a window of the program's own.
  void StartDaemonWindow(HWND Parent);
  void ChangePassword(HWND Parent);
  void StartAsProgram();
  void HideMainForm();
  bool PasswordProtected();
  bool VerifyPassword();
  bool CheckMouseMove(int X, int Y);
  void ResetMouseWatch();
  // Under a daemon: no keep-awake, suspends allowed.
  void LeavePowerToTheDaemon();

  TScreenSaverMode Mode = smNone;
  HWND ParentHandle = 0;
  int32_t LastMouseX = -1, LastMouseY = -1;
  int32_t MouseSkipCount = 5;
  bool MouseMoveExit = false;
  bool RunAsProgram = false;

 protected:
  uint32_t FLastParentCheck = 0;
  // The program's file name as mode detection sees it (tests may set it).
  virtual std::string ProgramName() const;
  bool IsExitMessage(const TMsg& Msg);
  // A preview or a daemon's hack, which ends with its parent window.
  bool DrawsIntoForeignWindow() const { return Mode == smPreview || Mode == smDaemonWindow; }
};

}  // namespace emberhall
