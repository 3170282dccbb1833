#include "app/TimePro.h"

#include "platform/Paths.h"

namespace emberhall {

void TTime::SetElapsed(uint32_t M) {
  Elapsed = M;
  Days = M / 86400000u;
  uint32_t r1 = M % 86400000u;
  Hours = r1 / 3600000u;
  uint32_t r2 = r1 % 3600000u;
  Minutes = r2 / 60000u;
  uint32_t r3 = r2 % 60000u;
  Seconds = r3 / 1000u;
  Milliseconds = r3 % 1000u;
}

void TTime::Clear() { *this = TTime(); }

TTimerPro::TTimerPro(TMillisecondClock Clock) : FClock(Clock ? std::move(Clock) : TMillisecondClock(MonotonicMilliseconds)) {
  Period = 1;
}

void TTimerPro::Start() {
  if (!Running) {
    LastTick = FClock();
    ElapsedTime.Clear();
  }
  Running = true;
}

TTime& TTimerPro::GetTime() {
  if (Running) {
    uint32_t now = FClock();
    int32_t d = static_cast<int32_t>(now - LastTick);
    if (d > 0) ElapsedTime.SetElapsed(ElapsedTime.Elapsed + static_cast<uint32_t>(d));
    LastTick = now;
  }
  return ElapsedTime;
}

}  // namespace emberhall
