// zudezed-capture: renders the demo offline on the simulated clock, frame-exactly,
// into PNG files, a single picture or a video with the music. It runs the program's
// own start-up and frame step (StartUp, FrameStep) under SDL's dummy drivers, with
// the clock set before every frame to the time that frame belongs to.
#include <SDL.h>
#include <SDL_mixer.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "app/app.h"
#include "app/controls.h"
#include "app/offline.h"
#include "platform/gp32_functions.h"
#include "platform/sound.h"
#include "platform/zudezed.h"
#include "precalc/precalcs.h"
#include "timeline/script.h"
#include "timeline/text.h"
#include "tools/capture/image.h"
#include "tools/capture/options.h"
#include "tools/common/cpu_time.h"
#include "tools/capture/video.h"

namespace zudezed {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;
// Roughly how long the timeline runs (the sum of the parts' lengths); only the
// progress line's estimate uses it.
constexpr int64_t kDemoLengthEstimateMs = kNominalTimelineTicks;


void Say(const std::string& message) {
  std::fprintf(stderr, "zudezed-capture: %s\n", message.c_str());
}

// ---- Output checks made before anything is rendered ----------------------------

// A file that can be created or replaced: its directory exists and is writable, and
// the path is not a directory.
bool CheckFileWritable(const std::string& path, std::string* error) {
  std::error_code ec;
  const fs::path p(path);
  if (fs::is_directory(p, ec)) {
    *error = "cannot write " + path + ": it is a directory";
    return false;
  }
  const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  if (!fs::is_directory(dir, ec)) {
    *error = "cannot write " + path + ": no directory " + dir.string();
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0 || (fs::exists(p, ec) && access(p.c_str(), W_OK) != 0)) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool PrepareDirectory(const std::string& path, std::string* error) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (!fs::is_directory(path)) {
    *error = "cannot write to " + path + ": " +
             (ec ? ec.message() : std::string("it is not a directory"));
    return false;
  }
  if (access(path.c_str(), W_OK) != 0) {
    *error = "cannot write to " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// ---- Per-part frame costs -------------------------------------------------------

struct PartCost {
  int64_t frames = 0;
  double total_ms = 0;
  double worst_ms = 0;
  void Add(double ms) {
    frames += 1;
    total_ms += ms;
    if (ms > worst_ms) worst_ms = ms;
  }
};

void PrintStats(const std::array<PartCost, kParts>& costs, double startup_ms, double wall_ms,
                int fps) {
  std::printf("frame cost at %d fps: processor time of drawing and converting each frame "
              "(encoding excluded)\n",
              fps);
  std::printf("%-4s %-12s %8s %10s %10s\n", "part", "routine", "frames", "mean ms", "worst ms");
  PartCost all;
  for (int p : kPlayOrder) {
    const PartCost& c = costs[p];
    if (c.frames == 0) continue;
    std::printf("%-4d %-12s %8lld %10.3f %10.3f\n", p, kPartTable[p].name,
                static_cast<long long>(c.frames), c.total_ms / c.frames, c.worst_ms);
    all.frames += c.frames;
    all.total_ms += c.total_ms;
    if (c.worst_ms > all.worst_ms) all.worst_ms = c.worst_ms;
  }
  if (all.frames > 0) {
    std::printf("%-4s %-12s %8lld %10.3f %10.3f\n", "all", "", static_cast<long long>(all.frames),
                all.total_ms / all.frames, all.worst_ms);
  }
  std::printf("drawing total %.1f ms processor time, %.1f ms wall time; start-up with "
              "precalculation %.1f ms\n",
              all.total_ms, wall_ms, startup_ms);
}

// ---- Progress on standard error ------------------------------------------------

class Progress {
 public:
  explicit Progress(int64_t total) : total_(total), start_(Clock::now()) {
    tty_ = isatty(2) != 0;
  }
  void Update(int64_t done) {
    const double elapsed = Seconds(Clock::now() - start_);
    // Long runs only: nothing in the first second; on a terminal the line is redrawn
    // a few times a second, elsewhere (logs) a line every ten seconds.
    if (elapsed < 1.0) return;
    const double step = tty_ ? 0.25 : 10.0;
    if (elapsed - last_ < step) return;
    last_ = elapsed;
    const int64_t shown_total = done > total_ ? done : total_;
    const double left = done > 0 ? elapsed * static_cast<double>(shown_total - done) / done : 0;
    std::fprintf(stderr, "%sframe %lld of about %lld, %.0f s elapsed, about %.0f s left%s",
                 tty_ ? "\r" : "", static_cast<long long>(done),
                 static_cast<long long>(shown_total), elapsed, left, tty_ ? "   " : "\n");
    std::fflush(stderr);
    drawn_ = true;
  }
  void Finish() {
    if (drawn_ && tty_) std::fputs("\n", stderr);
  }

 private:
  static double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
  int64_t total_;
  Clock::time_point start_;
  double last_ = 0;
  bool tty_ = false;
  bool drawn_ = false;
};

// ---- Where the frames go --------------------------------------------------------

struct Sink {
  const CaptureOptions* options = nullptr;
  VideoPipe video;
  CaptureImage image;
  std::string error;
  int64_t written = 0;

  // Frame `index` of the output sequence, now on the screen.
  bool Take(int64_t index) {
    if (!GrabScreen(&image)) {
      error = "cannot read the screen surface";
      return false;
    }
    if (options->mode == CaptureMode::kVideo) {
      if (!WriteVideoFrame(&video, image.rgb.data(), image.rgb.size())) {
        error = "ffmpeg stopped reading frames";
        return false;
      }
    } else if (options->mode == CaptureMode::kPng) {
      char name[32];
      std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(index));
      if (!WritePngFile((fs::path(options->path) / name).string(), image, &error)) return false;
    }
    written += 1;
    return true;
  }
};

// ---- The precalculation screen --------------------------------------------------

// The precalculation has already run (the tables exist). Its progress screen is a
// pure function of the progress calls, so it is drawn once more by the same
// update_precbar calls the precalculation makes, into the same two buffers, and each
// flip is taken as it is presented. The last flip must equal the screen the real
// precalculation left, which the caller checks.
struct PrecalcStep {
  const char* message;
  int32_t first;
  int32_t count;  // n of update_precbar
};
constexpr std::array<PrecalcStep, 5> kPrecalcSteps = {{
    {"PRECALCULATING SINES..", 0, kSineEntries},
    {"..AND MORE SINES", 0, kSineEntries},
    {"RADIUS AND ANGLE FOR EACH PIXEL!", 1, kBufferElements},  // counts from 1
    {"TRICKY TEST..", 0, 4096},
    {"SLOW THE EGGS.", 0, 512},
}};

void FillBoth(uint16_t colour) {
  for (uint16_t* b : framebuffer) ClearScreen(b, colour);
}

// Streams the precalculation screen's frames to the sink: `frames` output frames, the
// flips spread over them. Returns the number of flips made, or -1 on a sink error.
int CapturePrecalcScreen(Sink* sink, int fps, CaptureImage* last_flip) {
  const int64_t frames = CapturePrecalcFrames(fps);
  const auto saved_framebuffer = prec_framebuffer;
  const int32_t saved_flip = prec_flip, saved_ybar = prec_ybar;
  FillBoth(kPrecalcBackground);
  prec_framebuffer = {GP32Surface[0].buffer, GP32Surface[1].buffer};
  prec_flip = 0;
  prec_ybar = 0;
  int flips = 0;
  int64_t next_frame = 0;
  bool ok = true;
  for (const PrecalcStep& s : kPrecalcSteps) {
    for (int32_t i = s.first; i < s.first + s.count && ok; ++i) {
      const int32_t before = prec_flip;
      update_precbar(s.message, i, s.count);
      if (prec_flip == before) continue;
      // Every output frame that shows this flip.
      while (ok && next_frame < frames &&
             CapturePrecalcFlipOfFrame(next_frame, fps, kCapturePrecalcFlips) <= flips) {
        ok = sink->Take(next_frame);
        next_frame += 1;
      }
      flips += 1;
    }
    prec_ybar += 1;
  }
  GrabScreen(last_flip);
  prec_framebuffer = saved_framebuffer;
  prec_flip = saved_flip;
  prec_ybar = saved_ybar;
  FillBoth(0);
  if (!ok) return -1;
  return next_frame == frames ? flips : -2;
}

int Capture(const CaptureOptions& o) {
  // Everything an output needs is checked before the long work starts.
  std::string error;
  std::string ffmpeg, module;
  if (o.mode == CaptureMode::kPng && !PrepareDirectory(o.path, &error)) {
    Say(error);
    return kExitFailed;
  }
  if ((o.mode == CaptureMode::kFrame || o.mode == CaptureMode::kVideo) &&
      !CheckFileWritable(o.path, &error)) {
    Say(error);
    return kExitFailed;
  }
  if (o.mode == CaptureMode::kVideo) {
    ffmpeg = FindOnPath("ffmpeg");
    if (ffmpeg.empty()) {
      Say("--video needs the ffmpeg program, which is not installed (on Debian: apt-get "
          "install ffmpeg)");
      return kExitFailed;
    }
    module = FindMusicModule();
    if (module.empty()) {
      Say(std::string("cannot find the music module ") + kMusicFile +
          " in the working directory or beside this program");
      return kExitFailed;
    }
  }

  // No window and no sound: the dummy drivers, and the screen at the capture's scale.
  UseHeadlessDrivers("dummy", o.scale);
  signal(SIGPIPE, SIG_IGN);

  const auto start = Clock::now();
  const uint32_t base = OfflineStartUp(0);
  const double startup_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (o.overlay) overlay_show = 1;
  // Without its module the demo prints the loader's message on standard output, with
  // no line end; end that line so a report that follows starts on its own.
  if (music == nullptr) {
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  if (screen == nullptr || screen->w != kScreenWidth * o.scale ||
      screen->h != kScreenHeight * o.scale) {
    Say("the screen does not have the requested size");
    return kExitFailed;
  }

  Sink sink;
  sink.options = &o;
  if (o.mode == CaptureMode::kVideo) {
    const auto args = FfmpegArguments(ffmpeg, o.path, module, screen->w, screen->h, o.fps,
                                      o.with_precalc ? kCapturePrecalcMs : 0);
    if (!StartVideo(args, &sink.video, &error)) {
      Say(error);
      return kExitFailed;
    }
  }
  auto fail_video = [&](const std::string& why) {
    Say(why);
    if (sink.video.pid >= 0) {
      std::string ignored;
      FinishVideo(&sink.video, &ignored);
      std::remove(o.path.c_str());
    }
    return kExitFailed;
  };

  int64_t first_index = 0;  // output number of timeline frame 0
  if (o.with_precalc) {
    CaptureImage real_last, replay_last;
    GrabScreen(&real_last);  // the precalculation's last flip is still on the screen
    const int flips = CapturePrecalcScreen(&sink, o.fps, &replay_last);
    if (flips == -1) return fail_video(sink.error);
    if (flips != kCapturePrecalcFlips || replay_last.rgb != real_last.rgb) {
      return fail_video("the precalculation screen could not be reproduced (" +
                        std::to_string(flips) + " flips)");
    }
    first_index = CapturePrecalcFrames(o.fps);
  }

  // The frames to render: from the start, because every part carries state from
  // frame to frame; which of them are written depends on the mode.
  int64_t last_frame = -1;  // -1: until the timeline ends
  if (o.mode == CaptureMode::kFrame) last_frame = CaptureFrameAtMs(o.frame_ms, o.fps);
  if (o.mode == CaptureMode::kPng && o.to_ms >= 0) last_frame = CaptureFrameAtMs(o.to_ms - 1, o.fps);
  Progress progress(last_frame >= 0 ? last_frame + 1
                                    : CaptureFrameAtMs(kDemoLengthEstimateMs, o.fps) + 1);

  std::array<PartCost, kParts> costs{};
  double wall_ms = 0;
  bool taken = false;
  bool sink_failed = false;
  Clock::time_point t0;
  double cpu0 = 0;
  const OfflineEnd end = PlayFrames(
      base, FixedRate(o.fps),
      [&](const OfflineFrame& frame) {
        const double ms = ThreadCpuMs() - cpu0;
        wall_ms += std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        if (frame.part >= 0 && frame.part < kParts) costs[frame.part].Add(ms);

        bool take = false;
        switch (o.mode) {
          case CaptureMode::kPng: take = frame.t >= o.from_ms; break;
          case CaptureMode::kVideo: take = true; break;
          case CaptureMode::kFrame: take = frame.n == last_frame; break;
          case CaptureMode::kStats: take = false; break;
        }
        if (take) {
          if (!sink.Take(first_index + frame.n)) {
            sink_failed = true;
            return false;
          }
          taken = true;
        }
        progress.Update(frame.n + 1);
        return last_frame < 0 || frame.n < last_frame;
      },
      std::numeric_limits<int64_t>::max(),
      [&](const OfflineFrame&) {
        t0 = Clock::now();
        cpu0 = ThreadCpuMs();
      });
  if (sink_failed) return fail_video(sink.error);
  progress.Finish();
  const bool ended = quit != 0 && part == kTerminalPart;
  const bool interrupted = quit != 0 && !ended;
  const int64_t rendered = end.frames;

  int status = 0;
  if (o.mode == CaptureMode::kVideo && !FinishVideo(&sink.video, &error)) {
    Say(error);
    std::remove(o.path.c_str());
    status = kExitFailed;
  }
  if (o.mode == CaptureMode::kFrame && status == 0 && !interrupted) {
    if (!taken) {
      Say("nothing is on screen at " + std::to_string(o.frame_ms) + " ms: the demo ends at " +
          std::to_string(end.last_t) + " ms");
      status = kExitFailed;
    } else if (!WritePngFile(o.path, sink.image, &error)) {
      Say(error);
      status = kExitFailed;
    }
  }
  if (o.stats) PrintStats(costs, startup_ms, wall_ms, o.fps);
  if (interrupted) {
    Say("interrupted after " + std::to_string(rendered) + " frames");
    status = kExitInterrupted;
  }
  std::fflush(stdout);
  SoundEnd();
  SDL_Quit();
  return status;
}

}  // namespace
}  // namespace zudezed

int main(int argc, char** argv) {
  const zudezed::CaptureParse parse = zudezed::ParseCaptureArgs(argc, argv);
  if (!parse.ok) {
    zudezed::Say(parse.error);
    return zudezed::kExitUsage;
  }
  if (parse.options.help) {
    std::fputs(zudezed::CaptureUsage().c_str(), stdout);
    return 0;
  }
  return zudezed::Capture(parse.options);
}
