// The timeline: the script that runs one frame of the current part, the eight scene
// parts, and the shade-row fade rule that every part's colour transition uses.
#pragma once

#include <array>
#include <cstdint>

#include "platform/state_list.h"

namespace zudezed {

constexpr int kParts = 9;

// The timeline's parts by number: the routine's name, the part time (prticks) at which
// the part hands over to the next one, and the number of that next part. Part 1 hands
// over when its 3D scene signals, which the scene does from the same part time. Part 7
// is the terminal state behind part 8: it never hands over.
struct PartEntry {
  const char* name;
  int32_t handover;  // prticks of the hand-over; 0 for the terminal part
  int32_t next;      // -1 for the terminal part
};
inline constexpr int kTerminalPart = 7;
inline constexpr std::array<PartEntry, kParts> kPartTable = {{
    {"Space", 12928, 1},
    {"Kavrel", 40448, 2},
    {"PolarTunnel", 26624, 3},
    {"JuhliaIn", 26816, 4},
    {"JuhliaBig", 26624, 5},
    {"PlasmaFace", 53249, 6},
    {"PlasmaCube", 12289, 8},
    {"End", 0, -1},
    {"WaterPart", 28777, kTerminalPart},
}};
// The parts in the order they play; the terminal part is not among them.
inline constexpr std::array<int32_t, kParts - 1> kPlayOrder = {0, 1, 2, 3, 4, 5, 6, 8};

// The timeline time (ticks from the start of part 0) at which part n begins when every
// part hands over exactly at its hand-over time; a run at a finite frame rate starts
// each part up to one frame later. -1 for the terminal part.
constexpr int32_t NominalPartStart(int32_t n) {
  int32_t t = 0;
  for (int32_t p : kPlayOrder) {
    if (p == n) return t;
    t += kPartTable[p].handover;
  }
  return -1;
}
// The nominal length of the whole timeline, from part 0 to the end of part 8.
inline constexpr int32_t kNominalTimelineTicks =
    NominalPartStart(8) + kPartTable[8].handover;
static_assert(kNominalTimelineTicks == 227755);

extern int32_t quit;     // 1 ends the frame loop after the current frame
extern int32_t part;     // current part, 0..8
extern int32_t partime;  // Ticks() at which the current part began
extern int32_t prticks;  // ticks since the current part began, fixed during a frame
extern int32_t chpart;   // pending display-mode change; 1 until the first frame ran
extern std::array<int32_t, kParts> bpp;  // bits per pixel of each part that has run

// Scene-part state: the title logo's row reveal and column wipe.
extern int32_t ypp;  // 1 = even rows, -1 = odd rows, 0 = done
extern int32_t yss;  // row-reveal position 0..46
extern int32_t xpp;  // 1 while the column wipe is pending or running
extern int32_t xss;  // column-wipe position
// The rotozoomer's angle and zoom of the last frame that computed them; the frame
// that hands over to the next part draws with these.
extern float roto_angle;
extern float roto_zoom;

// The credits of the last part.
inline constexpr const char* kCreditCode = "Code:Pelwick";
inline constexpr const char* kCreditMusic = "Music:Drossmar";

void Script();
// The pending display-mode change outside the script: the mode of the current part is
// selected again (both buffers replaced) when chpart is set.
void checkmode();

// The fade rule: for each of the 256 entries, each component c (red 15-11, green 10-6,
// blue 5-1) becomes (int)(from_c + (float)(to_c - from_c) * t), truncated toward zero;
// dest gets red << 11 | green << 6 | blue << 1. t is not clamped.
void Fade2Shade(const uint16_t* from, const uint16_t* to, float t, uint16_t* dest);

// The part routines, one frame each.
void Space();
void Kavrel();
void PolarTunnel();
void JuhliaIn();
void JuhliaBig();
void PlasmaFace();
void PlasmaCube();
void WaterPart();

// The globals state.cpp defines, each held by the jump checkpoints or left alone
// (platform/state_list.h).
StateList TimelineGlobals();

}  // namespace zudezed
