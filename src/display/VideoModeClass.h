// The display modes the screen accepts, the desktop's mode, and switching
// the display into a mode and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/DisplaySettings.h"

namespace emberhall {

class TVideoModesList {
 public:
  // Works on the given settings, or the system's when none is given.
  explicit TVideoModesList(IDisplaySettings* Settings = nullptr);
  ~TVideoModesList();
  TVideoModesList(const TVideoModesList&) = delete;
  TVideoModesList& operator=(const TVideoModesList&) = delete;

  int Count() const { return static_cast<int>(Modes.size()); }
  TVideoMode Items(int Index) const { return Modes.at(static_cast<size_t>(Index)); }
  int IndexOf(int32_t Width, int32_t Height, int32_t BitsPerPixel) const;
  void GetDesktopMode();
  TVideoMode CurrentMode();
  bool TestMode(const TVideoMode& Mode);
  void AddMode(const TVideoMode& Mode);
  void Enumerate();
  // The desktop's own mode switches nothing; any other is a temporary switch.
  bool SetMode(int32_t Width, int32_t Height, int32_t BitsPerPixel);
  void Restore();
  void Clear() { Modes.clear(); }

  int32_t DesktopWidth = 0, DesktopHeight = 0, DesktopBits = 0;
  int32_t ModeWidth = 0, ModeHeight = 0, ModeBits = 0;
  bool Active = false;
  std::vector<TVideoMode> Modes;
  bool Changed = false;

 private:
  IDisplaySettings& FSettings;
};

}  // namespace emberhall
