// The soundtrack module: the generator reproduces the committed file, and the file,
// read back by a small reader of its own, holds the music that was meant and lasts
// as long as the timeline.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/mod_timing.h"
#include "timeline/script.h"

namespace {

const std::string kModulePath = std::string(ZUDEZED_SOURCE_DIR) + "/assets/sorvaline.mod";

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// --- A minimal reader of 4-channel "M.K." modules. ---

struct Sample {
  std::string name;
  int length = 0;  // bytes
  int finetune = 0;
  int volume = 0;
  int loop_start = 0;   // bytes
  int loop_length = 0;  // bytes; 2 (one word) means no loop
  std::vector<int8_t> data;
};

struct Cell {
  int sample = 0;
  int period = 0;
  int effect = 0;
  int param = 0;
};

struct Module {
  std::string title;
  std::array<Sample, 31> samples;
  int song_length = 0;
  int restart = 0;
  std::array<int, 128> order{};
  std::string signature;
  std::vector<std::array<std::array<Cell, 4>, 64>> patterns;
  size_t trailing = 0;  // bytes after the last sample (should be none)
};

std::string Text(const std::vector<uint8_t>& b, size_t at, size_t n) {
  std::string s;
  for (size_t i = 0; i < n && b[at + i] != 0; ++i) s += static_cast<char>(b[at + i]);
  return s;
}

int Word(const std::vector<uint8_t>& b, size_t at) { return b[at] << 8 | b[at + 1]; }

bool Parse(const std::vector<uint8_t>& b, Module& m) {
  if (b.size() < 1084) return false;
  m.title = Text(b, 0, 20);
  for (int i = 0; i < 31; ++i) {
    const size_t at = 20 + 30 * i;
    Sample& s = m.samples[i];
    s.name = Text(b, at, 22);
    s.length = Word(b, at + 22) * 2;
    s.finetune = b[at + 24] & 0x0F;
    if (s.finetune > 7) s.finetune -= 16;
    s.volume = b[at + 25];
    s.loop_start = Word(b, at + 26) * 2;
    s.loop_length = Word(b, at + 28) * 2;
  }
  m.song_length = b[950];
  m.restart = b[951];
  int patterns = 0;
  for (int i = 0; i < 128; ++i) {
    m.order[i] = b[952 + i];
    if (m.order[i] + 1 > patterns) patterns = m.order[i] + 1;
  }
  m.signature = std::string(b.begin() + 1080, b.begin() + 1084);
  size_t at = 1084;
  if (b.size() < at + 1024u * patterns) return false;
  m.patterns.resize(patterns);
  for (auto& p : m.patterns) {
    for (auto& row : p) {
      for (Cell& c : row) {
        c.sample = (b[at] & 0xF0) | (b[at + 2] >> 4);
        c.period = (b[at] & 0x0F) << 8 | b[at + 1];
        c.effect = b[at + 2] & 0x0F;
        c.param = b[at + 3];
        at += 4;
      }
    }
  }
  for (Sample& s : m.samples) {
    if (b.size() < at + s.length) return false;
    s.data.assign(b.begin() + at, b.begin() + at + s.length);
    at += s.length;
  }
  m.trailing = b.size() - at;
  return true;
}

constexpr std::array<int, 36> kPeriods = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113,
};

std::string NoteName(int period) {
  static const char* kNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                   "F#", "G-", "G#", "A-", "A#", "B-"};
  for (int i = 0; i < 36; ++i) {
    if (kPeriods[i] == period) return std::string(kNames[i % 12]) + std::to_string(i / 12 + 1);
  }
  return "?";
}

// The moment the closing curtain has shut in part 8, in its part time.
constexpr int kCurtainShutMs = 27456;

class ModuleFile : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = ReadFile(kModulePath);
    ASSERT_FALSE(bytes.empty()) << kModulePath;
    ASSERT_TRUE(Parse(bytes, mod));
  }
  std::vector<uint8_t> bytes;
  Module mod;
};

}  // namespace

TEST(ModGenerator, ReproducesTheCommittedModuleByteForByte) {
  const std::string out = ::testing::TempDir() + "modgen_out.mod";
  std::remove(out.c_str());
  const std::string cmd = std::string(ZUDEZED_MODGEN) + " '" + out + "' > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::vector<uint8_t> generated = ReadFile(out);
  const std::vector<uint8_t> committed = ReadFile(kModulePath);
  ASSERT_EQ(generated.size(), committed.size());
  size_t first_difference = 0;
  while (first_difference < generated.size() &&
         generated[first_difference] == committed[first_difference]) {
    ++first_difference;
  }
  EXPECT_EQ(first_difference, committed.size()) << "modules differ from byte " << first_difference;
  std::remove(out.c_str());
}

