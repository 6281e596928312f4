// Music playback: one MOD module through SDL_mixer.
#pragma once

#include <cstdint>

struct _Mix_Music;

namespace zudezed {

inline constexpr const char* kMusicFile = "sorvaline.mod";

extern _Mix_Music* music;  // null if loading failed

void SoundInit();
void SoundEnd();
void SoundVolume(int32_t volume);

}  // namespace zudezed
