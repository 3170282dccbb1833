// The built program, run as a user or a screensaver daemon would run it.
#include "x11/ProgramFixture.h"

#include <filesystem>

using namespace emberhall::test;

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
  Signal(SIGTERM);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_TRUE(std::filesystem::is_empty(runtime.Path()));
}

TEST_F(ProgramTest, ChangePasswordEndsAtOnceAndTheDialogRunsUntilClosed) {
  Start({"/a"});
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  Start({"/c"});
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(1500)), -1);  // the dialog stays
  Signal(SIGTERM);
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
