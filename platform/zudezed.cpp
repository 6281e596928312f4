// The screen state that the timeline draws into, the display-mode selection and the
// tick count.
#include "platform/zudezed.h"

#include "platform/gp32_functions.h"
#include "platform/numeric.h"

namespace zudezed {

int32_t flip = 0;
std::array<uint16_t*, 2> framebuffer{};
int32_t clockspeed = 66;
int32_t ticks_hold = 0;
int32_t ticks_held = 0;

StateList ScreenGlobals() {
  // The buffers' pixels, not their places, are part of a checkpoint (timeline/replay.cpp).
  static constexpr StateBlock kList[] = {Held("flip", flip), Apart("framebuffer", framebuffer),
      Apart("clockspeed", clockspeed), Apart("ticks_hold", ticks_hold),
      Apart("ticks_held", ticks_held)};
  return kList;
}

void InitGraphics(int32_t depth) {
  GpGraphicModeSet(depth, 0);
  GpLcdSurfaceGet(&GP32Surface[0], 0);
  GpLcdSurfaceGet(&GP32Surface[1], 1);
  framebuffer[0] = GP32Surface[0].buffer;
  framebuffer[1] = GP32Surface[1].buffer;
}

int32_t Ticks() {
  if (ticks_hold != 0) return ticks_held;
  return trunc_i32(GpTickCountGet() * (66.0 / clockspeed));
}

}  // namespace zudezed
