// Encodes with libpng, which reports its errors by jumping back to setjmp.
#include "tools/common/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zudezed {

namespace {

// The row pointers are made by the caller, outside the scope that setjmp returns to,
// so that a jump back leaks nothing.
bool Encode(FILE* f, int width, int height, int colour_type, int compression, png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f);
  if (compression != kPngDefaultCompression) png_set_compression_level(png, compression);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePngImage(const std::string& path, const uint8_t* pixels, int width, int height,
                   int channels, int compression, std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  int colour_type = 0;
  switch (channels) {
    case 1: colour_type = PNG_COLOR_TYPE_GRAY; break;
    case 3: colour_type = PNG_COLOR_TYPE_RGB; break;
    case 4: colour_type = PNG_COLOR_TYPE_RGB_ALPHA; break;
    default: return fail("cannot write " + path + ": " + std::to_string(channels) +
                         " channels (1, 3 or 4)");
  }
  if (pixels == nullptr || width <= 0 || height <= 0) return fail("no picture to write");
  if (compression != kPngDefaultCompression && (compression < 0 || compression > 9)) {
    return fail("cannot write " + path + ": compression " + std::to_string(compression) +
                " outside 0..9");
  }
  errno = 0;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return fail("cannot write " + path + ": " + std::strerror(errno));
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  const size_t stride = static_cast<size_t>(width) * channels;
  for (int y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(pixels + y * stride);
  const bool encoded = Encode(f, width, height, colour_type, compression, rows.data());
  const bool flushed = std::fflush(f) == 0 && !std::ferror(f);
  const int saved = errno;
  const bool closed = std::fclose(f) == 0;
  if (encoded && flushed && closed) return true;
  std::remove(path.c_str());
  return fail("cannot write " + path + ": " +
              (saved != 0 ? std::strerror(saved) : "PNG encoding failed"));
}

}  // namespace zudezed
