// The precalculated tables, palettes and per-effect data that every effect, filler
// and scene reads, and the precalculation phase that fills them behind a progress
// screen. All tables are zero until the precalculation has run.
#pragma once

#include <array>
#include <cstdint>

#include "platform/gp32_functions.h"
#include "platform/state_list.h"

namespace zudezed {

// ---- Lookup tables -------------------------------------------------------------

// 16.16 reciprocals: div[d + 2048] = 65536 / d for d = -2048..2047, div[2048] = 65536.
extern std::array<int32_t, 4096> div;

constexpr int kSineEntries = 2048;
extern std::array<int32_t, kSineEntries> fsin1, fsin2, fsin3, fsin4, fsin5, fsin6, fsin7, fsin8;

// Inverse radius (8192 / r; 0xFFFF at the centre) and angle (0..255) of each pixel
// offset (x, y) from the screen centre, at index (x + 160) * 240 + (y + 120).
struct DistAngle {
  uint16_t inv_radius;
  uint16_t angle;
};
extern std::array<DistAngle, kBufferElements> dist_angle;

extern std::array<uint8_t, 512> uberclamp;  // clamps v + 256 to 0..255
extern std::array<uint8_t, 256> dclampx;
extern std::array<uint8_t, 128> dclampy;
extern std::array<int32_t, 1024> dsin1, dsin2;
extern std::array<uint8_t, 92> yscan;   // logo element rows that may be drawn
extern std::array<uint8_t, 192> xscan;  // logo columns that may be drawn

void precdivs();
// One entry j (0..2047) of the sine tables of the first visible step (fsin1, fsin2,
// fsin3, fsin6, fsin7, fsin8) and of the second (fsin4, fsin5).
void SinesStep1Entry(int32_t j);
void SinesStep2Entry(int32_t j);
// The dist_angle entry with storage index k (0..76799); the entries before k must be
// built (it copies from its mirrors above and left of the centre).
void DistAngleEntry(int32_t k);
// uberclamp[k] (k = 0..511); WaterInit builds every entry with a progress update each
// (the fifth visible step; the caller moves on to the next band).
void UberclampEntry(int32_t k);
void WaterInit();
void DistortInit();

// ---- Palettes and shade tables -------------------------------------------------

struct ColorStop {
  uint8_t r, g, b;  // 5-bit channels 0..31
};

constexpr int kShadeRows = 64;
constexpr int kShadeEntries = kShadeRows * 256;
extern std::array<uint16_t, kShadeEntries> shades;   // row r at entries 256r..256r+255
extern std::array<uint16_t, kShadeEntries> sshades;  // the unfaded copy
extern std::array<uint16_t, 256> wshade;             // all white (0xFFFE)
extern std::array<uint16_t, 256> bshade;             // all black
extern GpPalette* blurpal;                           // grey palette object

// Row r of a shade table.
inline uint16_t* shade_row(std::array<uint16_t, kShadeEntries>& table, int r) {
  return table.data() + 256 * r;
}

void MakeColors(uint16_t* palette, ColorStop from, ColorStop to, int32_t start, int32_t end);
void colortest();
void CloneColors();
void MakeFadeColors();
void Set8bitPals();

// ---- Effect initialisers -------------------------------------------------------

extern std::array<uint8_t, 128 * 256> fnt16;  // the large font in buffer order
extern std::array<uint16_t, 256> ball_p;      // ball colours
extern std::array<uint8_t, 256> ball_c;       // ball shades 0..15
extern std::array<uint8_t, 32 * 32> blob;     // blob sprite
constexpr int kStars = 512;
extern std::array<float, kStars> star3dx, star3dy, star3dz, star3dv;
extern int32_t scsize;   // 4096
extern int32_t starfar;  // 4096

void FontInit();
// The ball sprite's colour and shade tables ball_p and ball_c; Show3dInit builds them
// after the object catalogue.
void BallInit();
// The same from any picture in the ball's stored layout.
void BallInit(const std::array<uint8_t, 768>& picture);
// The fourth visible step: Init3d, BallInit, 4096 progress updates, then the next band
// (prec_ybar += 1).
void Show3dInit();
void BlobInit();
void Stars3dInit();

// ---- The precalculation phase and its progress screen --------------------------

extern std::array<uint16_t*, 2> prec_framebuffer;
extern int32_t prec_flip;
extern int32_t prec_ybar;

// The background of the progress screen: red 16, green 2, blue 16.
constexpr uint16_t kPrecalcBackground = 0x80A0;

// The precalculation of the start-up: every table built by BuildTables, behind the
// progress screen (five captioned bands, 90 flips).
void precalcs();
// The same builders in the same order with nothing drawn or shown: the tables exactly
// as precalcs leaves them, for tests, benchmarks and tools. Like precalcs it is meant
// to run once per process: the object catalogue and the grey palette are allocated
// anew, and the star field draws from rand().
void BuildTables();
void update_precbar(const char* message, int32_t i, int32_t n);
// One finished item i of n of a visible step, and the end of that step: shown on the
// progress screen while precalcs runs, nothing under BuildTables.
void precbar_item(const char* message, int32_t i, int32_t n);
void precbar_next();

// The globals each source of this folder defines, listed beside them, each held by the
// jump checkpoints or left alone (platform/state_list.h).
StateList TablesGlobals();     // tables.cpp
StateList PalettesGlobals();   // palettes.cpp
StateList FontInitGlobals();   // font_init.cpp
StateList BallInitGlobals();   // ball_init.cpp
StateList BlobInitGlobals();   // blob_init.cpp
StateList StarsInitGlobals();  // stars_init.cpp
StateList Palette8Globals();   // palette8.cpp
StateList PrecalcsGlobals();   // precalcs.cpp

}  // namespace zudezed
