// The numeric lookup tables: reciprocals, sines, per-pixel radius and angle, the water
// clamp and the logo distortion tables.
//
// Besides the boundary values, several entries are chosen because a plausible slip in
// the build changes them: pi = 3.14159265 in place of the half-turn constant
// 3.14151693, rounding in place of truncation, floor in place of truncation toward
// zero, or sinf in place of sin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/numeric.h"
#include "precalc/precalcs.h"

namespace zudezed {
namespace {

class TablesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { BuildTables(); }

  static const DistAngle& at(int32_t x, int32_t y) {
    return dist_angle[(x + 160) * 240 + (y + 120)];
  }
};

TEST_F(TablesTest, ReciprocalsTruncateTowardZero) {
  EXPECT_EQ(div[2048], 65536);  // d = 0 reads as d = 1
  EXPECT_EQ(div[2047], -65536);
  EXPECT_EQ(div[2049], 65536);
  EXPECT_EQ(div[2050], 32768);
  EXPECT_EQ(div[0], -32);
  EXPECT_EQ(div[4095], 32);
  // 65536 / 6 = 10922.67: rounding would give 10923, flooring the negative -10923.
  EXPECT_EQ(div[2048 + 6], 10922);
  EXPECT_EQ(div[2048 - 6], -10922);
}

TEST_F(TablesTest, SineTablesStartAsExpected) {
  const std::array<int32_t, 4> s1{96, 103, 110, 117}, s3{128, 143, 159, 174},
      s4{64, 66, 68, 71}, s5{48, 51, 55, 59}, s8{128, 129, 131, 133};
  for (int j = 0; j < 4; ++j) {
    EXPECT_EQ(fsin1[j], s1[j]) << j;
    EXPECT_EQ(fsin3[j], s3[j]) << j;
    EXPECT_EQ(fsin4[j], s4[j]) << j;
    EXPECT_EQ(fsin5[j], s5[j]) << j;
    EXPECT_EQ(fsin8[j], s8[j]) << j;
  }
  EXPECT_EQ(fsin2[0], 112);
  EXPECT_EQ(fsin6[0], 96);
  EXPECT_EQ(fsin7[0], 112);
}

TEST_F(TablesTest, SineTablesStayInTheirRanges) {
  struct Range {
    const std::array<int32_t, kSineEntries>* table;
    int32_t lo, hi;
  };
  const std::array<Range, 8> ranges{{{&fsin1, 0, 191}, {&fsin2, 0, 223}, {&fsin3, 0, 255},
                                     {&fsin4, 16, 111}, {&fsin5, 8, 87}, {&fsin6, 0, 191},
                                     {&fsin7, 0, 223}, {&fsin8, 0, 255}}};
  for (size_t t = 0; t < ranges.size(); ++t) {
    const auto [lo, hi] = std::minmax_element(ranges[t].table->begin(), ranges[t].table->end());
    EXPECT_EQ(*lo, ranges[t].lo) << "fsin" << t + 1;
    EXPECT_EQ(*hi, ranges[t].hi) << "fsin" << t + 1;
  }
}

// Entries whose phase lies just past a multiple of the half turn: computed with pi the
// sine there changes sign and the entry drops (or rises) by one.
TEST_F(TablesTest, SinePhasesUseTheHalfTurnConstant) {
  EXPECT_EQ(fsin1[128], 96);
  EXPECT_EQ(fsin1[256], 95);
  EXPECT_EQ(fsin1[259], 116);
  EXPECT_EQ(fsin2[32], 112);
  EXPECT_EQ(fsin2[64], 111);
  EXPECT_EQ(fsin3[48], 78);
  EXPECT_EQ(fsin3[163], 244);
  EXPECT_EQ(fsin4[64], 64);
  EXPECT_EQ(fsin4[128], 63);
  EXPECT_EQ(fsin5[32], 48);
  EXPECT_EQ(fsin5[64], 47);
}

// Entries whose exact value lies just below an integer: a rounded conversion gives one
// more; a single-precision sinf reaches the peak value one entry too early.
TEST_F(TablesTest, SineEntriesAreTruncatedDoubleSines) {
  EXPECT_EQ(fsin1[4], 123);
  EXPECT_EQ(fsin2[1], 122);
  EXPECT_EQ(fsin3[5], 201);
  EXPECT_EQ(fsin4[2], 68);
  EXPECT_EQ(fsin5[1], 51);
  EXPECT_EQ(fsin6[3], 105);
  EXPECT_EQ(fsin7[1], 114);
  EXPECT_EQ(fsin8[2], 131);
  EXPECT_EQ(fsin1[192], 191);
  EXPECT_EQ(fsin2[16], 223);
  EXPECT_EQ(fsin3[64], 255);
  EXPECT_EQ(fsin4[32], 111);
  EXPECT_EQ(fsin5[16], 87);
}

TEST_F(TablesTest, DistAngleAtTheCornersAndAxes) {
  struct Case {
    int32_t x, y;
    uint16_t inv_radius, angle;
  };
  const Case cases[] = {{-160, -120, 40, 53}, {-160, 0, 51, 0},  {1, 0, 8192, 0},
                        {0, 1, 8192, 128},    {0, -1, 8192, 128}, {-160, 119, 41, 203},
                        {0, 0, 0xFFFF, 0},    {-1, 0, 8192, 0},   {159, 119, 41, 52}};
  for (const Case& c : cases) {
    EXPECT_EQ(at(c.x, c.y).inv_radius, c.inv_radius) << c.x << "," << c.y;
    EXPECT_EQ(at(c.x, c.y).angle, c.angle) << c.x << "," << c.y;
  }
}

// (-160, -38) and (-159, -85) change their angle by one under pi; (-160, -119) and
// (-160, -113) are where rounding would move the angle and the inverse radius.
TEST_F(TablesTest, DistAngleWitnessEntries) {
  EXPECT_EQ(at(-160, -38).angle, 19);
  EXPECT_EQ(at(-160, 38).angle, 237);
  EXPECT_EQ(at(-159, -85).angle, 40);
  EXPECT_EQ(at(-159, 85).angle, 216);
  EXPECT_EQ(at(-160, -119).angle, 53);
  EXPECT_EQ(at(-160, -113).inv_radius, 41);
}

// Every entry as the per-pixel double-precision computation gives it: the table is
// built from mirrored entries, which must agree with computing each pixel on its own.
TEST_F(TablesTest, DistAngleEqualsThePerPixelComputationEverywhere) {
  int32_t wrong = 0;
  for (int32_t x = -160; x < 160; ++x) {
    for (int32_t y = -120; y < 120; ++y) {
      const int32_t r2 = x * x + y * y;
      const uint16_t inv =
          r2 == 0 ? uint16_t{0xFFFF}
                  : static_cast<uint16_t>(trunc_i32((1.0 / std::sqrt(static_cast<double>(r2))) * 8192.0));
      const int32_t a = trunc_i32(std::atan2(static_cast<double>(y), static_cast<double>(x)) *
                                  256.0 / kHalfTurn);
      const DistAngle& e = at(x, y);
      if (e.inv_radius != inv || e.angle != (a & 255)) {
        if (++wrong <= 5) {
          ADD_FAILURE() << x << "," << y << ": " << e.inv_radius << "/" << e.angle << " != " << inv
                        << "/" << (a & 255);
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(TablesTest, WaterClamp) {
  EXPECT_EQ(uberclamp[0], 0);
  EXPECT_EQ(uberclamp[255], 0);
  EXPECT_EQ(uberclamp[256], 0);
  EXPECT_EQ(uberclamp[257], 1);
  EXPECT_EQ(uberclamp[511], 255);
}

TEST_F(TablesTest, DistortionClamps) {
  EXPECT_EQ(dclampx[0], 0);
  EXPECT_EQ(dclampx[31], 0);
  EXPECT_EQ(dclampx[32], 0);
  EXPECT_EQ(dclampx[33], 1);
  EXPECT_EQ(dclampx[223], 191);
  EXPECT_EQ(dclampx[224], 0);
  EXPECT_EQ(dclampx[255], 0);
  EXPECT_EQ(dclampy[21], 0);
  EXPECT_EQ(dclampy[23], 1);
  EXPECT_EQ(dclampy[105], 83);
  EXPECT_EQ(dclampy[106], 0);
  EXPECT_EQ(dclampy[127], 0);
}

TEST_F(TablesTest, DistortionSinesTruncateTowardZero) {
  const std::array<int32_t, 8> d1{0, 0, 0, 0, 1, 1, 1, 2};
  const std::array<int32_t, 7> d2{0, 0, 0, 1, 1, 1, 2};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(dsin1[i], d1[i]) << i;
  for (int i = 0; i < 7; ++i) EXPECT_EQ(dsin2[i], d2[i]) << i;
  // Just below zero the truncation gives 0 where a floor would give -1.
  EXPECT_EQ(dsin1[38], 0);
  EXPECT_EQ(dsin2[51], 0);
  EXPECT_EQ(dsin2[53], -1);
  const auto [lo1, hi1] = std::minmax_element(dsin1.begin(), dsin1.end());
  const auto [lo2, hi2] = std::minmax_element(dsin2.begin(), dsin2.end());
  EXPECT_EQ(*lo1, -3);
  EXPECT_EQ(*hi1, 3);
  EXPECT_EQ(*lo2, -5);
  EXPECT_EQ(*hi2, 5);
}

TEST_F(TablesTest, LogoMasksStartRevealedNowhereAndEnabledEverywhere) {
  yscan[5] = 7;
  xscan[9] = 0;
  DistortInit();  // the start values are restored by a rebuild
  EXPECT_TRUE(std::all_of(yscan.begin(), yscan.end(), [](uint8_t v) { return v == 0; }));
  EXPECT_TRUE(std::all_of(xscan.begin(), xscan.end(), [](uint8_t v) { return v == 1; }));
}

}  // namespace
}  // namespace zudezed
