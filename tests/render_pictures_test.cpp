// Renders every catalogue object in the modes its scenes use, and in the z-buffered
// twins, into PNG pictures under the build tree (pictures/render_*.png) for visual
// checks, and verifies that each picture shows a lit object of plausible size.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "effects/effects.h"
#include "engine3d/generate3d.h"
#include "engine3d/render3d.h"
#include "png_writer.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

constexpr uint16_t kBackground = 0x0842;  // dark grey

struct Case {
  const char* name;
  int slot;
  int32_t mode;  // -1: the split render at fraction 0.5
  int32_t a, b, s;
  const uint16_t* t1;
  const uint16_t* t2;
  const uint16_t* t3;
  float ax, ay, az, pz;
};

// Test names and messages show the case by its name, not as raw bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Pictures : public ::testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    BuildTables();
    std::filesystem::create_directories(std::string(ZUDEZED_BINARY_DIR) + "/pictures");
  }
};

TEST_P(Pictures, ObjectIsDrawnAndWritten) {
  const Case& c = GetParam();
  Object3d* o = &object[c.slot];
  const Object3d saved = *o;
  o->ax = c.ax;
  o->ay = c.ay;
  o->az = c.az;
  o->px = 0.0f;
  o->py = 0.0f;
  o->pz = c.pz;
  prticks = 12345;
  Calc3d(o);
  std::vector<uint16_t> buf(kBufferElements, kBackground);
  if (c.mode < 0) {
    RenderSpecial(o, c.a, c.b, 0.5f, buf.data());
  } else {
    RenderMode = c.mode;
    Render(o, c.a, c.b, buf.data(), c.s, c.t1, c.t2, c.t3, 16);
  }
  *o = saved;
  const std::string path =
      std::string(ZUDEZED_BINARY_DIR) + "/pictures/render_" + c.name + ".png";
  ASSERT_TRUE(WriteBufferPng(path.c_str(), buf.data(), 2));

  int drawn = 0, bright = 0;
  for (const uint16_t p : buf) {
    if (p == kBackground) continue;
    ++drawn;
    const int r = p >> 11, g = (p >> 6) & 31, b = (p >> 1) & 31;
    bright += r + g + b > 12;
  }
  EXPECT_GT(drawn, 1500) << c.name;
  EXPECT_LT(drawn, kBufferElements / 2) << c.name;
  EXPECT_GT(bright, drawn / 3) << c.name;  // lit, not shade 0 almost everywhere
}

const uint16_t* K1() { return kavrel.data(); }
const uint16_t* K2() { return kavrel_bottom.data(); }
const uint16_t* K3() { return kavrel_top.data(); }
const uint16_t* E1() { return env1.data(); }

INSTANTIATE_TEST_SUITE_P(
    Catalogue, Pictures,
    ::testing::Values(
        Case{"lattice_balls", 0, kModeBalls, 0, 0, 0, nullptr, nullptr, nullptr, 0.5f, 0.3f, 0.9f, 256},
        Case{"face_lines", 1, kModeLines, 0, 0, 0, nullptr, nullptr, nullptr, 0.2f, 1.82f, 1.57f, 128},
        Case{"face_flat", 1, kModeFlat, 3, 0, 0, nullptr, nullptr, nullptr, 0.2f, 1.82f, 1.57f, 128},
        Case{"face_split", 1, -1, 3, 0, 0, nullptr, nullptr, nullptr, 0.2f, 1.82f, 1.57f, 128},
        Case{"face_gouraud", 1, kModeGouraud, 0, 0, 0, nullptr, nullptr, nullptr, 0.2f, 1.82f, 1.57f, 128},
        Case{"face_gouraud_zb", 1, kModeGouraudZB, 0, 0, 0, nullptr, nullptr, nullptr, 0.2f, 1.82f, 1.57f, 128},
        Case{"teapot_flat", 2, kModeFlat, 1, 0, 0, nullptr, nullptr, nullptr, 0.6f, 0.4f, 3.4f, 160},
        Case{"teapot_flat_zb", 2, kModeFlatZB, 1, 0, 0, nullptr, nullptr, nullptr, 0.6f, 0.4f, 3.4f, 160},
        Case{"cube_plasma", 4, kModePlasma, 0, 0, 0, nullptr, nullptr, nullptr, 0.5f, 0.8f, 0.3f, 320},
        Case{"cube_plasma_zb", 4, kModePlasmaZB, 0, 0, 0, nullptr, nullptr, nullptr, 0.5f, 0.8f, 0.3f, 320},
        Case{"cube_front", 4, kModeTexture, 0, 0, 1, K1(), K1(), K1(), 0, 0, 0, 320},
        Case{"cube_texture", 4, kModeTexture, 0, 0, 1, K1(), K1(), K1(), 0.5f, 0.8f, 0.3f, 320},
        Case{"sphere48_water", 16, kModeFlatWater, 3, 1, 0, nullptr, nullptr, nullptr, 0.7f, 0.4f, 0, 500},
        Case{"sphere48_water_zb", 16, kModeFlatWaterZB, 3, 1, 0, nullptr, nullptr, nullptr, 0.7f, 0.4f, 0, 500},
        Case{"sphere64_env", 20, kModeEnvmap, 0, 0, 2, E1(), nullptr, nullptr, 0.7f, 0.4f, 0, 384},
        Case{"sphere64_env_zb", 20, kModeEnvmapZB, 0, 0, 2, E1(), nullptr, nullptr, 0.7f, 0.4f, 0, 384},
        Case{"cylinder_texture", 24, kModeTexture, 0, 0, 1, K1(), K2(), K3(), -1.1f, 0.3f, 0.4f, 300},
        Case{"cylinder_texture_zb", 24, kModeTextureZB, 0, 0, 1, K1(), K2(), K3(), -1.1f, 0.3f, 0.4f, 300},
        Case{"cylinder_side", 24, kModeTexture, 0, 0, 1, K1(), K2(), K3(), 0, 0, 0, 200},
        Case{"cylinder_top", 24, kModeTexture, 0, 0, 1, K1(), K2(), K3(), -2.2f, 0.0f, 0.0f, 300}),
    [](const ::testing::TestParamInfo<Case>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace zudezed
