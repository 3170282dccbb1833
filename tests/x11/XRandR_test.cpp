// Switching the real screen of the test script's Xvfb. Everything that
// switches sits in this one test, so no other test sees the screen change.
#include <gtest/gtest.h>
// Xlib after gtest: its macros clash with gtest's names.
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/x11/XRandRDisplaySettings.h"
#include "support/TestSupport.h"
#include "x11/ExtraMode.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

std::string Shell(const std::string& command) { return RunCommand(command).Output; }

// Starts the helper switching to 640 x 400; returns once it has switched.
pid_t StartSwitched(int seconds) {
  std::string said;
  pid_t pid = StartHelper({"switch", "640", "400", std::to_string(seconds)}, said);
  EXPECT_EQ(said, "switched\n");
  return pid;
}

// The screen's size as the server reports it (without any recovery).
TVideoMode ScreenNow() {
  Display* d = XOpenDisplay(nullptr);
  Window root;
  int x, y;
  unsigned w = 0, h = 0, border, depth;
  XGetGeometry(d, DefaultRootWindow(d), &root, &x, &y, &w, &h, &border, &depth);
  XCloseDisplay(d);
  return {static_cast<int32_t>(w), static_cast<int32_t>(h), 32};
}

}  // namespace

TEST(XRandR, SwitchRestoreAndRecoverOnTheRealScreen) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "needs the test script's Xvfb";
  TTempDir runtime;
  setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  TExtraMode extra("emberhall_test_640x400", "25.00 640 656 752 800 400 409 411 421 -hsync +vsync");
  TXRandRDisplaySettings settings;
  const TVideoMode desktop = settings.DesktopMode();
  ASSERT_GT(desktop.Width, 640);
  EXPECT_EQ(desktop.BitsPerPixel, 32);  // a 24-bit screen stores 32 bits per pixel
  const TVideoMode small{640, 400, desktop.BitsPerPixel};
  const std::string record = TXRandRDisplaySettings::RecordFileName(display);

  // The list holds the harness's mode; impossible or other-depth modes are refused.
  std::vector<TVideoMode> modes = settings.ListModes();
  EXPECT_NE(std::find(modes.begin(), modes.end(), small), modes.end());
  EXPECT_TRUE(settings.TestMode(small));
  EXPECT_FALSE(settings.TestMode({42, 37, 8}));
  EXPECT_FALSE(settings.TestMode({640, 400, 16}));

  // A link where older builds put their fixed temporary file is not written
  // through, and a killed writer's temporary is removed with it.
  TTempDir home;
  WriteFile(home.File("precious"), "keep me");
  ASSERT_EQ(symlink(home.File("precious").c_str(), (record + ".new").c_str()), 0);
  WriteFile(runtime.File(".emberhall-display" + std::string(display) + ".record.Ab12Cd"), "pid=1\n");

  // Switch and restore in this process.
  ASSERT_TRUE(settings.ChangeMode(small));
  EXPECT_EQ(ScreenNow(), small);
  EXPECT_TRUE(std::filesystem::exists(record));
  settings.RestoreMode();
  EXPECT_EQ(ScreenNow(), desktop);
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_EQ(ReadFile(home.File("precious")), "keep me");
  EXPECT_TRUE(std::filesystem::is_empty(runtime.Path()));

  // A switching program forbidden to switch is refused.
  settings.SetSwitchingAllowed(false);
  EXPECT_FALSE(settings.ChangeMode(small));
  EXPECT_EQ(ScreenNow(), desktop);

  // SIGTERM ends the run in order: the screen comes back.
  pid_t pid = StartSwitched(30);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(ScreenNow(), small);
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ScreenNow(), desktop);
  EXPECT_FALSE(std::filesystem::exists(record));

  // Killed while switched: the record stays, and the next start puts the screen back.
  pid = StartSwitched(30);
  ASSERT_GT(pid, 0);
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  EXPECT_EQ(ScreenNow(), small);
  EXPECT_TRUE(std::filesystem::exists(record));
  EXPECT_EQ(Shell(std::string(EMBERHALL_TEST_HELPER) + " recover"), "restored\n");
  EXPECT_EQ(ScreenNow(), desktop);
  EXPECT_FALSE(std::filesystem::exists(record));

  // A record that does not match the screen is discarded with a message.
  WriteFile(record, "pid=1\nprogram=/nonexistent\noutput=nosuch\ncrtc=99\nmode=1\nposition=0 0\nrotation=1\n"
                    "outputs=1\nscreen=800 600 0 0\nswitched=5\n");
  std::string said = Shell(std::string(EMBERHALL_TEST_HELPER) + " recover");
  EXPECT_NE(said.find("no longer matches the screen"), std::string::npos) << said;
  EXPECT_NE(said.find("nothing"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_EQ(ScreenNow(), desktop);
  unsetenv("XDG_RUNTIME_DIR");
}
