// The span fill that every triangle filler shares, at the ends of the buffer: a span
// is clipped to the elements whose index lies in the buffer before it is walked, and
// the values it interpolates must still be those of stepping through every element,
// the skipped ones included. Checked against the element-by-element walk.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine3d/scan_convert.h"
#include "precalc/precalcs.h"

namespace zudezed {
namespace {

using Plotted = std::vector<std::pair<uint32_t, int32_t>>;

// The span walked one element at a time, every index tested.
Plotted Reference(int32_t x, const raster::Edge<1>& a, const raster::Edge<1>& b) {
  Plotted out;
  const int32_t t1 = a.acc[0] >> 8, t2 = b.acc[0] >> 8;
  if (t1 == t2) return out;
  const raster::Edge<1>& s = t1 < t2 ? a : b;
  const raster::Edge<1>& f = t1 < t2 ? b : a;
  const int32_t start = s.acc[0] >> 8;
  const int64_t len = int64_t{f.acc[0] >> 8} - start;
  if (!raster::InDivRange(len)) return out;
  const int32_t dv = raster::Slope(raster::Sub(f.acc[1], s.acc[1]),
                                   raster::Recip(static_cast<int32_t>(len)));
  int32_t v = s.acc[1];
  uint32_t i = static_cast<uint32_t>(wadd(wmul(wadd(x, 1), kScreenHeight), start));
  for (int64_t n = 0; n < len; ++n, ++i) {
    v = wadd(v, dv);
    if (i < static_cast<uint32_t>(kBufferElements)) out.emplace_back(i, v);
  }
  return out;
}

Plotted Walked(int32_t x, const raster::Edge<1>& a, const raster::Edge<1>& b) {
  Plotted out;
  auto plot = [&out](uint32_t i, const std::array<int32_t, 1>& v) { out.emplace_back(i, v[0]); };
  raster::Span<1>(x, a, b, plot);
  return out;
}

raster::Edge<1> At(int32_t element, int32_t value) {
  raster::Edge<1> e{};
  e.acc = {shl(element, 8), value};
  return e;
}

class SpanClip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { precdivs(); }
};

TEST_F(SpanClip, MatchesTheElementWalkAcrossBothEndsOfTheBuffer) {
  struct Case {
    int32_t x, from, to;
    size_t expected;  // elements inside the buffer
  };
  const Case cases[] = {
      {-1, -100, 100, 100},   // column 0 from below the buffer: index wraps past zero
      {-1, -1, 5, 5},         // one element below zero
      {-1, 0, 7, 7},          // starts exactly at index 0
      {318, 200, 300, 40},    // last column, past the buffer's end
      {318, 239, 241, 1},     // the very last element
      {318, 240, 260, 0},     // wholly past the end
      {-2, -300, -10, 0},     // wholly below zero
      {-2, 100, 400, 160},    // below zero into column 0
      {100, 60, 200, 140},    // inside: nothing clipped
      {-1, -2000, 40, 40},    // long span, mostly below zero
  };
  for (const Case& c : cases) {
    // Both edge orders, and a value that steps by a non-integral amount.
    const raster::Edge<1> lo = At(c.from, 1000), hi = At(c.to, 1000 + 7777 * (c.to - c.from));
    for (const auto& [a, b] : {std::pair{lo, hi}, std::pair{hi, lo}}) {
      const Plotted want = Reference(c.x, a, b);
      EXPECT_EQ(want.size(), c.expected) << c.x << " " << c.from << ".." << c.to;
      EXPECT_EQ(Walked(c.x, a, b), want) << c.x << " " << c.from << ".." << c.to;
    }
  }
}

}  // namespace
}  // namespace zudezed
