// Julia fractals in 8.8 fixed point and the rotozoomer that tiles the 128 x 128 Julia
// texture over the screen with 8.24 steps.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "effects/effects.h"
#include "platform/numeric.h"
#include "timeline/script.h"

namespace zudezed {

std::array<uint8_t, 128 * 128> rotbitmap{};

StateList JuhliaGlobals() {
  static constexpr StateBlock kList[] = {Held("rotbitmap", rotbitmap)};
  return kList;
}

namespace {

constexpr int kMaxIterations = 15;
constexpr int32_t kEscape = 1024;  // |z|^2 > 4 in 8.8

// The iteration count of the start point (x, y) for the constant (cr, ci), all 8.8:
// the number of completed iterations before |z|^2 > 4 was seen, 0..14, or 15 when
// all fifteen tests pass. It is given the first iterate, computed from the start
// point as zr = cr + (x*x >> 8) - (y*y >> 8), zi = ci + (2*x*y >> 8). Callers keep
// |cr|, |ci| <= 16384 and the start point within +-2048, so that no product leaves
// the 32-bit range.
inline int32_t JuliaCount(int32_t zr, int32_t zi, int32_t cr, int32_t ci) {
#pragma GCC unroll 15
  for (int32_t n = 0; n < kMaxIterations; ++n) {
    const int32_t sr = (zr * zr) >> 8;
    const int32_t si = (zi * zi) >> 8;
    if (sr + si > kEscape) return n;
    zi = ci + ((zr * zi * 2) >> 8);
    zr = cr + sr - si;
  }
  return kMaxIterations;
}

// A constant beyond |c| = 64 makes every point escape at the first test; clamping it
// there keeps that result and keeps the squares inside 32 bits.
constexpr int32_t kMaxConstant = 16384;
inline int32_t ClampConstant(int32_t c) { return std::clamp(c, -kMaxConstant, kMaxConstant); }

}  // namespace

void Juhlia(uint16_t* buffer, const uint16_t* palette, float cr, float ci) {
  const int32_t cr8 = ClampConstant(trunc_i32(cr * 256.0f));
  const int32_t ci8 = ClampConstant(trunc_i32(ci * 256.0f));
  // The upper half of every column is computed; the point mirror (-x, -y) of a Julia
  // set has the same count, so each value is also written at column 319 - c,
  // element 239 - e.
  // The first iterate's parts that depend on the element alone (y^2) or the column
  // alone (cr + x^2, 2x) are computed once, not per pixel.
  std::array<int32_t, 120> ysq;
  for (int32_t e = 120; e < kScreenHeight; ++e) {
    const int32_t y = 4 * (e - 119);
    ysq[e - 120] = (y * y) >> 8;
  }
  for (int32_t c = 0; c < kScreenWidth; ++c) {
    const int32_t x = 4 * c - 640;
    const int32_t zr0 = cr8 + ((x * x) >> 8);
    const int32_t x2 = 2 * x;
    uint16_t* col = buffer + c * kScreenHeight;
    uint16_t* mirror = buffer + (kScreenWidth - 1 - c) * kScreenHeight + (kScreenHeight - 1);
    for (int32_t e = 120; e < kScreenHeight; ++e) {
      const int32_t y = 4 * (e - 119);
      const int32_t n = JuliaCount(zr0 - ysq[e - 120], ci8 + ((x2 * y) >> 8), cr8, ci8);
      const uint16_t colour = palette[n * 16];
      col[e] = colour;
      mirror[-e] = colour;
    }
  }
}

void Juhlia128(uint8_t* texture) {
  const int32_t cr8 = trunc_i32(std::sin(prticks / 640.0) * 256.0);
  const int32_t ci8 = trunc_i32(std::cos(prticks / 768.0) * 256.0);
  std::array<int32_t, 64> ysq;
  for (int32_t k = 0; k < 64; ++k) {
    const int32_t y = 448 - 7 * k;
    ysq[k] = (y * y) >> 8;
  }
  for (int32_t r = 0; r < 128; ++r) {
    const int32_t x = -448 + 7 * r;
    const int32_t zr0 = cr8 + ((x * x) >> 8);
    const int32_t x2 = 2 * x;
    uint8_t* row = texture + r * 128;
    uint8_t* mirror = texture + (127 - r) * 128;
    for (int32_t k = 0; k < 64; ++k) {
      const int32_t y = 448 - 7 * k;
      const int32_t n = JuliaCount(zr0 - ysq[k], ci8 + ((x2 * y) >> 8), cr8, ci8);
      const auto v = static_cast<uint8_t>(n * 16);
      row[127 - k] = v;
      mirror[k] = v;
    }
  }
}

void Rotozoomer(uint16_t* buffer, const uint16_t* palette, float a, float zoom) {
  const double t = a / 180.0 / kHalfTurn;
  // 8.24 steps. The accumulators are unsigned so that they wrap modulo 2^32; bits
  // 24..30 are the same whether the shift is arithmetic or logical, and only those
  // (the texel coordinate mod 128) are used.
  const auto cstep = static_cast<uint32_t>(trunc_i32(std::cos(t) * zoom * 16777216.0));
  const auto sstep = static_cast<uint32_t>(trunc_i32(std::sin(t) * zoom * 16777216.0));
  constexpr uint32_t kU0 = 10u << 24;
  constexpr uint32_t kV0 = static_cast<uint32_t>(-15) << 24;
  const uint8_t* tex = rotbitmap.data();
  // Column c starts at element e = 0 with U = U0 + C - S (c + 1), V = V0 + C (c + 1) + S;
  // each element adds C to U and S to V, each column subtracts S from U and adds C to V.
  uint32_t ucol = kU0 + cstep - sstep;
  uint32_t vcol = kV0 + cstep + sstep;
  for (int32_t c = 0; c < kScreenWidth; ++c) {
    uint16_t* col = buffer + c * kScreenHeight;
    uint32_t u = ucol, v = vcol;
    for (int32_t e = 0; e < kScreenHeight; ++e) {
      col[e] = palette[tex[((v >> 24) & 127) * 128 + ((u >> 24) & 127)]];
      u += cstep;
      v += sstep;
    }
    ucol -= sstep;
    vcol += cstep;
  }
}

}  // namespace zudezed
