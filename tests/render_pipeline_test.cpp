// The render pipeline: mode dispatch, depth order, the two culls, texture and shade
// table choice, environment-map coordinates and the split render.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine3d/generate3d.h"
#include "engine3d/render3d.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

constexpr uint16_t kBlank = 0x1234;

// An object whose projected points the test sets directly (Render never transforms).
struct Mini {
  std::vector<Point3d> pts;
  std::vector<Poly3d> pls;
  std::vector<Line3d> lns;
  std::vector<Vec3> nrms, ptnrms;
  Object3d o{};
  void Finish() {
    nrms.resize(std::max<size_t>(pls.size(), 1), Vec3{0, 0, 256});
    ptnrms.resize(std::max<size_t>(pts.size(), 1), Vec3{0, 0, 256});
    o.npts = static_cast<int32_t>(pts.size());
    o.npls = static_cast<int32_t>(pls.size());
    o.nlns = static_cast<int32_t>(lns.size());
    o.pts = pts.data();
    o.pls = pls.data();
    o.lns = lns.data();
    o.nrms = nrms.data();
    o.ptnrms = ptnrms.data();
  }
  // A small right triangle at column x, element e, facing the viewer, at depth z.
  void AddTriangle(int32_t x, int32_t e, int32_t z = 10000, int32_t size = 4) {
    const int32_t b = static_cast<int32_t>(pts.size());
    for (const auto& [dx, de] : {std::pair{0, 0}, std::pair{size, 0}, std::pair{0, size}}) {
      spts[pts.size()] = Point2d{x + dx, e + de, 0};
      fpts[pts.size()] = Point3d{0, 0, z, 0};
      pts.push_back(Point3d{0, 0, 0, 0});
    }
    pls.push_back(Poly3d{b, 0, 0, b + 1, 0, 0, b + 2, 0, 0, 0});
  }
};

class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    precdivs();
    for (int j = 0; j < kSineEntries; ++j) SinesStep1Entry(j);
    // Shade table r: entry n = 256 r + n + 1, so a pixel names its table and index.
    for (int i = 0; i < kShadeEntries; ++i) shades[i] = static_cast<uint16_t>(i + 1);
    buf_.assign(kBufferElements, kBlank);
    prticks = 0;
    lightcalc = 0;
  }
  void Draw(Mini& m, int32_t mode, int32_t a = 2, int32_t b = 5, int32_t s = 0,
            const uint16_t* t1 = nullptr, const uint16_t* t2 = nullptr,
            const uint16_t* t3 = nullptr, int32_t depth = 16) {
    RenderMode = mode;
    Render(&m.o, a, b, buf_.data(), s, t1, t2, t3, depth);
  }
  uint16_t At(int col, int e) const { return buf_[col * 240 + e]; }
  int Written() const {
    int n = 0;
    for (const uint16_t p : buf_) n += p != kBlank;
    return n;
  }
  // The pixel inside the test triangle at (x, e), one column to the right.
  uint16_t Inside(int32_t x, int32_t e) const { return At(x + 1, e + 1); }
  std::vector<uint16_t> buf_;
};

TEST_F(PipelineTest, UnlistedModesDrawNothing) {
  Mini m;
  m.AddTriangle(50, 50, 10000, 30);
  m.Finish();
  for (const int32_t mode : {3, 256, 5, 512, -1, 4 | 8}) {
    Draw(m, mode);
    EXPECT_EQ(Written(), 0) << mode;
  }
  Draw(m, kModeFlat);
  EXPECT_GT(Written(), 0);
}

TEST_F(PipelineTest, PainterCullDrawsPositiveWindingOnly) {
  Mini m;
  m.AddTriangle(50, 50, 10000, 30);
  m.Finish();
  Draw(m, kModeFlat);
  EXPECT_EQ(Inside(50, 50), 2 * 256 + 255 + 1);  // norms z 65536: shade 255 of table 2
  // Reversed winding: skipped.
  buf_.assign(kBufferElements, kBlank);
  std::swap(m.pls[0].p0, m.pls[0].p2);
  Draw(m, kModeFlat);
  EXPECT_EQ(Written(), 0);
  // Collinear (50, 50), (70, 60), (90, 70): skipped.
  std::swap(m.pls[0].p0, m.pls[0].p2);
  spts[1] = Point2d{70, 60, 0};
  spts[2] = Point2d{90, 70, 0};
  Draw(m, kModeFlat);
  Draw(m, kModeGouraud);
  Draw(m, kModeTexture, 0, 0, 0, shades.data(), shades.data(), shades.data());
  EXPECT_EQ(Written(), 0);
}

