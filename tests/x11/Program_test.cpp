// The built program, run as a user or a screensaver daemon would run it.
#include "x11/ProgramFixture.h"

#include <sys/resource.h>

#include <cerrno>
#include <filesystem>
#include <functional>

using namespace emberhall::test;

TEST_F(ProgramTest, FullScreenRunEndsOnAKeyAndLeavesNothingBehind) {
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  Press(XK_Shift_L);  // a key release is no exit, but Shift's press is
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(2000)), 0);
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_EQ(LeftInRuntimeFolder(), std::vector<std::string>{});
}

TEST_F(ProgramTest, FullScreenRunEndsInOrderOnSigterm) {
  Start({"-S"});
  ASSERT_TRUE(WaitFullScreen());
  Signal(SIGTERM);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_EQ(LeftInRuntimeFolder(), std::vector<std::string>{});
}

TEST_F(ProgramTest, SwitchesChooseTheRunMode) {
  struct TCase {
    std::vector<std::string> Args;
    bool RunsOn;  // a dialog that stays until closed; otherwise the program ends at once
    int ExitCode = 0;
  } cases[] = {
      {{"/a"}, false},       // change password: nothing to show here
      {{"/a", "0"}, false},  // with a parent window, the same
      {{"/c"}, true},
      {{"/s", "/c"}, true},  // configure wins over full screen
      {{"/x"}, true},        // no mode: the dialog
      {{}, true},            // no switch at all: the dialog
      {{"/p", "window"}, false, 1},  // no window id: an error message, no crash
      {{"/c", "--fps", "15"}, true},        // the program's own option is no switch
      {{"/s", "--fps", "fast"}, false, 1},  // a bad value: the usage line, no run
      {{"-fps"}, false, 1},
  };
  for (const TCase& c : cases) {
    const std::string name = c.Args.empty() ? "(none)" : c.Args[0] + (c.Args.size() > 1 ? " " + c.Args[1] : "");
    Start(c.Args);
    if (!c.RunsOn) {
      EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), c.ExitCode) << name;
      continue;
    }
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(1500)), -1) << name;
    EXPECT_FALSE(KeyboardTaken()) << name;  // never full screen
    Signal(SIGTERM);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0) << name;
  }
}

TEST_F(ProgramTest, FullScreenRunEndsOnButtonsAndSystemKeysButNotTheWheel) {
  auto click = [&](unsigned button, int times) {
    for (int i = 0; i < times; ++i) {
      XTestFakeButtonEvent(probe, button, True, CurrentTime);
      XTestFakeButtonEvent(probe, button, False, CurrentTime);
    }
    XSync(probe, False);
  };
  auto altF4 = [&] {
    const KeyCode alt = XKeysymToKeycode(probe, XK_Alt_L), f4 = XKeysymToKeycode(probe, XK_F4);
    XTestFakeKeyEvent(probe, alt, True, CurrentTime);
    XTestFakeKeyEvent(probe, f4, True, CurrentTime);
    XTestFakeKeyEvent(probe, f4, False, CurrentTime);
    XTestFakeKeyEvent(probe, alt, False, CurrentTime);
    XSync(probe, False);
  };
  struct TCase {
    const char* Name;
    std::function<void()> Input;
    bool Ends;
  } cases[] = {
      {"left click", [&] { click(1, 1); }, true},
      {"middle click", [&] { click(2, 1); }, true},
      {"right click", [&] { click(3, 1); }, true},
      {"double click", [&] { click(1, 2); }, true},
      {"system key", altF4, true},
      {"wheel", [&] { click(4, 3); click(5, 3); }, false},
  };
  for (const TCase& c : cases) {
    Start({"/s"});
    ASSERT_TRUE(WaitFullScreen()) << c.Name;
    c.Input();
    if (c.Ends) {
      EXPECT_EQ(WaitEnd(std::chrono::milliseconds(1000)), 0) << c.Name;
      continue;
    }
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(500)), -1) << c.Name;
    Press(XK_space);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(1000)), 0) << c.Name;
  }
}

// The copies sit in a data folder whose name has blanks.
class RunAsProgramTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(EMBERHALL_PROGRAM, folder + "/x.scr");
    std::filesystem::copy_file(EMBERHALL_PROGRAM, folder + "/x.EXE");
    WriteFile(config.File("machine/Software/Korvell Software/Emberhall 1.ini"),
              "RunAsProgram=-1\nDataDirectory=" + folder + "/\n");
    program = folder + "/x.scr";
  }
  // The copy the waiting instance started, once it draws full screen.
  pid_t StartedCopy() {
    if (!WaitFullScreen()) return 0;
    return std::atoi(RunCommand("pgrep -P " + std::to_string(pid)).Output.c_str());
  }
  TTempDir copies;
  const std::string folder = copies.File("Fire Place");
};

TEST_F(RunAsProgramTest, HandsTheRunToTheExeCopyAndWaitsAtIdlePriority) {
  Start({"/s", "--fps", "15"});
  const pid_t child = StartedCopy();
  ASSERT_GT(child, 0);
  EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(child) + "/exe"), folder + "/x.EXE");
  const std::string cmdline = ReadFile("/proc/" + std::to_string(child) + "/cmdline");
  EXPECT_EQ(cmdline, folder + "/x.EXE" + std::string("\0/s\0--fps\0" "15\0", 13));  // the options go along
  errno = 0;
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(pid)), 19);  // the waiting instance idles
  Press(XK_space);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);  // ends after its copy
  EXPECT_NE(kill(child, 0), 0);
}

TEST_F(RunAsProgramTest, SigtermEndsTheCopyAndThenTheWaitingInstance) {
  Start({"/s"});
  const pid_t child = StartedCopy();
  ASSERT_GT(child, 0);
  Signal(SIGTERM);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  EXPECT_NE(kill(child, 0), 0);
  EXPECT_FALSE(KeyboardTaken());
}

// A stored value that does not convert ends the run with an error that
// names it, and a failure status.
TEST_F(ProgramTest, AStoredValueThatDoesNotConvertEndsTheRunWithAnError) {
  const std::string ini = config.File("machine/Software/Korvell Software/Emberhall 1.ini");
  WriteFile(ini, "WaitSync=maybe\n");
  errorFile = work.File("stderr");
  Start({"/s"});
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 1);
  const std::string said = ReadFile(errorFile);
  EXPECT_NE(said.find("WaitSync=maybe in " + ini + " is not a valid boolean value"), std::string::npos) << said;
  EXPECT_FALSE(KeyboardTaken());
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
