// Frame costs of the whole demo: the screen conversion at 1x, 2x and 3x, each triangle
// filler family over one fixed set of triangles, and every timeline part's complete
// frame (FrameStep: the part, text, events and the conversion) at a few part times.
//
// The part cases share one run of the demo on the simulated clock: they are registered
// in playing order, and each plays the timeline forward at 60 frames per second to its
// part time (so the stars, the water, the logo masks and the 3D objects are in the
// state the demo has there) and then times repeated frames at that same part time.
// Filtering cases (--benchmark_filter) keeps this order.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "assets/assets.h"
#include "engine3d/engine3d.h"
#include "engine3d/render3d.h"
#include "platform/clock_sim.h"
#include "platform/gp32_functions.h"
#include "platform/zudezed.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

// ---- The screen conversion -------------------------------------------------------

void BM_Conversion(benchmark::State& state) {
  const int k = static_cast<int>(state.range(0));
  SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth * k, kScreenHeight * k, 16,
                                        0xF800, 0x07E0, 0x001F, 0);
  std::vector<uint16_t> src(kBufferElements);
  std::mt19937 rng(7);
  for (uint16_t& p : src) p = static_cast<uint16_t>(rng());
  for (auto _ : state) {
    GP32toPC(src.data(), 16, s);
    benchmark::DoNotOptimize(s->pixels);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBufferElements);
  SDL_FreeSurface(s);
}
BENCHMARK(BM_Conversion)->Arg(1)->Arg(2)->Arg(3);

// ---- The demo on the simulated clock ----------------------------------------------

bool started = false;
uint32_t base = 0;
int64_t frame_n = 0;  // next frame of the 60 fps schedule

// The program's own start-up, once: every table and the object catalogue as the demo
// has them at its first frame. The part cases below play on from here.
void StartDemo() {
  if (started) return;
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("ZUDEZED_SCALE", "1", 1);
  SimClockSet(0);
  StartUp();
  base = SimClockNow();
  started = true;
}

// ---- The triangle fillers ---------------------------------------------------------

constexpr int kTriangles = 400;
constexpr int kPoints = 3 * kTriangles;

