// The triangle fillers: the shared column scan conversion and each filler's
// per-element work.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "effects/effects.h"
#include "engine3d/render3d.h"
#include "precalc/precalcs.h"

namespace zudezed {
namespace {

constexpr uint16_t kBlank = 0x1234;

// A shade table whose entry n is 1000 + n, preceded and followed by a sentinel row so
// that a read outside the 256 entries shows up as 0xDEAD.
struct ShadeTable {
  std::array<uint16_t, 768> raw;
  ShadeTable(uint16_t base = 1000) {
    raw.fill(0xDEAD);
    for (int n = 0; n < 256; ++n) raw[256 + n] = static_cast<uint16_t>(base + n);
  }
  const uint16_t* row() const { return raw.data() + 256; }
};

class FillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    precdivs();
    buf_.assign(kBufferElements, kBlank);
    CleanZbuffer();
  }
  // Places vertex k of the test polygon at column x, element e with depth z and
  // colour g.
  void Vertex(int k, int32_t x, int32_t e, int32_t z = 1000, int16_t g = 0) {
    spts[k] = Point2d{x, e, g};
    fpts[k] = Point3d{0, 0, z, 0};
  }
  uint16_t At(int col, int e) const { return buf_[col * 240 + e]; }
  int Written() const {
    int n = 0;
    for (const uint16_t p : buf_) n += p != kBlank;
    return n;
  }
  Poly3d poly_{0, 0, 0, 1, 0, 0, 2, 0, 0, 7};
  std::vector<uint16_t> buf_;
  ShadeTable shade_;
};

TEST_F(FillTest, FlatTriangleFillsColumnsShiftedByOneWithoutTheEndElement) {
  Vertex(0, 10, 10);
  Vertex(1, 20, 10);
  Vertex(2, 10, 20);
  DrawFlatTriangle(poly_, buf_.data(), shade_.row());
  // Column 10 + k is written into buffer column 11 + k, elements 10 .. 19 - k.
  int expected = 0;
  for (int k = 0; k < 10; ++k) {
    for (int e = 0; e < 240; ++e) {
      const bool in = e >= 10 && e <= 19 - k;
      EXPECT_EQ(At(11 + k, e), in ? 1007 : kBlank) << "col " << 11 + k << " e " << e;
      expected += in;
    }
  }
  EXPECT_EQ(Written(), expected);
  for (int e = 0; e < 240; ++e) {
    EXPECT_EQ(At(10, e), kBlank);
    EXPECT_EQ(At(21, e), kBlank);
  }
}

TEST_F(FillTest, VertexOrderDoesNotChangeTheCoveredElements) {
  Vertex(0, 10, 10);
  Vertex(1, 20, 10);
  Vertex(2, 10, 20);
  DrawFlatTriangle(poly_, buf_.data(), shade_.row());
  const std::vector<uint16_t> first = buf_;
  for (const Poly3d p : {Poly3d{2, 0, 0, 1, 0, 0, 0, 0, 0, 7}, Poly3d{1, 0, 0, 2, 0, 0, 0, 0, 0, 7}}) {
    buf_.assign(kBufferElements, kBlank);
    DrawFlatTriangle(p, buf_.data(), shade_.row());
    EXPECT_EQ(buf_, first);
  }
}

TEST_F(FillTest, DegenerateAndOutOfRangeTrianglesDrawNothing) {
  Vertex(0, 5, 10);
  Vertex(1, 5, 50);
  Vertex(2, 5, 90);
  DrawFlatTriangle(poly_, buf_.data(), shade_.row());
  EXPECT_EQ(Written(), 0);
  // A column difference beyond the reciprocal table.
  Vertex(0, -3000, 10);
  Vertex(1, 100, 50);
  Vertex(2, 100, 90);
  DrawFlatTriangle(poly_, buf_.data(), shade_.row());
  EXPECT_EQ(Written(), 0);
  // An element difference beyond it.
  Vertex(0, 10, -2000);
  Vertex(1, 100, 50);
  Vertex(2, 100, 90);
  DrawGouraudTriangle(poly_, buf_.data(), shade_.row());
  EXPECT_EQ(Written(), 0);
}

