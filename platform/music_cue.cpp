// Reads the module's order timing and moves SDL_mixer's player.
#include "platform/music_cue.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/sound.h"

namespace zudezed {

namespace {

// The demo module's order starts, read at the first cue.
bool music_order_read = false;
std::vector<int64_t> music_order_starts;

}  // namespace

StateList MusicCueGlobals() {
  static constexpr StateBlock kList[] = {Apart("music_order_read", music_order_read),
      Apart("music_order_starts", music_order_starts)};
  return kList;
}

MusicCue MusicCueAt(int32_t ms, const std::vector<int64_t>& starts, int rate) {
  MusicCue cue;
  double best = 0;
  for (int o = 0; o < static_cast<int>(starts.size()); ++o) {
    if (starts[o] < 0) continue;
    const double lead = ms - starts[o] * 1000.0 / rate;
    if (cue.order < 0 || std::fabs(lead) < std::fabs(best)) {
      cue.order = o;
      best = lead;
    }
  }
  cue.lead_ms = best;
  return cue;
}

MusicCue DemoMusicCueAt(int32_t ms) {
  if (!music_order_read) {
    music_order_read = true;
    const std::string path = FindMusicModule();
    if (!path.empty()) {
      std::ifstream in(path, std::ios::binary);
      const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
      music_order_starts = ModOrderStarts(bytes, kMusicRate);
    }
  }
  return MusicCueAt(ms, music_order_starts, kMusicRate);
}

void MusicStartAtOrder(int order) {
  if (music == nullptr || order < 0) return;
  if (Mix_PlayingMusic() == 0) Mix_PlayMusic(music, 0);
  Mix_SetMusicPosition(order);
}

void MusicPause() {
  if (music != nullptr) Mix_PauseMusic();
}

void MusicResume() {
  if (music != nullptr) Mix_ResumeMusic();
}

}  // namespace zudezed
