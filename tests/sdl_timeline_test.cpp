// The whole demo under the simulated clock: every part is reached in order and the
// demo ends by itself at any frame rate, the hand-overs happen at their exact part
// times, and the scenes and parts set what their timetables say.
//
// Each run happens in a child process of its own, so that it starts from the pristine
// state of a freshly started program (the timeline, the stars, the water and the 3D
// objects all keep state across frames).
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "app/app.h"
#include "app/controls.h"
#include "app/offline.h"
#include "effects/effects.h"
#include "engine3d/engine3d.h"
#include "platform/clock_sim.h"
#include "platform/gp32_functions.h"
#include "platform/zudezed.h"
#include "precalc/precalcs.h"
#include "tests/child_process.h"
#include "timeline/replay.h"
#include "timeline/script.h"
#include "timeline/text.h"

namespace zudezed {
namespace {

// The whole timeline's length when every part hands over exactly on time.
constexpr int32_t kTimelineTicks = kNominalTimelineTicks;

using testing_support::InChild;

// The program's start-up up to the first timeline frame, with the clock at 0: the
// timeline's time 0 of PlayFrames is the absolute time 0.
void StartDemo() { OfflineStartUp(0); }

// Plays a frame every step_ms from the time 0 until part p is current (or the demo has
// quit, or the next frame would be past limit_ms).
void PlayUntilPart(int32_t p, int64_t step_ms,
                   int64_t limit_ms = std::numeric_limits<int64_t>::max()) {
  PlayFrames(
      0, [step_ms](int64_t n, int64_t) { return n * step_ms; },
      [p](const OfflineFrame&) { return part != p; }, limit_ms);
}

// Plays one frame at each of the given part times of the current part.
void PlayPartTimes(const std::vector<int64_t>& part_times,
                   const std::function<void()>& after_frame) {
  std::vector<int64_t> times;
  for (int64_t pt : part_times) times.push_back(partime + pt);
  PlayFrames(0, TimeList(times), [&](const OfflineFrame&) {
    after_frame();
    return true;
  });
}

bool AllPixels(const uint16_t* b, uint16_t v) {
  return std::all_of(b, b + kBufferElements, [v](uint16_t p) { return p == v; });
}

// Plays the whole timeline at the schedule's frame times and summarises the run.
std::string PlayWhole(const FrameTimes& times) {
  StartDemo();
  std::ostringstream r;
  int last_part = -1;
  std::vector<uint16_t*> screens_after_first;
  const OfflineEnd end = PlayFrames(0, times, [&](const OfflineFrame& f) {
    if (f.part != last_part) {
      r << "part " << f.part << "\n";
      last_part = f.part;
    }
    const int64_t frames = f.n + 1;
    if (frames == 1) {
      screens_after_first = {GpScreen[0], GpScreen[1]};
      r << "chpart " << chpart << "\n";
    } else if (GpScreen[0] != screens_after_first[0] || GpScreen[1] != screens_after_first[1]) {
      r << "mode-changed-again " << frames << "\n";
    }
    return frames < 2000000;
  });
  r << "frames " << end.frames << "\n";
  r << "last_ms " << end.last_t << "\n";
  r << "quit " << quit << "\n";
  r << "final_part " << part << "\n";
  // The last frame drawn was presented from the buffer before the final switch.
  r << "last_black " << AllPixels(framebuffer[flip ^ 1], 0) << "\n";
  r << "bpp";
  for (int b : bpp) r << " " << b;
  r << "\n";
  return r.str();
}

std::map<std::string, std::string> Lines(const std::string& report) {
  std::map<std::string, std::string> m;
  std::istringstream in(report);
  std::string line;
  while (std::getline(in, line)) {
    const size_t sp = line.find(' ');
    const std::string key = line.substr(0, sp);
    const std::string val = sp == std::string::npos ? "" : line.substr(sp + 1);
    // A key that occurs on several lines collects its values, comma-separated.
    const auto it = m.find(key);
    if (it == m.end()) {
      m[key] = val;
    } else {
      it->second += "," + val;
    }
  }
  return m;
}

void ExpectWholeRun(const std::string& report, double frame_ms) {
  auto m = Lines(report);
  EXPECT_EQ(m["part"], "0,1,2,3,4,5,6,8") << report;
  EXPECT_EQ(m["chpart"], "0");
  EXPECT_EQ(m.count("mode-changed-again"), 0u) << report;
  EXPECT_EQ(m["quit"], "1");
  EXPECT_EQ(m["final_part"], "7");
  EXPECT_EQ(m["last_black"], "1");
  // Every part except the terminal 7 ran and marked itself 16-bit.
  EXPECT_EQ(m["bpp"], "16 16 16 16 16 16 16 0 16");
  const double last = std::stod(m["last_ms"]);
  EXPECT_GE(last, kTimelineTicks);
  // Each of the eight hand-overs can come up to one frame late.
  EXPECT_LE(last, kTimelineTicks + 8 * frame_ms + 1) << report;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

class WholeDemo : public ::testing::TestWithParam<int> {};

TEST_P(WholeDemo, PlaysEveryPartInOrderAndEndsByItself) {
  const int fps = GetParam();
  // The sanitizer build plays one whole run; the frame rates above it are for the
  // plain build, where a frame costs a fraction of the time.
  if (kSanitized && fps > 10) GTEST_SKIP() << "plain build only";
  const std::string report = InChild([fps] {
    return PlayWhole(FixedRate(fps));
  });
  ExpectWholeRun(report, 1000.0 / fps);
}

INSTANTIATE_TEST_SUITE_P(FrameRates, WholeDemo, ::testing::Values(10, 30, 60, 1000));

TEST(WholeDemoIrregular, PlaysWithJitteredFrameTimes) {
  const std::string report = InChild([] {
    return PlayWhole(Jittered(std::mt19937(20261209), 1, 150));
  });
  ExpectWholeRun(report, 150);
}

// Plays to the given absolute times (sorted), reporting after each frame the part,
// the part time and what probe says about the state.
std::string PlayAt(const std::vector<uint32_t>& times,
                   const std::function<std::string()>& probe) {
  StartDemo();
  std::ostringstream r;
  PlayFrames(0, TimeList({times.begin(), times.end()}), [&](const OfflineFrame& f) {
    r << f.t << " " << part << " " << prticks << " " << probe() << "\n";
    return true;
  });
  return r.str();
}

std::vector<std::string> Rows(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  std::string line;
  while (std::getline(in, line)) v.push_back(line);
  return v;
}

// Frame times every step ms from from to to (inclusive of from).
std::vector<uint32_t> Every(uint32_t from, uint32_t to, uint32_t step) {
  std::vector<uint32_t> v;
  for (uint32_t t = from; t < to; t += step) v.push_back(t);
  return v;
}

TEST(TimelineHandOver, TitleEndsExactlyAtTick12928) {
  auto times = Every(0, 12900, 50);
  times.push_back(12927);
  times.push_back(12928);
  times.push_back(12929);
  const auto rows = Rows(InChild([&] { return PlayAt(times, [] { return std::string(); }); }));
  ASSERT_EQ(rows.size(), times.size());
  EXPECT_EQ(rows[rows.size() - 3], "12927 0 12927 ");
  // The hand-over frame still belongs to part 0; part 1 starts with the next frame.
  EXPECT_EQ(rows[rows.size() - 2], "12928 1 12928 ");
  EXPECT_EQ(rows[rows.size() - 1], "12929 1 1 ");
}

TEST(TimelineHandOver, TitleRevealsAndWipesTheLogoOnTime) {
  // Frames every 8 ms through the reveal, then every 16 ms.
  auto times = Every(0, 2200, 8);
  for (uint32_t t = 2200; t < 9000; t += 16) times.push_back(t);
  for (uint32_t t : {1016u, 1024u, 2200u, 6784u, 7504u, 8320u}) times.push_back(t);
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  const auto rows = Rows(InChild([&] {
    return PlayAt(times, [] {
      int lit = 0;
      for (uint8_t v : yscan) lit += v != 0;
      int cols = 0;
      for (uint8_t v : xscan) cols += v != 0;
      return std::to_string(yss) + " " + std::to_string(ypp) + " " + std::to_string(lit) + " " +
             std::to_string(cols);
    });
  }));
  std::map<uint32_t, std::vector<int>> at;
  for (const auto& row : rows) {
    std::istringstream in(row);
    uint32_t t;
    int p, pt, y, yp, lit, cols;
    in >> t >> p >> pt >> y >> yp >> lit >> cols;
    at[t] = {y, yp, lit, cols};
  }
  EXPECT_EQ(at[1024][0], 46);   // the even rows are all lit ...
  EXPECT_EQ(at[1024][1], -1);   // ... and the odd rows begin
  EXPECT_EQ(at[1016][1], 1);
  EXPECT_EQ(at[2200][1], 0);    // the reveal is over
  EXPECT_EQ(at[2200][2], 92);   // every row of the logo lit
  EXPECT_EQ(at[6784][3], 192);  // the wipe has not started
  EXPECT_LT(at[7504][3], 192);
  EXPECT_GT(at[7504][3], 0);
  ASSERT_EQ(at.size(), times.size());
  for (const auto& [t, v] : at) {
    if (t >= 8320) {
      EXPECT_EQ(v[3], 0) << t;  // wiped before the caption zoom
    }
  }
}

TEST(TimelineHandOver, CoarseFramesLeaveTheLastEvenLogoRowDark) {
  // At 25 fps the first phase of the reveal ends with yss 44 from the frame before:
  // even rows 0..88 are lit, and the second phase lights odd rows only, so row 90
  // stays dark (91 of the 92 rows lit) until the logo goes.
  const auto rows = Rows(InChild([] {
    return PlayAt(Every(0, 2400, 40), [] {
      int lit = 0;
      for (uint8_t v : yscan) lit += v != 0;
      return std::to_string(yscan[90]) + " " + std::to_string(lit) + " " + std::to_string(ypp);
    });
  }));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back(), "2360 0 2360 0 91 0");
}

// The rotozoomer's angle is the double-precision sine of a single-precision quotient:
// at these part times the single-precision sine gives a neighbouring float and a
// different picture. Each frame is checked against the effect drawn with the angle
// and zoom written out as floats.
TEST(TimelineHandOver, RotozoomerAngleIsTheDoubleSineOfAFloatQuotient) {
  struct Witness {
    uint32_t p;
    float angle, zoom;
  };
  static constexpr Witness kWitnesses[] = {
      {2944, 676.235291f, 2.02977276f},
      {15104, 3292.96313f, 2.02544403f},
  };
  const auto rows = Rows(InChild([] {
    StartDemo();
    PlayUntilPart(3, 128, 199999);
    std::string r;
    size_t next = 0;
    PlayPartTimes({kWitnesses[0].p, kWitnesses[1].p}, [&] {
      const Witness& w = kWitnesses[next++];
      std::vector<uint16_t> want(kBufferElements);
      Rotozoomer(want.data(), shades.data() + 256 * 33, w.angle, w.zoom);
      const bool same = std::equal(want.begin(), want.end(), framebuffer[flip ^ 1]);
      r += std::to_string(part) + " " + std::to_string(prticks) + " " + std::to_string(same) + "\n";
    });
    return r;
  }));
  ASSERT_GE(rows.size(), std::size(kWitnesses));
  for (size_t i = 0; i < std::size(kWitnesses); ++i)
    EXPECT_EQ(rows[rows.size() - std::size(kWitnesses) + i],
              "3 " + std::to_string(kWitnesses[i].p) + " 1");
}

TEST(TimelineHandOver, CylinderSignalsAtItsLastTick) {
  constexpr uint32_t kPart1 = 12928;
  auto times = Every(0, 12928, 64);
  times.push_back(kPart1);
  for (uint32_t t = kPart1 + 64; t < kPart1 + 40400; t += 64) times.push_back(t);
  times.push_back(kPart1 + 40447);
  times.push_back(kPart1 + 40448);
  times.push_back(kPart1 + 40449);
  const auto rows =
      Rows(InChild([&] { return PlayAt(times, [] { return std::to_string(signal3d); }); }));
  ASSERT_EQ(rows.size(), times.size());
  EXPECT_EQ(rows[rows.size() - 3], std::to_string(kPart1 + 40447) + " 1 40447 0");
  EXPECT_EQ(rows[rows.size() - 2], std::to_string(kPart1 + 40448) + " 2 40448 1");
  EXPECT_EQ(rows[rows.size() - 1], std::to_string(kPart1 + 40449) + " 2 1 1");
}

// Plays at 50 fps to the start of part 8 and then to the given part times within it.
std::string PlayPart8(const std::vector<int32_t>& part_times,
                      const std::function<std::string()>& probe) {
  StartDemo();
  PlayUntilPart(8, 20);
  std::ostringstream r;
  PlayPartTimes({part_times.begin(), part_times.end()},
                [&] { r << prticks << " " << part << " " << quit << " " << probe() << "\n"; });
  return r.str();
}

TEST(TimelineHandOver, CurtainAndBlackFramesOfTheFinale) {
  const std::vector<int32_t> pts = {20000, 26944, 27200, 27455, 27456, 27457,
                                    28000, 28775, 28776, 28777};
  const auto rows = Rows(InChild([&] {
    return PlayPart8(pts, [] {
      const uint16_t* b = framebuffer[flip ^ 1];
      int nonzero_cols = 0;
      for (int x = 0; x < 320; ++x) {
        if (!std::all_of(b + x * 240, b + x * 240 + 240, [](uint16_t p) { return p == 0; })) {
          ++nonzero_cols;
        }
      }
      return std::to_string(nonzero_cols);
    });
  }));
  ASSERT_EQ(rows.size(), pts.size());
  auto cols = [&](size_t i) { return std::stoi(rows[i].substr(rows[i].rfind(' ') + 1)); };
  // Ordinary water frames fill columns 1..318 with the picture.
  EXPECT_GE(cols(0), 300) << rows[0];
  EXPECT_GE(cols(1), 300) << rows[1];  // 26944: the curtain has not started
  EXPECT_LT(cols(2), 300) << rows[2];  // 27200: half closed
  EXPECT_GT(cols(2), 0) << rows[2];
  EXPECT_EQ(cols(3), 0) << rows[3];    // 27455: snapped shut
  EXPECT_GE(cols(4), 300) << rows[4];  // 27456: neither curtain nor black
  EXPECT_EQ(cols(5), 0) << rows[5];    // 27457: black
  EXPECT_EQ(cols(7), 0) << rows[7];    // 28775: black
  EXPECT_GE(cols(8), 300) << rows[8];  // 28776: an ordinary water frame again
  EXPECT_EQ(cols(9), 0) << rows[9];    // the end: black, and the demo quits
  EXPECT_EQ(rows[9].substr(0, 10), "28777 7 1 ");
}

TEST(TimelineHandOver, JuliaPartEndsOnAFlatScreenInBothBuffers) {
  const std::string report = InChild([] {
    StartDemo();
    PlayUntilPart(4, 25);
    PlayPartTimes({26600, 26624}, [] {});
    const uint16_t c = shades[4096];
    std::ostringstream r;
    r << part << " " << AllPixels(framebuffer[0], c) << " " << AllPixels(framebuffer[1], c) << " "
      << (c != 0);
    return r.str();
  });
  EXPECT_EQ(report, "5 1 1 1");
}

// Scene timetables, checked on the catalogue objects after one scene frame.
std::string SceneProbe(int scene, const std::vector<int32_t>& ts,
                       const std::function<std::string()>& probe) {
  return InChild([&] {
    StartDemo();
    std::vector<uint16_t> buf(kBufferElements, 0);
    std::ostringstream r;
    for (int32_t t : ts) {
      prticks = t;
      std::fill(buf.begin(), buf.end(), uint16_t{0x1234});
      RunScene3d(buf.data(), scene);
      const bool untouched =
          std::all_of(buf.begin(), buf.end(), [](uint16_t p) { return p == 0x1234; });
      r << t << " " << untouched << " " << probe() << "\n";
    }
    return r.str();
  });
}

TEST(SceneTimetable, LatticeSlidesInRestsAndDrifts) {
  const auto rows = Rows(SceneProbe(0, {11592, 13512, 20000, 23560}, [] {
    char s[32];
    std::snprintf(s, sizeof s, "%.3f", object[0].px);
    return std::string(s);
  }));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].substr(rows[0].rfind(' ') + 1), "-320.000");
  EXPECT_EQ(rows[1].substr(rows[1].rfind(' ') + 1), "-160.000");
  EXPECT_EQ(rows[2].substr(rows[2].rfind(' ') + 1), "0.000");
  EXPECT_EQ(rows[3].substr(rows[3].rfind(' ') + 1), "1.000");
}

