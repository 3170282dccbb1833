#include "platform/x11/X11Screen.h"

#include <X11/Xlib.h>

#include "platform/fltk/FltkServices.h"
#include "platform/x11/X11Windows.h"

namespace emberhall {

bool TX11Screen::GetScreenSize(int& Width, int& Height) {
  if (!DisplayAvailable()) return false;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  Width = DisplayWidth(d, DefaultScreen(d));
  Height = DisplayHeight(d, DefaultScreen(d));
  XCloseDisplay(d);
  return true;
}

int TCountingCursor::ShowCursor(bool Show) {
  FCount += Show ? 1 : -1;
  SetX11PointerHidden(FCount < 0);
  return FCount;
}

void TCountingCursor::SetBusy(bool Busy) { SetX11PointerBusy(Busy); }

}  // namespace emberhall
