// The clock's locale on Windows: separators found in the locale's time and
// date pictures, the weekday names Sunday first, and the local time.
#include "platform/win32/Win32ClockLocale.h"

#include <gtest/gtest.h>

#include "platform/win32/Win32.h"

namespace emberhall {
namespace {

TEST(Win32ClockLocale, SeparatorsComeFromThePictures) {
  const struct {
    const char* Picture;
    char First, Second;
    const char* Separator;
  } cases[] = {
      {"HH:mm:ss", 'H', 'm', ":"},
      {"h:mm:ss tt", 'H', 'm', ":"},
      {"tt hh.mm.ss", 'H', 'm', "."},
      {"H' h 'mm", 'H', 'm', " h "},
      {"'It''s' HH:mm", 'H', 'm', ":"},
      {"HH'h'mm", 'H', 'm', "h"},
      {"HHmm", 'H', 'm', ""},
      {"H'1'mm", 'H', 'm', ""},
      {"ss:HH", 'H', 'm', ""},
      {"dd.MM.yyyy", 'M', 'd', "."},
      {"yyyy-MM-dd", 'M', 'd', "-"},
      {"M/d/yyyy", 'M', 'd', "/"},
      {"d. M. yyyy", 'M', 'd', ". "},
      {"yyyy'\xE5\xB9\xB4'M'\xE6\x9C\x88'd'\xE6\x97\xA5'", 'M', 'd', "\xE6\x9C\x88"},
      {"yyyy/dd", 'M', 'd', ""},
      {"", 'M', 'd', ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PictureSeparator(c.Picture, c.First, c.Second), c.Separator) << c.Picture;
}

// Windows numbers the days from Monday; the names come out Sunday first.
TEST(Win32ClockLocale, NamedLocales) {
  const struct {
    const char* Name;
    const char *Time, *Date, *Sunday, *Monday, *Saturday;
  } cases[] = {
      {"en-US", ":", "/", "Sun", "Mon", "Sat"},
      {"de-DE", ":", ".", "So", "Mo", "Sa"},
  };
  for (const auto& c : cases) {
    TWin32ClockLocale locale(c.Name);
    EXPECT_TRUE(locale.Known()) << c.Name;
    EXPECT_EQ(locale.TimeSeparator(), c.Time) << c.Name;
    EXPECT_EQ(locale.DateSeparator(), c.Date) << c.Name;
    const auto days = locale.ShortDayNames();
    // Some locale data writes a period after the abbreviation.
    EXPECT_EQ(days[0].rfind(c.Sunday, 0), 0u) << c.Name << ": " << days[0];
    EXPECT_EQ(days[1].rfind(c.Monday, 0), 0u) << c.Name << ": " << days[1];
    EXPECT_EQ(days[6].rfind(c.Saturday, 0), 0u) << c.Name << ": " << days[6];
  }
  TWin32ClockLocale unknown("xx-NOWHERE");
  EXPECT_FALSE(unknown.Known());
  EXPECT_EQ(unknown.ShortDayNames()[0], "Sun");
}

TEST(Win32ClockLocale, TheUsersLocaleAndTime) {
  TWin32ClockLocale locale;
  EXPECT_TRUE(locale.Known());
  EXPECT_FALSE(locale.TimeSeparator().empty());
  EXPECT_FALSE(locale.DateSeparator().empty());
  const auto days = locale.ShortDayNames();
  for (int i = 0; i < 7; ++i) {
    EXPECT_FALSE(days[i].empty()) << i;
    for (int j = 0; j < i; ++j) EXPECT_NE(days[i], days[j]) << i << " " << j;
  }
  SYSTEMTIME before{}, after{};
  GetLocalTime(&before);
  const TLocalTime now = locale.Now();
  GetLocalTime(&after);
  auto seconds = [](int Day, int H, int M, int S) { return ((Day * 24 + H) * 60 + M) * 60 + S; };
  const int n = seconds(now.Day, now.Hour, now.Minute, now.Second);
  EXPECT_GE(n, seconds(before.wDay, before.wHour, before.wMinute, before.wSecond));
  EXPECT_LE(n, seconds(after.wDay, after.wHour, after.wMinute, after.wSecond));
  EXPECT_TRUE(now.WeekDay == before.wDayOfWeek || now.WeekDay == after.wDayOfWeek);
  EXPECT_TRUE(now.Year == before.wYear || now.Year == after.wYear);
  EXPECT_TRUE(now.Month == before.wMonth || now.Month == after.wMonth);
}

}  // namespace
}  // namespace emberhall
