// The water ripple: two height maps advanced by the classic two-frame wave rule, with
// the group picture refracted by the slope of the heights.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "assets/assets.h"
#include "effects/effects.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {

std::array<uint8_t, kBufferElements> buffer1{}, buffer2{};
// Both pointers sit one column into their map; heights are addressed relative to
// them, and Water works with the linear index k of the underlying map (base - 240).
uint8_t* ba = buffer1.data() + kScreenHeight;
uint8_t* bb = buffer2.data() + kScreenHeight;

namespace {

constexpr int32_t H = kScreenHeight;
constexpr uint32_t kDropInterval = 127;  // ticks between drops (strictly more than)

// Sets one height of a drop, by linear index in the map.
void Drop(uint8_t* map) {
  const int32_t a = std::rand() & 255;
  const int32_t b = std::rand() % 240;
  const int32_t k = (a + 33) * H + b;  // columns 33..288
  map[k] = 255;
  map[k - 1] = map[k + 1] = map[k - H] = map[k + H] = 192;
  map[k - H - 1] = map[k - H + 1] = map[k + H - 1] = map[k + H + 1] = 64;
}

}  // namespace

void Water(uint16_t* buffer) {
  if (static_cast<uint32_t>(prticks) - static_cast<uint32_t>(wtime) > kDropInterval) {
    wtime = prticks;
    Drop(ba - H);
  }
  std::swap(ba, bb);
  const uint8_t* cur = bb - H;  // latest heights (with the drop)
  uint8_t* nxt = ba - H;        // heights of the frame before, overwritten in place
  const uint8_t* clampv = uberclamp.data();
  const uint16_t* pic = quib0.data();

  for (int32_t x = 1; x < kScreenWidth - 1; ++x) {
    const int32_t base = x * H;
    for (int32_t e = 0; e < H; ++e) {
      const int32_t k = base + e;
      const int32_t sum = cur[k - 1] + cur[k + 1] + cur[k - H] + cur[k + H];
      // The table clamps to 0..255 for indices up to 511; heights above 255 (the sum
      // of four heights can reach 1020 right after a drop) saturate at its last
      // entry, 255.
      const int32_t idx = 256 + (sum >> 1) - nxt[k];
      const uint8_t h = clampv[std::min(idx, 511)];
      // The slope is read from the map being rewritten: k - 1 and k - 240 already hold
      // this frame's heights, k + 1 and k + 240 still those of two frames ago.
      const int32_t dx = (nxt[k - 1] - nxt[k + 1]) >> 2;
      const int32_t de = (nxt[k - H] - nxt[k + H]) >> 2;
      // Near the picture's edges the displaced pixel is clamped to the nearest one of
      // the picture, column and element separately, so no edge wraps into the
      // neighbouring column.
      const int32_t sx = std::clamp(x + dx, 0, kScreenWidth - 1);
      const int32_t se = std::clamp(e + de, 0, H - 1);
      buffer[k] = pic[sx * H + se];
      nxt[k] = h;
    }
  }

  // Edge columns 0 and 319 are not computed: keep both height maps at rest there (the
  // wave reflects off a zero border) and show them black rather than a stale frame.
  for (uint8_t* map : {buffer1.data(), buffer2.data()}) {
    std::memset(map, 0, H);
    std::memset(map + (kScreenWidth - 1) * H, 0, H);
  }
  std::memset(buffer, 0, H * sizeof(uint16_t));
  std::memset(buffer + (kScreenWidth - 1) * H, 0, H * sizeof(uint16_t));
}

}  // namespace zudezed
