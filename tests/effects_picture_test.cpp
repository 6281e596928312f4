// Picture effects: unfolding, the curtain, the caption zoom and the masked logo.
#include <gtest/gtest.h>

#include <algorithm>

#include "assets/assets.h"
#include "effects/effects.h"
#include "tests/effects_support.h"

namespace zudezed {
namespace {

using effects_test::Frame;
using effects_test::MakeFrame;

constexpr int H = 240;

bool ColumnIs(const Frame& f, int x, const uint16_t* src) {
  return std::equal(src, src + H, f.begin() + x * H);
}

TEST(OpenQUIB, ShiftsStretchTheLeftOfThePicture) {
  Frame f = MakeFrame(0xDEAD);
  OpenQUIB(f.data(), 0);
  EXPECT_TRUE(std::equal(f.begin(), f.end(), quib0.begin()));
  for (int s : {31, 32, 1000}) {
    OpenQUIB(f.data(), s);
    for (int x = 0; x < 320; ++x) ASSERT_TRUE(ColumnIs(f, x, quib0.data())) << s << " " << x;
  }
  OpenQUIB(f.data(), 3);
  for (int x = 0; x < 320; ++x) ASSERT_TRUE(ColumnIs(f, x, quib0.data() + (x / 8) * H)) << x;
  OpenQUIB(f.data(), -2);  // no negative shift: shown 1:1
  EXPECT_TRUE(std::equal(f.begin(), f.end(), quib0.begin()));
}

TEST(Close, ClearsNColumnsLeftAndNPlusOneRight) {
  auto cleared = [](const Frame& f, int x) {
    return std::all_of(f.begin() + x * H, f.begin() + (x + 1) * H, [](uint16_t p) { return p == 0; });
  };
  auto untouched = [](const Frame& f, int x) {
    return std::all_of(f.begin() + x * H, f.begin() + (x + 1) * H,
                       [](uint16_t p) { return p == 0x5555; });
  };
  for (int n : {-1, 0, 1, 5, 154, 160, 161, 100000}) {
    Frame f = MakeFrame(0x5555);
    Close(f.data(), n);
    for (int x = 0; x < 320; ++x) {
      const bool expect_cleared = (n > 0 && x < n) || (n >= 0 && x >= 319 - n);
      ASSERT_TRUE(expect_cleared ? cleared(f, x) : untouched(f, x)) << n << " " << x;
    }
  }
}

class LogoZoomTest : public ::testing::Test {
 protected:
  static constexpr int kX0 = 96, kE0 = 108;
  Frame Draw(float s) {
    Frame f = MakeFrame(0xDEAD);
    LogoZoom(f.data(), kX0, kE0, s);
    return f;
  }
  static uint16_t Pic(int c, int e) { return presents[c * 32 + e]; }
};

TEST_F(LogoZoomTest, ScaleOneCopiesOpaquePixels) {
  const Frame f = Draw(1.0f);
  int opaque = 0;
  for (int x = 0; x < 320; ++x)
    for (int e = 0; e < H; ++e) {
      const int i = x - kX0, j = e - kE0;
      const bool inside = i >= 0 && i < 128 && j >= 0 && j < 32;
      const uint16_t p = inside ? Pic(i, j) : 0;
      ASSERT_EQ(f[x * H + e], p != 0 ? p : 0xDEAD) << x << "," << e;
      opaque += p != 0;
    }
  EXPECT_GT(opaque, 100);
}

TEST_F(LogoZoomTest, HalfScaleIsCentredInTheWindow) {
  // Window column i shows picture column 2i - 64, element j picture element 2j - 16:
  // the picture covers window columns 32..95 and elements 8..23.
  const Frame f = Draw(0.5f);
  int opaque = 0;
  for (int i = 0; i < 128; ++i)
    for (int j = 0; j < 32; ++j) {
      const bool inside = i >= 32 && i < 96 && j >= 8 && j < 24;
      const uint16_t p = inside ? Pic(2 * i - 64, 2 * j - 16) : 0;
      ASSERT_EQ(f[(kX0 + i) * H + kE0 + j], p != 0 ? p : 0xDEAD) << i << "," << j;
      opaque += p != 0;
    }
  EXPECT_GT(opaque, 25);
}

TEST_F(LogoZoomTest, DegenerateScalesDrawOnlyTheTransparentEdge) {
  // Scale 0 (and tiny scales) saturate the 16.16 positions and steps: every sample
  // lands on the transparent border, so nothing is drawn.
  for (float s : {0.0f, -0.0f, 1e-20f}) {
    const Frame f = Draw(s);
    for (uint16_t p : f) ASSERT_EQ(p, 0xDEAD) << s;
  }
  // A huge scale magnifies the picture's centre pixel over the whole window.
  const Frame f = Draw(1e9f);
  const uint16_t p = Pic(64, 16);
  for (int i = 0; i < 128; ++i)
    for (int j = 0; j < 32; ++j) ASSERT_EQ(f[(kX0 + i) * H + kE0 + j], p != 0 ? p : 0xDEAD);
}

TEST_F(LogoZoomTest, WindowOffTheScreenIsClipped) {
  Frame f = MakeFrame(0xDEAD);
  LogoZoom(f.data(), 250, 220, 1.0f);
  for (int x = 0; x < 320; ++x)
    for (int e = 0; e < H; ++e) {
      const int i = x - 250, j = e - 220;
      const bool inside = i >= 0 && i < 128 && j >= 0 && j < 32;
      const uint16_t p = inside ? Pic(i, j) : 0;
      ASSERT_EQ(f[x * H + e], p != 0 ? p : 0xDEAD) << x << "," << e;
    }
}

class LogoDistortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effects_test::BuildTables();
    yscan.fill(1);
    xscan.fill(1);
  }
  void TearDown() override { DistortInit(); }
};

