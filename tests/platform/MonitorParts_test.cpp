// A window's parts on the monitors: cut, moved into the window's pixels,
// mirrored monitors once, and a divided monitor's own entry left out.
#include "platform/MonitorParts.h"

#include <gtest/gtest.h>

#include <ostream>

namespace emberhall {
void PrintTo(const TMonitorRect& R, std::ostream* Out) {
  *Out << R.Width << "x" << R.Height << "+" << R.X << "+" << R.Y;
}
}  // namespace emberhall

using namespace emberhall;

namespace {

using TRects = std::vector<TMonitorRect>;

TEST(MonitorParts, CutsMovesAndSortsOutTheMonitorsOfAWindow) {
  struct TCase {
    const char* Name;
    TRects Monitors;
    TMonitorRect Window;
    TRects Parts;
  };
  const TMonitorRect screen{0, 0, 1280, 1024};
  const TCase cases[] = {
      {"no monitors reported", {}, screen, {}},
      {"one monitor, the whole screen", {screen}, screen, {screen}},
      {"two halves", {{0, 0, 640, 1024}, {640, 0, 640, 1024}}, screen, {{0, 0, 640, 1024}, {640, 0, 640, 1024}}},
      {"1280 + 640 beside each other, of unequal heights",
       {{0, 0, 1280, 1024}, {1280, 0, 640, 1080}},
       {0, 0, 1920, 1080},
       {{0, 0, 1280, 1024}, {1280, 0, 640, 1080}}},
      {"a small window on one monitor is the plain case",
       {{0, 0, 640, 1024}, {640, 0, 640, 1024}},
       {700, 100, 320, 240},
       {{0, 0, 320, 240}}},
      {"a window across the border, moved into its pixels",
       {{0, 0, 640, 1024}, {640, 0, 640, 1024}},
       {600, 100, 100, 50},
       {{0, 0, 40, 50}, {40, 0, 60, 50}}},
      {"a monitor that only touches the window is left out",
       {{0, 0, 640, 1024}, {640, 0, 640, 1024}},
       {0, 0, 640, 1024},
       {{0, 0, 640, 1024}}},
      {"mirrored monitors show one part", {screen, screen}, screen, {screen}},
      {"a divided monitor keeping its own entry is left out",
       {{0, 0, 640, 1024}, {640, 0, 640, 1024}, screen},
       screen,
       {{0, 0, 640, 1024}, {640, 0, 640, 1024}}},
      {"a monitor with a smaller one inside that does not cover it stays",
       {screen, {0, 0, 640, 480}},
       screen,
       {screen, {0, 0, 640, 480}}},
      {"a monitor of no size is none", {{0, 0, 0, 1024}, screen}, screen, {screen}},
      {"rectangles near the ends of int do not overflow",
       {{2147483000, 0, 2000, 100}, screen},
       screen,
       {screen}},
  };
  for (const TCase& c : cases) EXPECT_EQ(MonitorPartsOfWindow(c.Monitors, c.Window), c.Parts) << c.Name;
}

TEST(MonitorParts, AFloodOfMonitorsIsCutShort) {
  TRects many(100000, TMonitorRect{0, 0, 10, 10});
  for (int i = 0; i < 100000; ++i) many[i].X = i;
  const TRects parts = MonitorPartsOfWindow(many, {0, 0, 200000, 10});
  EXPECT_EQ(parts.size(), 64u);
}

}  // namespace
