// The 16-bit screen conversion against its definition, pixel for pixel: screen pixel
// (x, y) of a k-times enlarged screen shows conv16 of element (x / k) * 240 + 239 - y / k.
// The conversion makes several rows at a time; screens whose height is not a multiple
// of that, narrower screens and padded rows must come out the same.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/gp32_functions.h"

namespace zudezed {
namespace {

std::vector<uint16_t> RandomBuffer(uint32_t seed) {
  std::vector<uint16_t> b(kBufferElements);
  std::mt19937 rng(seed);
  for (uint16_t& p : b) p = static_cast<uint16_t>(rng());
  return b;
}

// Converts src onto a w x h surface of 16-bit pixels whose rows are pitch_pixels apart.
using Converter = void (*)(const std::vector<uint16_t>& src, SDL_Surface* s);

void ThroughGP32toPC(const std::vector<uint16_t>& src, SDL_Surface* s) {
  GP32toPC(src.data(), 16, s);
}

// The first wrong pixel, or "" when every visible pixel matches and the padding of
// each row beyond the converted pixels is untouched.
std::string Check(const std::vector<uint16_t>& src, int w, int h, int pitch_pixels,
                  Converter convert = ThroughGP32toPC) {
  std::vector<uint16_t> pixels(static_cast<size_t>(pitch_pixels) * h, 0x5A5A);
  SDL_Surface* s = SDL_CreateRGBSurfaceFrom(pixels.data(), w, h, 16, pitch_pixels * 2, 0xF800,
                                            0x07E0, 0x001F, 0);
  if (s == nullptr) return "no surface";
  convert(src, s);
  SDL_FreeSurface(s);
  const int k = w / kScreenWidth > 0 ? w / kScreenWidth : 1;
  const int rows = std::min(h / k, kScreenHeight), cols = std::min(w / k, kScreenWidth);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < pitch_pixels; ++x) {
      const bool drawn = x < cols * k && y < rows * k;
      const uint16_t want =
          drawn ? conv16(src[(x / k) * kScreenHeight + (kScreenHeight - 1 - y / k)]) : 0x5A5A;
      const uint16_t got = pixels[static_cast<size_t>(y) * pitch_pixels + x];
      if (got != want) {
        return std::to_string(w) + "x" + std::to_string(h) + " pixel " + std::to_string(x) +
               "," + std::to_string(y) + ": " + std::to_string(got) + " not " +
               std::to_string(want);
      }
    }
  }
  return "";
}

TEST(Conversion, EveryPixelAtEachScaleAndOddSizes) {
  const std::vector<uint16_t> src = RandomBuffer(42);
  struct Size {
    int w, h, pitch;
  };
  const Size sizes[] = {
      {320, 240, 320},   // the demo's screen
      {320, 240, 336},   // padded rows
      {320, 238, 320},   // a height that leaves two rows after the last full band
      {320, 3, 320},     // fewer rows than one band
      {100, 240, 100},   // fewer columns
      {640, 480, 640},   // 2x
      {960, 717, 960},   // 3x, the last enlarged row cut short
      {1280, 960, 1280}  // 4x, through the general loop
  };
  for (const Size& z : sizes) EXPECT_EQ(Check(src, z.w, z.h, z.pitch), "");
}

// GP32toPC takes one of the two whole-screen ways at compile time; both are checked
// here on every processor, with and without padded rows.
TEST(Conversion, WholeScreenInVectorsAndInWords) {
  const std::vector<uint16_t> src = RandomBuffer(7);
  const Converter ways[] = {
      [](const std::vector<uint16_t>& b, SDL_Surface* s) {
        ConvertScreenVectors(b.data(), static_cast<uint8_t*>(s->pixels), s->pitch);
      },
      [](const std::vector<uint16_t>& b, SDL_Surface* s) {
        ConvertScreenWords(b.data(), static_cast<uint8_t*>(s->pixels), s->pitch);
      }};
  for (Converter way : ways) {
    EXPECT_EQ(Check(src, 320, 240, 320, way), "");
    EXPECT_EQ(Check(src, 320, 240, 322, way), "");
  }
}

}  // namespace
}  // namespace zudezed
