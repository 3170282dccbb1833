// When the next frame is due: frames follow a fixed grid of slots on the
// frame timer's clock (slot n at start + n / limit seconds), so the pace does
// not drift; a late frame skips the slots it missed instead of bursting.
#pragma once

#include <cstdint>

namespace emberhall {

class TFramePacer {
 public:
  // Frames per second the pacer allows at most; the clock's milliseconds
  // cannot tell more apart.
  static constexpr int32_t MaxLimit = 1000;

  // Frames per second; 0 (or less) lets every frame through. A new limit
  // starts a new grid at the next reading.
  void SetLimit(int32_t FramesPerSecond);
  int32_t Limit() const { return FLimit; }

  // True when a frame may be drawn at Now (timer milliseconds, wrapping at
  // 2^32); the caller then draws it and calls FrameStarted with the same Now.
  bool FrameDue(uint32_t Now);
  void FrameStarted(uint32_t Now);
  // Milliseconds from Now until the next frame is due; 0 when it is due.
  uint32_t MillisecondsToNextFrame(uint32_t Now);

 private:
  uint64_t Unwrap(uint32_t Now);
  uint64_t DueTime() const;

  int32_t FLimit = 0;
  bool FStarted = false;  // the grid has its start
  uint64_t FStart = 0;    // unwrapped milliseconds of slot 0
  uint64_t FSlot = 0;     // the slot the next frame waits for
  uint32_t FLastReading = 0;
  uint64_t FClock = 0;    // the readings, unwrapped
};

}  // namespace emberhall
