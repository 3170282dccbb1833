// Per-frame costs of the flame: one simulation step in steady state, and the
// conversion of the 256 x 256 grid into BGRA texture rows.
#include <benchmark/benchmark.h>

#include <vector>

#include "fireplace/FlameClasses.h"
#include "fireplace/FlameTexture.h"

using namespace emberhall;

namespace {

// A default flame after two seconds of burning.
void WarmUp(TFlame2D& flame) {
  for (int i = 0; i < 320; ++i) flame.Step();
}

void BM_FlameStep(benchmark::State& state) {
  TFlame2D flame;
  WarmUp(flame);
  for (auto _ : state) {
    flame.Step();
    benchmark::DoNotOptimize(flame.Heat.data());
  }
}
BENCHMARK(BM_FlameStep)->Unit(benchmark::kMicrosecond);

void BM_FlameToPixels(benchmark::State& state) {
  TFlame2D flame;
  WarmUp(flame);
  std::vector<uint32_t> pixels(256 * 256);
  const bool dither = state.range(0) != 0;
  for (auto _ : state) {
    CopyFlameToPixels(flame, pixels.data(), 256, 256, 256, dither);
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel(dither ? "DitherPalette" : "Palette");
}
BENCHMARK(BM_FlameToPixels)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
