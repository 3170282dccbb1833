// The local time and the time formatting conventions of a Windows locale
// (the user's by default), read from the locale's own pictures.
#pragma once

#include <string>

#include "platform/ClockLocale.h"

namespace emberhall {

class TWin32ClockLocale : public IClockLocale {
 public:
  // "" is the user's locale; otherwise a locale name such as "de-DE". A name
  // that the system does not know falls back to the invariant locale.
  explicit TWin32ClockLocale(const std::string& LocaleName = "");

  // False when the name was not known and the invariant locale is used.
  bool Known() const { return FKnown; }

  TLocalTime Now() override;
  std::string TimeSeparator() override { return FTimeSeparator; }
  std::string DateSeparator() override { return FDateSeparator; }
  std::array<std::string, 7> ShortDayNames() override { return FDayNames; }

 private:
  bool FKnown = false;
  std::string FTimeSeparator = ":";
  std::string FDateSeparator = "/";
  std::array<std::string, 7> FDayNames;
};

// The literal text between two adjacent fields of a Windows date or time
// picture ("HH:mm:ss", "dd.MM.yyyy", "H' h 'mm"): the fields are runs of the
// letters First and Second (either order; 'H' also matches 'h'), quoted text
// is literal. Empty when the picture has no such pair or the text between
// them is empty or holds a digit.
std::string PictureSeparator(const std::string& Picture, char First, char Second);

}  // namespace emberhall
