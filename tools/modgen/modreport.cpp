// Reading, timing and measuring a module for the soundtrack's report.
#include "tools/modgen/modreport.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <complex>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>

#include <unistd.h>

namespace zudezed {

namespace {

int Word(const std::vector<uint8_t>& b, size_t at) { return b[at] << 8 | b[at + 1]; }

}  // namespace

bool ReadReportModule(const std::vector<uint8_t>& b, ReportModule* mod, std::string* error) {
  if (b.size() < 1084) {
    *error = "shorter than a module header (" + std::to_string(b.size()) + " bytes)";
    return false;
  }
  if (std::string(b.begin() + 1080, b.begin() + 1084) != "M.K.") {
    *error = "not a 4-channel \"M.K.\" module";
    return false;
  }
  mod->title.clear();
  for (size_t i = 0; i < 20 && b[i] != 0; ++i) mod->title += static_cast<char>(b[i]);
  size_t sample_bytes = 0;
  for (int i = 0; i < 31; ++i) {
    mod->sample_volume[i] = b[20 + 30 * i + 25];
    sample_bytes += static_cast<size_t>(Word(b, 20 + 30 * i + 22)) * 2;
  }
  mod->song_length = b[950];
  if (mod->song_length < 1 || mod->song_length > 128) {
    *error = "song length " + std::to_string(mod->song_length) + " outside 1..128";
    return false;
  }
  int patterns = 0;
  for (int i = 0; i < 128; ++i) {
    mod->order[i] = b[952 + i];
    patterns = std::max(patterns, mod->order[i] + 1);
  }
  if (patterns > 64) {
    *error = "order list names pattern " + std::to_string(patterns - 1);
    return false;
  }
  size_t at = 1084;
  if (b.size() < at + 1024u * patterns + sample_bytes) {
    *error = "file ends inside its patterns or samples";
    return false;
  }
  mod->patterns.assign(patterns, {});
  for (auto& p : mod->patterns) {
    for (auto& row : p) {
      for (ModCell& c : row) {
        c.sample = static_cast<uint8_t>((b[at] & 0xF0) | (b[at + 2] >> 4));
        c.period = static_cast<uint16_t>((b[at] & 0x0F) << 8 | b[at + 1]);
        c.effect = b[at + 2] & 0x0F;
        c.param = b[at + 3];
        at += 4;
      }
    }
  }
  return true;
}

std::string EffectKey(const ModCell& c) {
  static const char kHex[] = "0123456789ABCDEF";
  if (c.effect == 0 && c.param == 0) return "";
  if (c.effect == 0xE) return std::string("E") + kHex[c.param >> 4] + "x";
  return std::string(1, kHex[c.effect]) + (c.effect == 0 || c.effect == 4 || c.effect == 5 ||
                                                   c.effect == 6 || c.effect == 7 ||
                                                   c.effect == 0xA
                                               ? "xy"
                                               : "xx");
}

std::string EffectName(const std::string& key) {
  static const std::map<std::string, std::string> kNames = {
      {"0xy", "arpeggio"},
      {"1xx", "portamento up"},
      {"2xx", "portamento down"},
      {"3xx", "tone portamento"},
      {"4xy", "vibrato"},
      {"5xy", "tone portamento + volume slide"},
      {"6xy", "vibrato + volume slide"},
      {"7xy", "tremolo"},
      {"8xx", "panning"},
      {"9xx", "sample offset"},
      {"Axy", "volume slide"},
      {"Bxx", "position jump"},
      {"Cxx", "set volume"},
      {"Dxx", "pattern break"},
      {"E0x", "filter"},
      {"E1x", "fine portamento up"},
      {"E2x", "fine portamento down"},
      {"E3x", "glissando"},
      {"E4x", "vibrato waveform"},
      {"E5x", "finetune"},
      {"E6x", "pattern loop"},
      {"E7x", "tremolo waveform"},
      {"E8x", "coarse panning"},
      {"E9x", "retrigger"},
      {"EAx", "fine volume slide up"},
      {"EBx", "fine volume slide down"},
      {"ECx", "note cut"},
      {"EDx", "note delay"},
      {"EEx", "pattern delay"},
      {"EFx", "invert loop"},
      {"Fxx", "speed / tempo"},
  };
  const auto it = kNames.find(key);
  return it == kNames.end() ? "?" : it->second;
}

std::vector<EffectUse> EffectCensus(const ReportModule& mod) {
  std::map<std::string, EffectUse> uses;
  std::map<std::string, std::set<int>> orders, channels;
  std::set<int> counted;  // a pattern played twice is counted once per cell
  for (int pos = 0; pos < mod.song_length; ++pos) {
    const int p = mod.order[pos];
    const bool first_time = counted.insert(p).second;
    for (const auto& row : mod.patterns[p]) {
      for (int ch = 0; ch < 4; ++ch) {
        const std::string key = EffectKey(row[ch]);
        if (key.empty()) continue;
        EffectUse& u = uses[key];
        u.key = key;
        if (first_time) ++u.cells;
        orders[key].insert(pos);
        channels[key].insert(ch);
      }
    }
  }
  std::vector<EffectUse> out;
  for (auto& [key, u] : uses) {
    u.orders.assign(orders[key].begin(), orders[key].end());
    u.channels.assign(channels[key].begin(), channels[key].end());
    out.push_back(u);
  }
  return out;
}

double RmsDb(const int16_t* s, size_t n) {
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i) sum += static_cast<double>(s[i]) * s[i];
  if (n == 0 || sum == 0.0) return -INFINITY;
  return 10.0 * std::log10(sum / n / (32768.0 * 32768.0));
}