TEST_F(PipelineTest, PaintersOrderIsFarthestFirst) {
  Mini m;
  m.AddTriangle(50, 50, 20000, 30);  // far
  m.AddTriangle(50, 50, 10000, 30);  // near, drawn last
  m.AddTriangle(50, 50, 30000, 30);  // farthest
  m.Finish();
  m.nrms[0] = Vec3{0, 0, 100};  // shade 100 for the far one
  m.nrms[1] = Vec3{0, 0, 50};
  m.nrms[2] = Vec3{0, 0, 200};
  Draw(m, kModeFlat);
  EXPECT_EQ(Inside(50, 50), 2 * 256 + 50 + 1);
  EXPECT_EQ(m.pls[0].col, 100);
  EXPECT_EQ(m.pls[2].col, 200);
}

TEST_F(PipelineTest, TextureByListPosition) {
  std::vector<uint16_t> t1(256 * 256, 101), t2(256 * 256, 102), t3(256 * 256, 103);
  for (const int n : {200, 100}) {
    Mini m;
    for (int j = 0; j < n; ++j) m.AddTriangle(5 + (j % 40) * 7, 5 + (j / 40) * 9);
    m.Finish();
    buf_.assign(kBufferElements, kBlank);
    Draw(m, kModeTexture, 0, 0, 0, t1.data(), t2.data(), t3.data());
    for (int j = 0; j < n; ++j) {
      const uint16_t want = j >= n - 64 ? 103 : (j >= n - 128 ? 102 : 101);
      EXPECT_EQ(Inside(5 + (j % 40) * 7, 5 + (j / 40) * 9), want) << n << " " << j;
    }
    buf_.assign(kBufferElements, kBlank);
    Draw(m, kModeTextureZB, 0, 0, 0, t1.data(), t2.data(), t3.data());
    EXPECT_EQ(Inside(5, 5), n == 200 ? 101 : 102);
    EXPECT_EQ(Inside(5 + 35 * 7, 5), n == 200 ? 101 : 102);  // list index 35 ...
    EXPECT_EQ(Inside(5 + 36 * 7, 5), n == 200 ? 101 : 103);  // ... and 36
  }
}

TEST_F(PipelineTest, PlasmaShadeTablePairsStopAtTheLastTable) {
  Mini m;
  for (int j = 0; j < 130; ++j) m.AddTriangle(5 + (j % 40) * 7, 5 + (j / 40) * 9);
  m.Finish();
  Draw(m, kModePlasma);
  auto table_of = [&](int j) { return (Inside(5 + (j % 40) * 7, 5 + (j / 40) * 9) - 1) / 256; };
  EXPECT_EQ(table_of(0), 4);
  EXPECT_EQ(table_of(1), 4);
  EXPECT_EQ(table_of(2), 5);
  EXPECT_EQ(table_of(3), 5);
  EXPECT_EQ(table_of(119), 63);
  EXPECT_EQ(table_of(129), 63);  // 4 + 64 is beyond the 64 tables
  buf_.assign(kBufferElements, kBlank);
  Draw(m, kModePlasmaZB);
  EXPECT_EQ(table_of(2), 5);
  EXPECT_EQ(table_of(128), 63);
}

TEST_F(PipelineTest, PlasmaPhaseFollowsThePartTime) {
  Mini m;
  m.Finish();
  prticks = 8 * 438 + 47;
  Draw(m, kModePlasma);
  EXPECT_EQ(tm, 5);
  prticks = 8 * 437;
  Draw(m, kModeFlat);
  EXPECT_EQ(tm, 437);
}

