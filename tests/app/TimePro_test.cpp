#include "app/TimePro.h"

#include <gtest/gtest.h>

#include "app/AppPro.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

TEST(TimePro, SetElapsedDecomposes) {
  struct Case { uint32_t ms, days, hours, minutes, seconds, millis; };
  const Case cases[] = {
      {90061001, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0}, {86399999, 0, 23, 59, 59, 999},
      {4294967295u, 49, 17, 2, 47, 295},
  };
  for (const Case& c : cases) {
    TTime t;
    t.SetElapsed(c.ms);
    EXPECT_EQ(t.Elapsed, c.ms);
    EXPECT_EQ(t.Days, c.days);
    EXPECT_EQ(t.Hours, c.hours);
    EXPECT_EQ(t.Minutes, c.minutes);
    EXPECT_EQ(t.Seconds, c.seconds);
    EXPECT_EQ(t.Milliseconds, c.millis);
  }
  TTime t;
  t.SetElapsed(4294967295u);
  EXPECT_EQ(t.TotalSeconds(), 4294967.295L);
}

TEST(TimePro, TimerFollowsTheClockForwardOnly) {
  uint32_t now = 0xFFFFFF00u;  // close to the wrap of the system clock
  TTimerPro timer([&] { return now; });
  EXPECT_EQ(timer.GetTime().Elapsed, 0u);  // never started: zero time
  now += 500;
  EXPECT_EQ(timer.GetTime().Elapsed, 0u);
  timer.Start();
  now += 300;  // wraps
  EXPECT_EQ(timer.GetTime().Elapsed, 300u);
  now -= 100;  // a clock that steps back is re-based, elapsed stays
  EXPECT_EQ(timer.GetTime().Elapsed, 300u);
  now += 50;
  EXPECT_EQ(timer.GetTime().Elapsed, 350u);
  timer.Start();  // starting a running timer changes nothing
  EXPECT_EQ(timer.GetTime().Elapsed, 350u);
  EXPECT_EQ(timer.Period, 1);
}

TEST(TimePro, FrameRateReportRoundsAndFires) {
  // passes idle passes: the first at 0 starts the timer and counts as well,
  // the last at span, the others at 500 ms (before any report is due).
  struct Case { int passes; uint32_t span; int32_t reported; int fired; };
  const Case cases[] = {
      {1000, 1000, 1000, 1},  // 1000 passes in 1.0 s
      {3, 2000, 2, 1},        // 3 passes in 2.0 s: 1.5 -> 2
      {5, 2000, 2, 1},        // 5 passes in 2.0 s: 2.5 -> 2 (halves to even)
      {7, 2000, 4, 1},        // 3.5 -> 4
      {2, 2000, 1, 0},        // a first rate of 1 does not fire
      {3, 999, 1, 0},         // under one second: no report yet
  };
  for (const Case& c : cases) {
    TFakeServices services;
    TApplication app;
    uint32_t now = 1000;
    TCustomGraphicApplicationPro pro(nullptr);
    pro.TimerClock = [&] { return now; };
    int fired = 0;
    pro.OnFPSChanged = [&](TObject*) { ++fired; };
    bool done = false;
    pro.Idle(nullptr, done);  // starts the timer at 0
    for (int i = 1; i < c.passes; ++i) {
      now = 1000 + (i == c.passes - 1 ? c.span : 500);
      pro.Idle(nullptr, done);
    }
    EXPECT_EQ(pro.GetFPS(), c.reported) << c.passes << " in " << c.span;
    EXPECT_EQ(fired, c.fired) << c.passes << " in " << c.span;
    EXPECT_FALSE(done);
  }
}

TEST(TimePro, UnchangedRateDoesNotFireAgain) {
  TFakeServices services;
  TApplication app;
  uint32_t now = 0;
  TCustomGraphicApplicationPro pro(nullptr);
  pro.TimerClock = [&] { return now; };
  int fired = 0;
  pro.OnFPSChanged = [&](TObject*) { ++fired; };
  bool done = false;
  pro.Idle(nullptr, done);  // starts the timer
  std::vector<int> firedAfter;
  for (int second = 0; second < 4; ++second) {
    for (int i = 0; i < 10; ++i) {
      now += 100;
      pro.Idle(nullptr, done);
    }
    firedAfter.push_back(fired);
  }
  EXPECT_EQ(pro.GetFPS(), 10);
  EXPECT_EQ(firedAfter, (std::vector<int>{1, 2, 2, 2}));  // 11, then 10, then unchanged
}
