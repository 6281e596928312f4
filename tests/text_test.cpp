// The 8 x 8 and 16 x 16 text renderers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "platform/gp32_functions.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {
namespace {

int element(int x, int y) { return x * 240 + (239 - y); }

// A 16-bit buffer with its surface record.
struct Canvas {
  std::vector<uint16_t> pixels = std::vector<uint16_t>(kBufferElements, 0);
  GpSurfaceDesc desc{pixels.data(), 16, 320, 240, 0, 0};
  uint16_t at(int x, int y) const { return pixels[element(x, y)]; }
};

bool small_ink(int code, int k, int r) {  // glyph column k, row r (0 = top)
  return (bitfonts[(code - 32) * 8 + r] >> (7 - k)) & 1;
}

class SmallFontTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitFonts(); }
};

TEST_F(SmallFontTest, ExpandsEveryGlyphColumnBottomUp) {
  for (int g = 0; g < kSmallGlyphs; ++g) {
    for (int k = 0; k < 8; ++k) {
      for (int r = 0; r < 8; ++r) {
        ASSERT_EQ(fonts[g * 64 + k * 8 + (7 - r)], small_ink(g + 32, k, r) ? 0xFF : 0x00)
            << g << " " << k << " " << r;
      }
    }
  }
}

TEST_F(SmallFontTest, DrawsTheGlyphOverRowsAboveItsBottomLine) {
  Canvas c;
  DrawText(8, 16, 1, "A", 16, &c.desc);
  int ink = 0;
  for (int x = 0; x < 320; ++x) {
    for (int y = 0; y < 240; ++y) {
      const bool inside = x >= 8 && x <= 15 && y >= 9 && y <= 16;
      const bool expect = inside && small_ink('A', x - 8, y - 9);
      ASSERT_EQ(c.at(x, y), expect ? 0x00FF : 0) << x << "," << y;
      ink += expect;
    }
  }
  EXPECT_GT(ink, 0);  // the font's A has ink
}

TEST_F(SmallFontTest, InkIsOredIntoThePixels) {
  Canvas c;
  std::fill(c.pixels.begin(), c.pixels.end(), 0x80A0);
  DrawText(8, 16, 1, "A", 16, &c.desc);
  for (int k = 0; k < 8; ++k) {
    for (int r = 0; r < 8; ++r) {
      EXPECT_EQ(c.at(8 + k, 9 + r), small_ink('A', k, r) ? 0x80FF : 0x80A0);
    }
  }
}

TEST_F(SmallFontTest, UnknownCodesKeepTheirPlaceAndZeroEndsTheText) {
  Canvas a, b;
  DrawText(40, 100, 3, "AaA", 16, &a.desc);  // 'a' is above 90: columns 48..55 untouched
  DrawText(40, 100, 1, "A", 16, &b.desc);
  DrawText(56, 100, 1, "A", 16, &b.desc);
  EXPECT_EQ(a.pixels, b.pixels);

  Canvas z, one;
  const char text[] = {'A', 0, 'A', 0};
  DrawText(40, 100, 3, text, 16, &z.desc);
  DrawText(40, 100, 1, "A", 16, &one.desc);
  EXPECT_EQ(z.pixels, one.pixels);

  Canvas none;
  DrawText(40, 100, 0, "AAA", 16, &none.desc);
  DrawText(40, 100, -3, "AAA", 16, &none.desc);
  DrawText(40, 100, 3, "AAA", 12, &none.desc);  // neither 8 nor 16 bits
  EXPECT_TRUE(std::all_of(none.pixels.begin(), none.pixels.end(), [](uint16_t v) { return v == 0; }));
}

