// zudezed-capture run as a user runs it: the files it writes, their sizes and pixels,
// the same frames on every run, the single-frame mode, the per-part report, the
// precalculation screen, and clear failures.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/png_writer.h"
#include "tests/scratch_dir.h"
#include "tools/capture/options.h"

extern char** environ;

namespace zudezed {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;  // exit status; -1 if it did not exit normally
  std::string out, err;
  double seconds = 0;
};

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// Runs zudezed-capture from the build folder with the given arguments; extra_env
// entries ("NAME=value") are added to the environment.
Outcome Capture(const std::vector<std::string>& args, const std::vector<std::string>& extra_env = {}) {
  const fs::path program = fs::path(ZUDEZED_BINARY_DIR) / "zudezed-capture";
  const fs::path tmp = fs::temp_directory_path();
  const std::string tag = std::to_string(getpid());
  const fs::path out = tmp / ("zudezed-capture-out-" + tag), err = tmp / ("zudezed-capture-err-" + tag);
  std::vector<std::string> argv_s = {program.string()};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_s) argv.push_back(a.data());
  argv.push_back(nullptr);
  // extra_env replaces any entry of the same name.
  std::vector<std::string> env_s;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('=') + 1);
    bool replaced = false;
    for (const auto& x : extra_env) replaced = replaced || x.rfind(name, 0) == 0;
    if (!replaced) env_s.push_back(entry);
  }
  env_s.insert(env_s.end(), extra_env.begin(), extra_env.end());
  std::vector<char*> envp;
  for (auto& e : env_s) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  Outcome r;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  int status = 0;
  waitpid(pid, &status, 0);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
  r.out = Slurp(out);
  r.err = Slurp(err);
  fs::remove(out);
  fs::remove(err);
  return r;
}

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string FrameName(int64_t n) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(n));
  return name;
}

class CaptureRun : public zudezed::testing_support::ScratchDirTest {};

