// The demo played offline, for the tools and tests that render it without a real
// clock: the program's own start-up (StartUp) and frame step (FrameStep) on the
// simulated clock, every frame at the time a schedule gives it, with a call before and
// after each frame. Link the simulated clock (platform/clock_sim.cpp) with it.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace zudezed {

// The time of frame n in milliseconds of the timeline (0 is the clock reading at the
// end of the start-up), given the time of frame n - 1 (0 for frame 0). A negative time
// ends the run.
using FrameTimes = std::function<int64_t(int64_t n, int64_t previous)>;

// Frame n at floor(n * 1000 / rate): rate frames per second.
FrameTimes FixedRate(int64_t rate);
// Frame n at times[n]; the run ends after the last.
FrameTimes TimeList(std::vector<int64_t> times);
// Frame 0 at 0, every later frame min_ms..max_ms (uniformly, as 64-bit integers) after
// the one before, drawn from rng in the state it is passed in.
FrameTimes Jittered(std::mt19937 rng, int64_t min_ms, int64_t max_ms);

// One frame of an offline run.
struct OfflineFrame {
  int64_t n = 0;     // frame number, from 0
  int64_t t = 0;     // its time in milliseconds of the timeline
  int32_t part = 0;  // the part current when the frame began: the one that drew it
  int32_t flip = 0;  // the buffer drawn and presented (flip when the frame began)
  // After the frame: the presented buffer. Null before it (the first frame of the
  // timeline replaces both buffers).
  const uint16_t* buffer = nullptr;
};

// No window and no sound card: SDL's dummy video driver, the named audio driver, and
// the window scale when scale is above 0 (otherwise the environment's ZUDEZED_SCALE).
void UseHeadlessDrivers(const char* audio_driver, int scale);

// The program's start-up (StartUp) with the simulated clock at start_ms. Returns the
// clock reading at its end, the time 0 of PlayFrames.
uint32_t OfflineStartUp(uint32_t start_ms);

struct OfflineEnd {
  int64_t frames = 0;  // frames played
  int64_t last_t = 0;  // time of the last of them (0 if none)
};

// Plays frames from the timeline's time 0 at `base` until the demo sets quit, the
// schedule ends, a frame's time is past limit_ms, or after_frame returns false. Each
// frame: the clock is set to base + its time, before_frame (if given) is called, then
// FrameStep, then after_frame with the presented buffer.
OfflineEnd PlayFrames(uint32_t base, const FrameTimes& times,
                      const std::function<bool(const OfflineFrame&)>& after_frame,
                      int64_t limit_ms = std::numeric_limits<int64_t>::max(),
                      const std::function<void(const OfflineFrame&)>& before_frame = nullptr);

}  // namespace zudezed
