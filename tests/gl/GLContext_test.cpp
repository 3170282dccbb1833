#include "gl/GLTestSupport.h"
// X11 after gtest (pulled in above): its macros clash with gtest's names.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "gl/GLE.h"
#include "gl/GLU.h"
#include "platform/SysUtils.h"
#include "platform/glx/GLXPlatform.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

TGLPixelFormat Format(int color, int depth, int stencil, int alpha, int accum, bool window, bool doubleBuffer,
                      int index = 1) {
  TGLPixelFormat f;
  f.ColorBits = color, f.DepthBits = depth, f.StencilBits = stencil, f.AlphaBits = alpha, f.AccumBits = accum;
  f.DrawTo = window ? dtWindow : dtBitmap;
  f.DoubleBuffer = doubleBuffer;
  f.FormatIndex = index;
  return f;
}

// A device whose formats, context creation and palette can be set up at will.
class TFakeGLPlatform : public IGLPlatform {
 public:
  std::vector<TPixelFormatDescriptor> formats;
  bool setPixelFormatWorks = true, paletteWorks = true, contextWorks = true;
  int swaps = 0, contextsAlive = 0;
  std::vector<TPaletteEntry> palette;
  unsigned long chosenVisual = 0;

  void LibraryLoaded(TLibraryHandle) override {}
  TGLDeviceContext GetScreenDC() override { return {}; }
  void ReleaseScreenDC(const TGLDeviceContext&) override {}
  std::vector<TPixelFormatDescriptor> DescribePixelFormats(const TGLDeviceContext&) override { return formats; }
  bool SetPixelFormat(const TGLDeviceContext&, const TPixelFormatDescriptor& f) override {
    chosenVisual = f.VisualID;
    return setPixelFormatWorks;
  }
  HPALETTE CreatePalette(const TGLDeviceContext&, const TPixelFormatDescriptor&,
                         const std::vector<TPaletteEntry>& entries) override {
    palette = entries;
    return paletteWorks ? this : nullptr;
  }
  void DeletePalette(const TGLDeviceContext&, HPALETTE) override {}
  HGLRC CreateContext(const TGLDeviceContext&, const TPixelFormatDescriptor&) override {
    if (!contextWorks) return nullptr;
    ++contextsAlive;
    return this;
  }
  bool MakeCurrent(const TGLDeviceContext&, HGLRC) override { return true; }
  void DeleteContext(const TGLDeviceContext&, HGLRC) override { --contextsAlive; }
  void LoadExtensions() override {}
  void ClearExtensions() override {}
  bool HasSwapInterval() const override { return hasSwapInterval; }
  void SetSwapInterval(const TGLDeviceContext&, int interval) override { events.push_back("interval " + std::to_string(interval)); }
  const char* ExtensionsString(const TGLDeviceContext&) override { return "WGL_EXT_a \"two words\",WGL_b"; }
  void SwapBuffers(const TGLDeviceContext&) override {
    ++swaps;
    events.push_back("swap");
  }
  bool hasSwapInterval = false;
  std::vector<std::string> events;
};

TPixelFormatDescriptor Descriptor(int color, int depth, bool generic, unsigned long visual, bool palette = false) {
  TPixelFormatDescriptor d;
  d.ColorBits = color, d.DepthBits = depth, d.DrawToWindow = true, d.DoubleBuffer = true;
  d.Generic = generic, d.VisualID = visual, d.NeedPalette = palette;
  d.RedBits = 3, d.GreenBits = 3, d.BlueBits = 2, d.RedShift = 0, d.GreenShift = 3, d.BlueShift = 6;
  return d;
}

struct TFakeDevice {
  TFakeGLPlatform platform;
  TFakeDevice() { SetGLPlatform(&platform); }
  ~TFakeDevice() { SetGLPlatform(nullptr); }
};

int CountEntries(const char* dir) {
  int n = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) ++n, (void)e;
  return n;
}

}  // namespace

