// The handheld SDK-style display, palette and tick layer over SDL 1.2.
#include "platform/gp32_functions.h"

#include <SDL.h>

#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/zudezed.h"

namespace zudezed {

std::array<uint16_t*, 2> GpScreen{};
int32_t cur_bpp = 0;
int32_t vfirst = 0;
std::array<GpSurfaceDesc, 2> GP32Surface{};
SDL_Surface* screen = nullptr;
SDL_Joystick* joystick = nullptr;
std::array<uint16_t, 256> gp_palette{};

int32_t screen_scale = 1;
int32_t screen_fullscreen = 0;

StateList DisplayGlobals() {
  static constexpr StateBlock kList[] = {Apart("GpScreen", GpScreen), Apart("cur_bpp", cur_bpp),
      Apart("vfirst", vfirst), Apart("GP32Surface", GP32Surface), Apart("screen", screen),
      Apart("joystick", joystick), Apart("gp_palette", gp_palette),
      Apart("screen_scale", screen_scale), Apart("screen_fullscreen", screen_fullscreen)};
  return kList;
}

namespace {

constexpr Uint32 kInitFlags = SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;  // 0x230
static_assert(kInitFlags == 0x230);
constexpr int kMaxScale = 4;

// A start-up failure of SDL: hand over to the menu program; where that returns (a
// desktop has no menu program), say why on standard error and stop. The demo never
// carries on without a screen.
[[noreturn]] void StartupFailure() {
  exit2menu();
  std::fprintf(stderr, "zudezed: %s\n", SDL_GetError());
  SDL_Quit();
  std::exit(1);
}

// The window's integer scale: ZUDEZED_SCALE if set (1..8), 1 under the dummy driver,
// otherwise the largest of 1..4 at which the window fits the desktop with room for
// the window's frame.
int32_t ChooseScale() {
  if (const char* env = std::getenv("ZUDEZED_SCALE")) {
    const int v = std::atoi(env);
    if (v >= 1 && v <= 8) return v;
  }
  char name[32] = {0};
  if (SDL_VideoDriverName(name, sizeof name) != nullptr && std::strcmp(name, "dummy") == 0) {
    return 1;
  }
  const SDL_VideoInfo* info = SDL_GetVideoInfo();
  if (info == nullptr || info->current_w <= 0 || info->current_h <= 0) return 1;
  int32_t k = kMaxScale;
  while (k > 1 && (kScreenWidth * k > info->current_w || kScreenHeight * k + 64 > info->current_h)) {
    --k;
  }
  return k;
}

// Sets the screen's video mode: 16 bits deep at the window's scale, in a window or
// fullscreen as screen_fullscreen says. Null where SDL refuses the mode.
SDL_Surface* SetScreenMode() {
  return SDL_SetVideoMode(kScreenWidth * screen_scale, kScreenHeight * screen_scale, 16,
                          SDL_HWSURFACE | (screen_fullscreen ? SDL_FULLSCREEN : 0));
}

// Where a 32-bit screen keeps its channels: bit positions from its format's masks (a
// desktop's 0x00RRGGBB; a browser canvas's bytes R, G, B, A), and its opaque alpha.
struct Channels {
  int r = 16, g = 8, b = 0;
  uint32_t alpha = 0;
};
Channels ChannelsOf(const SDL_PixelFormat* f) {
  Channels c;
  if (f->Rmask != 0 && f->Gmask != 0 && f->Bmask != 0) {
    c.r = std::countr_zero(f->Rmask);
    c.g = std::countr_zero(f->Gmask);
    c.b = std::countr_zero(f->Bmask);
    c.alpha = f->Amask;
  }
  return c;
}

// One screen pixel from one buffer element, for the two screen depths SDL may give.
inline void PutPixel(uint8_t* row, int x, int bytes_per_pixel, const Channels& ch, uint16_t rgb565) {
  if (bytes_per_pixel == 2) {
    std::memcpy(row + 2 * x, &rgb565, 2);
  } else {
    // A 32-bit screen: widen 5-6-5 to 8-8-8.
    const uint32_t r = (rgb565 >> 11) & 31, g = (rgb565 >> 5) & 63, b = rgb565 & 31;
    const uint32_t px = ((r << 3 | r >> 2) << ch.r) | ((g << 2 | g >> 4) << ch.g) |
                        ((b << 3 | b >> 2) << ch.b) | ch.alpha;
    std::memcpy(row + 4 * x, &px, 4);
  }
}

}  // namespace

void InitSDL() {
  if (SDL_Init(kInitFlags) < 0) {
    // Without a usable sound device SDL refuses the whole set; the demo then runs
    // silent rather than not at all.
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) StartupFailure();
  }
  screen_scale = ChooseScale();
  screen = SetScreenMode();
  if (screen == nullptr) StartupFailure();
  SDL_WM_SetCaption("zudezed", "zudezed");
  // A desktop without a joystick still has the keyboard.
  if (SDL_NumJoysticks() > 0) joystick = SDL_JoystickOpen(0);
  SDL_ShowCursor(SDL_DISABLE);
}

