// The asset converter: turns the editable sources under assets/ (PNG pictures, glyph
// art in text, Wavefront OBJ meshes) into the demo's constant arrays, in the exact byte
// layouts the engine reads. Every check failure throws AssetError with one line that
// names the source file and what is wrong, so a bad source stops the build instead of
// producing a wrong array.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zudezed::assetconv {

struct AssetError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A decoded PNG: 8-bit grey, RGB or RGBA samples widened to 16 bits (0..65535), row
// by row from the top, `channels` samples per pixel.
struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 grey, 3 RGB, 4 RGBA
  std::vector<uint16_t> samples;
  uint16_t at(int x, int y, int c) const {
    return samples[(static_cast<size_t>(y) * width + x) * channels + c];
  }
};

// Reads a PNG file. Grey (8 or 16 bit), RGB and RGBA (8 or 16 bit) are accepted;
// palette images and grey with alpha are rejected as a wrong colour type.
Image ReadPng(const std::string& path);

// The demo's 16-bit pixel of a PNG pixel: each component reduced to 5 bits, packed as
// r << 11 | g << 6 | b << 1. For an RGBA image a pixel with alpha below one half is
// transparent (0), and an opaque pixel that would pack to 0 becomes 1 (black with the
// intensity bit), so that opaque black does not turn transparent.
uint16_t Pixel555(const Image& img, int x, int y);

// Pictures: column by column from the left, each column bottom-up, so element
// x * h + (h - 1 - y) holds PNG pixel (x, y). `border_cols`/`border_rows` demand that
// many transparent columns at each side and rows at top and bottom; with `drop_last`
// the last element (the top-right pixel) is not stored and must be 0 in the source.
struct PictureRules {
  int width = 0;
  int height = 0;
  int border_cols = 0;
  int border_rows = 0;
  bool need_alpha = false;
  bool drop_last = false;
};
std::vector<uint16_t> ConvertPicture(const Image& img, const PictureRules& rules,
                                     const std::string& name);

// Textures: row by row from the bottom, texel (u, v) = PNG pixel (u, h - 1 - v), so
// that v grows upwards as in the pictures and the frame buffer (a texture reads the
// right way round on the side of an object facing the viewer). When `stored` is less
// than w * h, only that many texels are stored; the missing last texel (the top-right
// pixel) must equal the one before it, which the array repeats in its place.
std::vector<uint16_t> ConvertTexture(const Image& img, int width, int height, int stored,
                                     const std::string& name);

// The ball: a 16 x 16 RGB picture of the 255 colours (colour 16k + s at column s of
// row k; the last pixel, colour 255, is not stored and must be black) and a 16 x 16
// grey picture of shade values (grey g gives shade (g + 8) / 16, 0..16, 0 transparent,
// PNG row 0 at the top). Result: 768 bytes, bytes 0..1 unused (0), colour e as a
// 15-bit little-endian value at bytes 2e + 2, the shades column by column, bottom-up,
// at 512 + column * 16 + (15 - row).
std::vector<uint8_t> ConvertBall(const Image& colours, const Image& shades,
                                 const std::string& colours_name,
                                 const std::string& shades_name);

// Glyph art: a record starts with "glyph <numbers>" (text after ';' is a comment) and
// is followed by its rows; between records, empty lines and ';' lines are comments.
// The 8 x 8 font from glyph art: records "glyph <code>" for codes 32..90 in order,
// each followed by 8 rows of 8 characters, '#' ink and '.' blank. 472 bytes, one byte
// per row, bit 7 the leftmost pixel.
std::vector<uint8_t> ConvertBitfont(const std::string& text, const std::string& name);

// The 16 x 16 font from glyph art: records "glyph <n> [<code>...]" for n = 0..85 in
// order, each followed by 16 rows of 16 intensity digits ('.' 0, 1..9, a..f); the codes
// listed make up the character map in block 0. Glyph 0 must be empty. 22272 bytes.
std::vector<uint8_t> ConvertFont16(const std::string& text, const std::string& name);

// Stored meshes from Wavefront OBJ: "v x y z" with integer coordinates -64..63, "l a b"
// and "f a b c" with 1-based point indices, kept in file order. Every point must lie in
// 1..255 polygons. The result is the stored format padded with zero bytes to `size`.
std::vector<uint8_t> ConvertMesh(const std::string& text, size_t size, const std::string& name);

// The stored coordinate byte of a model coordinate -64..63, which the loader turns
// back with (b - 128) >> 1.
constexpr uint8_t CoordByte(int m) { return static_cast<uint8_t>(128 + 2 * m); }

// C++ source defining `const std::array<type, count> name` in namespace zudezed.
std::string ArraySource(const std::string& name, const std::vector<uint8_t>& data,
                        const std::string& source);
std::string ArraySource(const std::string& name, const std::vector<uint16_t>& data,
                        const std::string& source);

// Reads a whole text file; a missing file is an AssetError.
std::string ReadText(const std::string& path);

// Runs one conversion by array name with its source files and writes the generated
// source to `out_path` (through a temporary file, so a failure leaves no output).
// Returns the number of bytes the array stores, for the converter's report.
size_t ConvertArray(const std::string& array, const std::vector<std::string>& sources,
                    const std::string& out_path);

}  // namespace zudezed::assetconv
