// The large font in the frame buffers' order.
#include "assets/assets.h"
#include "precalc/precalcs.h"

namespace zudezed {

std::array<uint8_t, 128 * 256> fnt16;

StateList FontInitGlobals() {
  static constexpr StateBlock kList[] = {Held("fnt16", fnt16)};
  return kList;
}

void FontInit() {
  // Each block becomes 16 runs of 16 bytes, one per glyph column from left to right,
  // each listing that column's pixels from the bottom row up. Only the stored blocks
  // have data; the rest of the room stays transparent.
  constexpr int32_t kStoredBlocks = static_cast<int32_t>(fonts16.size() / 256);  // 87
  for (int32_t g = 0; g < 128; ++g) {
    for (int32_t x = 0; x < 16; ++x) {
      for (int32_t k = 0; k < 16; ++k) {
        fnt16[g * 256 + x * 16 + k] =
            g < kStoredBlocks ? fonts16[g * 256 + (15 - k) * 16 + x] : uint8_t{0};
      }
    }
  }
}

}  // namespace zudezed
