// The water clamp, built with one progress update per entry (the fifth visible step
// of the precalculation).
#include "precalc/precalcs.h"

namespace zudezed {

void WaterInit() {
  for (int32_t k = 0; k < 512; ++k) {
    UberclampEntry(k);
    precbar_item("SLOW THE EGGS.", k, 512);
  }
}

}  // namespace zudezed
