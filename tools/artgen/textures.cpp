// The cylinder's textures and the environment map.
// - kavrel: the side, wrapped once around the cylinder, so every pattern repeats with
//   the 128-texel width: riveted metal rims, an interference band and the group name.
// - kavrel_top, kavrel_bottom: the caps. Each cap triangle reads its texels along one
//   radius from (64, 64) towards the rim circle of radius 61.5 about (63, 63) (texel
//   units), so the designs are polar: colour rings by radius, alternating by sector.
// - env1: a chrome sphere map: sky above a bright horizon, dark ground below, a sun,
//   turned half round for the engine's inward-pointing normals (see MakeEnv).
#include <algorithm>

#include "tools/artgen/art.h"

namespace zudezed::artgen {

namespace {

constexpr float kTau = 6.28318531f;

void MakeSide(const std::string& dir) {
  constexpr int N = 128;
  Canvas img(N, N);
  // The group name once around, centred in the middle band; strokes are repeated one
  // width to each side so that letters crossing the seam join up.
  std::vector<Stroke> text;
  for (int rep = -1; rep <= 1; ++rep) {
    // In the title logo's letters (the V comes to a point), spread over the span the
    // name always had, x 10 .. 118, with 4 pixels between the letters.
    constexpr float kGap = 4.0f;
    const float sx = (108.0f - 7 * kGap) / LogoWidth("TAVRIMEL", 1.0f, 0.0f);
    auto s = LogoStrokes("TAVRIMEL", 10.0f + rep * N, 50.0f, sx, 4.4f, kGap);
    text.insert(text.end(), s.begin(), s.end());
    // A diamond between the end of the name and its start.
    const float cx = 3.0f + rep * N, cy = 63.2f;
    s = {{{cx, cy - 4.0f}, {cx + 3.0f, cy}, {cx, cy + 4.0f}, {cx - 3.0f, cy}, {cx, cy - 4.0f}}};
    text.insert(text.end(), s.begin(), s.end());
  }
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
      Rgb c;
      if (v < 0.16f || v > 0.84f) {
        // Brushed metal rims with rivets, 16 around.
        const float edge = v < 0.5f ? v / 0.16f : (1.0f - v) / 0.16f;
        const float brush = 0.9f + 0.1f * std::sin(y * 2.7f + std::sin(x * 0.9f) * 0.5f);
        c = Rgb{0.45f, 0.50f, 0.60f} * (0.55f + 0.45f * std::sin(edge * 3.1f)) * brush;
        const float rx = std::fmod(u * 16.0f, 1.0f) - 0.5f, ry = (edge - 0.5f) * 2.2f;
        const float rr = std::sqrt(rx * rx + ry * ry);
        if (rr < 0.28f) c = Mix(Rgb{1.0f, 0.95f, 0.8f}, Rgb{0.25f, 0.2f, 0.2f}, Clamp01(rr / 0.28f + rx + ry));
        if (edge < 0.12f) c = c * 0.35f;
      } else {
        // An interference pattern of waves that each repeat a whole number of times
        // around the cylinder.
        const float a = std::sin(u * kTau * 3.0f + v * 9.0f) + std::sin(u * kTau * 5.0f - v * 14.0f) +
                        std::sin(u * kTau * 2.0f + std::sin(v * 11.0f) * 2.0f);
        const float t = 0.5f + a / 6.0f;
        c = Mix(Rgb{0.05f, 0.05f, 0.35f}, Rgb{0.05f, 0.65f, 0.85f}, t);
        c = Mix(c, Rgb{0.95f, 0.25f, 0.70f}, Smooth(0.70f, 0.95f, t));
        // The lettering: white-hot core, dark outline.
        const float d = StrokeDistance(text, x + 0.5f, y + 0.5f);
        if (d < 3.0f) c = Mix(c, Rgb{0.02f, 0.01f, 0.06f}, Smooth(3.0f, 2.2f, d));
        if (d < 1.9f) c = Mix(Rgb{1.0f, 0.95f, 0.55f}, Rgb{1.0f, 0.45f, 0.10f}, Clamp01(d / 1.9f));
      }
      img.at(x, y) = c;
    }
  }
  WritePng(dir + "/kavrel.png", img, false);
}

