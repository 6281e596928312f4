// The star field of the blob stars.
#include <cstdlib>

#include "precalc/precalcs.h"

namespace zudezed {

std::array<float, kStars> star3dx, star3dy, star3dz, star3dv;
int32_t scsize = 4096;
int32_t starfar = 4096;

StateList StarsInitGlobals() {
  static constexpr StateBlock kList[] = {Held("star3dx", star3dx), Held("star3dy", star3dy),
      Held("star3dz", star3dz), Held("star3dv", star3dv), Held("scsize", scsize),
      Held("starfar", starfar)};
  return kList;
}

void Stars3dInit() {
  // The C library's generator, never seeded, so the field is the same on every run;
  // four draws per star in this order, which the blob-star effect continues.
  for (int32_t s = 0; s < kStars; ++s) {
    star3dx[s] = static_cast<float>(std::rand() % scsize - scsize / 2);
    star3dy[s] = static_cast<float>(std::rand() % scsize - scsize / 2);
    star3dz[s] = static_cast<float>(std::rand() % scsize - scsize / 2);
    // 64.0 .. 319.99609375 in steps of 1/256.
    star3dv[s] = static_cast<float>(
        static_cast<double>(static_cast<float>(std::rand() % 65536)) * 0.00390625 + 64.0);
  }
}

}  // namespace zudezed