double PeakDb(const int16_t* s, size_t n) {
  int peak = 0;
  for (size_t i = 0; i < n; ++i) peak = std::max(peak, std::abs(static_cast<int>(s[i])));
  if (peak == 0) return -INFINITY;
  return 20.0 * std::log10(peak / 32768.0);
}

std::vector<double> WindowRmsDb(const std::vector<int16_t>& mono, size_t window, size_t step) {
  std::vector<double> out;
  if (window == 0 || step == 0) return out;
  for (size_t at = 0; at + window <= mono.size(); at += step) {
    out.push_back(RmsDb(mono.data() + at, window));
  }
  return out;
}

void StereoRmsDb(const std::vector<int16_t>& stereo, double* left, double* right) {
  std::vector<int16_t> l, r;
  l.reserve(stereo.size() / 2);
  r.reserve(stereo.size() / 2);
  for (size_t i = 0; i + 1 < stereo.size(); i += 2) {
    l.push_back(stereo[i]);
    r.push_back(stereo[i + 1]);
  }
  *left = RmsDb(l.data(), l.size());
  *right = RmsDb(r.data(), r.size());
}

namespace {

// The audio thread hands every mixed buffer to these.
std::mutex capturelock;
std::vector<int16_t>* capture = nullptr;
size_t capturedwhenended = 0;
bool musicended = false;

void CaptureMix(void*, Uint8* stream, int len) {
  std::lock_guard<std::mutex> hold(capturelock);
  if (capture == nullptr) return;
  const int16_t* s = reinterpret_cast<const int16_t*>(stream);
  capture->insert(capture->end(), s, s + len / 2);
  if (musicended && capturedwhenended == 0) capturedwhenended = capture->size();
}

void MusicEnded() {
  std::lock_guard<std::mutex> hold(capturelock);
  musicended = true;
}

// Sets an environment variable for the length of a scope, then puts back what was
// there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_, old_.c_str(), 1); else unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

}  // namespace