void ToggleFullscreen() {
  if (screen != nullptr && SDL_WM_ToggleFullScreen(screen)) {
    screen_fullscreen ^= 1;
    return;
  }
  screen_fullscreen ^= 1;
  SDL_Surface* s = SetScreenMode();
  if (s != nullptr) {
    screen = s;
  } else {
    // Keep the mode we had.
    screen_fullscreen ^= 1;
    screen = SetScreenMode();
    if (screen == nullptr) StartupFailure();
  }
}

void GpGraphicModeSet(int32_t depth, int32_t /*unused*/) {
  if (vfirst) {
    delete[] GpScreen[0];
    delete[] GpScreen[1];
  }
  for (auto& block : GpScreen) {
    block = new (std::nothrow) uint16_t[kBufferBlockWords];
    if (block == nullptr) {
      std::fprintf(stderr, "zudezed: out of memory for the screen buffers\n");
      std::exit(1);
    }
  }
  cur_bpp = depth;
  vfirst = 1;
}

void GpLcdSurfaceGet(GpSurfaceDesc* surface, int32_t index) {
  surface->buffer = GpScreen[index & 1];
  surface->depth = cur_bpp;
  surface->width = kScreenWidth;
  surface->height = kScreenHeight;
  surface->offset_x = 0;
  surface->offset_y = 0;
}

