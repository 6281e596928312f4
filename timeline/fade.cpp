// The one fade rule of the shade rows.
#include "platform/numeric.h"
#include "timeline/script.h"

namespace zudezed {

namespace {

// Component from + (to - from) * t: the difference in integers, the product and the
// sum in single precision, the result truncated toward zero. t is not clamped.
int32_t fade_component(int32_t from, int32_t to, float t) {
  return trunc_i32(static_cast<float>(from) + static_cast<float>(to - from) * t);
}

}  // namespace

void Fade2Shade(const uint16_t* from, const uint16_t* to, float t, uint16_t* dest) {
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t f = from[i];
    const int32_t g = to[i];
    const int32_t r = fade_component((f >> 11) & 31, (g >> 11) & 31, t);
    const int32_t gr = fade_component((f >> 6) & 31, (g >> 6) & 31, t);
    const int32_t b = fade_component((f >> 1) & 31, (g >> 1) & 31, t);
    dest[i] = static_cast<uint16_t>(shl(r, 11) | shl(gr, 6) | shl(b, 1));
  }
}

}  // namespace zudezed
