// The object catalogue built from the stored meshes and the generators.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "assets/assets.h"
#include "engine3d/generate3d.h"

namespace zudezed {
namespace {

int U16(const uint8_t* p) { return p[0] | (p[1] << 8); }

// The stored format's length from its header.
int FormatBytes(const uint8_t* d) { return 6 + 3 * U16(d) + 4 * U16(d + 2) + 6 * U16(d + 4); }

TEST(StoredMeshes, DecodingConsumesTheWholeTeapotAndStaysInsideTheFace) {
  EXPECT_EQ(FormatBytes(teapot.data()), 3361);
  EXPECT_LE(FormatBytes(face3do.data()), 11065);
  for (const auto& [data, size] :
       {std::pair{teapot.data(), 3361}, std::pair{face3do.data(), FormatBytes(face3do.data())}}) {
    Object3d o{};
    Load16bit3do(&o, data, 0);
    // The last polygon decoded is made of the last six bytes of the format.
    const Poly3d& last = o.pls[o.npls - 1];
    EXPECT_EQ(last.p0, U16(data + size - 6));
    EXPECT_EQ(last.p1, U16(data + size - 4));
    EXPECT_EQ(last.p2, U16(data + size - 2));
    // The last line ends where the polygons begin.
    const int poly_start = size - 6 * o.npls;
    EXPECT_EQ(o.lns[o.nlns - 1].p1, U16(data + poly_start - 2));
  }
}

class CatalogueTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Init3d(); }
};

TEST_F(CatalogueTest, SlotsCountsAndStartValues) {
  EXPECT_EQ(objnpls, object[1].npls);
  EXPECT_EQ(objnlns, object[1].nlns);
  EXPECT_GT(objnpls, 0);
  EXPECT_EQ(object[5].npts, 0);
  EXPECT_EQ(object[5].pts, nullptr);
  EXPECT_EQ(object[0].npts, 64);
  EXPECT_EQ(object[0].npls, 0);
  EXPECT_EQ(object[4].npts, 8);
  EXPECT_EQ(object[4].npls, 12);
  EXPECT_EQ(object[4].nlns, 12);
  EXPECT_EQ(object[16].npls, 1104);
  EXPECT_EQ(object[20].npts, 576);
  EXPECT_EQ(object[24].npls, 256);
  EXPECT_EQ(object[24].nlns, 0);
  EXPECT_FLOAT_EQ(object[1].ay, -1.5707585f);
  EXPECT_FLOAT_EQ(object[1].az, 1.5707585f);
  EXPECT_FLOAT_EQ(object[1].py, 14.0f);
  EXPECT_FLOAT_EQ(object[1].pz, 128.0f);
  EXPECT_FLOAT_EQ(object[2].az, 3.141517f);
  EXPECT_FLOAT_EQ(object[2].pz, 160.0f);
  EXPECT_FLOAT_EQ(object[0].pz, 256.0f);
  EXPECT_FLOAT_EQ(object[16].pz, 320.0f);
  EXPECT_FLOAT_EQ(object[24].pz, 0.0f);
}

TEST_F(CatalogueTest, LatticeColoursAndPositions) {
  const Object3d& o = object[0];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      for (int m = 0; m < 4; ++m) {
        const Point3d& p = o.pts[16 * i + 4 * j + m];
        EXPECT_EQ(p.x, -48 + 32 * m);
        EXPECT_EQ(p.y, -48 + 32 * j);
        EXPECT_EQ(p.z, -48 + 32 * i);
        EXPECT_EQ(p.c, 64 * j + 16 * m);
      }
    }
  }
}

TEST_F(CatalogueTest, CubeNormalsPointInwardsAndFacesCarryTheInsetTexture) {
  const Object3d& o = object[4];
  for (int i = 0; i < 12; ++i) {
    const Poly3d& p = o.pls[i];
    const Vec3& n = o.nrms[i];
    const int64_t cx = o.pts[p.p0].x + o.pts[p.p1].x + o.pts[p.p2].x;
    const int64_t cy = o.pts[p.p0].y + o.pts[p.p1].y + o.pts[p.p2].y;
    const int64_t cz = o.pts[p.p0].z + o.pts[p.p1].z + o.pts[p.p2].z;
    EXPECT_LT(cx * n.x + cy * n.y + cz * n.z, 0) << i;
    EXPECT_EQ(std::abs(n.x) + std::abs(n.y) + std::abs(n.z), 256) << i;
    EXPECT_EQ(p.tu0, 8);
    EXPECT_EQ(p.tv0, 8);
    EXPECT_EQ(p.tu2, 248);
    EXPECT_EQ(p.tv2, i % 2 == 0 ? 248 : 8);
  }
  // A corner normal averages the normals of its triangles, not of its faces: corner 7
  // is in two triangles of the z = 64 face and one each of x = 64 and y = 64, so the
  // mean (-64, -64, -128) has the truncated length 156.
  const Vec3& c = o.ptnrms[7];
  EXPECT_EQ(c.x, -105);
  EXPECT_EQ(c.y, -105);
  EXPECT_EQ(c.z, -210);
}

TEST_F(CatalogueTest, EveryMeshIsConsistentAndEveryPointIsInAPolygon) {
  for (const int slot : {1, 2, 4, 16, 20, 24}) {
    const Object3d& o = object[slot];
    std::vector<int> uses(o.npts, 0);
    for (int i = 0; i < o.npls; ++i) {
      for (const int32_t p : {o.pls[i].p0, o.pls[i].p1, o.pls[i].p2}) {
        ASSERT_GE(p, 0);
        ASSERT_LT(p, o.npts) << "slot " << slot;
        ++uses[p];
      }
    }
    for (int i = 0; i < o.nlns; ++i) {
      ASSERT_LT(o.lns[i].p0, o.npts);
      ASSERT_LT(o.lns[i].p1, o.npts);
    }
    for (int p = 0; p < o.npts; ++p) {
      EXPECT_GT(uses[p], 0) << "slot " << slot << " point " << p;
      const Vec3& n = o.ptnrms[p];
      const double len = std::sqrt(double{1.0} * n.x * n.x + double{1.0} * n.y * n.y + double{1.0} * n.z * n.z);
      // Normalising by a truncated length makes short sums come out a little long.
      EXPECT_NEAR(len, 256.0, 8.0) << "slot " << slot << " point " << p;
    }
  }
}

TEST_F(CatalogueTest, StoredMeshesDecodeInsideTheStoredRange) {
  for (const int slot : {1, 2}) {
    const Object3d& o = object[slot];
    for (int p = 0; p < o.npts; ++p) {
      for (const int32_t v : {o.pts[p].x, o.pts[p].y, o.pts[p].z}) {
        ASSERT_GE(v, -64);
        ASSERT_LE(v, 63);
      }
      EXPECT_EQ(o.pts[p].c, -1);
    }
  }
}

TEST(InitTestObject, UnknownTypeLeavesTheRecordUntouched) {
  Object3d o{};
  o.npts = 3;
  o.ax = 0.25f;
  o.pz = 9.0f;
  unsigned char before[sizeof(Object3d)];
  std::memcpy(before, &o, sizeof o);
  for (const int type : {4, 5, 17, -1, 25}) {
    InitTestObject(&o, type);
    EXPECT_EQ(std::memcmp(before, &o, sizeof o), 0) << type;
  }
}

}  // namespace
}  // namespace zudezed
