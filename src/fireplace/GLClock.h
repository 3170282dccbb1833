// The scene clock: shows the time, the weekday and the date by switching
// named visual objects of a sprite layer between sprites named after the
// characters they show, and tints every sprite in its colour.
#pragma once

#include <cstdint>
#include <string>

#include "gl/GLTypes.h"
#include "platform/ClockLocale.h"
#include "scene/SceneObjects.h"

namespace emberhall {

class TGLClock : public TMainSceneObject {
 public:
  TGLClock();
  const char* ClassName() const override { return "TGLClock"; }
  void Animate(float DeltaTime) override;
  void Render() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  // 0 none, 1 24-hour, 2 12-hour; the clock is visible exactly above 0.
  void SetClockMode(int32_t Mode);
  // The part named PartName in Objects shows the sprite named SpriteName in
  // Sprites from now on (none when there is no such sprite).
  void SetPart(const std::string& PartName, const std::string& SpriteName);
  void ShowPart(const std::string& PartName, bool Visible);

  // The texts as the clock formats them now: "hh:nn", "a/phh:nn" in 12-hour
  // mode, "ddd" and "mm/dd", with the locale's separators and names.
  std::string TimeText() const;
  std::string DayText() const;
  std::string DateText() const;

  void UpdateTime();
  void UpdateDay();
  void UpdateDate();
  // What the three updates do with a formatted text: a text of the wrong
  // shape, or the one shown already, changes nothing.
  void ShowTime(const std::string& Text);
  void ShowDay(const std::string& Text);
  void ShowDate(const std::string& Text);

  std::string LastTime;
  std::string LastDate;
  std::string LastDay;
  TMainObject* Objects = nullptr;
  TMainObject* Sprites = nullptr;
  float BlinkTime = 0.0f;
  int32_t ClockMode = -1;
  TGLPackedColor Color = PackRGBA(255, 255, 255, 255);
  // Where the time and the locale come from; the platform's by default.
  IClockLocale* Locale = nullptr;

 private:
  IClockLocale& ClockLocale() const;
};

// Registers TGLClock with the scene's class registry.
void RegisterClockClass();

}  // namespace emberhall
