// The flat and Gouraud triangle fillers and their z-buffered twins, and the z-buffer.
#include "engine3d/render3d.h"
#include "engine3d/scan_convert.h"

namespace zudezed {

std::array<uint32_t, kBufferElements> zbuffer{};

StateList FillShadedGlobals() {
  static constexpr StateBlock kList[] = {Held("zbuffer", zbuffer)};
  return kList;
}

void CleanZbuffer() { zbuffer.fill(0xFFFFFFFFu); }

namespace {

using raster::Clamp255;
using raster::DepthPasses;
using raster::Depth;
using raster::LoadVertices;
using raster::ScanTriangle;

// The polygon's shade index, kept inside its 256-entry table.
int32_t FlatShade(const Poly3d& poly) { return Clamp255(poly.col); }

// 8.8 colour to a table index. A negative index reads entry 0; one above 255 can only
// come from a wrapped slope and reads entry 255.
int32_t GouraudIndex(int32_t acc) { return Clamp255(acc >> 8); }

template <int K>
void LoadColours(const Poly3d& poly, std::array<raster::Vertex<K>, 3>& v, int slot) {
  const int32_t idx[3] = {poly.p0, poly.p1, poly.p2};
  for (int k = 0; k < 3; ++k) v[k].a[slot] = shl(spts[idx[k]].c, 8);
}

template <int K>
void LoadDepths(const Poly3d& poly, std::array<raster::Vertex<K>, 3>& v, int slot) {
  for (int k = 0; k < 3; ++k) v[k].a[slot] = Depth(poly, k);
}

}  // namespace

void DrawFlatTriangle(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade) {
  const uint16_t colour = shade[FlatShade(poly)];
  ScanTriangle<0>(LoadVertices<0>(poly),
                  [=](uint32_t i, const std::array<int32_t, 0>&) { buffer[i] = colour; });
}

void DrawFlatTriangleZB(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade) {
  const uint16_t colour = shade[FlatShade(poly)];
  auto v = LoadVertices<1>(poly);
  LoadDepths(poly, v, 1);
  ScanTriangle<1>(v, [=](uint32_t i, const std::array<int32_t, 1>& a) {
    if (DepthPasses(i, a[0])) buffer[i] = colour;
  });
}

void DrawGouraudTriangle(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade) {
  auto v = LoadVertices<1>(poly);
  LoadColours(poly, v, 1);
  ScanTriangle<1>(v, [=](uint32_t i, const std::array<int32_t, 1>& a) {
    buffer[i] = shade[GouraudIndex(a[0])];
  });
}

void DrawGouraudTriangleZB(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade) {
  auto v = LoadVertices<2>(poly);
  LoadColours(poly, v, 1);
  LoadDepths(poly, v, 2);
  ScanTriangle<2>(v, [=](uint32_t i, const std::array<int32_t, 2>& a) {
    if (DepthPasses(i, a[1])) buffer[i] = shade[GouraudIndex(a[0])];
  });
}

}  // namespace zudezed
