#include "platform/glx/GLXPlatform.h"

#define GLX_GLXEXT_PROTOTYPES 1
#include <GL/glx.h>
#include <GL/glxext.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "platform/GLLibrary.h"
#include "platform/x11/X11ErrorTrap.h"

namespace emberhall {

namespace {

// The GLX functions, from the OpenGL library's exports (GLX_ENTRY) and, per
// context, through the driver's lookup (GLXE_ENTRY).
struct TGLXFunctions {
#define GLX_ENTRY(name) decltype(&::name) name = nullptr;
#define GLX_ENTRY_TYPED(name, type) std::type_identity_t<type> name = nullptr;
#define GLXE_ENTRY GLX_ENTRY
#define GLXE_ENTRY_TYPED GLX_ENTRY_TYPED
#include "platform/glx/GLXEntryPoints.inc"
};

// Opened once and left to the end of the process: closing it would make the
// driver unload its renderer while contexts may still refer to it.
Display* sharedDisplay = nullptr;

bool SoftwareRequested() {
  const char* v = std::getenv("LIBGL_ALWAYS_SOFTWARE");
  return v && *v && std::strcmp(v, "0") != 0 && std::strcmp(v, "false") != 0;
}

class TGLXPlatform : public IGLPlatform {
 public:
  void LibraryLoaded(TLibraryHandle Library) override {
    F = TGLXFunctions();
    FResolve = FindGLProcResolver(Library);
    if (!Library) return;
#define GLX_ENTRY(name) ResolveSymbol(Library, F.name, #name);
#include "platform/glx/GLXEntryPoints.inc"
  }

  TGLDeviceContext GetScreenDC() override {
    Display* d = GLXDisplay();
    return {d, d ? DefaultScreen(d) : 0, 0};
  }

  void ReleaseScreenDC(const TGLDeviceContext&) override {}

  std::vector<TPixelFormatDescriptor> DescribePixelFormats(const TGLDeviceContext& DC) override {
    std::vector<TPixelFormatDescriptor> formats;
    auto* d = static_cast<Display*>(DC.Display);
    if (!d || !F.glXGetFBConfigs || !F.glXGetFBConfigAttrib) return formats;
    int count = 0;
    GLXFBConfig* configs = F.glXGetFBConfigs(d, DC.Screen, &count);
    if (!configs) return formats;
    const bool software = SoftwareRequested();
    for (int i = 0; i < count; ++i) formats.push_back(Describe(d, configs[i], software));
    XFree(configs);
    return formats;
  }

  bool SetPixelFormat(const TGLDeviceContext& DC, const TPixelFormatDescriptor& Format) override {
    auto* d = static_cast<Display*>(DC.Display);
    if (!d || !DC.Drawable || !Format.VisualID) return false;
    XWindowAttributes attributes{};
    TX11ErrorTrap trap(d);
    if (!XGetWindowAttributes(d, DC.Drawable, &attributes) || !trap.Sync()) return false;
    return attributes.visual && XVisualIDFromVisual(attributes.visual) == Format.VisualID;
  }

  HPALETTE CreatePalette(const TGLDeviceContext& DC, const TPixelFormatDescriptor& Format,
                         const std::vector<TPaletteEntry>& Entries) override {
    auto* d = static_cast<Display*>(DC.Display);
    if (!d || !F.glXGetVisualFromFBConfig) return nullptr;
    XVisualInfo* info = F.glXGetVisualFromFBConfig(d, static_cast<GLXFBConfig>(Format.Config));
    if (!info) return nullptr;
    TX11ErrorTrap trap(d);
    Colormap map = XCreateColormap(d, DC.Drawable, info->visual, AllocAll);
    const size_t usable = std::min(Entries.size(), static_cast<size_t>(info->colormap_size));
    XFree(info);
    std::vector<XColor> colors(usable);
    for (size_t i = 0; i < usable; ++i) {
      colors[i].pixel = i;
      colors[i].red = static_cast<unsigned short>(Entries[i].Red * 257);
      colors[i].green = static_cast<unsigned short>(Entries[i].Green * 257);
      colors[i].blue = static_cast<unsigned short>(Entries[i].Blue * 257);
      colors[i].flags = DoRed | DoGreen | DoBlue;
    }
    if (!colors.empty()) XStoreColors(d, map, colors.data(), static_cast<int>(colors.size()));
    XSetWindowColormap(d, DC.Drawable, map);
    if (!trap.Sync()) return nullptr;
    return reinterpret_cast<HPALETTE>(static_cast<uintptr_t>(map));
  }