// A line of glyphs drawn across both edges of the screen shows only the glyph columns
// that land on columns 1..318.
TEST_F(SmallFontTest, ColumnsOutside1To318AreNotDrawn) {
  Canvas c;
  std::fill(c.pixels.begin(), c.pixels.end(), 0x8000);
  const std::string line(41, '#');  // left columns -4, 4, ..., 316
  DrawText(-4, 50, 41, line.c_str(), 16, &c.desc);
  int ink = 0;
  for (int r = 0; r < 8; ++r) {
    ASSERT_EQ(c.at(0, 43 + r), 0x8000) << r;
    ASSERT_EQ(c.at(319, 43 + r), 0x8000) << r;
    for (int x = 1; x <= 3; ++x) {  // glyph columns 5..7 of the first character
      const bool on = small_ink('#', x + 4, r);
      EXPECT_EQ(c.at(x, 43 + r), on ? 0x80FF : 0x8000) << x << "," << r;
      ink += on;
    }
    for (int x = 316; x <= 318; ++x) {  // glyph columns 0..2 of the last one
      const bool on = small_ink('#', x - 316, r);
      EXPECT_EQ(c.at(x, 43 + r), on ? 0x80FF : 0x8000) << x << "," << r;
      ink += on;
    }
  }
  EXPECT_GT(ink, 0);
}

// Characters start every 8 columns; the one whose left column reaches 312 is the last
// (any later one would start beyond column 318). A long text is drawn up to and
// including that character, whatever its length limit.
TEST_F(SmallFontTest, StopsAfterTheCharacterAtColumn312) {
  const std::string many(60, 'W');
  Canvas a, b;
  DrawText(304, 80, 60, many.c_str(), 16, &a.desc);  // W at 304 and 312, then stop
  DrawText(304, 80, 2, "WW", 16, &b.desc);
  EXPECT_EQ(a.pixels, b.pixels);
  // From x = -8 the character at 312 is the 41st: drawn, and the last.
  Canvas c, d41, d40;
  DrawText(-8, 80, 60, many.c_str(), 16, &c.desc);
  DrawText(-8, 80, 41, many.c_str(), 16, &d41.desc);
  DrawText(-8, 80, 40, many.c_str(), 16, &d40.desc);
  EXPECT_EQ(c.pixels, d41.pixels);
  EXPECT_NE(c.pixels, d40.pixels);
}

TEST_F(SmallFontTest, EightBitBuffersGetIndex255) {
  Canvas c;  // as bytes: element k is byte k
  c.desc.depth = 8;
  std::fill(c.pixels.begin(), c.pixels.end(), 0x1010);
  DrawText(8, 16, 1, "A", 8, &c.desc);
  for (int k = 0; k < 8; ++k) {
    for (int r = 0; r < 8; ++r) {
      const int e = element(8 + k, 9 + r);
      EXPECT_EQ(load_byte(c.pixels.data(), e), small_ink('A', k, r) ? 0xFF : 0x10);
    }
  }
  // Nothing outside the glyph's bytes changed.
  int changed = 0;
  for (int e = 0; e < kBufferElements; ++e) changed += load_byte(c.pixels.data(), e) != 0x10;
  int ink = 0;
  for (int k = 0; k < 8; ++k)
    for (int r = 0; r < 8; ++r) ink += small_ink('A', k, r);
  EXPECT_EQ(changed, ink);
}

TEST_F(SmallFontTest, RowsOffTheScreenAreSkipped) {
  Canvas c;
  const std::string many(38, 'H');
  DrawText(8, 3, 38, many.c_str(), 16, &c.desc);  // the glyphs' top rows are above row 0
  for (int x = 0; x < 320; ++x) {
    for (int y = 4; y < 240; ++y) ASSERT_EQ(c.at(x, y), 0) << x << "," << y;
  }
  for (int k = 0; k < 8; ++k) {
    for (int r = 4; r < 8; ++r) EXPECT_EQ(c.at(8 + k, r - 4), small_ink('H', k, r) ? 0xFF : 0);
  }
  Canvas far;
  DrawText(8, 100000, 38, many.c_str(), 16, &far.desc);
  DrawText(8, -100000, 38, many.c_str(), 16, &far.desc);
  EXPECT_TRUE(std::all_of(far.pixels.begin(), far.pixels.end(), [](uint16_t v) { return v == 0; }));
}

