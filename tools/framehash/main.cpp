// zudezed-framehash: plays the demo's timeline headless on the simulated clock at a
// fixed frame rate, with the program's own start-up and frame step (StartUp,
// FrameStep) under SDL's dummy drivers, and prints a manifest of hashes (FNV-1a, 64
// bits): every precalculated table right after the precalculation, and the presented
// buffer of every frame, with frames kept at fixed part times of every part and the
// last frame of each part.
//
//   zudezed-framehash [--fps N] [--dump DIR]   the manifest on standard output; with
//                                              --dump also DIR/manifest.txt, the tables
//                                              and the kept frames as raw files
//   zudezed-framehash --diff DIR_A DIR_B       compares two dumps: differing table
//                                              entries, differing pixels per kept frame,
//                                              differing frames per part
//
// Exit status: 0, or 1 when --diff finds a difference or a file cannot be written or
// read, 2 for a bad command line.
#include <SDL.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "app/command_line.h"
#include "app/offline.h"
#include "platform/gp32_functions.h"
#include "platform/sound.h"
#include "platform/zudezed.h"
#include "timeline/script.h"
#include "tools/framehash/framehash.h"

namespace zudezed {
namespace {

constexpr int kDefaultFps = 10;
// Far past the timeline's end (about 228 s): a timeline that never ends stops here.
constexpr int64_t kLimitMs = 400000;

int Usage(const char* why) {
  if (why != nullptr) std::fprintf(stderr, "zudezed-framehash: %s\n", why);
  std::fprintf(stderr,
               "usage: zudezed-framehash [--fps N] [--dump DIR]\n"
               "       zudezed-framehash --diff DIR_A DIR_B\n");
  return 2;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

struct Run {
  std::string dump;  // empty: no files
  Manifest manifest;
  bool ok = true;

  void Keep(const std::string& file, const std::vector<uint8_t>& bytes) {
    if (dump.empty()) return;
    if (!WriteFile(dump + "/" + file, bytes)) {
      std::fprintf(stderr, "zudezed-framehash: cannot write %s/%s\n", dump.c_str(), file.c_str());
      ok = false;
    }
  }
};

int Play(int fps, const std::string& dump) {
  Run run;
  run.dump = dump;
  if (!dump.empty()) {
    mkdir(dump.c_str(), 0755);
    struct stat st {};
    if (stat(dump.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      std::fprintf(stderr, "zudezed-framehash: cannot create %s\n", dump.c_str());
      return 1;
    }
  }
  UseHeadlessDrivers("dummy", 1);
  const uint32_t base = OfflineStartUp(0);
  // Without its module the demo prints the loader's message with no line end.
  if (music == nullptr) {
    std::fputc('\n', stderr);
  }

  for (const TableImage& t : CollectTables()) {
    run.manifest.tables.push_back({t.name, t.entry_bytes, t.entries(), Hex64(Fnv1a64(t.bytes))});
    run.Keep(TableFileName(t.name), t.bytes);
  }

  // The part being played, its frames so far and its last frame.
  int current = -1;
  int32_t previous_prticks = -1;
  Manifest::Part record;
  uint64_t digest = kFnvOffset;
  Manifest::Frame last;
  std::vector<uint8_t> last_bytes;
  auto close_part = [&]() {
    if (current < 0) return;
    record.digest = Hex64(digest);
    run.manifest.parts.push_back(record);
    last.label = "last";
    run.manifest.frames.push_back(last);
    run.Keep(FrameFileName(current, "last"), last_bytes);
  };

  PlayFrames(base, FixedRate(fps), [&](const OfflineFrame& frame) {
    const int64_t n = frame.n;
    const int shown = frame.part;
    const std::vector<uint8_t> bytes = FrameBytes(frame.buffer, kBufferElements);
    const uint64_t h = Fnv1a64(bytes);
    if (shown != current) {
      close_part();
      current = shown;
      previous_prticks = -1;
      record = Manifest::Part{shown, 0, {}};
      digest = kFnvOffset;
    }
    record.frames += 1;
    uint8_t hb[8];
    for (int k = 0; k < 8; ++k) hb[k] = static_cast<uint8_t>(h >> (8 * k));
    digest = Fnv1a64(hb, sizeof hb, digest);
    run.manifest.every.push_back({n, shown, Hex64(h)});

    Manifest::Frame f{shown, SampleLabel(prticks, previous_prticks), n, frame.t, prticks, Hex64(h)};
    if (!f.label.empty()) {
      run.manifest.frames.push_back(f);
      run.Keep(FrameFileName(shown, f.label), bytes);
    }
    last = f;
    last_bytes = bytes;
    previous_prticks = prticks;
    return true;
  }, kLimitMs);
  close_part();

  const std::string text = FormatManifest(run.manifest);
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  if (!dump.empty()) {
    run.Keep("manifest.txt", std::vector<uint8_t>(text.begin(), text.end()));
  }
  // The music is still playing on SDL's audio thread: stop it and SDL before the
  // process ends, or the thread may run on into the program's teardown.
  SoundEnd();
  SDL_Quit();
  return run.ok ? 0 : 1;
}

int FramehashMain(int argc, char** argv) {
  int fps = kDefaultFps;
  std::string dump;
  std::string error;
  bool help = false, diff = false, read_any = false;
  auto refuse = [&error](std::string why) {
    error = std::move(why);
    return false;
  };
  auto unknown = [&](std::string_view a) { return refuse("unknown argument " + std::string(a)); };
  // --help and --diff end the reading: what follows them does not count.
  auto take_help = [&](OptionText) {
    help = true;
    return false;
  };
  const CommandOption options[] = {
      {"diff", false,
       [&](OptionText) {
         if (read_any || argc != 4) return refuse("--diff takes two directories and nothing else");
         diff = true;
         return false;
       }},
      {"fps", true,
       [&](OptionText text) {
         if (!text) return unknown("--fps");
         const std::string value(*text);
         char* end = nullptr;
         const long v = std::strtol(value.c_str(), &end, 10);
         if (*end != '\0' || v < 1 || v > 1000) return refuse("--fps must be 1 to 1000");
         fps = static_cast<int>(v);
         read_any = true;
         return true;
       }},
      {"dump", true,
       [&](OptionText text) {
         if (!text) return unknown("--dump");
         dump = *text;
         read_any = true;
         return true;
       }},
      {"help", false, take_help},
  };
  ReadCommandLine(argc, argv, {options, false, unknown, [&](std::string_view a) {
                                 return a == "-h" ? take_help(std::nullopt) : unknown(a);
                               }});
  if (diff) return DiffDumps(argv[2], argv[3]) == 0 ? 0 : 1;
  if (help) {
    Usage(nullptr);
    return 0;
  }
  if (!error.empty()) return Usage(error.c_str());
  return Play(fps, dump);
}

}  // namespace
}  // namespace zudezed

int main(int argc, char** argv) { return zudezed::FramehashMain(argc, argv); }
