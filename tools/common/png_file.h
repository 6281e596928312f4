// PNG files for the tools and the tests: one libpng writer for every picture they save.
#pragma once

#include <cstdint>
#include <string>

namespace zudezed {

// libpng's own compression setting.
inline constexpr int kPngDefaultCompression = -1;

// Writes a row-major 8-bit image, top row first, `channels` bytes a pixel: 1 grey,
// 3 RGB, 4 RGB with alpha. compression is zlib's level (0..9) or
// kPngDefaultCompression. On failure a partly written file is removed and *error
// (when given) says why.
bool WritePngImage(const std::string& path, const uint8_t* pixels, int width, int height,
                   int channels, int compression, std::string* error);

}  // namespace zudezed
