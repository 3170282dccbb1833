// One frame of the fireplace at 1280 x 1024 with the main form's default
// camera, as the controller draws it: the flame advanced by the frame's
// time, copied into its texture, then the scene with the clock shown.
// Process CPU time (Mesa's drawing threads included) per frame up to
// glFinish, the median of 200 frames. Needs DISPLAY.
#include <benchmark/benchmark.h>

#include "fireplace/FlameClasses.h"
#include "fireplace/FlameTexture.h"
#include "fireplace/GLClock.h"
#include "gl/GLViewports.h"
#include "scene/RenderCaches.h"
#include "scene/SceneObjects.h"
#include "support/BenchContext.h"

using namespace emberhall;

namespace {

struct TFireplace {
  static constexpr int W = 1280, H = 1024;
  bench::TBenchContext Context{W, H};
  TMainScene Scene;
  TGLViewport* Viewport = nullptr;
  TFlame2D Flame;

  TFireplace() {
    RegisterSceneClasses();
    RegisterClockClass();
    ResetRenderCaches();
    Scene.OpenGL = Context.OpenGL.get();
    Scene.SourceName = "fireplace.gsc";
    Scene.SourceLocation = slResource;
    Scene.Scrambled = true;
    Scene.LoadSource();
    if (auto* clock = dynamic_cast<TGLClock*>(Scene.FindByName("GLClock"))) clock->SetClockMode(1);
    Viewport = Context.OpenGL->Viewports.Add();
    Viewport->SetViewport(0, 0, W, H);
    Viewport->SetPerspective(60, 4.0 / 3, 100, 10000);
    Viewport->Position = MakeVector(0, -24, 130);
    Viewport->Direction = MakeVector(0, 0, -1);
    Viewport->Up = MakeVector(0, 1, 0);
    Frame();  // builds the meshes and uploads the textures
  }
  ~TFireplace() { Scene.FreeAll(); }
  void Frame() {
    Flame.Update(1.0f / 60);
    UpdateFlameTexture(Scene, Flame);
    Viewport->Apply();
    emberhall::glClearColor(0, 0, 0, 1);
    emberhall::glDepthMask(GL_TRUE);
    emberhall::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Context.OpenGL->SetDepthTest(false);
    Context.OpenGL->SetCullFace(true);
    Context.OpenGL->SetLighting(true);
    ForgetSceneTextureAndMaterial();
    Scene.Process(0.04f);
    emberhall::glFinish();
  }
};

TFireplace* fireplace = nullptr;

void BM_DrawFireplaceFrame(benchmark::State& state) {
  if (!fireplace) fireplace = new TFireplace();  // kept for all repetitions
  for (auto _ : state) fireplace->Frame();
}
BENCHMARK(BM_DrawFireplaceFrame)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Iterations(1)
    ->Repetitions(200)
    ->ReportAggregatesOnly(true);

}  // namespace
