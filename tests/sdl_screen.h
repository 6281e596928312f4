// The display layer on SDL's dummy video driver for a test suite: the 320 x 240
// window opened once for the suite, and the 16-bit mode with both screen surfaces set
// up again before every case.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/gp32_functions.h"

namespace zudezed::testing_support {

class ScreenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    screen = SDL_SetVideoMode(320, 240, 16, SDL_HWSURFACE);
    ASSERT_NE(screen, nullptr) << SDL_GetError();
  }
  static void TearDownTestSuite() { SDL_Quit(); }

  void SetUp() override {
    GpGraphicModeSet(16, 0);
    GpLcdSurfaceGet(&GP32Surface[0], 0);
    GpLcdSurfaceGet(&GP32Surface[1], 1);
  }
};

}  // namespace zudezed::testing_support
