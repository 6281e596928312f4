// The screen state that the timeline draws into and the clock it reads (the two
// buffers, the one being drawn, the display-mode selection and the tick count), and
// the hand-over to the menu program that ends every run.
#pragma once

#include <array>
#include <cstdint>

#include "platform/state_list.h"

namespace zudezed {

extern int32_t flip;  // buffer (0 or 1) drawn and presented in the current frame
extern std::array<uint16_t*, 2> framebuffer;  // buffers of GP32Surface[0] and [1]
extern int32_t clockspeed;                    // time-scale divisor, 66
// While ticks_hold is 1, Ticks() returns ticks_held instead of reading the clock: a
// replay of the timeline runs on a clock of its own, and the first frame after a jump
// reads one fixed time throughout.
extern int32_t ticks_hold;
extern int32_t ticks_held;

// The menu program that a finished run hands over to on the handheld.
inline constexpr const char* kMenuDir = "/usr/gp2x";
inline constexpr const char* kMenuProgram = "/usr/gp2x/gp2xmenu";

// The time of frame n of a run at `rate` frames per second: floor(n * 1000 / rate) ms,
// the schedule of the offline runs, the captures and the jumps' replay.
constexpr int64_t FrameTimeMs(int64_t n, int64_t rate) { return n * 1000 / rate; }

void InitGraphics(int32_t depth);
int32_t Ticks();
// Replaces the process with the menu program; returns where there is none.
void exit2menu();

// The globals zudezed.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList ScreenGlobals();

}  // namespace zudezed
