#include "app/GLScreenSaver.h"

#include <cctype>
#include <cstdio>

#include "app/ExecutePro.h"
#include "app/RunOptions.h"
#include "platform/DisplaySettings.h"
#include "platform/OptionsStore.h"
#include "platform/SysUtils.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Services.h"
#include "platform/WindowSystem.h"

namespace emberhall {

namespace {

IScreenSaverSystem* currentSystem = nullptr;

std::string UpperExtension(const std::string& FileName) { return UpperCase(ExtractFileExt(FileName)); }

// "/c" or "-s", but not a negative number such as "-5".
bool IsSwitchText(const std::string& Text) {
  if (Text.empty() || (Text[0] != '/' && Text[0] != '-')) return false;
  return Text[0] == '/' || Text.size() < 2 || !std::isdigit(static_cast<unsigned char>(Text[1]));
}

HWND HandleOf(const std::string& Text) { return static_cast<HWND>(static_cast<uint32_t>(StrToInt(Text))); }

}  // namespace

IScreenSaverSystem& ScreenSaverSystem() { return currentSystem ? *currentSystem : *Platform().ScreenSaver; }

void SetScreenSaverSystem(IScreenSaverSystem* System) { currentSystem = System; }

TScreenSaverMode TGLScreenSaver::DetectMode(const std::vector<std::string>& Params, const std::string& ExeFileName) {
  if (UpperExtension(ExeFileName) == ".EXE" && Params.empty()) return smNone;
  if (Params.empty() || HasSwitchIn(Params, 'C')) return smConfigure;
  if (HasSwitchIn(Params, 'A')) return smChangePassword;
  if (HasSwitchIn(Params, 'P') || HasSwitchIn(Params, 'L')) return smPreview;
  if (HasSwitchIn(Params, 'S')) return smFullScreen;
  return smNone;
}

HWND TGLScreenSaver::DetectParentHandle(const std::vector<std::string>& Params) {
  // A second switch (as in /s /c) names no window.
  if (Params.size() >= 2 && !IsSwitchText(Params[1])) return HandleOf(Params[1]);
  if (!Params.empty()) {
    const size_t colon = Params[0].find(':');
    if (colon != std::string::npos) return HandleOf(Params[0].substr(colon + 1, 20));
  }
  return ScreenSaverSystem().ForegroundWindow();
}

std::string TGLScreenSaver::ProgramName() const { return ExtractFileName(ProgramFileName()); }

TGLScreenSaver::TGLScreenSaver(TComponent* AOwner) : TCustomGLApplication(AOwner) {
  SetNeedDisplay(true);
  if (Designing()) return;
  Mode = DetectMode(ParamStrings(), ProgramName());
  ParentHandle = DetectParentHandle(ParamStrings());
  // A daemon's window option decides over the switches.
  const TRunOptions& run = RunOptions();
  if (run.HackWindow != hwNone) {
    Mode = smDaemonWindow;
    ParentHandle = run.HackWindow == hwOwnWindow ? 0
                   : run.WindowId               ? run.WindowId
                                                : Platform().Windows->ScreenWindow();
    LeavePowerToTheDaemon();
  }
  if (Mode == smChangePassword) ChangePassword(ParentHandle);
}

TGLScreenSaver::~TGLScreenSaver() {
  if (Designing()) return;
  if ((Mode == smNone || Mode == smFullScreen) && !AnotherInstanceRuns())
    ScreenSaverSystem().SetScreenSaverRunning(false);
  if (Mode == smConfigure && ParentHandle) ScreenSaverSystem().EnableWindow(ParentHandle, true);
}

void TGLScreenSaver::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomGLApplication::Notification(AComponent, Operation);
  if (Operation != opInsert) return;
  if (auto* display = dynamic_cast<TCustomGLDisplay*>(AComponent))
    display->EnumerateModesOnLoad = Mode == smNone || Mode == smConfigure || Mode == smChangePassword;
}

