#include "app/FramePacer.h"

#include <algorithm>

namespace emberhall {

void TFramePacer::SetLimit(int32_t FramesPerSecond) {
  const int32_t limit = std::clamp(FramesPerSecond, 0, MaxLimit);
  if (limit == FLimit) return;
  FLimit = limit;
  FStarted = false;
}

uint64_t TFramePacer::Unwrap(uint32_t Now) {
  FClock += static_cast<uint32_t>(Now - FLastReading);
  FLastReading = Now;
  if (!FStarted) {
    FStarted = true;
    FStart = FClock;
    FSlot = 0;
  }
  return FClock;
}

// Slot n is due at the first whole millisecond at or after start + n * 1000 / limit.
uint64_t TFramePacer::DueTime() const { return FStart + (FSlot * 1000 + FLimit - 1) / FLimit; }

bool TFramePacer::FrameDue(uint32_t Now) {
  if (FLimit <= 0) return true;
  return Unwrap(Now) >= DueTime();
}

void TFramePacer::FrameStarted(uint32_t Now) {
  if (FLimit <= 0) return;
  const uint64_t now = Unwrap(Now);
  // The first slot after the one Now falls in; slots missed are skipped.
  FSlot = (now - FStart) * FLimit / 1000 + 1;
}

uint32_t TFramePacer::MillisecondsToNextFrame(uint32_t Now) {
  if (FLimit <= 0) return 0;
  const uint64_t now = Unwrap(Now);
  const uint64_t due = DueTime();
  return due > now ? static_cast<uint32_t>(due - now) : 0;
}

}  // namespace emberhall
