#include "tools/capture/options.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace zudezed {

namespace {

// A whole number in min..max, or an error line naming the option.
bool ParseNumber(std::string_view option, std::string_view text, int64_t min, int64_t max,
                 int64_t* out, std::string* error) {
  int64_t v = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(first, last, v);
  if (text.empty() || ec == std::errc::invalid_argument || ptr != last) {
    *error = std::string(option) + ": '" + std::string(text) + "' is not a whole number";
    return false;
  }
  if (ec == std::errc::result_out_of_range || v < min || v > max) {
    *error = std::string(option) + ": " + std::string(text) + " is out of range (" +
             std::to_string(min) + ".." + std::to_string(max) + ")";
    return false;
  }
  *out = v;
  return true;
}

// The longest time any option accepts: far beyond the demo's end, small enough that
// frame arithmetic in milliseconds times frames per second cannot overflow.
constexpr int64_t kMaxMs = 100'000'000;

}  // namespace

CaptureParse ParseCaptureArgs(int argc, const char* const* argv) {
  CaptureParse r;
  CaptureOptions& o = r.options;
  bool seen_png = false, seen_frame = false, seen_video = false, seen_out = false;
  bool seen_fps = false, seen_scale = false, seen_from = false, seen_to = false;
  std::string out_path;
  auto fail = [&r](std::string message) {
    r.ok = false;
    r.error = std::move(message);
    return r;
  };

  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view name = arg;
    std::string_view value;
    bool has_inline_value = false;
    if (arg == "-h") {
      name = "--help";
    } else if (arg.starts_with("--")) {
      const size_t eq = arg.find('=');
      if (eq != std::string_view::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        has_inline_value = true;
      }
    } else {
      return fail("unexpected argument '" + std::string(arg) + "' (see --help)");
    }

    // Options with a value take it from "--name=value" or from the next argument.
    auto take_value = [&](bool* seen) -> bool {
      if (*seen) {
        r.error = std::string(name) + " is given twice";
        return false;
      }
      *seen = true;
      if (has_inline_value) return true;
      if (i + 1 >= argc) {
        r.error = std::string(name) + " needs a value";
        return false;
      }
      value = argv[++i];
      return true;
    };
    auto flag = [&](bool* target) -> bool {
      if (has_inline_value) {
        r.error = std::string(name) + " takes no value";
        return false;
      }
      if (*target) {
        r.error = std::string(name) + " is given twice";
        return false;
      }
      *target = true;
      return true;
    };
    int64_t n = 0;

    if (name == "--help") {
      if (!flag(&o.help)) return fail(r.error);
    } else if (name == "--stats") {
      if (!flag(&o.stats)) return fail(r.error);
    } else if (name == "--with-precalc") {
      if (!flag(&o.with_precalc)) return fail(r.error);
    } else if (name == "--overlay") {
      if (!flag(&o.overlay)) return fail(r.error);
    } else if (name == "--png") {
      if (!take_value(&seen_png)) return fail(r.error);
      if (value.empty()) return fail("--png needs a directory");
      o.path = value;
    } else if (name == "--video") {
      if (!take_value(&seen_video)) return fail(r.error);
      if (value.empty()) return fail("--video needs a file name");
      o.path = value;
    } else if (name == "--out") {
      if (!take_value(&seen_out)) return fail(r.error);
      if (value.empty()) return fail("--out needs a file name");
      out_path = value;
    } else if (name == "--frame") {
      if (!take_value(&seen_frame)) return fail(r.error);
      if (!ParseNumber(name, value, 0, kMaxMs, &n, &r.error)) return fail(r.error);
      o.frame_ms = n;
    } else if (name == "--fps") {
      if (!take_value(&seen_fps)) return fail(r.error);
      if (!ParseNumber(name, value, 1, kCaptureMaxFps, &n, &r.error)) return fail(r.error);
      o.fps = static_cast<int>(n);
    } else if (name == "--scale") {
      if (!take_value(&seen_scale)) return fail(r.error);
      if (!ParseNumber(name, value, 1, kCaptureMaxScale, &n, &r.error)) return fail(r.error);
      o.scale = static_cast<int>(n);
    } else if (name == "--from") {
      if (!take_value(&seen_from)) return fail(r.error);
      if (!ParseNumber(name, value, 0, kMaxMs, &n, &r.error)) return fail(r.error);
      o.from_ms = n;
    } else if (name == "--to") {
      if (!take_value(&seen_to)) return fail(r.error);
      if (!ParseNumber(name, value, 0, kMaxMs, &n, &r.error)) return fail(r.error);
      o.to_ms = n;
    } else {
      return fail("unknown option '" + std::string(name) + "' (see --help)");
    }
  }

  if (o.help) {
    r.ok = true;
    return r;
  }
  const int modes = int{seen_png} + int{seen_frame} + int{seen_video};
  if (modes > 1) return fail("choose one of --png, --frame and --video");
  if (modes == 0 && !o.stats) {
    return fail("nothing to do: give --png DIR, --frame MS --out FILE, --video FILE or --stats");
  }
  if (seen_png) o.mode = CaptureMode::kPng;
  if (seen_frame) o.mode = CaptureMode::kFrame;
  if (seen_video) o.mode = CaptureMode::kVideo;
  if (modes == 0) o.mode = CaptureMode::kStats;

  if (seen_frame && !seen_out) return fail("--frame needs --out FILE.png");
  if (seen_out && !seen_frame) return fail("--out goes with --frame");
  if (seen_frame) o.path = out_path;
  if ((seen_from || seen_to) && !seen_png) return fail("--from and --to go with --png");
  if (seen_to && o.to_ms <= o.from_ms) {
    return fail("--to (" + std::to_string(o.to_ms) + ") must be later than --from (" +
                std::to_string(o.from_ms) + ")");
  }
  if (o.with_precalc && !(seen_png || seen_video)) {
    return fail("--with-precalc goes with --png or --video");
  }
  if (o.with_precalc && seen_from) {
    return fail("--with-precalc captures from the start: it does not go with --from");
  }
  if (o.mode == CaptureMode::kStats && seen_scale) return fail("--scale needs an output");
  r.ok = true;
  return r;
}

