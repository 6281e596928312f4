// The polar tunnel: the frame's rotation and zoom, the four-way mirror, and the
// wrapped table indices near the centre.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "effects/effects.h"
#include "tests/effects_support.h"

namespace zudezed {
namespace {

using effects_test::Frame;
using effects_test::MakeFrame;

// p1 entries are 0x100 + i, p2 entries 0x200 + i: a pixel tells which palette and
// which entry it came from.
struct Palettes {
  std::array<uint16_t, 256> p1, p2;
  Palettes() {
    for (int i = 0; i < 256; ++i) {
      p1[i] = static_cast<uint16_t>(0x100 + i);
      p2[i] = static_cast<uint16_t>(0x200 + i);
    }
  }
};

TEST(Polar, MirroredAboutBothAxes) {
  effects_test::BuildTables();
  const Palettes pal;
  for (int32_t t : {0, 7777, 40000}) {
    prticks = t;
    Frame f = MakeFrame(0xDEAD);
    Polar(f.data(), pal.p1.data(), pal.p2.data());
    int from_p1 = 0;
    for (int c = 0; c < 320; ++c)
      for (int e = 0; e < 240; ++e) {
        const uint16_t p = f[c * 240 + e];
        ASSERT_NE(p, 0xDEAD);
        ASSERT_EQ(p, f[(319 - c) * 240 + e]) << t << " " << c << "," << e;
        ASSERT_EQ(p, f[c * 240 + 239 - e]) << t << " " << c << "," << e;
        from_p1 += p < 0x200;
      }
    // Both branches of the colour choice appear in a frame.
    EXPECT_GT(from_p1, 1000) << t;
    EXPECT_LT(from_p1, 76800 - 1000) << t;
  }
}

TEST(Polar, FrameParametersAndCentrePixels) {
  effects_test::BuildTables();
  const Palettes pal;
  prticks = 30000;
  Frame f = MakeFrame(0xDEAD);
  Polar(f.data(), pal.p1.data(), pal.p2.data());
  EXPECT_FLOAT_EQ(ra, static_cast<float>(std::sin(30000 / 2048.0) * 96.0));
  EXPECT_FLOAT_EQ(zm, 30000.0f / 1024.0f);

  // Pixels next to the centre read the inverse distance 5792 (at (-1, -1)), far past
  // the sine tables; the indices wrap modulo 2048. Reference from the frame values:
  const int T = 937, E = fsin3[T], R = static_cast<int>(ra) & 255;
  const int Z = static_cast<int>(zm * 128) & 255;
  auto wrap = [](int i) { return i % 2048; };
  for (auto [c, e] : {std::pair{159, 119}, {158, 119}, {159, 117}, {0, 0}, {100, 50}}) {
    const int D = dist_angle[c * 240 + e].inv_radius, A = dist_angle[c * 240 + e].angle;
    const int v = (fsin1[wrap(Z + D)] + fsin2[R + A + (T & 255)] + fsin3[wrap(Z + D + R + A)] +
                   fsin1[wrap(Z + D + fsin1[R + A])]) &
                  255;
    const uint16_t expect =
        v < (D >> 1) + 128 ? pal.p1[std::clamp(D + fsin4[A + fsin5[(T & 127) + A]] - E, 0, 255)]
                           : pal.p2[v];
    EXPECT_EQ(f[c * 240 + e], expect) << c << "," << e << " D=" << D;
  }
  EXPECT_EQ(dist_angle[159 * 240 + 119].inv_radius, 5792);
}

}  // namespace
}  // namespace zudezed
