// The frame loop on real SDL (dummy drivers) with the simulated clock: input events
// pushed into SDL's queue, the frames-per-second counter, presenting and quitting.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/app.h"
#include "platform/clock_sim.h"
#include "platform/gp32_functions.h"
#include "platform/zudezed.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {
namespace {

class FrameLoopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitSDL();
    ASSERT_NE(screen, nullptr);
  }
  static void TearDownTestSuite() { SDL_Quit(); }

  void SetUp() override {
    InitGraphics(16);
    // A timeline part outside 0..8 draws nothing, so a frame shows what the buffer holds.
    part = 99;
    chpart = 0;
    quit = 0;
    flip = 0;
    fps_show = 0;
    nfrm = fps = mo = atime = 0;
    SimClockSet(0);
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
  }

  static void Push(const SDL_Event& e) { ASSERT_EQ(SDL_PushEvent(const_cast<SDL_Event*>(&e)), 0); }
  static void PushButton(int button, Uint8 type = SDL_JOYBUTTONDOWN) {
    SDL_Event e{};
    e.type = type;
    e.jbutton.type = type;
    e.jbutton.which = 0;
    e.jbutton.button = static_cast<Uint8>(button);
    e.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    Push(e);
  }
  static void PushKey(SDLKey key, SDLMod mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    Push(e);
  }
  static uint16_t ScreenPixel(int x, int y) {
    uint16_t v;
    std::memcpy(&v, static_cast<uint8_t*>(screen->pixels) + y * screen->pitch + 2 * x, 2);
    return v;
  }
  // The frame loop as the program runs it.
  static int RunUntilQuit(int limit = 100) {
    int frames = 0;
    while (quit == 0 && frames < limit) {
      FrameStep();
      ++frames;
    }
    return frames;
  }
};

TEST_F(FrameLoopTest, ButtonTwoTogglesTheCounterAndTwoPressesInOneFrameCancel) {
  PushButton(2);
  zudezed::Run();
  EXPECT_EQ(fps_show, 1);
  PushButton(2);
  PushButton(2);
  zudezed::Run();
  EXPECT_EQ(fps_show, 1);
  PushButton(2);
  zudezed::Run();
  EXPECT_EQ(fps_show, 0);
  EXPECT_EQ(nfrm, 3);
}

TEST_F(FrameLoopTest, ButtonSixEndsTheLoopAfterThatFrameIsPresented) {
  std::fill(framebuffer[0], framebuffer[0] + kBufferElements, uint16_t{0x80A0});
  std::fill(framebuffer[1], framebuffer[1] + kBufferElements, uint16_t{0xF800});
  PushButton(6);
  EXPECT_EQ(RunUntilQuit(), 1);
  EXPECT_EQ(quit, 1);
  EXPECT_EQ(nfrm, 1);
  EXPECT_EQ(flip, 1);  // buffer 0 was presented, the next frame would draw buffer 1
  EXPECT_EQ(ScreenPixel(160, 120), conv16(0x80A0));
}

TEST_F(FrameLoopTest, OtherButtonsReleasesAndEventTypesAreIgnored) {
  for (int b : {0, 1, 3, 4, 5, 7, 8, 15}) PushButton(b);
  PushButton(6, SDL_JOYBUTTONUP);
  PushButton(2, SDL_JOYBUTTONUP);
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  Push(motion);
  PushKey(SDLK_a);
  PushKey(SDLK_SPACE);
  EXPECT_EQ(RunUntilQuit(3), 3);
  EXPECT_EQ(quit, 0);
  EXPECT_EQ(fps_show, 0);
}

TEST_F(FrameLoopTest, KeyboardAndCloseButtonMapOntoTheButtons) {
  PushKey(SDLK_f);
  zudezed::Run();
  EXPECT_EQ(fps_show, 1);
  EXPECT_EQ(quit, 0);

  PushKey(SDLK_ESCAPE);
  EXPECT_EQ(RunUntilQuit(), 1);

  quit = 0;
  SDL_Event close{};
  close.type = SDL_QUIT;
  Push(close);
  EXPECT_EQ(RunUntilQuit(), 1);

  // Several presses in one frame apply in queue order: the toggle, then the quit.
  quit = 0;
  fps_show = 0;
  PushKey(SDLK_f);
  PushButton(6);
  EXPECT_EQ(RunUntilQuit(), 1);
  EXPECT_EQ(fps_show, 1);
}

