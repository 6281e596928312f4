// The 8 x 8 and 16 x 16 text renderers.
//
// Both draw straight into the column-major, bottom-up frame buffers: screen pixel
// (x, y) is element x * 240 + (239 - y), so one glyph column is a run of consecutive
// elements.
#include "timeline/text.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "assets/assets.h"
#include "platform/gp32_functions.h"
#include "platform/numeric.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {

std::array<uint8_t, kSmallGlyphs * 64> fonts;

StateList TextGlobals() {
  static constexpr StateBlock kList[] = {Held("fonts", fonts)};
  return kList;
}

void InitFonts() {
  for (int32_t g = 0; g < kSmallGlyphs; ++g) {
    for (int32_t r = 0; r < 8; ++r) {
      const uint8_t bits = bitfonts[g * 8 + r];
      for (int32_t k = 0; k < 8; ++k) {
        fonts[g * 64 + k * 8 + (7 - r)] = (bits >> (7 - k)) & 1 ? 0xFF : 0x00;
      }
    }
  }
}

void DrawText(int32_t x, int32_t y, int32_t len, const char* text, int32_t depth,
              GpSurfaceDesc* surface) {
  if (len <= 0) return;
  if (depth != 8 && depth != 16) return;
  uint16_t* buffer = surface->buffer;
  // Glyph byte j lands on screen row y - j. Rows off the screen are skipped rather
  // than spilling into the neighbouring column (or past the buffer).
  const int32_t j_first = y > 239 ? y - 239 : 0;
  const int32_t j_last = y < 7 ? y : 7;
  for (int32_t i = 0; i < len; ++i) {
    const int32_t c = static_cast<unsigned char>(text[i]);
    if (c == 0) break;
    const int32_t left = x + 8 * i;
    if (c >= 32 && c <= 90) {
      const uint8_t* glyph = fonts.data() + (c - 32) * 64;
      for (int32_t k = 0; k < 8; ++k) {
        const int32_t column = left + k;
        if (column < 1 || column > 318) continue;
        const int32_t base = column * kScreenHeight + (239 - y);
        const uint8_t* bytes = glyph + k * 8;
        if (depth == 16) {
          for (int32_t j = j_first; j <= j_last; ++j) buffer[base + j] |= bytes[j];
        } else {
          for (int32_t j = j_first; j <= j_last; ++j) {
            store_byte(buffer, base + j, static_cast<uint8_t>(load_byte(buffer, base + j) | bytes[j]));
          }
        }
      }
    }
    if (left >= 312) break;
  }
}

void drawfont16(int32_t x, int32_t e, float s, int32_t c, const uint16_t* shade,
                uint16_t* buffer) {
  const float side = 16.0f * s;
  // A glyph a million pixels across (or an infinite scale) shows nothing recognisable
  // and would take the column arithmetic out of the 32-bit range.
  if (side >= 1048576.0f) return;
  const int32_t x0 = trunc_i32(static_cast<float>(x) - 8.0f * s);
  const int32_t e0 = trunc_i32(static_cast<float>(e) - 8.0f * s);
  if (x0 >= 320 || static_cast<float>(x0) <= -side) return;
  if (e0 > 239 || static_cast<float>(e0) <= -side) return;

  const int32_t b = fonts16[c & 255] + 1;
  const uint8_t* glyph = fnt16.data() + b * 256;
  const float d = 65536.0f / s;  // 16.16 glyph step per pixel

  // (i0 * 65536) is formed in float: exact wherever the integer product would be, and
  // free of wrap-around for the giant glyphs where it would not.
  int32_t i0 = 0;
  int32_t u = 0;
  if (x0 < 0) {
    i0 = -x0;
    u = trunc_i32(static_cast<float>(i0) * 65536.0f / s);
  }
  int32_t i_last = trunc_i32(side - 1.0f);
  if (static_cast<float>(x0) > 320.0f - side) i_last = 319 - x0;

  int32_t j0 = 0;
  int32_t w0 = 0;
  if (e0 < 0) {
    j0 = -e0;
    w0 = trunc_i32(static_cast<float>(j0) * 65536.0f / s);
  }
  int32_t j_last = trunc_i32(side - 1.0f);
  if (static_cast<float>(e0) > 240.0f - side) j_last = 239 - e0;

  // The glyph row w >> 16 of each element is the same in every column: the float steps
  // of w are taken once per glyph, not once per column, up to the first row outside
  // the glyph, where every column stops. The elements j0..j_last lie on the screen, so
  // there are at most 240 of them.
  std::array<uint8_t, kScreenHeight> rows;
  int32_t nrows = 0;
  int32_t w = w0;
  for (int32_t j = j0; j <= j_last && nrows < kScreenHeight; ++j) {
    const int32_t gw = w >> 16;
    if (gw < 0 || gw > 15) break;
    rows[nrows++] = static_cast<uint8_t>(gw);
    w = trunc_i32(static_cast<float>(w) + d);
  }

  for (int32_t i = i0; i <= i_last; ++i) {
    const int32_t gu = u >> 16;
    // Only a degenerate scale (NaN, or far beyond the screen) can step outside the
    // glyph; stop there instead of reading past it.
    if (gu < 0 || gu > 15) break;
    const uint8_t* run = glyph + gu * 16;
    uint16_t* out = buffer + (x0 + i) * kScreenHeight + e0 + j0;
    for (int32_t n = 0; n < nrows; ++n) {
      const uint8_t v = run[rows[n]];
      if (v != 0) out[n] = shade[v * 16];
    }
    u = trunc_i32(static_cast<float>(u) + d);
  }
}

void DrawText16(int32_t x, int32_t e, const char* text, uint16_t* buffer) {
  const uint16_t* row16 = shade_row(shades, 16);
  for (int32_t i = 0; text[i] != 0; ++i) {
    const float s = static_cast<float>(
        (std::sin(0.5 * i + prticks * 0.0078125) * 0.35 + 0.95) * 1.5);
    drawfont16(x + 16 * i, e, s, static_cast<unsigned char>(text[i]), row16, buffer);
  }
}

void ClearScreen(uint16_t* buffer, uint16_t colour) {
  std::fill_n(buffer, kBufferElements, colour);
}

}  // namespace zudezed
