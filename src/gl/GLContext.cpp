#include "gl/GLContext.h"

#include "gl/GLE.h"
#include "gl/GLU.h"
#include "platform/FloatingPoint.h"
#include "platform/SysUtils.h"

namespace emberhall {

namespace {

int32_t Closeness(int32_t required, int32_t actual, int32_t weight) {
  if (required == 0) return 0;
  if (required >= actual) return static_cast<int32_t>(static_cast<int64_t>(actual) * weight / required);
  return static_cast<int32_t>(static_cast<int64_t>(required) * weight / actual);
}

bool BitsMatch(int32_t required, int32_t actual) { return required == 0 || required == actual; }

std::vector<std::string> SplitNames(const char* text) {
  if (!text) return {};
  std::vector<std::string> names;
  for (std::string& n : SplitListText(text))
    if (!n.empty()) names.push_back(std::move(n));
  return names;
}

}  // namespace

TGLPixelFormat DefaultPixelFormat() {
  TGLPixelFormat f;
  f.ColorBits = 32;
  f.DepthBits = 16;
  f.DrawTo = dtWindow;
  f.DoubleBuffer = true;
  return f;
}

TGLPixelFormat PixelFormatOf(const TPixelFormatDescriptor& D, int32_t FormatIndex) {
  TGLPixelFormat f;
  f.ColorBits = D.ColorBits;
  f.DepthBits = D.DepthBits;
  f.StencilBits = D.StencilBits;
  f.AlphaBits = D.AlphaBits;
  f.AccumBits = D.AccumBits;
  f.DrawTo = static_cast<uint8_t>((D.DrawToWindow ? dtWindow : 0) | (D.DrawToBitmap ? dtBitmap : 0));
  f.DoubleBuffer = D.DoubleBuffer;
  f.SupportGDI = D.SupportGDI;
  f.FormatIndex = FormatIndex;
  f.Descriptor = D;
  return f;
}

int32_t FindFormatIn(const std::vector<TGLPixelFormat>& Formats, const TGLPixelFormat& R) {
  int32_t best = -1, bestScore = 0;
  for (size_t i = 0; i < Formats.size(); ++i) {
    const TGLPixelFormat& F = Formats[i];
    const bool drawTo = (R.DrawTo & F.DrawTo) == R.DrawTo;
    const bool doubleBuffer = R.DoubleBuffer == F.DoubleBuffer;
    const bool gdi = R.SupportGDI == F.SupportGDI;
    if (BitsMatch(R.ColorBits, F.ColorBits) && BitsMatch(R.DepthBits, F.DepthBits) &&
        BitsMatch(R.StencilBits, F.StencilBits) && BitsMatch(R.AlphaBits, F.AlphaBits) &&
        BitsMatch(R.AccumBits, F.AccumBits) && drawTo && doubleBuffer && gdi)
      return static_cast<int32_t>(i);
    const int32_t score = Closeness(R.ColorBits, F.ColorBits, 4096) + Closeness(R.DepthBits, F.DepthBits, 3072) +
                          Closeness(R.StencilBits, F.StencilBits, 2048) + Closeness(R.AlphaBits, F.AlphaBits, 1024) +
                          Closeness(R.AccumBits, F.AccumBits, 1) + 5120 * (drawTo + doubleBuffer + gdi);
    if (score > bestScore) {
      bestScore = score;
      best = static_cast<int32_t>(i);
    }
  }
  return best;
}

std::vector<TPaletteEntry> PaletteEntriesOf(const TPixelFormatDescriptor& D) {
  const int32_t bits = D.ColorBits < 0 ? 0 : (D.ColorBits > 8 ? 8 : D.ColorBits);
  auto component = [](uint32_t i, int32_t shift, int32_t bitCount) -> uint8_t {
    const uint8_t mask = static_cast<uint8_t>((1u << bitCount) - 1u);
    if (mask == 0) return 0;
    return static_cast<uint8_t>(static_cast<uint8_t>((i >> shift) & mask) * 255 / mask);
  };
  std::vector<TPaletteEntry> entries(static_cast<size_t>(1) << bits);
  for (uint32_t i = 0; i < entries.size(); ++i)
    entries[i] = {component(i, D.RedShift, D.RedBits), component(i, D.GreenShift, D.GreenBits),
                  component(i, D.BlueShift, D.BlueBits), 0};
  return entries;
}

// ---- TCustomOpenGL ----

TCustomOpenGL::TCustomOpenGL() {
  Lights.SetCapacity(16);
  Materials.SetCapacity(1000);
  Primitives.SetCapacity(100000);
  Textures.SetCapacity(1000);
  Viewports.SetCapacity(16);
  DisplayLists.SetCapacity(1000);
}

TCustomOpenGL::~TCustomOpenGL() {
  StopContext();
  UnloadLibraries();
}

void TCustomOpenGL::LoadLibraries() {
  if (LibrariesLoaded) return;
  LoadOpenGL(DefaultOpenGLLibrary);
  try {
    LoadGLU(DefaultGLULibrary);
  } catch (...) {
    UnloadOpenGL();
    throw;
  }
  GLPlatform().LibraryLoaded(OpenGLLibrary);
  LibrariesLoaded = true;
}

void TCustomOpenGL::UnloadLibraries() {
  if (!LibrariesLoaded) return;
  GLPlatform().LibraryLoaded(nullptr);
  UnloadOpenGL();
  UnloadGLU();
  LibrariesLoaded = false;
}

std::vector<TGLPixelFormat>& TCustomOpenGL::FormatsInUse() {
  return (IsGeneric() || AcceleratedFormats.empty()) ? GenericFormats : AcceleratedFormats;
}

void TCustomOpenGL::EnumerateFormats(const TGLDeviceContext& DC) {
  if (FormatsEnumerated) return;
  MaskFPUExceptions();
  AcceleratedFormats.clear();
  GenericFormats.clear();
  std::vector<TPixelFormatDescriptor> all = GLPlatform().DescribePixelFormats(DC);
  for (size_t i = 0; i < all.size(); ++i) {
    TGLPixelFormat f = PixelFormatOf(all[i], static_cast<int32_t>(i + 1));
    (all[i].Generic ? GenericFormats : AcceleratedFormats).push_back(f);
  }
  FormatsEnumerated = !all.empty();
}

void TCustomOpenGL::EnsureFormats() {
  if (FormatsEnumerated) return;
  LoadLibraries();
  TGLDeviceContext screen = GLPlatform().GetScreenDC();
  EnumerateFormats(screen);
  GLPlatform().ReleaseScreenDC(screen);
}

bool TCustomOpenGL::HasAcceleratedFormats() {
  EnsureFormats();
  return !AcceleratedFormats.empty();
}

bool TCustomOpenGL::IsGeneric() {
  if (FormatsEnumerated && !Generic && AcceleratedFormats.empty()) Generic = true;
  return Generic;
}

int32_t TCustomOpenGL::FormatCount() {
  EnsureFormats();
  return static_cast<int32_t>(FormatsInUse().size());
}

TGLPixelFormat TCustomOpenGL::GetFormat(int32_t Index) {
  EnsureFormats();
  std::vector<TGLPixelFormat>& formats = FormatsInUse();
  if (Index < 0 || Index >= static_cast<int32_t>(formats.size()))
    throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return formats[static_cast<size_t>(Index)];
}

int32_t TCustomOpenGL::SelectedFormatIndex() {
  return (IsGeneric() || AcceleratedFormats.empty()) ? GenericFormatIndex : AcceleratedFormatIndex;
}

int32_t TCustomOpenGL::FindFormat(const TGLPixelFormat& Requirement) {
  return FindFormatIn(FormatsInUse(), Requirement);
}

void TCustomOpenGL::ChooseFormats() {
  if (AcceleratedFormatIndex == -1) AcceleratedFormatIndex = FindFormat(DefaultPixelFormat());
  if (GenericFormatIndex == -1) GenericFormatIndex = FindFormat(DefaultPixelFormat());
}

unsigned long TCustomOpenGL::ChooseVisual() {
  EnsureFormats();
  ChooseFormats();
  const int32_t index = SelectedFormatIndex();
  if (index < 0 || index >= static_cast<int32_t>(FormatsInUse().size())) return 0;
  return FormatsInUse()[static_cast<size_t>(index)].Descriptor.VisualID;
}

void TCustomOpenGL::StartContext(const TGLDeviceContext& DC) {
  LoadLibraries();
  EnumerateFormats(DC);
  ChooseFormats();
  CreateRenderingContext(DC);
  Version = glGetString && glGetString(GL_VERSION) ? reinterpret_cast<const char*>(glGetString(GL_VERSION)) : "";
  Renderer.clear();
  Vendor.clear();
  Extensions = SplitNames(glGetString ? reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)) : nullptr);
  WGLExtensions = SplitNames(GLPlatform().ExtensionsString(DC));
  DisplayLists.BuildAll();
  Active = true;
}

