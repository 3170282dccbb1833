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
// and screen size (millimetres too) found before the first switch. Only one
// program at a time may have the display switched: it holds the display
// lock in the runtime folder from before its first switch until the restore.
// Before every switch the configuration to restore and the mode about to be
// shown are written to a record there; a program killed while switched
// leaves the record, and the next start puts the configuration back and
// removes it (see RecoverSwitchedDisplay). Without a usable runtime folder
// nothing can be recorded: every mode but the desktop's is then refused.
#pragma once

#include <memory>
#include <string>

#include "platform/DisplaySettings.h"

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

  // While switching is not allowed every mode but the desktop's is refused.
  void SetSwitchingAllowed(bool Allowed) { FSwitchingAllowed = Allowed; }
  bool Switched() const;

  // The record of the display's configuration before a switch; "" when the
  // runtime folder cannot be used.
  static std::string RecordFileName(const std::string& DisplayName);

 private:
  bool Connect();
  bool BeginSwitching();
  void EndSwitching();

  struct TState;
  std::unique_ptr<TState> F;
  bool FSwitchingAllowed = true;
};

// Puts back a configuration recorded by a run that was killed while it had
// the display switched, and removes the record. A record whose program still
// holds the display lock is left alone; one whose screen shows neither the
// recorded configuration nor one of the recorded program's modes is
// discarded with a message on stderr. Returns true when a configuration was
// put back.
bool RecoverSwitchedDisplay(const std::string& DisplayName = "");

}  // namespace emberhall
