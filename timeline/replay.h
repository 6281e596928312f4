// Jumps along the timeline. A jump lands on the state that a run at 60 frames per
// second has just before the first frame of a part: the timeline is replayed from its
// start on a clock of its own (frame n at floor(n * 1000 / 60) ms), drawing every frame
// but presenting none, and the state at each part's first frame is kept as a
// checkpoint, so a part once reached is restored without replaying again.
//
// The state is every global of the demo that the timeline, the effects and the 3D
// engine read or write (tables included), and the two screen buffers' pixels; not the
// platform's screen, input, music and frame-counter state (each listed beside its
// definition as left alone, platform/state_list.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/state_list.h"

namespace zudezed {

inline constexpr int kReplayFps = 60;

// Where a part starts in a 60 fps run: the prticks of its first frame, the part's
// start on the timeline (ticks after the start of part 0) and the number of its first
// frame.
struct PartStart {
  int32_t first_prticks = 0;
  int32_t start = 0;
  int64_t frame = 0;
};

// Keeps the state StartUp leaves (the timeline's start) as the first checkpoint. Any
// earlier checkpoints are dropped.
void ReplayRecordStart();

// Puts the demo into the state just before the first frame of part n (0..8 except the
// terminal part) of a 60 fps run, replaying from the latest checkpoint before it when
// n has none yet. The globals listed as left alone are left as they are; `quit` stays 0.
// False, with nothing changed, for the terminal part, a number outside 0..8, or before
// ReplayRecordStart.
bool ReplayToPart(int32_t n);

// Where part n starts in a 60 fps run; valid once ReplayToPart(n) has succeeded.
PartStart ReplayPartStart(int32_t n);
bool ReplayHasCheckpoint(int32_t n);

// A checkpoint's bytes (all of equal size), to hand checkpoints made elsewhere (by a
// replay in another process of the same program) to this one. An adopted checkpoint
// points the 3D objects at this process's own arrays, wherever its allocations put
// them; the other addresses it holds (of the program's globals) need the program at
// the same address in both processes.
size_t ReplayCheckpointSize();
const std::vector<uint8_t>& ReplayCheckpointBytes(int32_t n);
void ReplayAdoptCheckpoint(int32_t n, const PartStart& start, const uint8_t* bytes);

// The names of the globals a checkpoint holds (held), or of those it leaves alone, of
// the sources whose lists the replay reads: the screen state, the precalculation, the
// effects, the 3D engine and the timeline. The program's own globals and the rest of
// the platform's are all left alone (ProgramGlobalNames, app/app.h).
std::vector<std::string> ReplayStateNames(bool held);

// The globals replay.cpp defines.
StateList ReplayGlobals();

}  // namespace zudezed
