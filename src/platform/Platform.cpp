// The services of this platform, as Platform() hands them out: the one
// place that picks the backends.
#include <memory>

#include "platform/Services.h"
#include "platform/fltk/FltkServices.h"
#include "platform/freetype/FreeTypeFonts.h"
#include "platform/logind/LogindPower.h"
#include "platform/posix/LogFile.h"
#include "platform/posix/OptionsStore.h"
#include "platform/posix/PosixClockLocale.h"
#include "platform/posix/SingleInstance.h"
#include "platform/sdl/SdlSound.h"
#include "platform/x11/X11KeepAwake.h"
#include "platform/x11/X11Screen.h"
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
                            &sound,        &clockLocale, &X11WindowSystem()};
  return platform;
}

std::unique_ptr<IOptionsKey> OpenOptionsKey(TStoreRoot Root, const std::string& KeyPath, bool ReadOnly) {
  return std::make_unique<TOptionsKey>(Root, KeyPath, ReadOnly);
}

std::unique_ptr<ILogFile> CreateLogFile() { return std::make_unique<TLogFile>(); }

std::unique_ptr<IInstanceLock> CreateInstanceLock() { return std::make_unique<TInstanceLock>(); }

IFontRasterizer& FontRasterizer() {
  static TFreeTypeRasterizer rasterizer;
  return rasterizer;
}

}  // namespace emberhall
