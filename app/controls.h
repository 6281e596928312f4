// The desktop controls for watching and working on one part: pause, jumps to the
// start of a part with the music kept in step, and the one-line timeline overlay.
//
// The timeline clock stops while paused: the picture holds its last frame (the
// frame counter and the overlay are still drawn over it), the music pauses, and on
// resume partime moves on by the time spent paused, so the part continues where it
// stopped. A jump takes effect at the start of the next frame: the state of a 60 fps
// run at the part's first frame is restored (timeline/replay.h), that frame is drawn
// with the first frame's part time, and the music starts at the module order nearest
// to that point of the timeline; whichever of picture and music is ahead waits for
// the other.
#pragma once

#include <cstdint>

#include "platform/state_list.h"

namespace zudezed {

struct GpSurfaceDesc;

extern int32_t paused;           // 1 while paused
extern int32_t overlay_show;     // 1 while the overlay line is shown
extern int32_t timeline_origin;  // partime - timeline_origin + prticks: timeline time

// At the end of start-up: the timeline's start, for the overlay and for jumps.
void ControlsStart();

// The keys: Space, Page Down / Right, Page Up / Left, Home, 0..8, H. Returns false
// for a key that is not one of them.
bool ControlKey(int sdl_key);

void TogglePause();
void ToggleOverlay();
// Jumps to the start of part n (0..8; the terminal part 7 is ignored).
void RequestJump(int32_t n);
// Page Down: the next part. Page Up: the start of the current part, or of the
// previous one when less than kJumpBackGrace ticks of the current part have run.
void JumpNext();
void JumpBack();
inline constexpr int32_t kJumpBackGrace = 2000;

// Called by the frame loop. ControlsBeforeFrame makes a pending jump, ends waits,
// and tells whether this frame shows the held picture instead of running the
// timeline (then HeldFrameStep does the frame); ControlsAfterScript runs right after
// Script.
bool ControlsBeforeFrame();
void ControlsAfterScript();
void HeldFrameStep();

// The overlay line, drawn like the frame counter over the finished frame.
void DrawOverlay(GpSurfaceDesc* surface);

// The globals controls.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList ControlsGlobals();

}  // namespace zudezed
