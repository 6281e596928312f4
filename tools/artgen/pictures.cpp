// The three pictures: the group picture (a synthwave sunset over a chequered sea, its
// sky built from raster-bar bands), the chrome title logo "TAVRIMEL" in its own display
// letters and the caption "presents" in the stroke face, both on a transparent
// background.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "tools/artgen/art.h"

namespace zudezed::artgen {

namespace {

float Hash(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFFFF) / float(0xFFFFFF);
}

float ValueNoise(float x, float y) {
  const int xi = int(std::floor(x)), yi = int(std::floor(y));
  const float fx = x - xi, fy = y - yi;
  const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const float a = Hash(xi, yi), b = Hash(xi + 1, yi), c = Hash(xi, yi + 1), d = Hash(xi + 1, yi + 1);
  return a + (b - a) * sx + (c - a) * sy + (a - b - c + d) * sx * sy;
}

float Fbm(float x, float y, int octaves) {
  float v = 0, amp = 0.5f, f = 1;
  for (int i = 0; i < octaves; ++i) {
    v += amp * ValueNoise(x * f, y * f);
    f *= 2.03f;
    amp *= 0.5f;
  }
  return v;
}

}  // namespace

// Strokes of a text laid out from (x0, y0) with the grid unit (sx, sy) and advance.
std::vector<Stroke> TextStrokes(const std::string& text, float x0, float y0, float sx, float sy,
                                float advance) {
  std::vector<Stroke> all;
  for (size_t i = 0; i < text.size(); ++i) {
    for (auto s : GlyphStrokes(static_cast<unsigned char>(text[i]))) {
      for (auto& p : s) p = {x0 + advance * i + sx * p.x, y0 + sy * p.y};
      all.push_back(s);
    }
  }
  return all;
}

// The title's own display letters, wider and more open than the stroke face of the
// fonts: each is (width in grid units, polylines on the 0..6 grid). The V and the
// middle of the M come to points, and the A's bar sits high, in the bright upper half
// of the chrome where it shows, so that no letter reads as a neighbour (V as U, M as
// N, A as an open arch). Only the letters of the title are drawn.
namespace {

struct LogoGlyph {
  float width;
  const char* strokes;
};
const LogoGlyph& LogoLetter(char c) {
  static const LogoGlyph T{4.4f, "0,0 4.4,0 | 2.2,0 2.2,6"};
  static const LogoGlyph A{4.0f, "0,6 0,1 1,0 3,0 4,1 4,6 | 0,2.7 4,2.7"};
  static const LogoGlyph V{4.6f, "0,0 2.3,6 4.6,0"};
  static const LogoGlyph R{4.0f, "0,6 0,0 3,0 4,1 4,2.2 3,3.2 0,3.2 | 2,3.2 4,5.2 4,6"};
  static const LogoGlyph I{2.0f, "0,0 2,0 | 1,0 1,6 | 0,6 2,6"};
  static const LogoGlyph M{5.0f, "0,6 0,0 2.5,3.4 5,0 5,6"};
  static const LogoGlyph E{3.6f, "3.6,0 0,0 0,6 3.6,6 | 0,3 2.8,3"};
  static const LogoGlyph L{3.6f, "0,0 0,6 3.6,6"};
  switch (c) {
    case 'T': return T;
    case 'A': return A;
    case 'V': return V;
    case 'R': return R;
    case 'I': return I;
    case 'M': return M;
    case 'E': return E;
    default: return L;
  }
}

}  // namespace


std::vector<Stroke> LogoStrokes(const std::string& word, float x0, float y0, float sx, float sy,
                                float gap) {
  std::vector<Stroke> all;
  float x = x0;
  for (char ch : word) {
    const LogoGlyph& g = LogoLetter(ch);
    for (const Stroke& s : ParseStrokes(g.strokes)) {
      all.emplace_back();
      for (const Pt& p : s) all.back().push_back({x + sx * p.x, y0 + sy * p.y});
    }
    x += sx * g.width + gap;
  }
  return all;
}

// Width in pixels of a word's centre lines laid out as above.
float LogoWidth(const std::string& word, float sx, float gap) {
  float w = 0;
  for (char ch : word) w += sx * LogoLetter(ch).width;
  return w + gap * float(word.size() - 1);
}

