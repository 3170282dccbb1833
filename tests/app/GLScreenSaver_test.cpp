#include "app/GLScreenSaver.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/RunOptions.h"
#include "platform/SysUtils.h"
#include "platform/posix/OptionsStore.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

class TFakeSystem : public IScreenSaverSystem {
 public:
  TFakeSystem() { SetScreenSaverSystem(this); }
  ~TFakeSystem() override { SetScreenSaverSystem(nullptr); }
  void SetScreenSaverRunning(bool Running) override { calls.push_back(Running ? "running on" : "running off"); }
  bool VerifyPassword(const std::string&) override {
    calls.push_back("verify");
    if (whileVerifying) whileVerifying();
    return passwordAnswer;
  }
  bool ChangePassword(HWND) override {
    calls.push_back("change");
    return false;
  }
  void EnableWindow(HWND Wnd, bool Enable) override {
    calls.push_back((Enable ? "enable " : "disable ") + std::to_string(Wnd));
  }
  void LowerOwnPriority() override { calls.push_back("idle priority"); }
  HWND ForegroundWindow() override { return 99; }

  std::vector<std::string> calls;
  bool passwordAnswer = false;
  std::function<void()> whileVerifying;
};

class TDesktopSettings : public IDisplaySettings {
 public:
  std::vector<TVideoMode> ListModes() override { return {{1024, 768, 32}}; }
  bool TestMode(const TVideoMode& m) override { return m == TVideoMode{1024, 768, 32}; }
  bool ChangeMode(const TVideoMode&) override { return false; }
  void RestoreMode() override {}
  TVideoMode DesktopMode() override { return {1024, 768, 32}; }
};

// A host in full screen (desktop mode, no window) on fakes.
struct THostFixture {
  TFakeServices services;
  TScopedConfig config;
  TFakeSystem system;
  TDesktopSettings settings;
  TApplication app;
  TCustomForm* form = new TCustomForm(&app);
  TGLDisplay* display = new TGLDisplay(form, &settings);
  TGLScreenSaver* host = new TGLScreenSaver(form);

  explicit THostFixture(TScreenSaverMode mode) {
    host->Title = "Emberhall";
    host->Company = "Korvell Software";
    host->SetDisplay(display);
    host->Mode = mode;
    display->BuildModeLists();
    display->DesktopOnly = true;
    display->SetFullScreen(true);
  }
  bool Send(uint32_t msg, WPARAM w = 0, LPARAM l = 0) {
    TMsg m{0, msg, w, l};
    bool handled = false;
    host->DoMessage(m, handled);
    return handled;
  }
};

}  // namespace

TEST(ScreenSaver, ModeDetection) {
  struct Case { std::vector<std::string> params; const char* exe; TScreenSaverMode mode; };
  const Case cases[] = {
      {{}, "emberhall", smConfigure}, {{}, "fire.scr", smConfigure}, {{}, "FIRE.EXE", smNone},
      {{"/s"}, "fire.exe", smFullScreen}, {{"-S"}, "emberhall", smFullScreen}, {{"/s", "/c"}, "x.scr", smConfigure},
      {{"/a"}, "x.scr", smChangePassword}, {{"/p", "4711"}, "x.scr", smPreview}, {{"/l:5"}, "x.scr", smPreview},
      {{"/x"}, "x.scr", smNone}, {{"/c:4711"}, "x.scr", smConfigure},
  };
  for (const Case& c : cases) EXPECT_EQ(TGLScreenSaver::DetectMode(c.params, c.exe), c.mode) << c.exe;
}

TEST(ScreenSaver, ParentHandle) {
  TFakeSystem system;
  struct Case { std::vector<std::string> params; HWND handle; };
  const Case cases[] = {
      {{"/p", "4711"}, 4711}, {{"/p:4711"}, 4711}, {{"/c:0x1e00007"}, 0x1e00007}, {{"/p", "0x10"}, 16},
      {{"/c"}, 99}, {{}, 99}, {{"/s", "/c"}, 99}, {{"/c:12", "-s"}, 12}, {{"/p", "-5"}, 0xFFFFFFFB},
  };
  for (const Case& c : cases) EXPECT_EQ(TGLScreenSaver::DetectParentHandle(c.params), c.handle);
  EXPECT_THROW(TGLScreenSaver::DetectParentHandle({"/p", "window"}), EConvertError);
  EXPECT_THROW(TGLScreenSaver::DetectParentHandle({"/p:"}), EConvertError);
}

