// The millisecond timer that every time-dependent part of the program reads.
#pragma once

#include <cstdint>
#include <functional>

namespace emberhall {

struct TTime {
  uint32_t Elapsed = 0;  // milliseconds since the timer started
  uint32_t Milliseconds = 0, Seconds = 0, Minutes = 0, Hours = 0, Days = 0;

  void SetElapsed(uint32_t M);
  void Clear();
  long double TotalSeconds() const { return static_cast<long double>(Elapsed) / 1000.0L; }
};

// A source of milliseconds that wraps at 2^32.
using TMillisecondClock = std::function<uint32_t()>;

class TTimerPro {
 public:
  // The system's monotonic clock unless another is given (tests).
  explicit TTimerPro(TMillisecondClock Clock = {});
  ~TTimerPro() = default;

  void Start();
  // Advances by the clock's forward steps and returns the elapsed time.
  TTime& GetTime();

  TTime ElapsedTime;
  uint32_t LastTick = 0;
  bool Running = false;
  // The timer resolution asked for, in milliseconds. The monotonic clock
  // needs no request on this platform, so it is always 1.
  int32_t Period = -1;

 private:
  TMillisecondClock FClock;
};

}  // namespace emberhall
