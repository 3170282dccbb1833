// OpenGL on Windows: GDI pixel formats and palettes, WGL contexts from the
// loaded opengl32.dll, the swap-interval extension, and the libraries' names.
#include <cstring>
#include <string>

#include "platform/GLLibrary.h"
#include "platform/GLPlatform.h"
#include "platform/win32/Win32.h"

namespace emberhall {

const char* const DefaultOpenGLLibrary = "opengl32.dll";
const char* const FallbackOpenGLLibrary = "";
const char* const DefaultGLULibrary = "glu32.dll";

namespace {

using TWglGetProcAddress = PROC(WINAPI*)(LPCSTR);
TWglGetProcAddress wglGetProcAddressOfLibrary = nullptr;

TGLProc ResolveThroughWGL(const char* Name) {
  return wglGetProcAddressOfLibrary ? reinterpret_cast<TGLProc>(reinterpret_cast<void (*)()>(wglGetProcAddressOfLibrary(Name))) : nullptr;
}

// The WGL functions of the loaded library, and per context its extensions.
struct TWGLFunctions {
  HGLRC(WINAPI* wglCreateContext)(HDC) = nullptr;
  BOOL(WINAPI* wglMakeCurrent)(HDC, ::HGLRC) = nullptr;
  BOOL(WINAPI* wglDeleteContext)(::HGLRC) = nullptr;
  BOOL(WINAPI* wglSwapIntervalEXT)(int) = nullptr;
  const char*(WINAPI* wglGetExtensionsStringARB)(HDC) = nullptr;
  const char*(WINAPI* wglGetExtensionsStringEXT)() = nullptr;
};

HDC DCOf(const TGLDeviceContext& DC) { return static_cast<HDC>(DC.Display); }

// A looked-up entry point as the function type it really has.
template <class T, class F>
T FunctionCast(F Proc) {
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(Proc));
}

template <class T>
void Resolve(T& Pointer, const char* Name) {
  Pointer = FunctionCast<T>(ResolveThroughWGL(Name));
}

template <class T>
void ResolveExport(HMODULE Library, T& Pointer, const char* Name) {
  Pointer = FunctionCast<T>(::GetProcAddress(Library, Name));
}

TPixelFormatDescriptor Describe(int Index, const PIXELFORMATDESCRIPTOR& P) {
  TPixelFormatDescriptor d;
  d.Config = reinterpret_cast<void*>(static_cast<intptr_t>(Index));
  d.VisualID = static_cast<unsigned long>(Index);
  d.ColorBits = P.cColorBits;
  d.RedBits = P.cRedBits;
  d.GreenBits = P.cGreenBits;
  d.BlueBits = P.cBlueBits;
  d.RedShift = P.cRedShift;
  d.GreenShift = P.cGreenShift;
  d.BlueShift = P.cBlueShift;
  d.AlphaBits = P.cAlphaBits;
  d.DepthBits = P.cDepthBits;
  d.StencilBits = P.cStencilBits;
  d.AccumBits = P.cAccumBits;
  d.DrawToWindow = P.dwFlags & PFD_DRAW_TO_WINDOW;
  d.DrawToBitmap = P.dwFlags & PFD_DRAW_TO_BITMAP;
  d.DoubleBuffer = P.dwFlags & PFD_DOUBLEBUFFER;
  d.SupportGDI = P.dwFlags & PFD_SUPPORT_GDI;
  d.Generic = (P.dwFlags & PFD_GENERIC_FORMAT) && !(P.dwFlags & PFD_GENERIC_ACCELERATED);
  d.NeedPalette = P.dwFlags & PFD_NEED_PALETTE;
  return d;
}

class TWGLPlatform : public IGLPlatform {
 public:
  void LibraryLoaded(TLibraryHandle Library) override {
    F = TWGLFunctions();
    FindGLProcResolver(Library);
    if (!Library) return;
    auto lib = static_cast<HMODULE>(Library);
    ResolveExport(lib, F.wglCreateContext, "wglCreateContext");
    ResolveExport(lib, F.wglMakeCurrent, "wglMakeCurrent");
    ResolveExport(lib, F.wglDeleteContext, "wglDeleteContext");
  }

  TGLDeviceContext GetScreenDC() override { return {GetDC(nullptr), 0, 0}; }

  void ReleaseScreenDC(const TGLDeviceContext& DC) override {
    if (DC.Display) ReleaseDC(nullptr, DCOf(DC));
  }

  std::vector<TPixelFormatDescriptor> DescribePixelFormats(const TGLDeviceContext& DC) override {
    std::vector<TPixelFormatDescriptor> formats;
    if (!DC.Display) return formats;
    PIXELFORMATDESCRIPTOR p{};
    const int count = DescribePixelFormat(DCOf(DC), 1, sizeof(p), &p);
    for (int i = 1; i <= count; ++i)
      if (DescribePixelFormat(DCOf(DC), i, sizeof(p), &p)) formats.push_back(Describe(i, p));
    return formats;
  }

