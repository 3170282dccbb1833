// The system's display settings: the modes it lists for the display,
// testing and temporarily switching into one, and putting the desktop's
// mode back.
#pragma once

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

// This platform's display settings.
IDisplaySettings& SystemDisplaySettings();
// With switching forbidden every later switch of the system's settings is
// refused and the display stays as it is. Nothing forbids it yet.
void SetDisplaySwitchingAllowed(bool Allowed);

}  // namespace emberhall