// A cap: (u, v) texel position, sampled by the cylinder along 64 radii.
void MakeCap(const std::string& path, Rgb a, Rgb b, Rgb rim, int petals) {
  constexpr int N = 128;
  Canvas img(N, N);
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      const float dx = x + 0.5f - 63.5f, dy = y + 0.5f - 63.5f;
      const float r = std::sqrt(dx * dx + dy * dy) / 61.5f;  // 1 at the rim
      const float ang = std::atan2(dy, dx) / kTau + 0.5f;
      const float sector = std::fmod(ang * petals, 1.0f);
      const bool odd = (int(ang * petals) & 1) != 0;
      // Petals whose tips reach out and back with the radius, a hub and a rim ring.
      const float petal = std::abs(sector - 0.5f) * 2.0f;  // 0 mid-petal, 1 at its edge
      Rgb c = odd ? a : b;
      c = c * (0.45f + 0.55f * (1.0f - r));
      c = Mix(c, Rgb{1, 1, 1}, Smooth(0.35f, 0.0f, petal) * Smooth(0.15f, 0.7f, r) * 0.5f);
      if (r < 0.16f) c = Mix(Rgb{1.0f, 0.95f, 0.75f}, rim, Smooth(0.0f, 0.16f, r));
      if (r > 0.80f) {
        const float t = (r - 0.80f) / 0.20f;
        c = rim * (0.6f + 0.4f * std::sin(t * 3.1f)) + Rgb{1, 1, 1} * (0.25f * Smooth(0.4f, 0.6f, t));
      }
      if (std::abs(r - 0.80f) < 0.02f || std::abs(r - 0.16f) < 0.02f) c = c * 0.3f;
      img.at(x, y) = {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
    }
  }
  WritePng(path, img, false);
}

// The renderer looks the map up by the rotated point normal, u growing with its x and
// v with its y, and the engine's point normals point into the object (on a face turned
// to the viewer they point away from it). So texel (u, v) shows what a chrome surface
// whose outward normal is the opposite direction reflects: the sphere map below is
// drawn the usual way and then turned half round, which puts its sky at the bottom of
// the picture and on the top of the objects.
void MakeEnv(const std::string& dir) {
  constexpr int N = 64;
  Canvas natural(N, N);
  Canvas& img = natural;
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      // The sphere normal of this texel (outside the disc, the rim's).
      float nx = (x + 0.5f - 32.0f) / 31.5f, ny = (y + 0.5f - 32.0f) / 31.5f;
      const float r2 = nx * nx + ny * ny;
      if (r2 > 0.999f) {
        const float s = std::sqrt(0.999f / r2);
        nx *= s;
        ny *= s;
      }
      const float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
      // Reflect the view ray (0, 0, -1): r = d - 2 (d.n) n.
      const float rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
      const float up = -ry;  // y down in the picture
      Rgb c;
      if (up > 0) {
        c = Mix(Rgb{0.85f, 0.90f, 1.0f}, Rgb{0.10f, 0.25f, 0.75f}, Smooth(0.0f, 0.8f, up));
      } else {
        c = Mix(Rgb{0.55f, 0.35f, 0.20f}, Rgb{0.10f, 0.05f, 0.05f}, Smooth(0.0f, 0.6f, -up));
        c = c * (0.8f + 0.2f * std::sin(std::atan2(rx, rz) * 12.0f));  // furrows
      }
      c = Mix(c, Rgb{1, 1, 1}, Smooth(0.06f, 0.0f, std::abs(up)));  // horizon glint
      const float sl = rx * -0.5f + up * 0.6f + rz * 0.62f;         // the sun
      c = c + Rgb{1.0f, 0.9f, 0.7f} * std::pow(std::max(0.0f, sl), 40.0f);
      img.at(x, y) = {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
    }
  }
  Canvas turned(N, N);
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) turned.at(x, y) = natural.at(N - 1 - x, N - 1 - y);
  turned.at(N - 1, 0) = turned.at(N - 2, 0);  // the last texel (top right) is not stored
  WritePng(dir + "/env1.png", turned, false);
}

}  // namespace

void MakeTextures(const std::string& dir) {
  MakeSide(dir);
  MakeCap(dir + "/kavrel_top.png", Rgb{1.0f, 0.45f, 0.05f}, Rgb{0.85f, 0.10f, 0.25f},
          Rgb{0.95f, 0.75f, 0.30f}, 16);
  MakeCap(dir + "/kavrel_bottom.png", Rgb{0.10f, 0.55f, 1.0f}, Rgb{0.35f, 0.10f, 0.80f},
          Rgb{0.55f, 0.70f, 0.85f}, 16);
  MakeEnv(dir);
}

}  // namespace zudezed::artgen
