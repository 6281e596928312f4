// The blob-star field: 512 stars projected every frame, each drawn as a scaled soft
// sprite added into an intensity buffer, which is then shown through a shade row.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "effects/effects.h"
#include "platform/numeric.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {

std::array<int32_t, 512> sx{}, sy{};
std::array<float, 512> sz{};
// On a cache line boundary: the conversion to colours reads it a word at a time and
// whole lines in order.
alignas(32) std::array<uint8_t, kBufferElements> blobbuffer{};

namespace {

constexpr int32_t H = kScreenHeight;
constexpr uint32_t kStepInterval = 15;  // ticks between movement steps (strictly more than)
constexpr float kRebirthDepth = 16.0f;

// -2^31 < v < 2^31 (false for NaN), read from the float's bits: a magnitude below that
// of 2^31 (0x4F000000; every NaN's is above). Four library calls fewer per star
// without floating-point hardware.
constexpr bool InInt32Range(float v) {
  return (std::bit_cast<uint32_t>(v) & 0x7FFFFFFFu) < std::bit_cast<uint32_t>(2147483648.0f);
}
static_assert(InInt32Range(-2147483520.0f) && !InInt32Range(-2147483648.0f));
static_assert(InInt32Range(-0.0f) && !InInt32Range(std::numeric_limits<float>::infinity()));
static_assert(!InInt32Range(std::numeric_limits<float>::quiet_NaN()));

// The screen square that a blob of scale s centred at (x, e) covers, clipped to the
// screen, and the 16.16 sprite accumulators at its first column and row.
struct BlobSpan {
  int32_t col0, el0;    // first screen column and element
  int32_t cols, rows;   // number of columns and elements drawn
  int32_t u0, w0;       // sprite accumulators at the first column / element
  int32_t step;         // 16.16 sprite step per screen pixel
};

// Returns false when nothing is drawn: the square lies off the screen, or the scale is
// not a positive finite number (scale 0 covers no pixel; an infinite or NaN scale has
// no meaningful square).
bool BlobGeometry(int32_t x, int32_t e, float s, BlobSpan* span) {
  // s > 0 and finite: a positive sign, and a magnitude above zero and below the
  // infinity's (a NaN's is above); integer tests instead of library calls.
  const uint32_t s_bits = std::bit_cast<uint32_t>(s);
  if (s_bits - 1u >= 0x7F7FFFFFu) return false;
  const float half = 16.0f * s;
  const float size = 32.0f * s;
  const int32_t x0 = trunc_i32(static_cast<float>(x) - half);
  const int32_t e0 = trunc_i32(static_cast<float>(e) - half);
  if (x0 >= kScreenWidth || e0 > H - 1 || static_cast<float>(x0) <= -size ||
      static_cast<float>(e0) <= -size)
    return false;
  const int32_t d = trunc_i32(65536.0f / s);
  const int32_t n = trunc_i32(size - 1.0f);  // last sprite index of the unclipped square

  int32_t i0 = 0, u0 = 0;
  if (x0 < 0) {
    i0 = -x0;
    u0 = trunc_i32(static_cast<float>(i0) * 65536.0f / s);
  }
  int32_t j0 = 0, w0 = 0;
  if (e0 < 0) {
    j0 = -e0;
    w0 = trunc_i32(static_cast<float>(j0) * 65536.0f / s);
  }
  int32_t ilast = n, jlast = n;
  if (static_cast<float>(x0) > static_cast<float>(kScreenWidth) - size)
    ilast = std::min(n, kScreenWidth - 1 - x0);
  if (static_cast<float>(e0) > static_cast<float>(H) - size) jlast = std::min(n, H - 1 - e0);
  if (ilast < i0 || jlast < j0) return false;

  span->col0 = x0 + i0;
  span->el0 = e0 + j0;
  span->cols = ilast - i0 + 1;
  span->rows = jlast - j0 + 1;
  span->u0 = u0;
  span->w0 = w0;
  span->step = d;
  return true;
}

// Adds the sprite, scaled, into the square of a span.
void DrawBlobSpan(const BlobSpan& sp) {
  int32_t u = sp.u0;
  for (int32_t i = 0; i < sp.cols; ++i) {
    const uint8_t* src = blob.data() + (u >> 16) * 32;
    uint8_t* dst = blobbuffer.data() + (sp.col0 + i) * H + sp.el0;
    int32_t w = sp.w0;
    for (int32_t j = 0; j < sp.rows; ++j) {
      const int32_t sum = dst[j] + src[w >> 16];
      dst[j] = static_cast<uint8_t>(std::min(sum, 255));
      w += sp.step;
    }
    u += sp.step;
  }
}

void CleanBlobSpan(const BlobSpan& sp) {
  for (int32_t i = 0; i < sp.cols; ++i)
    std::fill_n(blobbuffer.data() + (sp.col0 + i) * H + sp.el0, sp.rows, uint8_t{0});
}

// Each star's square as drawn this frame, and whether it was drawn: the erase step
// clears the same squares without working out their geometry again.
std::array<BlobSpan, kStars> star_spans;
std::array<bool, kStars> star_drawn;

}  // namespace

StateList BlobStarsGlobals() {
  // The squares of the frame being drawn, written before they are read in every frame.
  static constexpr StateBlock kList[] = {Held("sx", sx), Held("sy", sy), Held("sz", sz),
      Held("blobbuffer", blobbuffer), Apart("star_spans", star_spans),
      Apart("star_drawn", star_drawn)};
  return kList;
}

