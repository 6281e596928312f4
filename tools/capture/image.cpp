#include "tools/capture/image.h"

#include <SDL.h>
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "platform/gp32_functions.h"

namespace zudezed {

namespace {

// A component of `loss` missing low bits (8 - loss bits wide) widened to 8 bits.
inline uint8_t Widen(uint32_t pixel, uint32_t mask, int shift, int loss) {
  const uint32_t v = (pixel & mask) >> shift;
  if (loss == 0) return static_cast<uint8_t>(v);
  const int bits = 8 - loss;
  return static_cast<uint8_t>((v << loss) | (v >> (bits - loss > 0 ? bits - loss : 0)));
}

}  // namespace

bool GrabScreen(CaptureImage* image) {
  if (screen == nullptr || screen->format == nullptr) return false;
  const SDL_PixelFormat* f = screen->format;
  const int bpp = f->BytesPerPixel;
  if (bpp != 2 && bpp != 4) return false;
  image->width = screen->w;
  image->height = screen->h;
  image->rgb.resize(static_cast<size_t>(screen->w) * screen->h * 3);
  if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) < 0) return false;
  const auto* pixels = static_cast<const uint8_t*>(screen->pixels);
  uint8_t* out = image->rgb.data();
  for (int y = 0; y < screen->h; ++y) {
    const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * screen->pitch;
    for (int x = 0; x < screen->w; ++x) {
      uint32_t p = 0;
      if (bpp == 2) {
        uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        p = v;
      } else {
        std::memcpy(&p, row + 4 * x, 4);
      }
      *out++ = Widen(p, f->Rmask, f->Rshift, f->Rloss);
      *out++ = Widen(p, f->Gmask, f->Gshift, f->Gloss);
      *out++ = Widen(p, f->Bmask, f->Bshift, f->Bloss);
    }
  }
  if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
  return true;
}

namespace {

// The row pointers are made by the caller, outside the scope that setjmp returns to.
bool Encode(FILE* f, const CaptureImage& image, png_bytep* rows) {
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
  // Frames are full of flat areas; a fast setting keeps encoding well below rendering.
  png_set_compression_level(png, 3);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePngFile(const std::string& path, const CaptureImage& image, std::string* error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3) {
    *error = "no picture to write";
    return false;
  }
  errno = 0;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<png_bytep> rows(static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    rows[y] = const_cast<png_bytep>(image.rgb.data() + static_cast<size_t>(y) * image.width * 3);
  }
  const bool encoded = Encode(f, image, rows.data());
  const bool flushed = std::fflush(f) == 0 && !std::ferror(f);
  const int saved = errno;
  const bool closed = std::fclose(f) == 0;
  if (encoded && flushed && closed) return true;
  std::remove(path.c_str());
  *error = "cannot write " + path + ": " +
           (saved != 0 ? std::strerror(saved) : "PNG encoding failed");
  return false;
}

}  // namespace zudezed
