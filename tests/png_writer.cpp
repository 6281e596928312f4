#include "tests/png_writer.h"

#include <png.h>

#include <vector>

#include "platform/gp32_functions.h"
#include "tools/common/png_file.h"

namespace zudezed {

namespace {

// Writes rows of `channels` bytes a pixel at libpng's own compression.
bool WritePng(const char* path, const uint8_t* data, int w, int h, int channels) {
  if (path == nullptr) return false;
  return WritePngImage(path, data, w, h, channels, kPngDefaultCompression, nullptr);
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
  return WritePng(path, rgb.data(), w, h, 3);
}

bool WriteRgbPng(const char* path, const uint8_t* rgb, int w, int h) {
  return WritePng(path, rgb, w, h, 3);
}

bool WriteGrayPng(const char* path, const uint8_t* gray, int w, int h) {
  return WritePng(path, gray, w, h, 1);
}

bool ReadRgbPng(const std::string& path, RgbImage* image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
  png.format = PNG_FORMAT_RGB;
  image->w = static_cast<int>(png.width);
  image->h = static_cast<int>(png.height);
  image->rgb.resize(PNG_IMAGE_SIZE(png));
  const bool ok = png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return ok;
}

}  // namespace zudezed
