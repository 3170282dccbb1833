// Drawing one frame of the embedded fireplace scene at 1280 x 1024 with the
// main form's default camera: process CPU time (Mesa's drawing threads
// included) per frame up to glFinish, the median of 200 frames. Needs
// DISPLAY. The scene clock's node loads as a stand-in that draws nothing.
#include <benchmark/benchmark.h>

#include "gl/GLViewports.h"
#include "scene/RenderCaches.h"
#include "scene/SceneObjects.h"
#include "support/BenchContext.h"

using namespace emberhall;

namespace {

class TClockStandIn : public TMainSceneObject {
 public:
  const char* ClassName() const override { return "TGLClock"; }
};

struct TFireplace {
  static constexpr int W = 1280, H = 1024;
  bench::TBenchContext Context{W, H};
  TMainScene Scene;
  TGLViewport* Viewport = nullptr;

  TFireplace() {
    RegisterSceneClasses();
    RegisterSceneClassOf<TClockStandIn>();
    ResetRenderCaches();
    Scene.OpenGL = Context.OpenGL.get();
    Scene.SourceName = "fireplace.gsc";
    Scene.SourceLocation = slResource;
    Scene.Scrambled = true;
    Scene.LoadSource();
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
    Viewport->Apply();
    emberhall::glClearColor(0, 0, 0, 1);
    emberhall::glDepthMask(GL_TRUE);
    emberhall::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Context.OpenGL->SetDepthTest(true);
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
