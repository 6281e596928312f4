// The precalculation phase on real SDL (dummy video driver): the progress bands, their
// captions, the throttled flips and the final progress screen.
//
// Presented frames are counted through SDL's dummy video driver, which saves every
// frame it presents as a BMP file when SDL_VIDEO_DUMMY_SAVE_FRAMES is set.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gp32_functions.h"
#include "precalc/precalcs.h"
#include "tests/png_writer.h"
#include "tests/sdl_screen.h"
#include "timeline/text.h"

namespace zudezed {
namespace {

constexpr uint16_t kBackground = 0x80A0;

struct Step {
  const char* message;
  int32_t n;
  int32_t first_i;  // item numbers run first_i .. first_i + n - 1
  int32_t caption_x;
};
const Step kSteps[5] = {{"PRECALCULATING SINES..", 2048, 0, 48},
                        {"..AND MORE SINES", 2048, 0, 72},
                        {"RADIUS AND ANGLE FOR EACH PIXEL!", 76800, 1, 8},
                        {"TRICKY TEST..", 4096, 0, 88},
                        {"SLOW THE EGGS.", 512, 0, 80}};

// Screen rows 12b + 1 .. 12b + 11 of columns first..last become black.
void ReferenceBar(uint16_t* buf, int b, int first, int last) {
  for (int x = first; x <= last; ++x)
    for (int row = 12 * b + 1; row <= 12 * b + 11; ++row) buf[x * 240 + (239 - row)] = 0;
}

void ReferenceCaption(uint16_t* buf, int b, const Step& step) {
  char text[64];
  std::snprintf(text, sizeof text, "%s (%d/6)", step.message, b + 1);
  const int len = static_cast<int>(std::strlen(text));
  EXPECT_EQ(160 - (len >> 1) * 8, step.caption_x) << text;
  GpSurfaceDesc desc{buf, 16, 320, 240, 0, 0};
  DrawText(step.caption_x, 12 * b + 10, len, text, 16, &desc);
}

// The columns of band b that the bar covers: high byte 0 (black, or black with the
// caption's 0xFF ink) where the background has 0x80.
std::vector<int> BarColumns(const uint16_t* buf, int b) {
  std::vector<int> cols;
  const int row = 12 * b + 1;  // below the caption's rows
  for (int x = 0; x < 320; ++x)
    if ((buf[x * 240 + (239 - row)] & 0xFF00) == 0) cols.push_back(x);
  return cols;
}

std::vector<int> Range(int a, int b) {
  std::vector<int> v;
  for (int x = a; x <= b; ++x) v.push_back(x);
  return v;
}

class PrecalcTest : public testing_support::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    for (int k = 0; k < 2; ++k) std::fill(GpScreen[k], GpScreen[k] + kBufferElements, kBackground);
    InitFonts();
    prec_framebuffer = {GP32Surface[0].buffer, GP32Surface[1].buffer};
    prec_flip = 0;
    prec_ybar = 0;
  }

  static std::vector<uint16_t> Copy(int k) {
    return std::vector<uint16_t>(GpScreen[k], GpScreen[k] + kBufferElements);
  }
};

TEST_F(PrecalcTest, CountedStepDrawsFirstAt4800) {
  prec_ybar = 2;
  const auto before0 = Copy(0), before1 = Copy(1);
  for (int i = 1; i < 4800; ++i) update_precbar(kSteps[2].message, i, 76800);
  EXPECT_EQ(prec_flip, 0);  // nothing was shown
  EXPECT_EQ(Copy(0), before0);
  EXPECT_EQ(Copy(1), before1);
  update_precbar(kSteps[2].message, 4800, 76800);  // p = 6, w = 9
  EXPECT_EQ(prec_flip, 1);
  EXPECT_EQ(BarColumns(GpScreen[0], 2), Range(150, 168));
  EXPECT_TRUE(BarColumns(GpScreen[1], 2).empty());
}

