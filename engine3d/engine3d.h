// The 3D engine's records, catalogue and per-frame work arrays, the vector maths,
// the transform and lighting, the depth sort and the scene runner.
//
// Camera space: the eye at the origin looking along +z; camera-space points carry 8
// fraction bits, rotated normals 16. Screen points are pixel columns and element
// offsets about the centre (160, 120).
#pragma once

#include <array>
#include <cstdint>

#include "platform/numeric.h"
#include "platform/state_list.h"

namespace zudezed {

struct Vec3 {
  int32_t x, y, z;
};

struct Point3d {
  int32_t x, y, z;
  int16_t c;  // colour of a model point (-1 where a builder sets none); shade in spls
};

struct Point2d {
  int32_t x, y;  // screen column and element offset
  int16_t c;     // shade index or copied point colour
};

struct Poly3d {
  int32_t p0, tu0, tv0;
  int32_t p1, tu1, tv1;
  int32_t p2, tu2, tv2;
  int32_t col;  // shade index written by the renderer before a flat fill
};

struct Line3d {
  int32_t p0, p1;
  int32_t col;  // always 65535
};

struct Object3d {
  int32_t npts;
  int32_t npls;
  int32_t nlns;
  Point3d* pts;
  Poly3d* pls;
  Line3d* lns;
  Vec3* nrms;    // one model-space normal per polygon, length 256
  Vec3* ptnrms;  // one model-space normal per point, length 256
  float ax, ay, az;
  float px, py, pz;
};

constexpr int kObjects = 32;
constexpr int kWorkEntries = 8192;

extern std::array<Object3d, kObjects> object;
extern std::array<Point3d, kWorkEntries> fpts;
extern std::array<Point2d, kWorkEntries> spts;
extern std::array<Point3d, kWorkEntries> norms;
extern std::array<Point3d, kWorkEntries> pt_norms;
extern std::array<Point3d, kWorkEntries> spls;
extern std::array<int32_t, kWorkEntries> zdata;
extern std::array<uint16_t, kWorkEntries> swp;
extern std::array<uint8_t, kWorkEntries> addtimes;
extern int32_t objnpls;
extern int32_t objnlns;
extern int32_t lightcalc;
extern int32_t signal3d;
inline constexpr float proj = 256.0f;

// The half turn kHalfTurn (platform/numeric.h) as the scenes and the catalogue use it:
// a quarter turn in double precision, and a half and a quarter turn as floats.
inline constexpr double kQuarterTurn = kHalfTurn / 2;
inline constexpr float kHalfTurnF = static_cast<float>(kHalfTurn);
inline constexpr float kQuarterTurnF = static_cast<float>(kHalfTurn / 2);
static_assert(kQuarterTurn == 1.570758465);
static_assert(kHalfTurnF == 3.141517f && kQuarterTurnF == 1.5707585f);

// ---- Vector maths --------------------------------------------------------------
void CrossProduct(Vec3* out, Vec3 a, Vec3 b);
int32_t DotProduct(Vec3 a, Vec3 b);
void NegVec(Vec3* out, Vec3 a);
void Normalize(Vec3* out, Vec3 a);
void translate3d(Object3d* obj);
void project3d(Object3d* obj);

// ---- Transform and lighting ----------------------------------------------------
void rotate3d(Object3d* obj);
void rotate3d_normals(Object3d* obj);
void rotate3d_pt_normals(Object3d* obj);
void Calc3d(Object3d* obj);
void CalcPolyColor(Object3d* obj);
void CalcPointColor(Object3d* obj);
void CalcPolyColorStatic(Object3d* obj);
void CalcPolyColorDynamic(Object3d* obj);
void CalcPointColorStatic(Object3d* obj);
void CalcPointColorDynamic(Object3d* obj);

// ---- Depth sort ----------------------------------------------------------------
void quicksort(int32_t lo, int32_t hi, int32_t* keys);

// ---- Scene runner --------------------------------------------------------------
void RunScene3d(uint16_t* vram, int32_t scene);

// The globals engine3d.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList Engine3dGlobals();

}  // namespace zudezed
