// The flat water fillers: one of two colours per element by depth, and a stamp of the
// depth's low byte into the water effect's height field where the object crosses the
// water line.
#include "effects/effects.h"
#include "engine3d/render3d.h"
#include "engine3d/scan_convert.h"

namespace zudezed {

namespace {

// The depth of the water line; the non-z-buffered filler stamps only the thin slice
// just behind it.
constexpr int32_t kWaterLine = 128000;
constexpr int32_t kWaterSliceEnd = 129999;

std::array<raster::Vertex<1>, 3> WaterVertices(const Poly3d& poly) {
  auto v = raster::LoadVertices<1>(poly);
  for (int k = 0; k < 3; ++k) v[k].a[1] = raster::Depth(poly, k);
  return v;
}

}  // namespace

void DrawFlatWaterTriangle(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade_a,
                           const uint16_t* shade_b) {
  const int32_t s = raster::Clamp255(poly.col);
  const uint16_t above = shade_a[s];
  const uint16_t below = shade_b[s];
  raster::ScanTriangle<1>(WaterVertices(poly), [=](uint32_t i, const std::array<int32_t, 1>& a) {
    const int32_t z = a[0];
    if (z > kWaterLine) {
      if (z <= kWaterSliceEnd) buffer1[i] = static_cast<uint8_t>(z & 255);
      buffer[i] = below;
    } else {
      buffer[i] = above;
    }
  });
}

void DrawFlatWaterTriangleZB(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade_a,
                             const uint16_t* shade_b) {
  const int32_t s = raster::Clamp255(poly.col);
  const uint16_t above = shade_a[s];
  const uint16_t below = shade_b[s];
  raster::ScanTriangle<1>(WaterVertices(poly), [=](uint32_t i, const std::array<int32_t, 1>& a) {
    if (!raster::DepthPasses(i, a[0])) return;
    const uint32_t z = static_cast<uint32_t>(a[0]);
    if (z > static_cast<uint32_t>(kWaterLine)) {
      buffer1[i] = static_cast<uint8_t>(z & 255);
      buffer[i] = below;
    } else {
      buffer[i] = above;
    }
  });
}

}  // namespace zudezed