void TCustomOpenGL::CreateRenderingContext(const TGLDeviceContext& DC) {
  IGLPlatform& platform = GLPlatform();
  const int32_t I = SelectedFormatIndex();
  if (I < 0 || I >= FormatCount()) throw Exception("Create RC failed: FormatIndex is not selected!");
  const TGLPixelFormat F = GetFormat(I);
  if (F.FormatIndex == 0) throw Exception("Create RC failed: Pixel Format is not choosed!");
  MaskFPUExceptions();
  if (!platform.SetPixelFormat(DC, F.Descriptor)) throw Exception("Create RC failed: pixel format is not set!");
  if (F.Descriptor.NeedPalette) {
    Palette = platform.CreatePalette(DC, F.Descriptor, PaletteEntriesOf(F.Descriptor));
    if (!Palette) throw Exception("Create RC failed: Palette is not created!");
  }
  RenderingContext = platform.CreateContext(DC, F.Descriptor);
  if (!RenderingContext) {
    if (Palette) platform.DeletePalette(DC, Palette);
    Palette = nullptr;
    throw Exception("Create RC failed: Context is not created!");
  }
  FContextDC = DC;
  platform.MakeCurrent(DC, RenderingContext);
  ContextCreated();
}

void TCustomOpenGL::ContextCreated() {
  LoadExtensions();
  GLPlatform().LoadExtensions();
  Lights.ContextCreated();
  Materials.ContextCreated();
  DisplayLists.ContextCreated();
  Primitives.ContextCreated();
  Textures.ContextCreated();
  Viewports.ContextCreated();
}

