// The display layer on real SDL (dummy video driver): buffer layout, the screen
// conversion of both depths, scaling, palettes and mode changes.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gp32_functions.h"
#include "tests/sdl_screen.h"

namespace zudezed {
namespace {

class Gp32Test : public testing_support::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    std::memset(GpScreen[0], 0, kBufferBlockBytes);
    gp_palette.fill(0);
  }

  // The 16-bit screen pixel at (x, y) of a surface, read through its pitch.
  static uint16_t ScreenPixel(SDL_Surface* s, int x, int y) {
    uint16_t v;
    std::memcpy(&v, static_cast<uint8_t*>(s->pixels) + y * s->pitch + 2 * x, 2);
    return v;
  }
};

TEST_F(Gp32Test, CornersComeFromTheColumnMajorBottomUpElements) {
  uint16_t* b = GpScreen[0];
  b[0] = 0x0800;      // bottom-left
  b[239] = 0x1000;    // top-left
  b[76560] = 0x2000;  // bottom-right
  b[76799] = 0x4000;  // top-right
  b[1 * 240 + 239] = 0x8000;  // one column right of the top-left
  b[238] = 0xF800;            // one row below the top-left
  ASSERT_EQ(GpSurfaceFlip(&GP32Surface[0], 0), 0);
  EXPECT_EQ(ScreenPixel(screen, 0, 239), 0x0800);
  EXPECT_EQ(ScreenPixel(screen, 0, 0), 0x1000);
  EXPECT_EQ(ScreenPixel(screen, 319, 239), 0x2000);
  EXPECT_EQ(ScreenPixel(screen, 319, 0), 0x4000);
  EXPECT_EQ(ScreenPixel(screen, 1, 0), 0x8000);
  EXPECT_EQ(ScreenPixel(screen, 0, 1), 0xF800);
  EXPECT_EQ(ScreenPixel(screen, 5, 5), 0x0000);
}

TEST_F(Gp32Test, SixteenBitConversionMovesBlueAndDropsTheIntensityBit) {
  EXPECT_EQ(conv16(0x80A0), 0x80B0);  // the progress background: red 16, green 2, blue 16
  EXPECT_EQ(conv16(0xFFFF), 0xFFFF);
  EXPECT_EQ(conv16(0x0001), 0x0000);  // intensity bit only
  // Full blue: its top bit also shows as the lowest bit of the 6-bit screen green.
  EXPECT_EQ(conv16(0x003E), 0x003F);
  EXPECT_EQ(conv16(0x001E), 0x000F);  // blue 15: no top bit, no green
  EXPECT_EQ(conv16(0x07C0), 0x07C0);  // full green keeps the lowest screen green bit 0
  // Through the real flip.
  GpScreen[0][120] = 0x80A0;
  ASSERT_EQ(GpSurfaceFlip(&GP32Surface[0], 0), 0);
  EXPECT_EQ(ScreenPixel(screen, 0, 119), 0x80B0);
}

TEST_F(Gp32Test, PaletteSelectClearsTheLowestGreenBit) {
  std::vector<uint16_t> colours(256, 0);
  colours[0] = 0xFFFF;
  colours[1] = 0x80A0;
  colours[255] = 0x003E;
  GpPalette* pal = GpPaletteCreate(256, colours.data());
  EXPECT_EQ(pal[0], 0xFFFFu);  // zero-extended into a 32-bit entry
  GpPaletteSelect(pal);
  EXPECT_EQ(gp_palette[0], 0xFFDF);
  EXPECT_EQ(gp_palette[1], 0x8090);
  EXPECT_EQ(gp_palette[255], 0x001F);
  // A short palette leaves the rest of the object zero, not undefined.
  GpPalette* short_pal = GpPaletteCreate(2, colours.data());
  EXPECT_EQ(short_pal[2], 0u);
  EXPECT_EQ(short_pal[255], 0u);
  GpPaletteRealize(pal);  // takes effect at the next flip: changes nothing now
  EXPECT_EQ(gp_palette[0], 0xFFDF);
  delete[] pal;
  delete[] short_pal;
}

TEST_F(Gp32Test, EightBitPathReadsBytesThroughThePaletteForAnyOtherDepth) {
  gp_palette[7] = 0x1234;
  gp_palette[200] = 0xABCD;
  // 8-bit elements are the bytes of the block: element 239 is the top-left pixel.
  store_byte(GpScreen[0], 239, 7);
  store_byte(GpScreen[0], 0, 200);
  store_byte(GpScreen[0], 76799, 7);
  EXPECT_EQ(load_byte(GpScreen[0], 239), 7);
  EXPECT_EQ(load_byte(GpScreen[0], 238), 0);  // the neighbour byte of the same word
  for (int depth : {8, 15, 24, 0}) {
    GpSurfaceDesc rec = GP32Surface[0];
    rec.depth = depth;
    ASSERT_EQ(GpSurfaceFlip(&rec, 0), 0);
    EXPECT_EQ(ScreenPixel(screen, 0, 0), 0x1234) << depth;
    EXPECT_EQ(ScreenPixel(screen, 0, 239), 0xABCD) << depth;
    EXPECT_EQ(ScreenPixel(screen, 319, 0), 0x1234) << depth;
    EXPECT_EQ(ScreenPixel(screen, 1, 1), gp_palette[0]) << depth;
  }
}

