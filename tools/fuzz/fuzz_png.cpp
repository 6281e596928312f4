// Fuzz target: PNG sources. Every input goes through the decoder and, when it
// decodes, through every picture, texture and ball conversion of the build; what the
// converter accepts must have the layout the demo reads, and what it rejects must
// produce nothing. Exceptions other than the converter's own error are crashes.
#include <cstddef>
#include <cstdint>

#include "tools/fuzz/fuzz_support.h"

namespace {

using zudezed::assetconv::AssetError;
using zudezed::assetconv::Image;
using zudezed::fuzz::Expect;

void CheckPicture(const Image& img, const zudezed::assetconv::PictureRules& r) {
  std::vector<uint16_t> out;
  try {
    out = zudezed::assetconv::ConvertPicture(img, r, "picture");
  } catch (const AssetError&) {
    return;
  }
  Expect(img.width == r.width && img.height == r.height, "a picture of the wrong size was accepted");
  Expect(out.size() == static_cast<size_t>(r.width) * r.height, "a picture has the wrong length");
  for (int x = 0; x < r.width; ++x) {
    for (int y = 0; y < r.height; ++y) {
      const bool border = x < r.border_cols || x >= r.width - r.border_cols ||
                          y < r.border_rows || y >= r.height - r.border_rows;
      const uint16_t p = out[static_cast<size_t>(x) * r.height + (r.height - 1 - y)];
      Expect(!border || p == 0, "a picture border pixel is not transparent");
      Expect(p == zudezed::assetconv::Pixel555(img, x, y), "a picture pixel is misplaced");
    }
  }
  Expect(!r.drop_last || out.back() == 0, "the unstored last picture pixel is not 0");
}

void CheckTexture(const Image& img, int w, int h, int stored) {
  std::vector<uint16_t> out;
  try {
    out = zudezed::assetconv::ConvertTexture(img, w, h, stored, "texture");
  } catch (const AssetError&) {
    return;
  }
  Expect(img.width == w && img.height == h, "a texture of the wrong size was accepted");
  Expect(out.size() == static_cast<size_t>(w) * h, "a texture has the wrong length");
  Expect(stored == w * h || out[out.size() - 1] == out[out.size() - 2],
         "the unstored last texel differs from its neighbour");
}

void CheckBall(const Image& img) {
  std::vector<uint8_t> out;
  try {
    out = zudezed::assetconv::ConvertBall(img, img, "colours", "shades");
  } catch (const AssetError&) {
    return;
  }
  Expect(out.size() == 768, "the ball has the wrong length");
  Expect(out[0] == 0 && out[1] == 0, "the ball's unused bytes are not 0");
  for (size_t i = 3; i < 512; i += 2) Expect(out[i] < 0x80, "a ball colour is wider than 15 bits");
  for (size_t i = 512; i < 768; ++i) Expect(out[i] <= 16, "a ball shade is above 16");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = zudezed::fuzz::ScratchPath("source.png");
  zudezed::fuzz::WriteBytes(path, data, size);
  Image img;
  try {
    img = zudezed::assetconv::ReadPng(path);
  } catch (const AssetError&) {
    // Rejected by the decoder: no array either.
    Expect(!zudezed::fuzz::ConvertArrayLeavesNothingOnFailure("kavrel", {path}),
           "an array was made from a PNG the decoder rejects");
    return 0;
  }
  Expect(img.width > 0 && img.height > 0, "an empty image was decoded");
  Expect(img.channels == 1 || img.channels == 3 || img.channels == 4, "wrong channel count");
  Expect(img.samples.size() == static_cast<size_t>(img.width) * img.height * img.channels,
         "the decoded samples do not fill the image");

  CheckPicture(img, {320, 240, 0, 0, false, true});  // quib0
  CheckPicture(img, {192, 84, 0, 0, true, false});   // tavrimel
  CheckPicture(img, {128, 32, 5, 3, true, false});   // presents
  CheckTexture(img, 128, 128, 128 * 128);            // kavrel, kavrel_top, kavrel_bottom
  CheckTexture(img, 64, 64, 4095);                   // env1
  CheckBall(img);
  for (const char* array : {"quib0", "tavrimel", "presents", "kavrel", "env1"}) {
    zudezed::fuzz::ConvertArrayLeavesNothingOnFailure(array, {path});
  }
  zudezed::fuzz::ConvertArrayLeavesNothingOnFailure("ball", {path, path});
  return 0;
}
