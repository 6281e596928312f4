// The software rasteriser: the render pipeline, the triangle fillers, lines, points
// and balls.
#pragma once

#include <array>
#include <cstdint>

#include "engine3d/engine3d.h"
#include "platform/gp32_functions.h"
#include "platform/state_list.h"

namespace zudezed {

// RenderMode values: 256 marks the z-buffer twin of a painter's mode.
enum : int32_t {
  kModeBalls = 0,
  kModePoints = 1,
  kModeLines = 2,
  kModeFlat = 4,
  kModeGouraud = 8,
  kModeTexture = 16,
  kModeEnvmap = 32,
  kModeFlatWater = 64,
  kModePlasma = 128,
  kModeFlatZB = 260,
  kModeGouraudZB = 264,
  kModeTextureZB = 272,
  kModeEnvmapZB = 288,
  kModeFlatWaterZB = 320,
  kModePlasmaZB = 384,
};

extern int32_t RenderMode;
extern int32_t tm;  // plasma phase, (prticks >> 3) mod 438
extern std::array<uint32_t, kBufferElements> zbuffer;

struct TexCoord {
  int32_t u, v;
};
extern std::array<TexCoord, kWorkEntries> point_tc;

void Render(Object3d* obj, int32_t shade_a, int32_t shade_b, uint16_t* buffer, int32_t s,
            const uint16_t* tex1, const uint16_t* tex2, const uint16_t* tex3, int32_t depth);
void RenderSpecial(Object3d* obj, int32_t shade_f, int32_t shade_g, float fraction,
                   uint16_t* buffer);

// Triangle fillers.
void DrawFlatTriangle(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade);
void DrawFlatTriangleZB(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade);
void DrawFlatWaterTriangle(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade_a,
                           const uint16_t* shade_b);
void DrawFlatWaterTriangleZB(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade_a,
                             const uint16_t* shade_b);
void DrawGouraudTriangle(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade);
void DrawGouraudTriangleZB(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade);
void DrawTextureTriangle(const Poly3d& poly, uint16_t* buffer, int32_t s, const uint16_t* texture);
void DrawTextureTriangleZB(const Poly3d& poly, uint16_t* buffer, int32_t s,
                           const uint16_t* texture);
void DrawTextureTriangle_plasma(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade);
void DrawTextureTriangleZB_plasma(const Poly3d& poly, uint16_t* buffer, const uint16_t* shade);
void DrawEnvmappedTriangle(const Poly3d& poly, uint16_t* buffer, int32_t s,
                           const uint16_t* texture);
void DrawEnvmappedTriangleZB(const Poly3d& poly, uint16_t* buffer, int32_t s,
                             const uint16_t* texture);

// Lines, points and balls.
void drawball(Point2d point, float size, uint16_t* buffer);
void drawpoint(Point2d point, uint16_t* buffer);
void drawline8bit(Line3d line, uint16_t* buffer);
void drawline16bit(Line3d line, uint16_t* buffer);
void drawline(Line3d line, uint16_t* buffer, int32_t depth);
void zsort(int32_t* keys, Object3d* obj);
void CleanZbuffer();

// The globals each source of this folder defines, listed beside them, each held by the
// jump checkpoints or left alone (platform/state_list.h).
StateList FillShadedGlobals();    // fill_shaded.cpp
StateList FillTexturedGlobals();  // fill_textured.cpp
StateList Render3dGlobals();      // render3d.cpp

}  // namespace zudezed