void draw_blob(int32_t x, int32_t e, float s) {
  BlobSpan sp;
  if (BlobGeometry(x, e, s, &sp)) DrawBlobSpan(sp);
}

void clean_blob(int32_t x, int32_t e, float s) {
  BlobSpan sp;
  if (BlobGeometry(x, e, s, &sp)) CleanBlobSpan(sp);
}

// Whether Blobs2vram moves pixels in 32-bit words: on 32-bit ARM (the handheld's ARM9
// pays a cycle and an interlock for every single load and store). Elsewhere the loop of
// single pixels takes fewer instructions (x86-64: about 1.8 fewer a pixel).
#if defined(__arm__)
constexpr bool kBlobWords = std::endian::native == std::endian::little;
#else
constexpr bool kBlobWords = false;
#endif

void Blobs2vram(uint16_t* buffer, const uint16_t* palette) {
  const uint8_t* src = blobbuffer.data();
  if constexpr (kBlobWords) {
    if (reinterpret_cast<uintptr_t>(buffer) % 4 == 0) {
      // Eight pixels a step: the intensities read as two words, the colours written as
      // four, two pixels each (the lower address in the low half).
      static_assert(kBufferElements % 8 == 0);
      // The colour of intensity v lies at byte offset 2v of the palette: each offset is
      // one shift and mask of the word read.
      const auto* pal = reinterpret_cast<const unsigned char*>(palette);
      const auto colour = [pal](uint32_t offset) {
        uint16_t c;
        std::memcpy(&c, std::assume_aligned<2>(pal + offset), 2);
        return uint32_t{c};
      };
      for (int32_t k = 0; k < kBufferElements; k += 8) {
        uint32_t a, b;
        std::memcpy(&a, std::assume_aligned<4>(src + k), 4);
        std::memcpy(&b, std::assume_aligned<4>(src + k + 4), 4);
        const uint32_t c[4] = {
            colour((a << 1) & 0x1FE) | colour((a >> 7) & 0x1FE) << 16,
            colour((a >> 15) & 0x1FE) | colour((a >> 23) & 0x1FE) << 16,
            colour((b << 1) & 0x1FE) | colour((b >> 7) & 0x1FE) << 16,
            colour((b >> 15) & 0x1FE) | colour((b >> 23) & 0x1FE) << 16,
        };
        std::memcpy(std::assume_aligned<4>(buffer + k), c, sizeof c);
      }
      return;
    }
  }
  for (int32_t k = 0; k < kBufferElements; ++k) buffer[k] = palette[src[k]];
}

void BlobStars3D(uint16_t* buffer) {
  const auto far = static_cast<float>(starfar);
  const double scale_div = starfar * 1.5;
  // A star's scale is the double quotient (far - z) / scale_div rounded to float. When
  // the divisor is a float exactly (starfar below 2^24 is), the single-precision
  // quotient is that same float: both are the correctly rounded quotient of two floats,
  // as a double has more than twice a float's significand bits plus two, so rounding
  // first to double and then to float never lands differently. Without floating-point
  // hardware a single division costs a fraction of the double one and its conversions.
  const auto scale_div_f = static_cast<float>(scale_div);
  const bool single = static_cast<double>(scale_div_f) == scale_div;
  for (int32_t i = 0; i < kStars; ++i) {
    const float z = star3dz[i];
    const float px = 256.0f * star3dx[i] / z + 160.0f;
    const float py = 256.0f * star3dy[i] / z + 120.0f;
    sz[i] = single ? (far - z) / scale_div_f : static_cast<float>((far - z) / scale_div);
    // A projection outside the 32-bit range (z at or near 0: infinite, NaN or merely
    // huge) has no screen position; such a star is parked at the most negative
    // position, which the draw and erase steps reject for every scale.
    if (InInt32Range(px) && InInt32Range(py)) {
      sx[i] = trunc_i32(px);
      sy[i] = trunc_i32(py);
      star_drawn[i] = BlobGeometry(sx[i], sy[i], sz[i], &star_spans[i]);
      if (star_drawn[i]) DrawBlobSpan(star_spans[i]);
    } else {
      sx[i] = sy[i] = std::numeric_limits<int32_t>::min();
      star_drawn[i] = false;
    }
    if (z < kRebirthDepth) {
      // Reborn at the far plane; it is drawn at its new place from the next frame on.
      star3dx[i] = static_cast<float>(std::rand() % scsize - scsize / 2);
      star3dy[i] = static_cast<float>(std::rand() % scsize - scsize / 2);
      star3dz[i] = far;
      star3dv[i] = static_cast<float>((std::rand() % 65536) / 256.0 + 8.0);
    }
  }
  if (static_cast<uint32_t>(prticks) - static_cast<uint32_t>(wtime) > kStepInterval) {
    for (int32_t i = 0; i < kStars; ++i) star3dz[i] -= star3dv[i];
    wtime = prticks;
  }
  Blobs2vram(buffer, shades.data() + 8192);
  // clean_blob(sx[i], sy[i], sz[i]) for every star: the same positions and scales as
  // drawn above, so the same squares.
  for (int32_t i = 0; i < kStars; ++i) {
    if (star_drawn[i]) CleanBlobSpan(star_spans[i]);
  }
}

}  // namespace zudezed