// 400 triangles of 3 to 60 pixels a side over the whole screen (a few cross its
// edges), with depths, colours and texture coordinates, built once.
std::vector<Poly3d>& Triangles() {
  static std::vector<Poly3d> polys = [] {
    StartDemo();
    std::mt19937 rng(20261209);
    auto uni = [&rng](int lo, int hi) {
      return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    std::vector<Poly3d> out(kTriangles);
    for (int t = 0; t < kTriangles; ++t) {
      const int cx = uni(-10, 330), cy = uni(-10, 250), size = uni(3, 60);
      int32_t idx[3];
      for (int k = 0; k < 3; ++k) {
        const int p = 3 * t + k;
        spts[p] = Point2d{cx + uni(-size, size), cy + uni(-size, size),
                          static_cast<int16_t>(uni(0, 255))};
        fpts[p] = Point3d{0, 0, uni(100000, 160000), 0};
        point_tc[p] = TexCoord{uni(0, 255), uni(0, 255)};
        idx[k] = p;
      }
      out[t] = Poly3d{idx[0], uni(0, 255), uni(0, 255), idx[1], uni(0, 255), uni(0, 255),
                      idx[2], uni(0, 255), uni(0, 255), uni(0, 255)};
    }
    static_assert(kPoints <= kWorkEntries);
    return out;
  }();
  return polys;
}

template <typename Fill>
void RunFiller(benchmark::State& state, bool zbuffered, Fill fill) {
  const std::vector<Poly3d>& polys = Triangles();
  std::vector<uint16_t> frame(kBufferElements, 0);
  tm = 100;
  for (auto _ : state) {
    if (zbuffered) CleanZbuffer();
    for (const Poly3d& p : polys) fill(p, frame.data());
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTriangles);
}

const uint16_t* Row(int r) { return shade_row(shades, r); }

void BM_FillFlat(benchmark::State& s) {
  RunFiller(s, false, [](const Poly3d& p, uint16_t* b) { DrawFlatTriangle(p, b, Row(3)); });
}
void BM_FillFlatZB(benchmark::State& s) {
  RunFiller(s, true, [](const Poly3d& p, uint16_t* b) { DrawFlatTriangleZB(p, b, Row(3)); });
}
void BM_FillGouraud(benchmark::State& s) {
  RunFiller(s, false, [](const Poly3d& p, uint16_t* b) { DrawGouraudTriangle(p, b, Row(3)); });
}
void BM_FillGouraudZB(benchmark::State& s) {
  RunFiller(s, true, [](const Poly3d& p, uint16_t* b) { DrawGouraudTriangleZB(p, b, Row(3)); });
}
void BM_FillWater(benchmark::State& s) {
  RunFiller(s, false, [](const Poly3d& p, uint16_t* b) {
    DrawFlatWaterTriangle(p, b, Row(3), Row(4));
  });
}
void BM_FillWaterZB(benchmark::State& s) {
  RunFiller(s, true, [](const Poly3d& p, uint16_t* b) {
    DrawFlatWaterTriangleZB(p, b, Row(3), Row(4));
  });
}
void BM_FillTexture(benchmark::State& s) {
  RunFiller(s, false, [](const Poly3d& p, uint16_t* b) {
    DrawTextureTriangle(p, b, 1, kavrel.data());
  });
}
void BM_FillTextureZB(benchmark::State& s) {
  RunFiller(s, true, [](const Poly3d& p, uint16_t* b) {
    DrawTextureTriangleZB(p, b, 1, kavrel.data());
  });
}
void BM_FillPlasma(benchmark::State& s) {
  RunFiller(s, false, [](const Poly3d& p, uint16_t* b) {
    DrawTextureTriangle_plasma(p, b, Row(10));
  });
}
void BM_FillPlasmaZB(benchmark::State& s) {
  RunFiller(s, true, [](const Poly3d& p, uint16_t* b) {
    DrawTextureTriangleZB_plasma(p, b, Row(10));
  });
}
void BM_FillEnvmap(benchmark::State& s) {
  RunFiller(s, false, [](const Poly3d& p, uint16_t* b) {
    DrawEnvmappedTriangle(p, b, 2, env1.data());
  });
}
void BM_FillEnvmapZB(benchmark::State& s) {
  RunFiller(s, true, [](const Poly3d& p, uint16_t* b) {
    DrawEnvmappedTriangleZB(p, b, 2, env1.data());
  });
}
BENCHMARK(BM_FillFlat);
BENCHMARK(BM_FillFlatZB);
BENCHMARK(BM_FillGouraud);
BENCHMARK(BM_FillGouraudZB);
BENCHMARK(BM_FillWater);
BENCHMARK(BM_FillWaterZB);
BENCHMARK(BM_FillTexture);
BENCHMARK(BM_FillTextureZB);
BENCHMARK(BM_FillPlasma);
BENCHMARK(BM_FillPlasmaZB);
BENCHMARK(BM_FillEnvmap);
BENCHMARK(BM_FillEnvmapZB);

// ---- Whole frames of the timeline ------------------------------------------------

struct PartTime {
  int32_t part;
  const char* name;
  int32_t prticks;
};

// In playing order; three moments of every part.
constexpr std::array<PartTime, 24> kPartTimes = {{
    {0, "Space", 1000},        {0, "Space", 5000},        {0, "Space", 10500},
    {1, "Kavrel", 5000},       {1, "Kavrel", 20000},      {1, "Kavrel", 35000},
    {2, "PolarTunnel", 2000},  {2, "PolarTunnel", 13000}, {2, "PolarTunnel", 24000},
    {3, "JuhliaIn", 2000},     {3, "JuhliaIn", 13000},    {3, "JuhliaIn", 24000},
    {4, "JuhliaBig", 2000},    {4, "JuhliaBig", 13000},   {4, "JuhliaBig", 25000},
    {5, "PlasmaFace", 2000},   {5, "PlasmaFace", 20000},  {5, "PlasmaFace", 45000},
    {6, "PlasmaCube", 1000},   {6, "PlasmaCube", 6000},   {6, "PlasmaCube", 11000},
    {8, "WaterPart", 500},     {8, "WaterPart", 10000},   {8, "WaterPart", 20000},
}};

// Index of each part in the playing order.
int PlayIndex(int32_t p) { return p == 8 ? 7 : p; }

// Plays the timeline forward until the given part is within one frame of `ticks`, then
// sets the clock to exactly that part time. Returns false when the demo has already
// passed it (the cases ran out of order).
bool PlayTo(int32_t target_part, int32_t ticks) {
  StartDemo();
  while (quit == 0) {
    const uint32_t next = base + static_cast<uint32_t>(FrameTimeMs(frame_n, 60));
    if (part == target_part && static_cast<int32_t>(next) - partime + 17 > ticks) break;
    if (PlayIndex(part) > PlayIndex(target_part)) return false;
    SimClockSet(next);
    FrameStep();
    frame_n += 1;
  }
  if (quit != 0 || part != target_part) return false;
  SimClockSet(static_cast<uint32_t>(partime + ticks));
  return true;
}

void BM_PartFrame(benchmark::State& state, PartTime pt) {
  if (!PlayTo(pt.part, pt.prticks)) {
    state.SkipWithError("the demo has already passed this part time");
    return;
  }
  for (auto _ : state) {
    FrameStep();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBufferElements);
}

const bool registered = [] {
  for (const PartTime& pt : kPartTimes) {
    const std::string name = std::string("BM_Part/") + std::to_string(pt.part) + "_" + pt.name +
                             "/" + std::to_string(pt.prticks);
    benchmark::RegisterBenchmark(name.c_str(), BM_PartFrame, pt);
  }
  return true;
}();

}  // namespace
}  // namespace zudezed