namespace {

// conv16 of four elements held in one 64-bit word: the shifted-down blue bits never
// reach the neighbouring element's field, which the mask clears anyway.
constexpr uint64_t Conv16x4(uint64_t w) {
  return (w & 0xFFE0FFE0FFE0FFE0ull) | ((w >> 1) & 0x001F001F001F001Full);
}
static_assert(Conv16x4(0x0001'FFFF'8421'003Eull) ==
              (uint64_t{conv16(0x0001)} << 48 | uint64_t{conv16(0xFFFF)} << 32 |
               uint64_t{conv16(0x8421)} << 16 | conv16(0x003E)));

// Stores pixel p at column x of a row, k times side by side.
template <int K>
inline void PutScaled(uint16_t* out, int x, uint16_t p) {
  for (int r = 0; r < K; ++r) out[x * K + r] = p;
}

// The 16-bit buffer onto a 16-bit screen, scale K: the demo's own case, with no
// per-pixel choice of depth, screen format or scale. Four screen rows are made at a
// time: the four elements of a column that they show are neighbours in the buffer and
// are read and converted as one 64-bit word (a quarter of the general loop's
// instructions per pixel).
template <int K>
void Convert16To16(const uint16_t* src, uint8_t* pixels, int pitch, int rows, int cols) {
  auto row_at = [&](int y) {
    return reinterpret_cast<uint16_t*>(pixels + static_cast<std::ptrdiff_t>(y) * K * pitch);
  };
  int y = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; y + 4 <= rows; y += 4) {
      // The band's lowest element is screen row y + 3; element j shows row y + 3 - j.
      const uint16_t* in = src + (kScreenHeight - 4 - y);
      uint16_t* out3 = row_at(y);
      uint16_t* out2 = row_at(y + 1);
      uint16_t* out1 = row_at(y + 2);
      uint16_t* out0 = row_at(y + 3);
      for (int x = 0; x < cols; ++x) {
        uint64_t w;
        std::memcpy(&w, in + x * kScreenHeight, sizeof w);
        w = Conv16x4(w);
        PutScaled<K>(out0, x, static_cast<uint16_t>(w));
        PutScaled<K>(out1, x, static_cast<uint16_t>(w >> 16));
        PutScaled<K>(out2, x, static_cast<uint16_t>(w >> 32));
        PutScaled<K>(out3, x, static_cast<uint16_t>(w >> 48));
      }
    }
  }
  for (; y < rows; ++y) {
    const uint16_t* in = src + (kScreenHeight - 1 - y);
    uint16_t* out = row_at(y);
    for (int x = 0; x < cols; ++x) PutScaled<K>(out, x, conv16(in[x * kScreenHeight]));
  }
  // Pixel replication: the other K - 1 lines of each row are copies of the first.
  for (y = 0; y < rows; ++y) {
    const uint8_t* row = reinterpret_cast<const uint8_t*>(row_at(y));
    for (int r = 1; r < K; ++r) {
      std::memcpy(const_cast<uint8_t*>(row) + static_cast<std::ptrdiff_t>(r) * pitch, row,
                  static_cast<size_t>(cols) * K * 2);
    }
  }
}

// Eight 16-bit lanes in one vector register (the compiler's generic vectors: SSE2 on
// x86-64, NEON where the processor has it, plain words elsewhere).
using Lanes8 = uint16_t __attribute__((vector_size(16)));

// The 8-lane interleaves of a block transposition: pairs of lanes, fours, halves.
inline Lanes8 Interleave1Lo(Lanes8 a, Lanes8 b) { return __builtin_shufflevector(a, b, 0, 8, 1, 9, 2, 10, 3, 11); }
inline Lanes8 Interleave1Hi(Lanes8 a, Lanes8 b) { return __builtin_shufflevector(a, b, 4, 12, 5, 13, 6, 14, 7, 15); }
inline Lanes8 Interleave2Lo(Lanes8 a, Lanes8 b) { return __builtin_shufflevector(a, b, 0, 1, 8, 9, 2, 3, 10, 11); }
inline Lanes8 Interleave2Hi(Lanes8 a, Lanes8 b) { return __builtin_shufflevector(a, b, 4, 5, 12, 13, 6, 7, 14, 15); }
inline Lanes8 Interleave4Lo(Lanes8 a, Lanes8 b) { return __builtin_shufflevector(a, b, 0, 1, 2, 3, 8, 9, 10, 11); }
inline Lanes8 Interleave4Hi(Lanes8 a, Lanes8 b) { return __builtin_shufflevector(a, b, 4, 5, 6, 7, 12, 13, 14, 15); }

}  // namespace

