// The offline frame driver: the program's own start-up and frame step on the
// simulated clock, at the times of a schedule.
#include "app/offline.h"

#include <cstdlib>
#include <string>
#include <utility>

#include "app/app.h"
#include "platform/clock_sim.h"
#include "platform/gp32_functions.h"
#include "platform/zudezed.h"
#include "timeline/script.h"

namespace zudezed {

FrameTimes FixedRate(int64_t rate) {
  return [rate](int64_t n, int64_t) { return FrameTimeMs(n, rate); };
}

FrameTimes TimeList(std::vector<int64_t> times) {
  return [times = std::move(times)](int64_t n, int64_t) {
    return n < static_cast<int64_t>(times.size()) ? times[static_cast<size_t>(n)] : -1;
  };
}

FrameTimes Jittered(std::mt19937 rng, int64_t min_ms, int64_t max_ms) {
  return [rng, step = std::uniform_int_distribution<int64_t>(min_ms, max_ms)](
             int64_t n, int64_t previous) mutable {
    return n == 0 ? 0 : previous + step(rng);
  };
}

void UseHeadlessDrivers(const char* audio_driver, int scale) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", audio_driver, 1);
  if (scale > 0) setenv("ZUDEZED_SCALE", std::to_string(scale).c_str(), 1);
}

uint32_t OfflineStartUp(uint32_t start_ms) {
  SimClockSet(start_ms);
  StartUp();
  return SimClockNow();
}

OfflineEnd PlayFrames(uint32_t base, const FrameTimes& times,
                      const std::function<bool(const OfflineFrame&)>& after_frame, int64_t limit_ms,
                      const std::function<void(const OfflineFrame&)>& before_frame) {
  OfflineEnd end;
  int64_t previous = 0;
  for (int64_t n = 0; quit == 0; ++n) {
    const int64_t t = times(n, previous);
    if (t < 0 || t > limit_ms) break;
    SimClockSet(base + static_cast<uint32_t>(t));
    OfflineFrame frame;
    frame.n = n;
    frame.t = t;
    frame.part = part;
    frame.flip = flip;
    if (before_frame) before_frame(frame);
    FrameStep();
    frame.buffer = GP32Surface[frame.flip].buffer;
    end.frames = n + 1;
    end.last_t = t;
    previous = t;
    if (!after_frame(frame)) break;
  }
  return end;
}

}  // namespace zudezed
