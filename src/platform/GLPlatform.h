// What the OpenGL context needs from the window system: pixel formats,
// rendering contexts, buffer swaps, the swap interval and palettes. The
// GLX backend lives in platform/glx; tests may install a fake.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/DynamicLibrary.h"

namespace emberhall {

// Where drawing goes: on X11 the display connection, the screen and the
// window (0 for the screen itself); on Windows the device context (HDC) in
// Display and its window in Drawable.
struct TGLDeviceContext {
  void* Display = nullptr;
  int Screen = 0;
  uintptr_t Drawable = 0;
};

using HGLRC = void*;
using HPALETTE = void*;

// The window system's description of one pixel format. On GLX it is one
// framebuffer config of the screen.
struct TPixelFormatDescriptor {
  void* Config = nullptr;       // the GLXFBConfig
  unsigned long VisualID = 0;   // the X visual a window needs for it
  int32_t ColorBits = 0;        // GLX_BUFFER_SIZE
  int32_t RedBits = 0, GreenBits = 0, BlueBits = 0;
  int32_t RedShift = 0, GreenShift = 0, BlueShift = 0;
  int32_t AlphaBits = 0, DepthBits = 0, StencilBits = 0;
  int32_t AccumBits = 0;        // sum of the four accumulation channels
  bool DrawToWindow = false;    // GLX_WINDOW_BIT in GLX_DRAWABLE_TYPE
  bool DrawToBitmap = false;    // GLX_PIXMAP_BIT in GLX_DRAWABLE_TYPE
  bool DoubleBuffer = false;    // GLX_DOUBLEBUFFER
  bool SupportGDI = false;      // no such thing on X11
  bool Generic = false;         // served by Mesa's software renderer
  bool NeedPalette = false;     // a colour-indexed (PseudoColor) visual
};

struct TPaletteEntry {
  uint8_t Red, Green, Blue, Flags;
};

class IGLPlatform {
 public:
  virtual ~IGLPlatform() = default;
  // Takes the GLX functions from the freshly loaded OpenGL library, or
  // forgets them when Library is none.
  virtual void LibraryLoaded(TLibraryHandle Library) = 0;
  // The screen's device context for enumeration (taken and released around use).
  virtual TGLDeviceContext GetScreenDC() = 0;
  virtual void ReleaseScreenDC(const TGLDeviceContext& DC) = 0;
  // Every pixel format of the device, in the device's order.
  virtual std::vector<TPixelFormatDescriptor> DescribePixelFormats(const TGLDeviceContext& DC) = 0;
  // X11 fixes a window's visual at its creation: this checks that the
  // window was made with the format's visual.
  virtual bool SetPixelFormat(const TGLDeviceContext& DC, const TPixelFormatDescriptor& Format) = 0;
  virtual HPALETTE CreatePalette(const TGLDeviceContext& DC, const TPixelFormatDescriptor& Format,
                                 const std::vector<TPaletteEntry>& Entries) = 0;
  virtual void DeletePalette(const TGLDeviceContext& DC, HPALETTE Palette) = 0;
  virtual HGLRC CreateContext(const TGLDeviceContext& DC, const TPixelFormatDescriptor& Format) = 0;
  // Makes RC current on DC; with RC none, releases the current context.
  virtual bool MakeCurrent(const TGLDeviceContext& DC, HGLRC RC) = 0;
  virtual void DeleteContext(const TGLDeviceContext& DC, HGLRC RC) = 0;
  // Resolves the window system's extension entry points for the current context.
  virtual void LoadExtensions() = 0;
  virtual void ClearExtensions() = 0;
  // True when a swap-interval entry point was resolved.
  virtual bool HasSwapInterval() const = 0;
  virtual void SetSwapInterval(const TGLDeviceContext& DC, int Interval) = 0;
  // The window system's extension names, or nullptr when it offers none.
  virtual const char* ExtensionsString(const TGLDeviceContext& DC) = 0;
  virtual void SwapBuffers(const TGLDeviceContext& DC) = 0;
};

// The backend in use: GLX unless a test installed another.
IGLPlatform& GLPlatform();
void SetGLPlatform(IGLPlatform* Platform);

}  // namespace emberhall
