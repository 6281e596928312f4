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

// One catalogue object at a fixed pose, drawn in one mode with its arguments.
struct RenderCase {
  const char* name;
  int slot;
  float ax, ay, az, pz;
  int32_t mode, a, b, s;
  const uint16_t* t1;
  const uint16_t* t2;
  const uint16_t* t3;
};

const RenderCase kRenderCases[] = {
    {"BM_LatticeBalls", 0, 0.5f, 0.3f, 0.9f, 256, kModeBalls, 0, 0, 0, nullptr, nullptr, nullptr},
    {"BM_FaceLines", 1, 0.2f, 1.82f, 1.57f, 128, kModeLines, 0, 0, 0, nullptr, nullptr, nullptr},
    {"BM_FaceFlat", 1, 0.2f, 1.82f, 1.57f, 128, kModeFlat, 3, 0, 0, nullptr, nullptr, nullptr},
    {"BM_FaceGouraud", 1, 0.2f, 1.82f, 1.57f, 128, kModeGouraud, 0, 0, 0, nullptr, nullptr, nullptr},
    {"BM_TeapotFlat", 2, 0.6f, 0.4f, 3.4f, 160, kModeFlat, 1, 0, 0, nullptr, nullptr, nullptr},
    {"BM_CubePlasma", 4, 0.5f, 0.8f, 0.3f, 320, kModePlasma, 0, 0, 0, nullptr, nullptr, nullptr},
    {"BM_Sphere48Water", 16, 0.7f, 0.4f, 0.0f, 384, kModeFlatWater, 3, 1, 0, nullptr, nullptr, nullptr},
    {"BM_Sphere64Envmap", 20, 0.7f, 0.4f, 0.0f, 384, kModeEnvmap, 0, 0, 2, env1.data(), nullptr, nullptr},
    {"BM_Sphere64EnvmapZB", 20, 0.7f, 0.4f, 0.0f, 384, kModeEnvmapZB, 0, 0, 2, env1.data(), nullptr,
     nullptr},
    {"BM_CylinderTexture", 24, -1.1f, 0.3f, 0.4f, 300, kModeTexture, 0, 0, 1, kavrel.data(),
     kavrel_bottom.data(), kavrel_top.data()},
};

void RenderLoop(benchmark::State& state, const RenderCase& c) {
  Prepare();
  Object3d* o = Pose(c.slot, c.ax, c.ay, c.az, c.pz);
  uint16_t* buf = Frame().data();
  for (auto _ : state) {
    RenderMode = c.mode;
    Render(o, c.a, c.b, buf, c.s, c.t1, c.t2, c.t3, 16);
    benchmark::ClobberMemory();
  }
}

const bool kRenderCasesRegistered = [] {
  for (const RenderCase& c : kRenderCases) {
    benchmark::RegisterBenchmark(c.name, [&c](benchmark::State& state) { RenderLoop(state, c); });
  }
  return true;
}();

void BM_FaceSplit(benchmark::State& state) {
  Prepare();
  Object3d* o = Pose(1, 0.2f, 1.82f, 1.57f, 128);
  uint16_t* buf = Frame().data();
  for (auto _ : state) {
    RenderSpecial(o, 3, 0, 0.5f, buf);
    benchmark::ClobberMemory();
  }
}
// The transform the scene runner performs before rendering, for comparison.
void BM_FaceTransform(benchmark::State& state) {
  Prepare();
  for (auto _ : state) {
    Pose(1, 0.2f, 1.82f, 1.57f, 128);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_FaceSplit);
BENCHMARK(BM_FaceTransform);

}  // namespace
}  // namespace zudezed