// The whole 320 x 240 screen at 1x: blocks of 8 x 8 pixels, the eight elements of each
// of eight columns read as one vector each, converted, and transposed into eight
// screen rows (about a quarter of the instructions of the 64-bit word loop on x86-64).
void ConvertScreenVectors(const uint16_t* src, uint8_t* pixels, int pitch) {
  const Lanes8 keep = {0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0, 0xFFE0};
  const Lanes8 blue = {0x001F, 0x001F, 0x001F, 0x001F, 0x001F, 0x001F, 0x001F, 0x001F};
  for (int y0 = 0; y0 < kScreenHeight; y0 += 8) {
    // Element j of a block shows screen row y0 + 7 - j.
    const int e0 = kScreenHeight - 8 - y0;
    for (int x0 = 0; x0 < kScreenWidth; x0 += 8) {
      Lanes8 c[8];
#pragma GCC unroll 8
      for (int i = 0; i < 8; ++i) {
        Lanes8 p;
        std::memcpy(&p, src + (x0 + i) * kScreenHeight + e0, sizeof p);
        c[i] = (p & keep) | ((p >> 1) & blue);
      }
      // t: pairs of columns interleaved; u: fours; r[j]: element j of all eight.
      Lanes8 t[8], u[8], r[8];
#pragma GCC unroll 4
      for (int i = 0; i < 4; ++i) {
        t[i] = Interleave1Lo(c[2 * i], c[2 * i + 1]);
        t[4 + i] = Interleave1Hi(c[2 * i], c[2 * i + 1]);
      }
#pragma GCC unroll 2
      for (int h = 0; h < 2; ++h) {
        u[4 * h + 0] = Interleave2Lo(t[4 * h + 0], t[4 * h + 1]);
        u[4 * h + 1] = Interleave2Hi(t[4 * h + 0], t[4 * h + 1]);
        u[4 * h + 2] = Interleave2Lo(t[4 * h + 2], t[4 * h + 3]);
        u[4 * h + 3] = Interleave2Hi(t[4 * h + 2], t[4 * h + 3]);
      }
      // u[a] holds two elements of columns 0..3 and u[a + 2] the same two of columns
      // 4..7: a = 0 elements 0, 1; a = 1 elements 2, 3; a = 4 elements 4, 5; a = 5
      // elements 6, 7.
#pragma GCC unroll 4
      for (int q = 0; q < 4; ++q) {
        const int a = (q / 2) * 4 + q % 2;
        r[2 * q] = Interleave4Lo(u[a], u[a + 2]);
        r[2 * q + 1] = Interleave4Hi(u[a], u[a + 2]);
      }
#pragma GCC unroll 8
      for (int j = 0; j < 8; ++j) {
        std::memcpy(pixels + static_cast<std::ptrdiff_t>(y0 + 7 - j) * pitch + x0 * 2, &r[j],
                    sizeof r[j]);
      }
    }
  }
}

