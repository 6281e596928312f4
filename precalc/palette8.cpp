// The grey palette object of the 8-bit mode. Kept apart from the shade tables because
// it needs the display layer's palette call.
#include "precalc/precalcs.h"

namespace zudezed {

GpPalette* blurpal = nullptr;

StateList Palette8Globals() {
  static constexpr StateBlock kList[] = {Apart("blurpal", blurpal)};
  return kList;
}

void Set8bitPals() {
  // 32 grey levels, eight entries per level; entry 0 is black like entries 1..7.
  std::array<uint16_t, 256> colours{};
  for (int32_t i = 1; i < 256; ++i) {
    const int32_t level = i >> 3;
    colours[i] = static_cast<uint16_t>(level << 11 | level << 6 | level << 1);
  }
  blurpal = GpPaletteCreate(256, colours.data());
}

}  // namespace zudezed
