// The capture's pictures: the SDL screen surface read back as 8-bit RGB, and PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zudezed {

struct CaptureImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // row-major, top row first, 3 bytes per pixel
};

// Reads the screen surface as it stands after the last flip, through its pitch and
// pixel format; 5- and 6-bit components are widened by repeating their top bits, so
// full intensity is 255. False when there is no screen.
bool GrabScreen(CaptureImage* image);

// Writes an RGB PNG. On failure a partly written file is removed and *error says why.
bool WritePngFile(const std::string& path, const CaptureImage& image, std::string* error);

}  // namespace zudezed