void TGLScreenSaver::Initialize() {
  if (Designing()) return;
  SetMachineWide(true);
  ScrambledNames = false;
  RunAsProgram = ReadOptionBool("RunAsProgram", RunAsProgram);
  const std::string ext = UpperExtension(ProgramName());
  SingleInstance = ext == ".EXE" || (!RunAsProgram && Mode == smFullScreen);
  TCustomGLApplication::Initialize();
  // A second instance ends without touching the display: switching it would
  // take the first instance's view of the desktop for the original.
  if (AnotherInstanceRuns()) return;
  if (ext == ".SCR" && RunAsProgram) {
    SetMachineWide(true);
    DataDirectory = ReadOptionString("DataDirectory", DataDirectory);
    StartAsProgram();
    return;
  }
  if (Mode == smNone || Mode == smFullScreen) ScreenSaverSystem().SetScreenSaverRunning(true);
  if (Mode == smFullScreen) StartFullScreen();
  if (Mode == smPreview) StartPreview(ParentHandle);
  if (Mode == smConfigure) StartConfigure(ParentHandle);
  if (Mode == smDaemonWindow) StartDaemonWindow(ParentHandle);
  if (Mode != smNone) ResetMouseWatch();
}

void TGLScreenSaver::HideMainForm() {
  auto* form = dynamic_cast<TCustomForm*>(Owner());
  if (!form) return;
  form->Enabled = false;
  form->Visible = false;
  form->SetBounds(-form->Width, -form->Height, 0, 0);
}

void TGLScreenSaver::StartFullScreen() {
  SetCursorHidden(true);
  HideMainForm();
  TerminateOnClose = true;
  if (Display) Display->SetFullScreen(true);
}

void TGLScreenSaver::StartPreview(HWND Parent) {
  HideApplicationWindow();
  MakeToolWindow();
  HideMainForm();
  TerminateOnClose = true;
  if (Window) {
    Window->ParentControl = 0;
    Window->ParentWindow = Parent;
  }
}

void TGLScreenSaver::StartDaemonWindow(HWND Parent) {
  if (Parent && !Platform().Windows->WindowAlive(Parent)) {
    char id[24];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(Parent));
    throw Exception(std::string("there is no window ") + id + " to draw into");
  }
  // The daemon owns the screen: it blanks, locks and asks for the password.
  SetDisplaySwitchingAllowed(false);
  StartPreview(Parent);  // drawn inside the given window, as a preview is
  if (Window) {
    Window->IgnoreInput = true;
    if (!Parent) Window->SetBounds(640, 480);  // a window of its own, as other hacks open one
  }
}

void TGLScreenSaver::StartConfigure(HWND Parent) {
  HideApplicationWindow();
  MakeToolWindow();
  if (Parent) ScreenSaverSystem().EnableWindow(Parent, false);
}

void TGLScreenSaver::ChangePassword(HWND Parent) {
  if (Application) Application->ShowMainForm = false;
  ScreenSaverSystem().ChangePassword(Parent);
  CloseApplication();
}

void TGLScreenSaver::StartAsProgram() {
  HideMainForm();
  // Quoted, so that a data folder with blanks names one program.
  std::string parameters;
  for (const std::string& p : ParamStrings()) parameters += " " + QuoteCommandArgument(p);
  for (const std::string& w : RunOptions().Words) parameters += " " + QuoteCommandArgument(w);  // --fps and the like
  const std::string target = DataDirectory + BaseName + ".EXE";
  TExecutePro exec(nullptr);
  exec.WindowStyle = ewShow;
  exec.Wait = true;
  exec.Mode = emProcess;
  exec.DefaultDirectory = DataDirectory;
  ScreenSaverSystem().LowerOwnPriority();
  try {
    exec.ExecuteCommand(QuoteCommandArgument(target) + parameters);
  } catch (const std::exception&) {
    throw Exception("TGLScreenSaver.StartAsProgram error: run " + target + " " +
                    (ParamStrings().empty() ? "" : ParamStrings()[0]));
  }
  CloseApplication();
}

bool TGLScreenSaver::PasswordProtected() {
  try {
    const auto key = OpenOptionsKey(TStoreRoot::CurrentUser, "Control Panel\\desktop", true);
    if (!key->Exists() || !key->ValueExists("ScreenSaveUsePassword")) return false;
    return StrToInt(key->ReadString("ScreenSaveUsePassword")) != 0;
  } catch (const EOSError&) {
    return false;
  }
}

bool TGLScreenSaver::VerifyPassword() { return ScreenSaverSystem().VerifyPassword(Title); }

void TGLScreenSaver::ResetMouseWatch() {
  LastMouseX = LastMouseY = -1;
  MouseSkipCount = 5;
}

