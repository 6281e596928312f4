// Blob stars: sprite scaling and clipping, saturation, the erase step, rejection of
// stars without a screen position, and rebirth with the rand sequence continued.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "effects/effects.h"
#include "platform/numeric.h"
#include "tests/effects_support.h"

namespace zudezed {
namespace {

using effects_test::Frame;
using effects_test::MakeFrame;

bool BlobBufferClear() {
  for (uint8_t v : blobbuffer)
    if (v != 0) return false;
  return true;
}

int CountLit() {
  int n = 0;
  for (uint8_t v : blobbuffer) n += v != 0;
  return n;
}

class BlobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BlobInit();
    blobbuffer.fill(0);
  }
  static uint8_t B(int x, int e) { return blobbuffer[x * 240 + e]; }
};

TEST_F(BlobTest, ScaleOneCopiesTheSpriteCentredAndCleanRemovesIt) {
  draw_blob(100, 50, 1.0f);  // square from (84, 34), 32 x 32
  for (int i = 0; i < 32; ++i)
    for (int j = 0; j < 32; ++j) ASSERT_EQ(B(84 + i, 34 + j), blob[i * 32 + j]) << i << "," << j;
  EXPECT_EQ(CountLit(), 32 * 32);
  EXPECT_EQ(B(100, 50), 255);
  clean_blob(100, 50, 1.0f);
  EXPECT_TRUE(BlobBufferClear());
}

TEST_F(BlobTest, HalfScaleSamplesEverySecondTexel) {
  draw_blob(100, 50, 0.5f);  // from (92, 42), 16 x 16, step 2 texels
  for (int i = 0; i < 16; ++i)
    for (int j = 0; j < 16; ++j) ASSERT_EQ(B(92 + i, 42 + j), blob[2 * i * 32 + 2 * j]);
  EXPECT_EQ(CountLit(), 16 * 16);
}

TEST_F(BlobTest, OverlapSaturatesAt255) {
  draw_blob(100, 50, 1.0f);
  draw_blob(100, 50, 1.0f);
  draw_blob(101, 50, 1.0f);
  for (int i = 0; i < 32; ++i)
    for (int j = 0; j < 32; ++j) {
      const int sum = 2 * blob[i * 32 + j] + (i > 0 ? blob[(i - 1) * 32 + j] : 0);
      ASSERT_EQ(B(84 + i, 34 + j), std::min(sum, 255));
    }
}

TEST_F(BlobTest, ClippedAtEveryEdge) {
  // Centred at column 0: only the right half, sprite columns 16..31 at columns 0..15.
  draw_blob(0, 120, 1.0f);
  for (int i = 0; i < 16; ++i)
    for (int j = 0; j < 32; ++j) ASSERT_EQ(B(i, 104 + j), blob[(16 + i) * 32 + j]);
  EXPECT_EQ(CountLit(), 16 * 32);
  clean_blob(0, 120, 1.0f);
  EXPECT_TRUE(BlobBufferClear());

  // Centred at column 319: from 303, the last drawn index lands on column 319.
  draw_blob(319, 120, 1.0f);
  for (int i = 0; i <= 16; ++i)
    for (int j = 0; j < 32; ++j) ASSERT_EQ(B(303 + i, 104 + j), blob[i * 32 + j]);
  EXPECT_EQ(CountLit(), 17 * 32);
  clean_blob(319, 120, 1.0f);
  EXPECT_TRUE(BlobBufferClear());

  // Element edges, and a corner with both clips.
  draw_blob(160, 5, 1.0f);  // rows from -11: sprite rows 11..31 at elements 0..20
  for (int j = 0; j < 21; ++j) ASSERT_EQ(B(144, j), blob[0 * 32 + 11 + j]);
  EXPECT_EQ(CountLit(), 32 * 21);
  clean_blob(160, 5, 1.0f);
  draw_blob(-3, 237, 1.0f);  // columns from -19, elements from 221 up to 239
  EXPECT_EQ(B(0, 221), blob[19 * 32 + 0]);
  EXPECT_EQ(B(12, 239), blob[31 * 32 + 18]);
  EXPECT_EQ(CountLit(), 13 * 19);
  clean_blob(-3, 237, 1.0f);
  EXPECT_TRUE(BlobBufferClear());
}