  void DeletePalette(const TGLDeviceContext& DC, HPALETTE Palette) override {
    if (DC.Display && Palette)
      XFreeColormap(static_cast<Display*>(DC.Display), static_cast<Colormap>(reinterpret_cast<uintptr_t>(Palette)));
  }

  HGLRC CreateContext(const TGLDeviceContext& DC, const TPixelFormatDescriptor& Format) override {
    auto* d = static_cast<Display*>(DC.Display);
    if (!d || !F.glXCreateNewContext) return nullptr;
    TX11ErrorTrap trap(d);
    GLXContext rc = F.glXCreateNewContext(d, static_cast<GLXFBConfig>(Format.Config),
                                          Format.NeedPalette ? GLX_COLOR_INDEX_TYPE : GLX_RGBA_TYPE, nullptr, True);
    if (!trap.Sync() && rc) {
      F.glXDestroyContext(d, rc);
      rc = nullptr;
    }
    return rc;
  }

  bool MakeCurrent(const TGLDeviceContext& DC, HGLRC RC) override {
    auto* d = static_cast<Display*>(DC.Display);
    if (!d || !F.glXMakeCurrent) return false;
    TX11ErrorTrap trap(d);
    bool ok = F.glXMakeCurrent(d, RC ? DC.Drawable : None, static_cast<GLXContext>(RC));
    return trap.Sync() && ok;
  }

  void DeleteContext(const TGLDeviceContext& DC, HGLRC RC) override {
    if (DC.Display && RC && F.glXDestroyContext)
      F.glXDestroyContext(static_cast<Display*>(DC.Display), static_cast<GLXContext>(RC));
  }

  void LoadExtensions() override {
    ClearExtensions();
    Display* d = GLXDisplay();
    const char* names = d && F.glXQueryExtensionsString ? F.glXQueryExtensionsString(d, DefaultScreen(d)) : nullptr;
    // glXGetProcAddressARB answers for names a driver does not implement,
    // so only the advertised swap-control extensions are resolved.
    auto offered = [names](const char* ext) { return names && std::strstr(names, ext); };
    if (offered("GLX_EXT_swap_control")) Resolve(F.glXSwapIntervalEXT, "glXSwapIntervalEXT");
    if (offered("GLX_MESA_swap_control")) {
      Resolve(F.glXSwapIntervalMESA, "glXSwapIntervalMESA");
      Resolve(F.glXGetSwapIntervalMESA, "glXGetSwapIntervalMESA");
    }
    if (offered("GLX_SGI_swap_control")) Resolve(F.glXSwapIntervalSGI, "glXSwapIntervalSGI");
  }

  void ClearExtensions() override {
    F.glXSwapIntervalEXT = nullptr;
    F.glXSwapIntervalMESA = nullptr;
    F.glXGetSwapIntervalMESA = nullptr;
    F.glXSwapIntervalSGI = nullptr;
  }

  bool HasSwapInterval() const override {
    return F.glXSwapIntervalEXT || F.glXSwapIntervalMESA || F.glXSwapIntervalSGI;
  }

  void SetSwapInterval(const TGLDeviceContext& DC, int Interval) override {
    auto* d = static_cast<Display*>(DC.Display);
    if (F.glXSwapIntervalEXT && d && DC.Drawable) {
      F.glXSwapIntervalEXT(d, DC.Drawable, Interval);
    } else if (F.glXSwapIntervalMESA) {
      F.glXSwapIntervalMESA(static_cast<unsigned>(Interval));
    } else if (F.glXSwapIntervalSGI && Interval > 0) {
      F.glXSwapIntervalSGI(Interval);  // the SGI form cannot switch the interval off
    }
  }

  const char* ExtensionsString(const TGLDeviceContext& DC) override {
    auto* d = static_cast<Display*>(DC.Display);
    return d && F.glXQueryExtensionsString ? F.glXQueryExtensionsString(d, DC.Screen) : nullptr;
  }

  void SwapBuffers(const TGLDeviceContext& DC) override {
    if (DC.Display && DC.Drawable && F.glXSwapBuffers) F.glXSwapBuffers(static_cast<Display*>(DC.Display), DC.Drawable);
  }

