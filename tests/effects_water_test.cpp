// The water ripple: drops and their clock, the wave rule with saturation, the mixed
// old/new heights that the refraction reads, clamped displacement and the edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "assets/assets.h"
#include "effects/effects.h"
#include "tests/effects_support.h"

namespace zudezed {
namespace {

using effects_test::Frame;
using effects_test::MakeFrame;

constexpr int H = 240;

class WaterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effects_test::BuildTables();
    buffer1.fill(0);
    buffer2.fill(0);
    ba = buffer1.data() + H;
    bb = buffer2.data() + H;
    prticks = 1000;
    wtime = 1000;  // no drop due
  }
  // The map that the next call overwrites (bb before the call) and the one it reads.
  static uint8_t* NextMap() { return bb - H; }
  static int NonZeroHeights(const uint8_t* map) {
    int n = 0;
    for (int k = 0; k < kBufferElements; ++k) n += map[k] != 0;
    return n;
  }
};

TEST_F(WaterTest, CalmWaterShowsThePictureAndBlackEdges) {
  Frame f = MakeFrame(0xDEAD);
  Water(f.data());
  for (int x = 1; x < 319; ++x)
    for (int e = 0; e < H; ++e) ASSERT_EQ(f[x * H + e], quib0[x * H + e]) << x << "," << e;
  for (int e = 0; e < H; ++e) {
    EXPECT_EQ(f[e], 0);
    EXPECT_EQ(f[319 * H + e], 0);
  }
  EXPECT_EQ(NonZeroHeights(buffer1.data()) + NonZeroHeights(buffer2.data()), 0);
  EXPECT_EQ(wtime, 1000);
}

TEST_F(WaterTest, DropEvery128TicksAtTheRandPosition) {
  Frame f = MakeFrame();
  prticks = 1127;  // 127 ticks: not yet
  Water(f.data());
  EXPECT_EQ(wtime, 1000);
  EXPECT_EQ(NonZeroHeights(buffer1.data()) + NonZeroHeights(buffer2.data()), 0);

  std::srand(77);
  const int a = std::rand() & 255, b = std::rand() % 240;
  const int k = (a + 33) * H + b;
  std::srand(77);
  prticks = 1128;
  uint8_t* dropmap = ba - H;  // the drop lands in the current map, which becomes the latest
  Water(f.data());
  EXPECT_EQ(wtime, 1128);
  EXPECT_EQ(bb - H, dropmap);
  EXPECT_EQ(dropmap[k], 255);
  for (int o : {1, -1, H, -H}) EXPECT_EQ(dropmap[k + o], 192) << o;
  for (int o : {H - 1, H + 1, -H - 1, -H + 1}) EXPECT_EQ(dropmap[k + o], 64) << o;
  EXPECT_EQ(NonZeroHeights(dropmap), 9);

  // The new map: the centre's neighbour sum 768 / 2 saturates at 255; k + 1 gets
  // (255 + 0 + 64 + 64) >> 1 = 191; k + 2 gets only 192 >> 1 = 96; the diagonal
  // k + 241 gets (192 + 192) >> 1 = 192.
  const uint8_t* fresh = ba - H;
  EXPECT_EQ(fresh[k], 255);
  EXPECT_EQ(fresh[k + 1], 191);
  EXPECT_EQ(fresh[k + 2], 96);
  EXPECT_EQ(fresh[k + 2 * H], 96);
  EXPECT_EQ(fresh[k + H + 1], 192);

  // The refraction at k + 1 reads the fresh height at k (255) and the untouched old
  // one at k + 2 (0): dx = 63; across columns, fresh k + 1 - 240 (192) against old
  // k + 1 + 240 (0): de = 48. A separate copy of the old map would show no shift.
  const int at = (k / H + 63) * H + k % H + 1 + 48;
  ASSERT_LT(at, kBufferElements);
  EXPECT_EQ(f[k + 1], quib0[at]);

  // The ripple spreads over the next frames.
  int before = NonZeroHeights(fresh);
  for (int n = 1; n <= 6; ++n) {
    prticks = 1128 + n;
    Water(f.data());
  }
  EXPECT_GT(NonZeroHeights(ba - H), 4 * before);
}

