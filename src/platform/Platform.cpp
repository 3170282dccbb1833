// The services of this platform, as Platform() hands them out.
#include <X11/Xlib.h>

#include <cstdlib>

#include "platform/Services.h"
#include "platform/fltk/FltkServices.h"
#include "platform/freetype/FreeTypeFonts.h"
#include "platform/logind/LogindPower.h"
#include "platform/posix/PosixClockLocale.h"
#include "platform/sdl/SdlSound.h"
#include "platform/x11/X11KeepAwake.h"
#include "platform/x11/X11ScreenSaverSystem.h"
#include "platform/x11/X11Windows.h"

namespace emberhall {

namespace {

// The display stays awake through the X server, the system through logind.
class TDesktopKeepAwake : public IKeepAwake {
 public:
  explicit TDesktopKeepAwake(TLogindPower& Logind) : FLogind(Logind) {}
  void SetExecutionState(bool Display, bool System) override {
    FX11.SetExecutionState(Display, false);
    FLogind.SetIdleInhibited(System);
  }

 private:
  TX11KeepAwake FX11;
  TLogindPower& FLogind;
};

class TX11Screen : public IScreen {
 public:
  bool GetScreenSize(int& Width, int& Height) override {
    if (!DisplayAvailable()) return false;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    Width = DisplayWidth(d, DefaultScreen(d));
    Height = DisplayHeight(d, DefaultScreen(d));
    XCloseDisplay(d);
    return true;
  }
};

// The show/hide count: our windows show a blank cursor while it is below 0.
class TCountingCursor : public ICursor {
 public:
  int ShowCursor(bool Show) override {
    FCount += Show ? 1 : -1;
    SetX11PointerHidden(FCount < 0);
    return FCount;
  }
  void SetBusy(bool Busy) override { SetX11PointerBusy(Busy); }

 private:
  int FCount = 0;
};

}  // namespace

TPlatform& Platform() {
  static TFltkMessageBoxes messageBoxes;
  static TLogindPower powerNotices;
  static TDesktopKeepAwake keepAwake(powerNotices);
  static TFltkHelpViewer helpViewer;
  static TX11Screen screen;
  static TCountingCursor cursor;
  static TX11ScreenSaverSystem screenSaver;
  static TSdlSound sound;
  static TPosixClockLocale clockLocale;  // the user's LC_TIME
  static TPlatform platform{&messageBoxes, &keepAwake, &powerNotices, &helpViewer, &screen, &cursor, &screenSaver,
                            &sound,        &clockLocale};
  return platform;
}

IFontRasterizer& FontRasterizer() {
  static TFreeTypeRasterizer rasterizer;
  return rasterizer;
}

}  // namespace emberhall
