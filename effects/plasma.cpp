// The plasma family: three sine tables summed per pixel and shown through a shade row.
// v(x, e) = (fsin8[k + x + e] + fsin6[e] + fsin4[x]) & 0xFF, where k is the scroll
// phase, one table step every 16 ticks, repeating every 438 steps.
#include <cstdint>

#include "effects/effects.h"
#include "platform/numeric.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {

namespace {

constexpr int32_t kPlasmaPeriod = 438;
// The fade-out of part 6 continues the motion of part 5, which ends at this tick.
constexpr int32_t kPlasmaFade2Offset = 53248;

// The scroll phase for a tick count: (ticks >> 4) mod 438. A negative tick count
// (a clock that went backwards) still gives a phase inside the table.
int32_t PlasmaPhase(int32_t ticks) {
  int32_t k = (ticks >> 4) % kPlasmaPeriod;
  if (k < 0) k += kPlasmaPeriod;
  return k;
}

}  // namespace

void Plasma(uint16_t* buffer, const uint16_t* palette) {
  const int32_t k = PlasmaPhase(prticks);
  const int32_t* s6 = fsin6.data();
  for (int x = 0; x < kScreenWidth; ++x) {
    const int32_t* s8 = fsin8.data() + k + x;
    const int32_t f4 = fsin4[x];
    uint16_t* col = buffer + x * kScreenHeight;
    // Straight 16-bit stores in memory order: the compiler merges neighbouring
    // elements into wide stores without any aliasing of the pixel type.
    for (int e = 0; e < kScreenHeight; ++e) col[e] = palette[(s8[e] + s6[e] + f4) & 0xFF];
  }
}

void PlasmaFade(uint16_t* buffer, const uint16_t* palette, uint32_t limit) {
  const int32_t k = PlasmaPhase(prticks);
  const uint16_t background = shades[4096];
  for (int x = 0; x < kScreenWidth; ++x) {
    const int32_t* s8 = fsin8.data() + k + x;
    const int32_t f4 = fsin4[x];
    uint16_t* col = buffer + x * kScreenHeight;
    for (int e = 0; e < kScreenHeight; ++e) {
      const uint32_t v = static_cast<uint32_t>(s8[e] + fsin6[e] + f4) & 0xFF;
      col[e] = v < limit ? palette[v] : background;
    }
  }
}

void PlasmaFade2(uint16_t* buffer, const uint16_t* palette, uint32_t limit) {
  const int32_t k = PlasmaPhase(wadd(prticks, kPlasmaFade2Offset));
  for (int x = 0; x < kScreenWidth; ++x) {
    const int32_t* s8 = fsin8.data() + k + x;
    const int32_t f4 = fsin4[x];
    uint16_t* col = buffer + x * kScreenHeight;
    for (int e = 0; e < kScreenHeight; ++e) {
      const uint32_t v = static_cast<uint32_t>(s8[e] + fsin6[e] + f4) & 0xFF;
      if (v < limit) col[e] = palette[v];
    }
  }
}

}  // namespace zudezed
