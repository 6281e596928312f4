// The handheld SDK-style display, palette and tick calls over SDL.
//
// Off-screen buffers use the handheld's LCD layout: column-major and bottom-up within
// a column. Screen pixel (x, y) is element x * 240 + (239 - y); +1 element is one row
// up, +240 elements one column right. 16-bit pixels are r << 11 | g << 6 | b << 1
// (5-bit components, bit 0 an intensity bit the screen ignores).
#pragma once

#include <array>
#include <cstdint>

#include "platform/state_list.h"

struct SDL_Surface;
struct _SDL_Joystick;

namespace zudezed {

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;
constexpr int kBufferElements = kScreenWidth * kScreenHeight;  // 76800
// Each buffer block has room for 76800 four-byte pixels (307200 bytes); the 16-bit
// mode uses the first 153600 bytes, the 8-bit mode the first 76800.
constexpr int kBufferBlockBytes = 307200;
constexpr int kBufferBlockWords = kBufferBlockBytes / 2;
static_assert(kBufferElements == 76800);

// A surface record, filled by GpLcdSurfaceGet.
struct GpSurfaceDesc {
  uint16_t* buffer;  // GpScreen[index]
  int32_t depth;     // 16 selects the 16-bit conversion, anything else the 8-bit one
  int32_t width;     // always 320
  int32_t height;    // always 240
  int32_t offset_x;  // always 0
  int32_t offset_y;  // always 0
};

// A palette object: 256 32-bit entries, a 16-bit colour in the low half of each.
using GpPalette = uint32_t;

extern std::array<uint16_t*, 2> GpScreen;
extern int32_t cur_bpp;
extern int32_t vfirst;
extern std::array<GpSurfaceDesc, 2> GP32Surface;
extern SDL_Surface* screen;
extern _SDL_Joystick* joystick;
extern std::array<uint16_t, 256> gp_palette;

// Desktop display options: the integer scale of the window (1..4; pixel replication in
// the conversion) and whether it is fullscreen.
extern int32_t screen_scale;
extern int32_t screen_fullscreen;

void InitSDL();
// Switches between the window and fullscreen (F11, Alt+Enter).
void ToggleFullscreen();
void GpGraphicModeSet(int32_t depth, int32_t unused);
void GpLcdSurfaceGet(GpSurfaceDesc* surface, int32_t index);
int GpSurfaceFlip(GpSurfaceDesc* surface, int32_t vsync);
void GP32toPC(const uint16_t* src, int32_t depth, SDL_Surface* dest);

// The two ways of converting the whole 16-bit buffer onto a 320 x 240 16-bit screen
// whose rows start pitch bytes apart; GP32toPC takes the one that suits the processor.
// With vector registers (x86-64's SSE2, ARM's NEON, WebAssembly's SIMD): 8 x 8 blocks
// transposed in registers. Without (the handheld's ARM9): 2 x 2 blocks in 32-bit words,
// which needs src, pixels and pitch to be multiples of 4 bytes.
#if defined(__SSE2__) || defined(__ARM_NEON) || defined(__wasm_simd128__)
constexpr bool kConvertWithVectors = true;
#else
constexpr bool kConvertWithVectors = false;
#endif
void ConvertScreenVectors(const uint16_t* src, uint8_t* pixels, int pitch);
void ConvertScreenWords(const uint16_t* src, uint8_t* pixels, int pitch);
GpPalette* GpPaletteCreate(int32_t n, const uint16_t* colours);
void GpPaletteSelect(const GpPalette* palette);
void GpPaletteRealize(const GpPalette* palette);
// Milliseconds since SDL was started. Defined in a translation unit of its own
// (clock_sdl.cpp); tests and tools link the simulated clock (clock_sim.cpp) instead.
uint32_t GpTickCountGet();

// The screen conversion of one 16-bit pixel: red and the 5-bit green pass through,
// the top bit of the blue becomes the lowest green bit, blue moves down one bit and
// the intensity bit is dropped.
constexpr uint16_t conv16(uint16_t p) {
  return static_cast<uint16_t>((p & 0xFFE0) | ((p >> 1) & 0x001F));
}

// 8-bit mode element access: element k of an 8-bit buffer is byte k of the block.
// The block is stored as 16-bit words, so byte k is the low (even k) or high (odd k)
// half of word k >> 1, which is what the bytes of a little-endian word are.
inline uint8_t load_byte(const uint16_t* block, int32_t k) {
  return static_cast<uint8_t>(block[k >> 1] >> ((k & 1) * 8));
}
inline void store_byte(uint16_t* block, int32_t k, uint8_t v) {
  const int shift = (k & 1) * 8;
  uint16_t& w = block[k >> 1];
  w = static_cast<uint16_t>((w & ~(0xFF << shift)) | (v << shift));
}

// The globals gp32_functions.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList DisplayGlobals();

}  // namespace zudezed
