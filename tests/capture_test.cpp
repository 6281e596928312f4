// zudezed-capture's command line and frame schedule, without rendering anything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/zudezed.h"
#include "tools/capture/options.h"

namespace zudezed {
namespace {

CaptureParse Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "zudezed-capture");
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  return ParseCaptureArgs(static_cast<int>(argv.size()), argv.data());
}

TEST(CaptureArgs, EachModeWithItsOptions) {
  CaptureParse p = Parse({"--png", "out", "--fps", "30", "--scale=2", "--from", "100",
                          "--to", "500", "--stats"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.mode, CaptureMode::kPng);
  EXPECT_EQ(p.options.path, "out");
  EXPECT_EQ(p.options.fps, 30);
  EXPECT_EQ(p.options.scale, 2);
  EXPECT_EQ(p.options.from_ms, 100);
  EXPECT_EQ(p.options.to_ms, 500);
  EXPECT_TRUE(p.options.stats);

  p = Parse({"--frame=1234", "--out", "f.png"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.mode, CaptureMode::kFrame);
  EXPECT_EQ(p.options.frame_ms, 1234);
  EXPECT_EQ(p.options.path, "f.png");
  EXPECT_EQ(p.options.fps, kCaptureDefaultFps);
  EXPECT_FALSE(p.options.stats);

  p = Parse({"--video", "demo.mp4", "--with-precalc", "--scale", "3", "--overlay"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.mode, CaptureMode::kVideo);
  EXPECT_EQ(p.options.path, "demo.mp4");
  EXPECT_TRUE(p.options.with_precalc);
  EXPECT_TRUE(p.options.overlay);
  EXPECT_EQ(p.options.to_ms, -1);

  p = Parse({"--stats", "--fps", "5"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.mode, CaptureMode::kStats);
  EXPECT_TRUE(p.options.stats);

  // The extremes of the ranges are accepted.
  p = Parse({"--png", "d", "--fps", "1000", "--scale", "8", "--from", "0", "--to", "1"});
  ASSERT_TRUE(p.ok) << p.error;
  p = Parse({"--png", "d", "--fps", "1", "--scale", "1"});
  ASSERT_TRUE(p.ok) << p.error;

  // --help needs nothing else and wins over a missing mode.
  p = Parse({"--help"});
  ASSERT_TRUE(p.ok);
  EXPECT_TRUE(p.options.help);
  p = Parse({"--fps", "10", "-h"});
  ASSERT_TRUE(p.ok);
  EXPECT_TRUE(p.options.help);
}

TEST(CaptureArgs, BadArgumentsGiveOneClearLine) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const std::vector<Case> cases = {
      {{}, "nothing to do"},
      {{"--fps"}, "--fps needs a value"},
      {{"--png", "d", "--fps", "0"}, "--fps: 0 is out of range (1..1000)"},
      {{"--png", "d", "--fps", "1001"}, "out of range"},
      {{"--png", "d", "--fps", "-5"}, "out of range"},
      {{"--png", "d", "--fps", "12x"}, "'12x' is not a whole number"},
      {{"--png", "d", "--fps", ""}, "is not a whole number"},
      {{"--png", "d", "--fps", "2.5"}, "is not a whole number"},
      {{"--png", "d", "--scale", "9"}, "--scale: 9 is out of range (1..8)"},
      {{"--png", "d", "--scale", "0"}, "out of range"},
      {{"--frame", "99999999999999999999", "--out", "f"}, "out of range"},
      {{"--png", "a", "--video", "b"}, "choose one of"},
      {{"--png", "a", "--png", "b"}, "--png is given twice"},
      {{"--png", "a", "--fps", "5", "--fps=6"}, "--fps is given twice"},
      {{"--frame", "10"}, "--frame needs --out"},
      {{"--out", "x.png", "--stats"}, "--out goes with --frame"},
      {{"--video", "v.mp4", "--from", "10"}, "--from and --to go with --png"},
      {{"--frame", "5", "--out", "f", "--to", "10"}, "--from and --to go with --png"},
      {{"--png", "d", "--from", "500", "--to", "500"}, "must be later than --from"},
      {{"--frame", "5", "--out", "f", "--with-precalc"}, "--with-precalc goes with"},
      {{"--png", "d", "--with-precalc", "--from", "5"}, "does not go with --from"},
      {{"--stats", "--scale", "2"}, "--scale needs an output"},
      {{"--png", "d", "extra"}, "unexpected argument 'extra'"},
      {{"--with-precalc=1", "--png", "d"}, "--with-precalc takes no value"},
      {{"--bogus", "--png", "d"}, "unknown option '--bogus'"},
      {{"--png="}, "--png needs a directory"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    const CaptureParse p = Parse(c.args);
    EXPECT_FALSE(p.ok) << joined;
    EXPECT_NE(p.error.find(c.says), std::string::npos) << joined << "-> " << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << joined;
  }
}

TEST(CaptureArgs, UsageNamesEveryOption) {
  const std::string usage = CaptureUsage();
  for (const char* o : {"--png", "--frame", "--out", "--video", "--stats", "--fps", "--scale",
                        "--from", "--to", "--with-precalc", "--overlay", "--help"}) {
    EXPECT_NE(usage.find(o), std::string::npos) << o;
  }
}

TEST(CaptureSchedule, FrameTimesAreFlooredMilliseconds) {
  EXPECT_EQ(FrameTimeMs(0, 60), 0);
  EXPECT_EQ(FrameTimeMs(1, 60), 16);
  EXPECT_EQ(FrameTimeMs(2, 60), 33);
  EXPECT_EQ(FrameTimeMs(3, 60), 50);
  EXPECT_EQ(FrameTimeMs(59, 60), 983);
  EXPECT_EQ(FrameTimeMs(60, 60), 1000);
  EXPECT_EQ(FrameTimeMs(7, 7), 1000);
  EXPECT_EQ(FrameTimeMs(1, 7), 142);
  // The whole demo at 1000 fps stays well inside 64-bit arithmetic.
  EXPECT_EQ(FrameTimeMs(229'000'000, 1000), 229'000'000);
}

TEST(CaptureSchedule, FrameAtMsIsTheLastFrameShownByThen) {
  for (int fps : {1, 5, 7, 24, 30, 60, 144, 1000}) {
    for (int64_t ms = 0; ms <= 3000; ++ms) {
      const int64_t n = CaptureFrameAtMs(ms, fps);
      ASSERT_LE(FrameTimeMs(n, fps), ms) << fps << " fps, " << ms << " ms";
      ASSERT_GT(FrameTimeMs(n + 1, fps), ms) << fps << " fps, " << ms << " ms";
    }
  }
  EXPECT_EQ(CaptureFrameAtMs(0, 60), 0);
  EXPECT_EQ(CaptureFrameAtMs(15, 60), 0);
  EXPECT_EQ(CaptureFrameAtMs(16, 60), 1);
  EXPECT_EQ(CaptureFrameAtMs(999, 1), 0);
  EXPECT_EQ(CaptureFrameAtMs(1000, 1), 1);
}

TEST(CaptureSchedule, PrecalcFlipsSpreadFromFirstToLast) {
  for (int fps : {1, 5, 10, 30, 60, 144, 1000}) {
    const int64_t frames = CapturePrecalcFrames(fps);
    EXPECT_EQ(frames, kCapturePrecalcMs * fps / 1000) << fps;
    EXPECT_EQ(CapturePrecalcFlipOfFrame(0, fps, kCapturePrecalcFlips), 0) << fps;
    EXPECT_EQ(CapturePrecalcFlipOfFrame(frames - 1, fps, kCapturePrecalcFlips),
              kCapturePrecalcFlips - 1)
        << fps;
    std::vector<int> shown(kCapturePrecalcFlips, 0);
    int previous = 0;
    for (int64_t n = 0; n < frames; ++n) {
      const int f = CapturePrecalcFlipOfFrame(n, fps, kCapturePrecalcFlips);
      ASSERT_GE(f, previous) << fps << " fps, frame " << n;
      ASSERT_LT(f, kCapturePrecalcFlips);
      shown[f] += 1;
      previous = f;
    }
    if (frames >= kCapturePrecalcFlips) {
      // With at least one frame per flip none is skipped, and none is held for more
      // than its share rounded up.
      const int64_t most = (frames + kCapturePrecalcFlips - 2) / (kCapturePrecalcFlips - 1);
      for (int f = 0; f < kCapturePrecalcFlips; ++f) {
        EXPECT_GE(shown[f], 1) << fps << " fps, flip " << f;
        EXPECT_LE(shown[f], most) << fps << " fps, flip " << f;
      }
    }
  }
}

}  // namespace
}  // namespace zudezed
