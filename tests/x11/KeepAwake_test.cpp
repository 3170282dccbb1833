// The keep-awake request against the real server of the test script's Xvfb:
// with a 1 s screen-saver timeout the server's saver turns on after 2 s of
// idleness, unless the request is in force.
#include <gtest/gtest.h>
// Xlib after gtest: its macros clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/x11/X11KeepAwake.h"

using namespace emberhall;

namespace {

int SaverStateAfterIdle(Display* d) {
  XResetScreenSaver(d);
  XSync(d, False);
  sleep(2);
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  XScreenSaverQueryInfo(d, DefaultRootWindow(d), info);
  int state = info->state;
  XFree(info);
  return state;
}

}  // namespace

TEST(KeepAwake, SuspendsTheServersSaverWhileRequested) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "needs the test script's Xvfb";
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  int timeout, interval, blanking, exposures;
  XGetScreenSaver(d, &timeout, &interval, &blanking, &exposures);
  XSetScreenSaver(d, 1, 0, DontPreferBlanking, AllowExposures);
  {
    TX11KeepAwake keepAwake;
    keepAwake.SetExecutionState(true, false);
    EXPECT_TRUE(keepAwake.Suspended());
    EXPECT_EQ(SaverStateAfterIdle(d), ScreenSaverOff);
    keepAwake.SetExecutionState(false, false);
    EXPECT_EQ(SaverStateAfterIdle(d), ScreenSaverOn);
    keepAwake.SetExecutionState(true, false);
  }  // a request still in force ends with the object
  EXPECT_EQ(SaverStateAfterIdle(d), ScreenSaverOn);
  XSetScreenSaver(d, timeout, interval, blanking, exposures);
  XResetScreenSaver(d);
  XCloseDisplay(d);
}
