// The texture, plasma-texture and environment-mapped fillers and their z-buffered
// twins. Texture coordinates are texel positions 0..255 whatever the texture size,
// carried in 8.8 along the edges and spans.
#include "engine3d/render3d.h"
#include "engine3d/scan_convert.h"

namespace zudezed {

int32_t tm = 0;
std::array<TexCoord, kWorkEntries> point_tc{};

StateList FillTexturedGlobals() {
  static constexpr StateBlock kList[] = {Held("tm", tm), Held("point_tc", point_tc)};
  return kList;
}

namespace {

using raster::Clamp255;
using raster::DepthPasses;

// Slots of the interpolated values: u, v, then the depth of the z-buffered fillers.
template <int K>
void LoadPolygonUV(const Poly3d& poly, std::array<raster::Vertex<K>, 3>& v) {
  v[0].a[1] = shl(poly.tu0, 8);
  v[0].a[2] = shl(poly.tv0, 8);
  v[1].a[1] = shl(poly.tu1, 8);
  v[1].a[2] = shl(poly.tv1, 8);
  v[2].a[1] = shl(poly.tu2, 8);
  v[2].a[2] = shl(poly.tv2, 8);
}

template <int K>
void LoadEnvUV(const Poly3d& poly, std::array<raster::Vertex<K>, 3>& v) {
  const int32_t idx[3] = {poly.p0, poly.p1, poly.p2};
  for (int k = 0; k < 3; ++k) {
    v[k].a[1] = shl(point_tc[idx[k]].u, 8);
    v[k].a[2] = shl(point_tc[idx[k]].v, 8);
  }
}

template <int K>
std::array<raster::Vertex<K>, 3> Vertices(const Poly3d& poly, bool env) {
  auto v = raster::LoadVertices<K>(poly);
  if (env) LoadEnvUV(poly, v);
  else LoadPolygonUV(poly, v);
  if constexpr (K == 3) {
    for (int k = 0; k < 3; ++k) v[k].a[3] = raster::Depth(poly, k);
  }
  return v;
}

// Texel of (U, V) in a (256 >> s)-square texture, U and V kept inside 0..255: an
// interpolated coordinate can fall one step below the smallest vertex value, and a
// wrapped slope can carry it anywhere.
inline uint16_t Texel(const uint16_t* texture, int32_t s, int32_t u, int32_t v) {
  const int32_t uu = Clamp255(u >> 8);
  const int32_t vv = Clamp255(v >> 8);
  return texture[(uu >> s) + ((vv >> s) << (8 - s))];
}

// The environment map wraps around in both directions.
inline uint16_t EnvTexel(const uint16_t* texture, int32_t s, int32_t m, int32_t u, int32_t v) {
  return texture[((u >> 8 >> s) & m) + (((v >> 8 >> s) & m) << (8 - s))];
}

// The plasma phase, kept inside the range that Render gives it so that every sine
// table index stays below 2048.
int32_t PlasmaPhase() { return tm < 0 ? 0 : (tm > 437 ? 437 : tm); }

// A negative coordinate counts as 0; beyond 255 only a wrapped slope gets, and it is
// kept at 255.
inline int32_t PlasmaCoord(int32_t acc) { return Clamp255(acc >> 8); }

inline int32_t Plasma1(int32_t u, int32_t v, int32_t t) {
  const int32_t a = fsin8[u + v + t];
  return (fsin6[u] + fsin7[v] + a + fsin7[(a + fsin6[u]) & 2047]) & 255;
}

inline int32_t Plasma2(int32_t u, int32_t v, int32_t t) {
  const int32_t a = fsin8[u + v + t];
  return (fsin6[u] + fsin7[v + t] + fsin8[u + v + 2 * t] + fsin7[(t + a + fsin6[u]) & 2047]) &
         255;
}

}  // namespace

void DrawTextureTriangle(const Poly3d& poly, uint16_t* buffer, int32_t s, const uint16_t* texture) {
  raster::ScanTriangle<2>(Vertices<2>(poly, false), [=](uint32_t i, const std::array<int32_t, 2>& a) {
    buffer[i] = Texel(texture, s, a[0], a[1]);
  });
}

void DrawTextureTriangleZB(const Poly3d& poly, uint16_t* buffer, int32_t s,
                           const uint16_t* texture) {
  raster::ScanTriangle<3>(Vertices<3>(poly, false), [=](uint32_t i, const std::array<int32_t, 3>& a) {
    if (DepthPasses(i, a[2])) buffer[i] = Texel(texture, s, a[0], a[1]);
  });
}

void DrawTextureTriangle_plasma(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade) {
  const int32_t t = PlasmaPhase();
  raster::ScanTriangle<2>(Vertices<2>(poly, false), [=](uint32_t i, const std::array<int32_t, 2>& a) {
    buffer[i] = shade[Plasma1(PlasmaCoord(a[0]), PlasmaCoord(a[1]), t)];
  });
}

void DrawTextureTriangleZB_plasma(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade) {
  const int32_t t = PlasmaPhase();
  raster::ScanTriangle<3>(Vertices<3>(poly, false), [=](uint32_t i, const std::array<int32_t, 3>& a) {
    if (DepthPasses(i, a[2])) buffer[i] = shade[Plasma2(PlasmaCoord(a[0]), PlasmaCoord(a[1]), t)];
  });
}

void DrawEnvmappedTriangle(const Poly3d& poly, uint16_t* buffer, int32_t s,
                           const uint16_t* texture) {
  const int32_t m = (256 >> s) - 1;
  raster::ScanTriangle<2>(Vertices<2>(poly, true), [=](uint32_t i, const std::array<int32_t, 2>& a) {
    buffer[i] = EnvTexel(texture, s, m, a[0], a[1]);
  });
}

void DrawEnvmappedTriangleZB(const Poly3d& poly, uint16_t* buffer, int32_t s,
                             const uint16_t* texture) {
  const int32_t m = (256 >> s) - 1;
  raster::ScanTriangle<3>(Vertices<3>(poly, true), [=](uint32_t i, const std::array<int32_t, 3>& a) {
    if (DepthPasses(i, a[2])) buffer[i] = EnvTexel(texture, s, m, a[0], a[1]);
  });
}

}  // namespace zudezed
