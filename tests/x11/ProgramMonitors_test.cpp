// The built program full screen (and on the root window, as a daemon's
// -root) on a screen that XRandR divides into monitors: each monitor shows a whole fireplace of its own, the flame in its
// middle. The monitors are defined with xrandr, on the test script's Xvfb
// (1280 x 1024 in two halves) and on a private 1920 x 1080 Xvfb (1280 + 640).
#include "x11/ProgramFixture.h"
#include "x11/ScreenPicture.h"

#include <poll.h>

#include <cstdio>

using namespace emberhall;
using namespace emberhall::test;

namespace {

struct TMonitor {
  const char* Name;
  int X, Width;  // all as high as the screen
};

class ProgramMonitorsTest : public ProgramTest {
 protected:
  void TearDown() override {
    // Whatever happened: the shared screen must not keep these monitors.
    for (const std::string& name : defined) Xrandr("--delmonitor " + name);
    ProgramTest::TearDown();
    if (server > 0) {
      kill(server, SIGTERM);
      waitpid(server, nullptr, 0);
    }
  }
  bool Xrandr(const std::string& Args) {
    const std::string command = "DISPLAY=" + displayName + " xrandr " + Args + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
  // Divides the screen into monitors side by side. The first takes over the
  // screen's output ("screen" on Xvfb), so that XRandR reports the new ones only.
  void DefineMonitors(const std::vector<TMonitor>& Monitors, int Height) {
    for (size_t i = 0; i < Monitors.size(); ++i) {
      const TMonitor& m = Monitors[i];
      // Sizes in millimetres at about 96 dots per inch.
      const std::string geometry = std::to_string(m.Width) + "/" + std::to_string(m.Width * 254 / 960) + "x" +
                                   std::to_string(Height) + "/" + std::to_string(Height * 254 / 960) + "+" +
                                   std::to_string(m.X) + "+0";
      ASSERT_TRUE(Xrandr("--setmonitor " + std::string(m.Name) + " " + geometry + (i == 0 ? " screen" : " none")))
          << m.Name;
      defined.push_back(m.Name);
    }
  }
  // Starts an Xvfb of its own with a screen of that size; the program and the
  // probe use it from here on.
  void UsePrivateServer(int Width, int Height) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    server = fork();
    if (server == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]), screen = std::to_string(Width) + "x" + std::to_string(Height) + "x24";
      if (!freopen("/dev/null", "w", stderr)) _exit(126);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
             screen.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    displayName = ":" + number;
    environment.push_back({"DISPLAY", displayName});
    XCloseDisplay(probe);
    probe = XOpenDisplay(displayName.c_str());
    ASSERT_NE(probe, nullptr);
  }
  // A full-screen run (or a daemon's -root run on the root window), read back
  // once the flame burns on every monitor.
  TPicture BurningPicture(const std::vector<TMonitor>& Monitors, const std::string& Name, bool Root = false) {
    if (Root) {
      environment.push_back({"XSCREENSAVER_WINDOW", ""});
      Start({"-root"});
    } else {
      Start({"/s"});
      EXPECT_TRUE(WaitFullScreen());
    }
    TPicture p;
    for (int i = 0; i < 80; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      p = GrabWindow(probe, DefaultRootWindow(probe));
      bool burning = true;
      for (const TMonitor& m : Monitors) burning = burning && CountAtLeast(p, Hearth(m, p.H), 200, 120, 0) > 400;
      if (burning) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    p = GrabWindow(probe, DefaultRootWindow(probe));
    Save(p, Name);
    if (Root)
      Signal(SIGTERM);
    else
      Press(XK_space);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 0);
    return p;
  }
  // Where the flame burns in a monitor's picture: the middle 160 pixels
  // across, and from 0.6 to 0.78 of the height (as on the whole 1280 x 1024
  // screen).
  static TRect Hearth(const TMonitor& M, int Height) {
    const int middle = M.X + M.Width / 2;
    return {middle - 80, Height * 605 / 1000, middle + 80, Height * 780 / 1000};
  }
  // Each monitor shows the firebox whole: the bright flame in its middle, no
  // flame in its outer quarters, the box's dark edges at its own left and
  // right borders with the lit wall just inside them.
  void ExpectAFireplaceOnEach(const TPicture& P, const std::vector<TMonitor>& Monitors) {
    for (const TMonitor& m : Monitors) {
      SCOPED_TRACE(m.Name);
      const TRect hearth = Hearth(m, P.H);
      EXPECT_GT(CountAtLeast(P, hearth, 200, 120, 0), 400) << "a bright flame in the middle";
      const int x0 = m.X, x1 = m.X + m.Width, w = m.Width, y0 = P.H / 2, y1 = P.H * 8 / 10;
      EXPECT_EQ(CountAtLeast(P, {x0 + w / 8, y0, x0 + w / 4, y1}, 200, 120, 0), 0) << "no flame on the left";
      EXPECT_EQ(CountAtLeast(P, {x1 - w / 4, y0, x1 - w / 8, y1}, 200, 120, 0), 0) << "no flame on the right";
      const int edge = w / 64, top = P.H / 5, bottom = P.H * 8 / 10;
      EXPECT_LT(Brightness(P, {x0 + 1, top, x0 + edge, bottom}), 10) << "the box's left edge";
      EXPECT_LT(Brightness(P, {x1 - edge, top, x1 - 1, bottom}), 10) << "the box's right edge";
      EXPECT_GT(Brightness(P, {x0 + w / 16, top, x0 + w / 8, bottom}), 25) << "the wall inside the left edge";
      EXPECT_GT(Brightness(P, {x1 - w / 8, top, x1 - w / 16, bottom}), 25) << "the wall inside the right edge";
    }
  }

  std::string displayName = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  std::vector<std::string> defined;
  pid_t server = -1;
};

TEST_F(ProgramMonitorsTest, TwoHalvesOfTheScreenShowAFireplaceEach) {
  const std::vector<TMonitor> monitors{{"left", 0, 640}, {"right", 640, 640}};
  DefineMonitors(monitors, 1024);
  for (const bool root : {false, true}) {
    SCOPED_TRACE(root ? "-root on the root window" : "/s");
    const TPicture p = BurningPicture(monitors, root ? "program-monitors-root" : "program-monitors-halves", root);
    ASSERT_EQ(p.W, 1280);
    ExpectAFireplaceOnEach(p, monitors);
    // The middle of the screen is the border between two fireboxes, not a flame.
    EXPECT_EQ(CountAtLeast(p, {620, 605, 660, 780}, 200, 120, 0), 0);
  }
}

TEST_F(ProgramMonitorsTest, AWideScreenOfTwoUnequalMonitorsShowsAFireplaceOnEach) {
  UsePrivateServer(1920, 1080);
  const std::vector<TMonitor> monitors{{"wide", 0, 1280}, {"narrow", 1280, 640}};
  DefineMonitors(monitors, 1080);
  const TPicture p = BurningPicture(monitors, "program-monitors-1280-640");
  ASSERT_EQ(p.W, 1920);
  ExpectAFireplaceOnEach(p, monitors);
}

}  // namespace
