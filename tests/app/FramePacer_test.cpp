#include "app/FramePacer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace emberhall;

namespace {

// Readings of a fake clock, one per loop pass; a frame is drawn at every
// reading that is due. Returns the readings at which frames were drawn.
std::vector<uint32_t> FramesAt(TFramePacer& pacer, const std::vector<uint32_t>& readings) {
  std::vector<uint32_t> drawn;
  for (uint32_t now : readings) {
    if (!pacer.FrameDue(now)) continue;
    pacer.FrameStarted(now);
    drawn.push_back(now);
  }
  return drawn;
}

std::vector<uint32_t> EveryMillisecond(uint32_t from, uint32_t to) {
  std::vector<uint32_t> r;
  for (uint32_t t = from; t != to; ++t) r.push_back(t);
  return r;
}

}  // namespace

TEST(FramePacer, FramesFollowTheGridWithoutDrift) {
  struct Case {
    int32_t limit;
    std::vector<uint32_t> readings;
    std::vector<uint32_t> frames;
  };
  const Case cases[] = {
      // 60 per second: slots at the first millisecond at or after n / 60 s.
      {60, EveryMillisecond(0, 70), {0, 17, 34, 50, 67}},
      // Polled late: each frame comes at the first reading after its slot.
      {60, {0, 10, 20, 30, 40, 50, 60}, {0, 20, 40, 50}},
      // A frame that took 100 ms skips the missed slots instead of bursting.
      {60, {0, 100, 101, 110, 116, 117, 118}, {0, 100, 117}},
      {30, EveryMillisecond(0, 101), {0, 34, 67, 100}},
      // Across the clock's wrap.
      {50, EveryMillisecond(0xFFFFFFF0u, 0x30u), {0xFFFFFFF0u, 0x04u, 0x18u, 0x2Cu}},
      // No limit: every reading draws.
      {0, {5, 5, 6, 7}, {5, 5, 6, 7}},
      // Limits above what milliseconds can tell apart draw once per millisecond.
      {5000, {0, 0, 1, 1, 2}, {0, 1, 2}},
  };
  for (const Case& c : cases) {
    TFramePacer pacer;
    pacer.SetLimit(c.limit);
    EXPECT_EQ(FramesAt(pacer, c.readings), c.frames) << "limit " << c.limit;
  }
}

TEST(FramePacer, SixtyFramesTakeOneSecondAndTheWaitEndsAtTheSlot) {
  TFramePacer pacer;
  pacer.SetLimit(60);
  const std::vector<uint32_t> frames = FramesAt(pacer, EveryMillisecond(1000, 2001));
  ASSERT_EQ(frames.size(), 61u);
  EXPECT_EQ(frames[60], 2000u);  // no drift over a second
  // The wait the loop is given: up to the slot, never past it.
  TFramePacer p;
  p.SetLimit(60);
  ASSERT_TRUE(p.FrameDue(0));
  p.FrameStarted(0);
  struct Wait { uint32_t now, ms; };
  for (const Wait& w : {Wait{0, 17}, Wait{5, 12}, Wait{16, 1}, Wait{17, 0}, Wait{40, 0}}) {
    EXPECT_EQ(p.MillisecondsToNextFrame(w.now), w.ms) << w.now;
    EXPECT_EQ(p.FrameDue(w.now), w.ms == 0) << w.now;
  }
  // A new limit starts a new grid at once.
  p.SetLimit(10);
  EXPECT_TRUE(p.FrameDue(41));
  p.FrameStarted(41);
  EXPECT_EQ(p.MillisecondsToNextFrame(41), 100u);
}