TEST(SceneTimetable, FaceBuildsUpFromLinesToPolygonsAndGoesAway) {
  const auto rows = Rows(SceneProbe(3, {8704, 13000, 17280, 46903, 47927, 50000}, [] {
    return std::to_string(object[1].nlns) + " " + std::to_string(object[1].npls) + " " +
           std::to_string(objnlns) + " " + std::to_string(objnpls);
  }));
  ASSERT_EQ(rows.size(), 6u);
  std::istringstream r0(rows[0]);
  int t, untouched, nlns, npls, all_lns, all_pls;
  r0 >> t >> untouched >> nlns >> npls >> all_lns >> all_pls;
  EXPECT_EQ(nlns, all_lns / 2);  // half the wireframe at 8704
  EXPECT_EQ(untouched, 0);
  std::istringstream r1(rows[1]);
  r1 >> t >> untouched >> nlns >> npls;
  EXPECT_EQ(nlns, all_lns);  // 13000: all lines, and the polygons not yet drawn
  std::istringstream r2(rows[2]);
  r2 >> t >> untouched >> nlns >> npls;
  EXPECT_EQ(npls, all_pls / 2);  // 17280: half the polygons
  std::istringstream r3(rows[3]);
  r3 >> t >> untouched >> nlns >> npls;
  EXPECT_EQ(npls, all_pls / 2);  // 46903: half the polygons, going away
  EXPECT_EQ(untouched, 0);
  std::istringstream r4(rows[4]);
  r4 >> t >> untouched >> nlns >> npls;
  EXPECT_EQ(npls, 0);  // 47927: gone
  EXPECT_EQ(untouched, 1);
  std::istringstream r5(rows[5]);
  r5 >> t >> untouched >> nlns >> npls;
  EXPECT_EQ(npls, 0);
  EXPECT_EQ(untouched, 1);
}

