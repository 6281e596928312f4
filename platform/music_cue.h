// Positioning the music at a point of the timeline. SDL_mixer positions a MOD module
// by order number only, so the module is read once to learn when each order starts
// as the player plays it (following the speed, tempo, pattern-break, position-jump and
// pattern-delay commands, and the player's whole number of samples per tick); a jump
// then starts the nearest order and tells how far it lies from the wanted time.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/mod_timing.h"
#include "platform/state_list.h"

namespace zudezed {

inline constexpr int kMusicRate = 22050;  // the mixing rate the music is opened with

// The order to start for music at timeline time `ms` (ticks from the start of part 0)
// and the distance from that order's start to `ms`: positive when the order starts
// before `ms` (the picture has to wait for the music), negative when it starts after
// (the music has to wait). order is -1 when no module has been read.
struct MusicCue {
  int order = -1;
  double lead_ms = 0;
};
MusicCue MusicCueAt(int32_t ms, const std::vector<int64_t>& starts, int rate);

// The cue for the demo's own module (read at the first call, from where the demo found
// it).
MusicCue DemoMusicCueAt(int32_t ms);

// The music player: start at an order (restarting the music when it has ended), pause
// and resume. Nothing happens without a loaded module.
void MusicStartAtOrder(int order);
void MusicPause();
void MusicResume();

// The globals music_cue.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList MusicCueGlobals();

}  // namespace zudezed
