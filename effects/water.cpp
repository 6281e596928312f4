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

// Word-aligned, so that four heights can be read as one 32-bit word.
alignas(4) std::array<uint8_t, kBufferElements> buffer1{}, buffer2{};
// Both pointers sit one column into their map; heights are addressed relative to
// them, and Water works with the linear index k of the underlying map (base - 240).
uint8_t* ba = buffer1.data() + kScreenHeight;
uint8_t* bb = buffer2.data() + kScreenHeight;

StateList WaterGlobals() {
  static constexpr StateBlock kList[] = {Held("buffer1", buffer1), Held("buffer2", buffer2),
      Held("ba", ba), Held("bb", bb)};
  return kList;
}

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

// The four heights k .. k + 3 of a map as one word (k a multiple of 4).
inline uint32_t Heights4(const uint8_t* map, int32_t k) {
  uint32_t w;
  std::memcpy(&w, __builtin_assume_aligned(map + k, 4), sizeof w);
  return w;
}

// The picture index shown at (x, e) when the displaced linear index lies outside the
// picture: the nearest picture pixel, column and element clamped separately.
[[gnu::noinline, gnu::cold]] int32_t EdgeIndex(int32_t x, int32_t e, int32_t dx, int32_t de) {
  return std::clamp(x + dx, 0, kScreenWidth - 1) * H + std::clamp(e + de, 0, H - 1);
}

// Columns whose displaced index cannot leave the picture: dx and de lie in -64..63,
// so the index 240 (x + dx) + e + de stays within 0..76799 for x = 65..255.
constexpr int32_t kFirstInnerColumn = 65;
constexpr int32_t kLastInnerColumn = 255;
static_assert(kFirstInnerColumn * H - 64 * H - 64 >= 0 && (kFirstInnerColumn - 1) * H - 64 * H - 64 < 0);
static_assert((kLastInnerColumn + 63) * H + (H - 1) + 63 < kBufferElements &&
              (kLastInnerColumn + 64) * H + (H - 1) + 63 >= kBufferElements);

// Four elements k .. k + 3 of column x, one after the other in memory order; c, n, p and
// out point at element k of the latest map, the map being rewritten, the picture and
// the screen. below is N[k - 1]; returns N[k + 3]. The clamp table maps 256 + v to v
// clamped to 0..255, which is what is computed here; heights above 255 (the sum of
// four heights can reach 1020 right after a drop) saturate at 255. The slope is read
// as the map is being rewritten: N[k - 1] and N[k - 240] already hold this frame's
// heights, N[k + 1] and N[k + 240] still those of two frames ago.
template <bool kNearEdge>
inline int32_t RippleFour(const uint8_t* c, uint8_t* n, const uint16_t* p, uint16_t* out,
                          int32_t below, int32_t x, int32_t k) {
#pragma GCC unroll 4
  for (int32_t j = 0; j < 4; ++j) {
    const int32_t sum = c[j - 1] + c[j + 1] + c[j - H] + c[j + H];
    const int32_t h = std::clamp((sum >> 1) - n[j], 0, 255);
    const int32_t dx = (below - n[j + 1]) >> 2;
    const int32_t de = (n[j - H] - n[j + H]) >> 2;
    // The displaced pixel is read by its linear index, so an element shifted past the
    // top or bottom of its column reads the neighbouring column. Only an index outside
    // the picture is bounded.
    const int32_t offset = j + dx * H + de;
    if constexpr (kNearEdge) {
      const int32_t at = k + offset;
      out[j] = static_cast<uint32_t>(at) < static_cast<uint32_t>(kBufferElements)
                   ? p[offset]
                   : p[EdgeIndex(x, k + j - x * H, dx, de) - k];
    } else {
      out[j] = p[offset];
    }
    n[j] = static_cast<uint8_t>(h);
    below = h;
  }
  return below;
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

  // Four pixels as two words where both the screen buffer and the picture allow it.
  const bool pixel_words =
      ((reinterpret_cast<uintptr_t>(buffer) | reinterpret_cast<uintptr_t>(pic)) & 3) == 0;

  for (int32_t x = 1; x < kScreenWidth - 1; ++x) {
    const int32_t base = x * H;
    // N[k - 1] as the refraction reads it: this frame's height of the element before
    // (for element 0 the previous column's last, already rewritten).
    int32_t below = nxt[base - 1];
    for (int32_t e = 0; e < H; e += 4) {
      const int32_t k = base + e;
      // A calm group of four elements (most of the water at any time): where the latest
      // heights around them are all zero, each new height is 0; where also the heights
      // the refraction reads (N[k - 1] .. N[k + 4] and the neighbouring columns') are
      // zero, each pixel is the picture's own and the old heights N[k .. k + 3] are
      // already the new ones. Whole words are tested, a few more heights than needed.
      if (below == 0 && (Heights4(cur, k - 4) | Heights4(cur, k) | Heights4(cur, k + 4) |
                         Heights4(cur, k - H) | Heights4(cur, k + H) | Heights4(nxt, k) |
                         Heights4(nxt, k + 4) | Heights4(nxt, k - H) | Heights4(nxt, k + H)) == 0) {
        if (pixel_words) {
          std::memcpy(__builtin_assume_aligned(buffer + k, 4), __builtin_assume_aligned(pic + k, 4),
                      4 * sizeof(uint16_t));
        } else {
          for (int32_t i = 0; i < 4; ++i) buffer[k + i] = pic[k + i];
        }
        continue;
      }
      if (x < kFirstInnerColumn || x > kLastInnerColumn) {
        below = RippleFour<true>(cur + k, nxt + k, pic + k, buffer + k, below, x, k);
      } else {
        below = RippleFour<false>(cur + k, nxt + k, pic + k, buffer + k, below, x, k);
      }
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
