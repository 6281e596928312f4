// Time per frame of every 2D effect, with the tables and pictures they read built
// first. Each iteration draws one full frame at an advancing tick count.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "effects/effects.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

// Every table of the precalculation, built once.
void Prepare() {
  static bool built = false;
  if (built) return;
  BuildTables();
  built = true;
}

const uint16_t* Row(int r) { return shades.data() + 256 * r; }

// Runs one effect per iteration with prticks advancing 20 ticks (a 50 Hz frame).
template <typename Draw>
void RunFrames(benchmark::State& state, int32_t start, Draw draw) {
  Prepare();
  std::vector<uint16_t> frame(kBufferElements, 0);
  int32_t p = start;
  for (auto _ : state) {
    prticks = p;
    draw(frame.data());
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
    p += 20;
  }
  state.SetItemsProcessed(state.iterations() * kBufferElements);
}

void BM_Plasma(benchmark::State& s) {
  RunFrames(s, 5000, [](uint16_t* f) { Plasma(f, Row(34)); });
}
void BM_PlasmaFade(benchmark::State& s) {
  RunFrames(s, 0, [](uint16_t* f) { PlasmaFade(f, Row(34), 128); });
}
void BM_PlasmaFade2(benchmark::State& s) {
  RunFrames(s, 0, [](uint16_t* f) { PlasmaFade2(f, Row(34), 128); });
}
void BM_Juhlia(benchmark::State& s) {
  RunFrames(s, 1000, [](uint16_t* f) {
    Juhlia(f, Row(16), static_cast<float>(std::sin(prticks / 512.0)),
           static_cast<float>(std::sin(prticks / 768.0)));
  });
}
void BM_Juhlia128(benchmark::State& s) {
  RunFrames(s, 1000, [](uint16_t*) { Juhlia128(rotbitmap.data()); });
}
void BM_Rotozoomer(benchmark::State& s) {
  RunFrames(s, 1000, [](uint16_t* f) {
    Rotozoomer(f, Row(33), static_cast<float>(std::sin(prticks / 26624.0) * 6128),
               static_cast<float>(std::sin(prticks / 1900.0) + 1.03));
  });
}
void BM_Polar(benchmark::State& s) {
  RunFrames(s, 5000, [](uint16_t* f) { Polar(f, Row(11), Row(12)); });
}
void BM_Water(benchmark::State& s) {
  RunFrames(s, 2000, [](uint16_t* f) { Water(f); });
}
void BM_OpenQUIB(benchmark::State& s) {
  RunFrames(s, 0, [](uint16_t* f) { OpenQUIB(f, 0); });
}
void BM_Close(benchmark::State& s) {
  RunFrames(s, 0, [](uint16_t* f) { Close(f, 80); });
}
void BM_LogoZoom(benchmark::State& s) {
  RunFrames(s, 0, [](uint16_t* f) { LogoZoom(f, 96, 108, 0.75f); });
}
void BM_LogoDistort(benchmark::State& s) {
  yscan.fill(1);
  RunFrames(s, 0, [](uint16_t* f) { LogoDistort(f, 64, 78); });
}
void BM_BlobStars3D(benchmark::State& s) {
  RunFrames(s, 0, [](uint16_t* f) { BlobStars3D(f); });
}
void BM_Blobs2vram(benchmark::State& s) {
  RunFrames(s, 0, [](uint16_t* f) { Blobs2vram(f, Row(32)); });
}

BENCHMARK(BM_Plasma);
BENCHMARK(BM_PlasmaFade);
BENCHMARK(BM_PlasmaFade2);
BENCHMARK(BM_Juhlia);
BENCHMARK(BM_Juhlia128);
BENCHMARK(BM_Rotozoomer);
BENCHMARK(BM_Polar);
BENCHMARK(BM_Water);
BENCHMARK(BM_OpenQUIB);
BENCHMARK(BM_Close);
BENCHMARK(BM_LogoZoom);
BENCHMARK(BM_LogoDistort);
BENCHMARK(BM_BlobStars3D);
BENCHMARK(BM_Blobs2vram);

}  // namespace
}  // namespace zudezed
