// The soft round sprite of the blob stars.
#include "platform/numeric.h"
#include "precalc/precalcs.h"

namespace zudezed {

std::array<uint8_t, 32 * 32> blob;

StateList BlobInitGlobals() {
  static constexpr StateBlock kList[] = {Held("blob", blob)};
  return kList;
}

void BlobInit() {
  // Intensity 524288 / d^2 for the squared distance d from pixel (16, 16), in single
  // precision, capped at 255: full out to d = 45, 128 at 8 pixels, 2 in the corner.
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 0; x < 32; ++x) {
      const float d = static_cast<float>((y - 16) * (y - 16) + (x - 16) * (x - 16));
      uint8_t v = 255;
      if (d != 0.0f) {
        const int32_t q = trunc_i32(524288.0f / (d * d));
        v = q >= 255 ? uint8_t{255} : static_cast<uint8_t>(q);
      }
      blob[y * 32 + x] = v;
    }
  }
}

}  // namespace zudezed
