// The ball sprite's colour and shade tables.
#include "assets/assets.h"
#include "precalc/precalcs.h"

namespace zudezed {

std::array<uint16_t, 256> ball_p;
std::array<uint8_t, 256> ball_c;

StateList BallInitGlobals() {
  static constexpr StateBlock kList[] = {Held("ball_p", ball_p), Held("ball_c", ball_c)};
  return kList;
}

void BallInit() { BallInit(ball); }

void BallInit(const std::array<uint8_t, 768>& picture) {
  for (int32_t i = 0; i < 256; ++i) {
    // Colour i is the 15-bit word at bytes 2i + 2 (low) and 2i + 3 (high); doubling it
    // moves it into the 16-bit pixel format with the intensity bit clear. Entries 0
    // and 255 have no colour.
    ball_p[i] = i >= 1 && i <= 254
                    ? static_cast<uint16_t>(2 * (picture[2 * i + 2] + 256 * picture[2 * i + 3]))
                    : uint16_t{0};
    const uint8_t shade = picture[512 + i];
    ball_c[i] = shade <= 15 ? shade : uint8_t{15};
  }
}

}  // namespace zudezed
