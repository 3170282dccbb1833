// The program as a screensaver daemon runs it: in the window the daemon
// names (-window-id, -root with $XSCREENSAVER_WINDOW), on the root window, or
// in a window of its own. It draws the fireplace there, holds no grab, leaves
// input and the display alone, follows the window's size, plays no sound
// unless asked, and ends on SIGTERM or when the window goes.
#include "x11/ProgramFixture.h"
#include "x11/ScreenPicture.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>

#include "x11/ExtraMode.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

// The regions of a 640 x 480 window.
constexpr TRect kHearth{280, 300, 360, 390};
constexpr TRect kTopLeftCorner{0, 0, 40, 40};
constexpr TRect kTopRightCorner{600, 0, 640, 40};
constexpr TRect kClock{512, 0, 640, 74};
constexpr TRect kFPS{8, 4, 160, 44};

class DaemonWindowTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    desktop = ScreenState();
  }
  void TearDown() override {
    for (Window w : made) XDestroyWindow(probe, w);
    if (probe) XSync(probe, False);
    ProgramTest::TearDown();
  }
  // A mapped window as a daemon makes one, 640 x 480, black.
  Window DaemonWindow(int X = 100, int Y = 100) {
    const Window w = XCreateSimpleWindow(probe, DefaultRootWindow(probe), X, Y, 640, 480, 0, 0, 0);
    XSelectInput(probe, w, ButtonPressMask | KeyPressMask);  // as a daemon listens on its window
    XMapWindow(probe, w);
    XSync(probe, False);
    made.push_back(w);
    return w;
  }
  // The program's window inside Parent, or 0.
  Window ChildOf(Window Parent) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(probe, Parent, &root, &parent, &children, &n)) return 0;
    const Window child = n > 0 ? children[n - 1] : 0;
    if (children) XFree(children);
    return child;
  }
  bool PointerTaken() {
    const int r = XGrabPointer(probe, DefaultRootWindow(probe), False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                               None, None, CurrentTime);
    if (r == GrabSuccess) XUngrabPointer(probe, CurrentTime);
    XSync(probe, False);
    return r == AlreadyGrabbed;
  }
  // Waits (up to 20 s) until the hearth of W burns brighter than its corners.
  TPicture WaitForFlame(Window W, TRect Hearth, TRect Corner) {
    TPicture p;
    for (int i = 0; i < 80; ++i) {
      p = GrabWindow(probe, W);
      if (p.W > Corner.X1 && Brightness(p, Hearth) > Brightness(p, Corner) + 40) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return p;
  }
  // Keys, a click and a pointer movement over the program's window.
  void UseInput(Window W) {
    XWarpPointer(probe, None, W, 0, 0, 0, 0, 320, 240);
    XTestFakeRelativeMotionEvent(probe, 40, 40, CurrentTime);
    XTestFakeButtonEvent(probe, 1, True, CurrentTime);
    XTestFakeButtonEvent(probe, 1, False, CurrentTime);
    XSync(probe, False);
    Press(XK_space);
    Press(XK_Escape);
  }
  // SIGTERM, and the program's end; the time it took goes to the log.
  int EndWithSigterm(const std::string& What) {
    const auto start = std::chrono::steady_clock::now();
    Signal(SIGTERM);
    const int code = WaitEnd(std::chrono::milliseconds(1000));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("%s: ended %lld ms after SIGTERM\n", What.c_str(), static_cast<long long>(ms.count()));
    return code;
  }

  TScreenState desktop;
  std::vector<Window> made;
};

std::string Hex(Window W) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", W);
  return text;
}

}  // namespace