void TCustomOpenGL::ReleaseRenderingContext() {
  MaskFPUExceptions();
  if (RenderingContext) {
    Textures.DeleteAll();
    GLPlatform().MakeCurrent(FContextDC, nullptr);
    GLPlatform().DeleteContext(FContextDC, RenderingContext);
    RenderingContext = nullptr;
  }
  if (Palette) GLPlatform().DeletePalette(FContextDC, Palette);
  Palette = nullptr;
}

void TCustomOpenGL::StopContext() {
  if (!Active) return;
  DisplayLists.DeleteAll();
  ReleaseRenderingContext();
  ClearExtensions();
  GLPlatform().ClearExtensions();
  AcceleratedFormats.clear();
  GenericFormats.clear();
  FormatsEnumerated = false;
  Active = false;
}

void TCustomOpenGL::SwapFrame(const TGLDeviceContext& DC) {
  MaskFPUExceptions();
  glFlush();
  if (GLPlatform().HasSwapInterval()) GLPlatform().SetSwapInterval(DC, SwapInterval);
  GLPlatform().SwapBuffers(DC);
  EvenSwapCount = !EvenSwapCount;
}

void TCustomOpenGL::SwapToEven(const TGLDeviceContext& DC) {
  if (!EvenSwapCount) SwapFrame(DC);
}

void TCustomOpenGL::SetCullFace(bool Value) { Value ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE); }
void TCustomOpenGL::SetDepthTest(bool Value) { Value ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST); }
void TCustomOpenGL::SetLighting(bool Value) { Value ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING); }
void TCustomOpenGL::SetPerspectiveCorrection(bool Value) {
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, Value ? GL_NICEST : GL_FASTEST);
}

const std::string& TCustomOpenGL::GetRenderer() {
  if (Renderer.empty() && Active && glGetString) {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    Renderer = text ? text : "";
  }
  return Renderer;
}

const std::string& TCustomOpenGL::GetVendor() {
  if (Vendor.empty() && Active && glGetString) {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
    Vendor = text ? text : "";
  }
  return Vendor;
}

}  // namespace emberhall
