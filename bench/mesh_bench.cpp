// Building the three firebox meshes of the embedded fireplace scene from
// their embedded models: reading each model and filling its groups'
// primitives (shared vertices, normals). The wall and flame pictures are
// read once before timing: a rebuild finds its textures in the list.
// Needs DISPLAY (the scene's materials live in a real context).
#include <benchmark/benchmark.h>

#include "scene/SceneMeshes.h"
#include "support/BenchContext.h"

using namespace emberhall;

namespace {

// The scene clock's node only has to load here.
class TClockStandIn : public TMainSceneObject {
 public:
  const char* ClassName() const override { return "TGLClock"; }
};

void BM_BuildThreeFireboxes(benchmark::State& state) {
  bench::TBenchContext context;
  RegisterSceneClasses();
  RegisterSceneClassOf<TClockStandIn>();
  TMainScene scene;
  scene.OpenGL = context.OpenGL.get();
  scene.SourceName = "fireplace.gsc";
  scene.SourceLocation = slResource;
  scene.Scrambled = true;
  scene.LoadSource();
  auto* meshes = dynamic_cast<TSceneMeshList*>(scene.FindByPath("Meshes"));
  if (!meshes || meshes->GetCount() < 3) {
    state.SkipWithError("no mesh list of three meshes");
    return;
  }
  for (int i = 0; i < 3; ++i) meshes->GetMesh(i)->EnsureLoaded();
  for (auto _ : state) {
    for (int i = 0; i < 3; ++i) {
      TSceneMesh* mesh = meshes->GetMesh(i);
      mesh->ClearGroups();
      mesh->Loaded = false;
      mesh->EnsureLoaded();
    }
  }
  scene.FreeAll();
}
BENCHMARK(BM_BuildThreeFireboxes)->Unit(benchmark::kMillisecond);

}  // namespace
