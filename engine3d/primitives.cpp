// Balls, points and lines, and the depth keys of an object's polygons.
#include <array>

#include "engine3d/render3d.h"
#include "engine3d/scan_convert.h"
#include "precalc/precalcs.h"

namespace zudezed {

// The ball sprite scaled to 16 x size elements square, centred on the point, clipped to
// the screen. The clipped part is skipped in sprite coordinates while drawing starts at
// the screen edge. Sprite intensity t >= 1 of a ball of colour value k is drawn as
// ball_p[t + k]; lookups outside the sprite or the palette are skipped.
void drawball(Point2d point, float size, uint16_t* buffer) {
  const float h = -8.0f * size;
  int32_t x0 = trunc_i32(static_cast<float>(point.x) + h);
  if (x0 >= kScreenWidth) return;
  int32_t e0 = trunc_i32(h + static_cast<float>(point.y));
  const float extent = 16.0f * size;
  if (!(static_cast<float>(x0) > -extent && e0 <= 239 && static_cast<float>(e0) > -extent)) {
    return;
  }
  int32_t skip_x = 0, u_start = 0;
  if (x0 < 0) {
    skip_x = -x0;
    u_start = trunc_i32(static_cast<float>(skip_x) * 65536.0f / size);
    x0 = 0;
  }
  int32_t skip_e = 0, v_start = 0;
  if (e0 < 0) {
    skip_e = -e0;
    v_start = trunc_i32(static_cast<float>(skip_e) * 65536.0f / size);
    e0 = 0;
  }
  const int32_t last = trunc_i32(extent - 1.0f);
  const int32_t last_x = 320.0f - extent < static_cast<float>(x0) ? skip_x + 319 - x0 : last;
  const int32_t last_e = 240.0f - extent < static_cast<float>(e0) ? skip_e + 239 - e0 : last;
  const float step = 65536.0f / size;
  if (skip_x > last_x) return;

  // The sprite row v >> 16 of each element of a column is the same in every column of
  // the ball: the float steps of v are taken once per ball, not once per column. v
  // starts at 0 or above and never decreases (the step is positive), so the rows end
  // for good at the first one past the sprite, and nothing is drawn past the screen's
  // last element; the list stops there.
  std::array<uint8_t, kScreenHeight> rows;
  int32_t nrows = 0;
  if (skip_e <= last_e) {
    int32_t v = v_start;
    for (int32_t j = skip_e; j <= last_e && e0 + nrows < kScreenHeight; ++j) {
      const int32_t sv = v >> 16;
      if (static_cast<uint32_t>(sv) >= 16) break;
      rows[nrows++] = static_cast<uint8_t>(sv);
      v = trunc_i32(static_cast<float>(v) + step);
    }
  }
  if (nrows == 0) return;

  // Likewise u: the columns end at the first one past the sprite or the screen.
  const int32_t k = point.c;
  int32_t u = u_start;
  int32_t column = x0;
  for (int32_t i = skip_x; i <= last_x && column < kScreenWidth; ++i, ++column) {
    const int32_t su = u >> 16;
    if (static_cast<uint32_t>(su) >= 16) break;
    const uint8_t* sprite = ball_c.data() + su * 16;
    uint16_t* out = buffer + column * kScreenHeight + e0;
    for (int32_t n = 0; n < nrows; ++n) {
      const int32_t t = sprite[rows[n]];
      if (t != 0 && t + k >= 0 && t + k <= 255) out[n] = ball_p[t + k];
    }
    u = trunc_i32(static_cast<float>(u) + step);
  }
}

void drawpoint(Point2d point, uint16_t* buffer) {
  if (static_cast<uint32_t>(point.x) < static_cast<uint32_t>(kScreenWidth) && point.y >= 0 &&
      point.y <= 239) {
    buffer[point.x * kScreenHeight + point.y] = static_cast<uint16_t>(point.c);
  }
}

namespace {

// A one-pixel line between the projected ends of a line, in 20.12 fixed point. The
// accumulator advances before each write, so the first pixel is one step along and
// the far end is never written. Lines whose differences fall outside the reciprocal
// table are skipped.
template <class Pixel>
void DrawLine(Line3d line, Pixel* buffer, int32_t column_shift, Pixel value) {
  Point2d p = spts[line.p0];
  Point2d q = spts[line.p1];
  p.x = wadd(p.x, column_shift);
  q.x = wadd(q.x, column_shift);
  const int64_t dx64 = int64_t{q.x} - p.x;
  const int64_t de64 = int64_t{q.y} - p.y;
  if (!raster::InDivRange(dx64) || !raster::InDivRange(de64) || !raster::InDivRange(-dx64) ||
      !raster::InDivRange(-de64)) {
    return;
  }
  const int32_t dx = static_cast<int32_t>(dx64);
  const int32_t de = static_cast<int32_t>(de64);
  const int32_t adx = dx < 0 ? -dx : dx;
  const int32_t ade = de < 0 ? -de : de;
  if (ade < adx) {
    if (q.x < p.x) std::swap(p, q);
    const int32_t slope = wmul(shl(q.y - p.y, 12), raster::Recip(q.x - p.x)) >> 16;
    int32_t acc = shl(p.y, 12);
    for (int32_t x = p.x; x < q.x; ++x) {
      acc = wadd(acc, slope);
      const uint32_t i = static_cast<uint32_t>(wadd(wmul(x, kScreenHeight), acc >> 12));
      if (i < static_cast<uint32_t>(kBufferElements)) buffer[i] = value;
    }
  } else {
    if (de == 0) return;
    if (q.y < p.y) std::swap(p, q);
    const int32_t slope = wmul(shl(q.x - p.x, 12), raster::Recip(q.y - p.y)) >> 16;
    int32_t acc = shl(p.x, 12);
    for (int32_t e = p.y; e < q.y; ++e) {
      acc = wadd(acc, slope);
      const uint32_t i = static_cast<uint32_t>(wadd(wmul(acc >> 12, kScreenHeight), e));
      if (i < static_cast<uint32_t>(kBufferElements)) buffer[i] = value;
    }
  }
}

}  // namespace

// The 8-bit buffer is the first 76800 bytes of the same block.
void drawline8bit(Line3d line, uint16_t* buffer) {
  DrawLine<uint8_t>(line, reinterpret_cast<uint8_t*>(buffer), 0, 63);
}

void drawline16bit(Line3d line, uint16_t* buffer) {
  DrawLine<uint16_t>(line, buffer, 1, 0xFFFE);
}

void drawline(Line3d line, uint16_t* buffer, int32_t depth) {
  if (depth == 8) drawline8bit(line, buffer);
  else if (depth == 16) drawline16bit(line, buffer);
}

// Painter's keys: minus a quarter of the summed vertex depths, so ascending keys are
// farthest first; swp starts as the identity.
void zsort(int32_t* keys, Object3d* obj) {
  for (int32_t j = 0; j < obj->npls; ++j) {
    const Poly3d& pl = obj->pls[j];
    const int32_t sum = wadd(wadd(fpts[pl.p0].z, fpts[pl.p1].z), fpts[pl.p2].z);
    keys[j] = wmul(sum >> 2, -1);
    swp[j] = static_cast<uint16_t>(j);
  }
}

}  // namespace zudezed
