// zudezed-partbench: plays the whole demo on the simulated clock at 60 frames per
// second and, run under callgrind with --instr-atstart=no, has every n-th frame of
// each part counted: instrumentation is switched on for exactly that frame's
// FrameStep (drawing, text, events and the screen conversion), and the counts of a
// part are written as one dump named "part<P>-frames<N>" when the part ends. Outside
// valgrind the requests do nothing and the program only plays the demo.
//
//   zudezed-partbench [STRIDE]     STRIDE: count every STRIDE-th frame (default 16)
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define ZUDEZED_HAVE_CALLGRIND 1
#endif

#include "platform/clock_sim.h"
#include "platform/sound.h"
#include "platform/zudezed.h"
#include "timeline/script.h"

namespace {

void StartCounting() {
#ifdef ZUDEZED_HAVE_CALLGRIND
  CALLGRIND_START_INSTRUMENTATION;
#endif
}

void StopCounting() {
#ifdef ZUDEZED_HAVE_CALLGRIND
  CALLGRIND_STOP_INSTRUMENTATION;
#endif
}

void Dump(const std::string& name) {
#ifdef ZUDEZED_HAVE_CALLGRIND
  CALLGRIND_DUMP_STATS_AT(name.c_str());
#else
  (void)name;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zudezed;
  const int stride = argc > 1 ? std::atoi(argv[1]) : 16;
  if (stride < 1) {
    std::fprintf(stderr, "usage: zudezed-partbench [STRIDE >= 1]\n");
    return 2;
  }
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("ZUDEZED_SCALE", "1", 1);
#ifndef ZUDEZED_HAVE_CALLGRIND
  std::fprintf(stderr, "zudezed-partbench: built without valgrind/callgrind.h; nothing is counted\n");
#endif
  SimClockSet(0);
  StartUp();
  // The frames are counted without the music: its mixing runs on the sound thread,
  // which callgrind would otherwise count into whichever frame it overlaps.
  SoundEnd();
  const uint32_t base = SimClockNow();
  int64_t in_part = 0;  // frames of the current part so far
  int64_t counted = 0;  // of which counted
  for (int64_t n = 0; quit == 0; ++n) {
    SimClockSet(base + static_cast<uint32_t>(n * 1000 / 60));
    const bool count = in_part % stride == 0;
    const int32_t shown = part;
    if (count) StartCounting();
    FrameStep();
    if (count) {
      StopCounting();
      counted += 1;
    }
    in_part += 1;
    if (part != shown || quit != 0) {
      Dump("part" + std::to_string(shown) + "-frames" + std::to_string(counted));
      std::printf("part %d: %lld frames, %lld counted\n", shown, static_cast<long long>(in_part),
                  static_cast<long long>(counted));
      in_part = 0;
      counted = 0;
    }
  }
  SDL_Quit();
  return 0;
}
