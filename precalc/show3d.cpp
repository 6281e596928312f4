// The fourth visible step of the precalculation: the 3D object catalogue and the ball
// tables, then a run of progress updates that paces the progress screen.
#include "engine3d/generate3d.h"
#include "precalc/precalcs.h"

namespace zudezed {

void Show3dInit() {
  Init3d();
  BallInit();
  for (int32_t i = 0; i < 4096; ++i) precbar_item("TRICKY TEST..", i, 4096);
  precbar_next();
}

}  // namespace zudezed
