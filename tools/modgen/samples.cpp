// The sample bank of the soundtrack: drums from noise and pitch sweeps, and tonal
// instruments from additive synthesis whose loops hold whole cycles of every partial,
// so that the sustained part repeats without a click.
//
// Tuning: the tonal samples hold 32 or 64 samples per cycle of their note C. Played
// at note C-2 (8287 Hz) a 64-sample cycle sounds C3 (129.5 Hz, 17 cents flat);
// finetune +1 raises every tonal instrument by 12.5 cents, close to concert pitch.
// Drums are synthesised for playback at C-3 (16574 Hz).
#include <cmath>
#include <vector>

#include "platform/numeric.h"
#include "tools/modgen/modgen.h"

namespace zudezed {

std::string modtitle = "sorvaline";
std::array<ModSample, kModSampleSlots> modsamples{};
std::array<int8_t, kModSamplePool> modsamplepool{};
int32_t modsamplepoolused = 0;

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDrumRate = 16574.27;  // playback rate of note C-3 at finetune 0

// A small deterministic noise source (linear congruential), values in -1 .. 1.
uint32_t noiseseed = 0x5EEDu;
double Noise() {
  noiseseed = noiseseed * 1664525u + 1013904223u;
  return static_cast<double>((noiseseed >> 8) & 0xFFFFu) / 32768.0 - 1.0;
}

// Rounds to the nearest integer (halves away from zero).
int32_t RoundI32(double v) { return trunc_i32(v >= 0.0 ? v + 0.5 : v - 0.5); }

// Scales a waveform so that its largest magnitude is `peak` (of 127), stores it as a
// new sample slot and returns the slot's sample number. The first two bytes of every
// sample are zero, the ProTracker convention for the idle loop of one-shot samples.
void StoreSample(int number, const char* name, std::vector<double> wave, int32_t volume,
                 int32_t finetune, int32_t loop_start, int32_t loop_length,
                 double peak = 124.0) {
  if (wave.size() % 2 != 0) wave.push_back(0.0);
  double maxabs = 0.0;
  for (double v : wave) maxabs = std::fmax(maxabs, std::fabs(v));
  const double scale = maxabs > 0.0 ? peak / maxabs : 0.0;
  ModSample& s = modsamples[number - 1];
  s.name = name;
  s.offset = modsamplepoolused;
  s.length = static_cast<int32_t>(wave.size());
  s.finetune = finetune;
  s.volume = volume;
  s.loop_start = loop_start;
  s.loop_length = loop_length;
  for (size_t i = 0; i < wave.size(); ++i) {
    int32_t v = RoundI32(wave[i] * scale);
    if (v > 127) v = 127;
    if (v < -128) v = -128;
    modsamplepool[s.offset + i] = static_cast<int8_t>(v);
  }
  modsamplepool[s.offset] = 0;
  modsamplepool[s.offset + 1] = 0;
  modsamplepoolused += s.length;
}

// A drum voice: a sine whose frequency falls exponentially from f0 to f1, with an
// exponential amplitude decay, plus an optional burst of noise at the start.
std::vector<double> Sweep(double seconds, double f0, double f1, double sweep_tau,
                          double decay_tau, double click) {
  const int n = RoundI32(seconds * kDrumRate);
  std::vector<double> w(n);
  double phase = 0.0;
  for (int i = 0; i < n; ++i) {
    const double t = i / kDrumRate;
    const double f = f1 + (f0 - f1) * std::exp(-t / sweep_tau);
    phase += f / kDrumRate;
    double v = std::sin(kTwoPi * phase) * std::exp(-t / decay_tau);
    if (t < 0.004) v += click * Noise() * (1.0 - t / 0.004);
    w[i] = v;
  }
  return w;
}

// Noise with the low end removed (difference of successive values, a first-order
// high-pass) and an exponential decay: hats, snare rattle, cymbal.
std::vector<double> HissDecay(double seconds, double decay_tau, double brightness) {
  const int n = RoundI32(seconds * kDrumRate);
  std::vector<double> w(n);
  double prev = 0.0;
  for (int i = 0; i < n; ++i) {
    const double t = i / kDrumRate;
    const double x = Noise();
    const double hp = x - prev * brightness;
    prev = x;
    w[i] = hp * std::exp(-t / decay_tau);
  }
  return w;
}

// One partial sum of harmonics: amps[k - 1] is the amplitude of harmonic k, at phase
// measured in cycles.
double Harmonics(double phase, const std::vector<double>& amps) {
  double v = 0.0;
  for (size_t k = 1; k <= amps.size(); ++k) v += amps[k - 1] * std::sin(kTwoPi * k * phase);
  return v;
}

void BuildDrums() {
  // Kick: a sine falling from 160 Hz to 45 Hz with a short click.
  StoreSample(kSmpKick, "kick", Sweep(0.30, 160.0, 45.0, 0.030, 0.110, 0.6), 64, 0, 0, 0);

  // Snare: a short 190 Hz body under bright, decaying noise.
  {
    std::vector<double> body = Sweep(0.22, 230.0, 180.0, 0.020, 0.045, 0.0);
    std::vector<double> hiss = HissDecay(0.22, 0.060, 0.6);
    for (size_t i = 0; i < body.size(); ++i) body[i] = 0.7 * body[i] + 0.9 * hiss[i];
    StoreSample(kSmpSnare, "snare", body, 50, 0, 0, 0);
  }

  StoreSample(kSmpHat, "closed hat", HissDecay(0.06, 0.014, 1.0), 26, 0, 0, 0);
  StoreSample(kSmpOpenHat, "open hat", HissDecay(0.40, 0.120, 1.0), 26, 0, 0, 0);

  // Crash over a kick: the first beat of a section.
  {
    std::vector<double> crash = HissDecay(1.40, 0.450, 0.9);
    std::vector<double> kick = Sweep(0.30, 160.0, 45.0, 0.030, 0.110, 0.6);
    for (size_t i = 0; i < kick.size(); ++i) crash[i] = 0.55 * crash[i] + kick[i];
    for (size_t i = kick.size(); i < crash.size(); ++i) crash[i] *= 0.55;
    StoreSample(kSmpCrash, "crash + kick", crash, 56, 0, 0, 0);
  }

  // Tom: a slower sweep; patterns play it at several notes.
  StoreSample(kSmpTom, "tom", Sweep(0.35, 200.0, 110.0, 0.060, 0.130, 0.3), 50, 0, 0, 0);
}

// Bass: a 64-sample cycle of a sawtooth whose upper harmonics die away over the first
// 4096 samples (a plucked attack), then one cycle of the settled tone loops.
void BuildBass() {
  constexpr int kCycle = 64, kHead = 4096;
  std::vector<double> w(kHead + kCycle);
  for (int i = 0; i < kHead + kCycle; ++i) {
    const double t = std::fmin(1.0, static_cast<double>(i) / kHead);
    const double damp = 0.12 + 0.33 * t;
    std::vector<double> amps(12);
    for (int k = 1; k <= 12; ++k) amps[k - 1] = std::exp(-(k - 1) * damp) / k;
    const double env = 1.0 - 0.35 * t;
    w[i] = env * Harmonics(static_cast<double>(i) / kCycle, amps);
  }
  StoreSample(kSmpBass, "bass", w, 50, 1, kHead, kCycle);
}

// Lead: a 30 % pulse (harmonics sin(pi k d) / k) at 32 samples per cycle, doubled by a
// second voice one cycle faster per 4096 samples (13.5 cents) for a slow chorus. Both
// voices complete whole cycles in every 4096-sample block, which is the loop.
void BuildLead() {
  constexpr int kCycle = 32, kBlock = 4096;
  std::vector<double> amps(10);
  for (int k = 1; k <= 10; ++k) amps[k - 1] = std::sin(3.14159265358979 * k * 0.3) / k;
  std::vector<double> w(2 * kBlock);
  for (int i = 0; i < 2 * kBlock; ++i) {
    const double p1 = static_cast<double>(i) / kCycle;
    const double p2 = static_cast<double>(i) * (kBlock / kCycle + 1) / kBlock;
    const double env = i < 1024 ? 1.0 - 0.2 * i / 1024.0 : 0.8;
    w[i] = env * (Harmonics(p1, amps) + 0.6 * Harmonics(p2, amps));
  }
  StoreSample(kSmpLead, "lead", w, 40, 1, kBlock, kBlock);
}

// Pads: whole chords in one sample, root C at 64 samples per cycle. Each chord tone
// is a soft sawtooth doubled one cycle apart over the 8192-sample loop (a 13.5-cent
// chorus at the root); every tone's cycle count over the loop is an integer, which
// tunes the third and fifth to within 3.5 cents of equal temperament.
void BuildPad(int number, const char* name, int third) {
  constexpr int kLoop = 8192, kRootCycles = kLoop / 64;
  const int semitones[4] = {0, third, 7, 12};
  std::vector<double> amps(6);
  for (int k = 1; k <= 6; ++k) amps[k - 1] = 1.0 / std::pow(static_cast<double>(k), 1.6);
  std::vector<double> w(2 * kLoop);
  for (int i = 0; i < 2 * kLoop; ++i) {
    double v = 0.0;
    for (int s : semitones) {
      const double cycles = std::round(kRootCycles * std::pow(2.0, s / 12.0));
      const double x = static_cast<double>(i) / kLoop;
      v += Harmonics(x * cycles, amps) + Harmonics(x * (cycles + 1.0), amps);
    }
    // A soft swell over the first half of the head, then steady in the loop.
    const double a = std::fmin(1.0, static_cast<double>(i) / (kLoop / 2));
    w[i] = v * a * a * (3.0 - 2.0 * a);
  }
  StoreSample(number, name, w, 34, 1, kLoop, kLoop);
}

// Bell: one-shot, three slightly inharmonic partials decaying at different rates, at
// 32 samples per cycle of its fundamental.
void BuildBell() {
  constexpr int kLength = 10000;
  constexpr double kCycle = 32.0;
  std::vector<double> w(kLength);
  for (int i = 0; i < kLength; ++i) {
    const double x = static_cast<double>(i) / kCycle;
    const double u = static_cast<double>(i) / kLength;
    const double v = std::sin(kTwoPi * x) * std::exp(-u * 4.0) +
                     0.45 * std::sin(kTwoPi * 2.0 * x) * std::exp(-u * 7.0) +
                     0.25 * std::sin(kTwoPi * 3.01 * x) * std::exp(-u * 12.0) +
                     0.12 * std::sin(kTwoPi * 4.2 * x) * std::exp(-u * 20.0);
    const double attack = std::fmin(1.0, i / 24.0);
    w[i] = v * attack;
  }
  StoreSample(kSmpBell, "bell", w, 30, 1, 0, 0);
}

}  // namespace

void BuildSamples() {
  noiseseed = 0x5EEDu;
  modsamplepoolused = 0;
  modsamples = {};
  BuildDrums();
  BuildBass();
  BuildLead();
  BuildPad(kSmpPadMinor, "pad minor", 3);
  BuildPad(kSmpPadMajor, "pad major", 4);
  BuildBell();
  // The unused slots carry the module's notes, as trackers show them.
  const char* notes[] = {"", "sorvaline", "4 channels, 117 bpm", "A minor / C major",
                         "made by tools/modgen", "for the zudezed demo"};
  for (int i = 0; i < 6; ++i) modsamples[kSmpBell + i].name = notes[i];
}

}  // namespace zudezed
