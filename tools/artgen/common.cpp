#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tools/artgen/art.h"
#include "tools/common/png_file.h"

namespace zudezed::artgen {

Rgb Hsv(float h, float s, float v) {
  h = h - std::floor(h);
  const float f = h * 6.0f;
  const int i = static_cast<int>(f) % 6;
  const float p = v * (1 - s), q = v * (1 - s * (f - std::floor(f))),
              t = v * (1 - s * (1 - (f - std::floor(f))));
  switch (i) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
  }
}

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& data, int w, int h, int channels) {
  std::string error;
  if (!WritePngImage(path, data.data(), w, h, channels, kPngDefaultCompression, &error)) {
    std::fprintf(stderr, "artgen: %s\n", error.c_str());
    std::exit(1);
  }
  std::printf("artgen: wrote %s\n", path.c_str());
}

uint8_t Byte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

}  // namespace

void WritePng(const std::string& path, const Canvas& img, bool with_alpha) {
  const int ch = with_alpha ? 4 : 3;
  std::vector<uint8_t> d(size_t(img.w) * img.h * ch);
  for (size_t i = 0; i < img.c.size(); ++i) {
    d[i * ch + 0] = Byte(img.c[i].r);
    d[i * ch + 1] = Byte(img.c[i].g);
    d[i * ch + 2] = Byte(img.c[i].b);
    if (with_alpha) d[i * ch + 3] = Byte(img.a[i]);
  }
  Write(path, d, img.w, img.h, ch);
}

void WriteGreyPng(const std::string& path, const std::vector<uint8_t>& grey, int w, int h) {
  Write(path, grey, w, h, 1);
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) {
    std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::printf("artgen: wrote %s\n", path.c_str());
}

}  // namespace zudezed::artgen
