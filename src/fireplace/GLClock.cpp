#include "fireplace/GLClock.h"

#include <cstdio>
#include <vector>

#include "platform/Services.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneMeshes.h"
#include "scene/SceneVisuals.h"

namespace emberhall {

namespace {

// The text split into its characters (UTF-8 sequences), so that a
// separator of several bytes counts as one character.
std::vector<std::string> Characters(const std::string& Text) {
  std::vector<std::string> chars;
  for (size_t i = 0; i < Text.size();) {
    size_t n = 1;
    while (i + n < Text.size() && (static_cast<unsigned char>(Text[i + n]) & 0xC0) == 0x80) ++n;
    chars.push_back(Text.substr(i, n));
    i += n;
  }
  return chars;
}

bool IsDigit(const std::string& Char) { return Char.size() == 1 && Char[0] >= '0' && Char[0] <= '9'; }

// True when the characters at the given 1-based positions are all digits.
bool DigitsAt(const std::vector<std::string>& Chars, std::initializer_list<size_t> Positions) {
  for (size_t p : Positions)
    if (p > Chars.size() || !IsDigit(Chars[p - 1])) return false;
  return true;
}

std::string TwoDigits(int Value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", Value);
  return text;
}

}  // namespace

TGLClock::TGLClock() = default;

IClockLocale& TGLClock::ClockLocale() const { return Locale ? *Locale : *Platform().ClockLocale; }

void TGLClock::SetClockMode(int32_t Mode) {
  if (Mode == ClockMode) return;
  ClockMode = Mode;
  SetVisible(Mode > 0);
}

void TGLClock::SetPart(const std::string& PartName, const std::string& SpriteName) {
  auto* parts = dynamic_cast<TMainObjectList*>(Objects);
  auto* part = parts ? dynamic_cast<TMainVisualObject*>(parts->FindByName(PartName)) : nullptr;
  if (!part) return;  // a description without this part: nothing to switch
  auto* sprites = dynamic_cast<TMainObjectList*>(Sprites);
  part->Visual = sprites ? sprites->FindByName(SpriteName) : nullptr;
}

void TGLClock::ShowPart(const std::string& PartName, bool Visible) {
  auto* parts = dynamic_cast<TMainObjectList*>(Objects);
  if (TMainObject* part = parts ? parts->FindByName(PartName) : nullptr) part->SetVisible(Visible);
}

void TGLClock::Animate(float DeltaTime) {
  TMainSceneObject::Animate(DeltaTime);
  BlinkTime += DeltaTime;
  if (BlinkTime >= 1.0f) {
    BlinkTime = 0.0f;
    auto* parts = dynamic_cast<TMainObjectList*>(Objects);
    if (TMainObject* separator = parts ? parts->FindByName("time3") : nullptr)
      separator->SetVisible(!separator->Visible);
  }
}

void TGLClock::Render() {
  TMainSceneObject::Render();
  if (auto* sprites = dynamic_cast<TMainList*>(Sprites)) {
    const uint8_t r = Color & 0xFF, g = Color >> 8 & 0xFF, b = Color >> 16 & 0xFF, a = Color >> 24;
    for (int i = 0; i < sprites->GetCount(); ++i)
      if (auto* sprite = dynamic_cast<TSceneSprite*>(sprites->GetItem(i))) {
        sprite->Color[0] = r;
        sprite->Color[1] = g;
        sprite->Color[2] = b;
        sprite->Color[3] = a;
      }
  }
  UpdateTime();
  UpdateDay();
  UpdateDate();
  if (auto* parts = dynamic_cast<TMainItem*>(Objects)) {
    parts->SetVisible(Visible);
    parts->Render();
  }
}

std::string TGLClock::TimeText() const {
  IClockLocale& locale = ClockLocale();
  const TLocalTime now = locale.Now();
  const std::string minutes = locale.TimeSeparator() + TwoDigits(now.Minute);
  if (ClockMode != 2) return TwoDigits(now.Hour) + minutes;
  const int hour = now.Hour % 12 == 0 ? 12 : now.Hour % 12;
  return (now.Hour < 12 ? "a" : "p") + TwoDigits(hour) + minutes;
}

std::string TGLClock::DayText() const {
  IClockLocale& locale = ClockLocale();
  const int day = locale.Now().WeekDay;
  return day >= 0 && day < 7 ? locale.ShortDayNames()[day] : std::string();
}

std::string TGLClock::DateText() const {
  IClockLocale& locale = ClockLocale();
  const TLocalTime now = locale.Now();
  return TwoDigits(now.Month) + locale.DateSeparator() + TwoDigits(now.Day);
}

void TGLClock::UpdateTime() { ShowTime(TimeText()); }

void TGLClock::ShowTime(const std::string& Text) {
  if (Text == LastTime) return;
  const std::vector<std::string> c = Characters(Text);
  const bool twelve = ClockMode == 2;
  if (twelve) {
    if (c.size() != 6 || (c[0] != "a" && c[0] != "p") || !DigitsAt(c, {2, 3, 5, 6})) return;
  } else if (c.size() != 5 || !DigitsAt(c, {1, 2, 4, 5})) {
    return;
  }
  LastTime = Text;
  const size_t first = twelve ? 1 : 0;  // index of the first hour digit
  ShowPart("time6", twelve && c[0] == "a");
  ShowPart("time7", twelve && c[0] == "p");
  ShowPart("time1", c[first] != "0");
  SetPart("time1", c[first]);
  SetPart("time2", c[first + 1]);
  SetPart("time4", c[first + 3]);
  SetPart("time5", c[first + 4]);
}

void TGLClock::UpdateDay() { ShowDay(DayText()); }

void TGLClock::ShowDay(const std::string& Text) {
  static const char* const kSprites[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
  if (Text == LastDay) return;
  const std::array<std::string, 7> names = ClockLocale().ShortDayNames();
  for (int i = 0; i < 7; ++i)
    if (names[i] == Text) {
      LastDay = Text;
      SetPart("day", kSprites[i]);
      return;
    }
}

void TGLClock::UpdateDate() { ShowDate(DateText()); }

void TGLClock::ShowDate(const std::string& Text) {
  if (Text == LastDate) return;
  const std::vector<std::string> c = Characters(Text);
  if (c.size() != 5 || !DigitsAt(c, {1, 2, 4, 5})) return;
  LastDate = Text;
  SetPart("month1", c[0]);
  SetPart("month2", c[1]);
  SetPart("month4", c[3]);
  SetPart("month5", c[4]);
}

void TGLClock::SaveToLoader(TResourceLoader& Loader) {
  TMainSceneObject::SaveToLoader(Loader);
  Loader.WriteReference("Sprites", Sprites);
  Loader.WriteReference("Objects", Objects);
}

void TGLClock::LoadFromLoader(TResourceLoader& Loader) {
  TMainSceneObject::LoadFromLoader(Loader);
  Sprites = Loader.ReadReference("Sprites", Sprites);
  Objects = Loader.ReadReference("Objects", Objects);
}

void RegisterClockClass() { RegisterSceneClassOf<TGLClock>(); }

}  // namespace emberhall