TEST_F(Gp32Test, ScaledConversionReplicatesEveryPixel) {
  for (int k : {2, 3}) {
    SDL_Surface* big =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 320 * k, 240 * k, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(big, nullptr);
    std::memset(GpScreen[0], 0, kBufferBlockBytes);
    GpScreen[0][239] = 0xFFFF;         // top-left
    GpScreen[0][76560] = 0x003E;       // bottom-right
    GpScreen[0][10 * 240 + 100] = 0x80A0;  // (10, 139)
    GP32toPC(GpScreen[0], 16, big);
    for (int dy = 0; dy < k; ++dy) {
      for (int dx = 0; dx < k; ++dx) {
        EXPECT_EQ(ScreenPixel(big, dx, dy), 0xFFFF);
        EXPECT_EQ(ScreenPixel(big, 319 * k + dx, 239 * k + dy), 0x003F);
        EXPECT_EQ(ScreenPixel(big, 10 * k + dx, 139 * k + dy), 0x80B0);
      }
    }
    EXPECT_EQ(ScreenPixel(big, k, 0), 0);      // the next pixel of the top row
    EXPECT_EQ(ScreenPixel(big, 0, k), 0);      // the next row of the first column
    SDL_FreeSurface(big);
  }
}

TEST_F(Gp32Test, ThirtyTwoBitScreensGetTheirChannelsWhereTheirFormatPutsThem) {
  // A desktop's 0x00RRGGBB and a browser canvas's bytes R, G, B, A (opaque).
  struct Layout {
    Uint32 r, g, b, a;
  };
  for (const Layout l : {Layout{0xFF0000, 0xFF00, 0xFF, 0}, Layout{0xFF, 0xFF00, 0xFF0000, 0xFF000000}}) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 32, l.r, l.g, l.b, l.a);
    ASSERT_NE(s, nullptr);
    GpScreen[0][239] = 0xF800;  // (0, 0): red 31
    GpScreen[0][238] = 0x07C0;  // (0, 1): green 31, shown as 62 of 63
    GpScreen[0][237] = 0x003E;  // (0, 2): blue 31, which also sets the screen green's low bit
    GP32toPC(GpScreen[0], 16, s);
    auto at = [&](int y) {
      Uint32 v;
      std::memcpy(&v, static_cast<uint8_t*>(s->pixels) + y * s->pitch, 4);
      return v;
    };
    EXPECT_EQ(at(0), l.r | l.a);
    EXPECT_EQ(at(1), (0xFB * (l.g / 0xFF)) | l.a);  // 62 << 2 | 62 >> 4
    EXPECT_EQ(at(2), l.b | (0x04 * (l.g / 0xFF)) | l.a);  // green 1 of 63 widens to 4
    SDL_FreeSurface(s);
  }
}

TEST_F(Gp32Test, ConversionPlacesRowsByThePitch) {
  // A surface whose rows are wider than its 320 pixels.
  std::vector<uint16_t> pixels(400 * 240, 0x5555);
  SDL_Surface* wide = SDL_CreateRGBSurfaceFrom(pixels.data(), 320, 240, 16, 800, 0xF800,
                                               0x07E0, 0x001F, 0);
  ASSERT_NE(wide, nullptr);
  GpScreen[0][238] = 0xF800;  // (0, 1)
  GP32toPC(GpScreen[0], 16, wide);
  EXPECT_EQ(pixels[400 * 1 + 0], 0xF800);
  EXPECT_EQ(pixels[400 * 0 + 320], 0x5555);  // the padding beyond the row is untouched
  SDL_FreeSurface(wide);
}

TEST_F(Gp32Test, ModeChangeReplacesTheBuffersAndRecordsFollowOnlyWhenFetchedAgain) {
  GpGraphicModeSet(16, 0);
  GpLcdSurfaceGet(&GP32Surface[0], 0);
  const GpSurfaceDesc before = GP32Surface[0];
  EXPECT_EQ(before.buffer, GpScreen[0]);
  EXPECT_EQ(before.depth, 16);
  EXPECT_EQ(before.width, 320);
  EXPECT_EQ(before.height, 240);
  EXPECT_EQ(before.offset_x, 0);
  EXPECT_EQ(before.offset_y, 0);
  GpGraphicModeSet(8, 0);
  EXPECT_EQ(cur_bpp, 8);
  EXPECT_EQ(vfirst, 1);
  // The old record still names the old buffer until it is fetched again.
  EXPECT_EQ(GP32Surface[0].depth, 16);
  GpLcdSurfaceGet(&GP32Surface[0], 0);
  GpLcdSurfaceGet(&GP32Surface[1], 1);
  EXPECT_EQ(GP32Surface[0].buffer, GpScreen[0]);
  EXPECT_EQ(GP32Surface[1].buffer, GpScreen[1]);
  EXPECT_NE(GpScreen[0], GpScreen[1]);
  EXPECT_EQ(GP32Surface[0].depth, 8);
}

}  // namespace
}  // namespace zudezed
