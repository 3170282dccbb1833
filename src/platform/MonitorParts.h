// Which part of a window each monitor shows, from the monitors' rectangles
// on the screen: the rule every window-system backend applies to what its
// system reports.
#pragma once

#include <vector>

#include "platform/WindowSystem.h"

namespace emberhall {

// The monitors' rectangles (screen pixels) cut to the window's rectangle
// (screen pixels) and moved into the window's pixels, in the order given.
// Monitors off the window are left out, a part shown on several monitors
// (mirrored ones) comes once, and a part that the smaller parts inside it
// cover wholly is left out: a monitor divided into several keeps its own
// entry beside theirs, and one picture across them is what is not wanted.
std::vector<TMonitorRect> MonitorPartsOfWindow(const std::vector<TMonitorRect>& Monitors, const TMonitorRect& Window);

}  // namespace emberhall
