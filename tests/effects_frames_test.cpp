// Every effect rendered headless over its whole time range, as the timeline drives it,
// and a few frames of each written out as pictures (<build>/effects_frames/*.png).
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "effects/effects.h"
#include "tests/effects_support.h"

namespace zudezed {
namespace {

using effects_test::Frame;
using effects_test::MakeFrame;

size_t DistinctColours(const Frame& f) { return std::set<uint16_t>(f.begin(), f.end()).size(); }

class EffectFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    effects_test::BuildTables();
    BlobInit();
  }
  // Saves a frame and checks that it shows a picture rather than a flat fill.
  static void Keep(const std::string& name, const Frame& f, size_t min_colours) {
    EXPECT_TRUE(effects_test::SaveFrame(name, f)) << name;
    EXPECT_GE(DistinctColours(f), min_colours) << name;
  }
  static const uint16_t* Row(int r) { return shades.data() + 256 * r; }
};

TEST_F(EffectFrames, Plasmas) {
  Frame f = MakeFrame();
  for (int32_t p = 0; p < 53249; p += 37) {
    prticks = p;
    if (p < 4096)
      PlasmaFade(f.data(), Row(34), static_cast<uint32_t>(p >> 4));
    else
      Plasma(f.data(), Row(34));
    if (p == 2035) Keep("plasma_fade_2035", f, 40);
    if (p == 20017) Keep("plasma_20017", f, 100);
  }
  for (int32_t p = 0; p < 2048; p += 13) {
    prticks = p;
    OpenQUIB(f.data(), 31);
    PlasmaFade2(f.data(), Row(34), static_cast<uint32_t>(255 - (p >> 3)));
    if (p == 1014) Keep("plasma_fade2_1014", f, 60);
  }
}

TEST_F(EffectFrames, JuliaAndRotozoomer) {
  Frame f = MakeFrame();
  for (int32_t p = 0; p < 26816; p += 97) {
    prticks = p;
    const float q = static_cast<float>(p);
    const auto angle = static_cast<float>(std::sin(static_cast<double>(q / 26624)) * 6128);
    const auto zoom = static_cast<float>(std::sin(p / 1900.0) + 1.03);
    Juhlia128(rotbitmap.data());
    Rotozoomer(f.data(), Row(33), angle, zoom);
    if (p == 2037 || p == 14938) Keep("rotozoomer_" + std::to_string(p), f, 8);
  }
  for (int32_t p = 0; p < 26624; p += 97) {
    prticks = p;
    float cr, ci;
    if (p < 24576) {
      cr = static_cast<float>(std::sin(p / 512.0));
      ci = static_cast<float>(std::sin(p / 768.0));
    } else {
      const double g = 1 + (p - 24576) / 192.0;
      cr = static_cast<float>(std::sin(48.0) * g);
      ci = static_cast<float>(std::sin(32.0) * g);
    }
    Juhlia(f.data(), Row(16), cr, ci);
    if (p == 1067 || p == 9991) Keep("juhlia_" + std::to_string(p), f, 6);
  }
}

TEST_F(EffectFrames, PolarTunnel) {
  Frame f = MakeFrame();
  for (int32_t p = 0; p < 26624; p += 41) {
    prticks = p;
    Polar(f.data(), Row(11), Row(12));
    if (p == 5002 || p == 20008) Keep("polar_" + std::to_string(p), f, 30);
  }
}

TEST_F(EffectFrames, StarsLogoAndCaption) {
  Stars3dInit();
  wtime = 0;
  yscan.fill(1);
  Frame f = MakeFrame();
  for (int32_t p = 0; p < 12928; p += 20) {
    prticks = p;
    BlobStars3D(f.data());
    if (p < 8832)
      LogoDistort(f.data(), 64, 78);
    else if (p < 9856)
      LogoZoom(f.data(), 96, 108, static_cast<float>(p - 8832) * (1.0f / 1024.0f));
    else if (p < 11904)
      LogoZoom(f.data(), 96, 108, 1.0f);
    else
      LogoZoom(f.data(), 96, 108, 1.0f - (p - 11904) * (1.0f / 1024.0f));
    if (p == 3000 || p == 9500 || p == 10000) Keep("space_" + std::to_string(p), f, 20);
  }
  for (int32_t p = 0; p < 40960; p += 20) {
    prticks = p;
    BlobStars3D(f.data());
  }
  Keep("stars_40960", f, 20);
  for (uint8_t v : blobbuffer) ASSERT_EQ(v, 0);
  DistortInit();
}

TEST_F(EffectFrames, WaterFinale) {
  buffer1.fill(0);
  buffer2.fill(0);
  wtime = 0;
  Frame f = MakeFrame();
  for (int32_t p = 0; p < 1024; p += 16) {
    prticks = p;
    OpenQUIB(f.data(), (1023 - p) >> 6);
    if (p == 512) Keep("openquib_512", f, 100);
  }
  for (int32_t p = 1024; p < 28800; p += 20) {
    prticks = p;
    Water(f.data());
    if (p == 6024) Keep("water_6024", f, 100);
    if (26945 <= p && p <= 27455) {
      const int v = static_cast<int>(static_cast<float>(p - 26944) / 511.0f * 160.0f);
      Close(f.data(), v <= 154 ? v : 160);
      if (p == 27204) Keep("water_close_27204", f, 50);
    }
  }
}

}  // namespace
}  // namespace zudezed