  // The current swap interval as the MESA extension reports it, or -1 (tests).
  int GetSwapIntervalMESA() const { return F.glXGetSwapIntervalMESA ? F.glXGetSwapIntervalMESA() : -1; }

 private:
  template <class T>
  void Resolve(T& pointer, const char* name) {
    pointer = FResolve ? reinterpret_cast<T>(FResolve(name)) : nullptr;
  }

  int Attrib(Display* d, GLXFBConfig c, int attribute) {
    int value = 0;
    F.glXGetFBConfigAttrib(d, c, attribute, &value);
    return value;
  }

  TPixelFormatDescriptor Describe(Display* d, GLXFBConfig c, bool software) {
    TPixelFormatDescriptor f;
    f.Config = c;
    f.VisualID = static_cast<unsigned long>(Attrib(d, c, GLX_VISUAL_ID));
    f.ColorBits = Attrib(d, c, GLX_BUFFER_SIZE);
    f.RedBits = Attrib(d, c, GLX_RED_SIZE);
    f.GreenBits = Attrib(d, c, GLX_GREEN_SIZE);
    f.BlueBits = Attrib(d, c, GLX_BLUE_SIZE);
    f.AlphaBits = Attrib(d, c, GLX_ALPHA_SIZE);
    f.DepthBits = Attrib(d, c, GLX_DEPTH_SIZE);
    f.StencilBits = Attrib(d, c, GLX_STENCIL_SIZE);
    f.AccumBits = Attrib(d, c, GLX_ACCUM_RED_SIZE) + Attrib(d, c, GLX_ACCUM_GREEN_SIZE) +
                  Attrib(d, c, GLX_ACCUM_BLUE_SIZE) + Attrib(d, c, GLX_ACCUM_ALPHA_SIZE);
    const int drawable = Attrib(d, c, GLX_DRAWABLE_TYPE);
    f.DrawToWindow = drawable & GLX_WINDOW_BIT;
    f.DrawToBitmap = drawable & GLX_PIXMAP_BIT;
    f.DoubleBuffer = Attrib(d, c, GLX_DOUBLEBUFFER) != 0;
    f.SupportGDI = false;
    f.Generic = software || Attrib(d, c, GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG;
    const int visualType = Attrib(d, c, GLX_X_VISUAL_TYPE);
    f.NeedPalette = visualType == GLX_PSEUDO_COLOR || visualType == GLX_GRAY_SCALE;
    if (f.VisualID && F.glXGetVisualFromFBConfig) {
      if (XVisualInfo* info = F.glXGetVisualFromFBConfig(d, c)) {
        f.RedShift = info->red_mask ? std::countr_zero(info->red_mask) : 0;
        f.GreenShift = info->green_mask ? std::countr_zero(info->green_mask) : 0;
        f.BlueShift = info->blue_mask ? std::countr_zero(info->blue_mask) : 0;
        XFree(info);
      }
    }
    return f;
  }

  TGLXFunctions F;
  TGLProcResolver FResolve = nullptr;
};

TGLXPlatform glxPlatform;
IGLPlatform* currentPlatform = &glxPlatform;

}  // namespace

namespace {

// A foreign window (a preview's parent) can vanish at any moment, and with it
// our child and its drawable: errors about vanished windows are expected and
// ignored. Any other error is reported; none ends the program.
int OnXError(Display* d, XErrorEvent* e) {
  if (e->error_code == BadWindow || e->error_code == BadDrawable) return 0;
  char text[256] = {};
  XGetErrorText(d, e->error_code, text, sizeof text);
  std::fprintf(stderr, "Emberhall: X error %s (request %d.%d)\n", text, e->request_code, e->minor_code);
  return 0;
}

}  // namespace

Display* GLXDisplay() {
  if (!sharedDisplay) {
    const char* name = std::getenv("DISPLAY");
    if (name && *name) sharedDisplay = XOpenDisplay(nullptr);
    if (sharedDisplay) XSetErrorHandler(OnXError);
  }
  return sharedDisplay;
}

IGLPlatform& GLPlatform() { return *currentPlatform; }

void SetGLPlatform(IGLPlatform* Platform) { currentPlatform = Platform ? Platform : &glxPlatform; }

int GLXGetSwapIntervalMESA() { return glxPlatform.GetSwapIntervalMESA(); }

}  // namespace emberhall
