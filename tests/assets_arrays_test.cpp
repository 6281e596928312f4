// The embedded arrays as the build generated them: the parts the engine relies on
// beyond their sizes (unstored elements, transparent borders, mesh headers that
// account for the stored bytes).
#include <gtest/gtest.h>

#include <cstdint>

#include "assets/assets.h"

namespace zz = zudezed;

namespace {

int U16(const uint8_t* d, int o) { return d[o] | d[o + 1] << 8; }

}  // namespace

TEST(AssetsArrays, UnstoredElementsReadAsTheEngineExpects) {
  EXPECT_EQ(zz::quib0[76799], 0);  // the top-right pixel of the group picture
  EXPECT_EQ(zz::env1[4095], zz::env1[4094]);
  // The ball's unused first two bytes and the green ramp the lattice starts from.
  EXPECT_EQ(zz::ball[0], 0);
  EXPECT_EQ(zz::ball[1], 0);
  EXPECT_EQ(2 * (zz::ball[2 * 16 + 2] + 256 * zz::ball[2 * 16 + 3]), 0);
  EXPECT_EQ(2 * (zz::ball[2 * 31 + 2] + 256 * zz::ball[2 * 31 + 3]), 0x07C0);
}

TEST(AssetsArrays, PresentsKeepsItsZeroBorderAndHasLettering) {
  int ink = 0;
  for (int x = 0; x < 128; ++x) {
    for (int e = 0; e < 32; ++e) {
      const uint16_t p = zz::presents[x * 32 + e];
      if (x < 5 || x >= 123 || e < 3 || e >= 29) {
        EXPECT_EQ(p, 0) << x << ", " << e;
      } else {
        ink += p != 0;
      }
    }
  }
  EXPECT_GT(ink, 600);
}

TEST(AssetsArrays, TitleLogoIsTransparentWhereTheWobbleReadsOffThePicture) {
  // The wobble reads column 0 for a source column pushed off either side and element
  // 0 for a source row pushed off the top or bottom: both must be transparent, or
  // their ink smears along the logo's edges.
  for (int e = 0; e < 84; ++e) EXPECT_EQ(zz::tavrimel[e], 0) << "column 0, element " << e;
  for (int x = 0; x < 192; ++x) EXPECT_EQ(zz::tavrimel[x * 84], 0) << "column " << x << ", element 0";
  int ink = 0;
  for (const uint16_t p : zz::tavrimel) ink += p != 0;
  EXPECT_GT(ink, 192 * 84 / 5);
}

TEST(AssetsArrays, MeshHeadersAccountForTheStoredBytes) {
  const uint8_t* t = zz::teapot.data();
  EXPECT_EQ(6 + 3 * U16(t, 0) + 4 * U16(t, 2) + 6 * U16(t, 4), 3361);
  const uint8_t* f = zz::face3do.data();
  const int used = 6 + 3 * U16(f, 0) + 4 * U16(f, 2) + 6 * U16(f, 4);
  EXPECT_LE(used, 11065);
  EXPECT_GT(used, 10000);
  for (int i = used; i < 11065; ++i) EXPECT_EQ(f[i], 0) << i;
  // Every stored index is below the point count.
  for (const uint8_t* m : {t, f}) {
    const int P = U16(m, 0), L = U16(m, 2), N = U16(m, 4);
    for (int i = 0; i < 2 * L + 3 * N; ++i) ASSERT_LT(U16(m, 6 + 3 * P + 2 * i), P);
  }
}

TEST(AssetsArrays, FontsMapTheCreditsCharacters) {
  // Every character of the credits has a glyph with ink; space has none.
  for (const char* s : {"Code:Pelwick", "Music:Drossmar"}) {
    for (const char* c = s; *c != 0; ++c) {
      const int n = zz::fonts16[static_cast<uint8_t>(*c)];
      ASSERT_GT(n, 0) << *c;
      int ink = 0;
      for (int i = 0; i < 256; ++i) ink += zz::fonts16[(n + 1) * 256 + i] != 0;
      EXPECT_GT(ink, 10) << *c;
    }
  }
  EXPECT_EQ(zz::fonts16[' '], 0);
  // The small font's F, P, S and '=' (the frame counter) have ink.
  for (char c : {'F', 'P', 'S', '=', '0', '9'}) {
    int ink = 0;
    for (int r = 0; r < 8; ++r) ink += zz::bitfonts[(c - 32) * 8 + r] != 0;
    EXPECT_GT(ink, 1) << c;
  }
}
