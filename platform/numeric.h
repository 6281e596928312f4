// Numeric helpers of the demo, used everywhere instead of plain casts.
//
// Every float-to-integer conversion of the demo truncates toward zero and saturates:
// values beyond the 32-bit range (infinities included) become INT32_MAX or INT32_MIN,
// and NaN becomes 0. A plain C++ cast is undefined there and gives different results
// on x86 and ARM; the zoom, glyph and blob routines rely on the saturation at scale 0.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace zudezed {

// The half turn of every angle formula of the demo (sine tables, per-pixel angles, the
// rotozoomer, 3D animation and mesh generators): 3.14151693, not pi = 3.14159265. The
// single-precision values derived from it are named where they are used.
inline constexpr double kHalfTurn = 3.14151693;

// Truncates toward zero, saturating at the int32 limits; NaN gives 0.
constexpr int32_t trunc_i32(double v) {
  if (v != v) return 0;  // NaN
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);  // in range: truncation toward zero is exact
}

// The single-precision overload, with the same results as converting through double
// (every float is a double exactly). The range test reads the float's own bits, so a
// processor without floating-point hardware makes one library call (the conversion of
// an in-range value) instead of a widening to double and three double comparisons.
constexpr int32_t trunc_i32(float v) {
  const uint32_t bits = std::bit_cast<uint32_t>(v);
  const uint32_t magnitude = bits & 0x7FFFFFFFu;
  // Exponent field 158 and above: |v| >= 2^31, the infinities (0x7F800000) and NaN.
  constexpr uint32_t kTwoTo31 = 0x4F000000u;
  constexpr uint32_t kInfinity = 0x7F800000u;
  if (magnitude >= kTwoTo31) {
    if (magnitude > kInfinity) return 0;  // NaN
    return (bits >> 31) != 0 ? std::numeric_limits<int32_t>::min()
                             : std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(v);  // |v| < 2^31: truncation toward zero is exact
}
static_assert(std::bit_cast<uint32_t>(2147483648.0f) == 0x4F000000u);
static_assert(trunc_i32(-2147483648.0f) == std::numeric_limits<int32_t>::min());
static_assert(trunc_i32(2147483520.0f) == 2147483520);  // the largest float below 2^31

// Truncation toward zero to an unsigned 32-bit value, saturating at 0 and UINT32_MAX;
// NaN gives 0.
constexpr uint32_t trunc_u32(double v) {
  if (v != v || v <= 0.0) return 0;
  if (v >= 4294967295.0) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(v);
}

// Arithmetic shift right of a signed value (well defined since C++20).
constexpr int32_t asr(int32_t v, int n) { return v >> n; }

// Left shift of a signed value with 32-bit wrap-around, as the fixed-point code uses it
// ((v << 8) of a negative value is well defined through the unsigned type).
constexpr int32_t shl(int32_t v, int n) {
  return static_cast<int32_t>(static_cast<uint32_t>(v) << n);
}

// 32-bit wrapping multiply and add (the build uses -fwrapv as well; these make the
// intent explicit where a product is expected to overflow).
constexpr int32_t wmul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
constexpr int32_t wadd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace zudezed
