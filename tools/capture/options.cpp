#include "tools/capture/options.h"

#include <charconv>
#include <functional>
#include <string_view>

#include "app/command_line.h"

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
  // A fault found while reading: it ends the reading.
  auto refuse = [&](std::string message) {
    fail(std::move(message));
    return false;
  };

  // A flag: once, and without a value.
  auto flag = [&](std::string name, bool* target) {
    return [&refuse, name, target](OptionText text) {
      if (text) return refuse(name + " takes no value");
      if (*target) return refuse(name + " is given twice");
      *target = true;
      return true;
    };
  };
  // An option with a value, from "--name=value" or from the next argument: once.
  auto valued = [&](std::string name, bool* seen, std::function<bool(std::string_view)> use) {
    return [&refuse, name, seen, use](OptionText text) {
      if (*seen) return refuse(name + " is given twice");
      *seen = true;
      if (!text) return refuse(name + " needs a value");
      return use(*text);
    };
  };
  auto path = [&](std::string name, bool* seen, std::string what, std::string* target) {
    return valued(name, seen, [&refuse, name, what, target](std::string_view value) {
      if (value.empty()) return refuse(name + " needs " + what);
      *target = value;
      return true;
    });
  };
  auto number = [&](std::string name, bool* seen, int64_t min, int64_t max,
                    std::function<void(int64_t)> store) {
    return valued(name, seen, [&r, name, min, max, store](std::string_view value) {
      int64_t n = 0;
      if (!ParseNumber(name, value, min, max, &n, &r.error)) {
        r.ok = false;
        return false;
      }
      store(n);
      return true;
    });
  };
  auto help = flag("--help", &o.help);
  const CommandOption options[] = {
      {"help", false, help},
      {"stats", false, flag("--stats", &o.stats)},
      {"with-precalc", false, flag("--with-precalc", &o.with_precalc)},
      {"overlay", false, flag("--overlay", &o.overlay)},
      {"png", true, path("--png", &seen_png, "a directory", &o.path)},
      {"video", true, path("--video", &seen_video, "a file name", &o.path)},
      {"out", true, path("--out", &seen_out, "a file name", &out_path)},
      {"frame", true, number("--frame", &seen_frame, 0, kMaxMs, [&](int64_t n) { o.frame_ms = n; })},
      {"fps", true,
       number("--fps", &seen_fps, 1, kCaptureMaxFps, [&](int64_t n) { o.fps = static_cast<int>(n); })},
      {"scale", true,
       number("--scale", &seen_scale, 1, kCaptureMaxScale,
              [&](int64_t n) { o.scale = static_cast<int>(n); })},
      {"from", true, number("--from", &seen_from, 0, kMaxMs, [&](int64_t n) { o.from_ms = n; })},
      {"to", true, number("--to", &seen_to, 0, kMaxMs, [&](int64_t n) { o.to_ms = n; })},
  };
  auto unexpected = [&](std::string_view arg) {
    return refuse("unexpected argument '" + std::string(arg) + "' (see --help)");
  };
  auto unknown = [&](std::string_view arg) {
    if (arg == "-h") return help(std::nullopt);
    if (!arg.starts_with("--")) return unexpected(arg);
    return refuse("unknown option '" + std::string(arg.substr(0, arg.find('='))) + "' (see --help)");
  };
  if (!ReadCommandLine(argc, argv, {options, true, unexpected, unknown})) return r;

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
