// A mode of the harness's own on the connected output of the test script's
// Xvfb (removed again at the end), and the screen as the server has it.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "support/TestSupport.h"

namespace emberhall::test {

class TExtraMode {
 public:
  // Modeline timings after the name: "25.00 640 656 752 800 400 409 411 421 -hsync +vsync".
  TExtraMode(const std::string& Name, const std::string& Timings) : FName(Name) {
    const std::string query = RunCommand("xrandr --query").Output;
    const size_t at = query.find(" connected");
    const size_t start = query.rfind('\n', at);
    const size_t from = start == std::string::npos ? 0 : start + 1;
    FOutput = query.substr(from, at - from);
    RunCommand("xrandr --newmode " + FName + " " + Timings);
    RunCommand("xrandr --addmode " + FOutput + " " + FName);
  }
  ~TExtraMode() {
    RunCommand("xrandr --delmode " + FOutput + " " + FName);
    RunCommand("xrandr --rmmode " + FName);
  }

 private:
  std::string FName, FOutput;
};

// The screen's size in pixels and millimetres, read on a fresh connection.
struct TScreenState {
  int Width = 0, Height = 0, MmWidth = 0, MmHeight = 0;
  bool operator==(const TScreenState&) const = default;
};

inline TScreenState ScreenState() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return {};
  const int s = DefaultScreen(d);
  TScreenState state{DisplayWidth(d, s), DisplayHeight(d, s), DisplayWidthMM(d, s), DisplayHeightMM(d, s)};
  XCloseDisplay(d);
  return state;
}

// Puts the screen back to State if a failed test left it otherwise.
inline void RestoreScreen(const TScreenState& State) {
  if (ScreenState() == State) return;
  RunCommand("xrandr -s " + std::to_string(State.Width) + "x" + std::to_string(State.Height) + "; xrandr --fbmm " +
             std::to_string(State.MmWidth) + "x" + std::to_string(State.MmHeight));
}

inline std::ostream& operator<<(std::ostream& Out, const TScreenState& S) {
  return Out << S.Width << "x" << S.Height << " px, " << S.MmWidth << "x" << S.MmHeight << " mm";
}

}  // namespace emberhall::test
