// The embedded data: fonts, ball sprite, pictures, textures and stored meshes, each a
// constant array generated at build time from its source under assets/.
#pragma once

#include <array>
#include <cstdint>

namespace zudezed {

extern const std::array<uint8_t, 472> bitfonts;      // 59 glyphs of 8 rows, codes 32..90
extern const std::array<uint8_t, 22272> fonts16;     // 87 blocks: character map + 86 glyphs
extern const std::array<uint8_t, 768> ball;          // 255 colours, then a 16 x 16 shade picture

// Pictures and textures in the 16-bit pixel format, column by column, bottom-up.
// quib0 stores 153598 bytes: its last element (the top-right pixel) is not stored and
// reads as 0, so the array has the full 76800 elements with the last one 0.
constexpr int kQuib0StoredBytes = 153598;
extern const std::array<uint16_t, 320 * 240> quib0;
extern const std::array<uint16_t, 192 * 84> tavrimel;  // 32256 bytes
extern const std::array<uint16_t, 128 * 32> presents;  // 8192 bytes
extern const std::array<uint16_t, 128 * 128> kavrel;         // 32768 bytes each
extern const std::array<uint16_t, 128 * 128> kavrel_top;
extern const std::array<uint16_t, 128 * 128> kavrel_bottom;
// The 64 x 64 environment map stores 4095 texels (8190 bytes); texel 4095, (63, 63),
// is supplied as a copy of its neighbour (62, 63) so that every lookup is in range.
constexpr int kEnv1StoredBytes = 8190;
extern const std::array<uint16_t, 64 * 64> env1;

// Stored meshes: point, line and polygon counts, then points, lines and polygons.
extern const std::array<uint8_t, 11065> face3do;
extern const std::array<uint8_t, 3361> teapot;

}  // namespace zudezed
