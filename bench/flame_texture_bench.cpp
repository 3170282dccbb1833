// The flame texture's per-frame work: the copy of the 256 x 256 grid into the
// pixels of the scene texture "FLAME.jpg" (32-bit and 16-bit paths, no
// upload), and the upload of those pixels on a real context (needs DISPLAY;
// LIBGL_ALWAYS_SOFTWARE=1 for Mesa's software renderer).
#include <benchmark/benchmark.h>

#include <memory>

#include "fireplace/FlameTexture.h"
#include "gl/GLContext.h"
#include "platform/x11/X11Windows.h"
#include "scene/SceneTextures.h"

using namespace emberhall;

namespace {

// A scene whose "Textures" list holds "FLAME.jpg", 256 x 256 with alpha,
// filled from the embedded picture; and a flame after two seconds of burning.
struct TFlameScene {
  explicit TFlameScene(TCustomOpenGL& OpenGL, bool Dither) {
    scene.OpenGL = &OpenGL;
    list = new TSceneTextureList();
    list->Name = "Textures";
    list->SourceLocation = slResource;
    list->ColorBit = Dither ? cb16Bit : cb32Bit;
    scene.AddItem(list);
    list->AddAlphaTexture("FLAME.jpg", "FLAME.jpg");
    flame.SetSize(256, 256);
    for (int i = 0; i < 320; ++i) flame.Step();
  }
  ~TFlameScene() { scene.FreeAll(); }
  TMainScene scene;
  TSceneTextureList* list = nullptr;
  TFlame2D flame;
};

void BM_CopyFlameToTexture(benchmark::State& state) {
  TCustomOpenGL openGL;  // no context: only the pixel buffer is written
  const bool dither = state.range(0) != 0;
  TFlameScene s(openGL, dither);
  for (auto _ : state) {
    benchmark::DoNotOptimize(CopyFlameToTexture(s.scene, s.flame));
    benchmark::ClobberMemory();
  }
  state.SetLabel(dither ? "16-bit (dithered)" : "32-bit");
}
BENCHMARK(BM_CopyFlameToTexture)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The whole update as a frame does it: copy, then glTexSubImage2D.
void BM_UpdateFlameTextureUpload(benchmark::State& state) {
  TCustomOpenGL openGL;
  TWindowParams params;
  params.Placement = TWindowPlacement::TopLevel;
  params.Width = params.Height = 64;
  params.VisualID = openGL.ChooseVisual();
  const HWND window = params.VisualID ? CreateX11Window(params, [](HWND, TMessage&) {}) : 0;
  if (!window) {
    state.SkipWithError("needs an X display with OpenGL");
    for (auto _ : state) {
    }
    return;
  }
  openGL.StartContext(X11WindowDC(window));
  {
    TFlameScene s(openGL, state.range(0) != 0);
    UpdateFlameTexture(s.scene, s.flame);  // the first call uploads
    for (auto _ : state) {
      UpdateFlameTexture(s.scene, s.flame);
      emberhall::glFinish();
    }
    state.SetLabel(openGL.GetRenderer());
  }
  openGL.StopContext();
  DestroyX11Window(window);
}
BENCHMARK(BM_UpdateFlameTextureUpload)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