TEST(PixelFormats, ChoiceRule) {
  TGLPixelFormat req = DefaultPixelFormat();
  struct Case { std::vector<TGLPixelFormat> formats; int32_t chosen; };
  const Case cases[] = {
      // The first exact match wins even if a later one has more of everything else.
      {{Format(24, 24, 0, 0, 0, true, true), Format(32, 16, 8, 8, 64, true, true), Format(32, 16, 0, 0, 0, true, true)},
       1},
      // 24/24 double-buffered window (20480) beats 32/16 single-buffered (17408).
      {{Format(32, 16, 0, 0, 0, true, false), Format(24, 24, 0, 0, 0, true, true)}, 1},
      {{Format(24, 24, 0, 0, 0, true, true), Format(32, 16, 0, 0, 0, true, false)}, 0},
      // Equal scores: the earlier stays.
      {{Format(16, 16, 0, 0, 0, true, true), Format(16, 16, 0, 0, 0, true, true)}, 0},
      {{}, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindFormatIn(c.formats, req), c.chosen);
  // A requirement whose every weighed part is zero scores nothing: none is chosen.
  TGLPixelFormat nothing;
  nothing.DoubleBuffer = true;
  nothing.SupportGDI = true;
  nothing.DrawTo = dtWindow | dtBitmap;
  EXPECT_EQ(FindFormatIn({Format(32, 16, 0, 0, 0, false, false)}, nothing), -1);
}

TEST(PixelFormats, PaletteOfAColourIndexedFormat) {
  auto entries = PaletteEntriesOf(Descriptor(8, 16, false, 1));
  ASSERT_EQ(entries.size(), 256u);
  EXPECT_EQ(entries[0].Red + entries[0].Green + entries[0].Blue, 0);
  EXPECT_EQ(entries[255].Red, 255);
  EXPECT_EQ(entries[255].Blue, 255);
  EXPECT_EQ(entries[7].Red, 255);  // 3 red bits all set
  EXPECT_EQ(entries[7].Green, 0);
  EXPECT_EQ(entries[0x40].Blue, 85);  // blue 1 of 3
  EXPECT_EQ(entries[0x08].Green, 36);
}

TEST(CustomOpenGL, AllGenericDeviceUsesGenericFormats) {
  TFakeDevice device;
  device.platform.formats = {Descriptor(16, 16, true, 11), Descriptor(32, 16, true, 12)};
  TCustomOpenGL gl;
  EXPECT_EQ(gl.GetRenderer(), "");  // nothing asked before a start
  EXPECT_FALSE(gl.HasAcceleratedFormats());
  EXPECT_TRUE(gl.IsGeneric());
  EXPECT_EQ(gl.ChooseVisual(), 12u);
  gl.StartContext({});
  EXPECT_TRUE(gl.Active);
  EXPECT_EQ(device.platform.chosenVisual, 12u);
  EXPECT_EQ(gl.WGLExtensions, (std::vector<std::string>{"WGL_EXT_a", "two words", "WGL_b"}));
  gl.SwapToEven({});
  EXPECT_EQ(device.platform.swaps, 0);
  gl.SwapFrame({});
  EXPECT_FALSE(gl.EvenSwapCount);
  gl.SwapToEven({});
  EXPECT_EQ(device.platform.swaps, 2);
  EXPECT_TRUE(gl.EvenSwapCount);
  gl.StopContext();
  gl.StopContext();  // a second stop does nothing
  EXPECT_FALSE(gl.Active);
  EXPECT_FALSE(gl.FormatsEnumerated);
  EXPECT_EQ(device.platform.contextsAlive, 0);
  EXPECT_EQ(gl.GenericFormatIndex, 1);  // the choice is kept for the next start
}

TEST(CustomOpenGL, SwapIntervalGoesOutBeforeEverySwapWhenResolved) {
  for (bool resolved : {true, false}) {
    TFakeDevice device;
    device.platform.formats = {Descriptor(32, 16, false, 5)};
    device.platform.hasSwapInterval = resolved;
    TCustomOpenGL gl;
    gl.StartContext({});
    gl.SwapFrame({});
    gl.SwapInterval = 0;
    gl.SwapFrame({});
    if (resolved) {
      EXPECT_EQ(device.platform.events, (std::vector<std::string>{"interval 1", "swap", "interval 0", "swap"}));
    } else {
      EXPECT_EQ(device.platform.events, (std::vector<std::string>{"swap", "swap"}));
    }
  }
}

TEST(CustomOpenGL, TheFiveStartErrors) {
  struct Case { std::vector<TPixelFormatDescriptor> formats; bool pixelFormat, palette, context; const char* message; };
  const Case cases[] = {
      {{}, true, true, true, "Create RC failed: FormatIndex is not selected!"},
      {{Descriptor(32, 16, false, 5)}, false, true, true, "Create RC failed: pixel format is not set!"},
      {{Descriptor(8, 16, false, 5, true)}, true, false, true, "Create RC failed: Palette is not created!"},
      {{Descriptor(32, 16, false, 5)}, true, true, false, "Create RC failed: Context is not created!"},
  };
  for (const Case& c : cases) {
    TFakeDevice device;
    device.platform.formats = c.formats;
    device.platform.setPixelFormatWorks = c.pixelFormat;
    device.platform.paletteWorks = c.palette;
    device.platform.contextWorks = c.context;
    TCustomOpenGL gl;
    try {
      gl.StartContext({});
      FAIL() << c.message;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_FALSE(gl.Active);
  }
  // A palette format realises its 256 entries before the context is made.
  TFakeDevice device;
  device.platform.formats = {Descriptor(8, 16, false, 5, true)};
  TCustomOpenGL gl;
  gl.StartContext({});
  EXPECT_EQ(device.platform.palette.size(), 256u);
  EXPECT_NE(gl.Palette, nullptr);
  gl.StopContext();
  EXPECT_EQ(gl.Palette, nullptr);
  // The fifth: a format without a number (a requirement) cannot be set.
  TCustomOpenGL unnumbered;
  unnumbered.GenericFormats = {Format(32, 16, 0, 0, 0, true, true, 0)};
  unnumbered.FormatsEnumerated = true;
  unnumbered.GenericFormatIndex = 0;
  try {
    unnumbered.StartContext({});
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Create RC failed: Pixel Format is not choosed!");
  }
}

TEST(Loader, MessagesAndOneHandleAtATime) {
  try {
    LoadOpenGL("libNoSuchGL.so.7");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Error: Could not load OpenGL from libNoSuchGL.so.7");
  }
  EXPECT_EQ(OpenGLLibrary, nullptr);
  EXPECT_EQ(emberhall::glBegin, nullptr);
  try {
    LoadGLU("libNoSuchGLU.so");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Could not load GLU from libNoSuchGLU.so");
  }
  int before = OpenLibraryCount();
  LoadOpenGL(DefaultOpenGLLibrary);
  LoadOpenGL(DefaultOpenGLLibrary);  // the earlier load is freed first
  EXPECT_EQ(OpenLibraryCount(), before + 1);
  EXPECT_NE(emberhall::glBegin, nullptr);
  EXPECT_NE(emberhall::glViewport, nullptr);
  EXPECT_NE(GLGetProcAddress, nullptr);
  LoadGLU(DefaultGLULibrary);
  EXPECT_NE(emberhall::gluLookAt, nullptr);
  EXPECT_EQ(emberhall::gluErrorUnicodeStringEXT, nullptr);  // a Windows-only name
  UnloadGLU();
  UnloadOpenGL();
  EXPECT_EQ(OpenLibraryCount(), before);
  EXPECT_EQ(emberhall::glBegin, nullptr);
  EXPECT_FALSE(ExtensionSupported("GL_ARB_multitexture"));  // no library: false, no crash
}

TEST(Loader, ProgramDoesNotLinkOpenGL) {
  FILE* p = popen((std::string("readelf -d ") + EMBERHALL_PROGRAM).c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[512];
  while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  EXPECT_EQ(pclose(p), 0);
  EXPECT_NE(out.find("NEEDED"), std::string::npos);
  EXPECT_EQ(out.find("libGL"), std::string::npos) << out;
  EXPECT_EQ(out.find("libGLU"), std::string::npos) << out;
  EXPECT_EQ(out.find("libOpenGL"), std::string::npos) << out;
}

using GLContext = TGLContextTest;

TEST_F(GLContext, StartsOnTheRealDisplay) {
  EXPECT_FALSE(OpenGL->Version.empty());
  EXPECT_FALSE(OpenGL->GetRenderer().empty());
  EXPECT_FALSE(OpenGL->GetVendor().empty());
  EXPECT_NE(std::find(OpenGL->Extensions.begin(), OpenGL->Extensions.end(), "GL_ARB_multitexture"),
            OpenGL->Extensions.end());
  EXPECT_FALSE(OpenGL->WGLExtensions.empty());
  EXPECT_EQ(OpenGL->WGLExtensions[0].rfind("GLX_", 0), 0u);
  EXPECT_TRUE(ExtensionSupported("GL_ARB_multi"));  // a prefix counts
  EXPECT_FALSE(ExtensionSupported("GL_NO_SUCH_extension"));
  EXPECT_NE(emberhall::glActiveTextureARB, nullptr);
  // The software renderer's formats are all generic here.
  EXPECT_TRUE(OpenGL->IsGeneric());

  emberhall::glClearColor(1, 0, 0, 1);
  emberhall::glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(ReadPixel(10, 10), (std::vector<int>{255, 0, 0}));

  OpenGL->SetDepthTest(true);
  EXPECT_TRUE(emberhall::glIsEnabled(GL_DEPTH_TEST));
  OpenGL->SetDepthTest(false);
  EXPECT_FALSE(emberhall::glIsEnabled(GL_DEPTH_TEST));
  GLint hint = 0;
  OpenGL->SetPerspectiveCorrection(false);
  emberhall::glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
  EXPECT_EQ(hint, GL_FASTEST);
}

TEST_F(GLContext, SwapIntervalIsAppliedBeforeEverySwap) {
  if (GLXGetSwapIntervalMESA() < 0) GTEST_SKIP() << "GLX_MESA_swap_control is not offered";
  for (uint8_t interval : {0, 1, 2, 0}) {
    OpenGL->SwapInterval = interval;
    OpenGL->SwapFrame(DC);
    EXPECT_EQ(GLXGetSwapIntervalMESA(), interval);
  }
}

TEST_F(GLContext, StartingAndStopping200TimesLeavesNothingBehind) {
  OpenGL->StopContext();
  OpenGL->StartContext(DC);  // the first cycle may set up the driver's lasting state
  OpenGL->StopContext();
  const int fds = CountEntries("/proc/self/fd");
  const int threads = CountEntries("/proc/self/task");
  const int libraries = OpenLibraryCount();
  for (int i = 0; i < 200; ++i) {
    OpenGL->StartContext(DC);
    emberhall::glClear(GL_COLOR_BUFFER_BIT);
    OpenGL->SwapFrame(DC);
    OpenGL->StopContext();
  }
  EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
  EXPECT_EQ(CountEntries("/proc/self/task"), threads);
  EXPECT_EQ(OpenLibraryCount(), libraries);
  OpenGL->StartContext(DC);
}
