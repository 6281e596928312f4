// Mesh generators (bumpy sphere, cylinder), polygon and point normals, and the decoder
// of the stored mesh format.
#include "engine3d/generate3d.h"

#include <cassert>
#include <cmath>

#include "platform/numeric.h"

namespace zudezed {

namespace {

// Degrees to radians with the half turn: 180 / kHalfTurn as a float, and the full
// turn 2 * kHalfTurn as a float.
constexpr float kDegPerRad = static_cast<float>(180.0 / kHalfTurn);
constexpr float kFullTurnF = static_cast<float>(2.0 * kHalfTurn);
static_assert(kDegPerRad == 57.29716f && kFullTurnF == 6.283034f);

// Mesh arrays live for the whole run; they are zero-filled so that fields a builder
// leaves unset read as 0.
template <class T>
T* Allocate(int32_t n) {
  return new T[n > 0 ? n : 0]();
}

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

void GenerateSpherical(Object3d* obj, float fh, float fu, float ah, float au, float rad) {
  obj->npts = 576;
  obj->npls = 1104;
  obj->pts = Allocate<Point3d>(576);
  obj->pls = Allocate<Poly3d>(1104);

  float h = 0.0f;
  for (int32_t hi = 0; hi < 24; ++hi) {
    const float hr = h / kDegPerRad;
    const float wh = static_cast<float>(
        std::sin(static_cast<double>(h * fh / kDegPerRad * 4.0f)) * static_cast<double>(ah));
    const double ch = cosf(hr);
    const double sh = sinf(hr);
    float u = 0.0f;
    for (int32_t ui = 0; ui < 24; ++ui) {
      const double r = static_cast<float>(
          std::sin(static_cast<double>(u * fu / kDegPerRad * 4.0f)) * static_cast<double>(au) +
          static_cast<double>(wh) + static_cast<double>(rad));
      const double ur = u / kDegPerRad;
      Point3d& p = obj->pts[24 * hi + ui];
      p.x = trunc_i32((r * std::sin(ur)) * ch);
      p.y = trunc_i32((r * std::sin(ur)) * sh);
      p.z = trunc_i32(r * std::cos(ur));
      p.c = -1;
      u = static_cast<float>(u + 7.5);
    }
    h = static_cast<float>(h + 15.0);
  }

  for (int32_t i = 0; i < 24; ++i) {
    const int32_t in = (i + 1) % 24;
    for (int32_t j = 0; j < 23; ++j) {
      Poly3d& a = obj->pls[46 * i + 2 * j];
      a.p0 = 24 * i + j;
      a.p1 = 24 * i + j + 1;
      a.p2 = 24 * in + j;
      Poly3d& b = obj->pls[46 * i + 2 * j + 1];
      b.p0 = 24 * in + j;
      b.p1 = 24 * i + j + 1;
      b.p2 = 24 * in + j + 1;
    }
  }

  CalcNorms(obj, 0);
  CalcPtNorms(obj);
  obj->az = 0.0f;
  obj->pz = 320.0f;
  obj->px = 0.0f;
  obj->py = 0.0f;
  obj->ax = 0.0f;
  obj->ay = 0.0f;
}

void GenerateCylinder(Object3d* obj) {
  obj->npts = 130;
  obj->npls = 256;
  obj->pts = Allocate<Point3d>(130);
  obj->pls = Allocate<Poly3d>(256);

  for (int32_t q = 0; q < 2; ++q) {
    const int32_t y = trunc_i32(static_cast<float>(q) * 128.0f - 64.0f);
    float w = 0.0f;
    for (int32_t k = 0; k < 64; ++k) {
      const double a = w / kDegPerRad;
      Point3d& p = obj->pts[64 * q + k];
      p.x = trunc_i32(std::cos(a) * 32.0);
      p.y = y;
      p.z = trunc_i32(std::sin(a) * 32.0);
      w = static_cast<float>(w + 5.625);
    }
  }
  obj->pts[128].x = 0;
  obj->pts[128].y = -64;
  obj->pts[128].z = 0;
  obj->pts[129].x = 0;
  obj->pts[129].y = 64;
  obj->pts[129].z = 0;

  // The side: the texture wraps once around, u 0..255, v 0 at the bottom rim and 255
  // at the top rim.
  for (int32_t k = 0; k < 64; ++k) {
    const int32_t kn = (k + 1) % 64;
    const int32_t u = (k * 255) >> 6;
    const int32_t un = ((k + 1) * 255) >> 6;
    obj->pls[2 * k] = Poly3d{k, u, 0, kn, un, 0, k + 64, u, 255, 0};
    obj->pls[2 * k + 1] = Poly3d{k + 64, u, 255, kn, un, 0, kn + 64, un, 255, 0};
  }
  // The caps: each triangle samples the texture along one radius from the centre
  // (128, 128) to the rim circle of radius 123 about (126, 126).
  for (int32_t k = 0; k < 64; ++k) {
    const int32_t kn = (k + 1) % 64;
    const double g = static_cast<float>(static_cast<float>(k) * kFullTurnF * 0.015625f);
    const int32_t cu = trunc_i32(std::cos(g) * 123.0 + 126.0);
    const int32_t su = trunc_i32(std::sin(g) * 123.0 + 126.0);
    obj->pls[128 + k] = Poly3d{128, 128, 128, kn, cu, su, k, cu, su, 0};
    obj->pls[192 + k] = Poly3d{k + 64, cu, su, kn + 64, cu, su, 129, 128, 128, 0};
  }

  CalcNorms(obj, 1);
  CalcPtNorms(obj);
}

void CalcNorms(Object3d* obj, int32_t flip) {
  obj->nrms = Allocate<Vec3>(obj->npls);
  for (int32_t i = 0; i < obj->npls; ++i) {
    const Poly3d& pl = obj->pls[i];
    const Point3d& p0 = obj->pts[pl.p0];
    const Point3d& p1 = obj->pts[pl.p1];
    const Point3d& p2 = obj->pts[pl.p2];
    const Vec3 a{wadd(p2.x, -p1.x), wadd(p2.y, -p1.y), wadd(p2.z, -p1.z)};
    const Vec3 b{wadd(p1.x, -p0.x), wadd(p1.y, -p0.y), wadd(p1.z, -p0.z)};
    Vec3 c;
    CrossProduct(&c, a, b);
    Vec3 n;
    Normalize(&n, c);
    if (flip == 1) NegVec(&n, n);
    obj->nrms[i] = n;
  }
}

// Averages the normals of the polygons around each point. A point that belongs to no
// polygon gets the zero normal. The 8-bit counter would wrap for a point in more than
// 255 polygons; dividing by the count only shortens the sum before it is normalised,
// so a wrapped count of 0 normalises the plain sum instead.
void CalcPtNorms(Object3d* obj) {
  obj->ptnrms = Allocate<Vec3>(obj->npts);
  addtimes.fill(0);
  for (int32_t i = 0; i < obj->npls; ++i) {
    const Poly3d& pl = obj->pls[i];
    const Vec3 n = obj->nrms[i];
    for (const int32_t p : {pl.p0, pl.p1, pl.p2}) {
      Vec3& s = obj->ptnrms[p];
      s.x = wadd(s.x, n.x);
      s.y = wadd(s.y, n.y);
      s.z = wadd(s.z, n.z);
    }
    for (const int32_t p : {pl.p0, pl.p1, pl.p2}) ++addtimes[p];
  }
  for (int32_t j = 0; j < obj->npts; ++j) {
    Vec3 s = obj->ptnrms[j];
    const int32_t n = addtimes[j];
    if (n != 0) s = Vec3{s.x / n, s.y / n, s.z / n};
    Normalize(&obj->ptnrms[j], s);
  }
}

void ReversePolygonOrder(Object3d* obj) {
  for (int32_t i = 0; i < obj->npls; ++i) {
    Poly3d& pl = obj->pls[i];
    const int32_t t = pl.p0;
    pl.p0 = pl.p2;
    pl.p2 = t;
  }
}

// Decodes a stored mesh: three 16-bit little-endian counts (points, lines, polygons),
// then three coordinate bytes per point, two 16-bit indices per line and three per
// polygon. The stored meshes are part of the program; the asset converter guarantees
// that every index is below the point count and every point is in some polygon.
void Load16bit3do(Object3d* obj, const uint8_t* data, int32_t flip) {
  const int32_t np = ReadU16(data);
  const int32_t nl = ReadU16(data + 2);
  const int32_t nq = ReadU16(data + 4);
  obj->npts = np;
  obj->nlns = nl;
  obj->npls = nq;
  obj->pts = Allocate<Point3d>(np);
  obj->lns = Allocate<Line3d>(nl);
  obj->pls = Allocate<Poly3d>(nq);

  const uint8_t* p = data + 6;
  for (int32_t i = 0; i < np; ++i, p += 3) {
    Point3d& pt = obj->pts[i];
    pt.x = (p[0] - 128) >> 1;
    pt.y = (p[1] - 128) >> 1;
    pt.z = (p[2] - 128) >> 1;
    pt.c = -1;
  }
  for (int32_t i = 0; i < nl; ++i, p += 4) {
    Line3d& ln = obj->lns[i];
    ln.p0 = ReadU16(p);
    ln.p1 = ReadU16(p + 2);
    ln.col = 65535;
    assert(ln.p0 < np && ln.p1 < np);
  }
  for (int32_t i = 0; i < nq; ++i, p += 6) {
    Poly3d& pl = obj->pls[i];
    pl.p0 = ReadU16(p);
    pl.p1 = ReadU16(p + 2);
    pl.p2 = ReadU16(p + 4);
    assert(pl.p0 < np && pl.p1 < np && pl.p2 < np);
  }

  CalcNorms(obj, flip);
  CalcPtNorms(obj);
}

}  // namespace zudezed
