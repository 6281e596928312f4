// The water ripple: two height maps advanced by the classic two-frame wave rule, with
// the group picture refracted by the slope of the heights.
#include <algorithm>
#include <array>
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
  const uint16_t* pic = quib0.data();

  for (int32_t x = 1; x < kScreenWidth - 1; ++x) {
    const int32_t base = x * H;
    // This frame's heights of the column. The clamp table maps 256 + v to v clamped to
    // 0..255, which is what is computed here; heights above 255 (the sum of four
    // heights can reach 1020 right after a drop) saturate at 255.
    // Computing the column ahead of the refraction removes the per-element wait on
    // the height just stored and lets this loop vectorise.
    // col[1 + e] is the new height of element e, col[0] that of the element below it
    // (the top of the column before, already rewritten).
    std::array<uint8_t, H + 1> col;
    col[0] = nxt[base - 1];
    for (int32_t e = 0; e < H; ++e) {
      const int32_t k = base + e;
      const int32_t sum = cur[k - 1] + cur[k + 1] + cur[k - H] + cur[k + H];
      col[1 + e] = static_cast<uint8_t>(std::clamp((sum >> 1) - nxt[k], 0, 255));
    }
    // The picture element each screen element shows, gathered in a loop of its own so
    // that the slope and clamp arithmetic vectorises.
    std::array<int32_t, H> src;
    for (int32_t e = 0; e < H; ++e) {
      const int32_t k = base + e;
      // The slope is read as the map is being rewritten in element order: k - 1 and
      // k - 240 already hold this frame's heights, k + 1 and k + 240 still those of
      // two frames ago.
      const int32_t dx = (col[e] - nxt[k + 1]) >> 2;
      const int32_t de = (nxt[k - H] - nxt[k + H]) >> 2;
      // The displaced pixel is read by its linear index, so an element shifted past
      // the top or bottom of its column reads the neighbouring column. Only an index
      // outside the picture is bounded: it shows the nearest picture pixel, column
      // and element clamped separately.
      const int32_t at = (x + dx) * H + e + de;
      const int32_t edge =
          std::clamp(x + dx, 0, kScreenWidth - 1) * H + std::clamp(e + de, 0, H - 1);
      src[e] = static_cast<uint32_t>(at) < static_cast<uint32_t>(kBufferElements) ? at : edge;
    }
#pragma GCC unroll 8
    for (int32_t e = 0; e < H; ++e) buffer[base + e] = pic[src[e]];
    std::memcpy(nxt + base, col.data() + 1, H);
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
