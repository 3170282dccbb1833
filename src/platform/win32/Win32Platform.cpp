// The services of Windows, as Platform() hands them out: the one place that
// picks the backends of the Windows build.
#include <memory>

#include "platform/FontRasterizer.h"
#include "platform/InstanceLock.h"
#include "platform/LogFile.h"
#include "platform/OptionsStore.h"
#include "platform/Services.h"
#include "platform/win32/GdiFonts.h"
#include "platform/win32/RegistryOptions.h"
#include "platform/win32/SingleInstance.h"
#include "platform/win32/Win32ClockLocale.h"
#include "platform/win32/Win32LogFile.h"
#include "platform/win32/Win32Services.h"
#include "platform/win32/Win32Sound.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Windows.h"

namespace emberhall {

TPlatform& Platform() {
  static TWin32MessageBoxes messageBoxes;
  static TWin32KeepAwake keepAwake;
  static TWin32PowerNotices powerNotices;
  static TWin32HelpViewer helpViewer;
  static TWin32Screen screen;
  static TWin32Cursor cursor;
  static TWin32ScreenSaverSystem screenSaver;
  static TWin32Sound sound;
  static TWin32ClockLocale clockLocale;  // the user's locale
  static TPlatform platform{&messageBoxes, &keepAwake, &powerNotices, &helpViewer, &screen, &cursor, &screenSaver,
                            &sound,        &clockLocale, &Win32WindowSystem()};
  return platform;
}

std::unique_ptr<IOptionsKey> OpenOptionsKey(TStoreRoot Root, const std::string& KeyPath, bool ReadOnly) {
  return std::make_unique<TRegistryOptionsKey>(Root, KeyPath, ReadOnly);
}

std::unique_ptr<ILogFile> CreateLogFile() { return std::make_unique<TWin32LogFile>(); }

std::unique_ptr<IInstanceLock> CreateInstanceLock() { return std::make_unique<TSemaphoreInstanceLock>(); }

IFontRasterizer& FontRasterizer() {
  static TGdiFontRasterizer rasterizer;
  return rasterizer;
}

}  // namespace emberhall
