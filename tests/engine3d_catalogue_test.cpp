// The object catalogue built from the stored meshes and the generators.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/assets.h"
#include "engine3d/engine3d.h"
#include "engine3d/generate3d.h"
#include "timeline/script.h"

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

// The head as the plasma part poses it, against an independent z-buffer render of
// the same frame: the object's own screen points, depth interpolated as 1/z across each
// triangle, every drawn polygon whichever way it faces, 2 x 2 samples a pixel. The
// share of the covered samples whose nearest polygon winds towards the viewer (the
// painter's cull keeps it) is what the viewer sees of the head without holes.
struct NearestSurface {
  int64_t covered = 0;
  int64_t kept = 0;
  std::vector<int> culled_polygons;  // nearest somewhere, yet culled
};

NearestSurface MeasureNearestSurface(const Object3d& o, int32_t polygons) {
  constexpr int kSub = 2, kW = 320 * kSub, kH = 240 * kSub;
  std::vector<double> depth(kW * kH, 0.0);
  std::vector<int> owner(kW * kH, -1);
  for (int j = 0; j < polygons; ++j) {
    const Poly3d& pl = o.pls[j];
    const int idx[3] = {pl.p0, pl.p1, pl.p2};
    double x[3], y[3], w[3];
    bool behind = false;
    for (int k = 0; k < 3; ++k) {
      x[k] = spts[idx[k]].x * kSub;
      y[k] = spts[idx[k]].y * kSub;
      behind = behind || fpts[idx[k]].z <= 0;
      w[k] = 1.0 / fpts[idx[k]].z;
    }
    const double area = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
    if (behind || area == 0.0) continue;
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({x[0], x[1], x[2]}))));
    const int x1 = std::min(kW - 1, static_cast<int>(std::ceil(std::max({x[0], x[1], x[2]}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({y[0], y[1], y[2]}))));
    const int y1 = std::min(kH - 1, static_cast<int>(std::ceil(std::max({y[0], y[1], y[2]}))));
    // The edge products in whole numbers, in units of a quarter: every coordinate is a
    // multiple of 0.5, so with the corners within 2^22 of the screen each product and
    // their difference are exact in double precision too, and equal these. Corners
    // projected further away keep the double products. On the handheld's processor the
    // doubles are soft-float calls; the whole numbers are two multiplies.
    bool whole = true;
    int64_t hx[3], hy[3];  // the corners in half samples
    for (int k = 0; k < 3; ++k) {
      whole = whole && std::fabs(x[k]) < 0x1p22 && std::fabs(y[k]) < 0x1p22;
      hx[k] = whole ? static_cast<int64_t>(2 * x[k]) : 0;
      hy[k] = whole ? static_cast<int64_t>(2 * y[k]) : 0;
    }
    // A sample outside an edge is known from the sign of the edge's product before it
    // is divided by the area: every coordinate is a multiple of 0.5, so a product that
    // is not zero divides to a quotient of the same sign that is not zero. The
    // divisions, soft-float calls on the handheld's processor, are left for the samples
    // within both edges.
    const bool negative = area < 0.0;
    const auto outside = [negative](auto product) { return product != 0 && (product < 0) != negative; };
    for (int py = y0; py <= y1; ++py) {
      for (int px = x0; px <= x1; ++px) {
        double e0, e1;
        if (whole) {
          const int64_t hsx = 2 * int64_t{px} + 1, hsy = 2 * int64_t{py} + 1;
          const int64_t q0 = (hx[1] - hsx) * (hy[2] - hsy) - (hy[1] - hsy) * (hx[2] - hsx);
          if (outside(q0)) continue;
          const int64_t q1 = (hx[2] - hsx) * (hy[0] - hsy) - (hy[2] - hsy) * (hx[0] - hsx);
          if (outside(q1)) continue;
          e0 = static_cast<double>(q0) * 0.25;
          e1 = static_cast<double>(q1) * 0.25;
        } else {
          const double sx = px + 0.5, sy = py + 0.5;
          e0 = (x[1] - sx) * (y[2] - sy) - (y[1] - sy) * (x[2] - sx);
          if (outside(e0)) continue;
          e1 = (x[2] - sx) * (y[0] - sy) - (y[2] - sy) * (x[0] - sx);
          if (outside(e1)) continue;
        }
        const double l0 = e0 / area;
        const double l1 = e1 / area;
        const double l2 = 1.0 - l0 - l1;
        if (l2 < 0) continue;
        const double d = l0 * w[0] + l1 * w[1] + l2 * w[2];
        const int at = py * kW + px;
        if (d > depth[at]) {
          depth[at] = d;
          owner[at] = j;
        }
      }
    }
  }
  NearestSurface out;
  std::vector<bool> listed(polygons, false);
  for (int at = 0; at < kW * kH; ++at) {
    const int j = owner[at];
    if (j < 0) continue;
    ++out.covered;
    const Point2d& a = spts[o.pls[j].p0];
    const Point2d& b = spts[o.pls[j].p1];
    const Point2d& c = spts[o.pls[j].p2];
    // The painter's cull: the screen winding product, positive for a kept polygon.
    const int64_t cross = int64_t{b.x - a.x} * (c.y - a.y) - int64_t{b.y - a.y} * (c.x - a.x);
    if (cross > 0) {
      ++out.kept;
    } else if (!listed[j]) {
      listed[j] = true;
      out.culled_polygons.push_back(j);
    }
  }
  return out;
}

