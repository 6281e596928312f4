// Balls, points and lines.
#include <gtest/gtest.h>

#include <vector>

#include "engine3d/render3d.h"
#include "precalc/precalcs.h"

namespace zudezed {
namespace {

constexpr uint16_t kBlank = 0x1234;

class PrimitiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    precdivs();
    buf_.assign(kBufferElements, kBlank);
    // A test sprite: every texel opaque, intensity 1 + (column + element) % 15, so
    // each pixel's palette entry tells the sprite texel it came from only together
    // with its neighbours; the palette entry n is 5000 + n.
    for (int u = 0; u < 16; ++u)
      for (int v = 0; v < 16; ++v) ball_c[u * 16 + v] = static_cast<uint8_t>(u == 0 ? 0 : u);
    for (int n = 0; n < 256; ++n) ball_p[n] = static_cast<uint16_t>(5000 + n);
  }
  uint16_t At(int col, int e) const { return buf_[col * 240 + e]; }
  // The columns and elements that were written.
  void Extent(int* c0, int* c1, int* e0, int* e1) const {
    *c0 = *e0 = 1000;
    *c1 = *e1 = -1;
    for (int i = 0; i < kBufferElements; ++i) {
      if (buf_[i] == kBlank) continue;
      *c0 = std::min(*c0, i / 240);
      *c1 = std::max(*c1, i / 240);
      *e0 = std::min(*e0, i % 240);
      *e1 = std::max(*e1, i % 240);
    }
  }
  std::vector<uint16_t> buf_;
};

// With the sprite above, column 0 is transparent and column u >= 1 draws ball_p[u + k].
TEST_F(PrimitiveTest, BallOfSizeOneIsTheSpriteOneTexelPerElement) {
  drawball(Point2d{100, 100, 16}, 1.0f, buf_.data());
  int c0, c1, e0, e1;
  Extent(&c0, &c1, &e0, &e1);
  EXPECT_EQ(c0, 93);  // sprite column 0 (transparent) falls on buffer column 92
  EXPECT_EQ(c1, 107);
  EXPECT_EQ(e0, 92);
  EXPECT_EQ(e1, 107);
  for (int u = 1; u < 16; ++u) EXPECT_EQ(At(92 + u, 100), 5000 + u + 16) << u;
  EXPECT_EQ(At(92, 100), kBlank);
}

TEST_F(PrimitiveTest, BallsAreCutAtTheEdgesNotMoved) {
  // Left edge: buffer columns 0..11 show sprite columns 4..15.
  drawball(Point2d{4, 100, 0}, 1.0f, buf_.data());
  for (int c = 0; c < 12; ++c) EXPECT_EQ(At(c, 100), 5000 + 4 + c) << c;
  EXPECT_EQ(At(12, 100), kBlank);

  // Bottom edge: elements 0..11 of each column show sprite elements 4..15.
  buf_.assign(kBufferElements, kBlank);
  for (int u = 0; u < 16; ++u)
    for (int v = 0; v < 16; ++v) ball_c[u * 16 + v] = static_cast<uint8_t>(v == 15 ? 15 : (v % 3) + 1);
  drawball(Point2d{100, 4, 0}, 1.0f, buf_.data());
  for (int e = 0; e < 12; ++e) EXPECT_EQ(At(100, e), 5000 + ((e + 4) == 15 ? 15 : ((e + 4) % 3) + 1)) << e;
  EXPECT_EQ(At(100, 12), kBlank);

  // Right edge: lastX = 12; buffer columns 307..319 show sprite columns 0..12.
  buf_.assign(kBufferElements, kBlank);
  for (int u = 0; u < 16; ++u)
    for (int v = 0; v < 16; ++v) ball_c[u * 16 + v] = static_cast<uint8_t>(u + 1 > 15 ? 15 : u + 1);
  drawball(Point2d{315, 100, 0}, 1.0f, buf_.data());
  for (int c = 307; c < 320; ++c) EXPECT_EQ(At(c, 100), 5000 + (c - 307) + 1) << c;
  EXPECT_EQ(At(306, 100), kBlank);
}

TEST_F(PrimitiveTest, BallScalingAndRejection) {
  // Size 2 doubles every texel: 32 x 32 elements.
  for (int n = 0; n < 256; ++n) ball_c[n] = 1;
  drawball(Point2d{160, 120, 0}, 2.0f, buf_.data());
  int c0, c1, e0, e1;
  Extent(&c0, &c1, &e0, &e1);
  EXPECT_EQ(c0, 144);
  EXPECT_EQ(c1, 175);
  EXPECT_EQ(e0, 104);
  EXPECT_EQ(e1, 135);
  // Size 0 or negative, or wholly off screen: nothing.
  buf_.assign(kBufferElements, kBlank);
  drawball(Point2d{160, 120, 0}, 0.0f, buf_.data());
  drawball(Point2d{160, 120, 0}, -1.0f, buf_.data());
  drawball(Point2d{340, 120, 0}, 1.0f, buf_.data());
  drawball(Point2d{-9, 120, 0}, 1.0f, buf_.data());
  drawball(Point2d{100, 260, 0}, 1.0f, buf_.data());
  Extent(&c0, &c1, &e0, &e1);
  EXPECT_EQ(c1, -1);
}