TEST_F(ModuleFile, HeaderAndLayoutAreThoseOfAFourChannelProTrackerModule) {
  EXPECT_EQ(mod.title, "sorvaline");
  EXPECT_EQ(mod.signature, "M.K.");
  EXPECT_EQ(mod.trailing, 0u) << "bytes after the last sample";
  EXPECT_EQ(mod.restart, 127);
  ASSERT_GE(mod.song_length, 1);
  ASSERT_LE(mod.song_length, 128);
  // Entries past the song are zero, and every pattern stored is played somewhere.
  std::set<int> played;
  for (int i = 0; i < 128; ++i) {
    if (i < mod.song_length) played.insert(mod.order[i]); else EXPECT_EQ(mod.order[i], 0) << i;
  }
  EXPECT_EQ(played.size(), mod.patterns.size());
  EXPECT_LE(mod.patterns.size(), 64u);
}

TEST_F(ModuleFile, SampleTableHoldsTheInstrumentsWithSoundLoops) {
  const std::vector<std::string> names = {
      "kick",       "snare",     "closed hat", "open hat",  "crash + kick",
      "tom",        "bass",      "lead pulse", "lead saw",  "lead flute",
      "pad minor",  "pad major", "bell",       "chip square"};
  const std::set<std::string> sustained = {"bass",      "lead pulse", "lead saw",   "lead flute",
                                           "pad minor", "pad major",  "chip square"};
  for (size_t i = 0; i < names.size(); ++i) {
    const Sample& s = mod.samples[i];
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(s.name, names[i]);
    EXPECT_GT(s.length, 500);  // 30 ms at the drums' rate
    EXPECT_GE(s.volume, 16);
    EXPECT_LE(s.volume, 64);
    EXPECT_EQ(s.data[0], 0);  // the idle word of one-shot playback
    EXPECT_EQ(s.data[1], 0);
    if (sustained.count(names[i])) {
      ASSERT_GT(s.loop_length, 2);
      EXPECT_LE(s.loop_start + s.loop_length, s.length);
      EXPECT_GT(s.loop_start, 0) << "an attack before the loop";
      // Whole cycles in the loop: the sample before the loop's start matches the
      // loop's last sample, so the jump back does not click.
      const int before = s.data[s.loop_start - 1];
      const int last = s.data[s.loop_start + s.loop_length - 1];
      EXPECT_LE(std::abs(before - last), 2) << before << " vs " << last;
      EXPECT_EQ(s.finetune, 1);
    } else {
      EXPECT_EQ(s.loop_length, 2) << "one-shot";
      EXPECT_EQ(s.loop_start, 0);
    }
    // Full use of the 8-bit range without clipping runs.
    int peak = 0, at_limit = 0;
    for (int8_t v : s.data) {
      peak = std::max(peak, std::abs(static_cast<int>(v)));
      at_limit += v == 127 || v == -128;
    }
    EXPECT_GE(peak, 100);
    EXPECT_LT(at_limit, 4);
  }
  for (size_t i = names.size(); i < 31; ++i) {
    EXPECT_EQ(mod.samples[i].length, 0) << "slot " << i + 1 << " carries only text";
    EXPECT_LE(mod.samples[i].name.size(), 22u);
  }
}

