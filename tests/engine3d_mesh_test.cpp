// Mesh generators, normals and the stored mesh decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine3d/generate3d.h"

namespace zudezed {
namespace {

void ExpectPoint(const Point3d& p, int32_t x, int32_t y, int32_t z) {
  EXPECT_EQ(p.x, x);
  EXPECT_EQ(p.y, y);
  EXPECT_EQ(p.z, z);
}

void ExpectVec(const Vec3& v, int32_t x, int32_t y, int32_t z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

TEST(Sphere, PlainSphereTruncatesNearTheRightAngle) {
  Object3d o{};
  GenerateSpherical(&o, 0, 0, 0, 0, 64);
  ASSERT_EQ(o.npts, 576);
  ASSERT_EQ(o.npls, 1104);
  ExpectPoint(o.pts[0], 0, 0, 64);
  ExpectPoint(o.pts[12], 63, 0, 0);
  ExpectPoint(o.pts[24 * 6 + 12], 0, 63, 0);
  EXPECT_EQ(o.pts[5].c, -1);
  // Every first point of a column lies on the z axis, so the first triangle of each
  // column is degenerate.
  for (int i = 0; i < 24; ++i) {
    ExpectPoint(o.pts[24 * i], 0, 0, 64);
    ExpectVec(o.nrms[46 * i], 0, 0, 0);
  }
  // Polygon layout: column 23 wraps to column 0.
  const Poly3d& a = o.pls[46 * 23 + 2 * 22];
  EXPECT_EQ(a.p0, 24 * 23 + 22);
  EXPECT_EQ(a.p1, 24 * 23 + 23);
  EXPECT_EQ(a.p2, 22);
  const Poly3d& b = o.pls[46 * 23 + 2 * 22 + 1];
  EXPECT_EQ(b.p0, 22);
  EXPECT_EQ(b.p1, 24 * 23 + 23);
  EXPECT_EQ(b.p2, 23);
  EXPECT_FLOAT_EQ(o.pz, 320.0f);
  EXPECT_FLOAT_EQ(o.ax, 0.0f);
}

TEST(Sphere, NormalsOfTheGeneratedWindingPointInwards) {
  // The generator's winding gives inward normals; the catalogue reverses the windings
  // afterwards, keeping these normals.
  Object3d o{};
  GenerateSpherical(&o, 0, 0, 0, 0, 64);
  int inward = 0, nonzero = 0;
  for (int i = 0; i < o.npls; ++i) {
    const Poly3d& p = o.pls[i];
    const Vec3& n = o.nrms[i];
    if (n.x == 0 && n.y == 0 && n.z == 0) continue;
    ++nonzero;
    const int64_t cx = o.pts[p.p0].x + o.pts[p.p1].x + o.pts[p.p2].x;
    const int64_t cy = o.pts[p.p0].y + o.pts[p.p1].y + o.pts[p.p2].y;
    const int64_t cz = o.pts[p.p0].z + o.pts[p.p1].z + o.pts[p.p2].z;
    if (cx * n.x + cy * n.y + cz * n.z < 0) ++inward;
  }
  EXPECT_EQ(nonzero, 1104 - 24);
  EXPECT_EQ(inward, nonzero);
}

TEST(Sphere, ModulatedSphereStaysInsideItsAmplitudes) {
  Object3d o{};
  GenerateSpherical(&o, 1.5f, 2.0f, 24.0f, 24.0f, 48.0f);
  int32_t lo = 1000, hi = -1000;
  for (int i = 0; i < o.npts; ++i) {
    for (const int32_t v : {o.pts[i].x, o.pts[i].y, o.pts[i].z}) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  EXPECT_GE(lo, -96);
  EXPECT_LE(hi, 96);
  EXPECT_GT(hi, 48);  // the modulation does push points outwards
}

TEST(Cylinder, RimCapsAndSeam) {
  Object3d o{};
  GenerateCylinder(&o);
  ASSERT_EQ(o.npts, 130);
  ASSERT_EQ(o.npls, 256);
  ExpectPoint(o.pts[0], 32, -64, 0);
  ExpectPoint(o.pts[16], 0, -64, 31);
  ExpectPoint(o.pts[80], 0, 64, 31);
  ExpectPoint(o.pts[128], 0, -64, 0);
  ExpectPoint(o.pts[129], 0, 64, 0);
  const Poly3d& seam = o.pls[127];
  EXPECT_EQ(seam.p0, 127);
  EXPECT_EQ(seam.tu0, 251);
  EXPECT_EQ(seam.tv0, 255);
  EXPECT_EQ(seam.p1, 0);
  EXPECT_EQ(seam.tu1, 255);
  EXPECT_EQ(seam.tv1, 0);
  EXPECT_EQ(seam.p2, 64);
  EXPECT_EQ(seam.tu2, 255);
  EXPECT_EQ(seam.tv2, 255);
  // Cap triangle k = 0: centre (128, 128), both rim corners at angle 0: (249, 126).
  const Poly3d& bottom = o.pls[128];
  EXPECT_EQ(bottom.p0, 128);
  EXPECT_EQ(bottom.p1, 1);
  EXPECT_EQ(bottom.p2, 0);
  EXPECT_EQ(bottom.tu1, 249);
  EXPECT_EQ(bottom.tv1, 126);
  EXPECT_EQ(bottom.tu2, 249);
  const Poly3d& top = o.pls[192 + 16];  // angle 90 degrees: (126, 248)
  EXPECT_EQ(top.p0, 80);
  EXPECT_EQ(top.p1, 81);
  EXPECT_EQ(top.p2, 129);
  EXPECT_EQ(top.tu0, 126);
  EXPECT_EQ(top.tv0, 248);
  // The negated normals point into the cylinder, like those of every other mesh: a
  // face turned to the viewer has a normal pointing away from the eye (lit, kept by
  // the z-buffer cull).
  for (int k = 0; k < 128; ++k) {
    const Vec3& n = o.nrms[k];
    const Point3d& p = o.pts[o.pls[k].p1];
    EXPECT_LT(int64_t{n.x} * p.x + int64_t{n.z} * p.z, 0) << k;
  }
  EXPECT_EQ(o.nrms[130].y, 256);   // bottom cap
  EXPECT_EQ(o.nrms[200].y, -256);  // top cap
}

// A hand-made object of one triangle in the x-y plane, wound so that the cross product
// (P2 - P1) x (P1 - P0) points along +z.
struct Triangle {
  std::vector<Point3d> pts{{0, 0, 0, 0}, {0, 10, 0, 0}, {10, 0, 0, 0}};
  std::vector<Poly3d> pls{Poly3d{0, 0, 0, 1, 0, 0, 2, 0, 0, 0}};
  Object3d o{};
  Triangle() {
    o.npts = 3;
    o.npls = 1;
    o.pts = pts.data();
    o.pls = pls.data();
  }
};

TEST(Normals, FlipOnlyForExactlyOne) {
  Triangle t;
  CalcNorms(&t.o, 0);
  ExpectVec(t.o.nrms[0], 0, 0, 256);
  CalcNorms(&t.o, 1);
  ExpectVec(t.o.nrms[0], 0, 0, -256);
  CalcNorms(&t.o, 2);
  ExpectVec(t.o.nrms[0], 0, 0, 256);
  ReversePolygonOrder(&t.o);
  EXPECT_EQ(t.o.pls[0].p0, 2);
  EXPECT_EQ(t.o.pls[0].p2, 0);
  CalcNorms(&t.o, 0);
  ExpectVec(t.o.nrms[0], 0, 0, -256);
}

TEST(Normals, PointNormalAveragesTruncatesAndNormalises) {
  // Point 0 is in three polygons with normals (0,0,256), (0,0,256), (0,256,0).
  std::vector<Point3d> pts(6);
  std::vector<Poly3d> pls{Poly3d{0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, Poly3d{0, 0, 0, 3, 0, 0, 4, 0, 0, 0},
                          Poly3d{5, 0, 0, 0, 0, 0, 1, 0, 0, 0}};
  std::vector<Vec3> nrms{{0, 0, 256}, {0, 0, 256}, {0, 256, 0}};
  Object3d o{};
  o.npts = 6;
  o.npls = 3;
  o.pts = pts.data();
  o.pls = pls.data();
  o.nrms = nrms.data();
  CalcPtNorms(&o);
  ExpectVec(o.ptnrms[0], 0, 114, 229);
  EXPECT_EQ(addtimes[0], 3);
  EXPECT_EQ(addtimes[1], 2);
  ExpectVec(o.ptnrms[1], 0, 181, 181);  // (0,128,128) -> length 181
  ExpectVec(o.ptnrms[3], 0, 0, 256);
}

TEST(Normals, PointInNoPolygonGetsTheZeroNormal) {
  std::vector<Point3d> pts(4);
  std::vector<Poly3d> pls{Poly3d{0, 0, 0, 1, 0, 0, 2, 0, 0, 0}};
  std::vector<Vec3> nrms{{0, 256, 0}};
  Object3d o{};
  o.npts = 4;
  o.npls = 1;
  o.pts = pts.data();
  o.pls = pls.data();
  o.nrms = nrms.data();
  CalcPtNorms(&o);
  ExpectVec(o.ptnrms[3], 0, 0, 0);
  ExpectVec(o.ptnrms[2], 0, 256, 0);
}

TEST(Normals, PointInMoreThan255PolygonsKeepsItsDirection) {
  // 256 polygons share point 0: the 8-bit count wraps to 0.
  std::vector<Point3d> pts(3);
  std::vector<Poly3d> pls(256, Poly3d{0, 0, 0, 1, 0, 0, 2, 0, 0, 0});
  std::vector<Vec3> nrms(256, Vec3{0, 0, -256});
  Object3d o{};
  o.npts = 3;
  o.npls = 256;
  o.pts = pts.data();
  o.pls = pls.data();
  o.nrms = nrms.data();
  CalcPtNorms(&o);
  ExpectVec(o.ptnrms[0], 0, 0, -256);
}

std::vector<uint8_t> U16(std::initializer_list<int> v) {
  std::vector<uint8_t> out;
  for (const int x : v) {
    out.push_back(static_cast<uint8_t>(x & 255));
    out.push_back(static_cast<uint8_t>(x >> 8));
  }
  return out;
}

TEST(StoredMesh, DecodesCountsCoordinatesLinesAndPolygons) {
  // 4 points, 2 lines, 2 polygons, then a trailing byte that must not matter.
  std::vector<uint8_t> d = U16({4, 2, 2});
  for (const uint8_t b : {128, 129, 127, /**/ 0, 255, 130, /**/ 200, 60, 128, /**/ 128, 128, 0}) {
    d.push_back(b);
  }
  for (const auto& part : {U16({2, 1}), U16({3, 1}), U16({0, 1, 2}), U16({0, 2, 3})}) {
    d.insert(d.end(), part.begin(), part.end());
  }
  d.push_back(0xEE);
  Object3d o{};
  Load16bit3do(&o, d.data(), 0);
  ASSERT_EQ(o.npts, 4);
  ASSERT_EQ(o.nlns, 2);
  ASSERT_EQ(o.npls, 2);
  ExpectPoint(o.pts[0], 0, 0, -1);
  ExpectPoint(o.pts[1], -64, 63, 1);
  ExpectPoint(o.pts[2], 36, -34, 0);
  ExpectPoint(o.pts[3], 0, 0, -64);
  EXPECT_EQ(o.pts[2].c, -1);
  EXPECT_EQ(o.lns[0].p0, 2);
  EXPECT_EQ(o.lns[0].p1, 1);
  EXPECT_EQ(o.lns[1].p0, 3);
  EXPECT_EQ(o.lns[1].p1, 1);
  EXPECT_EQ(o.lns[1].col, 65535);
  EXPECT_EQ(o.pls[1].p0, 0);
  EXPECT_EQ(o.pls[1].p1, 2);
  EXPECT_EQ(o.pls[1].p2, 3);
  ASSERT_NE(o.nrms, nullptr);
  ASSERT_NE(o.ptnrms, nullptr);
  // Point 3 is in polygon 1 only, so its normal is that polygon's normal.
  ExpectVec(o.ptnrms[3], o.nrms[1].x, o.nrms[1].y, o.nrms[1].z);
}

TEST(StoredMesh, IndicesAreLittleEndianSixteenBits) {
  // 300 points (all at the origin byte 128), no lines, one polygon (299, 256, 1).
  std::vector<uint8_t> d = U16({300, 0, 1});
  d.insert(d.end(), 900, 128);
  const auto poly = U16({299, 256, 1});
  d.insert(d.end(), poly.begin(), poly.end());
  Object3d o{};
  Load16bit3do(&o, d.data(), 1);
  EXPECT_EQ(o.pls[0].p0, 299);
  EXPECT_EQ(o.pls[0].p1, 256);
  EXPECT_EQ(o.pls[0].p2, 1);
}

}  // namespace
}  // namespace zudezed
