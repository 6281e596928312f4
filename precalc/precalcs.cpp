// The precalculation phase: builds every table of the demo in a fixed order behind a
// progress screen of five captioned bands, one per visible step, each holding a black
// bar that grows outwards from the centre column.
#include <cstdio>
#include <cstring>

#include "platform/numeric.h"
#include "precalc/precalcs.h"
#include "timeline/text.h"

namespace zudezed {

std::array<uint16_t*, 2> prec_framebuffer{};
int32_t prec_flip = 0;
int32_t prec_ybar = 0;

namespace {
int32_t ybar_height = 12;  // rows of one band
int32_t total_precs = 6;   // the count after the slash of every caption
int32_t prec_vsync = 0;    // the vertical-sync flag of the progress flips
std::array<char, 40> textbuffer{};  // the caption being drawn

// 1 while precalcs runs: the builders then report their items to the progress screen.
// BuildTables runs the same builders with it 0, and nothing is drawn or shown.
int32_t prec_shown = 0;
}  // namespace

StateList PrecalcsGlobals() {
  static constexpr StateBlock kList[] = {Apart("prec_framebuffer", prec_framebuffer),
      Apart("prec_flip", prec_flip), Apart("prec_ybar", prec_ybar),
      Apart("ybar_height", ybar_height), Apart("total_precs", total_precs),
      Apart("prec_vsync", prec_vsync), Apart("textbuffer", textbuffer),
      Apart("prec_shown", prec_shown)};
  return kList;
}

void precbar_item(const char* message, int32_t i, int32_t n) {
  if (prec_shown != 0) update_precbar(message, i, n);
}

void precbar_next() {
  if (prec_shown != 0) prec_ybar += 1;
}

void update_precbar(const char* message, int32_t i, int32_t n) {
  // Only the multiples of n / 16 and the last two items draw; every other call costs
  // one division.
  const int32_t q = n >> 4;
  if (i % q != 0 && i < n - 2) return;

  int32_t first = 0;
  int32_t last = 318;  // column 319 is never covered
  if (i < n - 2) {
    const int32_t percent =
        trunc_i32(static_cast<double>(static_cast<float>(i) / static_cast<float>(n - 1)) * 100.0);
    const int32_t w = (percent * 159) / 100;
    first = 159 - w;
    last = 159 + w;
  }

  // The band's rows below its top row, in element order: 240 - h(b + 1) upwards.
  const int32_t h = ybar_height;
  const int32_t b = prec_ybar;
  uint16_t* buffer = prec_framebuffer[prec_flip];
  const int32_t bottom = kScreenHeight - h * (b + 1);
  for (int32_t c = first; c <= last; ++c) {
    uint16_t* column = buffer + c * kScreenHeight;
    for (int32_t m = 0; m <= h - 2; ++m) {
      const int32_t element = bottom + m;
      if (element >= 0 && element < kScreenHeight) column[element] = 0;
    }
  }

  std::snprintf(textbuffer.data(), textbuffer.size(), "%s (%d/%d)", message, b + 1,
                total_precs);
  const int32_t len = static_cast<int32_t>(std::strlen(textbuffer.data()));
  DrawText(160 - (len >> 1) * 8, b * h + 10, len, textbuffer.data(), 16,
           &GP32Surface[prec_flip]);

  GpSurfaceFlip(&GP32Surface[prec_flip], prec_vsync);
  prec_flip = (prec_flip + 1) & 1;
}

void BuildTables() {
  precdivs();
  FontInit();

  for (int32_t j = 0; j < kSineEntries; ++j) {
    SinesStep1Entry(j);
    precbar_item("PRECALCULATING SINES..", j, kSineEntries);
  }
  precbar_next();

  for (int32_t j = 0; j < kSineEntries; ++j) {
    SinesStep2Entry(j);
    precbar_item("..AND MORE SINES", j, kSineEntries);
  }
  precbar_next();

  // Counted from 1: the item number is the count of entries done.
  for (int32_t k = 0; k < kBufferElements; ++k) {
    DistAngleEntry(k);
    precbar_item("RADIUS AND ANGLE FOR EACH PIXEL!", k + 1, kBufferElements);
  }
  precbar_next();

  Show3dInit();  // ends its band itself

  WaterInit();
  precbar_next();

  BlobInit();
  Stars3dInit();
  DistortInit();
  Set8bitPals();
  colortest();
  CloneColors();
  MakeFadeColors();
}

void precalcs() {
  prec_framebuffer[0] = GP32Surface[0].buffer;
  prec_framebuffer[1] = GP32Surface[1].buffer;
  prec_shown = 1;
  BuildTables();
  prec_shown = 0;
}

}  // namespace zudezed
