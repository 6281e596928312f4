// The score of "sorvaline": patterns written as text, one token per row, the order
// list that arranges them along the demo's timeline, and the tempo of each section,
// fitted so that every section begins with its part.
//
// Channels: 0 bass, 1 drums, 2 lead, 3 the second voice: chords played as arpeggios,
// an answering phrase, an echo of the lead, or pads. A bar is 16 rows; a row lasts
// 128 ms at speed 6 and about 117 BPM, so a bar is about 2.05 s.
//
// Melodic tokens (Line): "." nothing, "-" silence (volume 0), "~" vibrato goes on
// (400), a note as in a tracker ("A2", "C#3", "Bb1", octaves 1..3), optionally
// followed by ":HH" (volume, hex) or "/XHH" (effect X with parameter HH, hex); a token
// may also be only ":HH" or "/XHH".
// Drum tokens (Drums), one character per row: K kick, S snare, g ghost snare (played
// from a later offset, softer), r snare roll (retriggered twice a row), h closed hat,
// d closed hat delayed by half a row, o open hat, c open hat cut short, C crash over a
// kick, 1 2 3 toms high to low, "." nothing.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/mod_timing.h"
#include "timeline/script.h"
#include "tools/modgen/modgen.h"

namespace zudezed {

std::array<ModPattern, kModMaxPatterns> modpatterns{};
int32_t modpatterncount = 0;
std::array<uint8_t, kModMaxOrders> modorder{};
int32_t modordercount = 0;
std::array<ModSection, kModMaxSections> modsections{};
int32_t modsectioncount = 0;

std::array<int32_t, kModParts + 1> PartStartsMs() {
  // Each part begins when the one before it hands over, at the part time given in the
  // timeline's part table (part 1 when its 3D scene signals, at that same time).
  static_assert(kPlayOrder.size() == kModParts);
  std::array<int32_t, kModParts + 1> starts{};
  for (int i = 0; i < kModParts; ++i) starts[i] = NominalPartStart(kPlayOrder[i]);
  starts[kModParts] = kNominalTimelineTicks;
  return starts;
}

namespace {

constexpr int kChBass = 0, kChDrums = 1, kChLead = 2, kChVoice = 3;
constexpr int kBar = 16;

std::array<int32_t, kModMaxPatterns> patternrows{};  // rows played before the break

[[noreturn]] void ScoreError(const std::string& what) {
  std::fprintf(stderr, "modgen: score error: %s\n", what.c_str());
  std::exit(1);
}

int NewPattern(int rows) {
  if (modpatterncount >= kModMaxPatterns) ScoreError("too many patterns");
  if (rows < 1 || rows > kModRows) ScoreError("pattern length out of range");
  patternrows[modpatterncount] = rows;
  return modpatterncount++;
}

ModCell& Cell(int pat, int row, int ch) {
  if (row < 0 || row >= patternrows[pat]) {
    ScoreError("row " + std::to_string(row) + " beyond pattern " + std::to_string(pat));
  }
  return modpatterns[pat].rows[row][ch];
}

void SetNote(int pat, int row, int ch, int sample, uint16_t period) {
  ModCell& c = Cell(pat, row, ch);
  if (c.period != 0) {
    ScoreError("two notes in one cell, pattern " + std::to_string(pat) + " row " +
               std::to_string(row) + " channel " + std::to_string(ch));
  }
  c.sample = static_cast<uint8_t>(sample);
  c.period = period;
}

void SetEffect(int pat, int row, int ch, int effect, int param) {
  ModCell& c = Cell(pat, row, ch);
  if (c.effect != 0 || c.param != 0) {
    ScoreError("two effects in one cell, pattern " + std::to_string(pat) + " row " +
               std::to_string(row) + " channel " + std::to_string(ch));
  }
  c.effect = static_cast<uint8_t>(effect);
  c.param = static_cast<uint8_t>(param);
}

// Puts an effect into the first channel whose effect column is free on that row
// (speed, tempo and pattern breaks act on the whole module, whichever channel).
void SetGlobalEffect(int pat, int row, int effect, int param) {
  for (int ch = kModChannels - 1; ch >= 0; --ch) {
    const ModCell& c = Cell(pat, row, ch);
    if (c.effect == 0 && c.param == 0) {
      SetEffect(pat, row, ch, effect, param);
      return;
    }
  }
  ScoreError("no free effect column, pattern " + std::to_string(pat) + " row " +
             std::to_string(row));
}

void SetTempo(int pat, int row, int bpm) { SetGlobalEffect(pat, row, 0xF, bpm); }

std::vector<std::string> Tokens(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  std::string t;
  while (in >> t) out.push_back(t);
  return out;
}

int Hex(const std::string& s) {
  if (s.empty()) ScoreError("empty number");
  for (char c : s) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) ScoreError("bad hex '" + s + "'");
  }
  return static_cast<int>(std::strtol(s.c_str(), nullptr, 16));
}