bool RenderThroughMixer(const std::string& path, int rate, int channels, MixerRender* out,
                        std::string* error) {
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", "/dev/null");
  ScopedEnv delay("SDL_DISKAUDIODELAY", "0");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    *error = std::string("SDL audio: ") + SDL_GetError();
    return false;
  }
  bool ok = false;
  if (Mix_OpenAudio(rate, AUDIO_S16LSB, channels, 512) != 0) {
    *error = std::string("Mix_OpenAudio: ") + Mix_GetError();
  } else {
    int got_rate = 0, got_channels = 0;
    Uint16 got_format = 0;
    Mix_QuerySpec(&got_rate, &got_format, &got_channels);
    Mix_Music* music = Mix_LoadMUS(path.c_str());
    if (got_rate != rate || got_channels != channels || got_format != AUDIO_S16LSB) {
      *error = "the mixer opened " + std::to_string(got_rate) + " Hz, " +
               std::to_string(got_channels) + " channels";
    } else if (music == nullptr) {
      *error = std::string("Mix_LoadMUS: ") + Mix_GetError();
    } else {
      out->rate = rate;
      out->channels = channels;
      out->samples.clear();
      {
        std::lock_guard<std::mutex> hold(capturelock);
        capture = &out->samples;
        capturedwhenended = 0;
        musicended = false;
      }
      Mix_VolumeMusic(128);
      Mix_HookMusicFinished(MusicEnded);
      // The capture and the music start between the same two chunks, so the capture
      // holds no silent chunk before the module's first sample. The audio lock is
      // recursive: the mixer's own calls take it again.
      SDL_LockAudio();
      Mix_SetPostMix(CaptureMix, nullptr);
      const int played = Mix_PlayMusic(music, 0);
      SDL_UnlockAudio();
      if (played != 0) {
        *error = std::string("Mix_PlayMusic: ") + Mix_GetError();
      } else {
        // Twenty minutes of music at most; it mixes far faster than it plays.
        for (int waited = 0; waited < 600000; waited += 5) {
          {
            std::lock_guard<std::mutex> hold(capturelock);
            if (musicended && capturedwhenended != 0) break;
          }
          SDL_Delay(5);
        }
        Mix_HaltMusic();
        std::lock_guard<std::mutex> hold(capturelock);
        ok = musicended && capturedwhenended != 0;
        if (!ok) *error = "the music did not end";
      }
      Mix_SetPostMix(nullptr, nullptr);
      Mix_HookMusicFinished(nullptr);
      {
        std::lock_guard<std::mutex> hold(capturelock);
        capture = nullptr;
        out->samples.resize(std::min(out->samples.size(), capturedwhenended));
        out->frames_played = out->samples.size() / channels;
      }
    }
    if (music != nullptr) Mix_FreeMusic(music);
    Mix_CloseAudio();
  }
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return ok;
}

double VibratoSemitones(int period, int depth) {
  const int bend = (255 * depth) >> 7;
  if (period <= bend) return INFINITY;
  return 12.0 * std::log2(static_cast<double>(period) / (period - bend));
}

std::vector<VibratoUse> VibratoCensus(const ReportModule& mod) {
  std::vector<VibratoUse> out;
  std::array<int, 4> period{}, since{};
  int row = 0;
  for (int pos = 0; pos < mod.song_length; ++pos) {
    const auto& pat = mod.patterns[mod.order[pos]];
    for (;;) {
      int next_row = -1;
      for (int ch = 0; ch < 4; ++ch) {
        const ModCell& c = pat[row][ch];
        // A tone portamento's note is where the glide goes, not a new note.
        if (c.period != 0 && c.effect != 0x3 && c.effect != 0x5) {
          period[ch] = c.period;
          since[ch] = 0;
        }
        if (c.effect == 0x4 && (c.param & 0x0F) != 0 && period[ch] != 0) {
          VibratoUse v;
          v.order = pos;
          v.row = row;
          v.channel = ch;
          v.period = period[ch];
          v.depth = c.param & 0x0F;
          v.rows_after_note = since[ch];
          v.semitones = VibratoSemitones(v.period, v.depth);
          out.push_back(v);
        }
        if (c.effect == 0xD) next_row = (c.param >> 4) * 10 + (c.param & 0x0F);
      }
      for (int& n : since) ++n;
      if (next_row >= 0 || row == 63) {
        row = next_row >= 0 && next_row < 64 ? next_row : 0;
        break;
      }
      ++row;
    }
  }
  return out;
}

namespace {

// In-place radix-2 FFT of a power-of-two length.
void Fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = -6.283185307179586 / static_cast<double>(len);
    const std::complex<double> step(std::cos(angle), std::sin(angle));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1.0, 0.0);
      for (size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

}  // namespace

