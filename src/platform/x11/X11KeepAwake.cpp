#include "platform/x11/X11KeepAwake.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include "platform/fltk/FltkServices.h"

namespace emberhall {

TX11KeepAwake::~TX11KeepAwake() {
  if (!FDisplay) return;
  if (FSuspended) XScreenSaverSuspend(FDisplay, False);
  XCloseDisplay(FDisplay);
}

void TX11KeepAwake::SetExecutionState(bool Display, bool) {
  if (Display == FSuspended) return;
  if (!FDisplay && DisplayAvailable()) FDisplay = XOpenDisplay(nullptr);
  if (!FDisplay) return;
  int event = 0, error = 0;
  if (!XScreenSaverQueryExtension(FDisplay, &event, &error)) return;
  XScreenSaverSuspend(FDisplay, Display ? True : False);
  XFlush(FDisplay);
  FSuspended = Display;
}

}  // namespace emberhall