  bool SetPixelFormat(const TGLDeviceContext& DC, const TPixelFormatDescriptor& Format) override {
    const int index = static_cast<int>(Format.VisualID);
    if (!DC.Display || index <= 0) return false;
    if (GetPixelFormat(DCOf(DC)) == index) return true;  // a window's format is set once
    PIXELFORMATDESCRIPTOR p{};
    if (!DescribePixelFormat(DCOf(DC), index, sizeof(p), &p)) return false;
    return ::SetPixelFormat(DCOf(DC), index, &p);
  }

  HPALETTE CreatePalette(const TGLDeviceContext& DC, const TPixelFormatDescriptor&,
                         const std::vector<TPaletteEntry>& Entries) override {
    if (!DC.Display || Entries.empty() || Entries.size() > 256) return nullptr;
    std::vector<uint8_t> storage(sizeof(LOGPALETTE) + Entries.size() * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(storage.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(Entries.size());
    for (size_t i = 0; i < Entries.size(); ++i)
      log->palPalEntry[i] = {Entries[i].Red, Entries[i].Green, Entries[i].Blue, Entries[i].Flags};
    ::HPALETTE palette = ::CreatePalette(log);
    if (!palette) return nullptr;
    SelectPalette(DCOf(DC), palette, FALSE);
    RealizePalette(DCOf(DC));
    return palette;
  }

  void DeletePalette(const TGLDeviceContext& DC, HPALETTE Palette) override {
    if (!Palette) return;
    if (DC.Display) SelectPalette(DCOf(DC), static_cast<::HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    DeleteObject(static_cast<::HPALETTE>(Palette));
  }

  HGLRC CreateContext(const TGLDeviceContext& DC, const TPixelFormatDescriptor&) override {
    return DC.Display && F.wglCreateContext ? F.wglCreateContext(DCOf(DC)) : nullptr;
  }

  bool MakeCurrent(const TGLDeviceContext& DC, HGLRC RC) override {
    if (!F.wglMakeCurrent) return false;
    if (!RC) return F.wglMakeCurrent(nullptr, nullptr);
    return DC.Display && F.wglMakeCurrent(DCOf(DC), static_cast<::HGLRC>(RC));
  }

  void DeleteContext(const TGLDeviceContext&, HGLRC RC) override {
    if (RC && F.wglDeleteContext) F.wglDeleteContext(static_cast<::HGLRC>(RC));
  }

  void LoadExtensions() override {
    Resolve(F.wglGetExtensionsStringARB, "wglGetExtensionsStringARB");
    Resolve(F.wglGetExtensionsStringEXT, "wglGetExtensionsStringEXT");
    Resolve(F.wglSwapIntervalEXT, "wglSwapIntervalEXT");
  }

  void ClearExtensions() override {
    F.wglGetExtensionsStringARB = nullptr;
    F.wglGetExtensionsStringEXT = nullptr;
    F.wglSwapIntervalEXT = nullptr;
  }

  bool HasSwapInterval() const override { return F.wglSwapIntervalEXT != nullptr; }

  void SetSwapInterval(const TGLDeviceContext&, int Interval) override {
    if (F.wglSwapIntervalEXT) F.wglSwapIntervalEXT(Interval);
  }

  const char* ExtensionsString(const TGLDeviceContext& DC) override {
    if (F.wglGetExtensionsStringARB && DC.Display) return F.wglGetExtensionsStringARB(DCOf(DC));
    return F.wglGetExtensionsStringEXT ? F.wglGetExtensionsStringEXT() : nullptr;
  }

  void SwapBuffers(const TGLDeviceContext& DC) override {
    if (DC.Display) ::SwapBuffers(DCOf(DC));
  }

 private:
  TWGLFunctions F;
};

TWGLPlatform wglPlatform;
IGLPlatform* currentPlatform = &wglPlatform;

}  // namespace

TGLProcResolver FindGLProcResolver(TLibraryHandle Library) {
  wglGetProcAddressOfLibrary = nullptr;
  if (Library) ResolveExport(static_cast<HMODULE>(Library), wglGetProcAddressOfLibrary, "wglGetProcAddress");
  return wglGetProcAddressOfLibrary ? &ResolveThroughWGL : nullptr;
}

// Windows picks the software renderer through the pixel format: the GL
// layer prefers the generic formats when asked to, so nothing is set here.
void SelectSoftwareRenderer(bool) {}

IGLPlatform& GLPlatform() { return *currentPlatform; }

void SetGLPlatform(IGLPlatform* Platform) { currentPlatform = Platform ? Platform : &wglPlatform; }

}  // namespace emberhall
