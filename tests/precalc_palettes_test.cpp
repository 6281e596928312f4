// The shade table's palettes, its copy, the fade targets and the fade rule.
#include <gtest/gtest.h>

#include <algorithm>

#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

constexpr uint16_t rgb(int r, int g, int b) {
  return static_cast<uint16_t>(r << 11 | g << 6 | b << 1);
}

class PalettesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    colortest();
    CloneColors();
    MakeFadeColors();
  }
  static uint16_t entry(int p, int e) { return shades[p * 256 + e]; }
};

TEST_F(PalettesTest, RampsStartOneStepPastTheirStartStop) {
  EXPECT_EQ(entry(34, 0), 0x718E);  // (14, 6, 7) from (15, 7, 7)
  EXPECT_EQ(entry(34, 0), rgb(14, 6, 7));
  EXPECT_EQ(entry(34, 63), rgb(0, 0, 31));
  EXPECT_EQ(entry(0, 0), 0x783C);  // (15, 0, 30)
  EXPECT_EQ(entry(0, 255), 0xFFFE);
  EXPECT_EQ(entry(12, 128), 0x783E);
  EXPECT_EQ(entry(9, 63), rgb(31, 31, 31));
  EXPECT_EQ(entry(9, 64), rgb(30, 30, 30));
  EXPECT_EQ(entry(9, 127), rgb(0, 0, 0));
}

// Palette 0 entry 9 is the tenth step of red 15 + 0.1 per entry: the single-precision
// running sum rounds up to just past 16, a double one stays just below it (red 15,
// 0x783A).
TEST_F(PalettesTest, RunningSumIsSinglePrecision) { EXPECT_EQ(entry(0, 9), 0x803A); }

// Palette 0 runs blue down from 31 by 0.19375 per entry (30.80625, 30.6125, ...):
// a rounded conversion would give 31 at entries 0 and 1 and 30 at entry 5.
TEST_F(PalettesTest, ComponentsAreTruncated) {
  EXPECT_EQ(entry(0, 1), 0x783C);
  EXPECT_EQ(entry(0, 5), 0x783A);
}

TEST_F(PalettesTest, UnwrittenPalettesAndEntriesStayBlack) {
  for (int p = 0; p < kShadeRows; ++p) {
    const bool written = p <= 12 || p == 16 || p == 32 || p == 33 || p == 34;
    if (written) continue;
    for (int e = 0; e < 256; ++e) ASSERT_EQ(entry(p, e), 0) << p << "/" << e;
  }
  for (int e = 0; e < 128; ++e) ASSERT_EQ(entry(12, e), 0) << e;
}

TEST_F(PalettesTest, ConstantWhiteRun) {
  for (int e = 192; e < 256; ++e) EXPECT_EQ(entry(33, e), 0xFFFE) << e;
  EXPECT_NE(entry(33, 127), 0xFFFE);  // the S1 -> S3 ramp is still climbing
}

// The last entry of every ramp of the table is its end stop exactly, and the entry
// after it starts the next ramp from that stop.
TEST_F(PalettesTest, EveryRampEndsOnItsStop) {
  struct End {
    int palette, entry;
    uint16_t colour;
  };
  const uint16_t L0 = rgb(0, 0, 15), L1 = rgb(31, 0, 0), L2 = rgb(31, 23, 0), L3 = rgb(31, 31, 31);
  const End ends[] = {
      {0, 159, rgb(31, 15, 0)},  {0, 191, rgb(31, 31, 0)},  {0, 255, rgb(31, 31, 31)},
      {1, 127, rgb(15, 7, 31)},  {1, 191, rgb(7, 15, 31)},  {1, 255, rgb(15, 31, 31)},
      {2, 63, rgb(15, 15, 0)},   {2, 191, rgb(7, 31, 7)},   {2, 255, rgb(0, 31, 15)},
      {3, 63, rgb(15, 15, 15)},  {3, 191, rgb(15, 26, 31)}, {3, 255, rgb(31, 31, 31)},
      {4, 63, L1},               {4, 127, L2},              {4, 191, L1},
      {4, 255, L0},              {5, 63, rgb(0, 0, 31)},    {5, 127, rgb(0, 31, 31)},
      {5, 191, rgb(0, 0, 31)},   {5, 255, rgb(15, 0, 0)},   {6, 63, rgb(31, 31, 0)},
      {6, 127, rgb(0, 31, 31)},  {6, 191, rgb(31, 31, 0)},  {6, 255, rgb(0, 15, 0)},
      {7, 63, rgb(31, 31, 15)},  {7, 127, rgb(15, 15, 0)},  {7, 191, rgb(31, 31, 15)},
      {7, 255, rgb(15, 0, 0)},   {8, 63, rgb(15, 0, 31)},   {8, 127, rgb(31, 31, 31)},
      {8, 191, rgb(15, 0, 31)},  {8, 255, rgb(31, 0, 0)},   {9, 191, rgb(31, 31, 31)},
      {9, 255, rgb(0, 0, 0)},    {10, 127, rgb(15, 0, 15)}, {10, 191, rgb(31, 0, 15)},
      {10, 255, rgb(31, 31, 31)}, {11, 127, rgb(7, 15, 7)}, {11, 191, rgb(31, 15, 0)},
      {11, 255, rgb(31, 31, 31)}, {12, 159, rgb(15, 15, 31)}, {12, 191, rgb(31, 31, 31)},
      {12, 223, rgb(15, 31, 31)}, {12, 255, rgb(15, 0, 31)}, {16, 127, L1},
      {16, 191, L2},             {16, 255, L3},             {32, 127, rgb(15, 7, 31)},
      {32, 255, rgb(23, 31, 31)}, {33, 63, L1},             {33, 191, L3},
      {34, 127, rgb(15, 31, 31)}, {34, 191, rgb(15, 7, 31)}, {34, 255, rgb(15, 7, 7)},
  };
  for (const End& e : ends) {
    EXPECT_EQ(entry(e.palette, e.entry), e.colour) << e.palette << "/" << e.entry;
  }
  // Palette 4's third ramp runs back from S2 to S1 starting at the exact stop S2.
  EXPECT_EQ(entry(4, 128), rgb(31, 22, 0));
}

