#include "tests/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "platform/gp32_functions.h"

namespace zudezed {

namespace {

// Writes rows of `channels` bytes per pixel; colour_type is a PNG_COLOR_TYPE_*.
bool WritePng(const char* path, const uint8_t* data, int w, int h, int channels,
              int colour_type) {
  if (path == nullptr || data == nullptr || w <= 0 || h <= 0) return false;
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    std::fclose(f);
    return false;
  }
  // The row pointers live outside the setjmp scope so a longjmp leaks nothing.
  std::vector<png_bytep> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y)
    rows[y] = const_cast<png_bytep>(data + static_cast<size_t>(y) * w * channels);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
               colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace

void Rgb565ToRgb888(uint16_t p, uint8_t* rgb) {
  const int r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
  rgb[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
  rgb[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
  rgb[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
}

bool WriteBufferPng(const char* path, const uint16_t* column_major_buffer, int scale) {
  if (column_major_buffer == nullptr || scale < 1 || scale > 8) return false;
  const int w = kScreenWidth * scale, h = kScreenHeight * scale;
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const int sy = y / scale;
    for (int x = 0; x < w; ++x) {
      const int sx = x / scale;
      const uint16_t p = conv16(column_major_buffer[sx * kScreenHeight + (kScreenHeight - 1 - sy)]);
      Rgb565ToRgb888(p, &rgb[(static_cast<size_t>(y) * w + x) * 3]);
    }
  }
  return WritePng(path, rgb.data(), w, h, 3, PNG_COLOR_TYPE_RGB);
}

bool WriteRgbPng(const char* path, const uint8_t* rgb, int w, int h) {
  return WritePng(path, rgb, w, h, 3, PNG_COLOR_TYPE_RGB);
}

bool WriteGrayPng(const char* path, const uint8_t* gray, int w, int h) {
  return WritePng(path, gray, w, h, 1, PNG_COLOR_TYPE_GRAY);
}

}  // namespace zudezed