namespace {

// Chrome lettering: a sky-to-ground reflection gradient across the letter height, a
// bevel from the distance field, a dark outline and a hard drop shadow; everything
// outside stays transparent.
void ChromeText(Canvas& img, const std::vector<Stroke>& strokes, float pen, float top, float bottom,
                Rgb shadow_colour) {
  const int w = img.w, h = img.h;
  std::vector<float> dist(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dist[size_t(y) * w + x] = StrokeDistance(strokes, x + 0.5f, y + 0.5f);
  const auto d = [&](int x, int y) {
    x = std::clamp(x, 0, w - 1);
    y = std::clamp(y, 0, h - 1);
    return dist[size_t(y) * w + x];
  };
  const float outline = 1.3f;
  const int sh = std::max(2, int(pen * 0.8f));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float dd = d(x, y);
      img.alpha(x, y) = 0;
      img.at(x, y) = {0, 0, 0};
      if (dd <= pen) {
        const float t = Clamp01((y + 0.5f - top) / (bottom - top));
        // Chrome: pale sky above a bright horizon line, dark earth below it fading to
        // warm orange at the foot.
        Rgb c;
        if (t < 0.5f) {
          c = Mix(Rgb{0.20f, 0.35f, 0.85f}, Rgb{0.85f, 0.93f, 1.0f}, Smooth(0.0f, 0.5f, t));
        } else if (t < 0.56f) {
          c = Rgb{1.0f, 1.0f, 1.0f};
        } else {
          c = Mix(Rgb{0.25f, 0.12f, 0.10f}, Rgb{1.0f, 0.62f, 0.20f}, Smooth(0.56f, 1.0f, t));
        }
        // Bevel: light from the upper left on the pen's round profile.
        const float gx = d(x + 1, y) - d(x - 1, y), gy = d(x, y + 1) - d(x, y - 1);
        const float gl = std::sqrt(gx * gx + gy * gy) + 1e-6f;
        const float edge = dd / pen;  // 0 on the centre line, 1 at the rim
        const float lit = (gx * 0.6f + gy * 0.8f) / gl * edge;  // > 0 facing the light
        c = c * (1.0f + 0.45f * lit) + Rgb{1, 1, 1} * (0.25f * std::max(0.0f, lit - 0.3f));
        img.at(x, y) = {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
        img.alpha(x, y) = 1;
      } else if (dd <= pen + outline) {
        img.at(x, y) = {0.02f, 0.02f, 0.06f};
        img.alpha(x, y) = 1;
      } else if (d(x - sh, y - sh) <= pen + outline) {
        img.at(x, y) = shadow_colour;
        img.alpha(x, y) = 1;
      }
    }
  }
}

void MakeQuib0(const std::string& dir) {
  constexpr int W = 320, H = 240, kHorizon = 138;
  Canvas img(W, H);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      Rgb c;
      if (y < kHorizon) {
        // Sky: deep violet to hot orange, crossed by raster-bar bands whose spacing
        // tightens towards the horizon.
        const float t = y / float(kHorizon);
        c = Mix(Rgb{0.04f, 0.01f, 0.12f}, Rgb{0.55f, 0.08f, 0.45f}, Smooth(0.0f, 0.7f, t));
        c = Mix(c, Rgb{1.0f, 0.55f, 0.15f}, Smooth(0.55f, 1.0f, t));
        const float band = std::sin(std::pow(t, 1.6f) * 42.0f);
        c = c * (0.78f + 0.22f * band) + Rgb{0.10f, 0.02f, 0.10f} * std::max(0.0f, band) * (1 - t);
        // Stars in the upper sky.
        if (t < 0.45f && Hash(x, y) > 0.993f) c = Mix(c, Rgb{1, 1, 1}, 0.8f * (1 - t / 0.45f));
        // The sun, its lower half cut by widening slots.
        const float dx = x - 160.0f, dy = y - 96.0f, r = std::sqrt(dx * dx + dy * dy);
        if (r < 56.0f) {
          const float st = Clamp01((y - 60.0f) / 76.0f);
          const bool slot = y > 74 && std::fmod(y - 74.0f, 9.0f) < 0.6f + st * 4.5f;
          if (!slot) {
            const Rgb sun = Mix(Rgb{1.0f, 0.95f, 0.35f}, Rgb{1.0f, 0.20f, 0.45f}, Clamp01((y - 40) / 96.0f));
            c = Mix(c, sun, Smooth(56.0f, 54.0f, r));
          }
        } else if (r < 80.0f) {
          c = c + Rgb{0.25f, 0.10f, 0.08f} * (1 - (r - 56.0f) / 24.0f) * (1 - (r - 56.0f) / 24.0f);
        }
        // Two mountain ranges, the near one darker.
        const float far = kHorizon - 18.0f - 30.0f * Fbm(x * 0.018f, 3.1f, 5);
        const float near = kHorizon - 4.0f - 34.0f * Fbm(x * 0.011f + 9.0f, 7.7f, 5) *
                                              (0.4f + 0.6f * std::abs(x - 160.0f) / 160.0f);
        if (y > far) c = Mix(Rgb{0.30f, 0.05f, 0.35f}, Rgb{0.55f, 0.15f, 0.40f}, (y - far) / 30.0f);
        if (y > near) {
          const float ridge = Clamp01(1.0f - (y - near) / 3.0f);
          c = Rgb{0.08f, 0.02f, 0.12f} + Rgb{0.9f, 0.3f, 0.7f} * ridge;
        }
      } else {
        // The sea: a perspective chequer of glowing grid lines with the sun's
        // reflection running down the middle.
        const float dz = (y - kHorizon + 0.5f) / float(H - kHorizon);
        const float z = 1.0f / dz;                 // distance
        const float u = (x - 160.0f) * z / 40.0f;  // across
        const float v = z * 2.5f;
        const float fu = u - std::floor(u), fv = v - std::floor(v);
        const bool dark = (int(std::floor(u)) + int(std::floor(v))) & 1;
        c = dark ? Rgb{0.05f, 0.02f, 0.18f} : Rgb{0.12f, 0.03f, 0.30f};
        const float lw = 0.06f * z * 0.5f + 0.03f;
        const float line = std::max(Smooth(lw, 0.0f, std::min(fu, 1 - fu)),
                                    Smooth(lw * 1.5f, 0.0f, std::min(fv, 1 - fv)));
        c = Mix(c, Rgb{0.1f, 0.9f, 1.0f}, line * Clamp01(1.2f - z * 0.06f));
        const float refl = std::exp(-std::pow((x - 160.0f) / (28.0f + dz * 20.0f), 2.0f));
        const float wave = 0.5f + 0.5f * std::sin(y * 1.7f + std::sin(x * 0.15f) * 2.0f);
        c = c + Rgb{1.0f, 0.55f, 0.25f} * refl * wave * (1.0f - dz * 0.6f);
        c = Mix(c, Rgb{0.9f, 0.35f, 0.45f}, Clamp01(1.0f - dz * 6.0f) * 0.6f);  // haze
      }
      img.at(x, y) = {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
    }
  }
  img.at(W - 1, 0) = {0, 0, 0};  // the top-right pixel is not stored
  WritePng(dir + "/quib0.png", img, false);
}

