// Costs of the table builders of the precalculation and of the text renderers.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/gp32_functions.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {
namespace {

void BM_SineTables(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t j = 0; j < kSineEntries; ++j) {
      SinesStep1Entry(j);
      SinesStep2Entry(j);
    }
    benchmark::DoNotOptimize(fsin8.data());
  }
}
BENCHMARK(BM_SineTables);

void BM_DistAngle(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t k = 0; k < kBufferElements; ++k) DistAngleEntry(k);
    benchmark::DoNotOptimize(dist_angle.data());
  }
}
BENCHMARK(BM_DistAngle);

void BM_Palettes(benchmark::State& state) {
  for (auto _ : state) {
    colortest();
    benchmark::DoNotOptimize(shades.data());
  }
}
BENCHMARK(BM_Palettes);

// The credits line of the last part, redrawn every frame.
void BM_DrawText16(benchmark::State& state) {
  FontInit();
  colortest();
  std::vector<uint16_t> buf(kBufferElements, 0);
  prticks = 0;
  for (auto _ : state) {
    DrawText16(64, 40, kCreditMusic, buf.data());
    prticks += 16;
    benchmark::DoNotOptimize(buf.data());
  }
}
BENCHMARK(BM_DrawText16);

// The frames-per-second counter.
void BM_DrawText(benchmark::State& state) {
  InitFonts();
  std::vector<uint16_t> buf(kBufferElements, 0);
  GpSurfaceDesc desc{buf.data(), 16, 320, 240, 0, 0};
  for (auto _ : state) {
    DrawText(8, 16, 16, "FPS = 60", 16, &desc);
    benchmark::DoNotOptimize(buf.data());
  }
}
BENCHMARK(BM_DrawText);

}  // namespace
}  // namespace zudezed