TEST_F(ModuleFile, PatternsUseValidNotesSamplesAndCommonEffectsOnly) {
  const std::set<int> allowed = {0x0, 0x1, 0x2, 0x3, 0x4, 0x6, 0x7, 0x9, 0xA, 0xC, 0xD, 0xE, 0xF};
  // Extended commands: coarse panning, retrigger, fine volume slide up, note cut,
  // note delay.
  const std::set<int> allowed_extended = {0x8, 0x9, 0xA, 0xC, 0xD};
  for (size_t p = 0; p < mod.patterns.size(); ++p) {
    // Per channel, whether a sample has been set in this pattern and whether the
    // channel's volume is 0 (after a silence or a note cut). A note without a sample
    // number keeps the channel's sample and volume: it must not depend on an earlier
    // pattern (playback may start at any order position) nor sound at volume 0.
    std::array<bool, 4> has_sample{}, silent{};
    // Likewise a vibrato (400, 6xy) or glide (300) that goes on with the speed and
    // depth set before must find them set in this pattern.
    std::array<bool, 4> has_vibrato{}, has_glide{};
    for (int r = 0; r < 64; ++r) {
      for (int ch = 0; ch < 4; ++ch) {
        const Cell& c = mod.patterns[p][r][ch];
        SCOPED_TRACE("pattern " + std::to_string(p) + " row " + std::to_string(r) +
                     " channel " + std::to_string(ch));
        if (c.period != 0) {
          EXPECT_NE(NoteName(c.period), "?") << c.period;
          if (c.sample == 0) {
            EXPECT_TRUE(has_sample[ch]) << "a note without a sample opens the pattern";
            EXPECT_FALSE(silent[ch] && !(c.effect == 0xC && c.param > 0)) << "a silent note";
          } else {
            EXPECT_GT(mod.samples[c.sample - 1].length, 0);
            has_sample[ch] = true;
            silent[ch] = false;
          }
        }
        if (c.effect == 0x4 || c.effect == 0x6) {
          EXPECT_TRUE(has_vibrato[ch] || (c.effect == 0x4 && (c.param & 0xF0) && (c.param & 0x0F)))
              << "a vibrato without its speed and depth";
          if (c.effect == 0x4 && (c.param & 0xF0) && (c.param & 0x0F)) has_vibrato[ch] = true;
        }
        if (c.effect == 0x3) {
          EXPECT_TRUE(has_glide[ch] || c.param != 0) << "a glide without its speed";
          has_glide[ch] = has_glide[ch] || c.param != 0;
        }
        if (c.effect == 0xC) silent[ch] = c.param == 0;
        if (c.effect == 0xE && (c.param >> 4) == 0xC) silent[ch] = true;
        EXPECT_TRUE(allowed.count(c.effect)) << c.effect;
        if (c.effect == 0xC) {
          EXPECT_LE(c.param, 64);
        }
        if (c.effect == 0xD) {
          EXPECT_EQ(c.param, 0);
        }
        if (c.effect == 0xF) {
          EXPECT_NE(c.param, 0) << "F00 would stop the song";
        }
        if (c.effect == 0xA || c.effect == 0x6) {  // slides go one way
          EXPECT_TRUE((c.param & 0xF0) == 0 || (c.param & 0x0F) == 0);
        }
        if (c.effect == 0xE) {
          const int x = c.param & 0x0F;
          EXPECT_TRUE(allowed_extended.count(c.param >> 4)) << std::hex << c.param;
          // At speed 6 a row has ticks 0..5: a cut or delay of 6 or more would never
          // happen (a delayed note would not sound at all), a retrigger of 0 is none.
          if ((c.param >> 4) == 0xC || (c.param >> 4) == 0xD) {
            EXPECT_GE(x, 1);
            EXPECT_LE(x, 5);
          }
          if ((c.param >> 4) == 0x9) {
            EXPECT_GE(x, 1);
          }
        }
        // A sample offset starts inside the sample it plays.
        if (c.effect == 0x9 && c.period != 0 && c.sample != 0) {
          EXPECT_LT(c.param * 256, mod.samples[c.sample - 1].length);
        }
        // Arpeggios stay within the period table: their highest note is still a note.
        if (c.effect == 0x0 && c.param != 0 && c.period != 0) {
          int index = 0;
          while (kPeriods[index] != c.period) ++index;
          EXPECT_LT(index + std::max(c.param >> 4, c.param & 0xF), 36);
        }
      }
    }
  }
  // The first row sets the title's tempo, 116 BPM; the speed stays the format's 6.
  std::set<int> first;
  for (const Cell& c : mod.patterns[mod.order[0]][0]) {
    if (c.effect == 0xF) first.insert(c.param);
  }
  EXPECT_EQ(first, (std::set<int>{116}));
}

// The lead's notes (channel 2) of one bar: row and note name of every note.
std::vector<std::pair<int, std::string>> LeadBar(const Module& mod, int order, int bar) {
  std::vector<std::pair<int, std::string>> out;
  const auto& p = mod.patterns[mod.order[order]];
  for (int r = 0; r < 16; ++r) {
    if (p[bar * 16 + r][2].period) out.emplace_back(r, NoteName(p[bar * 16 + r][2].period));
  }
  return out;
}

