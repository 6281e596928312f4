// The saturating float-to-integer conversion that every float-to-int step uses, and
// the wrapping fixed-point helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/numeric.h"

namespace zudezed {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(Numeric, TruncatesTowardZero) {
  EXPECT_EQ(trunc_i32(2.9), 2);
  EXPECT_EQ(trunc_i32(-2.9), -2);
  EXPECT_EQ(trunc_i32(0.999999f), 0);
  EXPECT_EQ(trunc_i32(-0.999999f), 0);
  EXPECT_EQ(trunc_i32(-0.0), 0);
  EXPECT_EQ(trunc_i32(0.256f * 1.0f), 0);
  EXPECT_EQ(trunc_i32(-128.0f), -128);
}

TEST(Numeric, SaturatesAtTheInt32LimitsAndMapsNanToZero) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(trunc_i32(inf), kMax);
  EXPECT_EQ(trunc_i32(-inf), kMin);
  EXPECT_EQ(trunc_i32(std::numeric_limits<float>::infinity()), kMax);
  EXPECT_EQ(trunc_i32(-std::numeric_limits<float>::infinity()), kMin);
  EXPECT_EQ(trunc_i32(std::nan("")), 0);
  EXPECT_EQ(trunc_i32(std::nanf("")), 0);
  // Just inside and just outside the range.
  EXPECT_EQ(trunc_i32(2147483646.9), 2147483646);
  EXPECT_EQ(trunc_i32(2147483647.0), kMax);
  EXPECT_EQ(trunc_i32(2147483648.0), kMax);
  EXPECT_EQ(trunc_i32(-2147483648.0), kMin);
  EXPECT_EQ(trunc_i32(-2147483648.9), kMin);  // truncates to -2^31, in range
  EXPECT_EQ(trunc_i32(-2147483649.0), kMin);
  EXPECT_EQ(trunc_i32(1e30f), kMax);
  EXPECT_EQ(trunc_i32(-1e30), kMin);
  // 65536 / 0 of the zoom and glyph steps at scale 0.
  const float zero = 0.0f;
  EXPECT_EQ(trunc_i32(65536.0f / zero), kMax);
  EXPECT_EQ(trunc_i32(-65536.0f / zero), kMin);
}

// The single-precision conversion tests its range on the float's bits; it must give
// what the conversion through double gives for every float, infinities and NaNs
// included. With floating-point hardware every one of the 2^32 bit patterns is tried
// (a few seconds); on a soft-float processor, where each reference conversion is a
// chain of library calls, every sign and exponent with every 255th mantissa and the
// highest one.
TEST(Numeric, FloatConversionMatchesTheDoubleOneForEveryFloat) {
#ifdef __SOFTFP__
  constexpr uint32_t kMantissaStep = 255;
#else
  constexpr uint32_t kMantissaStep = 1;
#endif
  constexpr uint32_t kLastMantissa = (1u << 23) - 1;
  uint64_t wrong = 0;
  uint32_t first_wrong = 0;
  for (uint32_t top = 0; top < 512; ++top) {  // sign and exponent
    for (uint32_t m = 0;; m = std::min(m + kMantissaStep, kLastMantissa)) {
      const uint32_t bits = top << 23 | m;
      const float v = std::bit_cast<float>(bits);
      if (trunc_i32(v) != trunc_i32(static_cast<double>(v)) && wrong++ == 0) first_wrong = bits;
      if (m == kLastMantissa) break;
    }
  }
  EXPECT_EQ(wrong, 0u) << "first at bits 0x" << std::hex << first_wrong;
}

TEST(Numeric, UnsignedConversionSaturatesAtZeroAndTheTop) {
  EXPECT_EQ(trunc_u32(-1.0), 0u);
  EXPECT_EQ(trunc_u32(255.9), 255u);
  EXPECT_EQ(trunc_u32(4294967295.0), 4294967295u);
  EXPECT_EQ(trunc_u32(1e20), 4294967295u);
  EXPECT_EQ(trunc_u32(std::nan("")), 0u);
}

TEST(Numeric, FixedPointHelpersWrapLikeThirtyTwoBitArithmetic) {
  EXPECT_EQ(shl(-1, 8), -256);
  EXPECT_EQ(shl(128 << 8, 16), kMin);  // 2^31 reads as -2^31
  EXPECT_EQ(asr(-3, 1), -2);           // arithmetic shift rounds toward minus infinity
  EXPECT_EQ(wmul(65536, 65536), 0);
  EXPECT_EQ(wmul(32768 * 256, 256), kMin);
  EXPECT_EQ(wadd(kMax, 1), kMin);
}

}  // namespace
}  // namespace zudezed
