// Shared pieces of the art generators: an RGBA canvas in linear floats, PNG output,
// the stroke lettering used by both fonts and by the logo pictures, and the entry
// points of each generator.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace zudezed::artgen {

struct Rgb {
  float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a * (1.0f - t) + b * t; }
inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Smooth(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
// Hue 0..1, saturation, value: a colour on the HSV cone.
Rgb Hsv(float h, float s, float v);

// An image of colours 0..1 with coverage (alpha) 0..1, row-major from the top.
struct Canvas {
  int w, h;
  std::vector<Rgb> c;
  std::vector<float> a;
  Canvas(int w_, int h_) : w(w_), h(h_), c(size_t(w_) * h_), a(size_t(w_) * h_, 1.0f) {}
  Rgb& at(int x, int y) { return c[size_t(y) * w + x]; }
  float& alpha(int x, int y) { return a[size_t(y) * w + x]; }
};

// Writes the canvas as 8-bit RGB (with_alpha false) or RGBA. Exits on failure.
void WritePng(const std::string& path, const Canvas& img, bool with_alpha);
// Writes an 8-bit grey PNG (row-major from the top).
void WriteGreyPng(const std::string& path, const std::vector<uint8_t>& grey, int w, int h);
void WriteText(const std::string& path, const std::string& text);

// Stroke lettering. A glyph is a set of polylines on a grid 0..4 wide and 0..6 high
// (y down, 6 the baseline, descenders down to 8). `GlyphStrokes` returns the polylines
// of a character, or an empty list for a space or an unknown character; the heart is
// the filled shape tested by `InHeart`.
struct Pt {
  float x, y;
};
using Stroke = std::vector<Pt>;
// Polylines written as "x,y x,y | x,y ..." (a bar starts a new one).
std::vector<Stroke> ParseStrokes(const std::string& text);
std::vector<Stroke> GlyphStrokes(int code);
// Inside the heart, in glyph coordinates (the heart fills about 0..4 x 0..6).
bool InHeart(float x, float y);
// Distance from (x, y) to the nearest stroke of the glyph (a large value if none).
float StrokeDistance(const std::vector<Stroke>& strokes, float x, float y);

// The title logo's display letters (the title picture and the cylinder's side): the
// strokes of a word, grid unit (sx, sy) on a grid 0..6 high, a gap of `gap` pixels
// between the letters' centre-line boxes, the first box starting at (x0, y0); and the
// width in pixels of the word's centre lines laid out so.
std::vector<Stroke> LogoStrokes(const std::string& word, float x0, float y0, float sx, float sy,
                                float gap);
float LogoWidth(const std::string& word, float sx, float gap);

// The generators; each writes its sources into the assets folder `dir`.
void MakeFonts(const std::string& dir);
void MakeBall(const std::string& dir);
void MakePictures(const std::string& dir);
void MakeTextures(const std::string& dir);
void MakeMeshes(const std::string& dir);

}  // namespace zudezed::artgen
