// The built program, run as a user or a screensaver daemon would run it.
#include <gtest/gtest.h>
// Xlib after gtest: its macros clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "x11/XTestKeys.h"
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"

using namespace emberhall::test;

namespace {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) GTEST_SKIP() << "needs the test script's Xvfb";
    probe = XOpenDisplay(nullptr);
    ASSERT_NE(probe, nullptr);
  }
  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (probe) XCloseDisplay(probe);
  }
  pid_t Start(const std::vector<std::string>& args) {
    pid = fork();
    if (pid == 0) {
      setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
      setenv("EMBERHALL_CONFIG_HOME", config.File("user").c_str(), 1);
      setenv("EMBERHALL_CONFIG_DIRS", config.File("machine").c_str(), 1);
      if (chdir(work.Path().c_str()) != 0) _exit(126);
      std::vector<char*> argv = {const_cast<char*>(EMBERHALL_PROGRAM)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(EMBERHALL_PROGRAM, argv.data());
      _exit(127);
    }
    return pid;
  }
  // Waits for the program's end; its exit code, or -1 when it runs on.
  int WaitEnd(std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  bool KeyboardTaken() {
    const int r = XGrabKeyboard(probe, DefaultRootWindow(probe), True, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (r == GrabSuccess) XUngrabKeyboard(probe, CurrentTime);
    XSync(probe, False);
    return r == AlreadyGrabbed;
  }
  bool WaitFullScreen() {
    for (int i = 0; i < 250; ++i) {
      if (KeyboardTaken()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  void Press(KeySym sym) { emberhall::test::PressKey(probe, sym); }

  TTempDir runtime, config, work;
  Display* probe = nullptr;
  pid_t pid = -1;
};

}  // namespace

TEST_F(ProgramTest, FullScreenRunEndsOnAKeyAndLeavesNothingBehind) {
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  Press(XK_Shift_L);  // a key release is no exit, but Shift's press is
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(2000)), 0);
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_TRUE(std::filesystem::is_empty(runtime.Path()));
}

TEST_F(ProgramTest, FullScreenRunEndsInOrderOnSigterm) {
  Start({"-S"});
  ASSERT_TRUE(WaitFullScreen());
  kill(pid, SIGTERM);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_TRUE(std::filesystem::is_empty(runtime.Path()));
}

TEST_F(ProgramTest, ChangePasswordEndsAtOnceAndTheDialogRunsUntilClosed) {
  Start({"/a"});
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  Start({"/c"});
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(1500)), -1);  // the dialog stays
  kill(pid, SIGTERM);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
}

TEST_F(ProgramTest, PreviewDrawsIntoTheGivenWindowAndEndsWithIt) {
  for (const char* form : {"separate", "colon"}) {
    Window parent = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 200, 150, 0, 0, 0xFFFFFF);
    XMapWindow(probe, parent);
    XSync(probe, False);
    const std::string id = std::to_string(parent);
    if (std::string(form) == "separate") {
      Start({"/p", id});
    } else {
      Start({"/p:" + id});
    }
    // The program's window appears inside, covering the white parent.
    Window root, parentOf, *children = nullptr;
    unsigned n = 0;
    for (int i = 0; i < 200 && n == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (children) XFree(children);
      children = nullptr;
      XQueryTree(probe, parent, &root, &parentOf, &children, &n);
    }
    ASSERT_EQ(n, 1u) << form;
    XWindowAttributes a{};
    XGetWindowAttributes(probe, children[0], &a);
    EXPECT_EQ(a.width, 200);
    EXPECT_EQ(a.height, 150);
    XFree(children);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(500)), -1);  // it runs while the parent is there
    XDestroyWindow(probe, parent);
    XSync(probe, False);
    // Mesa's software path can keep a frame busy on the vanished drawable for
    // a few seconds before the program sees the loss.
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(8000)), 0) << form;
  }
}

TEST_F(ProgramTest, SecondFullScreenRunEndsAtOnce) {
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  const pid_t first = pid;
  pid = -1;
  Start({"/s"});
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  pid = first;
  EXPECT_TRUE(KeyboardTaken());  // the first still runs
  Press(XK_space);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(2000)), 0);
}

TEST_F(ProgramTest, PrintScreenTakesASnapshotAndTheRunGoesOn) {
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a few frames
  Press(XK_Print);
  for (int i = 0; i < 100 && !std::filesystem::exists(work.File("emberhall1.jpg")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(std::filesystem::exists(work.File("emberhall1.jpg")));
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(300)), -1);  // still running
  Press(XK_Return);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(2000)), 0);
}

TEST_F(ProgramTest, MouseMovesEndTheRunOnlyWhenStoredSoAndDiagonal) {
  WriteFile(config.File("machine/Software/Korvell Software/Emberhall 1.ini"), "MouseMoveExit=-1\n");
  XTestFakeMotionEvent(probe, 0, 600, 500, CurrentTime);
  XSync(probe, False);
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  auto moveTo = [&](int x, int y) {
    XTestFakeMotionEvent(probe, 0, x, y, CurrentTime);
    XSync(probe, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  };
  for (int i = 1; i <= 5; ++i) moveTo(600 + 50 * i, 500 + 50 * i);  // the first five are ignored
  moveTo(400, 300);                                                  // the reference point
  for (int x = 420; x <= 1000; x += 60) moveTo(x, 300);              // horizontal: never
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(300)), -1);
  moveTo(403, 303);  // 3 pixels on both axes from the reference
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(2000)), 0);
}
