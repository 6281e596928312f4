// The soundtrack's report: reads a 4-channel "M.K." module, renders it through
// SDL_mixer as the demo plays it, and measures what a listener hears: the loudness of
// every section and of 10-second windows, the peak, the balance of a stereo render,
// and the effect commands the score uses.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/modgen/modgen.h"

namespace zudezed {

struct ReportModule {
  std::string title;
  int song_length = 0;
  std::array<int, 128> order{};
  std::vector<std::array<std::array<ModCell, kModChannels>, kModRows>> patterns;  // as stored
  std::array<int, 31> sample_volume{};
};

// Parses the module's bytes; false (with the reason in *error) when they are not a
// complete 4-channel "M.K." module.
bool ReadReportModule(const std::vector<uint8_t>& bytes, ReportModule* mod, std::string* error);

// An effect command as a listener's tools name it: "4xy" or "ECx"; the arpeggio only
// with a non-zero parameter. Empty for a cell without an effect.
std::string EffectKey(const ModCell& cell);

// The long name of an effect key ("4xy" -> "vibrato").
std::string EffectName(const std::string& key);

// Where one effect command is used: the order positions (ascending, each once) and the
// channels.
struct EffectUse {
  std::string key;
  int cells = 0;
  std::vector<int> orders;
  std::vector<int> channels;
};

// Every effect command of the song's order list, sorted by key.
std::vector<EffectUse> EffectCensus(const ReportModule& mod);

// Loudness of 16-bit samples (interleaved channels are measured together) as dB
// relative to full scale: RMS and peak magnitude. Silence gives -inf.
double RmsDb(const int16_t* samples, size_t count);
double PeakDb(const int16_t* samples, size_t count);

// RMS of windows of `window` frames starting every `step` frames, mono samples.
std::vector<double> WindowRmsDb(const std::vector<int16_t>& mono, size_t window, size_t step);

// Left and right RMS of an interleaved stereo render.
void StereoRmsDb(const std::vector<int16_t>& stereo, double* left, double* right);

// A render through SDL_mixer (MikMod for modules) at `rate` Hz with 1 or 2 channels,
// as fast as the machine mixes: SDL's file-writing audio driver without its delay.
// `frames_played` is the length in frames up to the buffer in which the music ended.
struct MixerRender {
  int rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;  // interleaved
  size_t frames_played = 0;
};
bool RenderThroughMixer(const std::string& path, int rate, int channels, MixerRender* out,
                        std::string* error);

// One vibrato that a held note takes up (4xy with a depth), in playing order: where it
// is, the note's period, how many rows after the note it begins, and its swing in
// semitones either side of the note as a ProTracker player bends the period (the
// sine's peak 255 times the depth, shifted right by 7; the wider side, below the
// period, is given).
struct VibratoUse {
  int order = 0;
  int row = 0;
  int channel = 0;
  int period = 0;
  int depth = 0;
  int rows_after_note = 0;
  double semitones = 0.0;
};
std::vector<VibratoUse> VibratoCensus(const ReportModule& mod);

// The swing in semitones of vibrato depth `depth` on a note of `period`.
double VibratoSemitones(int period, int depth);

// How a render's energy divides at `split_hz`: energy below and above as dB of full
// scale (mean power over the whole render), the share above, and the median frequency
// (half the energy lies below it). Hann-windowed 4096-point spectra every 2048 frames.
struct BandSplit {
  double below_db = 0.0;
  double above_db = 0.0;
  double above_share = 0.0;
  double median_hz = 0.0;
};
BandSplit SplitAt(const std::vector<int16_t>& mono, int rate, double split_hz);

// A render of the module with only one instrument sounding: the sample data of every
// other sample slot is silenced in a temporary copy of the file, which SDL_mixer then
// plays as the demo does (mono). `sample` is 1..31.
bool RenderInstrumentAlone(const std::vector<uint8_t>& module_bytes, int sample, int rate,
                           MixerRender* out, std::string* error);

// The loudest window of `window_seconds` lying within [t0, t1) seconds of a mono render,
// windows starting every `step_seconds`: its RMS in dB and where it starts. -inf (start
// t0) when no window fits.
struct Window {
  double db = 0.0;
  double start = 0.0;
};
Window LoudestWindow(const std::vector<int16_t>& mono, int rate, double t0, double t1,
                     double window_seconds, double step_seconds);

// Formats "3-5, 9, 12" from ascending numbers.
std::string Ranges(const std::vector<int>& values);

}  // namespace zudezed
