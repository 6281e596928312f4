// The frame loop's state and work: one timeline step, the event poll, the
// frames-per-second counter, and the display-mode selection.
#include "platform/zudezed.h"

#include <SDL.h>

#include <cstdio>

#include "platform/controls.h"
#include "platform/gp32_functions.h"
#include "platform/numeric.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {

int32_t quit = 0;
int32_t flip = 0;
int32_t vsync = 0;
int32_t fps_show = 0;
int32_t nfrm = 0;
int32_t fps = 0;
int32_t mo = 0;
int32_t atime = 0;
std::array<char, 64> sbuffer{};
SDL_Event event;
std::array<uint16_t*, 2> framebuffer{};
int32_t clockspeed = 66;
int32_t ticks_hold = 0;
int32_t ticks_held = 0;

void InitGraphics(int32_t depth) {
  GpGraphicModeSet(depth, 0);
  GpLcdSurfaceGet(&GP32Surface[0], 0);
  GpLcdSurfaceGet(&GP32Surface[1], 1);
  framebuffer[0] = GP32Surface[0].buffer;
  framebuffer[1] = GP32Surface[1].buffer;
}

void checkmode() {
  if (chpart == 0) return;
  chpart = 0;
  framebuffer[0] = GP32Surface[0].buffer;
  framebuffer[1] = GP32Surface[1].buffer;
  InitGraphics(bpp[part]);
}

int32_t Ticks() {
  if (ticks_hold != 0) return ticks_held;
  return trunc_i32(GpTickCountGet() * (66.0 / clockspeed));
}

void Run() {
  Script();
  ControlsAfterScript();
  CheckJoy();
  CountFps(fps_show);
  DrawOverlay(&GP32Surface[flip]);
  nfrm += 1;
}

void FrameStep() {
  if (ControlsBeforeFrame()) {
    // Paused, or the picture waits for the music: the held frame is shown again.
    HeldFrameStep();
    return;
  }
  Run();
  GpSurfaceFlip(&GP32Surface[flip], vsync);
  flip = (flip + 1) & 1;
}

void CountFps(int32_t show) { CountFpsOn(show, &GP32Surface[flip]); }

void CountFpsOn(int32_t show, GpSurfaceDesc* surface) {
  if (Ticks() - atime >= 1000) {
    atime = Ticks();
    mo = nfrm - fps;
    fps = nfrm;
  }
  if (show != 1) return;
  if (part < 0 || part >= kParts) return;
  const int32_t depth = bpp[part];
  if (depth != 8 && depth != 16) return;
  std::snprintf(sbuffer.data(), sbuffer.size(), "FPS = %d", mo);
  DrawText(8, 16, 16, sbuffer.data(), depth, surface);
}

}  // namespace zudezed
