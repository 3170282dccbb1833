// The display modes the screen accepts, the desktop's mode, and switching
// the display into a mode and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace emberhall {

struct TVideoMode {
  int32_t Width = 0, Height = 0, BitsPerPixel = 0;
  bool operator==(const TVideoMode&) const = default;
};

// The system's display settings: what the mode list needs of them.
class IDisplaySettings {
 public:
  virtual ~IDisplaySettings() = default;
  // The modes the system lists for the display, in its order (repeats allowed).
  virtual std::vector<TVideoMode> ListModes() = 0;
  // Whether a full-screen switch to the mode would succeed; changes nothing.
  virtual bool TestMode(const TVideoMode& Mode) = 0;
  // Switches temporarily; false when refused.
  virtual bool ChangeMode(const TVideoMode& Mode) = 0;
  // Puts back the mode the display had before the first ChangeMode.
  virtual void RestoreMode() = 0;
  virtual TVideoMode DesktopMode() = 0;
};

// This platform's display settings (XRandR on the primary output).
IDisplaySettings& SystemDisplaySettings();
// With switching forbidden every later switch of the system's settings is
// refused and the display stays as it is. Nothing forbids it yet.
void SetDisplaySwitchingAllowed(bool Allowed);

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
