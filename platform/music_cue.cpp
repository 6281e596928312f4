// Reads the module's order timing and moves SDL_mixer's player.
#include "platform/music_cue.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>

#include "platform/sound.h"

namespace zudezed {

namespace {

constexpr size_t kOrderCountAt = 950;
constexpr size_t kOrdersAt = 952;
constexpr size_t kSignatureAt = 1080;
constexpr size_t kPatternsAt = 1084;
constexpr int kRows = 64;
constexpr int kChannels = 4;
constexpr size_t kPatternBytes = kRows * kChannels * 4;
constexpr int kStartSpeed = 6;    // the format's defaults before the first Fxx
constexpr int kStartTempo = 125;
constexpr int kTempoFloor = 32;   // Fxx below this sets the speed, from it the tempo

// The demo module's order starts, read at the first cue.
bool music_order_read = false;
std::vector<int64_t> music_order_starts;

}  // namespace

std::vector<int64_t> ModOrderStarts(const std::vector<uint8_t>& m, int rate) {
  if (m.size() < kPatternsAt) return {};
  const std::string sig(m.begin() + kSignatureAt, m.begin() + kSignatureAt + 4);
  if (sig != "M.K." && sig != "M!K!" && sig != "4CHN" && sig != "FLT4") return {};
  const int count = m[kOrderCountAt];
  if (count < 1 || count > 128) return {};
  int patterns = 0;
  for (int i = 0; i < 128; ++i) patterns = std::max(patterns, m[kOrdersAt + i] + 1);
  if (m.size() < kPatternsAt + patterns * kPatternBytes) return {};

  std::vector<int64_t> starts(count, -1);
  std::set<std::pair<int, int>> visited;  // a looping order list is followed once
  int speed = kStartSpeed, tempo = kStartTempo;
  int64_t samples = 0;
  int pos = 0, row = 0;
  while (pos < count && visited.insert({pos, row}).second) {
    if (starts[pos] < 0) starts[pos] = samples;
    const uint8_t* cells = &m[kPatternsAt + m[kOrdersAt + pos] * kPatternBytes + row * kChannels * 4];
    int next_pos = pos + 1, next_row = 0, delay = 0;
    bool leave = row == kRows - 1;
    for (int ch = 0; ch < kChannels; ++ch) {
      const int effect = cells[ch * 4 + 2] & 0x0F;
      const int param = cells[ch * 4 + 3];
      if (effect == 0xF && param != 0) {
        if (param < kTempoFloor) speed = param; else tempo = param;
      } else if (effect == 0xD) {
        leave = true;
        next_row = (param >> 4) * 10 + (param & 0x0F);
        if (next_row >= kRows) next_row = 0;
      } else if (effect == 0xB) {
        leave = true;
        next_pos = param;
      } else if (effect == 0xE && (param >> 4) == 0xE) {
        delay = param & 0x0F;
      }
    }
    // The player mixes a whole number of samples per tick.
    const int64_t tick = (static_cast<int64_t>(rate) * 125) / (static_cast<int64_t>(tempo) * 50);
    samples += tick * speed * (1 + delay);
    if (leave) {
      pos = next_pos;
      row = next_row;
    } else {
      ++row;
    }
  }
  return starts;
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