TEST_F(PipelineTest, EnvironmentCoordinatesFromPointNormals) {
  Mini m;
  for (int i = 0; i < 5; ++i) m.AddTriangle(10 + 10 * i, 10);
  m.Finish();
  // Rotation at angle 0 scales each normal by 256.
  m.ptnrms[0] = Vec3{0, 0, 256};
  m.ptnrms[1] = Vec3{-2, 1, 0};      // (-512, 256)
  m.ptnrms[2] = Vec3{256, -256, 0};  // (65536, -65536)
  m.ptnrms[3] = Vec3{-3, -1, 0};     // (-768, -256)
  const std::vector<uint16_t> env(64 * 64, 7);
  Draw(m, kModeEnvmap, 0, 0, 2, env.data());
  EXPECT_EQ(point_tc[0].u, 127);
  EXPECT_EQ(point_tc[0].v, 127);
  EXPECT_EQ(point_tc[1].u, 126);
  EXPECT_EQ(point_tc[1].v, 127);
  EXPECT_EQ(point_tc[2].u, 255);
  EXPECT_EQ(point_tc[2].v, 1);
  EXPECT_EQ(point_tc[3].u, 125);
  EXPECT_EQ(point_tc[3].v, 126);
  EXPECT_EQ(Inside(10, 10), 7);
}

TEST_F(PipelineTest, PointsLinesAndBallsCopyThePointColours) {
  Mini m;
  m.pts = {Point3d{0, 0, 0, 321}, Point3d{0, 0, 0, 322}, Point3d{0, 0, 0, 323}};
  m.lns = {Line3d{0, 1, 65535}};
  m.Finish();
  spts[0] = Point2d{319, 0, 0};
  spts[1] = Point2d{320, 5, 0};
  spts[2] = Point2d{5, 240, 0};
  Draw(m, kModePoints);
  EXPECT_EQ(buf_[76560], 321);
  EXPECT_EQ(Written(), 1);
  EXPECT_EQ(spts[2].c, 323);

  buf_.assign(kBufferElements, kBlank);
  spts[0] = Point2d{10, 10, 0};
  spts[1] = Point2d{20, 15, 0};
  Draw(m, kModeLines);
  EXPECT_EQ(At(11, 10), 0xFFFE);  // 16-bit lines are shifted one column
  EXPECT_EQ(Written(), 10);
  buf_.assign(kBufferElements, 0);
  Draw(m, kModeLines, 0, 0, 0, nullptr, nullptr, nullptr, 8);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(buf_.data())[10 * 240 + 10], 63);
  buf_.assign(kBufferElements, kBlank);
  Draw(m, kModeLines, 0, 0, 0, nullptr, nullptr, nullptr, 15);
  EXPECT_EQ(Written(), 0);
}

TEST_F(PipelineTest, BallsAreDrawnFarthestFirstAndSizedByDepth) {
  for (int n = 0; n < 256; ++n) {
    ball_c[n] = 1;
    ball_p[n] = static_cast<uint16_t>(7000 + n);
  }
  Mini m;
  m.pts = {Point3d{0, 0, 0, 10}, Point3d{0, 0, 0, 20}, Point3d{0, 0, 0, 30}};
  m.Finish();
  for (int i = 0; i < 3; ++i) spts[i] = Point2d{160, 120, 0};
  fpts[0].z = 40000;  // size (93000 - z) / 24576
  fpts[1].z = 20000;  // nearest
  fpts[2].z = 68424;  // size exactly 1
  Draw(m, kModeBalls);
  EXPECT_EQ(At(160, 120), 7000 + 1 + 20);
  // The nearest ball: size 2.97, so about 47 elements across.
  int c0 = 400, c1 = -1;
  for (int c = 0; c < 320; ++c) {
    if (At(c, 120) != kBlank) {
      c0 = std::min(c0, c);
      c1 = std::max(c1, c);
    }
  }
  EXPECT_EQ(c1 - c0 + 1, static_cast<int>(16 * ((93000.0 - 20000) / 24576) - 1) + 1);
}