TEST(ScreenSaver, MouseMoveTest) {
  THostFixture f(smFullScreen);
  TGLScreenSaver& h = *f.host;
  h.ResetMouseWatch();
  EXPECT_FALSE(h.CheckMouseMove(500, 500));  // MouseMoveExit off: never
  h.MouseMoveExit = true;
  h.ResetMouseWatch();
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(h.CheckMouseMove(i * 100, i * 100)) << i;  // skipped
  EXPECT_FALSE(h.CheckMouseMove(100, 100));  // the reference point
  EXPECT_FALSE(h.CheckMouseMove(900, 100));  // horizontal only
  EXPECT_FALSE(h.CheckMouseMove(102, 102));  // 2 pixels: not more than 2
  EXPECT_TRUE(h.CheckMouseMove(103, 97));    // 3 on both axes
  EXPECT_EQ(h.MouseSkipCount, 5);            // reset after answering
  EXPECT_EQ(h.LastMouseX, -1);
}

TEST(ScreenSaver, InputWatchInAFullScreenRun) {
  THostFixture f(smFullScreen);
  struct Case { uint32_t msg; WPARAM w; bool ends; };
  const Case notExits[] = {{WM_LBUTTONDOWN, 0, false}, {WM_RBUTTONDOWN, 0, false}, {WM_KEYUP, 'A', false},
                           {WM_KEYDOWN, VK_SNAPSHOT, false}, {WM_MOUSEMOVE, 0, false}};
  for (const Case& c : notExits) {
    EXPECT_FALSE(f.Send(c.msg, c.w)) << c.msg;
    EXPECT_TRUE(f.display->FullScreen) << c.msg;
  }
  EXPECT_TRUE(f.Send(WM_KEYUP, VK_SNAPSHOT));  // left for the snapshot
  EXPECT_TRUE(f.display->FullScreen);
  EXPECT_TRUE(f.Send(WM_RBUTTONUP));
  EXPECT_FALSE(f.display->FullScreen);
  EXPECT_TRUE(f.app.Terminated());
  EXPECT_TRUE(f.system.calls.empty());  // no password asked: none is set
}

TEST(ScreenSaver, PasswordStepKeepsTheSaverUntilConfirmed) {
  THostFixture f(smFullScreen);
  TOptionsKey(TStoreRoot::CurrentUser, "Control Panel\\desktop", false).WriteString("ScreenSaveUsePassword", "1");
  EXPECT_TRUE(f.host->PasswordProtected());
  f.host->SetCursorHidden(true);
  EXPECT_TRUE(f.Send(WM_KEYDOWN, VK_ESCAPE));
  EXPECT_EQ(f.system.calls, (std::vector<std::string>{"verify"}));
  EXPECT_TRUE(f.display->FullScreen);  // refused: the saver goes on, pointer hidden again
  EXPECT_TRUE(f.host->CursorHidden);
  EXPECT_FALSE(f.app.Terminated());
  f.system.passwordAnswer = true;
  EXPECT_TRUE(f.Send(WM_SYSKEYDOWN, VK_MENU));
  EXPECT_FALSE(f.display->FullScreen);
  EXPECT_TRUE(f.app.Terminated());
}

// The pointer's count changes only when its visibility does: hidden once for
// the whole full-screen run, shown for the password step, hidden again.
TEST(ScreenSaver, PointerShowsForThePasswordAfterAnyNumberOfHides) {
  THostFixture f(smFullScreen);  // full screen through the display's notifications
  TOptionsKey(TStoreRoot::CurrentUser, "Control Panel\\desktop", false).WriteString("ScreenSaveUsePassword", "1");
  f.host->StartFullScreen();
  f.host->DisplayChanged();
  EXPECT_EQ(f.services.CursorCount, -1);
  int duringCheck = -99;
  f.system.whileVerifying = [&] { duringCheck = f.services.CursorCount; };
  EXPECT_TRUE(f.Send(WM_KEYDOWN, 'A'));
  EXPECT_EQ(duringCheck, 0);  // shown
  EXPECT_EQ(f.services.CursorCount, -1);
  f.system.passwordAnswer = true;
  EXPECT_TRUE(f.Send(WM_KEYDOWN, 'A'));
  EXPECT_TRUE(f.app.Terminated());
  EXPECT_EQ(f.services.CursorCount, 0);  // shown again after the run
}

