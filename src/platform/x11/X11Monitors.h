// The monitors XRandR reports, as the parts of a window they show.
#pragma once

#include <vector>

#include "platform/WindowSystem.h"

namespace emberhall {

// The parts of the window (any client's) on different monitors, in the
// window's pixels; empty when the server reports no monitors (RandR before
// 1.5) or the window is gone.
std::vector<TMonitorRect> X11MonitorRects(unsigned long Window);

}  // namespace emberhall
