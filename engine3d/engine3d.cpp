// The 3D engine's shared work arrays, vector maths, transform, lighting and depth sort.
#include "engine3d/engine3d.h"

#include <cmath>

#include "platform/numeric.h"

namespace zudezed {

std::array<Object3d, kObjects> object{};
std::array<Point3d, kWorkEntries> fpts{};
std::array<Point2d, kWorkEntries> spts{};
std::array<Point3d, kWorkEntries> norms{};
std::array<Point3d, kWorkEntries> pt_norms{};
std::array<Point3d, kWorkEntries> spls{};
std::array<int32_t, kWorkEntries> zdata{};
std::array<uint16_t, kWorkEntries> swp{};
std::array<uint8_t, kWorkEntries> addtimes{};
int32_t objnpls = 0;
int32_t objnlns = 0;
int32_t lightcalc = 0;
int32_t signal3d = 0;

StateList Engine3dGlobals() {
  static constexpr StateBlock kList[] = {Held("object", object), Held("fpts", fpts),
      Held("spts", spts), Held("norms", norms), Held("pt_norms", pt_norms), Held("spls", spls),
      Held("zdata", zdata), Held("swp", swp), Held("addtimes", addtimes), Held("objnpls", objnpls),
      Held("objnlns", objnlns), Held("lightcalc", lightcalc), Held("signal3d", signal3d)};
  return kList;
}

// ---- Vector maths --------------------------------------------------------------

void CrossProduct(Vec3* out, Vec3 a, Vec3 b) {
  out->x = wadd(wmul(a.y, b.z), -wmul(a.z, b.y));
  out->y = wadd(wmul(a.z, b.x), -wmul(a.x, b.z));
  out->z = wadd(wmul(a.x, b.y), -wmul(a.y, b.x));
}

int32_t DotProduct(Vec3 a, Vec3 b) {
  return wadd(wadd(wmul(a.x, b.x), wmul(a.y, b.y)), wmul(a.z, b.z));
}

void NegVec(Vec3* out, Vec3 a) {
  out->x = wmul(a.x, -1);
  out->y = wmul(a.y, -1);
  out->z = wmul(a.z, -1);
}

// Scales a to length 256. The squared length is summed in 64 bits, so a vector whose
// square does not fit in 32 bits (a cross product of two long edges) still gets its
// true length; for every vector whose square fits, the result is the one of a 32-bit
// sum with 32-bit component shifts.
void Normalize(Vec3* out, Vec3 a) {
  const int64_t s = int64_t{a.x} * a.x + int64_t{a.y} * a.y + int64_t{a.z} * a.z;
  const int64_t len = trunc_u32(std::sqrt(static_cast<double>(s)));
  if (len == 0) {
    *out = Vec3{0, 0, 0};
    return;
  }
  out->x = static_cast<int32_t>(int64_t{a.x} * 256 / len);
  out->y = static_cast<int32_t>(int64_t{a.y} * 256 / len);
  out->z = static_cast<int32_t>(int64_t{a.z} * 256 / len);
}

void translate3d(Object3d* obj) {
  const int32_t dx = trunc_i32(256.0f * obj->px);
  const int32_t dy = trunc_i32(256.0f * obj->py);
  const int32_t dz = trunc_i32(256.0f * obj->pz);
  for (int32_t i = 0; i < obj->npts; ++i) {
    fpts[i].x = wadd(fpts[i].x, dx);
    fpts[i].y = wadd(fpts[i].y, dy);
    fpts[i].z = wadd(fpts[i].z, dz);
  }
}

// Points at or behind the eye keep whatever screen position they had.
void project3d(Object3d* obj) {
  for (int32_t i = 0; i < obj->npts; ++i) {
    const int32_t z = fpts[i].z;
    if (z <= 0) continue;
    spts[i].x = shl(fpts[i].x, 8) / z + 160;
    spts[i].y = shl(fpts[i].y, 8) / z + 120;
  }
}

// ---- Transform and lighting ----------------------------------------------------

namespace {

struct Matrix {
  int32_t m00, m01, m02, m10, m11, m12, m20, m21, m22;
};

// Rz(az) * Ry(ay) * Rx(ax) in 8 fraction bits, each coefficient evaluated in single
// precision in the order written and truncated toward zero.
Matrix BuildMatrix(const Object3d* obj) {
  const float cx = cosf(obj->ax), cy = cosf(obj->ay), cz = cosf(obj->az);
  const float sx = sinf(obj->ax), sy = sinf(obj->ay), sz = sinf(obj->az);
  Matrix m;
  m.m00 = trunc_i32(cy * cz * 256.0f);
  m.m01 = trunc_i32(((sx * sy) * cz - cx * sz) * 256.0f);
  m.m02 = trunc_i32(((cx * sy) * cz + sx * sz) * 256.0f);
  m.m10 = trunc_i32(cy * sz * 256.0f);
  m.m11 = trunc_i32((cx * cz + sz * (sx * sy)) * 256.0f);
  m.m12 = trunc_i32(((-sx) * cz + sz * (cx * sy)) * 256.0f);
  m.m20 = trunc_i32(sy * -256.0f);
  m.m21 = trunc_i32(sx * cy * 256.0f);
  m.m22 = trunc_i32(cx * cy * 256.0f);
  return m;
}

void Apply(const Matrix& m, int32_t x, int32_t y, int32_t z, Point3d* dst) {
  dst->x = wadd(wadd(wmul(m.m00, x), wmul(m.m01, y)), wmul(m.m02, z));
  dst->y = wadd(wadd(wmul(m.m10, x), wmul(m.m11, y)), wmul(m.m12, z));
  dst->z = wadd(wadd(wmul(m.m20, x), wmul(m.m21, y)), wmul(m.m22, z));
}

int16_t ShadeStatic(int32_t nz) {
  const int32_t v = nz >> 8;
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<int16_t>(v);
}

int16_t ShadeDynamic(int32_t nz) {
  const float f = static_cast<float>(nz >> 8);
  if (f < 0.0f) return 0;
  if (f > 255.0f) return 255;
  return static_cast<int16_t>(trunc_u32(f));
}

}  // namespace

void rotate3d(Object3d* obj) {
  const Matrix m = BuildMatrix(obj);
  for (int32_t i = 0; i < obj->npts; ++i) {
    const Point3d& p = obj->pts[i];
    Apply(m, p.x, p.y, p.z, &fpts[i]);
  }
}

void rotate3d_normals(Object3d* obj) {
  const Matrix m = BuildMatrix(obj);
  for (int32_t i = 0; i < obj->npls; ++i) {
    const Vec3& n = obj->nrms[i];
    Apply(m, n.x, n.y, n.z, &norms[i]);
  }
}

void rotate3d_pt_normals(Object3d* obj) {
  const Matrix m = BuildMatrix(obj);
  for (int32_t i = 0; i < obj->npts; ++i) {
    const Vec3& n = obj->ptnrms[i];
    Apply(m, n.x, n.y, n.z, &pt_norms[i]);
  }
}

void Calc3d(Object3d* obj) {
  rotate3d(obj);
  translate3d(obj);
  project3d(obj);
}

void CalcPolyColorStatic(Object3d* obj) {
  for (int32_t i = 0; i < obj->npls; ++i) spls[i].c = ShadeStatic(norms[i].z);
}

void CalcPolyColorDynamic(Object3d* obj) {
  for (int32_t i = 0; i < obj->npls; ++i) spls[i].c = ShadeDynamic(norms[i].z);
}

void CalcPointColorStatic(Object3d* obj) {
  for (int32_t i = 0; i < obj->npts; ++i) spts[i].c = ShadeStatic(pt_norms[i].z);
}

void CalcPointColorDynamic(Object3d* obj) {
  for (int32_t i = 0; i < obj->npts; ++i) spts[i].c = ShadeDynamic(pt_norms[i].z);
}

void CalcPolyColor(Object3d* obj) {
  if (lightcalc == 0) CalcPolyColorStatic(obj);
  else if (lightcalc == 1) CalcPolyColorDynamic(obj);
}

void CalcPointColor(Object3d* obj) {
  if (lightcalc == 0) CalcPointColorStatic(obj);
  else if (lightcalc == 1) CalcPointColorDynamic(obj);
}

// ---- Depth sort ----------------------------------------------------------------

// Hoare partition around the middle key's value; every exchange of keys is mirrored in
// swp, so swp follows the keys into ascending order. The permutation it leaves for
// equal keys decides the drawing order among equal depths.
void quicksort(int32_t lo, int32_t hi, int32_t* keys) {
  if (hi < lo) return;
  const int32_t pivot = keys[(lo + hi) >> 1];
  int32_t i = lo, j = hi;
  while (i <= j) {
    while (keys[i] < pivot) ++i;
    while (keys[j] > pivot) --j;
    if (i <= j) {
      const int32_t k = keys[i];
      keys[i] = keys[j];
      keys[j] = k;
      const uint16_t s = swp[i];
      swp[i] = swp[j];
      swp[j] = s;
      ++i;
      --j;
    }
  }
  if (lo < j) quicksort(lo, j, keys);
  if (i < hi) quicksort(i, hi, keys);
}

}  // namespace zudezed
