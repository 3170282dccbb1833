// A clock and calendar that a test sets, with the names and separators of
// the C locale unless the test changes them.
#pragma once

#include "platform/ClockLocale.h"

namespace emberhall::test {

class TFakeClockLocale : public IClockLocale {
 public:
  TLocalTime Time;
  std::string TimeSep = ":", DateSep = "/";
  std::array<std::string, 7> Names{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

  TLocalTime Now() override { return Time; }
  std::string TimeSeparator() override { return TimeSep; }
  std::string DateSeparator() override { return DateSep; }
  std::array<std::string, 7> ShortDayNames() override { return Names; }

  void Set(int Hour, int Minute, int Month = 12, int Day = 9, int WeekDay = 3) {
    Time.Hour = Hour;
    Time.Minute = Minute;
    Time.Month = Month;
    Time.Day = Day;
    Time.WeekDay = WeekDay;
  }
};

}  // namespace emberhall::test
