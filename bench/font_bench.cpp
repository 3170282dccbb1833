// Building the default texture font (Arial bold, 16-pixel cells in a 256
// texture): painting 256 glyphs from the system font and compiling their
// display lists and uploading the texture, on a real context. Needs
// DISPLAY. fontconfig's start-up, once per run, is left out.
#include <benchmark/benchmark.h>

#include "scene/SceneFonts.h"
#include "support/BenchContext.h"

using namespace emberhall;

namespace {

void BuildFont(benchmark::State& state, uint8_t Options) {
  bench::TBenchContext context;
  TMainScene scene;
  scene.OpenGL = context.OpenGL.get();
  auto* font = new TSceneFont();
  font->FontOptions = Options;
  font->SetName("Font");
  scene.AddItem(font);
  font->Build();  // fontconfig's first start is not a font build
  for (auto _ : state) {
    font->Release();
    font->Build();
    font->FontTexture->Use();  // the upload too
  }
  scene.FreeAll();
}

void BM_BuildDefaultFont(benchmark::State& state) { BuildFont(state, foBuildFromFont); }
BENCHMARK(BM_BuildDefaultFont)->Unit(benchmark::kMillisecond);

void BM_BuildSoftenedFont(benchmark::State& state) { BuildFont(state, foBuildFromFont | foSoften); }
BENCHMARK(BM_BuildSoftenedFont)->Unit(benchmark::kMillisecond);

}  // namespace
