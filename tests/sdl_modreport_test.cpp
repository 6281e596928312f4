// The soundtrack's report: its module reader, timing, effect census and loudness
// measures on small inputs with known answers, and the committed soundtrack rendered
// through SDL_mixer as the demo plays it, held to the figures of its mix.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/mod_timing.h"
#include "tools/modgen/modgen.h"
#include "tools/modgen/modreport.h"

namespace zudezed {
namespace {

const std::string kModulePath = std::string(ZUDEZED_SOURCE_DIR) + "/assets/sorvaline.mod";

// A module of two patterns played 0, 1, 0, with one cell set per effect.
std::vector<uint8_t> SmallModule() {
  std::vector<uint8_t> b(1084 + 2 * 1024, 0);
  b[950] = 3;
  b[951] = 127;
  b[952] = 0;
  b[953] = 1;
  b[954] = 0;
  b[1080] = 'M';
  b[1081] = '.';
  b[1082] = 'K';
  b[1083] = '.';
  const auto put = [&](int pat, int row, int ch, int period, int effect, int param) {
    const size_t at = 1084 + pat * 1024 + row * 16 + ch * 4;
    b[at] = static_cast<uint8_t>(period >> 8);
    b[at + 1] = static_cast<uint8_t>(period & 0xFF);
    b[at + 2] = static_cast<uint8_t>(effect);
    b[at + 3] = static_cast<uint8_t>(param);
  };
  put(0, 0, 0, 0, 0xF, 0x03);    // speed 3
  put(0, 0, 1, 428, 0x0, 0x37);  // an arpeggio on a note
  put(0, 1, 2, 0, 0xE, 0x93);    // retrigger
  put(0, 2, 3, 428, 0x0, 0x00);  // a note without an effect
  put(0, 15, 0, 0, 0xD, 0x00);   // break after 16 rows
  put(1, 0, 1, 0, 0xF, 150);     // 150 BPM
  put(1, 5, 2, 428, 0xE, 0xD3);  // note delay
  put(1, 8, 3, 170, 0x0, 0x00);  // a held note, its vibrato three rows later
  put(1, 11, 3, 0, 0x4, 0x42);
  put(1, 12, 3, 0, 0x4, 0x00);   // going on: no new vibrato
  return b;
}

TEST(ModReport, ReadsTimesAndCountsTheEffectsOfAModule) {
  ReportModule mod;
  std::string error;
  ASSERT_TRUE(ReadReportModule(SmallModule(), &mod, &error)) << error;
  EXPECT_EQ(mod.song_length, 3);
  ASSERT_EQ(mod.patterns.size(), 2u);

  // Speed 3 at the default 125 BPM: 60 ms rows, 16 of them; then 64 rows and 16 rows
  // of 50 ms at 150 BPM, the tempo staying set when pattern 0 plays again.
  const std::vector<double> starts = ModOrderSeconds(SmallModule());
  ASSERT_EQ(starts.size(), 4u);
  EXPECT_NEAR(starts[1], 0.96, 1e-9);
  EXPECT_NEAR(starts[2], 0.96 + 3.2, 1e-9);
  EXPECT_NEAR(starts[3], 0.96 + 3.2 + 0.8, 1e-9);

  const std::vector<EffectUse> census = EffectCensus(mod);
  std::vector<std::string> keys;
  for (const EffectUse& u : census) keys.push_back(u.key);
  EXPECT_EQ(keys, (std::vector<std::string>{"0xy", "4xy", "Dxx", "E9x", "EDx", "Fxx"}));
  // A pattern played twice lists both order positions but counts its cells once.
  EXPECT_EQ(census[0].orders, (std::vector<int>{0, 2}));
  EXPECT_EQ(census[0].cells, 1);
  EXPECT_EQ(census[0].channels, (std::vector<int>{1}));
  EXPECT_EQ(census[4].orders, (std::vector<int>{1}));
  EXPECT_EQ(census[5].orders, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(census[5].cells, 2);
  EXPECT_EQ(census[5].channels, (std::vector<int>{0, 1}));

  // The held note's vibrato: period 170 bent by (255 * 2) >> 7 = 3, so 170 / 167 is
  // 0.308 semitones; it begins three rows after the note (the row-0 note on channel 3
  // of pattern 0 is another note, in an earlier order position).
  const std::vector<VibratoUse> vibratos = VibratoCensus(mod);
  ASSERT_EQ(vibratos.size(), 1u);
  EXPECT_EQ(vibratos[0].order, 1);
  EXPECT_EQ(vibratos[0].row, 11);
  EXPECT_EQ(vibratos[0].channel, 3);
  EXPECT_EQ(vibratos[0].period, 170);
  EXPECT_EQ(vibratos[0].depth, 2);
  EXPECT_EQ(vibratos[0].rows_after_note, 3);
  EXPECT_NEAR(vibratos[0].semitones, 12.0 * std::log2(170.0 / 167.0), 1e-9);
  EXPECT_NEAR(VibratoSemitones(170, 6), 12.0 * std::log2(170.0 / 159.0), 1e-9);
  EXPECT_EQ(EffectName("E9x"), "retrigger");
  EXPECT_EQ(EffectName("4xy"), "vibrato");
  EXPECT_EQ(Ranges({0, 1, 2, 5, 7, 8}), "0-2, 5, 7-8");
  EXPECT_EQ(Ranges({}), "");

  std::vector<uint8_t> bad = SmallModule();
  bad[1083] = '!';
  EXPECT_FALSE(ReadReportModule(bad, &mod, &error));
  EXPECT_NE(error.find("M.K."), std::string::npos) << error;
  bad = SmallModule();
  bad.resize(2000);
  EXPECT_FALSE(ReadReportModule(bad, &mod, &error));
  EXPECT_FALSE(ReadReportModule(std::vector<uint8_t>(100), &mod, &error));
}

TEST(ModReport, LoudnessMeasuresKnownSignals) {
  // A full cycle count of a sine at half scale: RMS -9.03 dB, peak -6.02 dBFS.
  std::vector<int16_t> sine(22050);
  for (size_t i = 0; i < sine.size(); ++i) {
    sine[i] = static_cast<int16_t>(std::lround(16384.0 * std::sin(6.283185307179586 * i / 441.0)));
  }
  EXPECT_NEAR(RmsDb(sine.data(), sine.size()), -9.031, 0.005);
  EXPECT_NEAR(PeakDb(sine.data(), sine.size()), -6.021, 0.005);
  EXPECT_TRUE(std::isinf(RmsDb(sine.data(), 0)));

  // Windows of 10000 frames every 5000 over a loud half and a silent half.
  std::vector<int16_t> halves(20000, 0);
  std::fill(halves.begin(), halves.begin() + 10000, 16384);
  const std::vector<double> w = WindowRmsDb(halves, 10000, 5000);
  ASSERT_EQ(w.size(), 3u);
  EXPECT_NEAR(w[0], -6.021, 0.005);
  EXPECT_NEAR(w[1], -9.031, 0.005);
  EXPECT_TRUE(std::isinf(w[2]) && w[2] < 0);

  std::vector<int16_t> stereo;
  for (int i = 0; i < 1000; ++i) {
    stereo.push_back(16384);
    stereo.push_back(-8192);
  }
  double left = 0.0, right = 0.0;
  StereoRmsDb(stereo, &left, &right);
  EXPECT_NEAR(left, -6.021, 0.005);
  EXPECT_NEAR(right, -12.041, 0.005);

  // 100 Hz at half scale and 1 kHz at quarter scale: a fifth of the energy lies above
  // 200 Hz (-9.03 dB below against -15.05 dB above), and the median is the low tone.
  std::vector<int16_t> two(22050 * 4);
  for (size_t i = 0; i < two.size(); ++i) {
    const double t = static_cast<double>(i) / 22050;
    two[i] = static_cast<int16_t>(std::lround(16384.0 * std::sin(6.283185307179586 * 100.0 * t) +
                                              8192.0 * std::sin(6.283185307179586 * 1000.0 * t)));
  }
  const BandSplit split = SplitAt(two, 22050, 200.0);
  EXPECT_NEAR(split.above_share, 0.2, 0.002);
  EXPECT_NEAR(split.below_db, -9.031, 0.05);
  EXPECT_NEAR(split.above_db, -15.051, 0.05);
  EXPECT_NEAR(split.median_hz, 100.0, 22050.0 / 4096);
  EXPECT_NEAR(SplitAt(two, 22050, 2000.0).above_share, 0.0, 1e-4);

  // The loudest 2 s window of the loud-then-silent halves at 2 Hz windows ends where
  // the loud half ends; a span shorter than the window has none.
  const Window loud = LoudestWindow(halves, 1000, 5.0, 20.0, 2.0, 0.5);
  EXPECT_NEAR(loud.db, -6.021, 0.005);
  EXPECT_DOUBLE_EQ(loud.start, 5.0);
  const Window later = LoudestWindow(halves, 1000, 9.0, 20.0, 2.0, 0.5);
  EXPECT_NEAR(later.db, -9.031, 0.005);
  EXPECT_DOUBLE_EQ(later.start, 9.0);
  EXPECT_TRUE(std::isinf(LoudestWindow(halves, 1000, 0.0, 1.5, 2.0, 0.5).db));
}

// The committed soundtrack as the demo plays it (SDL_mixer's module player at 22050
// Hz mono) and as a stereo player plays it.
TEST(ModReport, TheSoundtrackMeetsItsMixThroughTheDemosPlayer) {
  std::ifstream in(kModulePath, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  ReportModule mod;
  std::string error;
  ASSERT_TRUE(ReadReportModule(bytes, &mod, &error)) << error;
  const std::vector<double> starts = ModOrderSeconds(bytes);

  MixerRender mono, stereo;
  ASSERT_TRUE(RenderThroughMixer(kModulePath, 22050, 1, &mono, &error)) << error;
  ASSERT_TRUE(RenderThroughMixer(kModulePath, 22050, 2, &stereo, &error)) << error;
  const std::vector<int16_t>& s = mono.samples;

  // It plays as long as its order list says (to the mixer's 23 ms buffer and the
  // player's rounding of the tick), and ends before the timeline.
  const double played = static_cast<double>(mono.frames_played) / 22050;
  EXPECT_NEAR(played, starts.back(), 0.3);
  EXPECT_LT(played, 227.7);

  // No clipping: the peak stays at -1 dBFS or below.
  EXPECT_LE(PeakDb(s.data(), s.size()), -1.0);

  // The loudest 10 s window near -14.3 dB, the windows spread over 6 dB or more.
  const std::vector<double> windows = WindowRmsDb(s, 220500, 22050);
  ASSERT_FALSE(windows.empty());
  const double loudest = *std::max_element(windows.begin(), windows.end());
  const double quietest = *std::min_element(windows.begin(), windows.end());
  EXPECT_NEAR(loudest, -14.3, 3.0);
  EXPECT_GE(loudest - quietest, 6.0);
  // Even the hushed places stay audible: no 10 s window below -27 dB.
  EXPECT_GE(quietest, -27.0);

  // A stereo player's left and right within 2 dB.
  double left = 0.0, right = 0.0;
  StereoRmsDb(stereo.samples, &left, &right);
  EXPECT_LT(std::abs(left - right), 2.0) << left << " / " << right;

  // Each part's section starts within 0.1 s of its part; the climax (part 4) is the
  // loudest section, 6 dB above the quietest part's section; the break (part 6) is
  // the quietest section of all.
  BuildSamples();
  BuildSong();
  const std::array<int32_t, kModParts + 1> parts = PartStartsMs();
  double quietest_section = 0.0, loudest_section = -1e9;
  double climax = 0.0, quietest_part_section = 0.0;
  int quietest_at = -2, loudest_at = -2, k = 0;
  for (int i = 0; i < modsectioncount; ++i) {
    const ModSection& sec = modsections[i];
    const int end = i + 1 < modsectioncount ? modsections[i + 1].first_order : mod.song_length;
    const size_t f0 = static_cast<size_t>(starts[sec.first_order] * 22050);
    const size_t f1 = std::min(s.size(), static_cast<size_t>(starts[end] * 22050));
    const double rms = RmsDb(s.data() + f0, f1 - f0);
    if (rms < quietest_section) {
      quietest_section = rms;
      quietest_at = sec.part;
    }
    if (rms > loudest_section) {
      loudest_section = rms;
      loudest_at = sec.part;
    }
    if (sec.part >= 0) {
      EXPECT_NEAR(starts[sec.first_order], parts[k++] / 1000.0, 0.1) << sec.name;
      if (sec.part == 4) climax = rms;
      // The break is the quietest of all; the climax stands out from every other
      // part's section.
      if (sec.part != 6) quietest_part_section = std::min(quietest_part_section, rms);
    }
  }
  EXPECT_EQ(k, kModParts);

  // The finale peaks as the climax does: its loudest 10 s window within 1 dB of the
  // climax's. From the object's exit to the flash (the stars alone), every 5 s is
  // louder than the 5 s before.
  double climax0 = 0.0, climax1 = 0.0, finale0 = 0.0, stretch0 = -1.0, stretch1 = 0.0;
  for (int i = 0; i < modsectioncount; ++i) {
    const ModSection& sec = modsections[i];
    const int end = i + 1 < modsectioncount ? modsections[i + 1].first_order : mod.song_length;
    if (sec.part == 4) climax0 = starts[sec.first_order], climax1 = starts[end];
    if (sec.part == 8) finale0 = starts[sec.first_order];
    if (sec.part < 0 && i > 0 && modsections[i - 1].part == 1) stretch0 = starts[sec.first_order];
    if (sec.part == 2) stretch1 = starts[sec.first_order];
  }
  const Window climax_window = LoudestWindow(s, 22050, climax0, climax1, 10.0, 0.1);
  const Window finale_window = LoudestWindow(s, 22050, finale0, played, 10.0, 0.1);
  EXPECT_NEAR(finale_window.db, climax_window.db, 1.0);
  ASSERT_GE(stretch0, 0.0);
  EXPECT_GT(stretch1 - stretch0, 15.0);
  double before = -INFINITY;
  for (double t = stretch0; t + 5.0 <= stretch1; t += 5.0) {
    const double db = LoudestWindow(s, 22050, t, t + 5.0, 5.0, 5.0).db;
    EXPECT_GT(db, before) << "the 5 s from " << t << " s";
    before = db;
  }

  EXPECT_EQ(loudest_at, 4);
  EXPECT_EQ(quietest_at, 6);
  EXPECT_GE(climax - quietest_part_section, 6.0);

  // At least ten effect commands besides set volume, pattern break and tempo.
  int expressive = 0;
  for (const EffectUse& u : EffectCensus(mod)) {
    expressive += u.key != "Cxx" && u.key != "Dxx" && u.key != "Fxx";
  }
  EXPECT_GE(expressive, 10);

  // Held notes: every vibrato swings at most about 0.4 semitones either side and
  // begins a few rows after its note, once the note has been heard in tune.
  const std::vector<VibratoUse> vibratos = VibratoCensus(mod);
  EXPECT_GE(vibratos.size(), 40u);
  for (const VibratoUse& v : vibratos) {
    SCOPED_TRACE("order " + std::to_string(v.order) + " row " + std::to_string(v.row) +
                 " channel " + std::to_string(v.channel));
    EXPECT_LE(v.semitones, 0.42);
    EXPECT_GE(v.rows_after_note, 2);
  }

  // The bass alone carries at least 30% of its energy above 200 Hz, where a small
  // speaker plays, and still sits under the pads (its median frequency below theirs).
  MixerRender bass, pad_minor, pad_major;
  ASSERT_TRUE(RenderInstrumentAlone(bytes, kSmpBass, 22050, &bass, &error)) << error;
  ASSERT_TRUE(RenderInstrumentAlone(bytes, kSmpPadMinor, 22050, &pad_minor, &error)) << error;
  ASSERT_TRUE(RenderInstrumentAlone(bytes, kSmpPadMajor, 22050, &pad_major, &error)) << error;
  const BandSplit bass_split = SplitAt(bass.samples, 22050, 200.0);
  EXPECT_GE(bass_split.above_share, 0.30);
  EXPECT_LT(bass_split.median_hz, SplitAt(pad_minor.samples, 22050, 200.0).median_hz);
  EXPECT_LT(bass_split.median_hz, SplitAt(pad_major.samples, 22050, 200.0).median_hz);
  // Alone means alone: the bass render holds none of the kick's or the leads' sound.
  EXPECT_LT(RmsDb(bass.samples.data(), bass.samples.size()), RmsDb(s.data(), s.size()) - 3.0);
}

}  // namespace
}  // namespace zudezed