void MakeTavrimel(const std::string& dir) {
  constexpr int W = 192, H = 84;
  Canvas img(W, H);
  const float pen = 2.9f, sy = 10.0f, gap = 2.0f * pen + 2.8f, top = 7.0f + pen;
  // The grid unit that makes the word, its pens, outline and shadow fill the width
  // between the 2-pixel transparent margins.
  const std::string word = "TAVRIMEL";
  const float outer = 2 * pen + 2 * 1.3f + 3.0f;
  const float sx = (W - 4.0f - outer - gap * float(word.size() - 1)) / LogoWidth(word, 1.0f, 0.0f);
  const auto strokes = LogoStrokes(word, 2.0f + 1.3f + pen, top, sx, sy, gap);
  ChromeText(img, strokes, pen, top - pen, top + pen + 6 * sy, Rgb{0.22f, 0.05f, 0.35f});
  // Keep a transparent margin: the wobble reads column 0 and the bottom row for every
  // source position it pushes off the picture.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (x < 2 || x >= W - 2 || y < 2 || y >= H - 2) img.alpha(x, y) = 0;
  WritePng(dir + "/tavrimel.png", img, true);
}

void MakePresents(const std::string& dir) {
  Canvas img(128, 32);
  const float sx = 2.55f, sy = 3.55f, advance = 14.6f, pen = 1.5f;
  // Lower-case letters run from grid row 2 to 6 (8 for the descender of the "p").
  const auto strokes = TextStrokes("presents", 5.5f + pen, 3.2f + pen - 2 * sy, sx, sy, advance);
  ChromeText(img, strokes, pen, 3.2f + pen, 3.2f + pen + 4 * sy, Rgb{0.20f, 0.04f, 0.30f});
  // Keep the zero border the caption zoom relies on.
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 128; ++x)
      if (x < 5 || x >= 123 || y < 3 || y >= 29) img.alpha(x, y) = 0;
  WritePng(dir + "/presents.png", img, true);
}

}  // namespace

void MakePictures(const std::string& dir) {
  MakeQuib0(dir);
  MakeTavrimel(dir);
  MakePresents(dir);
}

}  // namespace zudezed::artgen
