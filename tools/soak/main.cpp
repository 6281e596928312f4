// zudezed-soak: runs the program's own start-up and frame step (StartUp, FrameStep)
// on the simulated clock until the timeline sets `quit` by itself, then stops the
// music and SDL. Frame times are either a fixed rate (--fps N: frame k is shown at
// floor(k * 1000 / N) ms) or random (--jitter SEED: every frame takes 0..M ms, M from
// --max-frame-ms, and the clock starts at a random offset so that the timeline does
// not begin at tick 0). Prints one line of results:
//   frames=<n> simulated_s=<s> wall_s=<s> peak_rss_kb=<kb> result=<ok|...>
// Exit status 0 when the timeline reached its end part and quit by itself, 1 when it
// did not end within twice its length or was interrupted, 2 for a wrong command line.
#include <SDL.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "app/app.h"
#include "app/command_line.h"
#include "app/offline.h"
#include "platform/sound.h"
#include "platform/zudezed.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// The part the timeline rests in once its last part has set `quit`.
constexpr int32_t kFinalPart = 7;
// The timeline's length in ticks is about 228000; a run that has not ended after
// twice that has hung.
constexpr int64_t kGiveUpMs = 2 * 228000;
constexpr int64_t kMaxFps = 100000;
constexpr int64_t kMaxFrameMsLimit = 60000;
constexpr int64_t kDefaultMaxFrameMs = 100;
constexpr uint32_t kMaxStartOffsetMs = 5000;

struct SoakOptions {
  int64_t fps = 0;         // > 0: fixed rate
  bool jitter = false;     // random frame times
  uint32_t seed = 0;
  int64_t max_frame_ms = kDefaultMaxFrameMs;
  bool show_fps = false;   // draw the frames-per-second text on every frame
  std::string audio_driver = "dummy";  // SDL's audio driver; a missing one runs silent
};

const char* const kUsage =
    "usage: zudezed-soak --fps N [--show-fps] [--audio-driver NAME]\n"
    "       zudezed-soak --jitter SEED [--max-frame-ms M] [--show-fps] [--audio-driver NAME]\n"
    "Runs the whole demo on the simulated clock until it ends by itself and prints\n"
    "frames, simulated seconds, wall seconds and peak memory.\n";

// A whole decimal number in [lo, hi]; anything else (empty, signs, trailing text,
// out of range) is refused.
bool ParseNumber(std::string_view s, int64_t lo, int64_t hi, int64_t* out) {
  if (s.empty() || s[0] < '0' || s[0] > '9') return false;
  int64_t v = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > hi) return false;
  }
  if (v < lo) return false;
  *out = v;
  return true;
}

bool ParseArgs(int argc, char** argv, SoakOptions* o, std::string* error) {
  bool max_given = false;
  auto refuse = [error](std::string message) {
    *error = std::move(message);
    return false;
  };
  // A number option: its value (none when it stood last) in [lo, hi], or the message.
  auto number = [&](int64_t lo, int64_t hi, std::string message, auto store) {
    return [=, &refuse](OptionText text) {
      int64_t v = 0;
      if (!ParseNumber(text.value_or(""), lo, hi, &v)) return refuse(message);
      store(v);
      return true;
    };
  };
  auto unknown = [&](std::string_view a) { return refuse("unknown argument " + std::string(a)); };
  const CommandOption options[] = {
      {"fps", true,
       number(1, kMaxFps, "--fps needs a whole number from 1 to " + std::to_string(kMaxFps),
              [o](int64_t v) { o->fps = v; })},
      {"jitter", true, number(0, UINT32_MAX, "--jitter needs a seed from 0 to 4294967295",
                              [o](int64_t v) {
                                o->jitter = true;
                                o->seed = static_cast<uint32_t>(v);
                              })},
      {"max-frame-ms", true,
       number(1, kMaxFrameMsLimit,
              "--max-frame-ms needs a whole number from 1 to " + std::to_string(kMaxFrameMsLimit),
              [o, &max_given](int64_t v) {
                o->max_frame_ms = v;
                max_given = true;
              })},
      {"audio-driver", true,
       [&](OptionText text) {
         if (!text || text->empty()) return refuse("--audio-driver needs the name of an SDL audio driver");
         o->audio_driver = *text;
         return true;
       }},
      {"show-fps", false,
       [&](OptionText) {
         o->show_fps = true;
         return true;
       }},
  };
  if (!ReadCommandLine(argc, argv, {options, false, unknown, unknown})) return false;
  if ((o->fps > 0) == o->jitter) {
    *error = "give exactly one of --fps and --jitter";
    return false;
  }
  if (max_given && !o->jitter) {
    *error = "--max-frame-ms goes with --jitter";
    return false;
  }
  return true;
}

int64_t PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

int Soak(const SoakOptions& o) {
  // Headless: no window and no sound card needed, whatever the environment says.
  UseHeadlessDrivers(o.audio_driver.c_str(), 0);

  std::mt19937 rng(o.seed);
  const uint32_t start_ms =
      o.jitter ? std::uniform_int_distribution<uint32_t>(0, kMaxStartOffsetMs)(rng) : 0;

  const auto wall0 = std::chrono::steady_clock::now();
  const uint32_t base = OfflineStartUp(start_ms);
  // Without its module the demo prints the loader's message with no line end; end
  // that line so the result line stands on its own.
  if (music == nullptr) {
    std::fputc('\n', stdout);
  }
  if (o.show_fps) fps_show = 1;

  const OfflineEnd end =
      PlayFrames(base, o.jitter ? Jittered(rng, 0, o.max_frame_ms) : FixedRate(o.fps),
                 [](const OfflineFrame&) { return true; }, kGiveUpMs);
  const int64_t frames = end.frames;
  const int64_t last_ms = end.last_t;  // the time of the last frame shown
  const char* result = "ok";
  if (quit == 0) {
    result = "no-end";
  } else if (part != kFinalPart) {
    result = "interrupted";
  }
  SoundEnd();
  SDL_Quit();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  std::printf("frames=%lld simulated_s=%.3f wall_s=%.1f peak_rss_kb=%lld result=%s\n",
              static_cast<long long>(frames), static_cast<double>(last_ms) / 1000.0, wall,
              static_cast<long long>(PeakRssKb()), result);
  std::fflush(stdout);
  return std::strcmp(result, "ok") == 0 ? 0 : kExitFailed;
}

}  // namespace
}  // namespace zudezed

int main(int argc, char** argv) {
  zudezed::SoakOptions o;
  std::string error;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      std::fputs(zudezed::kUsage, stdout);
      return 0;
    }
  }
  if (!zudezed::ParseArgs(argc, argv, &o, &error)) {
    std::fprintf(stderr, "zudezed-soak: %s\n%s", error.c_str(), zudezed::kUsage);
    return zudezed::kExitUsage;
  }
  return zudezed::Soak(o);
}
