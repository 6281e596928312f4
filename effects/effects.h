// The 2D effects: plasmas, Julia fractals and the rotozoomer, the water ripple, the
// polar tunnel, the picture effects and the blob-star field. All draw into 16-bit
// buffers in the column-major layout of the display layer.
#pragma once

#include <array>
#include <cstdint>

#include "platform/gp32_functions.h"
#include "platform/state_list.h"

namespace zudezed {

// ---- Plasma ------------------------------------------------------------------
void Plasma(uint16_t* buffer, const uint16_t* palette);
void PlasmaFade(uint16_t* buffer, const uint16_t* palette, uint32_t limit);
void PlasmaFade2(uint16_t* buffer, const uint16_t* palette, uint32_t limit);

// ---- Julia fractals and rotozoomer --------------------------------------------
extern std::array<uint8_t, 128 * 128> rotbitmap;
void Juhlia(uint16_t* buffer, const uint16_t* palette, float cr, float ci);
void Juhlia128(uint8_t* texture);
void Rotozoomer(uint16_t* buffer, const uint16_t* palette, float a, float zoom);

// ---- Water, tunnel and picture effects ----------------------------------------
extern std::array<uint8_t, kBufferElements> buffer1, buffer2;  // water height maps
extern uint8_t* ba;     // current height map (one column in)
extern uint8_t* bb;     // previous height map (one column in)
extern int32_t wtime;   // tick time of the last drop / star step
extern float ra, zm;    // the tunnel's rotation and zoom of the frame

void OpenQUIB(uint16_t* buffer, int32_t s);
void Close(uint16_t* buffer, int32_t n);
void LogoZoom(uint16_t* buffer, int32_t x0, int32_t e0, float s);
void LogoDistort(uint16_t* buffer, int32_t x0, int32_t e0);
void Water(uint16_t* buffer);
void Polar(uint16_t* buffer, const uint16_t* p1, const uint16_t* p2);

// ---- Blob stars ---------------------------------------------------------------
extern std::array<int32_t, 512> sx, sy;
extern std::array<float, 512> sz;
extern std::array<uint8_t, kBufferElements> blobbuffer;

void BlobStars3D(uint16_t* buffer);
void draw_blob(int32_t x, int32_t e, float s);
void clean_blob(int32_t x, int32_t e, float s);
void Blobs2vram(uint16_t* buffer, const uint16_t* palette);

// The globals each source of this folder defines, listed beside them, each held by the
// jump checkpoints or left alone (platform/state_list.h).
StateList JuhliaGlobals();     // juhlia.cpp
StateList WaterGlobals();      // water.cpp
StateList WtimeGlobals();      // wtime.cpp
StateList PolarGlobals();      // polar.cpp
StateList BlobStarsGlobals();  // blobstars.cpp

}  // namespace zudezed