// ---- The large font ------------------------------------------------------------

// A shade row whose entry v * 16 is 0x1000 + v, so a pixel names the intensity drawn.
std::array<uint16_t, 256> IntensityShade() {
  std::array<uint16_t, 256> s{};
  for (int v = 0; v < 16; ++v) s[v * 16] = static_cast<uint16_t>(0x1000 + v);
  return s;
}

class LargeFontTest : public ::testing::Test {
 protected:
  static constexpr int kA = 'A';
  static int block() { return fonts16[kA] + 1; }
  // A glyph whose every pixel is set and different from its neighbours: intensity
  // 1 + (3 * column + row) % 15 at glyph column c, glyph row r (0 = bottom).
  static int synthetic(int c, int r) { return 1 + (3 * c + r) % 15; }
  void SetUp() override {
    FontInit();
    for (int c = 0; c < 16; ++c)
      for (int r = 0; r < 16; ++r) fnt16[block() * 256 + c * 16 + r] = static_cast<uint8_t>(synthetic(c, r));
  }
  void TearDown() override { FontInit(); }
  std::array<uint16_t, 256> shade = IntensityShade();
};

TEST_F(LargeFontTest, ScaleOneDrawsTheGlyphOneToOne) {
  std::vector<uint16_t> buf(kBufferElements, 0);
  drawfont16(100, 100, 1.0f, kA, shade.data(), buf.data());
  for (int x = 0; x < 320; ++x) {
    for (int e = 0; e < 240; ++e) {
      const bool inside = x >= 92 && x <= 107 && e >= 92 && e <= 107;
      const uint16_t expect = inside ? 0x1000 + synthetic(x - 92, e - 92) : 0;
      ASSERT_EQ(buf[x * 240 + e], expect) << x << "," << e;
    }
  }
}

TEST_F(LargeFontTest, TransparentPixelsKeepTheBackground) {
  std::vector<uint16_t> buf(kBufferElements, 0x4321);
  drawfont16(100, 100, 1.0f, ' ', shade.data(), buf.data());  // block 1: all transparent
  EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](uint16_t v) { return v == 0x4321; }));
  fnt16[block() * 256 + 5 * 16 + 7] = 0;
  drawfont16(100, 100, 1.0f, kA, shade.data(), buf.data());
  EXPECT_EQ(buf[(92 + 5) * 240 + 92 + 7], 0x4321);
  EXPECT_EQ(buf[(92 + 5) * 240 + 92 + 8], 0x1000 + synthetic(5, 8));
}

// Centred at element 12 with scale 1.95 the square starts at element (int)(12 - 15.6)
// = -3: its three lowest rows are cut off and the rest stay where they belong, with
// the same glyph rows as the unclipped glyph at element 112 (square from 96).
TEST_F(LargeFontTest, ClippingAtTheBottomKeepsTheRemainingRowsInPlace) {
  std::vector<uint16_t> low(kBufferElements, 0), high(kBufferElements, 0);
  drawfont16(100, 12, 1.95f, kA, shade.data(), low.data());
  drawfont16(100, 112, 1.95f, kA, shade.data(), high.data());
  const int x0 = 100 - 15;  // (int)(100 - 15.6) = 84
  for (int i = -1; i <= 31; ++i) {
    const int x = x0 - 1 + i;
    for (int j = 0; j <= 30; ++j) {
      const int e_low = -3 + j;
      if (e_low < 0) continue;
      ASSERT_EQ(low[x * 240 + e_low], high[x * 240 + 96 + j]) << x << " row " << j;
    }
    // Above the glyph nothing is drawn.
    for (int e = 28; e < 240; ++e) ASSERT_EQ(low[x * 240 + e], 0) << x << "," << e;
  }
  // Element 0 is row index 3, which samples glyph row 1 (0.51 glyph rows per pixel);
  // column 90 is column index 6, glyph column 3.
  EXPECT_EQ(low[90 * 240 + 0], 0x1000 + synthetic(3, 1));
}

