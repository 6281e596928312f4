// Rendering time of each catalogue object in the mode its scene draws it with, at a
// fixed pose (the object transformed once; the timed call is the renderer's).
#include <benchmark/benchmark.h>

#include <vector>

#include "assets/assets.h"
#include "engine3d/generate3d.h"
#include "engine3d/render3d.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

std::vector<uint16_t>& Frame() {
  static std::vector<uint16_t> buf(kBufferElements, 0);
  return buf;
}

void Prepare() {
  static bool done = false;
  if (done) return;
  BuildTables();
  prticks = 20000;
  done = true;
}

Object3d* Pose(int slot, float ax, float ay, float az, float pz) {
  Object3d* o = &object[slot];
  o->ax = ax;
  o->ay = ay;
  o->az = az;
  o->px = 0.0f;
  o->py = 0.0f;
  o->pz = pz;
  Calc3d(o);
  return o;
}

void RenderLoop(benchmark::State& state, Object3d* o, int32_t mode, int32_t a, int32_t b, int32_t s,
                const uint16_t* t1, const uint16_t* t2, const uint16_t* t3) {
  uint16_t* buf = Frame().data();
  for (auto _ : state) {
    RenderMode = mode;
    Render(o, a, b, buf, s, t1, t2, t3, 16);
    benchmark::ClobberMemory();
  }
}

void BM_LatticeBalls(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(0, 0.5f, 0.3f, 0.9f, 256), kModeBalls, 0, 0, 0, nullptr, nullptr, nullptr);
}
void BM_FaceLines(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(1, 0.2f, 1.82f, 1.57f, 128), kModeLines, 0, 0, 0, nullptr, nullptr, nullptr);
}
void BM_FaceFlat(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(1, 0.2f, 1.82f, 1.57f, 128), kModeFlat, 3, 0, 0, nullptr, nullptr, nullptr);
}
void BM_FaceGouraud(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(1, 0.2f, 1.82f, 1.57f, 128), kModeGouraud, 0, 0, 0, nullptr, nullptr, nullptr);
}
void BM_FaceSplit(benchmark::State& state) {
  Prepare();
  Object3d* o = Pose(1, 0.2f, 1.82f, 1.57f, 128);
  uint16_t* buf = Frame().data();
  for (auto _ : state) {
    RenderSpecial(o, 3, 0, 0.5f, buf);
    benchmark::ClobberMemory();
  }
}
void BM_TeapotFlat(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(2, 0.6f, 0.4f, 3.4f, 160), kModeFlat, 1, 0, 0, nullptr, nullptr, nullptr);
}
void BM_CubePlasma(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(4, 0.5f, 0.8f, 0.3f, 320), kModePlasma, 0, 0, 0, nullptr, nullptr, nullptr);
}
void BM_Sphere48Water(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(16, 0.7f, 0.4f, 0.0f, 384), kModeFlatWater, 3, 1, 0, nullptr, nullptr, nullptr);
}
void BM_Sphere64Envmap(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(20, 0.7f, 0.4f, 0.0f, 384), kModeEnvmap, 0, 0, 2, env1.data(), nullptr, nullptr);
}
void BM_Sphere64EnvmapZB(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(20, 0.7f, 0.4f, 0.0f, 384), kModeEnvmapZB, 0, 0, 2, env1.data(), nullptr, nullptr);
}
void BM_CylinderTexture(benchmark::State& state) {
  Prepare();
  RenderLoop(state, Pose(24, -1.1f, 0.3f, 0.4f, 300), kModeTexture, 0, 0, 1, kavrel.data(),
             kavrel_bottom.data(), kavrel_top.data());
}
// The transform the scene runner performs before rendering, for comparison.
void BM_FaceTransform(benchmark::State& state) {
  Prepare();
  for (auto _ : state) {
    Pose(1, 0.2f, 1.82f, 1.57f, 128);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_LatticeBalls);
BENCHMARK(BM_FaceLines);
BENCHMARK(BM_FaceFlat);
BENCHMARK(BM_FaceGouraud);
BENCHMARK(BM_FaceSplit);
BENCHMARK(BM_TeapotFlat);
BENCHMARK(BM_CubePlasma);
BENCHMARK(BM_Sphere48Water);
BENCHMARK(BM_Sphere64Envmap);
BENCHMARK(BM_Sphere64EnvmapZB);
BENCHMARK(BM_CylinderTexture);
BENCHMARK(BM_FaceTransform);

}  // namespace
}  // namespace zudezed