TEST_F(ModuleFile, ScoreReadsBackAsComposed) {
  // Channels: 0 bass, 1 drums, 2 lead, 3 second voice. The hook opens the first 3D
  // scene (order position 2): a tresillo on a repeated A, a leap to the octave, a run
  // of sixteenths down, over a bass that follows Am Am F G, a chord to a bar.
  using Bar = std::vector<std::pair<int, std::string>>;
  const Bar hook = {{0, "A-2"},  {3, "A-2"},  {6, "C-3"},  {8, "E-3"},
                    {11, "A-3"}, {13, "G-3"}, {14, "E-3"}, {15, "D-3"}};
  EXPECT_EQ(LeadBar(mod, 2, 0), hook);
  const std::vector<std::string> roots = {"A-1", "A-1", "F-1", "G-1"};
  const auto& first = mod.patterns[mod.order[2]];
  for (int bar = 0; bar < 4; ++bar) {
    EXPECT_EQ(NoteName(first[bar * 16][0].period), roots[bar]) << bar;
    EXPECT_EQ(first[bar * 16][0].sample, 7) << "bass";
  }
  EXPECT_EQ(first[0][1].sample, 5) << "a crash opens the section";
  // The hook comes back with the lead that first played it, note for note and in the
  // same rhythm, in the plasma part and in the finale; in the climax it is a whole
  // tone higher.
  std::vector<int> returns;
  for (int pos = 0; pos < mod.song_length; ++pos) {
    if (LeadBar(mod, pos, 0) == hook) returns.push_back(pos);
  }
  // Its first bar is also heard before: on the bell in the title, on the flute as the
  // plasma part winds down, on the bell in the break.
  EXPECT_EQ(returns, (std::vector<int>{1, 2, 23, 26, 28, 29}));
  EXPECT_EQ(mod.patterns[mod.order[23]][0][2].sample, first[0][2].sample);
  EXPECT_EQ(mod.patterns[mod.order[29]][0][2].sample, first[0][2].sample);
  const Bar high = {{0, "B-2"},  {3, "B-2"},  {6, "D-3"},  {8, "F#3"},
                    {11, "B-3"}, {13, "A-3"}, {14, "F#3"}, {15, "E-3"}};
  EXPECT_EQ(LeadBar(mod, 16, 0), high);

  // The piece begins on a soft A minor pad that swells (volume 4, slides up) and ends
  // on an A major chord (the minor key's bright close), every voice fading.
  const auto& intro = mod.patterns[mod.order[0]];
  EXPECT_EQ(intro[0][3].sample, 11);
  EXPECT_EQ(NoteName(intro[0][3].period), "A-2");
  EXPECT_EQ(intro[0][3].effect, 0xC);
  EXPECT_EQ(intro[0][3].param, 4);
  EXPECT_EQ(intro[1][3].effect, 0xA);
  EXPECT_EQ(intro[1][3].param, 0x20);
  const auto& last = mod.patterns[mod.order[mod.song_length - 1]];
  EXPECT_EQ(last[0][3].sample, 12);
  EXPECT_EQ(NoteName(last[0][3].period), "A-2");
  EXPECT_EQ(NoteName(last[0][0].period), "A-1");
  for (int ch : {0, 2, 3}) {
    int slides = 0;
    for (int r = 1; r < 64; ++r) {
      const Cell& c = last[r][ch];
      slides += (c.effect == 0xA || c.effect == 0x6) && c.param > 0 && c.param < 16;
    }
    EXPECT_GE(slides, 7) << "channel " << ch << " fades out";
  }
}

TEST_F(ModuleFile, HatsNeverCutAKickOrTheRowAfterIt) {
  // The kit shares one channel, where every hit ends the one before: a hat on a
  // kick's row would replace the kick, and on the next row cut it after 128 ms.
  for (int pos = 0; pos < mod.song_length; ++pos) {
    const auto& p = mod.patterns[mod.order[pos]];
    for (int r = 1; r < 64; ++r) {
      const int hit = p[r][1].sample, before = p[r - 1][1].sample;
      if (p[r][1].period == 0 || p[r - 1][1].period == 0) continue;
      const bool hat = hit == 3 || hit == 4, kick = before == 1 || before == 5;
      EXPECT_FALSE(hat && kick) << "order " << pos << " row " << r;
    }
  }
}

