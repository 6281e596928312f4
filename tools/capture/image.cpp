#include "tools/capture/image.h"

#include <SDL.h>

#include <cstddef>
#include <cstring>

#include "platform/gp32_functions.h"
#include "tools/common/png_file.h"

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

bool WritePngFile(const std::string& path, const CaptureImage& image, std::string* error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3) {
    *error = "no picture to write";
    return false;
  }
  // Frames are full of flat areas; a fast setting keeps encoding well below rendering.
  return WritePngImage(path, image.rgb.data(), image.width, image.height, 3, 3, error);
}

}  // namespace zudezed
