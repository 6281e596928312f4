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
//   zudezed-partbench --checkpoint P FILE
//                                  replays the timeline to part P and writes the state
//                                  before its first frame to FILE
//   zudezed-partbench STRIDE --part P FILE
//                                  plays part P only, from the state in FILE (written by
//                                  this same program): the same frames at the same clock
//                                  readings as the whole run, without playing the parts
//                                  before it (a run under an emulator with a counting
//                                  plugin takes minutes per part). The state holds
//                                  addresses of the program's globals: both runs need
//                                  the program at the same address (qemu-arm places the
//                                  guest the same way every run; natively, setarch -R),
//                                  which the file records and the reading run checks.
//                                  The 3D objects' arrays, which the start-up allocates
//                                  wherever the command line's allocations leave room,
//                                  are the reading run's own
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Where the program's globals are in this process: a checkpoint holds such addresses.
uintptr_t GlobalsAddress() { return reinterpret_cast<uintptr_t>(&zudezed::partime); }

// The checkpoint file: the part's start, the address of the globals, then the
// checkpoint's bytes.
bool WriteCheckpoint(int32_t n, const char* path) {
  using namespace zudezed;
  ReplayRecordStart();
  if (!ReplayToPart(n)) {
    std::fprintf(stderr, "zudezed-partbench: part %d cannot be reached\n", n);
    return false;
  }
  const PartStart start = ReplayPartStart(n);
  const std::vector<uint8_t>& bytes = ReplayCheckpointBytes(n);
  const uintptr_t globals = GlobalsAddress();
  FILE* f = std::fopen(path, "wb");
  bool ok = f != nullptr && std::fwrite(&start, sizeof start, 1, f) == 1 &&
            std::fwrite(&globals, sizeof globals, 1, f) == 1 &&
            std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f != nullptr) ok = std::fclose(f) == 0 && ok;
  if (!ok) std::fprintf(stderr, "zudezed-partbench: cannot write %s\n", path);
  return ok;
}

// Puts the demo into the state before part n's first frame, read from a checkpoint
// file; *start tells where the part begins.
bool ReadCheckpoint(int32_t n, const char* path, zudezed::PartStart* start) {
  using namespace zudezed;
  std::vector<uint8_t> bytes(ReplayCheckpointSize());
  uintptr_t globals = 0;
  FILE* f = std::fopen(path, "rb");
  bool ok = f != nullptr && std::fread(start, sizeof *start, 1, f) == 1 &&
            std::fread(&globals, sizeof globals, 1, f) == 1 &&
            std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size() &&
            std::fgetc(f) == EOF;
  if (f != nullptr) std::fclose(f);
  if (!ok) {
    std::fprintf(stderr, "zudezed-partbench: %s is not a checkpoint of this program\n", path);
    return false;
  }
  if (globals != GlobalsAddress()) {
    std::fprintf(stderr,
                 "zudezed-partbench: %s was written with the program at another address; "
                 "run both with address randomisation off (setarch -R)\n",
                 path);
    return false;
  }
  ReplayRecordStart();
  ReplayAdoptCheckpoint(n, *start, bytes.data());
  return ReplayToPart(n);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zudezed;
  // The forms: [STRIDE], --jumps, --checkpoint P FILE and STRIDE --part P FILE.
  bool jumps = false;
  bool refused = false;
  std::optional<std::string> checkpoint_part, one_part_part;  // their P
  std::vector<std::string> words;  // STRIDE and FILE, in order
  auto text_of = [&refused](OptionText text, std::optional<std::string>* to) {
    if (!text) refused = true;
    else *to = std::string(*text);
    return !refused;
  };
  const CommandOption options[] = {
      {"jumps", false,
       [&](OptionText text) {
         if (text) refused = true;
         else jumps = true;
         return !refused;
       }},
      {"checkpoint", true, [&](OptionText text) { return text_of(text, &checkpoint_part); }},
      {"part", true, [&](OptionText text) { return text_of(text, &one_part_part); }},
  };
  ReadCommandLine(argc, argv,
                  {options, false,
                   [&words](std::string_view a) {
                     words.emplace_back(a);
                     return true;
                   },
                   [&refused](std::string_view) {
                     refused = true;
                     return false;
                   }});
  const bool checkpoint = checkpoint_part.has_value();
  const bool one_part = one_part_part.has_value();
  const size_t words_wanted =
      checkpoint ? 1 : one_part ? 2 : jumps ? 0 : std::min<size_t>(words.size(), 1);
  const int stride = !jumps && !checkpoint && !words.empty() ? std::atoi(words[0].c_str()) : 16;
  const int32_t only = checkpoint ? std::atoi(checkpoint_part->c_str())
                       : one_part ? std::atoi(one_part_part->c_str())
                                  : -1;
  if (refused || stride < 1 || words.size() != words_wanted ||
      int(jumps) + int(checkpoint) + int(one_part) > 1 ||
      ((checkpoint || one_part) && (only < 0 || only >= kParts))) {
    std::fprintf(stderr,
                 "usage: zudezed-partbench [STRIDE >= 1 [--part P FILE] | --jumps | "
                 "--checkpoint P FILE]\n");
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
  if (jumps || checkpoint) {
    const int status = jumps ? MeasureJumps() : WriteCheckpoint(only, words[0].c_str()) ? 0 : 1;
    SDL_Quit();
    return status;
  }
  // The whole run's frame n is at FixedRate(60)(n); a run of one part starts at the
  // part's first frame, with partime where the whole run has it.
  int64_t first_frame = 0;
  if (one_part) {
    PartStart start;
    if (!ReadCheckpoint(only, words[1].c_str(), &start)) return 1;
    first_frame = start.frame;
    partime = static_cast<int32_t>(base + static_cast<uint32_t>(FixedRate(60)(first_frame, 0))) -
              start.first_prticks;
  }
  const FrameTimes whole = FixedRate(60);
  const FrameTimes times = [&](int64_t n, int64_t previous) {
    return whole(first_frame + n, previous);
  };
  int64_t in_part = 0;  // frames of the current part so far
  int64_t counted = 0;  // of which counted
  bool count = false;   // whether the frame being played is counted
  PlayFrames(
      base, times,
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
          if (one_part) return false;
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
