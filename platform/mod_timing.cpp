// Follows a module's order list row by row, as the player plays it.
#include "platform/mod_timing.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>

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

// One row as played: its order position, the tempo it plays at and how many ticks it
// lasts (the speed, times one more than a pattern delay).
struct PlayedRow {
  int pos;
  int tempo;
  int ticks;
};

// The order count and every row played from the start of the order list until it ends
// or comes back to a row it has played (a looping order list is followed once). False
// when the bytes are not a 4-channel MOD module.
bool PlayOrderList(const std::vector<uint8_t>& m, int* count, std::vector<PlayedRow>* rows) {
  if (m.size() < kPatternsAt) return false;
  const std::string sig(m.begin() + kSignatureAt, m.begin() + kSignatureAt + 4);
  if (sig != "M.K." && sig != "M!K!" && sig != "4CHN" && sig != "FLT4") return false;
  *count = m[kOrderCountAt];
  if (*count < 1 || *count > 128) return false;
  int patterns = 0;
  for (int i = 0; i < 128; ++i) patterns = std::max(patterns, m[kOrdersAt + i] + 1);
  if (m.size() < kPatternsAt + patterns * kPatternBytes) return false;

  std::set<std::pair<int, int>> visited;
  int speed = kStartSpeed, tempo = kStartTempo;
  int pos = 0, row = 0;
  while (pos < *count && visited.insert({pos, row}).second) {
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
    rows->push_back({pos, tempo, speed * (1 + delay)});
    if (leave) {
      pos = next_pos;
      row = next_row;
    } else {
      ++row;
    }
  }
  return true;
}

}  // namespace

std::vector<int64_t> ModOrderStarts(const std::vector<uint8_t>& m, int rate) {
  int count = 0;
  std::vector<PlayedRow> rows;
  if (!PlayOrderList(m, &count, &rows)) return {};
  std::vector<int64_t> starts(count, -1);
  int64_t samples = 0;
  for (const PlayedRow& r : rows) {
    if (starts[r.pos] < 0) starts[r.pos] = samples;
    // The player mixes a whole number of samples per tick.
    const int64_t tick = (static_cast<int64_t>(rate) * 125) / (static_cast<int64_t>(r.tempo) * 50);
    samples += tick * r.ticks;
  }
  return starts;
}

std::vector<double> ModOrderSeconds(const std::vector<uint8_t>& m) {
  int count = 0;
  std::vector<PlayedRow> rows;
  if (!PlayOrderList(m, &count, &rows)) return {};
  std::vector<double> starts(count + 1, -1.0);
  double seconds = 0.0;
  for (const PlayedRow& r : rows) {
    if (starts[r.pos] < 0) starts[r.pos] = seconds;
    seconds += r.ticks * 2.5 / r.tempo;
  }
  starts[count] = seconds;
  return starts;
}

}  // namespace zudezed