TEST_F(PipelineTest, ZBufferModesClearCullByNormalAndUseListOrder) {
  Mini m;
  m.AddTriangle(50, 50, 10000, 30);
  m.AddTriangle(50, 50, 20000, 30);  // farther, listed later: hidden
  m.AddTriangle(150, 50, 10000, 30);
  m.Finish();
  m.nrms[0] = Vec3{0, 0, 100};
  m.nrms[1] = Vec3{0, 0, 200};
  m.nrms[2] = Vec3{0, 0, -1};  // faces away: culled
  Draw(m, kModeFlatZB);
  EXPECT_EQ(Inside(50, 50), 2 * 256 + 100 + 1);
  EXPECT_EQ(Inside(150, 50), kBlank);
  // Each call starts from a clear z-buffer: the farther triangle alone now draws.
  m.o.npls = 2;
  m.pls[0].p1 = m.pls[0].p0;  // degenerate first polygon
  Draw(m, kModeFlatZB);
  EXPECT_EQ(Inside(50, 50), 2 * 256 + 200 + 1);
}

TEST_F(PipelineTest, FlatWaterZBSetsEveryPolygonsShadeBeforeTheCull) {
  Mini m;
  m.AddTriangle(50, 50, 10000, 30);
  m.AddTriangle(150, 50, 10000, 30);
  m.Finish();
  m.nrms[1] = Vec3{0, 0, -256};
  m.pls[1].col = 99;
  Draw(m, kModeFlatWaterZB);
  EXPECT_EQ(m.pls[1].col, 0);
  EXPECT_EQ(Inside(50, 50), 2 * 256 + 255 + 1);
  EXPECT_EQ(Inside(150, 50), kBlank);
  // The painter's water mode only sets the shade of the polygons it draws.
  m.pls[1].col = 99;
  std::swap(m.pls[1].p0, m.pls[1].p2);
  Draw(m, kModeFlatWater);
  EXPECT_EQ(m.pls[1].col, 99);
}

TEST_F(PipelineTest, SplitRenderDrawsThePolygonAtTheSplitTwiceFlatLast) {
  Mini m;
  m.AddTriangle(20, 50, 30000, 20);  // farthest: sorted position 0
  m.AddTriangle(80, 50, 20000, 20);
  m.AddTriangle(140, 50, 10000, 20);
  m.Finish();
  for (int i = 0; i < 9; ++i) m.ptnrms[i] = Vec3{0, 0, 128};  // Gouraud shade 128
  m.nrms[0] = m.nrms[1] = m.nrms[2] = Vec3{0, 0, 64};       // flat shade 64
  const auto flat = [](int s) { return 1 * 256 + s + 1; };
  const auto gouraud = [](int s) { return 6 * 256 + s + 1; };
  RenderSpecial(&m.o, 1, 6, 0.0f, buf_.data());
  EXPECT_EQ(Inside(20, 50), flat(64));
  EXPECT_EQ(Inside(80, 50), gouraud(128));
  EXPECT_EQ(Inside(140, 50), gouraud(128));

  buf_.assign(kBufferElements, kBlank);
  RenderSpecial(&m.o, 1, 6, 0.5f, buf_.data());  // k = 1
  EXPECT_EQ(Inside(20, 50), flat(64));
  EXPECT_EQ(Inside(80, 50), flat(64));
  EXPECT_EQ(Inside(140, 50), gouraud(128));

  // A fraction of 1 puts k past the list; it is held at the last position.
  buf_.assign(kBufferElements, kBlank);
  RenderSpecial(&m.o, 1, 6, 1.0f, buf_.data());
  EXPECT_EQ(Inside(20, 50), flat(64));
  EXPECT_EQ(Inside(140, 50), flat(64));

  // An empty object draws nothing.
  Mini none;
  none.Finish();
  buf_.assign(kBufferElements, kBlank);
  RenderSpecial(&none.o, 1, 6, 1.0f, buf_.data());
  RenderSpecial(&none.o, 1, 6, 0.0f, buf_.data());
  EXPECT_EQ(Written(), 0);
}

// ---- The culls on whole meshes -------------------------------------------------

// Draws polygon j of the object alone (the object already transformed) and reports
// whether the renderer drew anything.
bool DrawsAlone(Object3d* obj, int j, int32_t mode, std::vector<uint16_t>& buf) {
  Object3d one = *obj;
  one.pls = obj->pls + j;
  one.nrms = obj->nrms + j;
  one.npls = 1;
  std::fill(buf.begin(), buf.end(), kBlank);
  RenderMode = mode;
  Render(&one, 3, 0, buf.data(), 0, nullptr, nullptr, nullptr, 16);
  for (const uint16_t p : buf) {
    if (p != kBlank) return true;
  }
  return false;
}

