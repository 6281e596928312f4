// The program: start-up, the precalculation phase, music, the frame loop and the end.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "app/app.h"
#include "app/controls.h"
#include "app/options.h"
#include "app/replay_prefetch.h"
#include "platform/gp32_functions.h"
#include "platform/sound.h"
#include "platform/zudezed.h"
#include "precalc/precalcs.h"
#include "timeline/replay.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {

namespace {
void FillBoth(uint16_t colour) {
  for (uint16_t* b : framebuffer) ClearScreen(b, colour);
}
}  // namespace

void StartUp() {
  vsync = 0;
  InitSDL();
  InitGraphics(16);
  FillBoth(kPrecalcBackground);
  InitFonts();
  precalcs();
  FillBoth(0);
  SoundInit();
  partime = Ticks();  // the timeline's clock starts with the music
  ControlsStart();
}

int ShutDown() {
  PrefetchStop();
  SoundEnd();
  exit2menu();
  // No menu program to hand over to (a desktop): a finished run is a success.
  SDL_Quit();
  return 0;
}

int Main(int argc, const char* const* argv) {
  const ProgramOptions options = ParseProgramArgs(argc, argv, std::getenv(kPartVariable));
  if (!options.ok) {
    std::fprintf(stderr, "zudezed: %s\n", options.error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(ProgramUsage().c_str(), stdout);
    return 0;
  }
  StartUp();
  // A part asked for on the command line is reached before the first frame, while the
  // precalculation screen still shows; the checkpoints of the other parts are made
  // alongside, for the keys.
  if (options.part >= 0) {
    RequestJump(options.part);
    ReplayToPart(options.part);
  }
  PrefetchStart();
  while (quit == 0) FrameStep();
  return ShutDown();
}

}  // namespace zudezed
