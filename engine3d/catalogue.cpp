// The object catalogue: the lattice, the cube, the stored face and teapot, two bumpy
// spheres and the cylinder, built once during the precalculation.
#include "assets/assets.h"
#include "engine3d/generate3d.h"
#include "platform/numeric.h"

namespace zudezed {

namespace {

constexpr std::array<Vec3, 8> kCubePoints{{
    {-64, 64, -64}, {-64, -64, -64}, {64, -64, -64}, {64, 64, -64},
    {-64, 64, 64},  {-64, -64, 64},  {64, -64, 64},  {64, 64, 64},
}};

constexpr std::array<std::array<int32_t, 2>, 12> kCubeLines{{
    {0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4},
    {0, 4}, {1, 5}, {2, 6}, {3, 7},
}};

// Two triangles per face; each face shows the texture square inset by 8 texels.
constexpr std::array<std::array<int32_t, 3>, 12> kCubePolygons{{
    {0, 1, 2}, {0, 2, 3}, {7, 6, 5}, {7, 5, 4}, {3, 2, 6}, {3, 6, 7},
    {4, 5, 1}, {4, 1, 0}, {4, 0, 3}, {4, 3, 7}, {1, 5, 6}, {1, 6, 2},
}};

void BuildLattice(Object3d* obj) {
  obj->npts = 64;
  obj->npls = 0;
  obj->nlns = 0;
  obj->pts = new Point3d[64]();
  obj->pls = new Poly3d[0];
  obj->lns = new Line3d[0];
  for (int32_t i = 0; i < 4; ++i) {
    for (int32_t j = 0; j < 4; ++j) {
      for (int32_t m = 0; m < 4; ++m) {
        const int32_t n = 16 * i + 4 * j + m;
        Point3d& p = obj->pts[n];
        p.x = -48 + 32 * m;
        p.y = trunc_i32((j - 1.5) * 32.0);
        p.z = trunc_i32((i - 1.5) * 32.0);
        p.c = static_cast<int16_t>(16 * (n % 16));
      }
    }
  }
  obj->ax = obj->ay = obj->az = 0.0f;
  obj->px = obj->py = 0.0f;
  obj->pz = 256.0f;
}

void BuildCube(Object3d* obj) {
  obj->npts = 8;
  obj->npls = 12;
  obj->nlns = 12;
  obj->pts = new Point3d[8]();
  obj->pls = new Poly3d[12]();
  obj->lns = new Line3d[12]();
  for (int32_t i = 0; i < 8; ++i) {
    obj->pts[i].x = kCubePoints[i].x;
    obj->pts[i].y = kCubePoints[i].y;
    obj->pts[i].z = kCubePoints[i].z;
  }
  for (int32_t i = 0; i < 12; ++i) {
    obj->lns[i] = Line3d{kCubeLines[i][0], kCubeLines[i][1], 65535};
  }
  for (int32_t i = 0; i < 12; ++i) {
    const auto& q = kCubePolygons[i];
    if (i % 2 == 0) {
      obj->pls[i] = Poly3d{q[0], 8, 8, q[1], 8, 248, q[2], 248, 248, 0};
    } else {
      obj->pls[i] = Poly3d{q[0], 8, 8, q[1], 248, 248, q[2], 248, 8, 0};
    }
  }
  obj->ax = obj->ay = obj->az = 0.0f;
  obj->px = obj->py = 0.0f;
  obj->pz = 320.0f;
  CalcNorms(obj, 1);
  CalcPtNorms(obj);
}

}  // namespace

void InitTestObject(Object3d* obj, int32_t type) {
  switch (type) {
    case 0:
      BuildLattice(obj);
      break;
    case 1:
      BuildCube(obj);
      break;
    case 2:
      Load16bit3do(obj, face3do.data(), 0);
      ReversePolygonOrder(obj);
      obj->py = 14.0f;
      obj->pz = 128.0f;
      obj->az = kQuarterTurnF;
      obj->ax = 0.0f;
      obj->ay = -kQuarterTurnF;
      obj->px = 0.0f;
      break;
    case 3:
      Load16bit3do(obj, teapot.data(), 1);
      obj->pz = 160.0f;
      obj->az = kHalfTurnF;
      obj->ay = 0.0f;
      obj->px = 0.0f;
      obj->py = 0.0f;
      obj->ax = 0.0f;
      break;
    case 16:
      GenerateSpherical(obj, 1.5f, 2.0f, 24.0f, 24.0f, 48.0f);
      ReversePolygonOrder(obj);
      break;
    case 20:
      GenerateSpherical(obj, 1.5f, 2.0f, 16.0f, 16.0f, 64.0f);
      ReversePolygonOrder(obj);
      break;
    case 24:
      GenerateCylinder(obj);
      break;
    default:
      break;
  }
}

void Init3d() {
  InitTestObject(&object[0], 0);
  InitTestObject(&object[1], 2);
  InitTestObject(&object[2], 3);
  InitTestObject(&object[4], 1);
  InitTestObject(&object[16], 16);
  InitTestObject(&object[20], 20);
  InitTestObject(&object[24], 24);
  objnpls = object[1].npls;
  objnlns = object[1].nlns;
}

}  // namespace zudezed
