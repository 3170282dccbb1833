#include "platform/win32/Win32ClockLocale.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

// One value of the locale as UTF-8; empty when the locale has none.
std::string LocaleText(const wchar_t* Locale, LCTYPE Type) {
  wchar_t text[128];
  const int n = GetLocaleInfoEx(Locale, Type, text, static_cast<int>(std::size(text)));
  return n > 1 ? Utf8Of(std::wstring(text, static_cast<size_t>(n - 1))) : std::string();
}

bool IsPictureLetter(char C) { return C != '\0' && std::strchr("dMyghHmst", C) != nullptr; }
char FieldKind(char C) { return C == 'h' ? 'H' : C; }

struct TPicturePart {
  char Field = 0;  // the picture letter, or 0 for literal text
  std::string Text;
};

std::vector<TPicturePart> PictureParts(const std::string& Picture) {
  std::vector<TPicturePart> parts;
  auto literal = [&]() -> std::string& {
    if (parts.empty() || parts.back().Field != 0) parts.push_back({});
    return parts.back().Text;
  };
  for (size_t i = 0; i < Picture.size();) {
    const char c = Picture[i];
    if (c == '\'') {
      std::string& text = literal();
      // Quoted text up to the closing quote; two quotes inside stand for one.
      for (++i; i < Picture.size(); ++i) {
        if (Picture[i] != '\'') {
          text += Picture[i];
        } else if (i + 1 < Picture.size() && Picture[i + 1] == '\'') {
          text += '\'';
          ++i;
        } else {
          break;
        }
      }
      ++i;
    } else if (IsPictureLetter(c)) {
      size_t end = i;
      while (end < Picture.size() && Picture[end] == c) ++end;
      parts.push_back({c, Picture.substr(i, end - i)});
      i = end;
    } else {
      literal() += c;
      ++i;
    }
  }
  return parts;
}

}  // namespace

std::string PictureSeparator(const std::string& Picture, char First, char Second) {
  const std::vector<TPicturePart> parts = PictureParts(Picture);
  First = FieldKind(First);
  Second = FieldKind(Second);
  for (size_t i = 0; i + 2 < parts.size(); ++i) {
    const char a = FieldKind(parts[i].Field), b = FieldKind(parts[i + 2].Field);
    if (a == 0 || parts[i + 1].Field != 0 || !((a == First && b == Second) || (a == Second && b == First))) continue;
    const std::string& text = parts[i + 1].Text;
    for (char c : text)
      if (std::isdigit(static_cast<unsigned char>(c))) return {};
    return text;
  }
  return {};
}

TWin32ClockLocale::TWin32ClockLocale(const std::string& LocaleName) {
  const std::wstring name = WideOf(LocaleName);
  const wchar_t* locale = LOCALE_NAME_USER_DEFAULT;
  FKnown = true;
  if (!name.empty()) {
    FKnown = IsValidLocaleName(name.c_str()) != 0;
    locale = FKnown ? name.c_str() : LOCALE_NAME_INVARIANT;
  }
  // The separators as the locale's pictures place them; the old single
  // separator settings only when a picture shows none.
  std::string time = PictureSeparator(LocaleText(locale, LOCALE_STIMEFORMAT), 'H', 'm');
  if (time.empty()) time = LocaleText(locale, LOCALE_STIME);
  if (!time.empty()) FTimeSeparator = time;
  std::string date = PictureSeparator(LocaleText(locale, LOCALE_SSHORTDATE), 'M', 'd');
  if (date.empty()) date = LocaleText(locale, LOCALE_SDATE);
  if (!date.empty()) FDateSeparator = date;
  // The locale numbers its days from Monday (1) to Sunday (7).
  for (int day = 0; day < 7; ++day)
    FDayNames[day] = LocaleText(locale, LOCALE_SABBREVDAYNAME1 + static_cast<LCTYPE>(day == 0 ? 6 : day - 1));
}

TLocalTime TWin32ClockLocale::Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  TLocalTime r;
  r.Year = t.wYear;
  r.Month = t.wMonth;
  r.Day = t.wDay;
  r.WeekDay = t.wDayOfWeek;
  r.Hour = t.wHour;
  r.Minute = t.wMinute;
  r.Second = t.wSecond;
  return r;
}

}  // namespace emberhall
