#include "platform/x11/X11Monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "platform/MonitorParts.h"
#include "platform/glx/GLXPlatform.h"
#include "platform/x11/X11ErrorTrap.h"

namespace emberhall {

namespace {

// Monitors are RandR 1.5's.
bool HasMonitors(Display* d) {
  int event = 0, error = 0, major = 0, minor = 0;
  return XRRQueryExtension(d, &event, &error) && XRRQueryVersion(d, &major, &minor) &&
         (major > 1 || (major == 1 && minor >= 5));
}

// The window's rectangle on the screen, and its root.
bool ScreenRect(Display* d, Window w, TMonitorRect& Rect, Window& Root) {
  TX11ErrorTrap trap(d);  // the window may be another program's, and gone
  XWindowAttributes a{};
  if (!XGetWindowAttributes(d, w, &a) || !trap.Sync()) return false;
  int x = 0, y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(d, w, a.root, 0, 0, &x, &y, &child) || !trap.Sync()) return false;
  Rect = {x, y, a.width, a.height};
  Root = a.root;
  return true;
}

}  // namespace

std::vector<TMonitorRect> X11MonitorRects(unsigned long Window) {
  Display* d = GLXDisplay();
  if (!d || !Window || !HasMonitors(d)) return {};
  TMonitorRect window;
  ::Window root = 0;
  if (!ScreenRect(d, Window, window, root)) return {};
  int count = 0;
  XRRMonitorInfo* info = XRRGetMonitors(d, root, True, &count);
  std::vector<TMonitorRect> monitors;
  for (int i = 0; info && i < count; ++i) monitors.push_back({info[i].x, info[i].y, info[i].width, info[i].height});
  if (info) XRRFreeMonitors(info);
  return MonitorPartsOfWindow(monitors, window);
}

}  // namespace emberhall