TEST_F(FrameLoopTest, FullscreenToggleKeepsAUsableScreen) {
  const int before = screen_fullscreen;
  PushKey(SDLK_F11);
  zudezed::Run();
  ASSERT_NE(screen, nullptr);
  PushKey(SDLK_RETURN, KMOD_LALT);
  zudezed::Run();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen_fullscreen, before);  // toggled twice
  EXPECT_EQ(screen->w, 320 * screen_scale);
  EXPECT_EQ(GpSurfaceFlip(&GP32Surface[0], 0), 0);
}

TEST_F(FrameLoopTest, CounterShowsZeroUntilTheFirstFullSecondThenTheFramesOfTheLastWindow) {
  // Ten frames 100 ms apart: the first update happens on the frame at tick 1000.
  for (int i = 0; i < 10; ++i) {
    SimClockSet(100 * i);
    CountFps(0);
    EXPECT_EQ(mo, 0) << i;
    nfrm += 1;
  }
  SimClockSet(1000);
  CountFps(0);
  EXPECT_EQ(mo, 10);
  EXPECT_EQ(atime, 1000);
  nfrm += 1;
  // Within the next window the number stays; 25 quick frames then a slow one.
  for (int i = 0; i < 25; ++i) {
    SimClockSet(1001 + 10 * i);
    CountFps(0);
    EXPECT_EQ(mo, 10);
    nfrm += 1;
  }
  SimClockSet(2500);  // a window of 1500 ticks still counts its frames once
  CountFps(0);
  EXPECT_EQ(mo, 26);
  EXPECT_EQ(fps, 36);
  EXPECT_EQ(atime, 2500);
}

TEST_F(FrameLoopTest, CounterTextIsDrawnOverTheFrameOnlyForAPartThatHasRun) {
  InitFonts();
  part = 3;
  fps_show = 1;
  for (uint16_t* b : framebuffer) std::fill(b, b + kBufferElements, uint16_t{0});
  bpp[3] = 0;  // the part has not run a frame yet: nothing is drawn
  CountFps(1);
  EXPECT_TRUE(std::all_of(framebuffer[0], framebuffer[0] + kBufferElements,
                          [](uint16_t p) { return p == 0; }));
  bpp[3] = 16;
  mo = 42;
  atime = 0;
  SimClockSet(500);  // no counter update: "FPS = 42" stays
  flip = 1;
  CountFps(1);
  // The text lands in the buffer of the frame being presented, in rows 9..16 from
  // column 8 on, as the small font's OR-ed ink; nothing else changes.
  int ink = 0;
  for (int x = 0; x < 320; ++x) {
    for (int y = 0; y < 240; ++y) {
      const uint16_t p = framebuffer[1][x * 240 + 239 - y];
      if (p == 0) continue;
      EXPECT_EQ(p, 0x00FF) << x << "," << y;
      EXPECT_TRUE(y >= 9 && y <= 16 && x >= 8 && x < 8 + 8 * 8) << x << "," << y;
      ++ink;
    }
  }
  EXPECT_GT(ink, 40);
  EXPECT_TRUE(std::all_of(framebuffer[0], framebuffer[0] + kBufferElements,
                          [](uint16_t p) { return p == 0; }));
  EXPECT_STREQ(sbuffer.data(), "FPS = 42");
  bpp[3] = 0;
}

TEST_F(FrameLoopTest, TicksScaleTheMillisecondClock) {
  SimClockSet(12345);
  EXPECT_EQ(Ticks(), 12345);
  clockspeed = 132;  // half speed
  EXPECT_EQ(Ticks(), 6172);
  clockspeed = 66;
}

}  // namespace
}  // namespace zudezed