// Semitone 0..11 of a note letter with its accidental, or -1.
int Semitone(char letter, char accidental) {
  static constexpr int kLetter[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (letter < 'A' || letter > 'G') return -1;
  int s = kLetter[letter - 'A'];
  if (accidental == '#') s += 1;
  if (accidental == 'b') s += 11;
  return s % 12;
}

// Period of the note `semitones` above C-1 (0 = C-1 .. 35 = B-3).
uint16_t PeriodAt(int semitones) {
  if (semitones < 0 || semitones >= static_cast<int>(kModPeriods.size())) {
    ScoreError("note out of range: " + std::to_string(semitones));
  }
  return kModPeriods[semitones];
}

// A held note's vibrato begins this many rows after the note, once the note has been
// heard in tune, and swings at most this far either side of it.
constexpr int kVibratoDelay = 3;
constexpr double kVibratoMaxSemitones = 0.42;

// The deepest vibrato depth (1..15) whose swing on a note of `period` stays within
// kVibratoMaxSemitones: a player bends the period by up to (255 * depth) >> 7.
int VibratoDepth(int period, int wanted) {
  int depth = 1;
  for (int d = 2; d <= wanted; ++d) {
    const int bend = (255 * d) >> 7;
    if (12.0 * std::log2(static_cast<double>(period) / (period - bend)) > kVibratoMaxSemitones) {
      break;
    }
    depth = d;
  }
  return depth;
}

// Moves each vibrato that the rows row0 .. end - 1 of a channel start (4xy with a
// depth, followed by "~" rows that keep it going) to kVibratoDelay rows after its
// note, within those "~" rows, and limits its depth for the note's pitch.
void SettleVibratos(int pat, int ch, int row0, int end) {
  int note_row = -1;
  uint16_t period = 0;
  for (int r = row0; r < end; ++r) {
    ModCell& c = Cell(pat, r, ch);
    if (c.period != 0 && c.effect != 0x3) {
      note_row = r;
      period = c.period;
    }
    if (c.effect != 0x4 || (c.param & 0x0F) == 0 || period == 0) continue;
    int last = r;  // the last row of this vibrato's "~" rows
    while (last + 1 < end && Cell(pat, last + 1, ch).effect == 0x4 &&
           Cell(pat, last + 1, ch).param == 0 && Cell(pat, last + 1, ch).period == 0) {
      ++last;
    }
    const int start = std::max(r, std::min(note_row + kVibratoDelay, last));
    const int param = (c.param & 0xF0) | VibratoDepth(period, c.param & 0x0F);
    for (int k = r; k < start; ++k) {
      Cell(pat, k, ch).effect = 0;
      Cell(pat, k, ch).param = 0;
    }
    Cell(pat, start, ch).effect = 0x4;
    Cell(pat, start, ch).param = static_cast<uint8_t>(param);
    r = last;
  }
}

// Writes melodic tokens into one channel from row0 on. With volume >= 0, every note
// without an effect of its own gets that volume. A note that carries an effect
// (vibrato, a slide) after an earlier sounding note of the same line is written
// without its sample number, so that it keeps the channel's volume instead of the
// sample's; after a silence it needs the sample number to sound again.
void Line(int pat, int ch, int sample, int row0, const std::string& text, int volume = -1) {
  int row = row0;
  bool sounded = false;
  for (const std::string& tok : Tokens(text)) {
    if (tok == "-") {
      SetEffect(pat, row, ch, 0xC, 0);
      sounded = false;
    } else if (tok == "~") {
      SetEffect(pat, row, ch, 0x4, 0);
    } else if (tok != ".") {
      size_t i = 0;
      bool has_effect = false;
      if (tok[0] >= 'A' && tok[0] <= 'G') {
        const size_t end = tok.find_first_of(":/");
        const std::string note = tok.substr(0, end);
        const uint16_t period = NotePeriod(note);
        if (period == 0) ScoreError("bad note '" + note + "'");
        if (sample == 0) ScoreError("note without an instrument");
        has_effect = end != std::string::npos;
        SetNote(pat, row, ch, has_effect && sounded ? 0 : sample, period);
        if (!has_effect && volume >= 0) SetEffect(pat, row, ch, 0xC, volume);
        sounded = true;
        i = end == std::string::npos ? tok.size() : end;
      }
      if (i < tok.size()) {
        if (tok[i] == ':') {
          SetEffect(pat, row, ch, 0xC, Hex(tok.substr(i + 1)));
        } else if (tok[i] == '/' && tok.size() == i + 4) {
          SetEffect(pat, row, ch, Hex(tok.substr(i + 1, 1)), Hex(tok.substr(i + 2)));
        } else {
          ScoreError("bad token '" + tok + "'");
        }
      }
    }
    ++row;
  }
  SettleVibratos(pat, ch, row0, row);
}

// Joins bars of exactly 16 tokens each.
std::string Bars(std::initializer_list<const char*> bars) {
  std::string out;
  for (const char* b : bars) {
    if (Tokens(b).size() != kBar) ScoreError(std::string("bar of wrong length: ") + b);
    out += b;
    out += ' ';
  }
  return out;
}

// Bars first .. first + count - 1 of a text of whole bars.
std::string BarRange(const std::string& text, int first, int count) {
  const std::vector<std::string> tokens = Tokens(text);
  if ((first + count) * kBar > static_cast<int>(tokens.size())) ScoreError("bars beyond text");
  std::string out;
  for (int i = first * kBar; i < (first + count) * kBar; ++i) out += tokens[i] + ' ';
  return out;
}

// The kit at its sample volumes; `gain` scales every hit (1 keeps the sample's own
// volume and leaves the effect column free).
void Drums(int pat, int row0, const std::string& hits, double gain = 1.0) {
  int row = row0;
  const auto hit = [&](int sample, int note, int volume) {
    SetNote(pat, row, kChDrums, sample, PeriodAt(note));
    if (gain != 1.0) {
      SetEffect(pat, row, kChDrums, 0xC, static_cast<int>(std::lround(volume * gain)));
    }
  };
  for (char c : hits) {
    if (c == ' ' || c == '|') continue;
    switch (c) {
      case '.': break;
      case 'K': hit(kSmpKick, 24, 56); break;
      case 'S': hit(kSmpSnare, 24, 56); break;
      case 'h': hit(kSmpHat, 24, 30); break;
      case 'o': hit(kSmpOpenHat, 24, 28); break;
      case 'C': hit(kSmpCrash, 24, 54); break;
      case '1': hit(kSmpTom, 24, 50); break;
      case '2': hit(kSmpTom, 21, 50); break;
      case '3': hit(kSmpTom, 17, 50); break;
      case 'g':  // the snare from 1024 bytes on: its tail, a ghost note
        SetNote(pat, row, kChDrums, kSmpSnare, PeriodAt(24));
        SetEffect(pat, row, kChDrums, 0x9, 0x04);
        break;
      case 'r':  // retriggered every third tick: two strokes a row
        SetNote(pat, row, kChDrums, kSmpSnare, PeriodAt(24));
        SetEffect(pat, row, kChDrums, 0xE, 0x93);
        break;
      case 'd':  // a hat pushed half a row late
        SetNote(pat, row, kChDrums, kSmpHat, PeriodAt(24));
        SetEffect(pat, row, kChDrums, 0xE, 0xD3);
        break;
      case 'c':  // an open hat choked after two ticks
        SetNote(pat, row, kChDrums, kSmpOpenHat, PeriodAt(24));
        SetEffect(pat, row, kChDrums, 0xE, 0xC2);
        break;
      default: ScoreError(std::string("bad drum '") + c + "'");
    }
    ++row;
  }
}

// Sixteen rows of one drum figure, repeated `bars` times.
std::string Repeat(const char* bar, int bars) {
  std::string out;
  for (int i = 0; i < bars; ++i) out += bar;
  return out;
}

// A chord name: root semitone (0 = C), minor or major, optional ":HH" volume.
struct Chord {
  int root = 0;
  bool minor = false;
  int volume = -1;
};

Chord ParseChord(const std::string& name) {
  Chord c;
  size_t i = 1;
  const char acc = name.size() > 1 && (name[1] == '#' || name[1] == 'b') ? name[1] : 0;
  if (acc) i = 2;
  c.root = Semitone(name[0], acc);
  if (c.root < 0) ScoreError("bad chord '" + name + "'");
  if (i < name.size() && name[i] == 'm') {
    c.minor = true;
    ++i;
  }
  if (i < name.size()) {
    if (name[i] != ':') ScoreError("bad chord '" + name + "'");
    c.volume = Hex(name.substr(i + 1));
  }
  return c;
}

// The root of a chord in the octave E .. D# starting at `base` (semitones above C-1),
// so that chord changes move by small steps.
int ChordRoot(const Chord& c, int base) { return base + (c.root < 4 ? c.root + 12 : c.root); }

// Pads on the second voice: one chord sample per bar ("." holds the previous chord).
// Pad roots lie in E-2 .. D#3 and sound an octave higher (E3 .. D#4).
void Pads(int pat, std::initializer_list<const char*> chords) {
  int row = 0;
  for (const char* name : chords) {
    if (std::string(name) != ".") {
      const Chord c = ParseChord(name);
      SetNote(pat, row, kChVoice, c.minor ? kSmpPadMinor : kSmpPadMajor,
              PeriodAt(ChordRoot(c, 12)));
      if (c.volume >= 0) SetEffect(pat, row, kChVoice, 0xC, c.volume);
    }
    row += kBar;
  }
}

// Bass, one template of 16 characters per chord: R root (E-1 .. D#2, sounding E2 ..
// D#3), O root an octave up, F fifth, x the octave cut after three ticks (a slap at
// the sample's own volume), "-" silence, "." nothing. Other notes get `volume`.
void Bass(int pat, std::initializer_list<const char*> chords, const char* tmpl,
          int volume = 0x30) {
  int row = 0;
  for (const char* name : chords) {
    if (std::string(name) != ".") {
      const Chord c = ParseChord(name);
      const int root = ChordRoot(c, 0);
      for (int i = 0; i < kBar; ++i) {
        const char t = tmpl[i];
        const int r = row + i;
        if (t == 'R' || t == 'O' || t == 'F') {
          const int note = root + (t == 'O' ? 12 : t == 'F' ? 7 : 0);
          SetNote(pat, r, kChBass, kSmpBass, PeriodAt(note));
          SetEffect(pat, r, kChBass, 0xC, volume);
        }
        if (t == 'x') {
          SetNote(pat, r, kChBass, kSmpBass, PeriodAt(root + 12));
          SetEffect(pat, r, kChBass, 0xE, 0xC3);
        }
        if (t == '-') SetEffect(pat, r, kChBass, 0xC, 0);
      }
    }
    row += kBar;
  }
}

// Broken chords, one template per chord: each digit picks a chord tone (0 root,
// 1 third, 2 fifth, 3 octave, 4 octave + third, 5 octave + fifth), roots in E-1 ..
// D#2 (E3 .. D#4 for the 32-samples-per-cycle instruments), at `volume`.
void Arpeggios(int pat, int ch, int sample, std::initializer_list<const char*> chords,
               const char* tmpl, int volume) {
  int row = 0;
  for (const char* name : chords) {
    if (std::string(name) != ".") {
      const Chord c = ParseChord(name);
      const int third = c.minor ? 3 : 4;
      const int tones[6] = {0, third, 7, 12, 12 + third, 19};
      const int root = ChordRoot(c, 0);
      for (int i = 0; i < kBar; ++i) {
        const char t = tmpl[i];
        if (t >= '0' && t <= '5') {
          SetNote(pat, row + i, ch, sample, PeriodAt(root + tones[t - '0']));
          SetEffect(pat, row + i, ch, 0xC, volume);
        }
      }
    }
    row += kBar;
  }
}

// Chords on the chip square as fast arpeggios (effect 0: root, third, fifth on
// successive ticks): "k" strikes the chord at `volume` (the root alone for that row),
// "x" strikes it again keeping the volume (never after a silence, which would keep
// it silent), "a" keeps the arpeggio running, "-" silences it, "." nothing.
void ChipChords(int pat, std::initializer_list<const char*> chords, const char* tmpl,
                int volume) {
  int row = 0;
  for (const char* name : chords) {
    const Chord c = ParseChord(name);
    const int arp = c.minor ? 0x37 : 0x47;
    const uint16_t period = PeriodAt(ChordRoot(c, 0));
    for (int i = 0; i < kBar; ++i) {
      const int r = row + i;
      switch (tmpl[i]) {
        case 'k':
          SetNote(pat, r, kChVoice, kSmpChip, period);
          SetEffect(pat, r, kChVoice, 0xC, volume);
          break;
        case 'x':
          SetNote(pat, r, kChVoice, 0, period);
          SetEffect(pat, r, kChVoice, 0x0, arp);
          break;
        case 'a': SetEffect(pat, r, kChVoice, 0x0, arp); break;
        case '-': SetEffect(pat, r, kChVoice, 0xC, 0); break;
        case '.': break;
        default: ScoreError("bad chord template");
      }
    }
    row += kBar;
  }
}

// An echo: the notes of channel `from` again on channel `to`, `delay` rows later and
// quieter, on the same instrument; silences are echoed too.
void Echo(int pat, int from, int to, int sample, int delay, int volume) {
  for (int r = patternrows[pat] - 1 - delay; r >= 0; --r) {
    const ModCell src = Cell(pat, r, from);
    if (src.period != 0) {
      SetNote(pat, r + delay, to, sample, src.period);
      SetEffect(pat, r + delay, to, 0xC, volume);
    } else if (src.effect == 0xC && src.param == 0) {
      SetEffect(pat, r + delay, to, 0xC, 0);
    }
  }
}

// Every short pattern ends with a pattern break to row 0 of the next order position.
void Breaks() {
  for (int p = 0; p < modpatterncount; ++p) {
    if (patternrows[p] < kModRows) SetGlobalEffect(p, patternrows[p] - 1, 0xD, 0);
  }
}

void Order(std::initializer_list<int> patterns) {
  for (int p : patterns) {
    if (modordercount >= kModMaxOrders) ScoreError("order list too long");
    modorder[modordercount++] = static_cast<uint8_t>(p);
  }
}

// Marks the next order position as the start of a section.
void Section(const char* name, int part) {
  if (modsectioncount >= kModMaxSections) ScoreError("too many sections");
  modsections[modsectioncount++] = {name, modordercount, part};
}

int UsesOf(int pat) {
  int n = 0;
  for (int i = 0; i < modordercount; ++i) n += modorder[i] == pat;
  return n;
}

// Sets the tempo of the order positions first .. end - 1 so that they last `seconds`:
// `tempo` BPM from the first row, `tempo + 1` for the last `faster` rows, with tempo
// and faster chosen to come nearest. The patterns that carry the changes must be
// played only there.
void FitTempo(int first, int end, double seconds) {
  std::vector<std::pair<int, int>> rows;  // (pattern, row) of every row played
  for (int pos = first; pos < end; ++pos) {
    for (int r = 0; r < patternrows[modorder[pos]]; ++r) rows.emplace_back(modorder[pos], r);
  }
  const int n = static_cast<int>(rows.size());
  const int tempo = static_cast<int>(15.0 * n / seconds);
  const double slow = 15.0 / tempo, fast = 15.0 / (tempo + 1);
  int faster = static_cast<int>(std::lround((n * slow - seconds) / (slow - fast)));
  if (faster < 0) faster = 0;
  if (faster > n) faster = n;
  const auto put = [&](int at, int bpm) {
    if (UsesOf(rows[at].first) != 1) {
      ScoreError("tempo change in a pattern played twice: " + std::to_string(rows[at].first));
    }
    SetTempo(rows[at].first, rows[at].second, bpm);
  };
  if (faster < n) put(0, tempo);
  if (faster > 0) put(n - faster, tempo + 1);
}

// --- The hook: a tresillo on a repeated note, a leap, a run of sixteenths down. ---
// Over Am Am F G | Am Dm Bb E: the second half turns to B flat, a semitone above the
// dominant, before it falls on E.
const std::string kHook = Bars({
    "A2 . . A2 . . C3 . E3 . . A3 . G3 E3 D3",
    "E3/446 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 C3 . D3 .",
    "F3 . . F3 . . E3 . C3 . . A3 . G3 F3 E3",
    "D3/446 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 B2 . D3 .",
    "E3 . . E3 . . G3 . A3 . . B3 . A3 G3 E3",
    "F3/446 ~ ~ ~ ~ ~ ~ ~ E3 . D3 . C3 . D3 .",
    "D3 . . D3 . . F3 . A#3 . . A3 . F3 D3 A#2",
    "G#2 . . B2 . . E3/446 ~ ~ ~ ~ ~ ~ D3 C3 B2",
});
constexpr std::initializer_list<const char*> kHookChordsA = {"Am", "Am", "F", "G"};
constexpr std::initializer_list<const char*> kHookChordsB = {"Am", "Dm", "Bb", "E"};

// The hook a whole tone up, in B minor, for the climax (the top stays within B3).
const std::string kHookHigh = Bars({
    "B2 . . B2 . . D3 . F#3 . . B3 . A3 F#3 E3",
    "F#3/446 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 D3 . E3 .",
    "G3 . . G3 . . F#3 . D3 . . B3 . A3 G3 F#3",
    "E3/446 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 C#3 . E3 .",
    "F#3 . . F#3 . . A3 . B3 . . A3 . F#3 E3 D3",
    "G3/446 ~ ~ ~ ~ ~ ~ ~ F#3 . E3 . D3 . E3 .",
    "E3 . . E3 . . G3 . B3 . . G3 . E3 C3 B2",
    "A#2 . . C#3 . . F#3/446 ~ ~ ~ ~ ~ ~ E3 D3 C#3",
});
constexpr std::initializer_list<const char*> kHighChordsA = {"Bm", "Bm", "G", "A"};
constexpr std::initializer_list<const char*> kHighChordsB = {"Bm", "Em", "C", "F#"};

// Grooves: the hats never sound on a kick's row or the row after it, and leave the
// crash that opens a section a whole beat to ring.
constexpr const char* kGroove = "K.h.S.h.K.h.S.hd";
constexpr const char* kGrooveCrash = "C...S.h.K.h.S.hd";
constexpr const char* kDrive = "K.h.S.hhK.hKS.hh";
constexpr const char* kDriveCrash = "C...S.hhK.hKS.hh";
constexpr const char* kDriveOpen = "K.o.S.hhK.oKS.ch";
constexpr const char* kHalfTime = "K...h...S...h..h";
constexpr const char* kFillToms = "K.h.S.g.S.SS1.23";
constexpr const char* kFillRoll = "S.g.S.g.rrrr1233";

constexpr const char* kBassGroove = "R..R..O.R..RO.R.";
constexpr const char* kBassDrive = "R.O.R.OxR.O.R.Ox";
constexpr const char* kBassHalf = "R.......R...O...";
constexpr const char* kBassWhole = "R...............";
constexpr const char* kBassPulse = "R...R...R...R...";

}  // namespace

