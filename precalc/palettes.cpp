// The 64-palette shade table, its unfaded copy and the white and black fade targets.
//
// Palettes are linear ramps between colour stops, computed with a single-precision
// running sum: the first entry of a ramp is one step past its start stop and the last
// lands on its end stop.
#include "platform/numeric.h"
#include "precalc/precalcs.h"

namespace zudezed {

std::array<uint16_t, kShadeEntries> shades;
std::array<uint16_t, kShadeEntries> sshades;
std::array<uint16_t, 256> wshade;
std::array<uint16_t, 256> bshade;

StateList PalettesGlobals() {
  static constexpr StateBlock kList[] = {Held("shades", shades), Held("sshades", sshades),
      Held("wshade", wshade), Held("bshade", bshade)};
  return kList;
}

void MakeColors(uint16_t* palette, ColorStop from, ColorStop to, int32_t start, int32_t end) {
  float r = static_cast<float>(from.r);
  float g = static_cast<float>(from.g);
  float b = static_cast<float>(from.b);
  const float n = static_cast<float>(end - start + 1);
  const float dr = (static_cast<float>(to.r) - r) / n;
  const float dg = (static_cast<float>(to.g) - g) / n;
  const float db = (static_cast<float>(to.b) - b) / n;
  for (int32_t i = start; i <= end; ++i) {
    r += dr;
    g += dg;
    b += db;
    // The components are not masked: a stop beyond 31 would spill into its neighbour.
    palette[i] = static_cast<uint16_t>(shl(trunc_i32(r), 11) | shl(trunc_i32(g), 6) |
                                       shl(trunc_i32(b), 1));
  }
}

namespace {

// One ramp of a palette: entries first..last from stop `from` towards stop `to`
// (indices into the palette's stop list).
struct Ramp {
  uint8_t from, to;
  int16_t first, last;
};

struct PaletteRecipe {
  int32_t palette;
  std::array<ColorStop, 4> stops;  // three-stop lists leave the fourth unused
  std::array<Ramp, 5> ramps;
  int32_t ramp_count;
};

// Stop list shared by palettes 4, 16 and 33.
constexpr std::array<ColorStop, 4> kListL{{{0, 0, 15}, {31, 0, 0}, {31, 23, 0}, {31, 31, 31}}};

// Ramp layouts shared by several palettes.
constexpr std::array<Ramp, 5> kThreeRamps128{{{0, 1, 0, 127}, {1, 2, 128, 191}, {2, 3, 192, 255}}};
constexpr std::array<Ramp, 5> kThreeRamps64{{{0, 1, 0, 63}, {1, 2, 64, 191}, {2, 3, 192, 255}}};
constexpr std::array<Ramp, 5> kThereAndBack{
    {{0, 1, 0, 63}, {1, 2, 64, 127}, {2, 1, 128, 191}, {1, 0, 192, 255}}};

// Every palette that the demo builds; palettes not listed stay 0 (black).
constexpr std::array<PaletteRecipe, 17> kPalettes{{
    {0, {{{15, 0, 31}, {31, 15, 0}, {31, 31, 0}, {31, 31, 31}}},
     {{{0, 1, 0, 159}, {1, 2, 160, 191}, {2, 3, 192, 255}}}, 3},
    {1, {{{7, 0, 15}, {15, 7, 31}, {7, 15, 31}, {15, 31, 31}}}, kThreeRamps128, 3},
    {2, {{{15, 7, 0}, {15, 15, 0}, {7, 31, 7}, {0, 31, 15}}}, kThreeRamps64, 3},
    {3, {{{7, 7, 7}, {15, 15, 15}, {15, 26, 31}, {31, 31, 31}}}, kThreeRamps64, 3},
    {4, kListL, kThereAndBack, 4},
    {5, {{{15, 0, 0}, {0, 0, 31}, {0, 31, 31}}}, kThereAndBack, 4},
    {6, {{{0, 15, 0}, {31, 31, 0}, {0, 31, 31}}}, kThereAndBack, 4},
    {7, {{{15, 0, 0}, {31, 31, 15}, {15, 15, 0}}}, kThereAndBack, 4},
    {8, {{{31, 0, 0}, {15, 0, 31}, {31, 31, 31}}}, kThereAndBack, 4},
    {9, {{{0, 0, 0}, {31, 31, 31}, {0, 0, 0}}}, kThereAndBack, 4},
    {10, {{{15, 15, 15}, {15, 0, 15}, {31, 0, 15}, {31, 31, 31}}}, kThreeRamps128, 3},
    {11, {{{0, 0, 15}, {7, 15, 7}, {31, 15, 0}, {31, 31, 31}}}, kThreeRamps128, 3},
    // Entries 0..127 of palette 12 are not written.
    {12, {{{15, 0, 31}, {15, 15, 31}, {31, 31, 31}, {15, 31, 31}}},
     {{{0, 1, 128, 159}, {1, 2, 160, 191}, {2, 3, 192, 223}, {3, 0, 224, 255}}}, 4},
    {16, kListL, kThreeRamps128, 3},
    {32, {{{0, 0, 0}, {15, 7, 31}, {23, 31, 31}}}, {{{0, 1, 0, 127}, {1, 2, 128, 255}}}, 2},
    // The last ramp of palette 33 is a constant white run.
    {33, kListL, {{{0, 1, 0, 63}, {1, 3, 64, 191}, {3, 3, 192, 255}}}, 3},
    {34, {{{15, 7, 7}, {0, 0, 31}, {15, 31, 31}, {15, 7, 31}}},
     {{{0, 1, 0, 63}, {1, 2, 64, 127}, {2, 3, 128, 191}, {3, 0, 192, 255}}}, 4},
}};

}  // namespace

void colortest() {
  for (const PaletteRecipe& p : kPalettes) {
    uint16_t* base = shade_row(shades, p.palette);
    for (int32_t k = 0; k < p.ramp_count; ++k) {
      const Ramp& ramp = p.ramps[k];
      MakeColors(base, p.stops[ramp.from], p.stops[ramp.to], ramp.first, ramp.last);
    }
  }
}

void CloneColors() { sshades = shades; }

void MakeFadeColors() {
  wshade.fill(0xFFFE);
  bshade.fill(0);
}

}  // namespace zudezed
