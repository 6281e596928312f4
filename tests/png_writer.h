// PNG files for tests and visual checks: writes 16-bit column-major frame buffers
// (through the screen conversion) or plain RGB images to PNG files with libpng, and
// reads PNG files back as RGB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zudezed {

// Writes a 320 x 240 frame buffer in the display layer's column-major, bottom-up
// layout as an RGB PNG, each pixel passed through conv16 and expanded to 8 bits per
// component; scale (1..8) replicates pixels. Returns false on any failure.
bool WriteBufferPng(const char* path, const uint16_t* column_major_buffer, int scale = 1);

// Writes a row-major RGB image (3 bytes per pixel, top row first) as a PNG.
bool WriteRgbPng(const char* path, const uint8_t* rgb, int w, int h);

// Writes a row-major 8-bit grey image (one byte per pixel, top row first) as a PNG.
bool WriteGrayPng(const char* path, const uint8_t* gray, int w, int h);

// Converts a 565 screen pixel (as produced by conv16) to 8-bit components, replicating
// the top bits into the low ones so that full intensity is 255.
void Rgb565ToRgb888(uint16_t p, uint8_t* rgb);

// A picture read back: row-major RGB, 3 bytes per pixel, top row first.
struct RgbImage {
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return rgb.data() + (static_cast<size_t>(y) * w + x) * 3; }
};

// Reads a PNG file of any format as RGB; false when it cannot be read.
bool ReadRgbPng(const std::string& path, RgbImage* image);

}  // namespace zudezed
