// Start-up, the frame loop, input, the frames-per-second counter and exit.
#pragma once

#include <array>
#include <cstdint>

union SDL_Event;

namespace zudezed {
struct GpSurfaceDesc;
}

namespace zudezed {

extern int32_t quit;      // 1 ends the frame loop after the current frame
extern int32_t flip;      // buffer (0 or 1) drawn and presented in the current frame
extern int32_t vsync;     // passed to GpSurfaceFlip; 0
extern int32_t fps_show;  // 1 while the frames-per-second text is shown
extern int32_t nfrm;      // frames completed since start
extern int32_t fps;       // nfrm at the last counter update
extern int32_t mo;        // frames in the last window of at least 1000 ticks
extern int32_t atime;     // tick count of the last counter update
extern std::array<char, 64> sbuffer;  // the FPS text
extern SDL_Event event;               // reused for every poll
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

void InitGraphics(int32_t depth);
void checkmode();
int32_t Ticks();
void Run();
// One pass of the frame loop: Run, present framebuffer[flip], switch buffers.
void FrameStep();
void CountFps(int32_t show);
// CountFps drawing its text into the given surface's buffer.
void CountFpsOn(int32_t show, GpSurfaceDesc* surface);
void CheckJoy();
void exit2menu();

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

}  // namespace zudezed