TEST_F(PalettesTest, MakeColorsWritesOnlyItsRange) {
  std::array<uint16_t, 256> p{};
  p.fill(0x1234);
  MakeColors(p.data(), {0, 0, 0}, {31, 31, 31}, 10, 9);  // end < start: nothing
  EXPECT_TRUE(std::all_of(p.begin(), p.end(), [](uint16_t v) { return v == 0x1234; }));
  MakeColors(p.data(), {0, 0, 0}, {31, 31, 31}, 100, 100);  // one entry: the end stop
  EXPECT_EQ(p[99], 0x1234);
  EXPECT_EQ(p[100], 0xFFFE);
  EXPECT_EQ(p[101], 0x1234);
}

TEST_F(PalettesTest, CopyAndFadeTargets) {
  EXPECT_EQ(sshades, shades);
  EXPECT_TRUE(std::all_of(wshade.begin(), wshade.end(), [](uint16_t v) { return v == 0xFFFE; }));
  EXPECT_TRUE(std::all_of(bshade.begin(), bshade.end(), [](uint16_t v) { return v == 0; }));
}

TEST(FadeRule, EndpointsAndMidpoint) {
  std::array<uint16_t, 256> black{}, white{}, out{};
  white.fill(0xFFFE);
  Fade2Shade(black.data(), white.data(), 0.5f, out.data());
  EXPECT_EQ(out[0], 0x7BDE);  // 15.5 truncates to 15 in each component
  EXPECT_EQ(out[255], 0x7BDE);
  Fade2Shade(black.data(), white.data(), 1.0f, out.data());
  EXPECT_EQ(out[7], 0xFFFE);
  // t = 0 copies the colours but drops the intensity bit.
  std::array<uint16_t, 256> from{};
  for (int i = 0; i < 256; ++i) from[i] = static_cast<uint16_t>(i * 257);
  Fade2Shade(from.data(), white.data(), 0.0f, out.data());
  for (int i = 0; i < 256; ++i) ASSERT_EQ(out[i], from[i] & 0xFFFE) << i;
}

TEST(FadeRule, ComponentsFadeIndependently) {
  std::array<uint16_t, 256> from{}, to{}, out{};
  from.fill(rgb(31, 0, 10));
  to.fill(rgb(1, 20, 10));
  Fade2Shade(from.data(), to.data(), 0.25f, out.data());
  EXPECT_EQ(out[3], rgb(23, 5, 10));  // 31 - 7.5 = 23.5, 0 + 5, 10
}

// 24 * (8 / 192) is 1.0 in single precision but 0.99999997 in double: the float
// product gives red 23, a double one 22.
TEST(FadeRule, ProductIsSinglePrecision) {
  std::array<uint16_t, 256> from{}, to{}, out{};
  from.fill(rgb(24, 0, 0));
  Fade2Shade(from.data(), to.data(), 8.0f / 192.0f, out.data());
  EXPECT_EQ(out[0], rgb(23, 0, 0));
}

TEST(FadeRule, ExtrapolatesBeyondOne) {
  std::array<uint16_t, 256> from{}, to{}, out{};
  from.fill(rgb(10, 10, 10));
  to.fill(rgb(20, 20, 20));
  Fade2Shade(from.data(), to.data(), 1.5f, out.data());
  EXPECT_EQ(out[0], rgb(25, 25, 25));
  Fade2Shade(from.data(), to.data(), -0.5f, out.data());
  EXPECT_EQ(out[0], rgb(5, 5, 5));
}

}  // namespace
}  // namespace zudezed