TEST_F(CaptureRun, BadArgumentsAndHelp) {
  Outcome r = Capture({"--png", (dir_ / "d").string(), "--fps", "0"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "zudezed-capture: --fps: 0 is out of range (1..1000)\n");
  EXPECT_FALSE(fs::exists(dir_ / "d")) << "nothing is written for bad arguments";

  r = Capture({});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

  r = Capture({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, CaptureUsage());
  EXPECT_EQ(r.err, "");
}

TEST_F(CaptureRun, UnwritableOutputsFailBeforeRendering) {
  // A file where a directory would have to be.
  std::ofstream(dir_ / "plain") << "x";
  Outcome r = Capture({"--png", (dir_ / "plain").string(), "--fps", "10", "--to", "100"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write to"), std::string::npos) << r.err;
  r = Capture({"--png", (dir_ / "plain" / "sub").string(), "--fps", "10", "--to", "100"});
  EXPECT_EQ(r.status, 1) << r.err;
  r = Capture({"--frame", "0", "--out", (dir_ / "no-such-dir" / "f.png").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no directory"), std::string::npos) << r.err;
  r = Capture({"--frame", "0", "--out", dir_.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is a directory"), std::string::npos) << r.err;
  r = Capture({"--video", (dir_ / "no-such-dir" / "v.mp4").string()});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST_F(CaptureRun, VideoWithoutFfmpegSaysSo) {
  fs::create_directories(dir_ / "empty-path");
  const Outcome r = Capture({"--video", (dir_ / "v.mp4").string()},
                        {"PATH=" + (dir_ / "empty-path").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ffmpeg"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("not installed"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "v.mp4"));
}

TEST_F(CaptureRun, RangeWritesTheFramesOfThatTimeAtTheScale) {
  // At 60 fps frame n shows floor(n * 1000 / 60) ms: 500 ms is frame 30, and frame 41
  // (683 ms) is the last before 700 ms.
  const Outcome r = Capture({"--png", (dir_ / "png").string(), "--fps", "60", "--from", "500",
                         "--to", "700", "--scale", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> expected;
  for (int n = 30; n <= 41; ++n) expected.push_back(FrameName(n));
  EXPECT_EQ(FilesIn(dir_ / "png"), expected);
  for (const auto& name : expected) {
    RgbImage p;
    ASSERT_TRUE(ReadRgbPng(dir_ / "png" / name, &p)) << name;
    EXPECT_EQ(p.w, 640);
    EXPECT_EQ(p.h, 480);
    // Pixel replication: every 2 x 2 block is one colour.
    for (int y = 0; y < p.h; y += 2) {
      for (int x = 0; x < p.w; x += 2) {
        for (int c = 0; c < 3; ++c) {
          ASSERT_EQ(p.At(x, y)[c], p.At(x + 1, y + 1)[c]) << name << " at " << x << "," << y;
          ASSERT_EQ(p.At(x, y)[c], p.At(x + 1, y)[c]) << name << " at " << x << "," << y;
        }
      }
    }
  }
  EXPECT_EQ(r.out, "") << "nothing on standard output without --stats";
}

TEST_F(CaptureRun, SameOptionsGiveIdenticalFramesAndOneFrameMatchesTheRun) {
  // Across the hand-over from part 0 to part 1 (part 0 ends at 12928 ms).
  const std::vector<std::string> range = {"--fps", "30", "--from", "12500", "--to", "13500"};
  std::vector<std::string> a = {"--png", (dir_ / "a").string()}, b = {"--png", (dir_ / "b").string()};
  a.insert(a.end(), range.begin(), range.end());
  b.insert(b.end(), range.begin(), range.end());
  ASSERT_EQ(Capture(a).status, 0);
  ASSERT_EQ(Capture(b).status, 0);
  const auto names = FilesIn(dir_ / "a");
  ASSERT_EQ(names.size(), 30u);  // frames 375 (12500 ms) .. 404 (13466 ms)
  EXPECT_EQ(names.front(), FrameName(375));
  ASSERT_EQ(FilesIn(dir_ / "b"), names);
  int differing_neighbours = 0;
  std::string previous;
  for (const auto& name : names) {
    const std::string fa = Slurp(dir_ / "a" / name);
    EXPECT_EQ(fa, Slurp(dir_ / "b" / name)) << name << " differs between two captures";
    if (!previous.empty() && fa != previous) differing_neighbours += 1;
    previous = fa;
  }
  EXPECT_GT(differing_neighbours, 20) << "the frames should move";

  // 13010 ms lies within frame 390 (13000 ms .. 13033 ms).
  const fs::path single = dir_ / "single.png";
  const Outcome r = Capture({"--frame", "13010", "--fps", "30", "--out", single.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  RgbImage one, in_run, next;
  ASSERT_TRUE(ReadRgbPng(single, &one));
  ASSERT_TRUE(ReadRgbPng(dir_ / "a" / FrameName(390), &in_run));
  ASSERT_TRUE(ReadRgbPng(dir_ / "a" / FrameName(391), &next));
  EXPECT_EQ(one.w, 320);
  EXPECT_EQ(one.h, 240);
  EXPECT_TRUE(one.rgb == in_run.rgb) << "the single frame is not the run's frame 390";
  EXPECT_FALSE(one.rgb == next.rgb);
}

TEST_F(CaptureRun, FramePastTheEndIsAnError) {
  const fs::path out = dir_ / "late.png";
  const Outcome r = Capture({"--frame", "400000", "--fps", "1", "--out", out.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the demo ends at"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(CaptureRun, StatsReportEveryPartInPlayOrder) {
  const Outcome r = Capture({"--stats", "--fps", "5"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::printf("whole timeline at 5 fps with --stats: %.1f s\n", r.seconds);
  std::istringstream lines(r.out);
  std::string line;
  std::vector<int> parts;
  std::vector<long long> frames;
  long long all = -1;
  while (std::getline(lines, line)) {
    int p = 0;
    char routine[32];
    long long n = 0;
    double mean = 0, worst = 0;
    if (std::sscanf(line.c_str(), "%d %31s %lld %lf %lf", &p, routine, &n, &mean, &worst) == 5) {
      parts.push_back(p);
      frames.push_back(n);
      EXPECT_GT(mean, 0.0) << line;
      EXPECT_GE(worst, mean) << line;
    } else if (std::sscanf(line.c_str(), "all %lld %lf %lf", &n, &mean, &worst) == 3) {
      all = n;
    }
  }
  EXPECT_EQ(parts, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 8})) << r.out;
  ASSERT_EQ(frames.size(), 8u) << r.out;
  // Part 0 runs until the first frame at or past 12928 ms, which it still draws:
  // 0, 200, ..., 13000 ms.
  EXPECT_EQ(frames[0], 66);
  long long sum = 0;
  for (long long f : frames) sum += f;
  EXPECT_EQ(all, sum);
  // The timeline lasts about 228 s: 1139 frames at 5 fps, a few more for hand-overs.
  EXPECT_GE(sum, 1139);
  EXPECT_LE(sum, 1160);
}

TEST_F(CaptureRun, PrecalculationScreenComesFirst) {
  const Outcome r = Capture({"--png", (dir_ / "p").string(), "--with-precalc", "--fps", "10",
                         "--to", "200"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Outcome plain = Capture({"--png", (dir_ / "q").string(), "--fps", "10", "--to", "200"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  // 3 s of the precalculation screen (30 frames), then timeline frames 0 and 1.
  const auto names = FilesIn(dir_ / "p");
  ASSERT_EQ(names.size(), 32u);
  EXPECT_EQ(names.back(), FrameName(31));
  EXPECT_EQ(Slurp(dir_ / "p" / FrameName(30)), Slurp(dir_ / "q" / FrameName(0)));
  EXPECT_EQ(Slurp(dir_ / "p" / FrameName(31)), Slurp(dir_ / "q" / FrameName(1)));

  // The background 0x80A0 is shown as 0x80B0: red 16, green 5 of 63, blue 16.
  const uint8_t back[3] = {0x84, 0x14, 0x84};
  auto is = [](const uint8_t* px, const uint8_t* want) {
    return px[0] == want[0] && px[1] == want[1] && px[2] == want[2];
  };
  const uint8_t black[3] = {0, 0, 0};
  RgbImage first, last;
  ASSERT_TRUE(ReadRgbPng(dir_ / "p" / FrameName(0), &first));
  ASSERT_TRUE(ReadRgbPng(dir_ / "p" / FrameName(29), &last));
  // The first flip: a one-column bar at column 159 in the first band (rows 1..11).
  EXPECT_TRUE(is(first.At(159, 1), black));
  EXPECT_TRUE(is(first.At(158, 1), back));
  EXPECT_TRUE(is(first.At(160, 1), back));
  EXPECT_TRUE(is(first.At(159, 13), back)) << "the second band has not started";
  // The last: five full bars (columns 0..318), column 319 and the bands' top rows
  // left as background.
  for (int b = 0; b < 5; ++b) {
    EXPECT_TRUE(is(last.At(0, 12 * b + 1), black)) << b;
    EXPECT_TRUE(is(last.At(318, 12 * b + 11), black)) << b;
    EXPECT_TRUE(is(last.At(319, 12 * b + 1), back)) << b;
    EXPECT_TRUE(is(last.At(100, 12 * b), back)) << b;
  }
  EXPECT_TRUE(is(last.At(0, 61), back));
}


TEST_F(CaptureRun, VideoHasPictureAndMusicForTheWholeDemo) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ffmpeg is not installed";
  }
  const fs::path video = dir_ / "demo.mp4";
  const Outcome r = Capture({"--video", video.string(), "--fps", "2", "--with-precalc"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::printf("whole demo as a video at 2 fps: %.1f s\n", r.seconds);
  const std::string probe = "ffprobe -v error -show_entries stream=codec_type,width,height"
                            ":format=duration -of default=noprint_wrappers=1 '" +
                            video.string() + "'";
  FILE* p = popen(probe.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string info;
  char buf[256];
  while (std::fgets(buf, sizeof buf, p) != nullptr) info += buf;
  pclose(p);
  EXPECT_NE(info.find("codec_type=video"), std::string::npos) << info;
  EXPECT_NE(info.find("codec_type=audio"), std::string::npos) << info;
  EXPECT_NE(info.find("width=320"), std::string::npos) << info;
  EXPECT_NE(info.find("height=240"), std::string::npos) << info;
  const size_t d = info.find("duration=");
  ASSERT_NE(d, std::string::npos) << info;
  // 3 s of precalculation screen, then the timeline (about 228 s; at 2 fps each part
  // hands over up to half a second late).
  const double seconds = std::atof(info.c_str() + d + 9);
  EXPECT_GT(seconds, 230.0) << info;
  EXPECT_LT(seconds, 236.0) << info;
}

}  // namespace
}  // namespace zudezed