TEST_F(BlobTest, NothingDrawnOffScreenOrWithoutAScale) {
  const float kInf = INFINITY;
  const std::array<std::tuple<int, int, float>, 11> cases{{
      {100, 100, 0.0f}, {100, 100, -0.0f}, {100, 100, -0.5f}, {100, 100, NAN},
      {100, 100, kInf}, {100, 100, -kInf},
      {-16, 100, 1.0f},  // x0 = -32 = -32 s: rejected
      {336, 100, 1.0f}, {100, 256, 1.0f}, {INT32_MIN, INT32_MIN, 1.0f}, {INT32_MAX, 5, 1.0f}}};
  for (auto [x, e, s] : cases) {
    draw_blob(x, e, s);
    ASSERT_TRUE(BlobBufferClear()) << x << "," << e << " s=" << s;
  }
  // A tiny positive scale still shows the single corner texel, as its last index
  // truncates to 0.
  draw_blob(100, 100, 0.01f);
  EXPECT_EQ(CountLit(), 1);
  EXPECT_EQ(B(99, 99), blob[0]);
}

TEST_F(BlobTest, ColoursEveryElementAtEitherBufferAlignment) {
  // Every intensity at every position modulo 8, and a palette whose colours tell the
  // intensity and its neighbours apart: a word of the wrong element, or two halves
  // swapped, shows.
  for (int k = 0; k < kBufferElements; ++k) blobbuffer[k] = static_cast<uint8_t>(k * 37 + k / 256);
  std::array<uint16_t, 256> palette;
  for (int v = 0; v < 256; ++v) palette[v] = static_cast<uint16_t>(0x9000 + 3 * v);
  std::vector<uint16_t> out(kBufferElements + 1);
  for (int offset = 0; offset < 2; ++offset) {
    std::fill(out.begin(), out.end(), uint16_t{0xDEAD});
    uint16_t* dst = out.data() + offset;
    Blobs2vram(dst, palette.data());
    for (int k = 0; k < kBufferElements; ++k)
      ASSERT_EQ(dst[k], palette[blobbuffer[k]]) << "offset " << offset << " element " << k;
    EXPECT_EQ(out[offset == 0 ? kBufferElements : 0], 0xDEAD);
  }
}

class BlobStarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effects_test::BuildTables();
    BlobInit();
    blobbuffer.fill(0);
    // Row 32 as an index palette, so the frame shows the summed intensities.
    for (int v = 0; v < 256; ++v) shades[8192 + v] = static_cast<uint16_t>(0x100 + v);
    // Every star parked at the far plane (scale 0), still.
    star3dx.fill(0.0f);
    star3dy.fill(0.0f);
    star3dz.fill(static_cast<float>(starfar));
    star3dv.fill(0.0f);
    prticks = 0;
    wtime = 0;
  }
  static int Lit(const Frame& f) {
    int n = 0;
    for (uint16_t p : f) n += p != 0x100;
    return n;
  }
};

TEST_F(BlobStarsTest, FarStarsDrawNothingAndBufferIsClearAfterward) {
  Frame f = MakeFrame(0xDEAD);
  BlobStars3D(f.data());
  EXPECT_EQ(Lit(f), 0);
  for (int i = 0; i < kStars; ++i) ASSERT_EQ(sz[i], 0.0f);

  // The real field over 200 frames of 20 ticks: stars are drawn, and the intensity
  // buffer is zero again after every frame.
  Stars3dInit();
  int frames_with_stars = 0;
  for (int n = 0; n < 200; ++n) {
    prticks = 20 * n;
    BlobStars3D(f.data());
    frames_with_stars += Lit(f) > 0;
    ASSERT_TRUE(BlobBufferClear()) << n;
  }
  EXPECT_EQ(frames_with_stars, 200);
  for (int i = 0; i < kStars; ++i) ASSERT_LE(star3dz[i], static_cast<float>(starfar));
}

TEST_F(BlobStarsTest, StarWithoutFiniteProjectionIsRejected) {
  // z = 0 with x = y = 0 projects to NaN, z = 0 with x != 0 to infinity, a tiny z to
  // beyond the 32-bit range: none may appear (a NaN would otherwise turn into
  // column 0).
  star3dz[0] = 0.0f;
  star3dz[1] = 0.0f;
  star3dx[1] = 5.0f;
  star3dz[2] = 1e-30f;
  star3dy[2] = -3.0f;
  star3dz[3] = -0.0f;
  Frame f = MakeFrame(0xDEAD);
  BlobStars3D(f.data());
  EXPECT_EQ(Lit(f), 0);
  EXPECT_TRUE(BlobBufferClear());
  // All four were below depth 16, so they are reborn at the far plane.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(star3dz[i], static_cast<float>(starfar));
}

