// The page's program: the demo as on the desktop (Main), or, when the page asks for
// one frame (?frame=MS), the frame on screen at timeline time MS on the simulated
// clock at 60 frames per second, played by the offline driver as zudezed-capture
// --frame plays it.
#include <emscripten.h>

#include <cstdlib>

#include "app/app.h"
#include "app/controls.h"
#include "app/offline.h"
#include "platform/sound.h"
#include "platform/web/web.h"
#include "platform/zudezed.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

constexpr int kFrameFps = 60;

// -1 for the demo, otherwise the timeline time of the one frame the page asks for.
EM_JS(int, zz_web_frame_request, (), {
  return typeof Module.zzFrameMs == 'number' ? Module.zzFrameMs : -1;
});
// The one frame is on the canvas (1), or the demo ended before its time (0).
EM_JS(void, zz_web_frame_done, (int shown, int frames), {
  if (Module.zzFrameDone) Module.zzFrameDone(shown != 0, frames);
});

int RenderOneFrame(int ms) {
  WebUseSimulatedClock();
  const uint32_t base = OfflineStartUp(0);
  const FrameTimes times = FixedRate(kFrameFps);
  const OfflineEnd end = PlayFrames(base, times, [](const OfflineFrame&) { return true; }, ms);
  SoundEnd();
  // The frame on screen at ms was drawn unless the demo ended before it: then the next
  // frame of the schedule would still lie at or before ms.
  zz_web_frame_done(times(end.frames, end.last_t) > ms, static_cast<int>(end.frames));
  return 0;
}

}  // namespace
}  // namespace zudezed

// The part being played, for the page's per-part frame costs and its control bar.
extern "C" EMSCRIPTEN_KEEPALIVE int zz_web_part() { return zudezed::part; }

// A part's name, for the page's control bar ("" for no part).
extern "C" EMSCRIPTEN_KEEPALIVE const char* zz_web_part_name(int p) {
  return p >= 0 && p < zudezed::kParts ? zudezed::kPartTable[p].name : "";
}

// The timeline time the clock reads now, which the page's music follows
// (library_sound.js); -1 while the clock stands still.
extern "C" EMSCRIPTEN_KEEPALIVE int zz_web_timeline_ms() {
  return zudezed::paused != 0 ? -1 : zudezed::Ticks() - zudezed::timeline_origin;
}

int main() {
  // The canvas is the 320 x 240 screen; the page scales it.
  setenv("ZUDEZED_SCALE", "1", 1);
  const int ms = zudezed::zz_web_frame_request();
  if (ms >= 0) return zudezed::RenderOneFrame(ms);
  static const char* const kArgs[] = {"zudezed", nullptr};
  return zudezed::Main(1, kArgs);
}