TEST_F(LogoDistortTest, MasksSelectRowsAndColumns) {
  prticks = 5000;
  Frame f = MakeFrame(0xDEAD);
  xscan.fill(0);
  LogoDistort(f.data(), 64, 78);
  for (uint16_t p : f) ASSERT_EQ(p, 0xDEAD);
  xscan.fill(1);
  yscan.fill(0);
  LogoDistort(f.data(), 64, 78);
  for (uint16_t p : f) ASSERT_EQ(p, 0xDEAD);

  // Only logo row j = 40 and column i = 100 enabled: nothing else is written.
  yscan[44] = 1;
  xscan.fill(0);
  xscan[100] = 1;
  LogoDistort(f.data(), 64, 78);
  for (int k = 0; k < kBufferElements; ++k)
    if (k != (64 + 100) * H + 78 + 40) {
      ASSERT_EQ(f[k], 0xDEAD) << k;
    }
}

TEST_F(LogoDistortTest, WobbleReadsShiftedSourcePixels) {
  // t = 1234 >> 4 = 77: phases a = 2, b = 77.
  prticks = 1234;
  Frame f = MakeFrame(0xDEAD);
  LogoDistort(f.data(), 64, 78);
  int drawn = 0, checked = 0;
  for (int i = 0; i < 192; ++i)
    for (int j = -4; j < 88; ++j) {
      const int sx = dclampx[i + 32 + dsin1[2 + 64 + j]];
      const int sy = dclampy[j + 22 + dsin2[77 + 64 + i]];
      const uint16_t p = tavrimel[sx * 84 + sy];
      ASSERT_EQ(f[(64 + i) * H + 78 + j], p != 0 ? p : 0xDEAD) << i << "," << j;
      drawn += p != 0;
      checked += sx != i || sy != j;  // some pixels really are displaced
    }
  EXPECT_GT(drawn, 1000);
  EXPECT_GT(checked, 1000);
  // The phases repeat every 75 and 100 steps: 300 steps later the picture is the same.
  Frame g = MakeFrame(0xDEAD);
  prticks = 1234 + 16 * 300;
  LogoDistort(g.data(), 64, 78);
  EXPECT_EQ(f, g);
}

}  // namespace
}  // namespace zudezed
