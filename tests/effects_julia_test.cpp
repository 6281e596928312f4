// Julia fractals and the rotozoomer: the escape test and iteration count, the mirrored
// halves, and the 8.24 texture walk.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "effects/effects.h"
#include "platform/numeric.h"
#include "tests/effects_support.h"

namespace zudezed {
namespace {

using effects_test::Frame;
using effects_test::MakeFrame;

const std::array<uint16_t, 256> kPal = effects_test::IndexPalette();

TEST(Juhlia, ZeroConstantOutsideInsideAndMirror) {
  Frame f = MakeFrame(0xDEAD);
  Juhlia(f.data(), kPal.data(), 0.0f, 0.0f);
  int outside = 0, inside = 0;
  for (int c = 0; c < 320; ++c) {
    for (int e = 0; e < 240; ++e) {
      const uint16_t p = f[c * 240 + e];
      ASSERT_EQ((p - 0x100) % 16, 0) << c << "," << e;
      // The mirror of (c, e) is (319 - c, 239 - e): the upper half is computed at
      // x = 4c - 640, y = 4 (e - 119).
      ASSERT_EQ(p, f[(319 - c) * 240 + 239 - e]);
      if (e < 120) continue;
      const double x = (4 * c - 640) / 256.0, y = 4 * (e - 119) / 256.0;
      const double r2 = x * x + y * y;
      // For c = 0 the first iterate is z^2: |z|^2 > 2 escapes at once; inside the unit
      // disc the orbit never leaves it. Margins keep clear of 8.8 rounding.
      if (r2 > 2.1) {
        ASSERT_EQ(p, kPal[0]) << c << "," << e;
        ++outside;
      } else if (r2 < 0.9) {
        ASSERT_EQ(p, kPal[240]) << c << "," << e;
        ++inside;
      }
    }
  }
  EXPECT_GT(outside, 10000);
  EXPECT_GT(inside, 3000);
  EXPECT_EQ(f[0 * 240 + 120], f[319 * 240 + 119]);
}

TEST(Juhlia, EscapeIsStrictAndCountsCompletedIterations) {
  // Column 48, element 120 starts at (x, y) = (-448, 4) in 8.8. With c = (-272, 14)
  // the first iterate is (512, 0): |z|^2 is exactly 4 (1024), which has not escaped;
  // the second iterate (752, 14) escapes, so one iteration completed: entry 16.
  Frame f = MakeFrame(0xDEAD);
  Juhlia(f.data(), kPal.data(), -272.0f / 256.0f, 14.0f / 256.0f);
  EXPECT_EQ(f[48 * 240 + 120], kPal[16]);
  EXPECT_EQ(f[(319 - 48) * 240 + 119], kPal[16]);

  // Column 240, element 120: (320, 4) with c = 0 gives z1 = (400, 10), which passes,
  // and z2 = (625, 31), which escapes: again one completed iteration.
  Juhlia(f.data(), kPal.data(), 0.0f, 0.0f);
  EXPECT_EQ(f[240 * 240 + 120], kPal[16]);
}

TEST(Juhlia, ExtremeConstantsEscapeEverywhere) {
  // A constant far outside the set makes every point escape at the first test; the
  // 8.8 squares must not wrap into small values that look bounded.
  for (float c : {1.0e6f, -1.0e6f, 3.0e38f, -INFINITY}) {
    Frame f = MakeFrame(0xDEAD);
    Juhlia(f.data(), kPal.data(), c, 0.0f);
    for (uint16_t p : f) ASSERT_EQ(p, kPal[0]) << c;
    Juhlia(f.data(), kPal.data(), 0.0f, c);
    for (uint16_t p : f) ASSERT_EQ(p, kPal[0]) << c;
  }
  Frame f = MakeFrame(0xDEAD);
  Juhlia(f.data(), kPal.data(), NAN, NAN);  // NaN converts to 0: the c = 0 picture
  Frame zero = MakeFrame();
  Juhlia(zero.data(), kPal.data(), 0.0f, 0.0f);
  EXPECT_EQ(f, zero);
}

TEST(Juhlia128, ValuesMirrorAndAKnownPoint) {
  std::array<uint8_t, 128 * 128> tex;
  for (int32_t t : {0, 5000, 123456}) {
    prticks = t;
    tex.fill(7);
    Juhlia128(tex.data());
    std::set<int> values;
    for (int r = 0; r < 128; ++r)
      for (int c = 0; c < 128; ++c) {
        const uint8_t v = tex[r * 128 + c];
        ASSERT_EQ(v % 16, 0) << t;
        ASSERT_EQ(v, tex[(127 - r) * 128 + 127 - c]) << t;
        values.insert(v);
      }
    EXPECT_GE(values.size(), 8u) << t;
  }
  // At tick 0 the constant is (sin 0, cos 0) = i. Row 64, column 64 starts at
  // (x, y) = (0, 7/256): z1 = i, then -1 + i, -i, -1 + i, ... never escapes.
  prticks = 0;
  Juhlia128(tex.data());
  EXPECT_EQ(tex[64 * 128 + 64], 240);
  EXPECT_EQ(tex[63 * 128 + 63], 240);
  // Row 64, column 127 starts at (0, 1.75): z1 = -3.0625 + i escapes at once.
  EXPECT_EQ(tex[64 * 128 + 127], 0);
}

class RotozoomerTest : public ::testing::Test {
 protected:
  void Fill(int (*texel)(int row, int col)) {
    for (int r = 0; r < 128; ++r)
      for (int c = 0; c < 128; ++c) rotbitmap[r * 128 + c] = static_cast<uint8_t>(texel(r, c));
  }
};

TEST_F(RotozoomerTest, ZoomZeroShowsOneTexel) {
  Fill([](int r, int c) { return (r * 3 + c * 5) & 255; });
  Frame f = MakeFrame(0xDEAD);
  Rotozoomer(f.data(), kPal.data(), 1234.0f, 0.0f);
  const uint16_t expect = kPal[rotbitmap[113 * 128 + 10]];  // V = -15, U = 10 texels
  for (uint16_t p : f) ASSERT_EQ(p, expect);
}

TEST_F(RotozoomerTest, AngleZeroZoomOneIsAShiftedCopy) {
  Frame f = MakeFrame(0xDEAD);
  Fill([](int r, int) { return r; });
  Rotozoomer(f.data(), kPal.data(), 0.0f, 1.0f);
  Frame g = MakeFrame(0xDEAD);
  Fill([](int, int c) { return c; });
  Rotozoomer(g.data(), kPal.data(), 0.0f, 1.0f);
  for (int c = 0; c < 320; ++c)
    for (int e = 0; e < 240; ++e) {
      ASSERT_EQ(f[c * 240 + e] - 0x100, ((c - 14) % 128 + 128) % 128) << c << "," << e;
      ASSERT_EQ(g[c * 240 + e] - 0x100, (e + 11) % 128) << c << "," << e;
    }
}

TEST_F(RotozoomerTest, IncrementalWalkMatchesTheClosedFormAtAnyAngle) {
  // The accumulators must equal U = 10 * 2^24 + C (e + 1) - S (c + 1) and
  // V = -15 * 2^24 + C (c + 1) + S (e + 1) modulo 2^32 at every pixel, including
  // zooms whose products wrap many times.
  Fill([](int r, int c) { return (r * 131 + c * 7) & 255; });
  for (auto [a, zoom] : {std::pair{6128.0f, 1.7f}, {-900.0f, 0.3f}, {45.5f, 200.0f}}) {
    Frame f = MakeFrame(0xDEAD);
    Rotozoomer(f.data(), kPal.data(), a, zoom);
    const double t = a / 180.0 / 3.14151693;
    const int64_t C = trunc_i32(std::cos(t) * zoom * 16777216.0);
    const int64_t S = trunc_i32(std::sin(t) * zoom * 16777216.0);
    for (int c = 0; c < 320; c += 7)
      for (int e = 0; e < 240; e += 5) {
        const auto U = static_cast<uint32_t>(10LL * (1 << 24) + C * (e + 1) - S * (c + 1));
        const auto V = static_cast<uint32_t>(-15LL * (1 << 24) + C * (c + 1) + S * (e + 1));
        const uint8_t texel = rotbitmap[((V >> 24) & 127) * 128 + ((U >> 24) & 127)];
        ASSERT_EQ(f[c * 240 + e], kPal[texel]) << a << " " << c << "," << e;
      }
  }
}

}  // namespace
}  // namespace zudezed