TEST_F(FillTest, SpanBelowElementZeroSpillsIntoThePreviousColumn) {
  Vertex(0, 100, -3);
  Vertex(1, 100, 5);
  Vertex(2, 102, 1);
  DrawFlatTriangle(poly_, buf_.data(), shade_.row());
  for (int e = 237; e < 240; ++e) EXPECT_EQ(At(100, e), 1007);
  for (int e = 0; e < 5; ++e) EXPECT_EQ(At(101, e), 1007);
  EXPECT_EQ(At(101, 5), kBlank);
  EXPECT_EQ(At(100, 236), kBlank);
}

TEST_F(FillTest, ColumnPast319IsDroppedByTheIndexTest) {
  Vertex(0, 319, -2);
  Vertex(1, 319, 3);
  Vertex(2, 321, 0);
  DrawFlatTriangle(poly_, buf_.data(), shade_.row());
  EXPECT_EQ(buf_[76798], 1007);
  EXPECT_EQ(buf_[76799], 1007);
  EXPECT_EQ(Written(), 2);
}

TEST_F(FillTest, GouraudAdvancesBeforeTheFirstElementAndClampsAtZero) {
  // One column: from colour 0 at e = 0 to colour 64 at e = 64, slope 1 per element.
  Vertex(0, 10, 0, 1000, 0);
  Vertex(1, 10, 64, 1000, 64);
  Vertex(2, 11, 0, 1000, 0);
  DrawGouraudTriangle(poly_, buf_.data(), shade_.row());
  for (int e = 0; e < 64; ++e) EXPECT_EQ(At(11, e), 1000 + e + 1) << e;
  EXPECT_EQ(At(11, 64), kBlank);

  // 0 to 0 throughout.
  buf_.assign(kBufferElements, kBlank);
  Vertex(0, 50, 0, 1000, 0);
  Vertex(1, 60, 100, 1000, 0);
  Vertex(2, 70, 20, 1000, 0);
  DrawGouraudTriangle(poly_, buf_.data(), shade_.row());
  ASSERT_GT(Written(), 500);
  for (const uint16_t p : buf_) EXPECT_TRUE(p == kBlank || p == 1000);

  // Decreasing to 0 never reads below entry 0 (the sentinel would show).
  buf_.assign(kBufferElements, kBlank);
  Vertex(0, 50, 0, 1000, 255);
  Vertex(1, 60, 180, 1000, 0);
  Vertex(2, 90, 3, 1000, 0);
  DrawGouraudTriangle(poly_, buf_.data(), shade_.row());
  ASSERT_GT(Written(), 500);
  for (const uint16_t p : buf_) EXPECT_TRUE(p == kBlank || (p >= 1000 && p <= 1255)) << p;
}

TEST_F(FillTest, GouraudIndexFromAWrappedSlopeStaysInTheTable) {
  // A one-column edge 200 elements long wraps its slope; whatever it yields must be
  // read from inside the table.
  Vertex(0, 10, 0, 1000, 255);
  Vertex(1, 11, 200, 1000, 0);
  Vertex(2, 12, 0, 1000, 255);
  DrawGouraudTriangle(poly_, buf_.data(), shade_.row());
  for (const uint16_t p : buf_) EXPECT_TRUE(p == kBlank || (p >= 1000 && p <= 1255)) << p;
}

TEST_F(FillTest, ZBufferKeepsTheFirstOfEqualDepthsAndTakesNearer) {
  Vertex(0, 10, 10, 5000);
  Vertex(1, 40, 10, 5000);
  Vertex(2, 10, 40, 5000);
  ShadeTable second(2000);
  DrawFlatTriangleZB(poly_, buf_.data(), shade_.row());
  DrawFlatTriangleZB(poly_, buf_.data(), second.row());
  EXPECT_EQ(At(12, 12), 1007);
  EXPECT_EQ(zbuffer[12 * 240 + 12], 5000u);
  Vertex(0, 10, 10, 4999);
  Vertex(1, 40, 10, 4999);
  Vertex(2, 10, 40, 4999);
  DrawFlatTriangleZB(poly_, buf_.data(), second.row());
  EXPECT_EQ(At(12, 12), 2007);
  // The untouched rest of the z-buffer stays at the far value.
  EXPECT_EQ(zbuffer[200 * 240 + 100], 0xFFFFFFFFu);
}

