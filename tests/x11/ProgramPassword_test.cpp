// A protected full-screen run, end to end: the program runs as a throwaway
// user whose password PAM checks through the real helper and the installed
// service. Needs root (to make the user); skipped, saying why, without it.
#include "x11/ProgramFixture.h"
#include "x11/ThrowawayUser.h"
#include "platform/x11/X11ErrorTrap.h"

#include <X11/extensions/Xfixes.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iostream>

using namespace emberhall::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kPassword = "emberpw42";

class ProgramPasswordTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    std::string why = user.WhyNot();
    if (why.empty() && !fs::exists("/etc/pam.d/emberhall"))
      why = "the PAM service /etc/pam.d/emberhall is missing (scripts/deps installs it)";
    if (!why.empty()) {
      std::cout << "password tests skipped: " << why << std::endl;
      GTEST_SKIP() << why;
    }
    // The program and its helper in a folder the user may enter.
    chmod(programDir.Path().c_str(), 0755);
    fs::copy_file(EMBERHALL_PROGRAM, programDir.File("emberhall"));
    fs::copy_file(EMBERHALL_AUTH_HELPER, programDir.File("emberhall-auth"));
    program = programDir.File("emberhall");
    WriteFile(config.File("user/Control Panel/desktop.ini"), "ScreenSaveUsePassword=1\n");
    RunCommand("chown -R " + std::to_string(user.Uid) + ":" + std::to_string(user.Gid) + " " + config.Path());
    RunAs(user.Uid, user.Gid);
  }

  // The prompt: a mapped override-redirect window of its size on the root.
  bool PromptShown() {
    emberhall::TX11ErrorTrap trap(probe);  // a window listed may be gone when asked about
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    bool found = false;
    if (!XQueryTree(probe, DefaultRootWindow(probe), &root, &parent, &children, &n)) return false;
    for (unsigned i = 0; i < n && !found; ++i) {
      XWindowAttributes a{};
      found = XGetWindowAttributes(probe, children[i], &a) && a.map_state == IsViewable && a.override_redirect &&
              a.width == 460 && a.height == 170;
      if (found) promptX = a.x, promptY = a.y;
    }
    if (children) XFree(children);
    return found;
  }
  bool WaitPrompt(bool Shown, std::chrono::milliseconds Limit) {
    for (auto end = std::chrono::steady_clock::now() + Limit; std::chrono::steady_clock::now() < end;) {
      if (PromptShown() == Shown) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  // Whether the pointer shows nothing (every pixel of its image transparent).
  bool PointerHidden() {
    XFixesCursorImage* image = XFixesGetCursorImage(probe);
    if (!image) return false;
    bool blank = true;
    for (int i = 0; i < image->width * image->height; ++i) blank = blank && (image->pixels[i] >> 24) == 0;
    XFree(image);
    return blank;
  }
  void Type(const std::string& Text) {
    for (char c : Text) Press(XStringToKeysym(std::string(1, c).c_str()));
    Press(XK_Return);
  }

  TThrowawayUser user{"ehpw", kPassword};
  TTempDir programDir;
  int promptX = -1, promptY = -1;  // where the prompt was last seen
};

}  // namespace

TEST_F(ProgramPasswordTest, WrongPasswordKeepsTheSaverAndTheRightOneEndsIt) {
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  EXPECT_TRUE(PointerHidden());
  Press(XK_space);
  ASSERT_TRUE(WaitPrompt(true, std::chrono::milliseconds(3000)));
  EXPECT_FALSE(PointerHidden());  // shown while the prompt is up
  EXPECT_TRUE(KeyboardTaken());   // and no other client gets the typing
  Type("wrongpw");
  // PAM delays a failure; the prompt then says so for a moment and goes.
  ASSERT_TRUE(WaitPrompt(false, std::chrono::milliseconds(10000)));
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(300)), -1);
  EXPECT_TRUE(KeyboardTaken());
  EXPECT_TRUE(PointerHidden());
  Press(XK_space);
  ASSERT_TRUE(WaitPrompt(true, std::chrono::milliseconds(3000)));
  Type(kPassword);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(6000)), 0);
  EXPECT_FALSE(KeyboardTaken());
}

// Escape returns to the fire. The prompt stands in the middle of the screen,
// or of the first monitor where XRandR divides the screen into several.
TEST_F(ProgramPasswordTest, EscapeReturnsToTheFire) {
  const int w = DisplayWidth(probe, DefaultScreen(probe)), h = DisplayHeight(probe, DefaultScreen(probe));
  const struct {
    const char* Name;
    bool Halves;
    int X, Y;
  } cases[] = {{"one monitor", false, (w - 460) / 2, (h - 170) / 2}, {"two halves", true, (w / 2 - 460) / 2, (h - 170) / 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Halves) {
      const std::string half = std::to_string(w / 2) + "/169x" + std::to_string(h) + "/271+";
      ASSERT_EQ(std::system(("xrandr --setmonitor ehpw-left " + half + "0+0 screen >/dev/null 2>&1").c_str()), 0);
      ASSERT_EQ(std::system(("xrandr --setmonitor ehpw-right " + half + std::to_string(w / 2) + "+0 none >/dev/null 2>&1").c_str()), 0);
    }
    Start({"/s"});
    const bool fullScreen = WaitFullScreen();
    Press(XK_Return);
    const bool prompted = fullScreen && WaitPrompt(true, std::chrono::milliseconds(3000));
    if (c.Halves) {
      (void)std::system("xrandr --delmonitor ehpw-right >/dev/null 2>&1");
      (void)std::system("xrandr --delmonitor ehpw-left >/dev/null 2>&1");
    }
    ASSERT_TRUE(prompted);
    EXPECT_EQ(promptX, c.X);
    EXPECT_EQ(promptY, c.Y);
    Press(XK_Escape);
    ASSERT_TRUE(WaitPrompt(false, std::chrono::milliseconds(3000)));
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(300)), -1);
    EXPECT_TRUE(PointerHidden());
    Signal(SIGTERM);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  }
}

TEST_F(ProgramPasswordTest, SigtermWhileThePromptIsUpEndsTheRun) {
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  Press(XK_space);
  ASSERT_TRUE(WaitPrompt(true, std::chrono::milliseconds(3000)));
  Signal(SIGTERM);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_FALSE(PromptShown());
}

TEST_F(ProgramPasswordTest, KillingTheHelperMidCheckKeepsTheSaver) {
  // The helper waits before checking, so that the test can kill it meanwhile.
  fs::rename(programDir.File("emberhall-auth"), programDir.File("emberhall-auth.real"));
  const std::string pidFile = work.File("helper.pid");
  WriteFile(programDir.File("emberhall-auth"), "#!/bin/sh\necho $$ > " + pidFile + "\nsleep 20 & wait $!\nexec " +
                                                   programDir.File("emberhall-auth.real") + "\n");
  chmod(programDir.File("emberhall-auth").c_str(), 0755);
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  Press(XK_space);
  ASSERT_TRUE(WaitPrompt(true, std::chrono::milliseconds(3000)));
  Type(kPassword);
  for (int i = 0; i < 200 && ReadFile(pidFile).empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::string helper = std::to_string(std::atoi(ReadFile(pidFile).c_str()));
  ASSERT_NE(helper, "0");
  RunCommand("children=$(pgrep -P " + helper + "); kill -KILL " + helper + "; kill -KILL $children");
  ASSERT_TRUE(WaitPrompt(false, std::chrono::milliseconds(5000)));
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(300)), -1);
  EXPECT_TRUE(KeyboardTaken());
  EXPECT_TRUE(PointerHidden());
  Signal(SIGTERM);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
}
