// The scan conversion shared by every triangle filler (internal to the rasteriser).
//
// The frame buffer is column-major, so a triangle is walked column by column and each
// column is filled as a run of consecutive elements. A vertex carries its column x and
// K + 1 interpolated values: a[0] is the element position in 24.8, a[1..K] are the
// filler's own values already in their edge format (8.8 colours and texture
// coordinates, plain depths). Every value is stepped with 16.16 reciprocals from `div`
// and 32-bit wrap-around arithmetic.
//
// The per-element work is the Plot functor, called as plot(i, values) with the linear
// buffer index and the K stepped values; it is inlined into each filler. It is passed
// by value and captures by value, so that its pointers and colours stay in registers
// rather than being reloaded after every store (a byte store may alias anything).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "engine3d/engine3d.h"
#include "engine3d/render3d.h"
#include "platform/gp32_functions.h"
#include "platform/numeric.h"
#include "precalc/precalcs.h"

namespace zudezed::raster {

// The reciprocal table covers differences -2048..2047; a triangle, span or line that
// needs a larger one is skipped.
constexpr int64_t kDivMin = -2048;
constexpr int64_t kDivMax = 2047;

constexpr bool InDivRange(int64_t d) { return d >= kDivMin && d <= kDivMax; }

inline int32_t Recip(int32_t d) { return div[d + 2048]; }

// 32-bit product with a 16.16 reciprocal, arithmetic shift back.
inline int32_t Slope(int32_t delta, int32_t recip) { return wmul(delta, recip) >> 16; }

// 32-bit wrapping difference a - b.
constexpr int32_t Sub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

template <int K>
struct Vertex {
  int32_t x;
  std::array<int32_t, K + 1> a;  // a[0]: element << 8
};

template <int K>
struct Edge {
  std::array<int32_t, K + 1> acc;
  std::array<int32_t, K + 1> step;

  void Start(const Vertex<K>& p) {
    acc = p.a;
  }
  void SetSlopes(const Vertex<K>& p, const Vertex<K>& q) {
    const int32_t r = Recip(q.x - p.x);
    for (int k = 0; k <= K; ++k) step[k] = Slope(Sub(q.a[k], p.a[k]), r);
  }
  void Advance() {
    for (int k = 0; k <= K; ++k) acc[k] = wadd(acc[k], step[k]);
  }
};

// Fills column x between two edges into buffer column x + 1: elements start .. end - 1,
// the end element never written. The values advance before every element, skipped
// ones included; an index outside the buffer (as an unsigned number) is skipped.
template <int K, class Plot>
inline void Span(int32_t x, const Edge<K>& e1, const Edge<K>& e2, Plot plot) {
  const int32_t t1 = e1.acc[0] >> 8;
  const int32_t t2 = e2.acc[0] >> 8;
  if (t1 == t2) return;
  const Edge<K>& s = t1 < t2 ? e1 : e2;
  const Edge<K>& f = t1 < t2 ? e2 : e1;
  const int32_t start = s.acc[0] >> 8;
  const int64_t len = int64_t{f.acc[0] >> 8} - start;
  if (!InDivRange(len)) return;  // only a wrapped edge slope gets here
  const int32_t r = Recip(static_cast<int32_t>(len));
  std::array<int32_t, K> v;
  std::array<int32_t, K> dv;
  for (int k = 0; k < K; ++k) {
    v[k] = s.acc[k + 1];
    dv[k] = Slope(Sub(f.acc[k + 1], s.acc[k + 1]), r);
  }
  const uint32_t i0 = static_cast<uint32_t>(wadd(wmul(wadd(x, 1), kScreenHeight), start));
  // The elements whose index lies in the buffer, n0 <= n < n1: one run, since the
  // index wraps round at most once within a span. Finding it first leaves the
  // element loop without a per-element test (and lets the compiler widen plain
  // fills).
  const auto n_total = static_cast<uint32_t>(len);
  constexpr auto kElements = static_cast<uint32_t>(kBufferElements);
  uint32_t n0 = 0, n1 = 0;
  if (i0 < kElements) {
    n1 = std::min(n_total, kElements - i0);
  } else if (uint32_t to_zero = 0u - i0; to_zero < n_total) {
    n0 = to_zero;
    n1 = std::min(n_total, n0 + kElements);
  }
  // The skipped elements still advance the values.
  for (int k = 0; k < K; ++k) v[k] = wadd(v[k], wmul(dv[k], static_cast<int32_t>(n0)));
  for (uint32_t n = n0; n < n1; ++n) {
    for (int k = 0; k < K; ++k) v[k] = wadd(v[k], dv[k]);
    plot(i0 + n, v);
  }
}

// Sorts the vertices by column (strict swaps: equal columns keep the polygon's order),
// then walks the left part L..M and the right part M..R. Column x_R is never filled.
template <int K, class Plot>
void ScanTriangle(std::array<Vertex<K>, 3> v, Plot plot) {
  if (v[0].x > v[1].x) std::swap(v[0], v[1]);
  if (v[0].x > v[2].x) std::swap(v[0], v[2]);
  if (v[1].x > v[2].x) std::swap(v[1], v[2]);
  const Vertex<K>& l = v[0];
  const Vertex<K>& m = v[1];
  const Vertex<K>& r = v[2];

  // Every column and element difference must index the reciprocal table.
  if (!InDivRange(int64_t{r.x} - l.x)) return;
  for (int i = 0; i < 3; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (!InDivRange(int64_t{v[i].a[0] >> 8} - (v[j].a[0] >> 8))) return;
    }
  }

  Edge<K> lm, lr, mr;
  lm.SetSlopes(l, m);
  lr.SetSlopes(l, r);
  mr.SetSlopes(m, r);

  lr.Start(l);
  if (l.x < m.x) {
    lm.Start(l);
    for (int32_t x = l.x; x < m.x; ++x) {
      Span(x, lm, lr, plot);
      lr.Advance();
      if (x + 1 != m.x) lm.Advance();
    }
  }
  for (int k = 0; k <= K; ++k) lr.acc[k] = wadd(l.a[k], wmul(Sub(m.x, l.x), lr.step[k]));

  if (m.x < r.x) {
    mr.Start(m);
    for (int32_t x = m.x; x < r.x; ++x) {
      Span(x, mr, lr, plot);
      if (x + 1 != r.x) {
        mr.Advance();
        lr.Advance();
      }
    }
  }
}

// The vertices of a polygon with their screen column and element.
template <int K>
std::array<Vertex<K>, 3> LoadVertices(const Poly3d& poly) {
  std::array<Vertex<K>, 3> v{};
  const int32_t idx[3] = {poly.p0, poly.p1, poly.p2};
  for (int k = 0; k < 3; ++k) {
    v[k].x = spts[idx[k]].x;
    v[k].a[0] = shl(spts[idx[k]].y, 8);
  }
  return v;
}

inline int32_t Depth(const Poly3d& poly, int k) {
  const int32_t idx[3] = {poly.p0, poly.p1, poly.p2};
  return fpts[idx[k]].z;
}

// Depth test of the z-buffered fillers: the element is taken when the depth is smaller
// than the stored one as unsigned numbers (equal keeps what is there), and the depth is
// stored.
inline bool DepthPasses(uint32_t i, int32_t z) {
  if (static_cast<uint32_t>(z) >= zbuffer[i]) return false;
  zbuffer[i] = static_cast<uint32_t>(z);
  return true;
}

inline int32_t Clamp255(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace zudezed::raster