TEST_F(ModuleFile, LengthAndSectionsFollowTheTimeline) {
  const std::vector<double> starts = zudezed::ModOrderSeconds(bytes);
  ASSERT_EQ(starts.size(), static_cast<size_t>(mod.song_length) + 1);
  const double end = starts.back();
  double timeline = 0.0;
  std::vector<double> boundaries;
  // The parts in playing order, each lasting until its hand-over (the timeline's table).
  for (int32_t p : zudezed::kPlayOrder) {
    boundaries.push_back(timeline);
    timeline += zudezed::kPartTable[p].handover / 1000.0;
  }
  EXPECT_NEAR(timeline, 227.755, 1e-9);
  // It ends after the curtain has shut, and before the timeline does.
  const double shut = boundaries.back() + kCurtainShutMs / 1000.0;
  EXPECT_GT(end, shut);
  EXPECT_LT(end, 227.7) << "song " << end << " s, timeline " << timeline << " s";
  // A new section (an order position) starts within 0.1 s of every part's start.
  for (size_t i = 0; i < boundaries.size(); ++i) {
    double nearest = 1e9;
    for (int pos = 0; pos < mod.song_length; ++pos) {
      nearest = std::min(nearest, std::abs(starts[pos] - boundaries[i]));
    }
    EXPECT_LT(nearest, 0.1) << "part " << i << " begins at " << boundaries[i] << " s";
  }
  // The last row of the song is a pattern break or the pattern's end, never a jump
  // back: the song plays once.
  for (const auto& p : mod.patterns) {
    for (const auto& row : p) {
      for (const Cell& c : row) EXPECT_NE(c.effect, 0xB);
    }
  }
}

// The order timing follows what the player does beyond the committed song's commands:
// a pattern delay lengthens its row, a position jump skips the orders between, and an
// order list that jumps back is followed once.
TEST(ModuleTiming, DelaysJumpsAndALoopingOrderList) {
  std::vector<uint8_t> b(1084 + 3 * 1024, 0);
  b[950] = 4;
  const uint8_t orders[] = {0, 1, 0, 2};
  for (int i = 0; i < 4; ++i) b[952 + i] = orders[i];
  b[1080] = 'M';
  b[1081] = '.';
  b[1082] = 'K';
  b[1083] = '.';
  const auto put = [&](int pat, int row, int ch, int effect, int param) {
    const size_t at = 1084 + pat * 1024 + row * 16 + ch * 4;
    b[at + 2] = static_cast<uint8_t>(effect);
    b[at + 3] = static_cast<uint8_t>(param);
  };
  put(0, 0, 0, 0xF, 3);     // speed 3: 3 ticks of 20 ms at 125 BPM
  put(0, 1, 2, 0xE, 0xE2);  // the row played three times: 9 ticks
  put(0, 2, 3, 0xD, 0x00);  // on to the next order
  put(1, 0, 1, 0xB, 3);     // order 2 is skipped
  put(2, 0, 0, 0xF, 150);   // 150 BPM: 3 ticks of 16.7 ms
  put(2, 0, 3, 0xB, 0);     // back to the start: the end of the song

  const std::vector<double> seconds = zudezed::ModOrderSeconds(b);
  ASSERT_EQ(seconds.size(), 5u);
  EXPECT_DOUBLE_EQ(seconds[0], 0.0);
  EXPECT_DOUBLE_EQ(seconds[1], 0.3);
  EXPECT_EQ(seconds[2], -1.0);
  EXPECT_DOUBLE_EQ(seconds[3], 0.36);
  EXPECT_DOUBLE_EQ(seconds[4], 0.41);
  // In samples, with the player's whole samples per tick (367.5 at 150 BPM is 367).
  EXPECT_EQ(zudezed::ModOrderStarts(b, 22050), (std::vector<int64_t>{0, 6615, -1, 7938}));
  EXPECT_EQ(zudezed::ModOrderStarts(b, 44100), (std::vector<int64_t>{0, 13230, -1, 15876}));

  // Bytes that are not a whole 4-channel module have no timing.
  std::vector<uint8_t> other = b;
  other[1080] = 'X';
  EXPECT_TRUE(zudezed::ModOrderSeconds(other).empty());
  b.resize(1084 + 2 * 1024);
  EXPECT_TRUE(zudezed::ModOrderSeconds(b).empty());
  EXPECT_TRUE(zudezed::ModOrderStarts(b, 22050).empty());
}
