// The local time and the user's formatting conventions for it, as the scene
// clock needs them: the time and date separators and the abbreviated
// weekday names of the user's locale.
#pragma once

#include <array>
#include <string>

namespace emberhall {

struct TLocalTime {
  int Year = 1970;
  int Month = 1;    // 1..12
  int Day = 1;      // 1..31
  int WeekDay = 4;  // 0 Sunday .. 6 Saturday
  int Hour = 0;     // 0..23
  int Minute = 0;
  int Second = 0;
};

class IClockLocale {
 public:
  virtual ~IClockLocale() = default;
  virtual TLocalTime Now() = 0;
  // The separator the locale writes between hours and minutes, and between
  // the parts of a date (may be more than one byte in a UTF-8 locale).
  virtual std::string TimeSeparator() = 0;
  virtual std::string DateSeparator() = 0;
  // The abbreviated weekday names, Sunday first.
  virtual std::array<std::string, 7> ShortDayNames() = 0;
};

}  // namespace emberhall