std::string CaptureUsage() {
  return
      "Usage: zudezed-capture MODE [OPTIONS]\n"
      "Renders the demo offline, frame-exactly, on the simulated clock: frame n shows\n"
      "timeline time floor(n * 1000 / fps) ms. No window opens.\n"
      "\n"
      "Modes (one of):\n"
      "  --png DIR          write every frame as DIR/frame_NNNNNN.png (NNNNNN is the\n"
      "                     frame number n; the directory is created if needed)\n"
      "  --frame MS --out FILE.png\n"
      "                     write the one frame on screen at timeline time MS\n"
      "  --video FILE.mp4   pipe the frames to ffmpeg and add the music (sorvaline.mod,\n"
      "                     looked for in the working directory, then beside this program)\n"
      "  --stats            on its own: render the whole demo, write nothing, report\n"
      "\n"
      "Options:\n"
      "  --fps N            frames per second of the capture, 1..1000 (default 60)\n"
      "  --scale K          enlarge by pixel replication, 1..8 (default 1)\n"
      "  --from MS          --png only: first timeline time written (default 0)\n"
      "  --to MS            --png only: write frames before this time (default: the end)\n"
      "  --with-precalc     --png, --video: start with the precalculation screen (3 s;\n"
      "                     the frames are numbered from its first one)\n"
      "  --overlay          draw the timeline line (part, part time, timeline time) over\n"
      "                     every frame, as the H key does in the demo\n"
      "  --stats            with a mode: also report, per part, frames and the mean and\n"
      "                     worst rendering time per frame (encoding excluded), and totals\n"
      "  --help             this text\n"
      "\n"
      "Two captures with the same options give identical frames.\n"
      "Exit status: 0 done, 1 failed (output not writable, ffmpeg missing or failed,\n"
      "MS past the end of the demo), 2 bad arguments, 130 interrupted.\n";
}

int64_t CaptureFrameTimeMs(int64_t n, int fps) { return n * 1000 / fps; }

int64_t CaptureFrameAtMs(int64_t ms, int fps) {
  // floor(n * 1000 / fps) <= ms  <=>  n * 1000 < (ms + 1) * fps.
  return ((ms + 1) * fps + 999) / 1000 - 1;
}

int64_t CapturePrecalcFrames(int fps) { return kCapturePrecalcMs * fps / 1000; }

int CapturePrecalcFlipOfFrame(int64_t n, int fps, int flips) {
  const int64_t frames = CapturePrecalcFrames(fps);
  if (frames <= 1 || flips <= 1) return flips - 1 > 0 ? flips - 1 : 0;
  if (n <= 0) return 0;
  if (n >= frames - 1) return flips - 1;
  return static_cast<int>(n * (flips - 1) / (frames - 1));
}

}  // namespace zudezed