uint16_t NotePeriod(const std::string& name) {
  if (name.size() < 2 || name.size() > 3) return 0;
  char acc = name.size() == 3 ? name[1] : 0;
  if (acc == '-') acc = 0;
  if (name.size() == 3 && acc != 0 && acc != '#' && acc != 'b') return 0;
  const int s = Semitone(name[0], acc);
  const char oct = name.back();
  if (s < 0 || oct < '1' || oct > '3') return 0;
  // Bb1 .. B#: accidentals never leave the octave written (Cb and B# are not used).
  const int index = (oct - '1') * 12 + s;
  if (name[0] == 'C' && acc == 'b') return 0;
  if (name[0] == 'B' && acc == '#') return 0;
  return kModPeriods[index];
}

void BuildSong() {
  modpatterns = {};
  patternrows = {};
  modpatterncount = 0;
  modorder = {};
  modordercount = 0;
  modsections = {};
  modsectioncount = 0;

  // ===== Part 0, the title: a pad swells on A minor, bells, the hook's first bar. =====
  const int intro1 = NewPattern(64);
  Pads(intro1, {"Am:04", ".", "F", "."});
  Line(intro1, kChVoice, 0, 1, "/A20 . /A20 . /A10 . /A10 . /A10 . /A10 . /A10");
  Line(intro1, kChVoice, 0, 52, "/7A4 /700 /700 /700 /700 /700 /700 /700 /700 /700 /700 /700");
  Arpeggios(intro1, kChLead, kSmpBell, {"Am", "Am", "F", "F"}, "0...2...3...2.4.", 0x16);
  Bass(intro1, {".", ".", "F", "."}, kBassWhole, 0x11);
  Line(intro1, kChBass, 0, 33, "/A01 . . . /A01 . . . /A01 . . . /A01");
  const int intro2 = NewPattern(36);
  Pads(intro2, {"G", "E"});
  Line(intro2, kChVoice, 0, 1, "/EA2 . . . /EA2 . . . /EA2 . . . /EA2");
  Line(intro2, kChLead, kSmpBell, 0, Bars({
      "A2 . . A2 . . C3 . E3 . . A3 . G3 E3 D3",
      "E3 . . . . . . . G#2 . . B2 . . D3 .",
  }), 0x26);
  Bass(intro2, {"G", "E"}, "R.......R...R.R.", 0x16);
  Drums(intro2, 0, "h...h...h...h.h." "h.h.h.h.h.hhrrrr" "S.S.", 0.8);
  Line(intro2, kChLead, kSmpLead, 32, "E2 . G2 G#2", 0x2D);

  // ===== Part 1, the first 3D scene: the hook, the answer, then stars alone. =====
  const int hook1 = NewPattern(64);
  Line(hook1, kChLead, kSmpLead, 0, BarRange(kHook, 0, 4), 0x36);
  Bass(hook1, kHookChordsA, kBassGroove, 0x22);
  ChipChords(hook1, kHookChordsA, "kaa-kaa-kaa-kaa-", 0x1C);
  Drums(hook1, 0, std::string(kGrooveCrash) + Repeat(kGroove, 3));
  const int hook2 = NewPattern(64);
  Line(hook2, kChLead, kSmpLead, 0, BarRange(kHook, 4, 4), 0x36);
  Bass(hook2, kHookChordsB, kBassGroove, 0x22);
  ChipChords(hook2, kHookChordsB, "kaa-kaa-kaa-kaa-", 0x1C);
  Drums(hook2, 0, Repeat(kGroove, 3) + kFillToms);

  // The answer: the lead holds and falls away, the bell answers with the tresillo.
  const int answer = NewPattern(64);
  Line(answer, kChLead, kSmpLead, 0, Bars({
      "C3/446 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 - . . .",
      "D3/446 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 - . . .",
      "E3/446 ~ ~ ~ G#3/306 /300 /300 /300 ~ ~ ~ ~ - . B2 .",
      "A3/446 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 /602 /602 /602 /602",
  }), 0x36);
  Line(answer, kChVoice, kSmpBell, 0, Bars({
      ". . . . . . . . A2 . . A2 . . C3 .",
      ". . . . . . . . B2 . . B2 . . D3 .",
      ". . . . . . . . . . . . . G#2 . .",
      ". . . . . . . . A2 . C3 . E3 . A3 .",
  }), 0x2C);
  Bass(answer, {"F", "G", "E", "Am"}, kBassGroove, 0x22);
  Drums(answer, 0, Repeat(kGroove, 3) + "K.h.S.h.K.K.S.SS");

  // The object flies away: the beat stops, the bass holds, the lead's echo remains.
  const int recede = NewPattern(32);
  Line(recede, kChLead, kSmpLead, 0, Bars({
      "A2 . . A2 . . C3 . E3/446 ~ ~ ~ ~ ~ /A02 /A02",
      "/A02 /A02 /A02 /A02 - . . . . . . . . . . .",
  }), 0x30);
  Echo(recede, kChLead, kChVoice, kSmpLead, 3, 0x14);
  Bass(recede, {"Am", "."}, kBassWhole, 0x20);
  Line(recede, kChBass, 0, 17, "/A01 . . . /A01 . . . /A01 . . . /A01");
  Line(recede, kChVoice, kSmpPadMinor, 26, "A2:06 /A10 . /A10 . /A10");
  Drums(recede, 0, "C...............h...h...h...h.h.", 0.7);

  // Stars alone: a pad and a far-away bell, hushed but growing towards the flash: each
  // chord swells higher than the last, the bass pulses on the beat and louder, hats
  // come in, then a snare roll swells to the flash.
  const int stars = NewPattern(64);
  Pads(stars, {"Am:10", ".", "F:14", "."});
  Line(stars, kChVoice, 0, 1, "/A10 . . . /A10 . . . /A10 . . . /A10");
  Line(stars, kChVoice, 0, 33, "/A10 . . . /A10 . . . /A10 . . . /A10 . . . /A10 . . . /A10");
  Line(stars, kChLead, kSmpBell, 0, Bars({
      "A2 . . A2 . . C3 . E3 . . . . . . .",
      ". . . . . . . . . . . . . . . .",
      "F2 . . F2 . . A2 . C3 . . . . . . .",
      ". . . . . . . . . . . . . . . .",
  }), 0x16);
  Bass(stars, {"Am"}, kBassWhole, 0x0E);
  Bass(stars, {".", "Am"}, kBassPulse, 0x14);
  Bass(stars, {".", ".", "F"}, kBassPulse, 0x14);
  Bass(stars, {".", ".", ".", "F"}, kBassPulse, 0x18);
  Drums(stars, 32, "h.......h.......h...h...h...h...", 0.6);
  const int build = NewPattern(28);
  Pads(build, {"G:18", "E:20"});
  Line(build, kChLead, kSmpBell, 0, "B2 . . B2 . . D3 . G3 . . . . . . . G#2 . . B2 . . E3 .", 0x1B);
  Bass(build, {"G"}, kBassPulse, 0x1C);
  Line(build, kChBass, kSmpBass, 16, "E1 . . . E1 . . . E1 . E1 E1", 0x20);
  Line(build, kChDrums, kSmpSnare, 16,
       "C3:08 C3:0C C3:10 C3:14 C3:18 C3:1C C3:22 C3:28 C3:2E C3:34 C3:3A C3:40");
  Line(build, kChVoice, 0, 17, "/A10 . /A10 . /A10 . /A10 . /A10 . /A10");
  Drums(build, 0, "h.h.h.h.h.h.hhhh", 0.7);

  // ===== Part 2, the tunnel: the hook on the saw lead, driving, with its echo. =====
  const int tunnel1 = NewPattern(64);
  Line(tunnel1, kChLead, kSmpSaw, 0, Bars({
      "A2 . . A2 . . D3 . F3 . . A3 . G3 F3 E3",
      "E3/446 ~ ~ ~ ~ ~ ~ ~ /208 /208 /208 - C3 . D3 .",
      "F3 . . F3 . . D3 . A#2 . . F3 . G3 F3 D3",
      "C3/446 ~ ~ ~ ~ ~ ~ ~ /208 /208 /208 - A2 . C3 .",
  }), 0x2D);
  Echo(tunnel1, kChLead, kChVoice, kSmpSaw, 3, 0x12);
  Bass(tunnel1, {"Dm", "Am", "Bb", "F"}, kBassDrive, 0x22);
  Drums(tunnel1, 0, std::string(kDriveCrash) + Repeat(kDrive, 3));
  const int tunnel2 = NewPattern(64);
  Line(tunnel2, kChLead, kSmpSaw, 0, Bars({
      "A3 . . A3 . . G3 . F3 . . A3 . G3 F3 E3",
      "E3/446 ~ ~ ~ ~ ~ ~ ~ C3 . . E3 . . A3 .",
      "G#3/446 ~ ~ ~ ~ ~ ~ ~ F3 . . E3 . . D3 .",
      "E3/446 ~ ~ ~ ~ ~ ~ ~ /102 /102 /102 /102 - . B2 .",
  }), 0x2D);
  Echo(tunnel2, kChLead, kChVoice, kSmpSaw, 3, 0x12);
  Bass(tunnel2, {"Dm", "Am", "E", "E"}, kBassDrive, 0x22);
  Drums(tunnel2, 0, Repeat(kDrive, 3) + kFillToms);
  // Leaps of an octave over F G Am, the chords now on the chip.
  const int tunnel3 = NewPattern(64);
  Line(tunnel3, kChLead, kSmpSaw, 0, Bars({
      "F2 . . F3 . . C3 . A2 . . F2 . A2 C3 F3",
      "G2 . . G3 . . D3 . B2 . . G2 . B2 D3 G3",
      "A2 . . A3 . . E3 . C3 . . A2 . C3 E3 A3",
      "A3/446 ~ ~ ~ ~ ~ ~ ~ /604 /604 /604 /604 /604 /604 - .",
  }), 0x2D);
  ChipChords(tunnel3, {"F", "G", "Am", "Am"}, "kaaaxaaaxaaaxaaa", 0x18);
  Bass(tunnel3, {"F", "G", "Am", "Am"}, kBassDrive, 0x22);
  Drums(tunnel3, 0, std::string(kDriveCrash) + Repeat(kDrive, 2) + kDriveOpen);
  const int tunnelFill = NewPattern(16);
  Bass(tunnelFill, {"E"}, "R.R.O.R.O.O.R...", 0x24);
  Line(tunnelFill, kChBass, 0, 12, ". /201 /201 /201");
  Drums(tunnelFill, 0, kFillRoll);
  Line(tunnelFill, kChLead, kSmpSaw, 0, "B2 . D3 . E3 . G#3 . B3/201 /201 /201 /201 - . . .", 0x2D);

  // ===== Part 3, the rotozoomer: half time in A Dorian, the soft lead glides. =====
  // The hook stretched to twice its length; D major chords bring the F sharp.
  const int dream1 = NewPattern(64);
  Line(dream1, kChLead, kSmpFlute, 0, Bars({
      "A2 . . . . . A2 . . . . . C3 . . .",
      "F#3/444 ~ ~ ~ ~ ~ ~ ~ E3 . . . D3 . . .",
      "A2 . . . . . A2 . . . . . C3 . . .",
      "E3/444 ~ ~ ~ ~ ~ ~ ~ F#3/304 /300 /300 /300 ~ ~ ~ ~",
  }), 0x18);
  ChipChords(dream1, {"Am", "D", "Am", "D"}, ".kaaaaaaxaaaaaaa", 0x0A);
  Bass(dream1, {"Am", "D", "Am", "D"}, kBassHalf, 0x14);
  Drums(dream1, 0, "C");
  Drums(dream1, 1, std::string("...h...S...h..h") + Repeat(kHalfTime, 3), 0.36);
  const int dream2 = NewPattern(64);
  Line(dream2, kChLead, kSmpFlute, 0, Bars({
      "G3 . . . . . E3 . . . . . C3 . . .",
      "D3/444 ~ ~ ~ ~ ~ ~ ~ B2 . . . G2 . . .",
      "A2 . . . . . F#2 . . . . . D2 . . .",
      "A1/444 ~ ~ ~ ~ ~ ~ ~ D2/306 /300 /300 /300 ~ ~ ~ ~",
  }), 0x18);
  ChipChords(dream2, {"C", "G", "D", "D"}, ".kaaaaaaxaaaaaaa", 0x0A);
  Bass(dream2, {"C", "G", "D", "D"}, kBassHalf, 0x14);
  Drums(dream2, 0, Repeat(kHalfTime, 3) + "K...h...S...S.gg", 0.36);
  const int dream3 = NewPattern(64);
  Line(dream3, kChLead, kSmpFlute, 0, Bars({
      "E3 . . . . . E3 . . . . . G3 . . .",
      "A3/444 ~ ~ ~ ~ ~ ~ ~ F#3 . . . D3 . . .",
      "G3 . . . . . E3 . . . . . B2 . . .",
      "C#3/444 ~ ~ ~ ~ ~ ~ ~ E3 . . . A3/304 /300 /300 /300",
  }), 0x18);
  ChipChords(dream3, {"Am", "D", "Em", "A"}, ".kaaaaaaxaaaaaaa", 0x0A);
  Bass(dream3, {"Am", "D", "Em", "A"}, kBassHalf, 0x14);
  Drums(dream3, 0, Repeat(kHalfTime, 4), 0.36);
  // F sharp major, the dominant of the climax's key, with a snare roll rising.
  const int dreamFill = NewPattern(16);
  Line(dreamFill, kChLead, kSmpFlute, 0, "A#2 . C#3 . F#3/444 ~ ~ ~ ~ ~ ~ ~ - . . .", 0x1D);
  Arpeggios(dreamFill, kChVoice, kSmpChip, {"F#"}, "0.1.2.3.4.5.4.3.", 0x10);
  Bass(dreamFill, {"F#"}, "R...R...R.R.RRRR", 0x16);
  Drums(dreamFill, 0, "S...S...S.S.SSSS");
  Line(dreamFill, kChDrums, 0, 0, ":0C . . . :10 . . . :16 . :1C . :22 :28 :2C :30");

  // ===== Part 4, the full-screen fractal: the climax, the hook in B minor. =====
  const int climax1 = NewPattern(64);
  Line(climax1, kChLead, kSmpSaw, 0, BarRange(kHookHigh, 0, 4), 0x3F);
  ChipChords(climax1, kHighChordsA, "kaaaxaaaxaaaxaaa", 0x28);
  Bass(climax1, kHighChordsA, kBassDrive, 0x24);
  Drums(climax1, 0, std::string(kDriveCrash) + Repeat(kDriveOpen, 3));
  const int climax2 = NewPattern(64);
  Line(climax2, kChLead, kSmpSaw, 0, BarRange(kHookHigh, 4, 4), 0x3F);
  ChipChords(climax2, kHighChordsB, "kaaaxaaaxaaaxaaa", 0x28);
  Bass(climax2, kHighChordsB, kBassDrive, 0x24);
  Drums(climax2, 0, Repeat(kDriveOpen, 3) + kFillRoll);
  // The peak: the lead's top B, echoed, over Bm G A F#.
  const int climax3 = NewPattern(64);
  Line(climax3, kChLead, kSmpLead, 0, Bars({
      "B3 /446 ~ ~ ~ ~ ~ ~ A3 . . B3 . . D3 .",
      "G3/446 ~ ~ ~ ~ ~ ~ ~ F#3 . . G3 . . B2 .",
      "A3/446 ~ ~ ~ ~ ~ ~ ~ E3 . . A3 . . C#3 .",
      "A#3/446 ~ ~ ~ ~ ~ ~ ~ F#3 . . C#3 . . A#2 .",
  }), 0x3F);
  Echo(climax3, kChLead, kChVoice, kSmpLead, 3, 0x1C);
  Bass(climax3, {"Bm", "G", "A", "F#"}, kBassDrive, 0x24);
  Drums(climax3, 0, std::string(kDriveCrash) + Repeat(kDriveOpen, 3));
  // The fall: a crash, the bass and lead slide down and fade.
  const int fall = NewPattern(16);
  Line(fall, kChBass, kSmpBass, 0, "B1:2C /204 /204 /204 /204 /204 /204 /204 /204 /204 /204 /204 - . . .");
  Line(fall, kChLead, kSmpSaw, 0, "B3:30 /208 /208 /208 /208 /208 /208 /208 - . . . . . . .");
  Line(fall, kChVoice, 0, 0, "-");
  Drums(fall, 0, "C...............");

  // ===== Part 5, the plasma face: a second theme in C major, then the hook again. =====
  const int plasma0 = NewPattern(32);
  Pads(plasma0, {"C:04", "E"});
  Line(plasma0, kChVoice, 0, 1, "/A10 . /A10 . /A10 . /A10 . /A10 . /A10 . . . . . /A10");
  Arpeggios(plasma0, kChLead, kSmpBell, {"C", "E"}, "0.2.3.2.4.3.2.1.", 0x18);
  Bass(plasma0, {"C", "E"}, kBassWhole, 0x16);
  Drums(plasma0, 16, "h.h.h.h.h.hhS.SS", 0.7);
  // The second theme on the bell, answered by long flute notes.
  const int second1 = NewPattern(64);
  Line(second1, kChLead, kSmpBell, 0, Bars({
      "G2 . G2 . C3 . . D3 . E3 . . G3 . E3 .",
      "B2 . . . . . G2 . B2 . E3 . . D3 . B2",
      "C3 . C3 . E3 . . A3 . G3 . . E3 . C3 .",
      "D3 . . . . . C3 . A2 . . . F2 . A2 .",
  }), 0x36);
  Line(second1, kChVoice, kSmpFlute, 0, Bars({
      "E2 /443 ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ D2 . . .",
      "G2/443 ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ B1 . . .",
      "A1/443 ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ E2 . . .",
      "F2/443 ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ A2 . . .",
  }), 0x1C);
  Bass(second1, {"C", "Em", "Am", "F"}, kBassGroove, 0x22);
  Drums(second1, 0, std::string(kGrooveCrash) + Repeat(kGroove, 3));
  const int second2 = NewPattern(64);
  Line(second2, kChLead, kSmpBell, 0, Bars({
      "D3 . D3 . F3 . . A3 . G3 . . F3 . D3 .",
      "B2 . . . . . D3 . G3 . . . F3 . D3 .",
      "E3 . . G#3 . . B3 . . . G#3 . E3 . D3 .",
      "E3 . . . . . . . B2 . D3 . E3 . G#2 .",
  }), 0x36);
  Line(second2, kChVoice, kSmpFlute, 0, Bars({
      "F2 /443 ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ A2 . . .",
      "G2/443 ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ B2 . . .",
      "G#2/443 ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ B2 . . .",
      "D3/443 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 - . . .",
  }), 0x1C);
  Bass(second2, {"Dm", "G", "E", "E"}, kBassGroove, 0x22);
  Drums(second2, 0, Repeat(kGroove, 3) + kFillToms);
  // The hook again on its own lead, now with an echo a dotted eighth behind.
  const int echo1 = NewPattern(64);
  Line(echo1, kChLead, kSmpLead, 0, BarRange(kHook, 0, 4), 0x36);
  Echo(echo1, kChLead, kChVoice, kSmpLead, 3, 0x14);
  Bass(echo1, kHookChordsA, kBassDrive, 0x22);
  Drums(echo1, 0, std::string(kDriveCrash) + Repeat(kDrive, 3));
  const int echo2 = NewPattern(64);
  Line(echo2, kChLead, kSmpLead, 0, BarRange(kHook, 4, 4), 0x36);
  Echo(echo2, kChLead, kChVoice, kSmpLead, 3, 0x14);
  Bass(echo2, kHookChordsB, kBassDrive, 0x22);
  Drums(echo2, 0, Repeat(kDrive, 3) + kFillToms);
  // Winding down: the hook's pieces on the flute over pads, the beat thins to hats.
  const int wind1 = NewPattern(64);
  Pads(wind1, {"F:18", "G:18", "Am:18", "."});
  Line(wind1, kChLead, kSmpFlute, 0, Bars({
      "A2 . . A2 . . C3 . F3/444 ~ ~ ~ ~ ~ ~ ~",
      "B2 . . B2 . . D3 . G3/444 ~ ~ ~ ~ ~ ~ ~",
      "C3 . . C3 . . E3 . A3/444 ~ ~ ~ ~ ~ ~ ~",
      "/602 /602 /602 /602 /602 /602 /602 /602 - . . . . . . .",
  }), 0x28);
  Bass(wind1, {"F", "G", "Am", "Am"}, kBassHalf, 0x19);
  Drums(wind1, 0, Repeat("K...h...S...h...", 2) + Repeat("h...h...h...h...", 2), 0.6);
  const int wind2 = NewPattern(64);
  Pads(wind2, {"F:14", "E:14", "Am:14", "E:14"});
  Line(wind2, kChVoice, 0, 49, "/A01 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01");
  Line(wind2, kChLead, kSmpFlute, 0, Bars({
      "A2 . . A2 . . C3 . E3 . . A3 . G3 E3 D3",
      "E3/444 ~ ~ ~ ~ ~ ~ ~ /602 /602 /602 /602 - . . .",
      ". . . . . . . . . . . . . . . .",
      "G#2 . . B2 . . E3/444 ~ ~ ~ /601 /601 /601 /601 /601 -",
  }), 0x1F);
  Bass(wind2, {"F", "E", "Am", "E"}, kBassWhole, 0x16);
  Drums(wind2, 0, "h...h...h...h...h.......h.......", 0.5);

  // ===== Part 6, the group picture: the break, the quietest place. =====
  const int break1 = NewPattern(64);
  Pads(break1, {"Am:14", "F:14", "Dm:14", "E:14"});
  for (int bar = 0; bar < 4; ++bar) {
    Line(break1, kChVoice, 0, bar * kBar + 1, "/744 /700 /700 /700 /700 /700 /700 /700 /700 /700");
  }
  Line(break1, kChLead, kSmpBell, 0, Bars({
      "A2 . . A2 . . C3 . E3 . . . . . . .",
      ". . . . . . . . C3 . . . A2 . . .",
      "D3 . . D3 . . F3 . A3 . . . . . . .",
      ". . . . . . . . G#2 . . B2 . . E3 .",
  }), 0x16);
  Bass(break1, {"Am", "F", "Dm", "E"}, kBassWhole, 0x12);
  const int break2 = NewPattern(32);
  Pads(break2, {"Am:10", "E:08"});
  Line(break2, kChVoice, 0, 17, "/A10 . /A10 . /A10 . /A10 . /A10 . /A10 . /A10");
  Line(break2, kChLead, kSmpBell, 0, "A2 . . A2 . . C3 . E3 . . A3 . G3 E3 D3", 0x14);
  Line(break2, kChLead, kSmpLead, 28, "B2 . D3 .", 0x24);
  Bass(break2, {"Am", "E"}, "R...............", 0x0E);
  Drums(break2, 16, "g...g...g.g.ggrr");

  // ===== Part 8, the water and credits: the hook comes home, a cadence, the end. =====
  // As full as the climax: the lead at full volume over driving chip chords and open
  // hats, then with its echo, so that the return peaks instead of fading.
  const int finale1 = NewPattern(64);
  Line(finale1, kChLead, kSmpLead, 0, BarRange(kHook, 0, 4), 0x3C);
  ChipChords(finale1, kHookChordsA, "kaaaxaaaxaaaxaaa", 0x24);
  Bass(finale1, kHookChordsA, kBassDrive, 0x28);
  Drums(finale1, 0, std::string(kDriveCrash) + Repeat(kDriveOpen, 3));
  const int finale2 = NewPattern(64);
  Line(finale2, kChLead, kSmpLead, 0, BarRange(kHook, 4, 4), 0x3C);
  Echo(finale2, kChLead, kChVoice, kSmpLead, 3, 0x1C);
  Bass(finale2, kHookChordsB, kBassDrive, 0x28);
  Drums(finale2, 0, Repeat(kDriveOpen, 3) + kFillRoll);
  // The cadence: Dm, B flat, E, and the home chord in A major, slowing down.
  const int cadence = NewPattern(64);
  Line(cadence, kChLead, kSmpLead, 0, Bars({
      "A2 . . A2 . . D3 . F3 . . A3 . G3 F3 E3",
      "D3/446 ~ ~ ~ ~ ~ ~ ~ F3 . . D3 . . A#2 .",
      "G#2 . . B2 . . E3/446 ~ ~ ~ ~ ~ ~ D3 C3 B2",
      "C#3/446 ~ ~ ~ ~ ~ ~ ~ E3/446 ~ ~ ~ ~ ~ ~ ~",
  }), 0x3A);
  Pads(cadence, {"Dm:20", "Bb:20", "E:20", "A:20"});
  Bass(cadence, {"Dm", "Bb", "E", "A"}, kBassGroove, 0x24);
  Drums(cadence, 0, std::string(kGrooveCrash) + kGroove + kGroove + "S.g.S.g.S.S.rrrr");
  SetTempo(cadence, 32, 112);
  SetTempo(cadence, 40, 106);
  SetTempo(cadence, 48, 98);
  SetTempo(cadence, 56, 92);
  const int ending = NewPattern(18);
  Pads(ending, {"A:30"});
  Line(ending, kChVoice, 0, 2, "/A02 . /A02 . /A02 . /A02 . /A02 . /A02 . /A02 . /A03");
  Line(ending, kChBass, kSmpBass, 0, "A1:22 . /A02 . /A02 . /A02 . /A02 . /A02 . /A02 . /A02 . /A03");
  Line(ending, kChLead, kSmpLead, 0, "A3:30 /446 ~ ~ ~ /602 /602 /602 /602 /602 /602 /602 /602 /602 /602 /602 /603 -");
  Drums(ending, 0, "C.................");
  SetTempo(ending, 1, 88);

  Breaks();

  // The channels' places in a stereo mix (the demo itself plays mono): bass and
  // drums near the middle, the lead a little right, the second voice a little left,
  // so that left and right carry about the same. Coarse panning (E8x), which the
  // common players follow in a ProTracker module; the tempo goes on the first row
  // (speed 6 is the format's default).
  SetEffect(intro1, 0, kChBass, 0xE, 0x87);
  SetEffect(intro1, 1, kChDrums, 0xE, 0x89);
  SetEffect(intro1, 1, kChLead, 0xE, 0x8B);
  SetEffect(intro1, 2, kChVoice, 0xE, 0x85);

  Section("title: pad and bells", 0);
  Order({intro1, intro2});
  Section("first 3D scene: the hook", 1);
  Order({hook1, hook2, answer});
  Section("the object flies away", -1);
  Order({recede});
  Section("stars alone", -1);
  Order({stars, build});
  Section("tunnel: the hook on the saw", 2);
  Order({tunnel1, tunnel2, tunnel3, tunnelFill});
  Section("rotozoomer: half time, A Dorian", 3);
  Order({dream1, dream2, dream3, dreamFill});
  Section("fractal: the climax in B minor", 4);
  Order({climax1, climax2, climax3, fall});
  Section("plasma face: second theme, C major", 5);
  Order({plasma0, second1, second2});
  Section("plasma face: the hook with its echo", -1);
  Order({echo1, echo2});
  Section("plasma face: winding down", -1);
  Order({wind1, wind2});
  Section("group picture: the break", 6);
  Order({break1, break2});
  Section("water: the hook comes home", 8);
  Order({finale1, finale2, cadence, ending});

  // Each part's section lasts until the next part begins; the finale plays out.
  const std::array<int32_t, kModParts + 1> starts = PartStartsMs();
  std::vector<int> firsts;  // first order position of each part, in playing order
  for (int i = 0; i < modsectioncount; ++i) {
    if (modsections[i].part >= 0) firsts.push_back(modsections[i].first_order);
  }
  if (static_cast<int>(firsts.size()) != kModParts) ScoreError("a part without a section");
  for (int k = 0; k + 1 < kModParts; ++k) {
    const double begun = ModOrderSeconds(ModBytes())[firsts[k]];
    FitTempo(firsts[k], firsts[k + 1], starts[k + 1] / 1000.0 - begun);
  }
  SetTempo(finale1, 0, 117);
}

}  // namespace zudezed
