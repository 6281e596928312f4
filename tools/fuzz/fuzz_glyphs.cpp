// Fuzz target: glyph art. Every input is converted as the 8 x 8 font and as the
// 16 x 16 font, directly and through the whole conversion of each array; what is
// accepted must have the fonts' layouts, what is rejected must produce nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/fuzz/fuzz_support.h"

namespace {

using zudezed::assetconv::AssetError;
using zudezed::fuzz::Expect;

void CheckBitfont(const std::string& text) {
  std::vector<uint8_t> out;
  try {
    out = zudezed::assetconv::ConvertBitfont(text, "bitfonts");
  } catch (const AssetError&) {
    return;
  }
  Expect(out.size() == 472, "the 8 x 8 font has the wrong length");
}

void CheckFont16(const std::string& text) {
  std::vector<uint8_t> out;
  try {
    out = zudezed::assetconv::ConvertFont16(text, "fonts16");
  } catch (const AssetError&) {
    return;
  }
  Expect(out.size() == 22272, "the 16 x 16 font has the wrong length");
  Expect(out[0] == 0, "character 0 is mapped");
  for (size_t c = 0; c < 256; ++c) Expect(out[c] <= 85, "a character maps past the last glyph");
  for (size_t i = 256; i < 512; ++i) Expect(out[i] == 0, "glyph 0 is not empty");
  for (size_t i = 256; i < out.size(); ++i) Expect(out[i] <= 15, "a glyph intensity is above 15");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckBitfont(text);
  CheckFont16(text);
  static const std::string path = zudezed::fuzz::ScratchPath("glyphs.txt");
  zudezed::fuzz::WriteBytes(path, data, size);
  zudezed::fuzz::ConvertArrayLeavesNothingOnFailure("bitfonts", {path});
  zudezed::fuzz::ConvertArrayLeavesNothingOnFailure("fonts16", {path});
  return 0;
}
