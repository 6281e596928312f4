// zudezed-musicrender: plays the music module through SDL_mixer, exactly as the demo
// opens and plays it (22050 Hz, signed 16-bit, mono), and writes what the mixer makes
// to a WAV file, as fast as the mixer can make it. The browser build plays this
// recording, compressed (tools/web/build.sh), since browsers cannot play the module.
//
//   zudezed-musicrender MODULE OUT.wav
//
// SDL's disk audio driver, with no delay, drives the mixer; its own output (SDL's
// device format) is discarded, and the mixer's samples are taken from its post-mix hook.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr Uint16 kFormat = AUDIO_S16LSB;
constexpr int kChannels = 1;
constexpr int kChunk = 512;

std::vector<uint8_t> samples;
SDL_mutex* lock = nullptr;

void Keep(void* /*udata*/, Uint8* stream, int len) {
  SDL_LockMutex(lock);
  // Only while the music plays: the mixer keeps calling with silence afterwards.
  if (Mix_PlayingMusic()) samples.insert(samples.end(), stream, stream + len);
  SDL_UnlockMutex(lock);
}

void Put32(FILE* f, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  std::fwrite(b, 1, 4, f);
}
void Put16(FILE* f, uint32_t v) {
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  std::fwrite(b, 1, 2, f);
}

bool WriteWav(const char* path, const std::vector<uint8_t>& pcm) {
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return false;
  const auto bytes = static_cast<uint32_t>(pcm.size());
  std::fwrite("RIFF", 1, 4, f);
  Put32(f, 36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  Put32(f, 16);
  Put16(f, 1);  // PCM
  Put16(f, kChannels);
  Put32(f, kRate);
  Put32(f, kRate * kChannels * 2);
  Put16(f, kChannels * 2);
  Put16(f, 16);
  std::fwrite("data", 1, 4, f);
  Put32(f, bytes);
  std::fwrite(pcm.data(), 1, pcm.size(), f);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zudezed-musicrender MODULE OUT.wav\n");
    return 2;
  }
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  if (SDL_Init(SDL_INIT_AUDIO) < 0 || Mix_OpenAudio(kRate, kFormat, kChannels, kChunk) < 0) {
    std::fprintf(stderr, "zudezed-musicrender: %s\n", SDL_GetError());
    return 1;
  }
  int rate = 0, channels = 0;
  Uint16 format = 0;
  Mix_QuerySpec(&rate, &format, &channels);
  if (rate != kRate || format != kFormat || channels != kChannels) {
    std::fprintf(stderr, "zudezed-musicrender: the mixer runs at %d Hz, format %#x, %d channels\n",
                 rate, format, channels);
    return 1;
  }
  Mix_Music* music = Mix_LoadMUS(argv[1]);
  if (music == nullptr) {
    std::fprintf(stderr, "zudezed-musicrender: %s\n", SDL_GetError());
    return 1;
  }
  lock = SDL_CreateMutex();
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  Mix_SetPostMix(Keep, nullptr);
  Mix_PlayMusic(music, 0);
  while (Mix_PlayingMusic()) SDL_Delay(5);
  Mix_SetPostMix(nullptr, nullptr);
  Mix_FreeMusic(music);
  Mix_CloseAudio();
  SDL_Quit();
  if (samples.empty() || !WriteWav(argv[2], samples)) {
    std::fprintf(stderr, "zudezed-musicrender: nothing written to %s\n", argv[2]);
    return 1;
  }
  std::printf("%s: %.3f s at %d Hz\n", argv[2], samples.size() / 2.0 / kRate, kRate);
  return 0;
}