TEST_F(DaemonWindowTest, DrawsInTheNamedWindowWithoutGrabsIgnoringInputAndFollowsItsSize) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Args;  // "WINDOW" / "HEX" stand for the window
    const char* DaemonWindow;       // $XSCREENSAVER_WINDOW, or null
  };
  const TCase cases[] = {
      {"-window-id in decimal", {"-window-id", "WINDOW"}, nullptr},
      {"--window-id=hex", {"--window-id=HEX"}, nullptr},
      {"-root with XSCREENSAVER_WINDOW in decimal", {"-root"}, "WINDOW"},
      {"--root with XSCREENSAVER_WINDOW in hex", {"--root"}, "HEX"},
  };
  // Stored as a user of the dialog might have it: switching the display and
  // moving the mouse to end would both be wrong under a daemon.
  WriteFile(config.File("machine/Software/Korvell Software/Emberhall 1.ini"),
            "DesktopOnly=0\nFullScreenMode=640x480x32\nMouseMoveExit=1\n");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const Window parent = DaemonWindow();
    const auto named = [&](const std::string& Text) {
      std::string out = Text;
      for (const auto& [word, value] : {std::pair<std::string, std::string>{"WINDOW", std::to_string(parent)},
                                        {"HEX", Hex(parent)}}) {
        const size_t at = out.find(word);
        if (at != std::string::npos) out.replace(at, word.size(), value);
      }
      return out;
    };
    std::vector<std::string> args;
    for (const std::string& a : c.Args) args.push_back(named(a));
    environment = {{"XSCREENSAVER_WINDOW", c.DaemonWindow ? named(c.DaemonWindow) : ""}};
    Start(args);
    const TPicture p = WaitForFlame(parent, kHearth, kTopLeftCorner);
    Save(p, std::string("daemon-window-") + std::to_string(&c - cases));
    ASSERT_EQ(p.W, 640);
    EXPECT_GT(Brightness(p, kHearth), Brightness(p, kTopLeftCorner) + 40);
    EXPECT_GT(Brightness(p, kHearth), Brightness(p, kTopRightCorner) + 40);
    EXPECT_FALSE(KeyboardTaken());
    EXPECT_FALSE(PointerTaken());
    EXPECT_EQ(ScreenState(), desktop);

    UseInput(ChildOf(parent));
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(700)), -1) << "input is the daemon's";
    // The clicks and keys went on to the daemon's window.
    XSync(probe, False);
    bool daemonHeard = false;
    XEvent e;
    while (XCheckWindowEvent(probe, parent, ButtonPressMask | KeyPressMask, &e)) daemonHeard = true;
    EXPECT_TRUE(daemonHeard);

    XResizeWindow(probe, parent, 800, 600);
    XSync(probe, False);
    XWindowAttributes a{};
    for (int i = 0; i < 100; ++i) {
      XGetWindowAttributes(probe, ChildOf(parent), &a);
      if (a.width == 800) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(a.width, 800);
    EXPECT_EQ(a.height, 600);

    EXPECT_EQ(EndWithSigterm(c.Name), 0);
    EXPECT_EQ(ScreenState(), desktop);
    EXPECT_EQ(LeftInRuntimeFolder(), std::vector<std::string>{});
  }
}

TEST_F(DaemonWindowTest, EndsWhenTheDaemonsWindowGoes) {
  const Window parent = DaemonWindow();
  Start({"-window-id", std::to_string(parent)});
  WaitForFlame(parent, kHearth, kTopLeftCorner);
  const auto start = std::chrono::steady_clock::now();
  XDestroyWindow(probe, parent);
  XSync(probe, False);
  made.clear();
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0) << Stacks();
  std::printf("ended %lld ms after its window was destroyed\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count()));
}

TEST_F(DaemonWindowTest, RootWithoutADaemonWindowDrawsUnderTheOtherWindows) {
  // A white window of another program stays on top of the picture.
  const Window other = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 200, 200, 0, 0, 0xFFFFFF);
  XSetWindowAttributes unmanaged{};
  unmanaged.override_redirect = True;
  XChangeWindowAttributes(probe, other, CWOverrideRedirect, &unmanaged);
  XMapWindow(probe, other);
  made.push_back(other);
  XSync(probe, False);
  environment = {{"XSCREENSAVER_WINDOW", ""}};
  Start({"-root"});
  const TRect hearth{560, 620, 720, 800}, corner{1200, 0, 1280, 80};
  const TPicture p = WaitForFlame(DefaultRootWindow(probe), hearth, corner);
  Save(p, "daemon-root");
  ASSERT_EQ(p.W, 1280);
  EXPECT_GT(Brightness(p, hearth), Brightness(p, corner) + 40);
  EXPECT_EQ(CountAtLeast(p, {0, 0, 200, 200}, 255, 255, 255), 200 * 200) << "the other window stays on top";
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_FALSE(PointerTaken());
  EXPECT_EQ(EndWithSigterm("-root on the root window"), 0);
  EXPECT_EQ(ScreenState(), desktop);
}

