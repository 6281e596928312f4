// The program: start-up, the frame loop, input, the frames-per-second counter and the
// end of a run.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/state_list.h"

union SDL_Event;

namespace zudezed {
struct GpSurfaceDesc;
}

namespace zudezed {

extern int32_t vsync;     // passed to GpSurfaceFlip; 0
extern int32_t fps_show;  // 1 while the frames-per-second text is shown
extern int32_t nfrm;      // frames completed since start
extern int32_t fps;       // nfrm at the last counter update
extern int32_t mo;        // frames in the last window of at least 1000 ticks
extern int32_t atime;     // tick count of the last counter update
extern std::array<char, 64> sbuffer;  // the FPS text
extern SDL_Event event;               // reused for every poll

void Run();
// One pass of the frame loop: Run, present framebuffer[flip], switch buffers.
void FrameStep();
void CountFps(int32_t show);
// CountFps drawing its text into the given surface's buffer.
void CountFpsOn(int32_t show, GpSurfaceDesc* surface);
void CheckJoy();

// The whole program: the command line, StartUp, FrameStep until quit is set,
// ShutDown. Returns the process exit status when the menu program cannot be started,
// and 2 for a bad command line.
int Main(int argc, const char* const* argv);
// Start-up up to the first frame: SDL and the 16-bit mode, the precalculation screen
// and tables, cleared buffers, the music, partime = Ticks(), and the timeline's start
// kept for jumps.
void StartUp();
// The end of a run: stops the music and hands over to the menu program; returns the
// exit status where there is none to hand over to.
int ShutDown();

// Handles one polled event the way the frame loop does (joystick buttons 2 and 6,
// and on a desktop the keyboard and the window's close button).
void HandleEvent(const SDL_Event& e);

// The globals frame_loop.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList FrameLoopGlobals();

// The globals of the program (app/) and of the platform's display, sound and music
// cues, which the jump checkpoints all leave alone (timeline/replay.h names the rest).
std::vector<StateBlock> ProgramGlobals();

}  // namespace zudezed
