// The timeline: the script that runs one frame of the current part, the eight scene
// parts, and the shade-row fade rule that every part's colour transition uses.
#pragma once

#include <array>
#include <cstdint>

namespace zudezed {

constexpr int kParts = 9;

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

// The credits of the last part.
inline constexpr const char* kCreditCode = "Code:Pelwick";
inline constexpr const char* kCreditMusic = "Music:Drossmar";

void Script();

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

}  // namespace zudezed
