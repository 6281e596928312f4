// The step clock shared by the water drops and the blob-star movement (the two effects
// never run in the same part).
#include "effects/effects.h"

namespace zudezed {

int32_t wtime = 0;

StateList WtimeGlobals() {
  static constexpr StateBlock kList[] = {Held("wtime", wtime)};
  return kList;
}

}  // namespace zudezed
