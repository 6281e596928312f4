// The effect initialisers: the large font in buffer order, the ball tables, the blob
// sprite and the star field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "assets/assets.h"
#include "precalc/precalcs.h"

namespace zudezed {
namespace {

TEST(FontInit, BlocksBecomeColumnsListedBottomUp) {
  fnt16.fill(0xAA);  // the room beyond the stored blocks must be cleared
  FontInit();
  for (int g = 0; g < 87; ++g) {
    EXPECT_EQ(fnt16[g * 256 + 15], fonts16[g * 256]) << g;        // top-left
    EXPECT_EQ(fnt16[g * 256 + 0], fonts16[g * 256 + 240]) << g;   // bottom-left
    EXPECT_EQ(fnt16[g * 256 + 255], fonts16[g * 256 + 15]) << g;  // top-right
    EXPECT_EQ(fnt16[g * 256 + 240], fonts16[g * 256 + 255]) << g; // bottom-right
    // Row 2 from the top, column 9: element 9 * 16 + 13.
    EXPECT_EQ(fnt16[g * 256 + 9 * 16 + 13], fonts16[g * 256 + 2 * 16 + 9]) << g;
  }
  EXPECT_TRUE(std::all_of(fnt16.begin() + 87 * 256, fnt16.end(), [](uint8_t v) { return v == 0; }));
  // Glyph number 0 (block 1) is the blank of every unmapped code.
  EXPECT_TRUE(std::all_of(fnt16.begin() + 256, fnt16.begin() + 512, [](uint8_t v) { return v == 0; }));
}

TEST(BallInit, TheDemoBallsColoursMoveUpOneBitAndShadesStayIn0To15) {
  ball_p.fill(0x5555);
  ball_c.fill(99);
  BallInit();
  EXPECT_EQ(ball_p[0], 0);
  EXPECT_EQ(ball_p[255], 0);
  EXPECT_EQ(ball_p[16], 0);       // the darkest shade of group 1
  EXPECT_EQ(ball_p[31], 0x07C0);  // the brightest: full green
  for (int i = 1; i < 255; ++i) {
    const int colour = ball[2 * i + 2] | ball[2 * i + 3] << 8;  // 15-bit xRRRRRGGGGGBBBBB
    ASSERT_EQ(ball_p[i], static_cast<uint16_t>(colour << 1)) << i;
  }
  for (int i = 0; i < 256; ++i) {
    const int v = ball[512 + i];
    ASSERT_EQ(ball_c[i], v > 15 ? 15 : v) << i;
  }
}

TEST(BallInit, ShadesAbove15AreClampedAndColoursAreDoubled) {
  // A picture of the stored layout with every shade 0..16 and known colours.
  std::array<uint8_t, 768> picture{};
  for (int i = 0; i < 256; ++i) picture[512 + i] = static_cast<uint8_t>(i % 17);
  picture[2 * 1 + 2] = 0x1F;                // colour 1: blue 31
  picture[2 * 200 + 2] = 0x00;
  picture[2 * 200 + 3] = 0x7C;              // colour 200: red 31
  picture[2 * 255 + 2] = picture[2 * 255 + 3] = 0xFF;  // colour 255 is never used
  BallInit(picture);
  EXPECT_EQ(ball_c[16], 15);  // shade 16 becomes 15
  EXPECT_EQ(ball_c[15], 15);
  EXPECT_EQ(ball_c[14], 14);
  EXPECT_EQ(ball_c[17], 0);
  EXPECT_EQ(ball_c[33], 15);
  EXPECT_EQ(ball_p[1], 0x003E);
  EXPECT_EQ(ball_p[200], 0xF800);
  EXPECT_EQ(ball_p[255], 0);
  BallInit();  // back to the demo's own ball
}

TEST(BlobInit, FallsOffWithTheFourthPowerOfTheDistance) {
  blob.fill(1);
  BlobInit();
  auto at = [](int x, int y) { return blob[y * 32 + x]; };
  EXPECT_EQ(at(16, 16), 255);
  EXPECT_EQ(at(16, 10), 255);  // squared distance 36
  EXPECT_EQ(at(22, 19), 255);  // 45: 258.9, capped
  EXPECT_EQ(at(23, 16), 218);  // 49
  EXPECT_EQ(at(23, 17), 209);  // 50
  EXPECT_EQ(at(16, 8), 128);   // 64
  EXPECT_EQ(at(16, 0), 8);     // 256
  EXPECT_EQ(at(0, 0), 2);      // 512
  EXPECT_EQ(at(31, 31), 2);    // 450: 2.59
  EXPECT_EQ(at(7, 16), 79);    // 524288 / 6561 = 79.9: truncated, not rounded
  // The centre is (16, 16), so the sprite is symmetric about it, not about 15.5.
  EXPECT_EQ(at(16, 0), at(0, 16));
  EXPECT_NE(at(16, 0), at(16, 31));
  EXPECT_EQ(at(16, 1), at(16, 31));
}

TEST(Stars3dInit, FourDrawsPerStarInOrder) {
  std::srand(1);  // the sequence of a never-seeded generator
  Stars3dInit();
  std::srand(1);
  for (int s = 0; s < kStars; ++s) {
    const int x = std::rand() % 4096 - 2048;
    const int y = std::rand() % 4096 - 2048;
    const int z = std::rand() % 4096 - 2048;
    const int v = std::rand() % 65536;
    ASSERT_EQ(star3dx[s], static_cast<float>(x)) << s;
    ASSERT_EQ(star3dy[s], static_cast<float>(y)) << s;
    ASSERT_EQ(star3dz[s], static_cast<float>(z)) << s;
    ASSERT_EQ(star3dv[s], 64.0f + static_cast<float>(v) / 256.0f) << s;
  }
  // The next draw is the one the blob-star effect continues with.
  std::srand(1);
  for (int k = 0; k < 4 * kStars; ++k) std::rand();
  const int next = std::rand();
  std::srand(1);
  Stars3dInit();
  EXPECT_EQ(std::rand(), next);
}

TEST(Stars3dInit, CoordinatesAndSpeedsStayInRange) {
  ASSERT_EQ(scsize, 4096);
  ASSERT_EQ(starfar, 4096);
  Stars3dInit();
  for (int s = 0; s < kStars; ++s) {
    for (float c : {star3dx[s], star3dy[s], star3dz[s]}) {
      ASSERT_GE(c, -2048.0f);
      ASSERT_LE(c, 2047.0f);
      ASSERT_EQ(c, std::trunc(c));
    }
    ASSERT_GE(star3dv[s], 64.0f);
    ASSERT_LE(star3dv[s], 319.99609375f);
    ASSERT_EQ(star3dv[s] * 256.0f, std::trunc(star3dv[s] * 256.0f));  // steps of 1/256
  }
}

}  // namespace
}  // namespace zudezed