TEST_F(CatalogueTest, TheHeadShowsNoHolesInAnyFrameOfThePlasmaPart) {
  // Every 60 fps frame of part 5 in which the head's polygons are drawn (from part
  // time 13184 until they have gone, 47927). Frame n is drawn at floor(n * 1000 / 60)
  // ms; each part hands over at the first frame whose part time reaches its hand-over
  // time, and the next part's time counts from that frame (part 5 from 133466 ms).
  std::vector<uint16_t> screen(320 * 240 * 2, 0);
  int32_t start = 0;
  int64_t frame = 0;
  for (int32_t k = 0; kPlayOrder[k] != 5; ++k) {
    while (frame * 1000 / 60 - start < kPartTable[kPlayOrder[k]].handover) ++frame;
    start = static_cast<int32_t>(frame * 1000 / 60);
  }
  EXPECT_EQ(start, 133466);
  const bool verbose = std::getenv("ZUDEZED_HEAD_REPORT") != nullptr;
  double worst = 1.0;
  int32_t worst_at = -1, frames = 0;
  for (int64_t n = frame + 1;; ++n) {
    const int32_t t = static_cast<int32_t>(n * 1000 / 60) - start;
    if (t >= 47928) break;
    if (t < 13184) continue;
    prticks = t;
    RunScene3d(screen.data(), 3);
    if (object[1].npls == 0) continue;
    // The polygons drawn in this frame: while the head builds up (and while it goes
    // away) they are part of the mesh, whose open side must not show its inside.
    const NearestSurface s = MeasureNearestSurface(object[1], object[1].npls);
    ASSERT_GT(s.covered, 0) << t;
    const double share = static_cast<double>(s.kept) / s.covered;
    ++frames;
    if (share < worst) worst = share, worst_at = t;
    if (verbose && share < 0.995) {
      std::printf("t %d: %.2f %% kept of %lld samples; culled yet nearest:", t, 100.0 * share,
                  static_cast<long long>(s.covered));
      for (int j : s.culled_polygons) std::printf(" %d", j);
      std::printf("\n");
    }
    EXPECT_GE(share, 0.98) << "part time " << t;
  }
  EXPECT_GT(frames, 2000);
  std::printf("head: %d frames, the least kept %.2f %% at part time %d\n", frames, 100.0 * worst,
              worst_at);
}

}  // namespace
}  // namespace zudezed
