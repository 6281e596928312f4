// The plasma family: scroll phase, the fade thresholds and the fade-out's time offset.
#include <gtest/gtest.h>

#include "effects/effects.h"
#include "tests/effects_support.h"

namespace zudezed {
namespace {

using effects_test::Frame;
using effects_test::MakeFrame;

class PlasmaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effects_test::BuildTables();
    pal = effects_test::IndexPalette();
  }
  Frame Draw(int32_t t) {
    prticks = t;
    Frame f = MakeFrame(0xDEAD);
    Plasma(f.data(), pal.data());
    return f;
  }
  std::array<uint16_t, 256> pal;
};

TEST_F(PlasmaTest, ValueSumsColumnElementAndScrollTables) {
  // k = (1000 >> 4) mod 438 = 62; spot checks at the corners and inside, which catch a
  // swapped column/element index or a missing phase.
  const Frame f = Draw(1000);
  for (auto [x, e] : {std::pair{0, 0}, {319, 239}, {17, 200}, {250, 3}}) {
    const int v = (fsin8[62 + x + e] + fsin6[e] + fsin4[x]) & 0xFF;
    EXPECT_EQ(f[x * 240 + e], pal[v]) << x << "," << e;
  }
  for (uint16_t p : f) ASSERT_NE(p, 0xDEAD);
}

TEST_F(PlasmaTest, PhaseStepsEvery16TicksAndRepeatsAfter438Steps) {
  const Frame f0 = Draw(0);
  EXPECT_EQ(Draw(15), f0);
  EXPECT_NE(Draw(16), f0);
  EXPECT_EQ(Draw(16 * 438), f0);
  EXPECT_EQ(Draw(16 * 438 + 15), f0);
  EXPECT_NE(Draw(16 * 437), f0);
  // The largest phase, 437, reads fsin8 up to index 995 (sanitizer build checks it).
  Draw(16 * 437 + 15);
}

TEST_F(PlasmaTest, FadeThresholds) {
  shades[4096] = 0x1234;
  prticks = 0;
  Frame f = MakeFrame(0xDEAD);
  PlasmaFade(f.data(), pal.data(), 0);
  for (uint16_t p : f) ASSERT_EQ(p, 0x1234);

  for (int32_t t : {0, 3000, 70000}) {
    const Frame plain = Draw(t);
    Frame faded = MakeFrame(0xDEAD);
    PlasmaFade(faded.data(), pal.data(), 256);
    EXPECT_EQ(faded, plain) << t;
    PlasmaFade(faded.data(), pal.data(), 0xFFFFFFFFu);  // unsigned: huge means all
    EXPECT_EQ(faded, plain) << t;

    // limit 100: exactly the values 0..99 are shown, the rest is the background.
    PlasmaFade(faded.data(), pal.data(), 100);
    int shown = 0;
    for (int k = 0; k < kBufferElements; ++k) {
      const int v = plain[k] - 0x100;
      if (v < 100) {
        ASSERT_EQ(faded[k], plain[k]);
        ++shown;
      } else {
        ASSERT_EQ(faded[k], 0x1234);
      }
    }
    EXPECT_GT(shown, 0);
    EXPECT_LT(shown, kBufferElements);
  }
}

TEST_F(PlasmaTest, Fade2ContinuesPlasmaOf53248TicksLaterOverTheOldFrame) {
  for (int32_t t : {0, 1000, 2047}) {
    const Frame later = Draw(t + 53248);
    prticks = t;
    Frame f = MakeFrame(0xDEAD);
    PlasmaFade2(f.data(), pal.data(), 0);
    for (uint16_t p : f) ASSERT_EQ(p, 0xDEAD);  // limit 0 leaves the frame alone
    PlasmaFade2(f.data(), pal.data(), 256);
    EXPECT_EQ(f, later) << t;

    std::fill(f.begin(), f.end(), 0xDEAD);
    PlasmaFade2(f.data(), pal.data(), 128);
    for (int k = 0; k < kBufferElements; ++k)
      ASSERT_EQ(f[k], later[k] - 0x100 < 128 ? later[k] : 0xDEAD) << t << " " << k;
  }
}

TEST_F(PlasmaTest, NegativeTicksStayInsideTheTables) {
  // A clock running backwards must not read before the tables: -16 is phase 437.
  EXPECT_EQ(Draw(-16), Draw(16 * 437));
  prticks = -1;
  Frame f = MakeFrame();
  PlasmaFade(f.data(), pal.data(), 256);
  EXPECT_EQ(f, Draw(16 * 437));
}

}  // namespace
}  // namespace zudezed
