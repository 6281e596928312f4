// modreport [module]: renders the soundtrack (default "sorvaline.mod") through
// SDL_mixer as the demo plays it (MikMod, 22050 Hz mono) and prints, as Markdown, its
// length, peak and loudness, the 10-second windows, the balance of a stereo render,
// each section's start beside its part's start with its loudness, and the effect
// commands with the order positions that use them. The sections are the score's, so
// the module should be the one this generator writes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/mod_timing.h"
#include "tools/modgen/modgen.h"
#include "tools/modgen/modreport.h"

namespace {

constexpr int kRate = 22050;
constexpr double kWindowSeconds = 10.0;

int Fail(const std::string& what) {
  std::fprintf(stderr, "modreport: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zudezed;
  if (argc > 2 || (argc == 2 && std::string(argv[1]).rfind("-", 0) == 0)) {
    std::fprintf(stderr, "usage: modreport [module]\n");
    return 2;
  }
  const std::string path = argc > 1 ? argv[1] : "sorvaline.mod";
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail("cannot open " + path);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  ReportModule mod;
  std::string error;
  if (!ReadReportModule(bytes, &mod, &error)) return Fail(path + ": " + error);

  BuildSamples();
  BuildSong();
  const std::vector<double> starts = ModOrderSeconds(bytes);
  const std::array<int32_t, kModParts + 1> parts = PartStartsMs();

  std::fprintf(stderr, "modreport: rendering %s (mono, then stereo)...\n", path.c_str());
  MixerRender mono, stereo;
  if (!RenderThroughMixer(path, kRate, 1, &mono, &error)) return Fail("mono render: " + error);
  if (!RenderThroughMixer(path, kRate, 2, &stereo, &error)) {
    return Fail("stereo render: " + error);
  }
  const std::vector<int16_t>& s = mono.samples;
  const double played = static_cast<double>(mono.frames_played) / kRate;

  const size_t window = static_cast<size_t>(kWindowSeconds * kRate);
  const std::vector<double> windows = WindowRmsDb(s, window, kRate);
  size_t loud = 0, quiet = 0;
  for (size_t i = 0; i < windows.size(); ++i) {
    if (windows[i] > windows[loud]) loud = i;
    if (windows[i] < windows[quiet]) quiet = i;
  }
  double left = 0.0, right = 0.0;
  StereoRmsDb(stereo.samples, &left, &right);

  std::printf("## %s through the demo's player\n\n", path.substr(path.rfind('/') + 1).c_str());
  std::printf("SDL_mixer with MikMod at %d Hz, mono, music volume 128, as the demo opens it.\n\n",
              kRate);
  std::printf("| Measure | Value |\n|---|---|\n");
  std::printf("| length played | %.2f s (order list %.2f s; timeline %.3f s) |\n", played,
              starts.back(), parts[kModParts] / 1000.0);
  std::printf("| peak | %.2f dBFS |\n", PeakDb(s.data(), s.size()));
  std::printf("| RMS of the whole song | %.2f dB |\n", RmsDb(s.data(), s.size()));
  if (!windows.empty()) {
    std::printf("| loudest 10 s window | %.2f dB, %zu-%zu s |\n", windows[loud], loud,
                loud + 10);
    std::printf("| quietest 10 s window | %.2f dB, %zu-%zu s |\n", windows[quiet], quiet,
                quiet + 10);
    std::printf("| span of the 10 s windows (every 1 s) | %.2f dB |\n",
                windows[loud] - windows[quiet]);
  }
  std::printf("| stereo render, %d Hz | left %.2f dB, right %.2f dB, difference %.2f dB |\n\n",
              kRate, left, right, left - right);

  std::printf("| Order | Section | Part | Part starts | Section starts | Difference | RMS | Peak |\n");
  std::printf("|---|---|---|---|---|---|---|---|\n");
  int part_index = 0;
  for (int i = 0; i < modsectioncount; ++i) {
    const ModSection& sec = modsections[i];
    const int end_order = i + 1 < modsectioncount ? modsections[i + 1].first_order
                                                  : mod.song_length;
    const double t0 = starts[sec.first_order], t1 = starts[end_order];
    const size_t f0 = std::min(s.size(), static_cast<size_t>(std::llround(t0 * kRate)));
    const size_t f1 = std::min(s.size(), static_cast<size_t>(std::llround(t1 * kRate)));
    const double rms = RmsDb(s.data() + f0, f1 - f0);
    const double peak = PeakDb(s.data() + f0, f1 - f0);
    if (sec.part >= 0) {
      const double part_start = parts[part_index++] / 1000.0;
      std::printf("| %d | %s | %d | %.3f s | %.3f s | %+.3f s | %.2f dB | %.2f dBFS |\n",
                  sec.first_order, sec.name.c_str(), sec.part, part_start, t0, t0 - part_start,
                  rms, peak);
    } else {
      std::printf("| %d | %s | | | %.3f s | | %.2f dB | %.2f dBFS |\n", sec.first_order,
                  sec.name.c_str(), t0, rms, peak);
    }
  }

  // The climax (part 4) and the finale (part 8, to the end): their loudest 10 s windows.
  // The stars-alone stretch: from the first change inside part 1 (the object flies
  // away) to part 2, in 5 s windows.
  double climax0 = 0.0, climax1 = 0.0, finale0 = 0.0, stretch0 = -1.0, stretch1 = 0.0;
  for (int i = 0; i < modsectioncount; ++i) {
    const ModSection& sec = modsections[i];
    const int end_order = i + 1 < modsectioncount ? modsections[i + 1].first_order
                                                  : mod.song_length;
    if (sec.part == 4) climax0 = starts[sec.first_order], climax1 = starts[end_order];
    if (sec.part == 8) finale0 = starts[sec.first_order];
    if (sec.part < 0 && i > 0 && modsections[i - 1].part == 1) stretch0 = starts[sec.first_order];
    if (sec.part == 2) stretch1 = starts[sec.first_order];
  }
  const Window climax = LoudestWindow(s, kRate, climax0, climax1, 10.0, 0.1);
  const Window finale = LoudestWindow(s, kRate, finale0, played, 10.0, 0.1);
  std::printf("\n| Loudest 10 s window | RMS | From |\n|---|---|---|\n");
  std::printf("| climax (part 4) | %.2f dB | %.1f s |\n", climax.db, climax.start);
  std::printf("| finale (part 8) | %.2f dB | %.1f s |\n", finale.db, finale.start);
  std::printf("| finale - climax | %+.2f dB | |\n", finale.db - climax.db);
  if (stretch0 >= 0.0) {
    std::printf("\nFrom the object's exit (%.2f s) to the flash (%.2f s), 5 s windows:",
                stretch0, stretch1);
    for (double t = stretch0; t + 5.0 <= stretch1; t += 5.0) {
      std::printf(" %.2f dB", LoudestWindow(s, kRate, t, t + 5.0, 5.0, 5.0).db);
    }
    std::printf("\n");
  }

  // Held notes' vibrato, grouped by channel, note, depth and delay.
  const std::vector<VibratoUse> vibratos = VibratoCensus(mod);
  std::map<std::array<int, 4>, int> groups;
  double widest = 0.0;
  int earliest = 1 << 30;
  for (const VibratoUse& v : vibratos) {
    ++groups[{v.channel, v.period, v.depth, v.rows_after_note}];
    widest = std::max(widest, v.semitones);
    earliest = std::min(earliest, v.rows_after_note);
  }
  std::printf("\n%zu held notes take up a vibrato; the widest swings %.2f semitones either "
              "side, the earliest begins %d rows after its note.\n\n",
              vibratos.size(), widest, vibratos.empty() ? 0 : earliest);
  std::printf("| Channel | Period | Depth | Semitones | Rows after the note | Notes |\n");
  std::printf("|---|---|---|---|---|---|\n");
  for (const auto& [key, count] : groups) {
    std::printf("| %d | %d | %d | %.2f | %d | %d |\n", key[0], key[1], key[2],
                VibratoSemitones(key[1], key[2]), key[3], count);
  }

  // Each instrument alone: its energy below and above 200 Hz.
  std::fprintf(stderr, "modreport: rendering each instrument alone...\n");
  std::printf("\nEach instrument alone through the demo's player, energy split at 200 Hz:\n\n");
  std::printf("| # | Instrument | Below 200 Hz | Above 200 Hz | Share above | Median |\n");
  std::printf("|---|---|---|---|---|---|\n");
  for (int i = 1; i <= 31; ++i) {
    const size_t at = 20 + 30 * (i - 1);
    if ((bytes[at + 22] << 8 | bytes[at + 23]) <= 1) continue;
    std::string name;
    for (size_t k = 0; k < 22 && bytes[at + k] != 0; ++k) name += static_cast<char>(bytes[at + k]);
    MixerRender alone;
    if (!RenderInstrumentAlone(bytes, i, kRate, &alone, &error)) return Fail(name + ": " + error);
    const BandSplit b = SplitAt(alone.samples, kRate, 200.0);
    std::printf("| %d | %s | %.2f dB | %.2f dB | %.0f %% | %.0f Hz |\n", i, name.c_str(),
                b.below_db, b.above_db, 100.0 * b.above_share, b.median_hz);
  }

  const std::vector<EffectUse> census = EffectCensus(mod);
  int distinct = 0;
  for (const EffectUse& u : census) {
    if (u.key != "Cxx" && u.key != "Dxx" && u.key != "Fxx") ++distinct;
  }
  std::printf("\n%zu distinct effect commands (%d besides set volume, pattern break and "
              "speed/tempo):\n\n",
              census.size(), distinct);
  std::printf("| Command | Effect | Cells | Order positions | Channels |\n|---|---|---|---|---|\n");
  for (const EffectUse& u : census) {
    std::printf("| %s | %s | %d | %s | %s |\n", u.key.c_str(), EffectName(u.key).c_str(),
                u.cells, Ranges(u.orders).c_str(), Ranges(u.channels).c_str());
  }
  return 0;
}
