// Vector maths, the transform stages, lighting and the depth sort.
#include <gtest/gtest.h>

#include <vector>

#include "engine3d/engine3d.h"

namespace zudezed {
namespace {

Vec3 Norm(Vec3 a) {
  Vec3 r;
  Normalize(&r, a);
  return r;
}

void ExpectVec(Vec3 v, int32_t x, int32_t y, int32_t z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

TEST(VectorMaths, NormalizeScalesToLength256WithTruncation) {
  ExpectVec(Norm({0, 0, 0}), 0, 0, 0);
  ExpectVec(Norm({3, 4, 0}), 153, 204, 0);
  ExpectVec(Norm({0, 0, -7}), 0, 0, -256);
  // Truncation toward zero on both signs: len 3 -> 85.33.
  ExpectVec(Norm({1, -2, 2}), 85, -170, 170);
}

TEST(VectorMaths, NormalizeOfAnOverflowingSquareUsesTheTrueLength) {
  // 50000^2 * 3 overflows 32 bits; the direction is still the diagonal.
  ExpectVec(Norm({50000, 50000, -50000}), 147, 147, -147);
  ExpectVec(Norm({0, 3000000, 4000000}), 0, 153, 204);
}

TEST(VectorMaths, CrossAndNeg) {
  Vec3 c;
  CrossProduct(&c, {1, 0, 0}, {0, 1, 0});
  ExpectVec(c, 0, 0, 1);
  CrossProduct(&c, {0, 1, 0}, {1, 0, 0});
  ExpectVec(c, 0, 0, -1);
  CrossProduct(&c, {2, 3, 4}, {5, 6, 7});
  ExpectVec(c, 3 * 7 - 4 * 6, 4 * 5 - 2 * 7, 2 * 6 - 3 * 5);
  Vec3 n;
  NegVec(&n, {1, -2, 3});
  ExpectVec(n, -1, 2, -3);
  EXPECT_EQ(DotProduct({1, 2, 3}, {-4, 5, 6}), -4 + 10 + 18);
}

class TransformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_ = Object3d{};
    pts_.assign(4, Point3d{});
    obj_.pts = pts_.data();
  }
  Object3d obj_;
  std::vector<Point3d> pts_;
};

TEST_F(TransformTest, ProjectDividesByDepthAndKeepsPointsBehindTheEye) {
  obj_.npts = 3;
  fpts[0] = {256, -512, 256, 0};
  fpts[1] = {1000, 1000, 0, 0};
  fpts[2] = {1000, 1000, -5, 0};
  spts[1] = {7, 8, 9};
  spts[2] = {-3, -4, 5};
  project3d(&obj_);
  EXPECT_EQ(spts[0].x, 416);
  EXPECT_EQ(spts[0].y, -392);
  EXPECT_EQ(spts[1].x, 7);
  EXPECT_EQ(spts[1].y, 8);
  EXPECT_EQ(spts[1].c, 9);
  EXPECT_EQ(spts[2].x, -3);
  EXPECT_EQ(spts[2].y, -4);
  // Division truncates toward zero: -100 * 256 / 300 = -85.33.
  obj_.npts = 1;
  fpts[0] = {-100, 100, 300, 0};
  project3d(&obj_);
  EXPECT_EQ(spts[0].x, 160 - 85);
  EXPECT_EQ(spts[0].y, 120 + 85);
}

TEST_F(TransformTest, TranslateTruncatesTheScaledPosition) {
  obj_.npts = 2;
  fpts[0] = {10, 20, 30, 0};
  fpts[1] = {0, 0, 0, 0};
  fpts[2] = {5, 5, 5, 0};
  obj_.px = -0.5f;
  obj_.py = 0.001f;
  obj_.pz = 1.999f;  // 511.744 -> 511
  translate3d(&obj_);
  EXPECT_EQ(fpts[0].x, 10 - 128);
  EXPECT_EQ(fpts[0].y, 20);
  EXPECT_EQ(fpts[0].z, 30 + 511);
  EXPECT_EQ(fpts[1].x, -128);
  EXPECT_EQ(fpts[2].x, 5);  // beyond npts
}

// The matrix is observed through rotate3d of unit axis points: column k of M is the
// rotated image of axis k.
struct Matrix3 {
  int32_t m[3][3];
};

Matrix3 MatrixOf(float ax, float ay, float az) {
  std::vector<Point3d> pts{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  Object3d o{};
  o.npts = 3;
  o.pts = pts.data();
  o.ax = ax;
  o.ay = ay;
  o.az = az;
  rotate3d(&o);
  Matrix3 r;
  for (int c = 0; c < 3; ++c) {
    r.m[0][c] = fpts[c].x;
    r.m[1][c] = fpts[c].y;
    r.m[2][c] = fpts[c].z;
  }
  return r;
}

TEST(Rotation, IdentityAndSmallXTurnTruncateTowardZero) {
  const Matrix3 id = MatrixOf(0, 0, 0);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(id.m[r][c], r == c ? 256 : 0) << r << "," << c;

  const Matrix3 m = MatrixOf(0.5f, 0, 0);
  EXPECT_EQ(m.m[0][0], 256);
  EXPECT_EQ(m.m[1][1], 224);
  EXPECT_EQ(m.m[2][2], 224);
  EXPECT_EQ(m.m[2][1], 122);
  EXPECT_EQ(m.m[1][2], -122);  // not -123
  EXPECT_EQ(m.m[0][1], 0);
  EXPECT_EQ(m.m[2][0], 0);
}

TEST(Rotation, TurnsAboutXThenYThenZ) {
  // The engine's quarter turn: sinf rounds to 1.0f, cosf is tiny and truncates away.
  const Matrix3 y = MatrixOf(0, 1.5707585f, 0);
  EXPECT_EQ(y.m[2][0], -256);  // x goes to -z about y
  EXPECT_EQ(y.m[0][2], 256);
  EXPECT_EQ(y.m[0][0], 0);
  const Matrix3 xz = MatrixOf(1.5707585f, 0, 1.5707585f);
  // The y axis turns to +z about x and stays there about z.
  EXPECT_EQ(xz.m[2][1], 256);
  // The z axis turns to -y about x first, then to +x about z (turning about z first
  // would leave it on -y).
  EXPECT_EQ(xz.m[0][2], 256);
  EXPECT_EQ(xz.m[1][2], 0);
  // The x axis turns to +y about z (the turn about x comes first and leaves it).
  EXPECT_EQ(xz.m[1][0], 256);
}

TEST(Rotation, Calc3dRotatesTranslatesProjects) {
  std::vector<Point3d> pts{{10, 0, 0, 0}, {1, 2, 3, 0}};
  Object3d o{};
  o.npts = 2;
  o.pts = pts.data();
  o.pz = 128.0f;
  Calc3d(&o);
  EXPECT_EQ(fpts[0].x, 2560);
  EXPECT_EQ(fpts[0].y, 0);
  EXPECT_EQ(fpts[0].z, 32768);
  EXPECT_EQ(spts[0].x, 180);
  EXPECT_EQ(spts[0].y, 120);
  EXPECT_EQ(fpts[1].x, 256);
  EXPECT_EQ(fpts[1].y, 512);
  EXPECT_EQ(fpts[1].z, 768 + 32768);
}

TEST(Lighting, ShadeIsClampedNormalZOver256InBothPaths) {
  std::vector<Vec3> n{{0, 0, 65536}, {0, 0, 300}, {0, 0, 255}, {0, 0, -1}, {0, 0, 40000}};
  std::vector<Point3d> pts(5);
  Object3d o{};
  o.npts = 5;
  o.npls = 5;
  o.pts = pts.data();
  o.nrms = n.data();
  o.ptnrms = n.data();
  const int16_t want[5] = {255, 1, 0, 0, 156};
  for (int path = 0; path < 2; ++path) {
    lightcalc = path;
    rotate3d_normals(&o);
    rotate3d_pt_normals(&o);
    // Rotation scales by 256: pre-divide so the rotated z is the listed value.
    for (int i = 0; i < 5; ++i) {
      norms[i].z = n[i].z;
      pt_norms[i].z = n[i].z;
    }
    CalcPolyColor(&o);
    CalcPointColor(&o);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(spls[i].c, want[i]) << "path " << path << " i " << i;
      EXPECT_EQ(spts[i].c, want[i]) << "path " << path << " i " << i;
    }
  }
  // Any other selector leaves the shades alone.
  lightcalc = 2;
  spls[0].c = 77;
  spts[0].c = 78;
  CalcPolyColor(&o);
  CalcPointColor(&o);
  EXPECT_EQ(spls[0].c, 77);
  EXPECT_EQ(spts[0].c, 78);
  lightcalc = 0;
}

TEST(Lighting, RotatedNormalsCarry16FractionBits) {
  std::vector<Vec3> n{{0, 0, 256}};
  Object3d o{};
  o.npls = 1;
  o.nrms = n.data();
  rotate3d_normals(&o);
  EXPECT_EQ(norms[0].z, 65536);
  CalcPolyColorStatic(&o);
  EXPECT_EQ(spls[0].c, 255);
}

std::vector<uint16_t> Sort(std::vector<int32_t> keys) {
  const int n = static_cast<int>(keys.size());
  for (int i = 0; i < n; ++i) {
    zdata[i] = keys[i];
    swp[i] = static_cast<uint16_t>(i);
  }
  quicksort(0, n - 1, zdata.data());
  return std::vector<uint16_t>(swp.begin(), swp.begin() + n);
}

TEST(DepthSort, PermutationFollowsTheExactPartition) {
  EXPECT_EQ(Sort({2, 1}), (std::vector<uint16_t>{1, 0}));
  EXPECT_EQ(zdata[0], 1);
  EXPECT_EQ(Sort({3, 1, 2}), (std::vector<uint16_t>{1, 2, 0}));
  EXPECT_EQ(zdata[2], 3);
  EXPECT_EQ(Sort({5, 5, 5, 5}), (std::vector<uint16_t>{2, 3, 0, 1}));
  EXPECT_EQ(Sort({9}), (std::vector<uint16_t>{0}));
}

TEST(DepthSort, EmptyRangeReadsNothing) {
  // A null key pointer would fault if any element were read.
  quicksort(0, -1, nullptr);
}

TEST(DepthSort, SortsLargeMixedInputAndKeepsThePermutationConsistent) {
  std::vector<int32_t> keys;
  uint32_t r = 12345;
  for (int i = 0; i < 1104; ++i) {
    r = r * 1103515245u + 12345u;
    keys.push_back(static_cast<int32_t>(r >> 20) - 2048);
  }
  const auto perm = Sort(keys);
  for (int i = 0; i < 1104; ++i) {
    EXPECT_EQ(zdata[i], keys[perm[i]]);
    if (i > 0) {
      EXPECT_LE(zdata[i - 1], zdata[i]);
    }
  }
}

}  // namespace
}  // namespace zudezed
