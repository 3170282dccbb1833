// The rendering context and everything tied to it: libraries, pixel
// formats and their choice, creation and release, the per-frame swap, the
// renderer's strings, global switches, and one owning list of each GL object kind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl/GLItems.h"
#include "gl/GLLights.h"
#include "platform/GLPlatform.h"
#include "gl/GLPrimitives.h"
#include "gl/GLTextures.h"
#include "gl/GLViewports.h"

namespace emberhall {

enum TGLDrawTo : uint8_t { dtWindow = 1, dtBitmap = 2 };

struct TGLPixelFormat {
  int32_t ColorBits = 0;
  int32_t DepthBits = 0;
  int32_t StencilBits = 0;
  int32_t AlphaBits = 0;
  int32_t AccumBits = 0;
  uint8_t DrawTo = 0;  // set of TGLDrawTo
  bool DoubleBuffer = false;
  bool SupportGDI = false;
  int32_t FormatIndex = 0;  // 1-based number of the device's format; 0 in a requirement
  TPixelFormatDescriptor Descriptor;
};

// 32 colour bits, 16 depth bits, a double-buffered window format without GDI.
TGLPixelFormat DefaultPixelFormat();
TGLPixelFormat PixelFormatOf(const TPixelFormatDescriptor& D, int32_t FormatIndex);
// The first exact match, else the best score above 0 (earlier wins ties); -1 for none.
int32_t FindFormatIn(const std::vector<TGLPixelFormat>& Formats, const TGLPixelFormat& Requirement);
// The logical palette of a colour-indexed format: 2^ColorBits entries.
std::vector<TPaletteEntry> PaletteEntriesOf(const TPixelFormatDescriptor& D);

class TCustomOpenGL {
 public:
  TCustomOpenGL();
  virtual ~TCustomOpenGL();
  TCustomOpenGL(const TCustomOpenGL&) = delete;
  TCustomOpenGL& operator=(const TCustomOpenGL&) = delete;

  // Loads the libraries when needed, enumerates and chooses, creates the
  // context on DC and makes it current. Raises the loader's error or one of
  // the five "Create RC failed: ..." errors; Active stays false then.
  void StartContext(const TGLDeviceContext& DC);
  void StopContext();
  void UnloadLibraries();

  void SwapFrame(const TGLDeviceContext& DC);
  void SwapToEven(const TGLDeviceContext& DC);

  void SetCullFace(bool Value);
  void SetDepthTest(bool Value);
  void SetLighting(bool Value);
  void SetPerspectiveCorrection(bool Value);

  const std::string& GetRenderer();
  const std::string& GetVendor();
  bool HasAcceleratedFormats();
  bool IsGeneric();
  virtual void SetGeneric(bool Value) { Generic = Value; }
  int32_t FormatCount();
  TGLPixelFormat GetFormat(int32_t Index);
  int32_t SelectedFormatIndex();
  int32_t FindFormat(const TGLPixelFormat& Requirement);
  void EnumerateFormats(const TGLDeviceContext& DC);
  void EnsureFormats();
  // The X visual a window must be created with so that the format this
  // context will choose can be set on it (0 when no format is chosen).
  unsigned long ChooseVisual();

  uint8_t SwapInterval = 1;
  std::string Version;
  std::string Renderer;
  std::string Vendor;
  std::vector<std::string> Extensions;
  std::vector<std::string> WGLExtensions;
  bool Generic = false;
  TGLLightList Lights{this};
  TGLMaterialList Materials{this};
  TGLPrimitiveList Primitives{this};
  TGLScreenShot ScreenShot;
  TGLTextureList Textures{this};
  TGLViewportList Viewports{this};
  std::vector<TGLPixelFormat> AcceleratedFormats;
  std::vector<TGLPixelFormat> GenericFormats;
  int32_t AcceleratedFormatIndex = -1;
  int32_t GenericFormatIndex = -1;
  bool FormatsEnumerated = false;
  bool Active = false;
  bool LibrariesLoaded = false;
  HGLRC RenderingContext = nullptr;
  HPALETTE Palette = nullptr;
  bool EvenSwapCount = true;
  TGLDisplayListList DisplayLists{this};

 protected:
  void LoadLibraries();
  std::vector<TGLPixelFormat>& FormatsInUse();
  void ChooseFormats();
  void CreateRenderingContext(const TGLDeviceContext& DC);
  void ReleaseRenderingContext();
  void ContextCreated();

  TGLDeviceContext FContextDC;
};

}  // namespace emberhall
