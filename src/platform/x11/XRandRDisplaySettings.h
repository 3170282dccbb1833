// The display settings over XRandR 1.2+, on the primary output (or the
// first connected one).
//
// Modes are the output's modes in the server's order, one record per size
// (refresh rates play no part). Every mode carries the screen's bits per
// pixel: the pixmap format of the root depth, so a 24-bit-depth screen
// reports 32. A mode can be shown when the output lists its size and its
// depth is the screen's; anything else is refused.
//
// A switch changes the output's CRTC (and the screen size with it) until
// RestoreMode puts back exactly the CRTC mode, position, rotation, outputs
// and screen size found before the first switch. Before switching, that
// configuration is written to a record in the runtime folder; a program
// killed while switched leaves the record, and the next start puts the
// configuration back and removes it (see RecoverSwitchedDisplay).
#pragma once

#include <memory>
#include <string>

#include "display/VideoModeClass.h"

namespace emberhall {

class TXRandRDisplaySettings : public IDisplaySettings {
 public:
  // Opens its own connection to $DISPLAY (or DisplayName); with no display
  // every list is empty and every switch is refused.
  explicit TXRandRDisplaySettings(const std::string& DisplayName = "");
  ~TXRandRDisplaySettings() override;

  std::vector<TVideoMode> ListModes() override;
  bool TestMode(const TVideoMode& Mode) override;
  bool ChangeMode(const TVideoMode& Mode) override;
  void RestoreMode() override;
  TVideoMode DesktopMode() override;

  // A program run by a screensaver daemon must not switch: every switch is
  // then refused.
  void SetSwitchingAllowed(bool Allowed) { FSwitchingAllowed = Allowed; }
  bool Switched() const;

  // The record of the display's configuration before a switch.
  static std::string RecordFileName(const std::string& DisplayName);

 private:
  struct TState;
  std::unique_ptr<TState> F;
  bool FSwitchingAllowed = true;
};

// Puts back a configuration recorded by a run that was killed while it had
// the display switched, and removes the record. A record whose program still
// runs is left alone; one that no longer matches the screen is discarded
// with a message on stderr. Returns true when a configuration was put back.
bool RecoverSwitchedDisplay(const std::string& DisplayName = "");

}  // namespace emberhall
