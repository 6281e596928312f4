// Music: the demo's MOD module, played once from the first timeline frame.
#include "platform/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace zudezed {

Mix_Music* music = nullptr;

namespace {

constexpr int kRate = 22050;
constexpr Uint16 kFormat = AUDIO_S16LSB;  // 0x8010
static_assert(kFormat == 0x8010);
constexpr int kChannels = 1;
constexpr int kChunk = 512;

}  // namespace

std::string FindMusicModule() {
  if (access(kMusicFile, R_OK) == 0) return kMusicFile;
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    std::string path(exe, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
      path = path.substr(0, slash + 1) + kMusicFile;
      if (access(path.c_str(), R_OK) == 0) return path;
    }
  }
  return "";
}

void SoundInit() {
  Mix_OpenAudio(kRate, kFormat, kChannels, kChunk);
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  // Without the module anywhere the plain name is loaded, so the loader's own message
  // says what is missing (once).
  const std::string path = FindMusicModule();
  music = Mix_LoadMUS(path.empty() ? kMusicFile : path.c_str());
  if (music == nullptr) {
    std::fputs(SDL_GetError(), stdout);
    std::fflush(stdout);
  }
  Mix_PlayMusic(music, 0);
}

void SoundEnd() {
  Mix_FreeMusic(music);
  music = nullptr;
  Mix_CloseAudio();
}

void SoundVolume(int32_t volume) { Mix_VolumeMusic(volume); }

}  // namespace zudezed
