// Music in a browser: the soundtrack as a compressed recording of the desktop mixer's
// output (tools/musicrender), which the page fetches and leaves in the program's file
// system, played through emscripten's SDL_mixer, which decodes it with the browser's
// Web Audio. SoundInit returns at the moment the music is heard, so the timeline clock
// that starts right after it starts with the sound.
#include <SDL.h>
#include <SDL_mixer.h>
#include <emscripten.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/sound.h"
#include "platform/web/web.h"

namespace zudezed {

Mix_Music* music = nullptr;

namespace {

constexpr int kRate = 22050;
constexpr Uint16 kFormat = AUDIO_S16LSB;
constexpr int kChannels = 1;
constexpr int kChunk = 512;
// How long the browser may take to decode the recording or to start its output
// before the demo goes on without waiting (a browser that refuses to play sound never
// starts it; a file it cannot decode ends the wait at once, and the demo runs silent).
constexpr int kDecodeWaitMs = 10000;
constexpr int kStartWaitMs = 1000;
// How long the browser's audio may take to start after the click (Firefox's about a
// second) before the demo runs silent.
constexpr int kRunWaitMs = 5000;
constexpr int kPollMs = 5;

}  // namespace

std::string FindMusicModule() {
  return access(kWebMusicFile, R_OK) == 0 ? kWebMusicFile : "";
}

namespace {

// Waits while the browser's audio is starting: whether it plays.
bool SoundAllowed() {
  int allowed = 0;
  for (int waited = 0; (allowed = zz_web_sound_allowed(waited >= kRunWaitMs)) < 0; waited += kPollMs) {
    emscripten_sleep(kPollMs);
  }
  return allowed > 0;
}

}  // namespace

void SoundInit() {
  zz_web_adopt_audio_context();
  Mix_OpenAudio(kRate, kFormat, kChannels, kChunk);
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  const std::string path = FindMusicModule();
  if (path.empty()) {
    std::printf("Couldn't open %s", kWebMusicFile);
    std::fflush(stdout);
  } else if (SoundAllowed()) {
    music = zz_web_load_music(path.c_str());
    if (music == nullptr) {
      std::fputs(SDL_GetError(), stdout);
      std::fflush(stdout);
    }
  }
  if (music == nullptr) {
    zz_web_timeline_starts();
    return;
  }
  // The browser decodes in the background; playing before it is done would start the
  // sound late.
  for (int waited = 0; zz_web_music_decoding(music) && waited < kDecodeWaitMs; waited += kPollMs) {
    emscripten_sleep(kPollMs);
  }
  if (zz_web_music_undecodable(music)) {
    std::printf("Couldn't decode %s", kWebMusicFile);
    std::fflush(stdout);
    Mix_FreeMusic(music);
    music = nullptr;
    zz_web_timeline_starts();
    return;
  }
  Mix_PlayMusic(music, 0);
  // The sound reaches the listener after the output's latency: wait until then. A
  // sleep returns late, by about as much as the one before it did (5 to 8 ms on a busy
  // machine, which the timeline would start behind the music): once no more than that
  // is left, starting now is nearer the moment heard than sleeping again.
  double late_ms = 0;
  for (int waited = 0; waited < kStartWaitMs;) {
    const int ms = zz_web_music_until_heard();
    if (ms <= 0 || ms <= late_ms) break;
    const int step = ms < kPollMs ? ms : kPollMs;
    const double before = emscripten_get_now();
    emscripten_sleep(step);
    late_ms = emscripten_get_now() - before - step;
    waited += step;
  }
  zz_web_timeline_starts();
}

void SoundEnd() {
  // The browser's player keeps playing a freed recording: stop it first.
  Mix_HaltMusic();
  Mix_FreeMusic(music);
  music = nullptr;
  Mix_CloseAudio();
}

void SoundVolume(int32_t volume) { Mix_VolumeMusic(volume); }

}  // namespace zudezed