TEST_F(LargeFontTest, SquaresOffTheScreenAreRejected) {
  std::vector<uint16_t> buf(kBufferElements, 0);
  drawfont16(-8, 100, 1.0f, kA, shade.data(), buf.data());   // columns -16..-1
  drawfont16(100, -8, 1.0f, kA, shade.data(), buf.data());   // elements -16..-1
  drawfont16(328, 100, 1.0f, kA, shade.data(), buf.data());  // from column 320
  drawfont16(100, 248, 1.0f, kA, shade.data(), buf.data());  // from element 240
  EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](uint16_t v) { return v == 0; }));

  // One column or one element inside: only that line of the glyph is drawn.
  drawfont16(-7, 100, 1.0f, kA, shade.data(), buf.data());  // glyph column 15 at column 0
  for (int j = 0; j < 16; ++j) EXPECT_EQ(buf[92 + j], 0x1000 + synthetic(15, j));
  EXPECT_EQ(buf[240 + 92], 0);
  std::fill(buf.begin(), buf.end(), 0);
  drawfont16(327, 247, 1.0f, kA, shade.data(), buf.data());  // glyph (0, 0) at (319, 239)
  EXPECT_EQ(buf[319 * 240 + 239], 0x1000 + synthetic(0, 0));
  EXPECT_EQ(std::count(buf.begin(), buf.end(), 0), kBufferElements - 1);
}

TEST_F(LargeFontTest, DegenerateScalesDrawNothing) {
  std::vector<uint16_t> buf(kBufferElements, 0);
  drawfont16(100, 100, 0.0f, kA, shade.data(), buf.data());
  drawfont16(100, 100, -1.0f, kA, shade.data(), buf.data());
  drawfont16(100, 100, std::numeric_limits<float>::infinity(), kA, shade.data(), buf.data());
  EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](uint16_t v) { return v == 0; }));
  // A glyph far larger than the screen fills it with the pixels under the view.
  drawfont16(160, 120, 1000.0f, kA, shade.data(), buf.data());
  EXPECT_EQ(std::count(buf.begin(), buf.end(), 0), 0);
}

TEST_F(LargeFontTest, HalfScaleSamplesEveryOtherPixel) {
  std::vector<uint16_t> buf(kBufferElements, 0);
  drawfont16(100, 100, 0.5f, kA, shade.data(), buf.data());  // 8 x 8 from (96, 96)
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j)
      EXPECT_EQ(buf[(96 + i) * 240 + 96 + j], 0x1000 + synthetic(2 * i, 2 * j)) << i << "," << j;
  EXPECT_EQ(buf[104 * 240 + 96], 0);
  EXPECT_EQ(buf[96 * 240 + 104], 0);
}

TEST(Text16, EachLetterWobblesWithItsOwnScale) {
  FontInit();
  shades.fill(0);
  for (int v = 1; v < 16; ++v) shades[4096 + v * 16] = static_cast<uint16_t>(0x2000 + v);
  prticks = 1000;
  std::vector<uint16_t> text(kBufferElements, 0), letters(kBufferElements, 0);
  DrawText16(60, 120, "Ab!", text.data());
  const char codes[] = {'A', 'b', '!'};
  for (int i = 0; i < 3; ++i) {
    const float s = static_cast<float>((std::sin(0.5 * i + 1000 * 0.0078125) * 0.35 + 0.95) * 1.5);
    drawfont16(60 + 16 * i, 120, s, codes[i], shades.data() + 4096, letters.data());
  }
  EXPECT_EQ(text, letters);
  EXPECT_GT(std::count_if(text.begin(), text.end(), [](uint16_t v) { return v != 0; }), 0);
}

}  // namespace
}  // namespace zudezed