BandSplit SplitAt(const std::vector<int16_t>& mono, int rate, double split_hz) {
  constexpr size_t kSize = 4096, kHop = 2048;
  std::vector<double> power(kSize / 2 + 1, 0.0);
  std::vector<double> hann(kSize);
  for (size_t i = 0; i < kSize; ++i) {
    hann[i] = 0.5 - 0.5 * std::cos(6.283185307179586 * static_cast<double>(i) / kSize);
  }
  std::vector<std::complex<double>> block(kSize);
  size_t blocks = 0;
  for (size_t at = 0; at + kSize <= mono.size(); at += kHop, ++blocks) {
    for (size_t i = 0; i < kSize; ++i) block[i] = hann[i] * (mono[at + i] / 32768.0);
    Fft(block);
    for (size_t k = 0; k <= kSize / 2; ++k) power[k] += std::norm(block[k]);
  }
  BandSplit out;
  double below = 0.0, above = 0.0;
  for (size_t k = 0; k <= kSize / 2; ++k) {
    (static_cast<double>(k) * rate / kSize < split_hz ? below : above) += power[k];
  }
  const double total = below + above;
  // Parseval with the window's mean square (3/8): mean power per frame.
  const double scale = blocks == 0 ? 0.0 : 1.0 / (blocks * kSize * kSize * 0.375 / 2.0);
  out.below_db = 10.0 * std::log10(below * scale);
  out.above_db = 10.0 * std::log10(above * scale);
  out.above_share = total > 0.0 ? above / total : 0.0;
  double sum = 0.0;
  for (size_t k = 0; k <= kSize / 2 && total > 0.0; ++k) {
    sum += power[k];
    if (sum >= total / 2.0) {
      out.median_hz = static_cast<double>(k) * rate / kSize;
      break;
    }
  }
  return out;
}

bool RenderInstrumentAlone(const std::vector<uint8_t>& b, int sample, int rate,
                           MixerRender* out, std::string* error) {
  ReportModule mod;
  if (!ReadReportModule(b, &mod, error)) return false;
  if (sample < 1 || sample > 31) {
    *error = "no sample slot " + std::to_string(sample);
    return false;
  }
  std::vector<uint8_t> copy = b;
  size_t at = 1084 + 1024 * mod.patterns.size();
  for (int i = 0; i < 31; ++i) {
    const size_t length = static_cast<size_t>(Word(b, 20 + 30 * i + 22)) * 2;
    if (i + 1 != sample) std::fill(copy.begin() + at, copy.begin() + at + length, 0);
    at += length;
  }
  char path[] = "/tmp/modreport-alone-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    *error = "cannot create a temporary file";
    return false;
  }
  close(fd);
  bool ok = false;
  {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(copy.data()), static_cast<std::streamsize>(copy.size()));
    ok = static_cast<bool>(file);
  }
  if (!ok) {
    *error = std::string("cannot write ") + path;
  } else {
    ok = RenderThroughMixer(path, rate, 1, out, error);
  }
  std::remove(path);
  return ok;
}

Window LoudestWindow(const std::vector<int16_t>& mono, int rate, double t0, double t1,
                     double window_seconds, double step_seconds) {
  Window best{-INFINITY, t0};
  const size_t length = static_cast<size_t>(std::llround(window_seconds * rate));
  for (int i = 0;; ++i) {
    const double start = t0 + i * step_seconds;
    if (start + window_seconds > t1 + 1e-9) break;
    const size_t f0 = static_cast<size_t>(std::llround(start * rate));
    if (f0 + length > mono.size()) break;
    const double db = RmsDb(mono.data() + f0, length);
    if (db > best.db) best = {db, start};
  }
  return best;
}

std::string Ranges(const std::vector<int>& v) {
  std::string out;
  for (size_t i = 0; i < v.size();) {
    size_t j = i;
    while (j + 1 < v.size() && v[j + 1] == v[j] + 1) ++j;
    if (!out.empty()) out += ", ";
    out += std::to_string(v[i]);
    if (j > i) out += "-" + std::to_string(v[j]);
    i = j + 1;
  }
  return out;
}

}  // namespace zudezed