namespace {

// Two elements in one 32-bit word, the lower element in the low half; the addresses
// are those of 4-byte aligned words (checked by the caller).
inline uint32_t LoadPair(const uint16_t* p) {
  uint32_t w;
  std::memcpy(&w, __builtin_assume_aligned(p, 4), sizeof w);
  return w;
}
inline void StorePair(uint8_t* p, uint32_t w) {
  std::memcpy(__builtin_assume_aligned(p, 4), &w, sizeof w);
}
// conv16 of the two elements of a word.
constexpr uint32_t Conv16x2(uint32_t w) { return (w & 0xFFE0FFE0u) | ((w >> 1) & 0x001F001Fu); }
static_assert(Conv16x2(0x8421'003Eu) == (uint32_t{conv16(0x8421)} << 16 | conv16(0x003E)));

}  // namespace

// The whole 320 x 240 screen at 1x in 32-bit words, for processors without vector
// registers: two neighbouring elements of two neighbouring columns (one word each) are
// a 2 x 2 block of the screen, stored as two words, one per screen row. Little-endian
// processors only: the lower element is the low half of a word.
void ConvertScreenWords(const uint16_t* src, uint8_t* pixels, int pitch) {
  for (int y = 0; y < kScreenHeight; y += 2) {
    // Element 238 - y (screen row y + 1) is the low half of each word, 239 - y (row y)
    // the high half.
    const uint16_t* in = src + (kScreenHeight - 2 - y);
    uint8_t* upper = pixels + static_cast<std::ptrdiff_t>(y) * pitch;
    uint8_t* lower = upper + pitch;
#pragma GCC unroll 2
    for (int x = 0; x < kScreenWidth; x += 2) {
      const uint32_t a = Conv16x2(LoadPair(in + x * kScreenHeight));
      const uint32_t b = Conv16x2(LoadPair(in + (x + 1) * kScreenHeight));
      // Screen pixel x is the low half of a row's word, x + 1 the high half.
      StorePair(upper + 2 * x, (a >> 16) | (b & 0xFFFF0000u));
      StorePair(lower + 2 * x, (a & 0xFFFFu) | (b << 16));
    }
  }
}

void GP32toPC(const uint16_t* src, int32_t depth, SDL_Surface* dest) {
  const int k = dest->w / kScreenWidth > 0 ? dest->w / kScreenWidth : 1;
  const int bytes = dest->format->BytesPerPixel == 4 ? 4 : 2;
  const int rows = dest->h / k < kScreenHeight ? dest->h / k : kScreenHeight;
  const int cols = dest->w / k < kScreenWidth ? dest->w / k : kScreenWidth;
  auto* pixels = static_cast<uint8_t*>(dest->pixels);
  // The surface rows of a 16-bit screen hold 2-byte pixels at even offsets.
  if (depth == 16 && bytes == 2 && dest->pitch % 2 == 0 &&
      reinterpret_cast<uintptr_t>(pixels) % 2 == 0) {
    switch (k) {
      case 1:
        if (rows == kScreenHeight && cols == kScreenWidth) {
          if constexpr (kConvertWithVectors) {
            ConvertScreenVectors(src, pixels, dest->pitch);
            return;
          } else if (std::endian::native == std::endian::little && dest->pitch % 4 == 0 &&
                     reinterpret_cast<uintptr_t>(pixels) % 4 == 0 &&
                     reinterpret_cast<uintptr_t>(src) % 4 == 0) {
            ConvertScreenWords(src, pixels, dest->pitch);
            return;
          }
        }
        Convert16To16<1>(src, pixels, dest->pitch, rows, cols);
        return;
      case 2: Convert16To16<2>(src, pixels, dest->pitch, rows, cols); return;
      case 3: Convert16To16<3>(src, pixels, dest->pitch, rows, cols); return;
      default: break;
    }
  }
  const Channels ch = ChannelsOf(dest->format);
  for (int y = 0; y < rows; ++y) {
    // Screen row y is element 239 - y of every column; rows are placed by the pitch.
    uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * k * dest->pitch;
    const int e = kScreenHeight - 1 - y;
    for (int x = 0; x < cols; ++x) {
      const int i = x * kScreenHeight + e;
      const uint16_t p = depth == 16 ? conv16(src[i]) : gp_palette[load_byte(src, i)];
      for (int r = 0; r < k; ++r) PutPixel(row, x * k + r, bytes, ch, p);
    }
    // Pixel replication: the other k - 1 lines of this row are copies of the first.
    for (int r = 1; r < k; ++r) {
      std::memcpy(row + static_cast<std::ptrdiff_t>(r) * dest->pitch, row,
                  static_cast<size_t>(cols) * k * bytes);
    }
  }
}

int GpSurfaceFlip(GpSurfaceDesc* surface, int32_t /*vsync*/) {
  // A screen that cannot be locked skips this frame's conversion.
  if (SDL_LockSurface(screen) < 0) return -1;
  GP32toPC(surface->buffer, surface->depth, screen);
  SDL_UnlockSurface(screen);
  return SDL_Flip(screen);
}

GpPalette* GpPaletteCreate(int32_t n, const uint16_t* colours) {
  // Entries beyond n are zero rather than left uninitialised.
  auto* palette = new GpPalette[256]();
  for (int32_t i = 0; i < n && i < 256; ++i) palette[i] = colours[i];
  return palette;
}

void GpPaletteSelect(const GpPalette* palette) {
  for (int i = 0; i < 256; ++i) {
    const uint32_t c = palette[i];
    gp_palette[i] = static_cast<uint16_t>((c & 0xF800) | (c & 0x07C0) | ((c >> 1) & 0x1F));
  }
}

void GpPaletteRealize(const GpPalette* /*palette*/) {
  // The selection takes effect at the next flip.
}

}  // namespace zudezed
