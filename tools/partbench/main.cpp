// zudezed-partbench: plays the whole demo on the simulated clock at 60 frames per
// second and, run under callgrind with --instr-atstart=no, has every n-th frame of
// each part counted: instrumentation is switched on for exactly that frame's
// FrameStep (drawing, text, events and the screen conversion), and the counts of a
// part are written as one dump named "part<P>-frames<N>" when the part ends. Outside
// valgrind the requests do nothing and the program only plays the demo.
//
//   zudezed-partbench [STRIDE]     STRIDE: count every STRIDE-th frame (default 16)
//   zudezed-partbench --jumps      instead: the cost of a jump to each part, cold (replayed
//                                  from the timeline's start, no other checkpoint) and warm
//                                  (from its checkpoint), as processor time and, under
//                                  callgrind, as dumps "jump<P>-cold" and "jump<P>-warm"
#include <SDL.h>


#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define ZUDEZED_HAVE_CALLGRIND 1
#endif

#include "app/app.h"
#include "app/command_line.h"
#include "app/offline.h"
#include "platform/sound.h"
#include "platform/zudezed.h"
#include "timeline/replay.h"
#include "timeline/script.h"
#include "tools/common/cpu_time.h"

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

// Each part's jump, cold and then warm.
int MeasureJumps() {
  using namespace zudezed;
  std::printf("%-4s %-12s %12s %12s\n", "part", "routine", "cold cpu ms", "warm cpu ms");
  for (int32_t n : kPlayOrder) {
    // Back to the timeline's start with no checkpoint but its own.
    ReplayToPart(kPlayOrder[0]);
    ReplayRecordStart();
    double t0 = zudezed::ThreadCpuMs();
    StartCounting();
    ReplayToPart(n);
    StopCounting();
    const double cold = zudezed::ThreadCpuMs() - t0;
    Dump("jump" + std::to_string(n) + "-cold");
    t0 = zudezed::ThreadCpuMs();
    StartCounting();
    ReplayToPart(n);
    StopCounting();
    const double warm = zudezed::ThreadCpuMs() - t0;
    Dump("jump" + std::to_string(n) + "-warm");
    std::printf("%-4d %-12s %12.1f %12.3f\n", n, kPartTable[n].name, cold, warm);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zudezed;
  // Only the first argument counts: --jumps, or the stride; anything else is no
  // stride. The reading stops after it.
  bool jumps = false;
  int stride = 16;
  auto take_stride = [&stride](std::string_view a) {
    stride = std::atoi(std::string(a).c_str());
    return false;
  };
  const CommandOption options[] = {{"jumps", false, [&jumps](OptionText) {
                                      jumps = true;
                                      return false;
                                    }}};
  ReadCommandLine(argc, argv, {options, false, take_stride, take_stride});
  if (stride < 1) {
    std::fprintf(stderr, "usage: zudezed-partbench [STRIDE >= 1 | --jumps]\n");
    return 2;
  }
  UseHeadlessDrivers("dummy", 1);
#ifndef ZUDEZED_HAVE_CALLGRIND
  std::fprintf(stderr, "zudezed-partbench: built without valgrind/callgrind.h; nothing is counted\n");
#endif
  const uint32_t base = OfflineStartUp(0);
  // The frames are counted without the music: its mixing runs on the sound thread,
  // which callgrind would otherwise count into whichever frame it overlaps.
  SoundEnd();
  if (jumps) {
    const int status = MeasureJumps();
    SDL_Quit();
    return status;
  }
  int64_t in_part = 0;  // frames of the current part so far
  int64_t counted = 0;  // of which counted
  bool count = false;   // whether the frame being played is counted
  PlayFrames(
      base, FixedRate(60),
      [&](const OfflineFrame& frame) {
        if (count) {
          StopCounting();
          counted += 1;
        }
        in_part += 1;
        if (part != frame.part || quit != 0) {
          Dump("part" + std::to_string(frame.part) + "-frames" + std::to_string(counted));
          std::printf("part %d: %lld frames, %lld counted\n", frame.part,
                      static_cast<long long>(in_part), static_cast<long long>(counted));
          in_part = 0;
          counted = 0;
        }
        return true;
      },
      std::numeric_limits<int64_t>::max(),
      [&](const OfflineFrame&) {
        count = in_part % stride == 0;
        if (count) StartCounting();
      });
  SDL_Quit();
  return 0;
}
