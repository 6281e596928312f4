// zudezed-musicrender: plays the music module through SDL_mixer, exactly as the demo
// opens and plays it (22050 Hz, signed 16-bit, mono), and writes what the mixer makes
// to a WAV file, as fast as the mixer can make it. The browser build plays this
// recording, compressed (tools/web/build.sh), since browsers cannot play the module.
//
//   zudezed-musicrender MODULE OUT.wav
//
// The render is the soundtrack report's (tools/modgen/modreport.h): SDL's disk audio
// driver without its delay drives the mixer, whose samples are taken from its post-mix
// hook up to the buffer in which the music ends.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/music_cue.h"
#include "tools/modgen/modreport.h"

namespace {

constexpr int kChannels = 1;

void Put32(FILE* f, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  std::fwrite(b, 1, 4, f);
}
void Put16(FILE* f, uint32_t v) {
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  std::fwrite(b, 1, 2, f);
}

// 16-bit little-endian PCM, as the mixer makes it on this machine.
bool WriteWav(const char* path, const zudezed::MixerRender& render) {
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return false;
  const auto bytes = static_cast<uint32_t>(render.samples.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  Put32(f, 36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  Put32(f, 16);
  Put16(f, 1);  // PCM
  Put16(f, render.channels);
  Put32(f, render.rate);
  Put32(f, render.rate * render.channels * 2);
  Put16(f, render.channels * 2);
  Put16(f, 16);
  std::fwrite("data", 1, 4, f);
  Put32(f, bytes);
  std::fwrite(render.samples.data(), 2, render.samples.size(), f);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zudezed-musicrender MODULE OUT.wav\n");
    return 2;
  }
  zudezed::MixerRender render;
  std::string error;
  if (!zudezed::RenderThroughMixer(argv[1], zudezed::kMusicRate, kChannels, &render, &error)) {
    std::fprintf(stderr, "zudezed-musicrender: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  if (render.samples.empty() || !WriteWav(argv[2], render)) {
    std::fprintf(stderr, "zudezed-musicrender: nothing written to %s\n", argv[2]);
    return 1;
  }
  std::printf("%s: %.3f s at %d Hz\n", argv[2], static_cast<double>(render.frames_played) / render.rate,
              render.rate);
  return 0;
}