bool TGLScreenSaver::CheckMouseMove(int X, int Y) {
  if (!MouseMoveExit) return false;
  if (MouseSkipCount > 0) {
    --MouseSkipCount;
    return false;
  }
  if (LastMouseX == -1 && LastMouseY == -1) {
    LastMouseX = X;
    LastMouseY = Y;
    return false;
  }
  if (std::abs(X - LastMouseX) > 2 && std::abs(Y - LastMouseY) > 2) {
    ResetMouseWatch();
    return true;
  }
  return false;
}

bool TGLScreenSaver::IsExitMessage(const TMsg& Msg) {
  switch (Msg.message) {
    case WM_MOUSEMOVE:
      return CheckMouseMove(static_cast<int>(Msg.lParam & 0xFFFF), static_cast<int>((Msg.lParam >> 16) & 0xFFFF));
    case WM_KEYDOWN:
      return Msg.wParam != VK_SNAPSHOT;
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_MBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_SYSKEYDOWN:
      return true;
    default:
      return false;
  }
}

void TGLScreenSaver::DoMessage(TMsg& Msg, bool& Handled) {
  if (!Display || !Display->FullScreen) {
    TCustomGLApplication::DoMessage(Msg, Handled);
    return;
  }
  Handled = false;
  try {
    if (!IsExitMessage(Msg)) {
      TCustomGLApplication::DoMessage(Msg, Handled);
      return;
    }
    Handled = true;
    if (Mode != smFullScreen) {
      Display->SetFullScreen(false);  // a preview from the dialog returns to it
      return;
    }
    if (PasswordProtected()) {
      PresentFrame();
      SetCursorHidden(false);
      bool confirmed = false;
      try {
        confirmed = VerifyPassword();
      } catch (...) {
        SetCursorHidden(true);
        throw;
      }
      SetCursorHidden(true);
      if (!confirmed) {
        ResetMouseWatch();
        return;
      }
    }
    Display->SetFullScreen(false);
    CloseApplication();
  } catch (...) {
    Handled = true;  // a failure while ending keeps the saver running
  }
}

void TGLScreenSaver::PowerOff() {
  TCustomGLApplication::PowerOff();
  // A daemon's hack draws again after the resume: the daemon still shows its window.
  if (Mode != smDaemonWindow) CloseApplication();
}

void TGLScreenSaver::LeavePowerToTheDaemon() {
  if (Mode != smDaemonWindow) return;
  // The daemon decides when the screen blanks and the machine sleeps: its
  // hack neither keeps the display on nor refuses a suspend.
  SuspendEnabled = true;
  if (EventWindow()) Platform().PowerNotices->SetSuspendAllowed(true);
  SetNeedDisplay(false);
  SetNeedSystem(false);
}

void TGLScreenSaver::DisplayChanged() {
  const bool fullScreen = Display && Display->FullScreen;
  SetCursorHidden(fullScreen);
  TCustomGLApplication::DisplayChanged();
  SetCursorHidden(fullScreen);
}

void TGLScreenSaver::Idle(TObject* Sender, bool& Done) {
  TCustomGLApplication::Idle(Sender, Done);
  // A preview's parent can vanish without our window hearing of it at once:
  // look a few times a second.
  if (!DrawsIntoForeignWindow() || !Window || !Window->ParentWindow || !Application || Application->Terminated())
    return;
  const uint32_t now = GetTimer().GetTime().Elapsed;
  if (now - FLastParentCheck < 250) return;
  FLastParentCheck = now;
  if (!Platform().Windows->WindowAlive(Window->ParentWindow)) CloseApplication();
}

void TGLScreenSaver::WindowDestroyed() {
  TCustomGLApplication::WindowDestroyed();
  // In a preview or a daemon's window only the end of the run, the parent's
  // going or (in a window of its own) its closing destroys the window.
  if (DrawsIntoForeignWindow() && Application && !Application->Terminated()) CloseApplication();
}

void TGLScreenSaver::LoadOptions() {
  if (Designing()) return;
  SetMachineWide(true);
  ScrambledNames = false;
  MouseMoveExit = ReadOptionBool("MouseMoveExit", MouseMoveExit);
  RunAsProgram = ReadOptionBool("RunAsProgram", RunAsProgram);
  TCustomGLApplication::LoadOptions();
  LeavePowerToTheDaemon();
}

void TGLScreenSaver::SaveOptions() {
  if (Designing()) return;
  SetMachineWide(true);
  ScrambledNames = false;
  WriteOptionBool("MouseMoveExit", MouseMoveExit);
  WriteOptionBool("RunAsProgram", RunAsProgram);
  TCustomGLApplication::SaveOptions();
}

}  // namespace emberhall
