// The 8 x 8 and 16 x 16 text renderers.
#pragma once

#include <array>
#include <cstdint>

#include "platform/state_list.h"

namespace zudezed {

struct GpSurfaceDesc;

constexpr int kSmallGlyphs = 59;  // codes 32..90
// The expanded small font: byte (c - 32) * 64 + k * 8 + j is glyph column k, row 7 - j.
extern std::array<uint8_t, kSmallGlyphs * 64> fonts;

void InitFonts();
void DrawText(int32_t x, int32_t y, int32_t len, const char* text, int32_t depth,
              GpSurfaceDesc* surface);
void drawfont16(int32_t x, int32_t e, float s, int32_t c, const uint16_t* shade,
                uint16_t* buffer);
void DrawText16(int32_t x, int32_t e, const char* text, uint16_t* buffer);
// The one whole-frame fill: all 76800 pixels of a 16-bit buffer set to the colour.
void ClearScreen(uint16_t* buffer, uint16_t colour);

// The globals text.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList TextGlobals();

}  // namespace zudezed