TEST(ScreenSaver, UnreadablePasswordSettingKeepsTheSaverRunning) {
  THostFixture f(smFullScreen);
  TOptionsKey(TStoreRoot::CurrentUser, "Control Panel\\desktop", false).WriteString("ScreenSaveUsePassword", "yes");
  EXPECT_THROW(f.host->PasswordProtected(), EConvertError);
  EXPECT_TRUE(f.Send(WM_KEYDOWN, 'Q'));  // consumed, the failure swallowed
  EXPECT_TRUE(f.display->FullScreen);
  EXPECT_FALSE(f.app.Terminated());
}

TEST(ScreenSaver, PreviewFromTheDialogReturnsWithoutPassword) {
  THostFixture f(smConfigure);
  TOptionsKey(TStoreRoot::CurrentUser, "Control Panel\\desktop", false).WriteString("ScreenSaveUsePassword", "1");
  EXPECT_TRUE(f.Send(WM_LBUTTONDBLCLK));
  EXPECT_FALSE(f.display->FullScreen);
  EXPECT_FALSE(f.app.Terminated());
  EXPECT_TRUE(f.system.calls.empty());
}

TEST(ScreenSaver, StoredSettingsAndStartActions) {
  THostFixture f(smFullScreen);
  f.host->MouseMoveExit = true;
  f.host->RunAsProgram = true;
  f.host->SaveOptions();
  TOptionsKey key(TStoreRoot::LocalMachine, f.host->KeyPath(), true);
  EXPECT_EQ(key.ReadString("MouseMoveExit"), "-1");
  EXPECT_EQ(key.ReadString("RunAsProgram"), "-1");
  f.host->MouseMoveExit = false;
  f.host->LoadOptions();
  EXPECT_TRUE(f.host->MouseMoveExit);

  f.host->StartConfigure(4711);
  EXPECT_EQ(f.system.calls.back(), "disable 4711");
  f.host->StartPreview(1234);
  EXPECT_TRUE(f.host->TerminateOnClose);
  EXPECT_FALSE(f.form->Visible);
  // Destruction re-enables the calling dialog's window.
  f.host->Mode = smConfigure;
  f.host->ParentHandle = 4711;
  delete f.host;
  EXPECT_EQ(f.system.calls.back(), "enable 4711");
}

TEST(ScreenSaver, ADaemonsWindowOptionDecidesOverTheSwitches) {
  struct TCase {
    std::vector<std::string> Params;
    THackWindow Window;
    HWND Id, Parent;
  } cases[] = {
      {{}, hwWindowId, 0x400008, 0x400008},
      {{"/s"}, hwWindowId, 77, 77},
      {{"/c"}, hwRoot, 0x1234, 0x1234},  // $XSCREENSAVER_WINDOW
      {{"/p", "99"}, hwOwnWindow, 0, 0},
  };
  for (const TCase& c : cases) {
    ParamStrings() = c.Params;
    RunOptions().HackWindow = c.Window;
    RunOptions().WindowId = c.Id;
    TFakeServices services;
    TScopedConfig config;
    TFakeSystem system;
    TApplication app;
    auto* form = new TCustomForm(&app);
    auto* host = new TGLScreenSaver(form);
    EXPECT_EQ(host->Mode, smDaemonWindow);
    EXPECT_EQ(host->ParentHandle, c.Parent);
    // The daemon blanks the screen and lets the machine sleep, whatever is stored.
    TOptionsKey(TStoreRoot::LocalMachine, host->KeyPath(), false).WriteString("NeedDisplay", "-1");
    host->LoadOptions();
    EXPECT_FALSE(host->GetNeedDisplay());
    EXPECT_TRUE(host->SuspendEnabled);
    host->PowerOff();
    EXPECT_FALSE(app.Terminated()) << "a hack draws again after the resume";
    ParamStrings().clear();
    RunOptions() = {};
  }
}
