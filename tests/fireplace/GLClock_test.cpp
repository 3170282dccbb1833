#include "fireplace/GLClock.h"

#include <gtest/gtest.h>

#include "platform/posix/PosixClockLocale.h"
#include "scene/SceneMeshes.h"
#include "scene/SceneVisuals.h"
#include "support/FakeClockLocale.h"

using namespace emberhall;
using emberhall::test::TFakeClockLocale;

namespace {

const char* const kSpriteNames[] = {"0",   "1",   "2",   "3",   "4",   "5",   "6",   "7",   "8",   "9",
                                     "sun", "mon", "tue", "wed", "thu", "fri", "sat", "colon", "am", "pm"};
const char* const kPartNames[] = {"time1", "time2",  "time3",  "time4",  "time5",  "time6",
                                  "time7", "day",    "month1", "month2", "month4", "month5"};

// The clock with the parts and sprites a description gives it, no GL needed
// as long as the parts stay hidden.
struct TClockRig {
  TResource Sprites, Parts;
  TGLClock Clock;
  TFakeClockLocale Locale;

  TClockRig() {
    for (const char* name : kSpriteNames) {
      auto* sprite = new TSceneSprite;
      sprite->Name = name;
      Sprites.AddItem(sprite);
    }
    for (const char* name : kPartNames) {
      auto* part = new TMainVisualObject;
      part->Name = name;
      part->Visual = Sprites.FindByName("0");
      Parts.AddItem(part);
    }
    Clock.Sprites = &Sprites;
    Clock.Objects = &Parts;
    Clock.Locale = &Locale;
  }

