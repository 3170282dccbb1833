// The record of a display switch, kept in the runtime folder while the
// display is switched: the configuration found before the first switch and
// the modes the program shows or is about to show, so that the next start
// can put the display back after a kill.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace emberhall {

// One CRTC's configuration (XRandR ids) and the screen size around it.
struct TCrtcConfig {
  std::string Output;
  unsigned long Crtc = 0;
  unsigned long Mode = 0;
  int X = 0, Y = 0;
  int Rotation = 1;  // RR_Rotate_0
  std::vector<unsigned long> Outputs;
  int Width = 0, Height = 0, MmWidth = 0, MmHeight = 0;
  bool operator==(const TCrtcConfig&) const = default;
};

struct TDisplayRecord {
  long Pid = 0;
  std::string Program;
  TCrtcConfig Original;
  unsigned long Switched = 0;  // the mode the screen was last switched to; 0 before the first switch
  unsigned long Intended = 0;  // the mode being switched to
  bool operator==(const TDisplayRecord&) const = default;
};

// The text form: one "name=value" line per field.
std::string FormatDisplayRecord(const TDisplayRecord& Record);
// Reads the text form. False when a field is missing, malformed or out of
// range (Record is then unspecified); unknown lines are ignored.
bool ParseDisplayRecord(std::string_view Text, TDisplayRecord& Record);

}  // namespace emberhall