TEST_F(WaterTest, DisplacementReadsTheLinearIndexAndBoundsOnlyOutsideThePicture) {
  // Old heights in the map about to be overwritten: at column 1, element 50 the next
  // element holds 255, so dx = (0 - 255) >> 2 = -64, the index lies before the picture
  // and the column clamps to 0. At column 5, element 2 the next column holds 255, so
  // de = -64 and the index 5 * 240 + 2 - 64 runs past the bottom of the column into
  // column 4, element 178.
  uint8_t* n = NextMap();
  n[1 * H + 51] = 255;
  n[6 * H + 2] = 255;
  Frame f = MakeFrame();
  Water(f.data());
  EXPECT_EQ(f[1 * H + 50], quib0[0 * H + 50]);
  EXPECT_EQ(f[5 * H + 2], quib0[4 * H + 178]);
  EXPECT_NE(quib0[4 * H + 178], quib0[5 * H + 0]);  // the two readings tell apart here
  // Pixel (318, 239): with high latest heights around (318, 238) and (317, 239) the
  // fresh heights there saturate at 255, so dx = de = 63 and both coordinates clamp:
  // column 319, element 239, the unstored last picture element, which reads 0.
  buffer1.fill(0);
  buffer2.fill(0);
  uint8_t* c = ba - H;  // the latest map once the call has swapped the pointers
  c[318 * H + 237] = c[318 * H + 239] = c[317 * H + 238] = 255;
  f.assign(kBufferElements, 0xDEAD);
  Water(f.data());
  EXPECT_EQ((ba - H)[318 * H + 238], 255);
  EXPECT_EQ((ba - H)[317 * H + 239], 255);
  EXPECT_EQ(f[318 * H + 239], 0);
  EXPECT_EQ(quib0[319 * H + 239], 0);  // the unstored last element reads 0
}

// The pass against the wave rule written element by element in memory order on plain
// copies of the maps, over frames with drops, ripples meeting the picture's edges and
// heights scattered where calm and rippling water meet: the calm-water shortcut must
// change no height and no pixel.
TEST_F(WaterTest, MatchesTheElementByElementRuleFrameAfterFrame) {
  std::srand(5);
  for (int n = 0; n < 300; ++n) {  // scattered heights, some at the edge columns' sides
    const int k = H + std::rand() % (318 * H);
    (n % 2 ? buffer1 : buffer2)[k] = static_cast<uint8_t>(std::rand() & 255);
  }
  std::vector<uint8_t> cur(kBufferElements), nxt(kBufferElements);
  Frame f = MakeFrame(0xDEAD);
  for (int frame = 0; frame < 40; ++frame) {
    prticks = 1000 + 64 * frame;  // a drop every other frame
    const bool drop = static_cast<uint32_t>(prticks - wtime) > 127;
    const uint32_t seed = 1000u + static_cast<uint32_t>(frame);
    // The reference: drop into the current map, then the rule on copies.
    std::copy_n(ba - H, kBufferElements, cur.begin());
    std::copy_n(bb - H, kBufferElements, nxt.begin());
    if (drop) {
      std::srand(seed);
      const int a = std::rand() & 255, b = std::rand() % 240;
      const int k = (a + 33) * H + b;
      cur[k] = 255;
      for (int o : {1, -1, H, -H}) cur[k + o] = 192;
      for (int o : {H - 1, H + 1, -H - 1, -H + 1}) cur[k + o] = 64;
    }
    Frame want(kBufferElements);
    for (int x = 1; x < 319; ++x) {
      for (int e = 0; e < H; ++e) {
        const int k = x * H + e;
        const int sum = cur[k - 1] + cur[k + 1] + cur[k - H] + cur[k + H];
        const int h = std::clamp((sum >> 1) - nxt[k], 0, 255);
        const int dx = (nxt[k - 1] - nxt[k + 1]) >> 2;
        const int de = (nxt[k - H] - nxt[k + H]) >> 2;
        int at = (x + dx) * H + e + de;
        if (at < 0 || at >= kBufferElements) {
          at = std::clamp(x + dx, 0, 319) * H + std::clamp(e + de, 0, H - 1);
        }
        want[k] = quib0[at];
        nxt[k] = static_cast<uint8_t>(h);
      }
    }
    std::srand(seed);
    Water(f.data());
    for (int k = H; k < 319 * H; ++k) ASSERT_EQ(f[k], want[k]) << "frame " << frame << " k " << k;
    // The edge clean-up of both maps, then the maps compared.
    for (int e = 0; e < H; ++e) nxt[e] = nxt[319 * H + e] = 0;
    for (int k = 0; k < kBufferElements; ++k) ASSERT_EQ((ba - H)[k], nxt[k]) << frame << " " << k;
  }
}

TEST_F(WaterTest, EdgeColumnsOfBothMapsStayAtRest) {
  Frame f = MakeFrame(0xDEAD);
  for (int n = 0; n < 400; ++n) {
    prticks = 1000 + 40 * n;  // a drop every fourth frame
    Water(f.data());
    for (const auto* map : {&buffer1, &buffer2})
      for (int e = 0; e < H; ++e) {
        ASSERT_EQ((*map)[e], 0) << n;
        ASSERT_EQ((*map)[319 * H + e], 0) << n;
      }
  }
  EXPECT_GT(NonZeroHeights(buffer1.data()), 1000);
  for (int e = 0; e < H; ++e) ASSERT_EQ(f[319 * H + e], 0);
}

}  // namespace
}  // namespace zudezed
