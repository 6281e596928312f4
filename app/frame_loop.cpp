// The frame loop's state and work: one timeline step, the event poll and the
// frames-per-second counter.
#include <SDL.h>

#include <cstdio>

#include "app/app.h"
#include "app/controls.h"
#include "platform/gp32_functions.h"
#include "platform/zudezed.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {

int32_t vsync = 0;
int32_t fps_show = 0;
int32_t nfrm = 0;
int32_t fps = 0;
int32_t mo = 0;
int32_t atime = 0;
std::array<char, 64> sbuffer{};
SDL_Event event;

StateList FrameLoopGlobals() {
  static constexpr StateBlock kList[] = {Apart("vsync", vsync), Apart("fps_show", fps_show),
      Apart("nfrm", nfrm), Apart("fps", fps), Apart("mo", mo), Apart("atime", atime),
      Apart("sbuffer", sbuffer), Apart("event", event)};
  return kList;
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
