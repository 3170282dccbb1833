#include "platform/posix/PosixClockLocale.h"

#include <locale.h>
#include <time.h>

#include <cctype>

namespace emberhall {

namespace {

std::string Format(locale_t Locale, const char* Pattern, const tm& Time) {
  char text[128];
  const size_t n = strftime_l(text, sizeof text, Pattern, &Time, Locale);
  return std::string(text, n);
}

// The text between the first of two numbers and the second in a formatted
// sample ("13:45:56" gives ":" between "13" and "45"); Fallback when the
// sample does not show both or shows nothing between them.
std::string Between(const std::string& Sample, const std::string& First, const std::string& Second,
                    const std::string& Fallback) {
  size_t a = Sample.find(First), b = Sample.find(Second);
  if (a == std::string::npos || b == std::string::npos) return Fallback;
  if (b < a) std::swap(a, b);
  a += 2;
  if (b <= a) return Fallback;
  std::string sep = Sample.substr(a, b - a);
  // A separator is punctuation or a word sign, never a digit.
  for (char c : sep)
    if (std::isdigit(static_cast<unsigned char>(c))) return Fallback;
  return sep;
}

}  // namespace

TPosixClockLocale::TPosixClockLocale(const std::string& LocaleName) {
  locale_t loc = newlocale(LC_TIME_MASK, LocaleName.c_str(), static_cast<locale_t>(0));
  FKnown = loc != static_cast<locale_t>(0);
  if (!FKnown) loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  FLocale = loc;
  tm sample{};
  sample.tm_year = 133;  // 2033-11-22, a Tuesday, 13:45:56
  sample.tm_mon = 10;
  sample.tm_mday = 22;
  sample.tm_hour = 13;
  sample.tm_min = 45;
  sample.tm_sec = 56;
  sample.tm_wday = 2;
  // A locale whose "%X" writes 12-hour time shows the hour as "01".
  const std::string time = Format(loc, "%X", sample);
  FTimeSeparator = Between(time, time.find("13") != std::string::npos ? "13" : "01", "45", ":");
  FDateSeparator = Between(Format(loc, "%x", sample), "11", "22", "/");
  for (int day = 0; day < 7; ++day) {
    tm t{};
    t.tm_wday = day;
    FDayNames[day] = Format(loc, "%a", t);
  }
}

TPosixClockLocale::~TPosixClockLocale() {
  if (FLocale) freelocale(static_cast<locale_t>(FLocale));
}

TLocalTime TPosixClockLocale::Now() {
  const time_t now = time(nullptr);
  tm t{};
  localtime_r(&now, &t);
  TLocalTime r;
  r.Year = t.tm_year + 1900;
  r.Month = t.tm_mon + 1;
  r.Day = t.tm_mday;
  r.WeekDay = t.tm_wday;
  r.Hour = t.tm_hour;
  r.Minute = t.tm_min;
  r.Second = t.tm_sec;
  return r;
}

}  // namespace emberhall
