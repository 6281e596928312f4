// Frame hashes of the whole demo: the timeline is played once at 60 frames per second
// under the simulated clock, and at fixed moments of every part (its first frame, a
// quarter, half and three quarters through, and the hand-over frame that ends it) the
// presented buffer and the converted screen are reduced to FNV-1a 64 hashes, together
// with the precalculation's final progress screen. They must equal the hashes recorded
// in tests/data/frame_hashes.txt: any change of a single output pixel shows up here,
// so the drawing code can be made faster without changing what it draws.
//
// The scaled conversions (2x, 3x) are checked against the 1x screen pixel for pixel.
//
// To record the hashes of the current code (after an intended change of the output,
// such as new art), run the test with ZUDEZED_FRAME_HASHES_OUT set to a file name:
//   ZUDEZED_FRAME_HASHES_OUT=$PWD/tests/data/frame_hashes.txt build/tests/sdl_framehash_test
// The test then writes the file instead of comparing, and reports itself skipped.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/offline.h"
#include "platform/gp32_functions.h"
#include "platform/zudezed.h"
#include "tests/child_process.h"
#include "timeline/script.h"

namespace zudezed {
namespace {

constexpr int kFps = 60;
constexpr const char* kHashFile = ZUDEZED_SOURCE_DIR "/tests/data/frame_hashes.txt";


uint64_t Fnv1a(const uint8_t* p, size_t n, uint64_t h = 0xcbf29ce484222325ull) {
  for (size_t i = 0; i < n; ++i) {
    h ^= p[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

// The buffer's elements as little-endian bytes, so the hash does not depend on the
// machine's byte order.
uint64_t HashElements(const uint16_t* b) {
  std::vector<uint8_t> bytes(2 * kBufferElements);
  for (int i = 0; i < kBufferElements; ++i) {
    bytes[2 * i] = static_cast<uint8_t>(b[i]);
    bytes[2 * i + 1] = static_cast<uint8_t>(b[i] >> 8);
  }
  return Fnv1a(bytes.data(), bytes.size());
}

// The visible pixels of a surface, row by row (the pitch's padding excluded).
std::vector<uint8_t> SurfaceBytes(SDL_Surface* s) {
  const size_t row = static_cast<size_t>(s->w) * s->format->BytesPerPixel;
  std::vector<uint8_t> out(row * s->h);
  SDL_LockSurface(s);
  for (int y = 0; y < s->h; ++y)
    std::memcpy(&out[y * row], static_cast<const uint8_t*>(s->pixels) + y * s->pitch, row);
  SDL_UnlockSurface(s);
  return out;
}

std::string Hex(uint64_t v) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

using testing_support::InChild;

// One line per recorded frame: "<label> <element hash> <screen hash>".
std::string Line(const std::string& label, const uint16_t* elements,
                 const std::vector<uint8_t>& screen_bytes) {
  return label + " " + Hex(HashElements(elements)) + " " +
         Hex(Fnv1a(screen_bytes.data(), screen_bytes.size())) + "\n";
}

// Converts the presented buffer at 2x and 3x into surfaces of those sizes and checks
// that each k x k block repeats the 1x screen's pixel; reports the first mismatch.
std::string CheckScaled(const std::string& label, const uint16_t* elements) {
  const std::vector<uint8_t> bytes = SurfaceBytes(screen);
  std::vector<uint16_t> one(kBufferElements);
  std::memcpy(one.data(), bytes.data(), bytes.size());
  std::string r;
  for (int k : {2, 3}) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth * k, kScreenHeight * k, 16,
                                          0xF800, 0x07E0, 0x001F, 0);
    SDL_LockSurface(s);
    GP32toPC(elements, 16, s);
    int bad = 0;
    for (int y = 0; y < s->h && bad == 0; ++y) {
      const auto* row = static_cast<const uint8_t*>(s->pixels) + y * s->pitch;
      for (int x = 0; x < s->w; ++x) {
        uint16_t p;
        std::memcpy(&p, row + 2 * x, 2);
        if (p != one[static_cast<size_t>(y / k) * kScreenWidth + x / k]) {
          r += label + " scale " + std::to_string(k) + " differs at " + std::to_string(x) + "," +
               std::to_string(y) + "\n";
          bad = 1;
          break;
        }
      }
    }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
  }
  return r;
}

std::string PlayAndHash() {
  std::srand(1);  // the C library's start state, as in a freshly started program
  const uint32_t base = OfflineStartUp(0);
  // The last progress screen is still on the screen; the buffers are cleared by now.
  const std::vector<uint8_t> precalc = SurfaceBytes(screen);
  std::string r = "precalc-screen " + Hex(Fnv1a(precalc.data(), precalc.size())) + "\n";
  std::vector<uint16_t> prev_elements(kBufferElements);
  std::vector<uint8_t> prev_screen;
  int32_t last_part = -1;
  int next_mark = 0;  // quarter of the current part to record next
  PlayFrames(base, FixedRate(kFps), [&](const OfflineFrame& frame) {
    const int32_t shown_part = frame.part;
    const uint16_t* shown = frame.buffer;
    std::string label;
    if (shown_part != last_part) {
      // The part before ended with the frame shown before this one.
      if (last_part >= 0)
        r += Line("part" + std::to_string(last_part) + "-handover", prev_elements.data(),
                  prev_screen);
      last_part = shown_part;
      next_mark = 1;
      label = "part" + std::to_string(shown_part) + "-first";
    } else if (next_mark <= 3 && prticks >= kPartTable[shown_part].handover / 4 * next_mark) {
      label = "part" + std::to_string(shown_part) + "-q" + std::to_string(next_mark);
      next_mark += 1;
    }
    prev_screen = SurfaceBytes(screen);
    std::memcpy(prev_elements.data(), shown, sizeof(uint16_t) * kBufferElements);
    if (!label.empty()) {
      r += Line(label, shown, prev_screen);
      if (label.find("-q2") != std::string::npos) r += CheckScaled(label, shown);
    }
    return frame.n + 1 < 1000000;
  });
  r += Line("part" + std::to_string(last_part) + "-handover", prev_elements.data(), prev_screen);
  r += "end quit " + std::to_string(quit) + " part " + std::to_string(part) + "\n";
  return r;
}

TEST(FrameHashes, EveryPartDrawsTheRecordedFrames) {
  const std::string report = InChild(PlayAndHash);
  if (const char* out = std::getenv("ZUDEZED_FRAME_HASHES_OUT")) {
    std::ofstream f(out);
    f << report;
    ASSERT_TRUE(f.good()) << "cannot write " << out;
    GTEST_SKIP() << "recorded the current hashes in " << out;
  }
  std::ifstream in(kHashFile);
  ASSERT_TRUE(in.good()) << "no recorded hashes in " << kHashFile;
  std::stringstream expected;
  expected << in.rdbuf();
  // Compared line by line, so a failure names the frames that changed.
  std::istringstream want(expected.str()), got(report);
  std::string w, g;
  int lines = 0;
  while (std::getline(want, w)) {
    ASSERT_TRUE(std::getline(got, g)) << "the run ended before: " << w;
    EXPECT_EQ(g, w);
    ++lines;
  }
  EXPECT_FALSE(std::getline(got, g)) << "more frames than recorded: " << g;
  // Eight parts with five frames each, the precalculation screen and the end line.
  EXPECT_EQ(lines, 8 * 5 + 2);
}

}  // namespace
}  // namespace zudezed