  TMainVisualObject* Part(const std::string& Name) {
    return dynamic_cast<TMainVisualObject*>(Parts.FindByName(Name));
  }
  // The sprite name a part shows, "-" when hidden, "none" without a sprite.
  std::string Shows(const std::string& PartName) {
    TMainVisualObject* p = Part(PartName);
    if (!p->Visible) return "-";
    auto* sprite = dynamic_cast<TMainObject*>(p->Visual);
    return sprite ? sprite->Name : "none";
  }
};

TEST(GLClock, TimeTextsSwitchTheParts) {
  struct Case {
    int mode;
    const char* text;
    const char* time1;
    const char* time2;
    const char* time4;
    const char* time5;
    const char* time6;
    const char* time7;
  };
  const Case cases[] = {
      {1, "09:05", "-", "9", "0", "5", "-", "-"},
      {1, "23:59", "2", "3", "5", "9", "-", "-"},
      {1, "10\xE2\x88\xB6" "07", "1", "0", "0", "7", "-", "-"},  // a separator of three bytes
      {2, "p09:30", "-", "9", "3", "0", "-", "0"},
      {2, "p12:00", "1", "2", "0", "0", "-", "0"},
      {2, "a11:45", "1", "1", "4", "5", "0", "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TClockRig rig;
    rig.Clock.SetClockMode(c.mode);
    rig.Clock.ShowTime(c.text);
    EXPECT_EQ(rig.Clock.LastTime, c.text);
    EXPECT_EQ(rig.Shows("time1"), c.time1);
    // A hidden first digit still shows its digit once made visible.
    if (std::string(c.time1) == "-") rig.Part("time1")->SetVisible(true);
    EXPECT_EQ(rig.Shows("time1"), std::string(c.time1) == "-" ? "0" : c.time1);
    EXPECT_EQ(rig.Shows("time2"), c.time2);
    EXPECT_EQ(rig.Shows("time4"), c.time4);
    EXPECT_EQ(rig.Shows("time5"), c.time5);
    // The am and pm marks are not switched, only shown or hidden.
    EXPECT_EQ(rig.Shows("time6"), c.time6);
    EXPECT_EQ(rig.Shows("time7"), c.time7);
  }
}

TEST(GLClock, TextsOfTheWrongShapeChangeNothing) {
  struct Case {
    int mode;
    const char* text;
  };
  const Case cases[] = {
      {1, "9:05"},   {1, "09:5"},   {1, "0x:05"},  {1, "09:05 "}, {1, ""},        {1, "p09:30"},
      {2, "09:30"},  {2, "x09:30"}, {2, "p0q:30"}, {2, "p09:3"},  {2, "p09:30x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TClockRig rig;
    rig.Clock.SetClockMode(c.mode);
    rig.Clock.ShowTime(c.mode == 2 ? "p10:20" : "10:20");
    rig.Clock.ShowTime(c.text);
    EXPECT_EQ(rig.Clock.LastTime, c.mode == 2 ? "p10:20" : "10:20");
    EXPECT_EQ(rig.Shows("time1"), "1");
    EXPECT_EQ(rig.Shows("time4"), "2");
  }
  TClockRig rig;
  rig.Clock.ShowDate("12/09");
  for (const char* bad : {"1/09", "12/9x", "12/090", "ab/cd"}) rig.Clock.ShowDate(bad);
  EXPECT_EQ(rig.Clock.LastDate, "12/09");
  EXPECT_EQ(rig.Shows("month5"), "9");
}

TEST(GLClock, TimeTextFollowsTheModeAndTheLocalesSeparator) {
  struct Case {
    int mode, hour, minute;
    const char* sep;
    const char* text;
  };
  const Case cases[] = {
      {1, 9, 5, ":", "09:05"},   {1, 0, 0, ":", "00:00"},   {1, 23, 59, ".", "23.59"},
      {2, 0, 15, ":", "a12:15"}, {2, 11, 59, ":", "a11:59"}, {2, 12, 0, ":", "p12:00"},
      {2, 13, 7, ":", "p01:07"}, {0, 13, 7, ":", "13:07"},
  };
  for (const Case& c : cases) {
    TClockRig rig;
    rig.Locale.TimeSep = c.sep;
    rig.Locale.Set(c.hour, c.minute);
    rig.Clock.SetClockMode(c.mode);
    EXPECT_EQ(rig.Clock.TimeText(), c.text);
  }
}

TEST(GLClock, AModeChangeUpdatesThePartsInTheNextFrame) {
  TClockRig rig;
  rig.Locale.Set(21, 30);
  rig.Clock.SetClockMode(1);
  rig.Clock.UpdateTime();
  EXPECT_EQ(rig.Shows("time1"), "2");
  EXPECT_EQ(rig.Shows("time7"), "-");
  rig.Clock.SetClockMode(2);
  rig.Clock.UpdateTime();
  EXPECT_EQ(rig.Clock.LastTime, "p09:30");
  EXPECT_EQ(rig.Shows("time1"), "-");
  EXPECT_EQ(rig.Shows("time2"), "9");
  EXPECT_EQ(rig.Shows("time7"), "0");
}

TEST(GLClock, TheSeparatorBlinksOncePerSecondAndRestartsFromZero) {
  TClockRig rig;
  TMainVisualObject* separator = rig.Part("time3");
  ASSERT_TRUE(separator->Visible);
  rig.Clock.Animate(0.6f);
  EXPECT_TRUE(separator->Visible);
  rig.Clock.Animate(0.6f);  // 1.2 s: toggles, and the count starts again at 0
  EXPECT_FALSE(separator->Visible);
  EXPECT_EQ(rig.Clock.BlinkTime, 0.0f);
  rig.Clock.Animate(2.5f);  // a long frame toggles once, not twice
  EXPECT_TRUE(separator->Visible);
  EXPECT_EQ(rig.Clock.BlinkTime, 0.0f);
  rig.Clock.Animate(0.9f);
  EXPECT_TRUE(separator->Visible);
}

TEST(GLClock, ModeSetsVisibilityAndTheFirstZeroCounts) {
  TClockRig rig;
  EXPECT_EQ(rig.Clock.ClockMode, -1);
  rig.Clock.SetClockMode(0);
  EXPECT_FALSE(rig.Clock.Visible);
  rig.Clock.SetClockMode(2);
  EXPECT_TRUE(rig.Clock.Visible);
  rig.Clock.SetVisible(false);
  rig.Clock.SetClockMode(2);  // the same mode again changes nothing
  EXPECT_FALSE(rig.Clock.Visible);
}

TEST(GLClock, RenderTintsEverySpriteAndUpdatesWhileHidden) {
  TClockRig rig;
  rig.Locale.Set(7, 41, 3, 28, 5);
  rig.Clock.SetClockMode(0);  // hidden: nothing is drawn, so no GL is needed
  rig.Clock.Color = PackRGBA(255, 120, 0, 255);
  rig.Clock.Render();
  for (const char* name : kSpriteNames) {
    auto* sprite = dynamic_cast<TSceneSprite*>(rig.Sprites.FindByName(name));
    SCOPED_TRACE(name);
    EXPECT_EQ(sprite->Color[0], 255);
    EXPECT_EQ(sprite->Color[1], 120);
    EXPECT_EQ(sprite->Color[2], 0);
    EXPECT_EQ(sprite->Color[3], 255);
  }
  EXPECT_FALSE(rig.Parts.Visible);
  EXPECT_EQ(rig.Clock.LastTime, "07:41");
  EXPECT_EQ(rig.Clock.LastDay, "Fri");
  EXPECT_EQ(rig.Clock.LastDate, "03/28");
  EXPECT_EQ(rig.Shows("day"), "fri");
  EXPECT_EQ(rig.Shows("month2"), "3");
  EXPECT_EQ(rig.Shows("month4"), "2");
}

TEST(GLClock, WeekdayByPositionAmongTheLocalesNames) {
  struct Case {
    const char* locale;
    int weekday;
    const char* name;
    const char* sprite;
    const char* dateSep;
  };
  const Case cases[] = {
      {"C", 0, "Sun", "sun", "/"},       {"C", 6, "Sat", "sat", "/"},
      {"de_DE.UTF-8", 0, "So", "sun", "."}, {"de_DE.UTF-8", 3, "Mi", "wed", "."},
      {"de_DE.UTF-8", 4, "Do", "thu", "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + c.name);
    TPosixClockLocale real(c.locale);
    ASSERT_TRUE(real.Known()) << "scripts/deps makes this locale";
    EXPECT_EQ(real.TimeSeparator(), ":");
    EXPECT_EQ(real.DateSeparator(), c.dateSep);
    TClockRig rig;
    rig.Locale.Names = real.ShortDayNames();
    rig.Locale.DateSep = real.DateSeparator();
    rig.Locale.Set(10, 0, 12, 9, c.weekday);
    rig.Clock.UpdateDay();
    rig.Clock.UpdateDate();
    EXPECT_EQ(rig.Clock.LastDay, c.name);
    EXPECT_EQ(rig.Shows("day"), c.sprite);
    EXPECT_EQ(rig.Clock.LastDate, std::string("12") + c.dateSep + "09");
  }
  // Two equal names: the first one counts; a name not among them changes nothing.
  TClockRig rig;
  rig.Locale.Names = {"X", "Y", "X", "Z", "W", "V", "U"};
  rig.Locale.Set(10, 0, 1, 1, 2);
  rig.Clock.UpdateDay();
  EXPECT_EQ(rig.Shows("day"), "sun");
  rig.Clock.ShowDay("Q");
  EXPECT_EQ(rig.Clock.LastDay, "X");
}

TEST(GLClock, AnUnknownLocaleFallsBackToC) {
  TPosixClockLocale unknown("xx_NOWHERE.UTF-8");
  EXPECT_FALSE(unknown.Known());
  EXPECT_EQ(unknown.ShortDayNames()[1], "Mon");
  EXPECT_EQ(unknown.TimeSeparator(), ":");
}

TEST(GLClock, MissingPartsAndSpritesAreSkipped) {
  TClockRig rig;
  rig.Clock.SetPart("time2", "no such sprite");
  EXPECT_EQ(rig.Shows("time2"), "none");
  rig.Clock.SetPart("no such part", "1");
  rig.Clock.ShowPart("no such part", false);
  TGLClock bare;  // no parts, no sprites at all
  bare.Locale = &rig.Locale;
  rig.Locale.Set(8, 15);
  bare.SetClockMode(0);
  bare.Render();
  bare.Animate(1.5f);
  EXPECT_EQ(bare.LastTime, "08:15");
}

}  // namespace