struct Vec3d {
  double x, y, z;
};

Vec3d Centroid(const Object3d& o, int j) {
  const Poly3d& p = o.pls[j];
  return {(fpts[p.p0].x + fpts[p.p1].x + fpts[p.p2].x) / 3.0,
          (fpts[p.p0].y + fpts[p.p1].y + fpts[p.p2].y) / 3.0,
          (fpts[p.p0].z + fpts[p.p1].z + fpts[p.p2].z) / 3.0};
}

double Dot(Vec3d a, Vec3d b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3d Minus(Vec3d a, Vec3d b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Len(Vec3d a) { return std::sqrt(Dot(a, a)); }

// Camera-space centre of the object: its model origin moved by the position.
Vec3d Centre(const Object3d& o) { return {256.0 * o.px, 256.0 * o.py, 256.0 * o.pz}; }

Vec3d Cross(Vec3d a, Vec3d b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3d At3(int p) { return {double(fpts[p].x), double(fpts[p].y), double(fpts[p].z)}; }

// Whether a face of a convex object is turned towards the eye, by geometry alone
// (independent of windings and stored normals): the eye lies on the outer side of the
// face's plane. Returns 0 for faces seen too edge-on to call.
int GeometricFacing(const Object3d& o, int j) {
  const Poly3d& p = o.pls[j];
  const Vec3d c = Centroid(o, j);
  Vec3d out = Cross(Minus(At3(p.p1), At3(p.p0)), Minus(At3(p.p2), At3(p.p0)));
  if (Dot(out, Minus(c, Centre(o))) < 0) out = {-out.x, -out.y, -out.z};
  const double cosang = -Dot(c, out) / (Len(c) * Len(out));
  if (std::fabs(cosang) < 0.2) return 0;
  return cosang > 0 ? 1 : -1;
}

// The exact projected area of polygon j in pixels: slivers that round to a line or
// cover no element on the screen are left out of the facing checks.
double ProjectedArea(int j, const Object3d& o) {
  const Poly3d& p = o.pls[j];
  double x[3], e[3];
  const int32_t idx[3] = {p.p0, p.p1, p.p2};
  for (int k = 0; k < 3; ++k) {
    x[k] = 256.0 * fpts[idx[k]].x / fpts[idx[k]].z;
    e[k] = 256.0 * fpts[idx[k]].y / fpts[idx[k]].z;
  }
  return std::fabs((x[1] - x[0]) * (e[2] - e[0]) - (e[1] - e[0]) * (x[2] - x[0])) / 2;
}

class MeshCullTest : public PipelineTest {
 protected:
  static void SetUpTestSuite() { Init3d(); }
};

TEST_F(MeshCullTest, CubeDrawsItsNearFacesOnly) {
  Object3d* cube = &object[4];
  const std::array<std::array<float, 3>, 4> poses{{{0.3f, 0.5f, 0.1f}, {2.0f, -0.7f, 1.1f},
                                                   {-1.2f, 2.8f, 0.4f}, {0.0f, 0.0f, 0.0f}}};
  for (const auto& pose : poses) {
    cube->ax = pose[0];
    cube->ay = pose[1];
    cube->az = pose[2];
    Calc3d(cube);
    int near = 0;
    for (int j = 0; j < cube->npls; ++j) {
      const int facing = GeometricFacing(*cube, j);
      if (facing == 0) continue;
      near += facing > 0;
      EXPECT_EQ(DrawsAlone(cube, j, kModeFlat, buf_), facing > 0)
          << "pose " << pose[0] << " polygon " << j;
      // The z-buffer modes cull by the rotated normal alone, which ignores the
      // perspective; they agree wherever the face is not seen nearly edge-on.
      rotate3d_normals(cube);
      if (std::abs(norms[j].z) > 65536 / 4) {
        EXPECT_EQ(DrawsAlone(cube, j, kModeFlatZB, buf_), facing > 0)
            << "pose " << pose[0] << " polygon " << j;
      }
    }
    EXPECT_GE(near, 2);
  }
  cube->ax = cube->ay = cube->az = 0.0f;
}

TEST_F(MeshCullTest, PlainSphereDrawsItsNearHalfAndBothCullsAgree) {
  Object3d sphere{};
  GenerateSpherical(&sphere, 0, 0, 0, 0, 64);
  ReversePolygonOrder(&sphere);
  sphere.ax = 0.7f;
  sphere.ay = 0.4f;
  Calc3d(&sphere);
  rotate3d_normals(&sphere);
  int checked = 0, drawn = 0;
  for (int j = 0; j < sphere.npls; ++j) {
    if (sphere.nrms[j].x == 0 && sphere.nrms[j].y == 0 && sphere.nrms[j].z == 0) continue;
    const int facing = GeometricFacing(sphere, j);
    if (facing == 0 || ProjectedArea(j, sphere) < 10.0) continue;
    ++checked;
    const bool painter = DrawsAlone(&sphere, j, kModeFlat, buf_);
    EXPECT_EQ(painter, facing > 0) << j;
    drawn += painter;
    // The z-buffer modes' normal cull agrees wherever the face is not seen edge-on.
    rotate3d_normals(&sphere);
    if (std::abs(norms[j].z) > 65536 / 4) {
      EXPECT_EQ(painter, norms[j].z >= 0) << j;
    }
  }
  EXPECT_GT(checked, 500);
  EXPECT_GT(drawn, checked / 3);
  EXPECT_LT(drawn, 2 * checked / 3);
}

TEST_F(MeshCullTest, LitFaceShowsShadesOnMostDrawnPolygons) {
  Object3d* face = &object[1];
  face->ax = 0.2f;
  face->ay = 1.82f;
  face->az = 1.57f;
  face->py = 12.0f;
  Calc3d(face);
  rotate3d_normals(face);
  CalcPolyColor(face);
  int drawn = 0, lit = 0;
  for (int j = 0; j < face->npls; ++j) {
    const int16_t shade = spls[j].c;
    if (!DrawsAlone(face, j, kModeFlat, buf_)) continue;
    ++drawn;
    lit += shade > 0;
  }
  EXPECT_GT(drawn, face->npls / 4);
  EXPECT_GT(lit, drawn * 8 / 10);
}

TEST_F(MeshCullTest, HeadDrawsItsNearSideOnly) {
  // The head is closed: wound the wrong way, it would show the inside of the back of
  // the head through the face. From the face scene's poses (from the front, from above,
  // from below, from the side) the painter's cull must keep the near side: the
  // polygons it draws lie nearer the eye than those it skips, and it keeps a polygon
  // exactly when the polygon's winding turns it towards the eye.
  Object3d* face = &object[1];
  const std::array<std::array<float, 3>, 4> poses{{{0.0f, 1.5708f, 1.5708f}, {0.45f, 2.8f, 1.2f},
                                                   {-0.3f, 0.85f, 1.9f}, {0.2f, 1.3f, 1.07f}}};
  for (const auto& pose : poses) {
    face->ax = pose[0];
    face->ay = pose[1];
    face->az = pose[2];
    face->py = 12.0f;
    Calc3d(face);
    int checked = 0, drawn = 0;
    double near_z = 0, far_z = 0;
    for (int j = 0; j < face->npls; ++j) {
      if (ProjectedArea(j, *face) < 10.0) continue;
      const Poly3d& p = face->pls[j];
      const Vec3d n = Cross(Minus(At3(p.p1), At3(p.p0)), Minus(At3(p.p2), At3(p.p0)));
      const Vec3d c = Centroid(*face, j);
      const double cosang = Dot(c, n) / (Len(c) * Len(n));
      if (std::fabs(cosang) < 0.2) continue;
      ++checked;
      const bool shown = DrawsAlone(face, j, kModeFlat, buf_);
      drawn += shown;
      (shown ? near_z : far_z) += c.z;
      EXPECT_EQ(shown, cosang > 0) << "pose " << pose[1] << " polygon " << j;
    }
    ASSERT_GT(drawn, checked / 4) << "pose " << pose[1];
    ASSERT_LT(drawn, checked * 3 / 4) << "pose " << pose[1];
    EXPECT_LT(near_z / drawn + 8 * 256, far_z / (checked - drawn)) << "pose " << pose[1];
  }
  face->ax = 0.0f;
  face->ay = -1.5707585f;
  face->az = 1.5707585f;
  face->py = 14.0f;
}

}  // namespace
}  // namespace zudezed
