// The sample bank of the soundtrack: drums from noise and pitch sweeps, and tonal
// instruments from additive synthesis whose loops hold whole cycles of every partial,
// so that the sustained part repeats without a click.
//
// Tuning: a tonal sample holding 64 samples per cycle of its note C sounds C3 (129.5
// Hz, 17 cents flat) at note C-2 (8287 Hz); finetune +1 raises every tonal instrument
// by 12.5 cents, close to concert pitch. The leads, the bell and the chip square hold
// 32 samples per cycle (C-2 sounds C4), the bass 64 (C-2 sounds C3). Drums are
// synthesised for playback at C-3 (16574 Hz).
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
constexpr double kPi = 3.141592653589793;
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
// new sample slot. The first two bytes of every sample are zero, the ProTracker
// convention for the idle loop of one-shot samples.
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

// A metallic hat: six square waves at inharmonic ratios with some noise, high-passed,
// with an exponential decay.
std::vector<double> Metal(double seconds, double decay_tau) {
  static constexpr double kRatios[6] = {2.0, 3.0, 4.16, 5.43, 6.79, 8.21};
  const int n = RoundI32(seconds * kDrumRate);
  std::vector<double> w(n);
  double prev = 0.0;
  for (int i = 0; i < n; ++i) {
    const double t = i / kDrumRate;
    double x = 0.6 * Noise();
    for (double r : kRatios) x += std::sin(kTwoPi * 317.0 * r * t) >= 0.0 ? 0.25 : -0.25;
    const double hp = x - prev;
    prev = x;
    w[i] = hp * std::exp(-t / decay_tau) * std::fmin(1.0, t / 0.0006);
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
  // Kick: a sine dropping from 170 Hz to 46 Hz in the first 30 ms, softly saturated
  // for weight, with a short click; most of it is gone after two rows.
  std::vector<double> kick = Sweep(0.30, 170.0, 46.0, 0.028, 0.085, 0.5);
  for (double& v : kick) v = std::tanh(1.8 * v);
  StoreSample(kSmpKick, "kick", kick, 56, 0, 0, 0);

  // Snare: a noise body (high-passed, decaying over 100 ms) over a two-tone shell
  // (185 and 330 Hz, bending down a little).
  {
    std::vector<double> tone = Sweep(0.26, 205.0, 185.0, 0.015, 0.050, 0.0);
    std::vector<double> ring = Sweep(0.26, 350.0, 330.0, 0.015, 0.030, 0.0);
    std::vector<double> hiss = HissDecay(0.26, 0.085, 0.55);
    for (size_t i = 0; i < tone.size(); ++i) {
      tone[i] = 0.75 * tone[i] + 0.35 * ring[i] + 0.85 * hiss[i];
    }
    StoreSample(kSmpSnare, "snare", tone, 56, 0, 0, 0);
  }

  StoreSample(kSmpHat, "closed hat", Metal(0.05, 0.012), 30, 0, 0, 0);
  StoreSample(kSmpOpenHat, "open hat", Metal(0.36, 0.110), 28, 0, 0, 0);

  // Crash over a kick: the first beat of a section, on the drum channel alone.
  {
    std::vector<double> crash = HissDecay(1.40, 0.450, 0.9);
    for (size_t i = 0; i < kick.size(); ++i) crash[i] = 0.5 * crash[i] + kick[i];
    for (size_t i = kick.size(); i < crash.size(); ++i) crash[i] *= 0.5;
    StoreSample(kSmpCrash, "crash + kick", crash, 54, 0, 0, 0);
  }

  // Tom: a slower sweep; patterns play it at several notes.
  StoreSample(kSmpTom, "tom", Sweep(0.35, 200.0, 110.0, 0.060, 0.130, 0.3), 50, 0, 0, 0);
}

// Bass: two sawtooths beating against each other (128 and 129 cycles over the 8192-
// sample loop at 64 samples per cycle, 27 cents apart) over a sine at the
// fundamental. Their upper harmonics fall away over the first 4096 samples, a plucked
// attack, but only so far: the held tone keeps the sawtooth's bright partials, so that
// a small speaker that plays nothing below 200 Hz still carries the bass line.
void BuildBass() {
  constexpr int kCycle = 64, kHead = 4096, kLoop = 8192;
  std::vector<double> w(kHead + kLoop);
  std::vector<double> amps(16);
  for (int i = 0; i < kHead + kLoop; ++i) {
    const double t = std::fmin(1.0, static_cast<double>(i) / kHead);
    const double damp = 0.01 + 0.04 * t;
    for (int k = 1; k <= 16; ++k) amps[k - 1] = std::exp(-(k - 1) * damp) / k;
    const double p1 = static_cast<double>(i) / kCycle;
    const double p2 = static_cast<double>(i) * (kLoop / kCycle + 1) / kLoop;
    const double env = 1.0 - 0.3 * t;
    w[i] = env * (Harmonics(p1, amps) + 0.8 * Harmonics(p2, amps) + 0.1 * std::sin(kTwoPi * p1));
  }
  StoreSample(kSmpBass, "bass", w, 34, 1, kHead, kLoop);
}

// A lead: two voices of the same harmonic recipe, the second one cycle faster per
// 4096 samples (13.5 cents), at 32 samples per cycle; both complete whole cycles in
// the 4096-sample loop. The first 1024 samples are a little louder and brighter.
void BuildLead(int number, const char* name, const std::vector<double>& amps, int32_t volume) {
  constexpr int kCycle = 32, kBlock = 4096;
  std::vector<double> w(2 * kBlock);
  std::vector<double> bright(amps.size());
  for (int i = 0; i < 2 * kBlock; ++i) {
    const double a = i < 1024 ? 1.0 - i / 1024.0 : 0.0;
    for (size_t k = 0; k < amps.size(); ++k) bright[k] = amps[k] * (1.0 + 0.5 * a * k / 4.0);
    const double p1 = static_cast<double>(i) / kCycle;
    const double p2 = static_cast<double>(i) * (kBlock / kCycle + 1) / kBlock;
    w[i] = (1.0 + 0.2 * a) * (Harmonics(p1, bright) + 0.6 * Harmonics(p2, bright));
  }
  StoreSample(number, name, w, volume, 1, kBlock, kBlock);
}

void BuildLeads() {
  // The theme's lead: a 25 % pulse, hollow and bright.
  std::vector<double> pulse(12);
  for (int k = 1; k <= 12; ++k) pulse[k - 1] = std::sin(kPi * k * 0.25) / k;
  BuildLead(kSmpLead, "lead pulse", pulse, 44);
  // The driving lead: a sawtooth, buzzy and loud.
  std::vector<double> saw(14);
  for (int k = 1; k <= 14; ++k) saw[k - 1] = 1.0 / k;
  BuildLead(kSmpSaw, "lead saw", saw, 40);
  // The soft lead: nearly a sine, with a little second and third harmonic (a flute).
  BuildLead(kSmpFlute, "lead flute", {1.0, 0.28, 0.12, 0.03}, 46);
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

// Bell: one-shot, slightly inharmonic partials decaying at different rates, at 32
// samples per cycle of its fundamental.
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

// Chip: a band-limited square at 32 samples per cycle, for chords played as fast
// arpeggios; a 1024-sample brighter head, then one cycle loops.
void BuildChip() {
  constexpr int kCycle = 32, kHead = 1024;
  std::vector<double> w(kHead + kCycle);
  std::vector<double> amps(11);
  for (int i = 0; i < kHead + kCycle; ++i) {
    const double a = i < kHead ? 1.0 - static_cast<double>(i) / kHead : 0.0;
    for (int k = 1; k <= 11; ++k) amps[k - 1] = k % 2 == 1 ? (1.0 + 0.3 * a) / k : 0.15 * a / k;
    w[i] = Harmonics(static_cast<double>(i) / kCycle, amps);
  }
  StoreSample(kSmpChip, "chip square", w, 32, 1, kHead, kCycle);
}

}  // namespace

void BuildSamples() {
  noiseseed = 0x5EEDu;
  modsamplepoolused = 0;
  modsamples = {};
  BuildDrums();
  BuildBass();
  BuildLeads();
  BuildPad(kSmpPadMinor, "pad minor", 3);
  BuildPad(kSmpPadMajor, "pad major", 4);
  BuildBell();
  BuildChip();
  // The unused slots carry the module's notes, as trackers show them.
  const char* notes[] = {"", "sorvaline", "4 channels, 117 bpm", "A minor, B minor peak",
                         "made by tools/modgen", "for the zudezed demo"};
  for (int i = 0; i < 6; ++i) modsamples[kSmpChip + i].name = notes[i];
}

}  // namespace zudezed
