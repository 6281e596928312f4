// The render pipeline: depth keys and sort, culls, z-buffer clear, environment-map
// coordinates and the dispatch of one object's polygons, points or lines by RenderMode.
#include "engine3d/render3d.h"

#include "engine3d/scan_convert.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"

namespace zudezed {

int32_t RenderMode = 0;

StateList Render3dGlobals() {
  static constexpr StateBlock kList[] = {Held("RenderMode", RenderMode)};
  return kList;
}

namespace {

const uint16_t* ShadeTable(int32_t n) { return shade_row(shades, n); }

// Front faces wind one way on the screen: with the meshes' normals pointing outwards,
// a face turned towards the viewer has a positive winding product here (its rotated
// normal has a negative z). Zero (a collinear triangle) is skipped.
bool FacesViewer(const Poly3d& pl) {
  const Point2d& a = spts[pl.p0];
  const Point2d& b = spts[pl.p1];
  const Point2d& c = spts[pl.p2];
  const int32_t cross = raster::Sub(wmul(raster::Sub(b.x, a.x), raster::Sub(c.y, a.y)),
                                    wmul(raster::Sub(b.y, a.y), raster::Sub(c.x, a.x)));
  return cross > 0;
}

// The z-buffer modes' cull: the rotated normal does not point away from the viewer.
bool NormalVisible(int32_t j) { return norms[j].z >= 0; }

void DepthSort(Object3d* obj) {
  zsort(zdata.data(), obj);
  quicksort(0, obj->npls - 1, zdata.data());
}

void CopyPointColours(Object3d* obj) {
  for (int32_t i = 0; i < obj->npts; ++i) spts[i].c = obj->pts[i].c;
}

// u = (nx >> 9) + 127 and v = (ny >> 9) + 127, mirrored at 0 and wrapped to 0..255.
void EnvCoords(Object3d* obj) {
  for (int32_t i = 0; i < obj->npts; ++i) {
    int32_t u = (pt_norms[i].x >> 9) + 127;
    int32_t v = (pt_norms[i].y >> 9) + 127;
    if (u < 0) u = -u;
    if (v < 0) v = -v;
    point_tc[i] = TexCoord{u & 255, v & 255};
  }
}

// Texture by list position: the last 64 polygons take texture 3, the 64 before them
// texture 2, all earlier ones texture 1.
const uint16_t* TextureFor(int32_t j, int32_t n, const uint16_t* t1, const uint16_t* t2,
                           const uint16_t* t3) {
  if (j >= n - 64) return t3;
  if (j >= n - 128) return t2;
  return t1;
}

// Plasma polygons take shade table 4 + (j >> 1); pairs of polygons share a table. The
// table number stays within the 64 tables for objects of more than 120 polygons.
const uint16_t* PlasmaTable(int32_t j) {
  const int32_t n = 4 + (j >> 1);
  return ShadeTable(n > 63 ? 63 : n);
}

void DrawBalls(Object3d* obj, uint16_t* buffer) {
  CopyPointColours(obj);
  for (int32_t i = 0; i < obj->npts; ++i) {
    zdata[i] = wmul(fpts[i].z, -1);
    swp[i] = static_cast<uint16_t>(i);
  }
  quicksort(0, obj->npts - 1, zdata.data());
  for (int32_t i = 0; i < obj->npts; ++i) {
    const int32_t p = swp[i];
    const float size = static_cast<float>((93000.0 - fpts[p].z) / 24576.0);
    drawball(spts[p], size, buffer);
  }
}

void DrawPoints(Object3d* obj, uint16_t* buffer) {
  CopyPointColours(obj);
  for (int32_t i = 0; i < obj->npts; ++i) drawpoint(spts[i], buffer);
}

void DrawLines(Object3d* obj, uint16_t* buffer, int32_t depth) {
  CopyPointColours(obj);
  for (int32_t i = 0; i < obj->nlns; ++i) drawline(obj->lns[i], buffer, depth);
}

// Painter's order: farthest first, front faces only. The polygon count is re-read on
// every step.
template <class Draw>
void Painter(Object3d* obj, Draw draw) {
  DepthSort(obj);
  for (int32_t i = 0; i < obj->npls; ++i) {
    const int32_t j = swp[i];
    Poly3d& pl = obj->pls[j];
    if (FacesViewer(pl)) draw(j, pl);
  }
}

// List order against the z-buffer, polygons whose normal faces away skipped.
template <class Draw>
void ZBuffered(Object3d* obj, Draw draw) {
  CleanZbuffer();
  for (int32_t j = 0; j < obj->npls; ++j) {
    if (NormalVisible(j)) draw(j, obj->pls[j]);
  }
}

}  // namespace

void Render(Object3d* obj, int32_t shade_a, int32_t shade_b, uint16_t* buffer, int32_t s,
            const uint16_t* tex1, const uint16_t* tex2, const uint16_t* tex3, int32_t depth) {
  tm = (prticks >> 3) % 438;
  const uint16_t* a = ShadeTable(shade_a);
  const uint16_t* b = ShadeTable(shade_b);
  const int32_t n = obj->npls;

  switch (RenderMode) {
    case kModeBalls:
      DrawBalls(obj, buffer);
      break;
    case kModePoints:
      DrawPoints(obj, buffer);
      break;
    case kModeLines:
      DrawLines(obj, buffer, depth);
      break;
    case kModeFlat:
      rotate3d_normals(obj);
      CalcPolyColor(obj);
      Painter(obj, [&](int32_t j, Poly3d& pl) {
        pl.col = spls[j].c;
        DrawFlatTriangle(pl, buffer, a);
      });
      break;
    case kModeGouraud:
      rotate3d_pt_normals(obj);
      CalcPointColor(obj);
      Painter(obj, [&](int32_t, Poly3d& pl) { DrawGouraudTriangle(pl, buffer, a); });
      break;
    case kModeTexture:
      Painter(obj, [&](int32_t j, Poly3d& pl) {
        DrawTextureTriangle(pl, buffer, s, TextureFor(j, n, tex1, tex2, tex3));
      });
      break;
    case kModeEnvmap:
      rotate3d_pt_normals(obj);
      EnvCoords(obj);
      Painter(obj, [&](int32_t, Poly3d& pl) { DrawEnvmappedTriangle(pl, buffer, s, tex1); });
      break;
    case kModeFlatWater:
      rotate3d_normals(obj);
      CalcPolyColor(obj);
      Painter(obj, [&](int32_t j, Poly3d& pl) {
        pl.col = spls[j].c;
        DrawFlatWaterTriangle(pl, buffer, a, b);
      });
      break;
    case kModePlasma:
      Painter(obj, [&](int32_t j, Poly3d& pl) {
        DrawTextureTriangle_plasma(pl, buffer, PlasmaTable(j));
      });
      break;
    case kModeFlatZB:
      rotate3d_normals(obj);
      CalcPolyColor(obj);
      ZBuffered(obj, [&](int32_t j, Poly3d& pl) {
        pl.col = spls[j].c;
        DrawFlatTriangleZB(pl, buffer, a);
      });
      break;
    case kModeGouraudZB:
      rotate3d_normals(obj);
      rotate3d_pt_normals(obj);
      CalcPointColor(obj);
      ZBuffered(obj, [&](int32_t, Poly3d& pl) { DrawGouraudTriangleZB(pl, buffer, a); });
      break;
    case kModeTextureZB:
      rotate3d_normals(obj);
      ZBuffered(obj, [&](int32_t j, Poly3d& pl) {
        DrawTextureTriangleZB(pl, buffer, s, TextureFor(j, n, tex1, tex2, tex3));
      });
      break;
    case kModeEnvmapZB:
      rotate3d_normals(obj);
      rotate3d_pt_normals(obj);
      EnvCoords(obj);
      ZBuffered(obj, [&](int32_t, Poly3d& pl) { DrawEnvmappedTriangleZB(pl, buffer, s, tex1); });
      break;
    case kModeFlatWaterZB:
      rotate3d_normals(obj);
      CalcPolyColor(obj);
      for (int32_t j = 0; j < obj->npls; ++j) obj->pls[j].col = spls[j].c;
      ZBuffered(obj, [&](int32_t, Poly3d& pl) { DrawFlatWaterTriangleZB(pl, buffer, a, b); });
      break;
    case kModePlasmaZB:
      rotate3d_normals(obj);
      ZBuffered(obj, [&](int32_t j, Poly3d& pl) {
        DrawTextureTriangleZB_plasma(pl, buffer, PlasmaTable(j));
      });
      break;
    default:
      break;
  }
}

// Draws the object Gouraud-shaded from the nearest polygon back to sorted position k
// and flat-shaded from k back to the farthest; the polygon at k gets both, flat last.
// k is kept inside the sorted list for a fraction of 1 or more.
void RenderSpecial(Object3d* obj, int32_t shade_f, int32_t shade_g, float fraction,
                   uint16_t* buffer) {
  rotate3d_normals(obj);
  rotate3d_pt_normals(obj);
  CalcPointColor(obj);
  CalcPolyColor(obj);
  DepthSort(obj);
  const int32_t n = obj->npls;
  int32_t k = trunc_i32(static_cast<float>(n) * fraction);
  if (k > n - 1) k = n - 1;
  const uint16_t* flat = ShadeTable(shade_f);
  const uint16_t* gouraud = ShadeTable(shade_g);
  for (int32_t i = n - 1; i >= k && i >= 0; --i) {
    const Poly3d& pl = obj->pls[swp[i]];
    if (FacesViewer(pl)) DrawGouraudTriangle(pl, buffer, gouraud);
  }
  if (k >= 0) {
    for (int32_t i = k; i >= 0; --i) {
      const int32_t j = swp[i];
      Poly3d& pl = obj->pls[j];
      if (!FacesViewer(pl)) continue;
      pl.col = spls[j].c;
      DrawFlatTriangle(pl, buffer, flat);
    }
  }
}

}  // namespace zudezed
