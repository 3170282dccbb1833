// Reading and setting the XRandR configuration of the output in use (the
// primary output when it is connected, else the first connected one).
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "platform/x11/DisplayRecord.h"

namespace emberhall {

// Whether the server speaks XRandR 1.2 or later.
bool HasRandR12(Display* D);
// The bits per pixel of the screen's pixmaps at its root depth (32 for 24).
int RootBitsPerPixel(Display* D, int Screen);
void RootSize(Display* D, Window Root, int& Width, int& Height);
// The sizes of the output's modes, in the server's order.
struct TModeSize {
  unsigned long Mode;
  int Width, Height;
};
std::vector<TModeSize> OutputModes(Display* D, Window Root);
// The output's first mode of that size on the named output; 0 when none.
unsigned long OutputModeOfSize(Display* D, Window Root, const std::string& Output, int Width, int Height);
// The output's CRTC configuration and the screen's size. The millimetres
// are the server's as they are now (a fresh connection reads them: Xlib
// keeps those of the moment a connection was opened).
bool ReadCurrentConfig(Display* D, Window Root, TCrtcConfig& Config);
// Sets the CRTC and the screen size around it, growing the screen first and
// shrinking it last so that every CRTC fits at each step.
bool ApplyConfig(Display* D, Window Root, const TCrtcConfig& Config);
// Millimetres for Px pixels at the density of OrigPx pixels in OrigMm.
int ScaledMm(int Px, int OrigPx, int OrigMm);

}  // namespace emberhall