TEST_F(FillTest, ZBufferDepthInterpolatesAcrossTheTriangle) {
  // A far triangle and a near one sloping through it: each wins where it is nearer.
  Vertex(0, 10, 0, 10000);
  Vertex(1, 10, 100, 10000);
  Vertex(2, 110, 0, 10000);
  DrawGouraudTriangleZB(poly_, buf_.data(), shade_.row());
  ShadeTable second(2000);
  Vertex(0, 10, 0, 5000);
  Vertex(1, 10, 100, 5000);
  Vertex(2, 110, 0, 15000);
  DrawFlatTriangleZB(poly_, buf_.data(), second.row());
  EXPECT_EQ(At(21, 5), 2007);   // near end: depth about 6000
  EXPECT_EQ(At(100, 2), 1000);  // far end: depth about 14000
}

TEST_F(FillTest, WaterLineSelectsThePaletteAndStampsTheHeightField) {
  ShadeTable below(3000);
  const std::array<int32_t, 3> depths{128500, 130500, 127000};
  const std::array<uint8_t, 3> stamp_plain{244, 0x55, 0x55};
  const std::array<uint8_t, 3> stamp_zb{244, 196, 0x55};
  for (int zb = 0; zb < 2; ++zb) {
    for (int d = 0; d < 3; ++d) {
      buf_.assign(kBufferElements, kBlank);
      buffer1.fill(0x55);
      CleanZbuffer();
      Vertex(0, 30, 30, depths[d]);
      Vertex(1, 60, 30, depths[d]);
      Vertex(2, 30, 60, depths[d]);
      if (zb) DrawFlatWaterTriangleZB(poly_, buf_.data(), shade_.row(), below.row());
      else DrawFlatWaterTriangle(poly_, buf_.data(), shade_.row(), below.row());
      const int i = 35 * 240 + 35;
      EXPECT_EQ(buf_[i], depths[d] > 128000 ? 3007 : 1007) << zb << " " << d;
      EXPECT_EQ(buffer1[i], zb ? stamp_zb[d] : stamp_plain[d]) << zb << " " << d;
      EXPECT_EQ(buffer1[200 * 240 + 100], 0x55);
    }
  }
}

TEST_F(FillTest, WaterZBOnlyStampsWhereTheDepthTestPasses) {
  ShadeTable below(3000);
  Vertex(0, 30, 30, 100);
  Vertex(1, 60, 30, 100);
  Vertex(2, 30, 60, 100);
  DrawFlatTriangleZB(poly_, buf_.data(), shade_.row());
  buffer1.fill(0x55);
  Vertex(0, 30, 30, 128500);
  Vertex(1, 60, 30, 128500);
  Vertex(2, 30, 60, 128500);
  DrawFlatWaterTriangleZB(poly_, buf_.data(), shade_.row(), below.row());
  EXPECT_EQ(buf_[35 * 240 + 35], 1007);
  EXPECT_EQ(buffer1[35 * 240 + 35], 0x55);
}

// A texture whose texel n holds n, so a pixel names the texel it came from.
std::vector<uint16_t> IndexTexture(int size) {
  std::vector<uint16_t> t(size * size);
  for (int n = 0; n < size * size; ++n) t[n] = static_cast<uint16_t>(n);
  return t;
}

TEST_F(FillTest, TextureIsRowMajorByVWithTheShiftApplied) {
  const auto tex = IndexTexture(128);
  // u grows with the column, v with the element: vertex (x, e) carries (u, v) = (2(x - 20), 2e).
  Vertex(0, 20, 0);
  Vertex(1, 20, 120);
  Vertex(2, 140, 0);
  Poly3d p{0, 0, 0, 1, 0, 240, 2, 240, 0, 0};
  DrawTextureTriangle(p, buf_.data(), 1, tex.data());
  for (const auto& [x, e] : std::vector<std::pair<int, int>>{{30, 10}, {60, 40}, {25, 90}}) {
    const uint16_t t = At(x + 1, e);
    const int u = (t % 128) * 2, v = (t / 128) * 2;
    EXPECT_NEAR(u, 2 * (x - 20), 3) << x << "," << e;
    EXPECT_NEAR(v, 2 * e, 3) << x << "," << e;
  }
}