TEST(SceneTimetable, TunnelSphereIsGoneFrom16384AndUnknownScenesDrawNothing) {
  const auto rows = Rows(SceneProbe(20, {8000, 16383, 16384, 20000}, [] { return ""; }));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "8000 0 ");
  EXPECT_EQ(rows[2], "16384 1 ");
  EXPECT_EQ(rows[3], "20000 1 ");
  for (int scene : {5, 6, 7, 25, -1}) {
    const auto r = Rows(SceneProbe(scene, {1000}, [] { return ""; }));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], "1000 1 ") << scene;
  }
}

}  // namespace
}  // namespace zudezed

namespace zudezed {
namespace {

// ---- Pause and jumps ------------------------------------------------------------

// FNV-1a 64 of a buffer's elements as little-endian bytes: the element hash that
// tests/data/frame_hashes.txt records for the frames of a whole 60 fps run.
std::string ElementHash(const uint16_t* b) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (int i = 0; i < kBufferElements; ++i) {
    for (uint8_t byte : {static_cast<uint8_t>(b[i]), static_cast<uint8_t>(b[i] >> 8)}) {
      h ^= byte;
      h *= 0x100000001b3ull;
    }
  }
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

std::map<std::string, std::string> RecordedElementHashes() {
  std::map<std::string, std::string> m;
  std::ifstream in(ZUDEZED_SOURCE_DIR "/tests/data/frame_hashes.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string label, elements;
    words >> label >> elements;
    m[label] = elements;
  }
  return m;
}

// The program's own start-up on the simulated clock, as the whole recorded run had it.
void StartProgram() {
  std::srand(1);
  OfflineStartUp(0);
}

// One frame at time t; returns the presented buffer's element hash.
std::string FrameAt(uint32_t t) {
  SimClockSet(t);
  FrameStep();
  return ElementHash(GP32Surface[flip ^ 1].buffer);
}

void PushKey(SDLKey key) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  SDL_PushEvent(&e);
}

SDLKey Digit(int n) { return static_cast<SDLKey>(SDLK_0 + n); }

// A key pressed during the frame at t; the jump it asks for is made by the next frame,
// at t + 17, which this describes: "partN-first <hash> <first|prticks> <expected N>".
std::string JumpReport(SDLKey key, int expected, uint32_t* t) {
  PushKey(key);
  FrameAt(*t += 17);
  const std::string hash = FrameAt(*t += 17);
  std::ostringstream r;
  r << "part" << part << "-first " << hash << " "
    << (prticks == ReplayPartStart(part).first_prticks ? "first" : std::to_string(prticks))
    << " " << expected << "\n";
  return r.str();
}

TEST(Jumps, EveryPartStartsOnTheFirstFrameOfAWhole60FpsRun) {
  const std::string report = InChild([] {
    StartProgram();
    std::ostringstream r;
    uint32_t t = 0;
    for (; t < 20000; t += 40) FrameAt(t);  // into part 1
    // Forward and back, to parts without and then with a checkpoint.
    for (int n : {8, 2, 0, 5, 6, 3, 1, 4, 8}) r << JumpReport(Digit(n), n, &t);
    // Part 7, the blank end, is no jump target.
    PushKey(SDLK_7);
    FrameAt(t += 17);
    FrameAt(t += 17);
    r << "after-7 " << part << "\n";
    // Back from the middle of a part: its start; back again within 2 s: the part before;
    // next: the part after; Home: the start.
    for (const uint32_t end = t + 3000; t < end;) FrameAt(t += 20);
    r << JumpReport(SDLK_PAGEUP, 8, &t);
    r << JumpReport(SDLK_LEFT, 6, &t);
    r << JumpReport(SDLK_PAGEDOWN, 8, &t);
    r << JumpReport(SDLK_HOME, 0, &t);
    r << JumpReport(SDLK_RIGHT, 1, &t);
    return r.str();
  });
  const auto recorded = RecordedElementHashes();
  const auto rows = Rows(report);
  for (const std::string& row : rows) {
    std::istringstream in(row);
    std::string label, hash, how, expected;
    in >> label >> hash >> how >> expected;
    if (label == "after-7") {
      EXPECT_EQ(hash, "8") << "a jump to part 7 moved the timeline";
      continue;
    }
    EXPECT_EQ(label, "part" + expected + "-first") << row;
    EXPECT_EQ(hash, recorded.at(label)) << row;
    EXPECT_EQ(how, "first") << row;
  }
  EXPECT_EQ(rows.size(), 15u) << report;
}

// Plays part n on from its frame `from` (the whole run's frame number; the part's
// first frame is s.frame) at the whole run's frame times relative to the part's start,
// up to a quarter of the way into the part: "partN-q1 <hash> <prticks>".
std::string PlayToQuarter(int n, int64_t from) {
  const PartStart s = ReplayPartStart(n);
  const int32_t quarter = kPartTable[n].handover / 4;
  for (int64_t f = from;; ++f) {
    const int32_t p = s.first_prticks +
                      static_cast<int32_t>(f * 1000 / kReplayFps - s.frame * 1000 / kReplayFps);
    const std::string hash = FrameAt(static_cast<uint32_t>(partime + p));
    if (p >= quarter) {
      return "part" + std::to_string(n) + "-q1 " + hash + " " + std::to_string(prticks) + "\n";
    }
  }
}

void ExpectRecordedRows(const std::string& report, size_t rows_wanted) {
  const auto recorded = RecordedElementHashes();
  const auto rows = Rows(report);
  ASSERT_EQ(rows.size(), rows_wanted) << report;
  for (const std::string& row : rows) {
    const std::string label = row.substr(0, row.find(' '));
    EXPECT_EQ(row.substr(label.size() + 1, 16), recorded.at(label)) << row;
  }
}

// After a jump the part goes on exactly as in a whole 60 fps run: the stars and the
// water, which draw from the random generator and carry their state from frame to
// frame, give the recorded frame a quarter of the way into the part.
TEST(Jumps, ThePartGoesOnAsInAWhole60FpsRun) {
  const std::string report = InChild([] {
    StartProgram();
    std::ostringstream r;
    uint32_t t = 0;
    for (; t < 5000; t += 40) FrameAt(t);
    for (int n : {8, 1}) {
      PushKey(Digit(n));
      FrameAt(t += 17);
      FrameAt(t += 31);
      r << PlayToQuarter(n, ReplayPartStart(n).frame + 1);
      t = SimClockNow();
    }
    return r.str();
  });
  ExpectRecordedRows(report, 2);
}

// A checkpoint handed over from another process of the program (the part benchmark
// writes one to a file and plays the part from it in a second run) holds that
// process's addresses of the 3D objects' arrays, which the start-up allocates wherever
// the process's earlier allocations left room. Here this process's arrays are moved
// and the ones the checkpoint names are blanked: the cube of part 6 must still be drawn
// from this process's own, as in a whole run.
TEST(Jumps, ACheckpointFromAnotherProcessDrawsFromThisProcesssObjects) {
  const std::string report = InChild([] {
    StartProgram();
    // Moves an array of n elements to a new place and blanks the old one.
    auto move = [](auto*& a, int32_t n) {
      using T = std::remove_pointer_t<std::remove_reference_t<decltype(a)>>;
      if (a == nullptr || n <= 0) return;
      T* to = new T[static_cast<size_t>(n)];
      std::copy_n(a, n, to);
      std::fill_n(a, n, T{});
      a = to;
    };
    std::vector<Object3d> own(object.begin(), object.end());
    ReplayToPart(6);
    const PartStart s = ReplayPartStart(6);
    const std::vector<uint8_t> bytes = ReplayCheckpointBytes(6);
    for (Object3d& o : own) {
      move(o.pts, o.npts);
      move(o.pls, o.npls);
      move(o.lns, o.nlns);
      move(o.nrms, o.npls);
      move(o.ptnrms, o.npts);
    }
    for (size_t i = 0; i < object.size(); ++i) object[i] = own[i];
    ReplayRecordStart();
    ReplayAdoptCheckpoint(6, s, bytes.data());
    std::ostringstream r;
    if (!ReplayToPart(6)) return std::string("no part 6\n");
    partime = static_cast<int32_t>(SimClockNow()) + 17 - s.first_prticks;
    r << "part6-first " << FrameAt(static_cast<uint32_t>(partime + s.first_prticks)) << "\n";
    r << PlayToQuarter(6, s.frame + 1);
    return r.str();
  });
  ExpectRecordedRows(report, 2);
}

// A hash of the screen surface (what was presented) from screen row `from` down; the
// overlay line takes the rows above 9.
uint64_t ScreenHash(int from) {
  uint64_t h = 0xcbf29ce484222325ull;
  SDL_LockSurface(screen);
  for (int y = from; y < screen->h; ++y) {
    const auto* row = static_cast<const uint8_t*>(screen->pixels) + y * screen->pitch;
    for (int i = 0; i < screen->w * screen->format->BytesPerPixel; ++i) {
      h ^= row[i];
      h *= 0x100000001b3ull;
    }
  }
  SDL_UnlockSurface(screen);
  return h;
}

TEST(Pause, FiveSecondsPausedLeaveThePartTimeWhereItWas) {
  const std::string report = InChild([] {
    StartProgram();
    std::ostringstream r;
    uint32_t t = 0;
    for (; t <= 30000; t += 50) FrameAt(t);
    PushKey(SDLK_h);  // the overlay line, drawn over the held picture too
    PushKey(SDLK_SPACE);
    FrameAt(t += 16);  // drawn, shown, and then paused
    const uint64_t shown = ScreenHash(0), shown_below = ScreenHash(9);
    const int32_t p1 = prticks;
    FrameAt(t += 16);
    const uint64_t first_held = ScreenHash(0);
    bool held = ScreenHash(9) == shown_below;
    for (const uint32_t end = t + 5000; t < end;) {
      FrameAt(t += 16);
      held = held && ScreenHash(0) == first_held && prticks == p1;
    }
    // The overlay goes away while paused; the held picture under it stays.
    PushKey(SDLK_h);
    FrameAt(t += 16);
    r << "held " << held << " paused " << paused << " same-as-shown " << (first_held == shown)
      << " overlay-gone " << (ScreenHash(0) != first_held && ScreenHash(9) == shown_below)
      << "\n";
    PushKey(SDLK_SPACE);
    FrameAt(t += 16);  // still the held frame; the pause ends during it
    FrameAt(t += 16);
    r << "after " << (prticks - p1) << " paused " << paused << "\n";
    return r.str();
  });
  EXPECT_EQ(report, "held 1 paused 1 same-as-shown 1 overlay-gone 1\nafter 16 paused 0\n");
}

}  // namespace
}  // namespace zudezed