TEST_F(PrimitiveTest, BallPaletteLookupsBeyond255AreSkipped) {
  for (int n = 0; n < 256; ++n) ball_c[n] = 15;
  drawball(Point2d{100, 100, 250}, 1.0f, buf_.data());  // 15 + 250 > 255
  int c0, c1, e0, e1;
  Extent(&c0, &c1, &e0, &e1);
  EXPECT_EQ(c1, -1);
}

TEST_F(PrimitiveTest, PointsUseTheUnsignedColumnTest) {
  drawpoint(Point2d{319, 0, 77}, buf_.data());
  EXPECT_EQ(buf_[76560], 77);
  drawpoint(Point2d{-1, 5, 77}, buf_.data());
  drawpoint(Point2d{320, 5, 77}, buf_.data());
  drawpoint(Point2d{5, 240, 77}, buf_.data());
  drawpoint(Point2d{5, -1, 77}, buf_.data());
  int n = 0;
  for (const uint16_t p : buf_) n += p != kBlank;
  EXPECT_EQ(n, 1);
}

class LineTest : public PrimitiveTest {
 protected:
  void Ends(int32_t x0, int32_t e0, int32_t x1, int32_t e1) {
    spts[0] = Point2d{x0, e0, 0};
    spts[1] = Point2d{x1, e1, 0};
  }
  std::vector<std::pair<int, int>> Pixels16() const {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < kBufferElements; ++i)
      if (buf_[i] != kBlank) out.emplace_back(i / 240, i % 240);
    return out;
  }
  std::vector<std::pair<int, int>> Pixels8() const {
    const auto* b = reinterpret_cast<const uint8_t*>(buf_.data());
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < kBufferElements; ++i)
      if (b[i] == 63) out.emplace_back(i / 240, i % 240);
    return out;
  }
  Line3d line_{0, 1, 65535};
};

using Px = std::vector<std::pair<int, int>>;

TEST_F(LineTest, EightBitLineStepsBeforeWritingAndSkipsTheFarEnd) {
  buf_.assign(kBufferElements, 0);
  Ends(0, 0, 4, 2);
  drawline8bit(line_, buf_.data());
  EXPECT_EQ(Pixels8(), (Px{{0, 0}, {1, 1}, {2, 1}, {3, 2}}));
  // Drawn from the other end it is the same line.
  buf_.assign(kBufferElements, 0);
  Ends(4, 2, 0, 0);
  drawline(line_, buf_.data(), 8);
  EXPECT_EQ(Pixels8(), (Px{{0, 0}, {1, 1}, {2, 1}, {3, 2}}));
}

TEST_F(LineTest, SixteenBitLineIsOneColumnToTheRight) {
  Ends(0, 0, 4, 2);
  drawline16bit(line_, buf_.data());
  EXPECT_EQ(Pixels16(), (Px{{1, 0}, {2, 1}, {3, 1}, {4, 2}}));
  EXPECT_EQ(At(1, 0), 0xFFFE);
}

TEST_F(LineTest, VerticalCoincidentAndRejectedLines) {
  Ends(7, 5, 7, 9);
  drawline(line_, buf_.data(), 16);
  EXPECT_EQ(Pixels16(), (Px{{8, 5}, {8, 6}, {8, 7}, {8, 8}}));
  buf_.assign(kBufferElements, kBlank);
  Ends(7, 9, 7, 5);  // drawn from the smaller element either way
  drawline(line_, buf_.data(), 16);
  EXPECT_EQ(Pixels16(), (Px{{8, 5}, {8, 6}, {8, 7}, {8, 8}}));

  buf_.assign(kBufferElements, kBlank);
  Ends(50, 50, 50, 50);
  drawline(line_, buf_.data(), 16);
  Ends(0, 0, 40, 20);
  drawline(line_, buf_.data(), 15);
  Ends(-3000, 0, 40, 20);  // beyond the reciprocal table
  drawline(line_, buf_.data(), 16);
  EXPECT_TRUE(Pixels16().empty());
}

TEST_F(LineTest, SteepLineSlopesAlongTheElements) {
  // 2 columns over 8 elements: x advances by a quarter column per element.
  Ends(10, 0, 12, 8);
  drawline16bit(line_, buf_.data());
  EXPECT_EQ(Pixels16(), (Px{{11, 0}, {11, 1}, {11, 2}, {12, 3}, {12, 4}, {12, 5}, {12, 6}, {13, 7}}));
}

TEST(Zsort, KeysAreMinusAQuarterOfTheDepthSum) {
  std::vector<Poly3d> pls{Poly3d{0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, Poly3d{2, 0, 0, 2, 0, 0, 2, 0, 0, 0}};
  Object3d o{};
  o.npls = 2;
  o.pls = pls.data();
  fpts[0].z = 100;
  fpts[1].z = 200;
  fpts[2].z = -7;
  swp[0] = 9;
  swp[1] = 9;
  zsort(zdata.data(), &o);
  EXPECT_EQ(zdata[0], -(293 >> 2));
  EXPECT_EQ(zdata[1], 6);  // -(-21 >> 2) = -(-6): the shift rounds down
  EXPECT_EQ(swp[0], 0);
  EXPECT_EQ(swp[1], 1);
}

TEST(Zbuffer, CleanSetsTheFarthestDepth) {
  zbuffer.fill(3);
  CleanZbuffer();
  for (const uint32_t z : zbuffer) ASSERT_EQ(z, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace zudezed