TEST_F(FillTest, TextureCornerAndClampedCoordinates) {
  const auto tex = IndexTexture(128);
  Vertex(0, 20, 0);
  Vertex(1, 20, 20);
  Vertex(2, 40, 0);
  // (255, 255) with s = 1 is the last texel.
  DrawTextureTriangle(Poly3d{0, 255, 255, 1, 255, 255, 2, 255, 255, 0}, buf_.data(), 1, tex.data());
  EXPECT_EQ(At(25, 5), 16383);
  // (1, 0) and (0, 0) read the same texel at s = 1.
  DrawTextureTriangle(Poly3d{0, 1, 0, 1, 1, 0, 2, 1, 0, 0}, buf_.data(), 1, tex.data());
  EXPECT_EQ(At(25, 5), 0);
  // Coordinates beyond 0..255 are held at the edge of the picture.
  DrawTextureTriangleZB(Poly3d{0, 900, -40, 1, 900, -40, 2, 900, -40, 0}, buf_.data(), 1,
                        tex.data());
  EXPECT_EQ(At(25, 5), 127);
}

TEST_F(FillTest, EnvironmentMapWrapsAroundInBothDirections) {
  const auto tex = IndexTexture(64);
  Vertex(0, 20, 0);
  Vertex(1, 20, 20);
  Vertex(2, 40, 0);
  for (int k = 0; k < 3; ++k) point_tc[k] = TexCoord{256, 8};
  DrawEnvmappedTriangle(poly_, buf_.data(), 2, tex.data());
  EXPECT_EQ(At(25, 5), 0 + 64 * 2);
  for (int k = 0; k < 3; ++k) point_tc[k] = TexCoord{-1, -1};
  DrawEnvmappedTriangleZB(poly_, buf_.data(), 2, tex.data());
  EXPECT_EQ(At(25, 5), 63 + 64 * 63);
}

class PlasmaTest : public FillTest {
 protected:
  void SetUp() override {
    FillTest::SetUp();
    // Distinct small values so that each term of the plasma sum is identifiable.
    for (int i = 0; i < kSineEntries; ++i) {
      fsin6[i] = (i * 7) % 192;
      fsin7[i] = (i * 13) % 224;
      fsin8[i] = (i * 29) % 256;
    }
    Vertex(0, 20, 0);
    Vertex(1, 20, 20);
    Vertex(2, 40, 0);
  }
  static int P1(int u, int v, int t) {
    const int a = fsin8[u + v + t];
    return (fsin6[u] + fsin7[v] + a + fsin7[a + fsin6[u]]) & 255;
  }
  static int P2(int u, int v, int t) {
    const int a = fsin8[u + v + t];
    return (fsin6[u] + fsin7[v + t] + fsin8[u + v + 2 * t] + fsin7[t + a + fsin6[u]]) & 255;
  }
};

TEST_F(PlasmaTest, BothVariantsPlaceThePhaseAsWritten) {
  tm = 100;
  const Poly3d p{0, 40, 70, 1, 40, 70, 2, 40, 70, 0};
  DrawTextureTriangle_plasma(p, buf_.data(), shade_.row());
  EXPECT_EQ(At(25, 5), 1000 + P1(40, 70, 100));
  DrawTextureTriangleZB_plasma(p, buf_.data(), shade_.row());
  EXPECT_EQ(At(25, 5), 1000 + P2(40, 70, 100));
  EXPECT_NE(P1(40, 70, 100), P2(40, 70, 100));
}

TEST_F(PlasmaTest, PhaseZeroMakesTheVariantsAgreeAndNegativeCoordinatesCountAsZero) {
  tm = 0;
  const Poly3d p{0, 10, 200, 1, 90, 30, 2, 250, 120, 0};
  DrawTextureTriangle_plasma(p, buf_.data(), shade_.row());
  const std::vector<uint16_t> plain = buf_;
  buf_.assign(kBufferElements, kBlank);
  DrawTextureTriangleZB_plasma(p, buf_.data(), shade_.row());
  EXPECT_EQ(buf_, plain);

  tm = 55;
  DrawTextureTriangle_plasma(Poly3d{0, -9, -3, 1, -9, -3, 2, -9, -3, 0}, buf_.data(), shade_.row());
  EXPECT_EQ(At(25, 5), 1000 + P1(0, 0, 55));
}

}  // namespace
}  // namespace zudezed
