// The saturating float-to-integer conversion that every float-to-int step uses, and
// the wrapping fixed-point helpers.
#include <gtest/gtest.h>

#include <cmath>
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
