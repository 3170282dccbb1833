// The local time and the time formatting conventions of a locale, through
// the C library (the user's LC_TIME by default).
#pragma once

#include <string>

#include "platform/ClockLocale.h"

namespace emberhall {

class TPosixClockLocale : public IClockLocale {
 public:
  // "" is the user's locale (LC_ALL, LC_TIME or LANG); a name that the
  // system does not know falls back to "C".
  explicit TPosixClockLocale(const std::string& LocaleName = "");
  ~TPosixClockLocale() override;
  TPosixClockLocale(const TPosixClockLocale&) = delete;
  TPosixClockLocale& operator=(const TPosixClockLocale&) = delete;

  // False when the name was not known and "C" is used instead.
  bool Known() const { return FKnown; }

  TLocalTime Now() override;
  std::string TimeSeparator() override { return FTimeSeparator; }
  std::string DateSeparator() override { return FDateSeparator; }
  std::array<std::string, 7> ShortDayNames() override { return FDayNames; }

 private:
  void* FLocale = nullptr;  // a locale_t
  bool FKnown = false;
  std::string FTimeSeparator = ":";
  std::string FDateSeparator = "/";
  std::array<std::string, 7> FDayNames;
};

}  // namespace emberhall
