// Music playback: one MOD module through SDL_mixer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/state_list.h"

struct _Mix_Music;

namespace zudezed {

inline constexpr const char* kMusicFile = "sorvaline.mod";

extern _Mix_Music* music;  // null if loading failed

// The module's path: the working directory first, then beside the program, so a run
// from another directory still has its music; empty when neither has it.
std::string FindMusicModule();

void SoundInit();
void SoundEnd();
void SoundVolume(int32_t volume);

// The globals sound.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList SoundGlobals();

}  // namespace zudezed