TEST_F(BlobStarsTest, RebornStarDrawnAtOldPlaceThenAtNewPlace) {
  star3dz[7] = 10.0f;  // below 16: drawn at the centre, then reborn
  star3dv.fill(100.0f);
  std::srand(1234);
  Frame f = MakeFrame(0xDEAD);
  prticks = 100;  // more than 15 ticks since wtime: one movement step
  BlobStars3D(f.data());
  const float scale = static_cast<float>((4096.0f - 10.0f) / (4096 * 1.5));
  EXPECT_EQ(sz[7], scale);
  EXPECT_EQ(sx[7], 160);
  EXPECT_EQ(sy[7], 120);
  EXPECT_EQ(f[160 * 240 + 120], 0x100 + 255);
  EXPECT_GT(Lit(f), 400);  // a 21 x 21 blob

  // The rebirth continues the rand sequence: x, y, then the speed.
  std::srand(1234);
  const float x = static_cast<float>(std::rand() % 4096 - 2048);
  const float y = static_cast<float>(std::rand() % 4096 - 2048);
  const float v = static_cast<float>((std::rand() % 65536) / 256.0 + 8.0);
  EXPECT_EQ(star3dx[7], x);
  EXPECT_EQ(star3dy[7], y);
  EXPECT_EQ(star3dv[7], v);
  EXPECT_EQ(star3dz[7], 4096.0f - v);  // the movement step of the same frame
  EXPECT_EQ(wtime, 100);

  // The next frame projects the new position.
  prticks = 120;
  BlobStars3D(f.data());
  const float z = 4096.0f - v;
  EXPECT_EQ(sx[7], trunc_i32(256.0f * x / z + 160.0f));
  EXPECT_EQ(sy[7], trunc_i32(256.0f * y / z + 120.0f));
  EXPECT_EQ(sz[7], static_cast<float>((4096.0f - z) / (4096 * 1.5)));
  EXPECT_TRUE(BlobBufferClear());
}

TEST(BlobStarScale, SingleQuotientIsTheDoubleQuotientRounded) {
  // The star scale divides in single precision, defined as the double quotient by
  // starfar * 1.5 rounded to float. The divisor is 3 * 2^11: a dividend's power of two
  // only scales the quotient (no quotient of a dividend from 2^-100 to 2^100 is
  // subnormal or overflows), so every significand of [1, 2) covers every such dividend.
  const double d = starfar * 1.5;
  const auto df = static_cast<float>(d);
  ASSERT_EQ(static_cast<double>(df), d);
  int differ = 0;
  for (uint32_t bits = 0x3F800000u; bits < 0x40000000u; ++bits) {
    const auto x = std::bit_cast<float>(bits);
    differ += std::bit_cast<uint32_t>(x / df) !=
              std::bit_cast<uint32_t>(static_cast<float>(static_cast<double>(x) / d));
  }
  EXPECT_EQ(differ, 0);
}

TEST_F(BlobStarsTest, MovesAtMostOnceEvery16Ticks) {
  star3dv.fill(10.0f);
  Frame f = MakeFrame();
  prticks = 15;  // not more than 15 ticks since wtime = 0
  BlobStars3D(f.data());
  EXPECT_EQ(star3dz[0], 4096.0f);
  prticks = 16;
  BlobStars3D(f.data());
  EXPECT_EQ(star3dz[0], 4086.0f);
  BlobStars3D(f.data());  // same tick: no second step
  EXPECT_EQ(star3dz[0], 4086.0f);
  prticks = 1000;  // a slow frame still moves one step only
  BlobStars3D(f.data());
  EXPECT_EQ(star3dz[0], 4076.0f);
  // A clock behind wtime counts as a long wait (unsigned difference).
  prticks = 10;
  BlobStars3D(f.data());
  EXPECT_EQ(star3dz[0], 4066.0f);
}

}  // namespace
}  // namespace zudezed