TEST_F(DaemonWindowTest, WindowOfItsOwnHoldsNoGrabAndEndsOnSigterm) {
  Start({"-window"});
  // Its window appears among the root's children.
  Window own = 0;
  for (int i = 0; i < 250 && !own; ++i) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    XQueryTree(probe, DefaultRootWindow(probe), &root, &parent, &children, &n);
    for (unsigned k = 0; k < n; ++k) {
      XWindowAttributes a{};
      XGetWindowAttributes(probe, children[k], &a);
      if (a.map_state == IsViewable && a.width == 640 && a.height == 480 && a.override_redirect == False)
        own = children[k];
    }
    if (children) XFree(children);
    if (!own) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(own, 0u);
  // Named for the window manager and task lists.
  char* name = nullptr;
  XFetchName(probe, own, &name);
  EXPECT_STREQ(name, "Emberhall");
  if (name) XFree(name);
  XClassHint hint{};
  ASSERT_TRUE(XGetClassHint(probe, own, &hint));
  EXPECT_STREQ(hint.res_class, "Emberhall");
  XFree(hint.res_name);
  XFree(hint.res_class);
  const TPicture p = WaitForFlame(own, kHearth, kTopLeftCorner);
  Save(p, "daemon-own-window");
  EXPECT_GT(Brightness(p, kHearth), Brightness(p, kTopLeftCorner) + 40);
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_FALSE(PointerTaken());
  EXPECT_EQ(EndWithSigterm("-window"), 0);
}

TEST_F(DaemonWindowTest, TheOptionsOfTheRunOverrideTheStoredSettings) {
  WriteFile(config.File("user/Software/Korvell Software/Emberhall 1.ini"), "ClockMode=0\nFPS=0\n");
  struct TCase {
    std::vector<std::string> Options;
    bool Clock, FPS;
  };
  const TCase cases[] = {{{}, false, false}, {{"--clock", "24", "--fps"}, true, true}, {{"--clock=12"}, true, false}};
  for (const TCase& c : cases) {
    const Window parent = DaemonWindow();
    std::vector<std::string> args = {"-window-id", std::to_string(parent)};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    Start(args);
    WaitForFlame(parent, kHearth, kTopLeftCorner);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // a frame-rate report is due each second
    const TPicture p = GrabWindow(probe, parent);
    Save(p, "daemon-options-" + std::to_string(&c - cases));
    EXPECT_EQ(CountAtLeast(p, kClock, 200, 60, 0) > 100, c.Clock) << c.Options.size();
    EXPECT_EQ(CountAtLeast(p, kFPS, 200, 200, 200) > 20, c.FPS) << c.Options.size();
    EXPECT_EQ(EndWithSigterm("options"), 0);
  }
}

TEST_F(DaemonWindowTest, TheCrackleIsOffUnlessTheRunAsksForIt) {
  struct TCase {
    std::vector<std::string> Options;
    bool Sound;
  };
  // The stored setting is on (the default) in every case.
  const TCase cases[] = {{{}, false}, {{"--sound"}, true}, {{"--sound", "--no-sound"}, false}};
  for (const TCase& c : cases) {
    const std::string out = work.File("sound-" + std::to_string(&c - cases) + ".raw");
    environment = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", out}, {"SDL_DISKAUDIODELAY", "1"}};
    const Window parent = DaemonWindow();
    std::vector<std::string> args = {"-window-id", std::to_string(parent)};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    Start(args);
    WaitForFlame(parent, kHearth, kTopLeftCorner);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(EndWithSigterm("sound"), 0);
    const std::string written = std::filesystem::exists(out) ? ReadFile(out) : "";
    const bool sound = std::any_of(written.begin(), written.end(), [](char ch) { return ch != 0; });
    EXPECT_EQ(sound, c.Sound) << c.Options.size() << " options, " << written.size() << " bytes";
  }
}

TEST_F(DaemonWindowTest, AWindowThatIsNoWindowIsRefused) {
  struct TCase {
    std::vector<std::string> Args;
    const char* DaemonWindow;
    const char* Said;
  };
  const TCase cases[] = {
      {{"-root"}, "nonsense", "XSCREENSAVER_WINDOW needs a window id"},
      {{"-root"}, "0x", "XSCREENSAVER_WINDOW needs a window id"},
      {{"-window-id", "12abc"}, nullptr, "-window-id needs a window id"},
      // Well formed, but no window of the server.
      {{"-window-id", "0x7ffffff"}, nullptr, "0x7ffffff"},
  };
  errorFile = work.File("stderr");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args.back());
    std::filesystem::remove(errorFile);
    environment = {{"XSCREENSAVER_WINDOW", c.DaemonWindow ? c.DaemonWindow : ""}};
    Start(c.Args);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 1);
    EXPECT_NE(ReadFile(errorFile).find(c.Said), std::string::npos) << ReadFile(errorFile);
  }
}
