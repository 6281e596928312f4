// Picture effects: the unfolding of the group picture, the closing curtain, the zoom
// of the caption picture and the wobbling, masked title logo.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "assets/assets.h"
#include "effects/effects.h"
#include "platform/numeric.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {

namespace {

constexpr size_t kColumnBytes = kScreenHeight * sizeof(uint16_t);

// Stores a pixel of a windowed draw only when it lies on the screen, so that a window
// placed partly off the screen is clipped instead of spilling into the neighbouring
// column or past the buffer.
inline void PutClipped(uint16_t* buffer, int32_t x, int32_t e, uint16_t p) {
  if (x >= 0 && x < kScreenWidth && e >= 0 && e < kScreenHeight) buffer[x * kScreenHeight + e] = p;
}

}  // namespace

void OpenQUIB(uint16_t* buffer, int32_t s) {
  // Shifts of 32 or more act like 31 (every column shows picture column 0); a
  // negative shift shows the picture 1:1.
  const int32_t shift = std::clamp(s, 0, 31);
  for (int32_t x = 0; x < kScreenWidth; ++x)
    std::memcpy(buffer + x * kScreenHeight, quib0.data() + (x >> shift) * kScreenHeight,
                kColumnBytes);
}

void Close(uint16_t* buffer, int32_t n) {
  // The left side clears n columns, the right side n + 1 (columns 319 - n .. 319).
  if (n > 0) std::memset(buffer, 0, static_cast<size_t>(std::min(n, kScreenWidth)) * kColumnBytes);
  if (n >= 0) {
    const int32_t first = std::max(kScreenWidth - 1 - n, 0);
    std::memset(buffer + first * kScreenHeight, 0,
                static_cast<size_t>(kScreenWidth - first) * kColumnBytes);
  }
}

void LogoZoom(uint16_t* buffer, int32_t x0, int32_t e0, float s) {
  // Window column i shows picture column 64 + (i - 64) / s, window element j picture
  // element 16 + (j - 16) / s, both as 16.16 accumulators. At scale 0 the conversions
  // of the infinities saturate and the wrapping sums stay on the transparent border.
  const float c = 1.0f - 1.0f / s;
  int32_t u = trunc_i32(c * 64.0f * 65536.0f);
  const int32_t d = trunc_i32(65536.0f / s);
  const int32_t w0 = trunc_i32(c * 16.0f * 65536.0f);
  for (int32_t i = 0; i < 128; ++i) {
    const int32_t pc = std::clamp(u >> 16, 0, 127);
    const uint16_t* src = presents.data() + pc * 32;
    int32_t w = w0;
    for (int32_t j = 0; j < 32; ++j) {
      const uint16_t p = src[std::clamp(w >> 16, 0, 31)];
      if (p != 0) PutClipped(buffer, x0 + i, e0 + j, p);
      w = wadd(w, d);
    }
    u = wadd(u, d);
  }
}

void LogoDistort(uint16_t* buffer, int32_t x0, int32_t e0) {
  // Phases advance every 16 ticks and repeat every 75 and 100 steps.
  const int32_t t = prticks >> 4;
  int32_t a = t % 75, b = t % 100;
  if (a < 0) a += 75;
  if (b < 0) b += 100;
  for (int32_t i = 0; i < 192; ++i) {
    if (xscan[i] == 0) continue;
    const int32_t row_shift = dsin2[b + 64 + i];
    for (int32_t j = -4; j < 88; ++j) {
      if (yscan[j + 4] == 0) continue;
      const int32_t from_x = dclampx[i + 32 + dsin1[a + 64 + j]];
      const int32_t from_e = dclampy[j + 22 + row_shift];
      const uint16_t p = tavrimel[from_x * 84 + from_e];
      if (p != 0) PutClipped(buffer, x0 + i, e0 + j, p);
    }
  }
}

}  // namespace zudezed