// Every step draws 18 times (the 16 multiples of n / 16 below n - 2 and the last two
// items), alternating buffers, with a bar that only grows; at its end both buffers
// hold the full band and its caption. The half widths go through a truncated whole
// percentage p of i / (n - 1), w = p * 159 / 100: a rounded percentage, or a direct
// i * 159 / (n - 1), gives a wider bar at most sixteenths (29 or more at 3/16, not 28).
// The first bar is column 159 alone; the band's top row and column 319 keep the
// background, as the comparison with the reference screen shows.
TEST_F(PrecalcTest, EachStepFlipsEighteenTimesAndEndsWithAFullBand) {
  const std::vector<int> half_widths{0,  9,  19,  28,  39,  49,  58,  68,
                                     79, 89, 98, 108, 119, 128, 138, 147};
  std::vector<uint16_t> expect(kBufferElements, kBackground);
  for (int b = 0; b < 5; ++b) {
    const Step& step = kSteps[b];
    prec_ybar = b;
    int flips = 0;
    std::vector<int> halves;
    std::array<size_t, 2> widest{0, 0};
    for (int32_t i = step.first_i; i < step.first_i + step.n; ++i) {
      const int drawn = prec_flip;
      update_precbar(step.message, i, step.n);
      if (prec_flip == drawn) continue;
      ++flips;
      const std::vector<int> cols = BarColumns(GpScreen[drawn], b);
      ASSERT_FALSE(cols.empty());
      // One run of columns centred on 159; the full run from the last two items on.
      EXPECT_EQ(cols.front() + cols.back(), 318) << b << " " << i;
      EXPECT_EQ(static_cast<int>(cols.size()), cols.back() - cols.front() + 1) << b << " " << i;
      if (i >= step.n - 2) {
        EXPECT_EQ(cols.front(), 0) << b << " " << i;
      } else {
        halves.push_back(159 - cols.front());
      }
      EXPECT_GE(cols.size(), widest[drawn]) << b << " " << i;
      widest[drawn] = cols.size();
    }
    EXPECT_EQ(flips, 18) << b;
    // The counted step starts at item 1, so its first draw is at 4800, not at 0.
    const std::vector<int> want(half_widths.begin() + (step.first_i == 1 ? 1 : 0), half_widths.end());
    EXPECT_EQ(halves, want) << b;
    ReferenceBar(expect.data(), b, 0, 318);
    ReferenceCaption(expect.data(), b, step);
    EXPECT_EQ(Copy(0), expect) << b;
    EXPECT_EQ(Copy(1), expect) << b;
  }
  EXPECT_EQ(prec_flip, 0);  // 90 flips
}

std::string FramesDir() {
  return std::string(ZUDEZED_BINARY_DIR) + "/sdl_precalc_frames";
}

int CountFrames(const std::string& dir) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    n += e.path().extension() == ".bmp";
  return n;
}

TEST_F(PrecalcTest, WholePhaseShowsNinetyFramesAndEndsOnFiveFullBands) {
  const std::string dir = FramesDir();
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  setenv("SDL_VIDEO_DUMMY_SAVE_FRAMES", "1", 1);
  precalcs();
  unsetenv("SDL_VIDEO_DUMMY_SAVE_FRAMES");
  std::filesystem::current_path(cwd);

  EXPECT_EQ(CountFrames(dir), 90);
  EXPECT_EQ(prec_ybar, 5);
  EXPECT_EQ(prec_flip, 0);

  std::vector<uint16_t> expect(kBufferElements, kBackground);
  for (int b = 0; b < 5; ++b) {
    ReferenceBar(expect.data(), b, 0, 318);
    ReferenceCaption(expect.data(), b, kSteps[b]);
  }
  EXPECT_EQ(Copy(0), expect);
  EXPECT_EQ(Copy(1), expect);
  // The last presented screen is that picture, converted for the display.
  ASSERT_EQ(SDL_MUSTLOCK(screen) ? SDL_LockSurface(screen) : 0, 0);
  int differ = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      uint16_t v;
      std::memcpy(&v, static_cast<uint8_t*>(screen->pixels) + y * screen->pitch + 2 * x, 2);
      differ += v != conv16(expect[x * 240 + (239 - y)]);
    }
  }
  if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
  EXPECT_EQ(differ, 0);
  EXPECT_TRUE(WriteBufferPng((std::string(ZUDEZED_BINARY_DIR) + "/precalc_final.png").c_str(),
                             GpScreen[0], 2));
  std::filesystem::remove_all(dir);

  // Every table of the phase was built.
  EXPECT_EQ(div[2050], 32768);
  EXPECT_EQ(fsin1[0], 96);
  EXPECT_EQ(fsin4[0], 64);
  EXPECT_EQ(dist_angle[0].inv_radius, 40);
  EXPECT_EQ(uberclamp[511], 255);
  EXPECT_EQ(blob[16 * 32 + 16], 255);
  EXPECT_EQ(dclampx[223], 191);
  EXPECT_EQ(xscan[0], 1);
  EXPECT_EQ(shades[34 * 256], 0x718E);
  EXPECT_EQ(sshades, shades);
  EXPECT_EQ(wshade[0], 0xFFFE);
  EXPECT_EQ(ball_p[0], 0);
  ASSERT_NE(blurpal, nullptr);
}

TEST(GreyPalette, ThirtyTwoLevelsOfEightEntries) {
  Set8bitPals();
  ASSERT_NE(blurpal, nullptr);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(blurpal[i], 0u) << i;
  EXPECT_EQ(blurpal[8], 0x0842u);  // level 1
  EXPECT_EQ(blurpal[15], 0x0842u);
  EXPECT_EQ(blurpal[16], 0x1084u);
  EXPECT_EQ(blurpal[255], 0xFFFEu);  // (31, 31, 31), intensity bit clear
}

}  // namespace
}  // namespace zudezed
