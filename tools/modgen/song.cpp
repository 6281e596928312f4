// The score of "sorvaline": patterns written as text, one token per row, and the
// order list that arranges them along the demo's timeline.
//
// Channels: 0 bass, 1 drums, 2 lead (or the bell arpeggios where the lead rests),
// 3 pads (or bell chords with the arpeggio effect). A bar is 16 rows; a row lasts
// 128.2 ms at speed 6 and 117 BPM, so a bar is 2.05 s.
//
// Melodic tokens (Line): "." nothing, "-" silence (volume 0), a note as in a tracker
// ("A2", "C#3", "Bb1", octaves 1..3), optionally followed by ":HH" (volume, hex) or
// "/XHH" (effect X with parameter HH, hex); a token may also be only ":HH" or "/XHH".
// Drum tokens (Drums), one character per row: K kick, S snare, s soft snare, h closed
// hat, o open hat, C crash over a kick, 1 2 3 toms high to low, "." nothing.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tools/modgen/modgen.h"

namespace zudezed {

std::array<ModPattern, kModMaxPatterns> modpatterns{};
int32_t modpatterncount = 0;
std::array<uint8_t, kModMaxOrders> modorder{};
int32_t modordercount = 0;

namespace {

constexpr int kChBass = 0, kChDrums = 1, kChLead = 2, kChPad = 3;
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
  if (c.period != 0) ScoreError("two notes in one cell, pattern " + std::to_string(pat));
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
  ScoreError("no free effect column, pattern " + std::to_string(pat));
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

// Writes melodic tokens into one channel from row0 on.
void Line(int pat, int ch, int sample, int row0, const std::string& text) {
  int row = row0;
  for (const std::string& tok : Tokens(text)) {
    if (tok != ".") {
      if (tok == "-") {
        SetEffect(pat, row, ch, 0xC, 0);
      } else {
        size_t i = 0;
        if (tok[0] >= 'A' && tok[0] <= 'G') {
          size_t end = tok.find_first_of(":/");
          std::string note = tok.substr(0, end);
          const uint16_t period = NotePeriod(note);
          if (period == 0) ScoreError("bad note '" + note + "'");
          if (sample == 0) ScoreError("note without an instrument");
          SetNote(pat, row, ch, sample, period);
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
    }
    ++row;
  }
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

void Drums(int pat, int row0, const std::string& hits) {
  int row = row0;
  for (char c : hits) {
    if (c == ' ' || c == '|') continue;
    switch (c) {
      case '.': break;
      case 'K': SetNote(pat, row, kChDrums, kSmpKick, PeriodAt(24)); break;
      case 'S': SetNote(pat, row, kChDrums, kSmpSnare, PeriodAt(24)); break;
      case 's':
        SetNote(pat, row, kChDrums, kSmpSnare, PeriodAt(24));
        SetEffect(pat, row, kChDrums, 0xC, 0x16);
        break;
      case 'h': SetNote(pat, row, kChDrums, kSmpHat, PeriodAt(24)); break;
      case 'o': SetNote(pat, row, kChDrums, kSmpOpenHat, PeriodAt(24)); break;
      case 'C': SetNote(pat, row, kChDrums, kSmpCrash, PeriodAt(24)); break;
      case '1': SetNote(pat, row, kChDrums, kSmpTom, PeriodAt(24)); break;
      case '2': SetNote(pat, row, kChDrums, kSmpTom, PeriodAt(21)); break;
      case '3': SetNote(pat, row, kChDrums, kSmpTom, PeriodAt(17)); break;
      default: ScoreError(std::string("bad drum '") + c + "'");
    }
    ++row;
  }
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
  char acc = name.size() > 1 && (name[1] == '#' || name[1] == 'b') ? name[1] : 0;
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

// Pads: one chord sample per bar ("." holds the previous chord). Pad roots lie in
// E-2 .. D#3 and sound an octave higher (E3 .. D#4).
void Chords(int pat, std::initializer_list<const char*> chords) {
  int row = 0;
  for (const char* name : chords) {
    if (std::string(name) != ".") {
      const Chord c = ParseChord(name);
      SetNote(pat, row, kChPad, c.minor ? kSmpPadMinor : kSmpPadMajor,
              PeriodAt(ChordRoot(c, 12)));
      if (c.volume >= 0) SetEffect(pat, row, kChPad, 0xC, c.volume);
    }
    row += kBar;
  }
}

// Bass, one template of 16 characters per chord: R root (C-1 .. B-1, sounding C2 ..
// B2), O root an octave up, F fifth, "-" silence, "." nothing.
void Bass(int pat, std::initializer_list<const char*> chords, const char* tmpl) {
  int row = 0;
  for (const char* name : chords) {
    if (std::string(name) != ".") {
      const Chord c = ParseChord(name);
      for (int i = 0; i < kBar; ++i) {
        const char t = tmpl[i];
        if (t == 'R') SetNote(pat, row + i, kChBass, kSmpBass, PeriodAt(c.root));
        if (t == 'O') SetNote(pat, row + i, kChBass, kSmpBass, PeriodAt(c.root + 12));
        if (t == 'F') SetNote(pat, row + i, kChBass, kSmpBass, PeriodAt(c.root + 7));
        if (t == '-') SetEffect(pat, row + i, kChBass, 0xC, 0);
      }
    }
    row += kBar;
  }
}

// Bell arpeggios over the chords: each template digit picks a chord tone (0 root,
// 1 third, 2 fifth, 3 octave, 4 octave + third, 5 octave + fifth), roots in E-1 .. D#2
// (sounding E3 .. D#4).
void Arpeggios(int pat, int ch, std::initializer_list<const char*> chords, const char* tmpl) {
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
          SetNote(pat, row + i, ch, kSmpBell, PeriodAt(root + tones[t - '0']));
        }
      }
    }
    row += kBar;
  }
}

// Bell chords played as a fast arpeggio (effect 0: root, third, fifth on successive
// ticks): "x" strikes the chord, "a" keeps the arpeggio running, "." nothing.
void ChipChords(int pat, std::initializer_list<const char*> chords, const char* tmpl) {
  int row = 0;
  for (const char* name : chords) {
    const Chord c = ParseChord(name);
    const int arp = c.minor ? 0x37 : 0x47;
    for (int i = 0; i < kBar; ++i) {
      if (tmpl[i] == 'x') SetNote(pat, row + i, kChPad, kSmpBell, PeriodAt(ChordRoot(c, 0)));
      if (tmpl[i] == 'x' || tmpl[i] == 'a') SetEffect(pat, row + i, kChPad, 0x0, arp);
    }
    row += kBar;
  }
}

// Ends every short pattern with a pattern break to row 0 of the next order position.
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

// Grooves and bass figures shared by the sections.
constexpr const char* kHats = "h...h...h...h...";
constexpr const char* kGroove = "K.h.S.h.K.K.S.h.";
constexpr const char* kGrooveCrash = "C.h.S.h.K.K.S.h.";
constexpr const char* kDrive = "K.hhS.hhK.hKS.hh";
constexpr const char* kDriveCrash = "C.hhS.hhK.hKS.hh";
constexpr const char* kHalfTime = "K...h.h.S...h..h";
constexpr const char* kFillToms = "K.h.S.h.S.SS1.23";
constexpr const char* kFillSnare = "SSS.SSS.S.S.1233";

constexpr const char* kBassGroove = "R..R..O.R..RO.R.";
constexpr const char* kBassDrive = "R.O.R.O.R.O.R.O.";
constexpr const char* kBassHalf = "R.......R...O...";
constexpr const char* kBassWhole = "R...............";

constexpr const char* kArpUp = "0.2.3.2.4.3.2.1.";
constexpr const char* kChipStabs = "xaaaxaaaxaaaxaaa";

// The theme: a question over Am F C G, an answer over Am F G E, a closing phrase
// over Am F G Am. Every phrase opens with the same motif (E, D, C, D, E).
const std::string kThemeQuestion = Bars({
    "E3 . . . . . D3 . C3 . . . D3 . E3 .",
    "F3 . . . E3 . . . C3 . . . A2 . . .",
    "G3 . . . . . E3 . C3 . . . E3 . G3 .",
    "D3 . . . . . . . B2 . C3 . D3 . . .",
});
const std::string kThemeAnswer = Bars({
    "E3 . . . . . D3 . C3 . . . D3 . E3 .",
    "A3 . . . G3 . F3 . E3 . . . C3 . . .",
    "D3 . . . . . E3 . D3 . C3 . B2 . G2 .",
    "G#2 . . . . . . . B2 . . . E3 . . .",
});
const std::string kThemeClose = Bars({
    "E3 . . . . . D3 . C3 . . . D3 . E3 .",
    "C3 . . . A2 . . . F3 . . . E3 . . .",
    "D3 . . . . . B2 . G2 . . . B2 . D3 .",
    "C3 . . . . . B2 . A2 . . . . . - .",
});

// The second theme, in C major: its motif climbs a triad and falls back.
const std::string kMajorTheme = Bars({
    "E3 . . . G3 . . . C3 . . . . . D3 .",
    "D3 . . . . . B2 . G2 . . . A2 . B2 .",
    "C3 . . . E3 . . . A3 . . . G3 . E3 .",
    "F3 . . . . . . . E3 . . . D3 . . .",
});
const std::string kMajorAnswer = Bars({
    "E3 . . . G3 . . . C3 . . . . . D3 .",
    "D3 . . . . . B2 . G2 . . . G3 . F3 .",
    "E3 . . . D3 . . . C3 . . . A2 . C3 .",
    "D3 . . . . . . . . . . . B2 . D3 .",
});

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

  // --- Intro (title): pads swell in, bell arpeggios, hats and bass join. ---
  const int intro1 = NewPattern(64);
  Chords(intro1, {"Am:04", ".", "F", "G"});
  Line(intro1, kChPad, 0, 1, "/A10 . /A10 . /A10 . /A10 . /A10 . /A10");
  Arpeggios(intro1, kChLead, {"Am", "Am", "F", "G"}, kArpUp);
  Bass(intro1, {".", ".", "F", "G"}, "R.......R.......");
  Drums(intro1, 32, "h...h...h...h...h...h...h.h.h.hh");
  SetGlobalEffect(intro1, 0, 0xF, kModStartSpeed);
  SetTempo(intro1, 0, kModStartTempo);

  const int intro2 = NewPattern(32);
  Chords(intro2, {"Am", "E"});
  Arpeggios(intro2, kChLead, {"Am", "E"}, kArpUp);
  Bass(intro2, {"Am", "E"}, "R.......R.R.R.R.");
  Drums(intro2, 0, "K...h...K...h.h.");
  Drums(intro2, 16, kFillSnare);

  // --- Theme (the first 3D scene). ---
  const int groove = NewPattern(64);
  Chords(groove, {"Am", "F", "C", "G"});
  Bass(groove, {"Am", "F", "C", "G"}, kBassGroove);
  Arpeggios(groove, kChLead, {"Am", "F", "C", "G"}, kArpUp);
  Drums(groove, 0, std::string(kGrooveCrash) + kGroove + kGroove + kGroove);

  const int question = NewPattern(64);
  Chords(question, {"Am", "F", "C", "G"});
  Bass(question, {"Am", "F", "C", "G"}, kBassGroove);
  Line(question, kChLead, kSmpLead, 0, kThemeQuestion);
  Drums(question, 0, std::string(kGrooveCrash) + kGroove + kGroove + kGroove);

  const int answer = NewPattern(64);
  Chords(answer, {"Am", "F", "G", "E"});
  Bass(answer, {"Am", "F", "G", "E"}, kBassGroove);
  Line(answer, kChLead, kSmpLead, 0, kThemeAnswer);
  Drums(answer, 0, std::string(kGroove) + kGroove + kGroove + "K.h.S.h.K.K.S.SS");

  const int close = NewPattern(64);
  Chords(close, {"Am", "F", "G", "Am"});
  Bass(close, {"Am", "F", "G", "Am"}, kBassGroove);
  Line(close, kChLead, kSmpLead, 0, kThemeClose);
  Drums(close, 0, std::string(kGroove) + kGroove + kGroove + kFillToms);

  // --- Variation 1 (the tunnel): driving octave bass, a new tune over Dm Am F E. ---
  const std::string tunnel1 = Bars({
      "D3 . . . F3 . A3 . . . G3 . F3 . E3 .",
      "E3 . . . . . C3 . A2 . . . C3 . E3 .",
      "F3 . . . E3 . D3 . C3 . . . A2 . C3 .",
      "B2 . . . . . . . G#2 . . . B2 . . .",
  });
  const std::string tunnel2 = Bars({
      "D3 . . . F3 . A3 . . . G3 . F3 . E3 .",
      "E3 . . . A3 . . . G3 . E3 . C3 . . .",
      "D3 . . . C3 . A2 . F3 . . . E3 . D3 .",
      "E3 . . . . . . . D3 . C3 . B2 . G#2 .",
  });
  const std::string tunnel3 = Bars({
      "C3 . . . A3 . . . G3 . F3 . E3 . F3 .",
      "G3 . . . D3 . . . B2 . D3 . G3 . B3 .",
      "A2/037 /037 /037 /037 /037 /037 /037 /037 /037 /037 /037 /037 E3 . D3 .",
      "C3 . . . . . B2 . A2 . . . . . - .",
  });
  const int var1a = NewPattern(64);
  Chords(var1a, {"Dm", "Am", "F", "E"});
  Bass(var1a, {"Dm", "Am", "F", "E"}, kBassDrive);
  Line(var1a, kChLead, kSmpLead, 0, tunnel1);
  Drums(var1a, 0, std::string(kDriveCrash) + kDrive + kDrive + kDrive);

  const int var1b = NewPattern(64);
  Chords(var1b, {"Dm", "Am", "F", "E"});
  Bass(var1b, {"Dm", "Am", "F", "E"}, kBassDrive);
  Line(var1b, kChLead, kSmpLead, 0, tunnel2);
  Drums(var1b, 0, std::string(kDrive) + kDrive + kDrive + "K.hhS.hhK.hKSSSS");

  const int var1c = NewPattern(64);
  Chords(var1c, {"F", "G", "Am", "."});
  Bass(var1c, {"F", "G", "Am", "Am"}, kBassDrive);
  Line(var1c, kChLead, kSmpLead, 0, tunnel3);
  Drums(var1c, 0, std::string(kDriveCrash) + kDrive + kDrive + kDrive);

  const int var1fill = NewPattern(16);
  Chords(var1fill, {"E"});
  Bass(var1fill, {"E"}, "R.R.O.R.O.O.R.O.");
  Drums(var1fill, 0, kFillSnare);

  // --- Variation 2 (the rotozoomed fractal): half time, the lead glides. ---
  const int var2a = NewPattern(64);
  Chords(var2a, {"F", "C", "G", "Am"});
  Bass(var2a, {"F", "C", "G", "Am"}, kBassHalf);
  Line(var2a, kChLead, kSmpLead, 0, Bars({
      "A2 . . . . . . . C3/304 /300 . . . . . .",
      "G2 . . . . . . . E2 . . . G2 . . .",
      "B2 . . . . . . . D3/304 /300 . . . B2 . .",
      "C3 . . . B2 . . . A2 . . . . . . .",
  }));
  Drums(var2a, 0, std::string(kGrooveCrash).substr(0, 1) + std::string(kHalfTime).substr(1) +
                      kHalfTime + kHalfTime + kHalfTime);

  const int var2b = NewPattern(64);
  Chords(var2b, {"F", "C", "G", "Am"});
  Bass(var2b, {"F", "C", "G", "Am"}, kBassHalf);
  Line(var2b, kChLead, kSmpLead, 0, Bars({
      "A2 . . . . . . . F3/306 /300 /300 /300 . . . .",
      "E3 . . . D3 . . . C3 . . . . . G2 .",
      "B2 . . . D3/304 /300 . . . . . . G3 . . .",
      "E3 . . . . . . . . . . . . . . .",
  }));
  Drums(var2b, 0, std::string(kHalfTime) + kHalfTime + kHalfTime + kHalfTime);

  const int var2fill = NewPattern(16);
  Chords(var2fill, {"G"});
  Bass(var2fill, {"G"}, "R...R...R.R.RRRR");
  Line(var2fill, kChLead, kSmpLead, 0, "D3 . . . . . . . /A02 /A02 /A02 /A02 - . . .");
  Drums(var2fill, 0, "ssssSSSSSSSSSSSS");

  // --- Theme again (the full-screen fractal), driving; it dissolves at the end. ---
  const int again1 = NewPattern(64);
  Chords(again1, {"Am", "F", "C", "G"});
  Bass(again1, {"Am", "F", "C", "G"}, kBassDrive);
  Line(again1, kChLead, kSmpLead, 0, kThemeQuestion);
  Drums(again1, 0, std::string(kDriveCrash) + kDrive + kDrive + kDrive);

  const int again2 = NewPattern(64);
  Chords(again2, {"Am", "F", "G", "E"});
  Bass(again2, {"Am", "F", "G", "E"}, kBassDrive);
  Line(again2, kChLead, kSmpLead, 0, kThemeAnswer);
  Drums(again2, 0, std::string(kDrive) + kDrive + kDrive + kFillToms);

  const int climax = NewPattern(64);
  Chords(climax, {"F", "G", "Am", "."});
  Bass(climax, {"F", "G", "Am", "Am"}, kBassDrive);
  Line(climax, kChLead, kSmpLead, 0, Bars({
      "A3 . . . G3 . F3 . E3 . D3 . C3 . D3 .",
      "B2 . . . . . G2 . B2 . D3 . G3 . . .",
      "A3 . . . . . . . E3 . . . C3 . . .",
      "A2 . . . . . . . . . . . . . . .",
  }));
  Drums(climax, 0, std::string(kDriveCrash) + kDrive + kDrive + kDrive);

  const int fall = NewPattern(16);
  Chords(fall, {"Am"});
  Line(fall, kChPad, 0, 1, "/A02 . /A02 . /A02 . /A02 . /A02 . /A02");
  Line(fall, kChBass, kSmpBass, 0,
       "A1/204 /204 /204 /204 /204 /204 /204 /204 /204 /204 /204 /204 - . . .");
  Line(fall, kChLead, 0, 0, "/A02 /A02 /A02 /A02 - . . . . . . . . . . .");
  Drums(fall, 0, "C...............");

  // --- The plasma face: C major, a second theme, bell chords. ---
  const int major1 = NewPattern(64);
  Chords(major1, {"C:04", "G", "Am", "F"});
  Line(major1, kChPad, 0, 1, "/A10 . /A10 . /A10 . /A10 . /A10 . /A10");
  Arpeggios(major1, kChLead, {"C", "G", "Am", "F"}, kArpUp);
  Bass(major1, {"C", "G", "Am", "F"}, kBassWhole);
  Drums(major1, 32, std::string(kHats) + "h...h...h.h.h.hh");

  const int major2 = NewPattern(64);
  Chords(major2, {"C", "G", "Am", "F"});
  Bass(major2, {"C", "G", "Am", "F"}, kBassGroove);
  Line(major2, kChLead, kSmpLead, 0, kMajorTheme);
  Drums(major2, 0, std::string(kGrooveCrash) + kGroove + kGroove + kGroove);

  const int major3 = NewPattern(64);
  Chords(major3, {"C", "G", "F", "G"});
  Bass(major3, {"C", "G", "F", "G"}, kBassGroove);
  Line(major3, kChLead, kSmpLead, 0, kMajorAnswer);
  Drums(major3, 0, std::string(kGroove) + kGroove + kGroove + "K.h.S.h.K.K.S.SS");

  const int chip1 = NewPattern(64);
  ChipChords(chip1, {"C", "G", "Am", "F"}, kChipStabs);
  Bass(chip1, {"C", "G", "Am", "F"}, kBassDrive);
  Line(chip1, kChLead, kSmpLead, 0, kMajorTheme);
  Drums(chip1, 0, std::string(kDriveCrash) + kDrive + kDrive + kDrive);

  const int chip2 = NewPattern(64);
  ChipChords(chip2, {"C", "G", "F", "G"}, kChipStabs);
  Bass(chip2, {"C", "G", "F", "G"}, kBassDrive);
  Line(chip2, kChLead, kSmpLead, 0, kMajorAnswer);
  Drums(chip2, 0, std::string(kDrive) + kDrive + kDrive + kFillToms);

  const int windDown = NewPattern(32);
  Chords(windDown, {"Am", "G"});
  Line(windDown, kChPad, 0, 17, "/A01 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01");
  Bass(windDown, {"Am", "G"}, "R..R..O.R..RO.R.");
  Line(windDown, kChLead, kSmpLead, 0, Bars({
      "E3 . . . . . D3 . C3 . . . . . . .",
      "B2 . . . . . . . /A01 /A01 /A01 /A01 /A01 /A01 /A01 /A01",
  }));
  Drums(windDown, 0, std::string(kGroove) + "K...............");

  // --- Break (the group picture): no beat, bells and pads, then a snare build. ---
  const int break1 = NewPattern(64);
  Chords(break1, {"Am", "Em", "F", "G"});
  Arpeggios(break1, kChLead, {"Am", "Em", "F", "G"}, kArpUp);
  Bass(break1, {"Am", "Em", "F", "G"}, kBassWhole);
  Drums(break1, 0, "....o.......o..." "....o.......o..." "....o.......o..." "....o.......o...");

  const int break2 = NewPattern(32);
  Chords(break2, {"Am", "E"});
  Arpeggios(break2, kChLead, {"Am", "."}, kArpUp);
  Bass(break2, {"Am", "E"}, "R...R...R.R.RRRR");
  Drums(break2, 0, "s...s...s.s.s.s." "s.s.S.S.SSSSSSSS");

  // --- Finale (the water): the theme once more, a slowing close, the last chord. ---
  const int finale = NewPattern(64);
  Chords(finale, {"Am", "F", "G", "Am"});
  Bass(finale, {"Am", "F", "G", "Am"}, kBassDrive);
  Line(finale, kChLead, kSmpLead, 0, Bars({
      "E3 . . . . . D3 . C3 . . . D3 . E3 .",
      "C3 . . . A2 . . . F3 . . . E3 . . .",
      "D3 . . . . . B2 . G2 . . . B2 . D3 .",
      "C3 . . . . . B2 . A2 . . . . . . .",
  }));
  Drums(finale, 0, std::string(kDriveCrash) + kDrive + kDrive + "K.hhS.hhS.S.SSSS");
  SetTempo(finale, 56, 110);
  SetTempo(finale, 60, 104);

  const int ending = NewPattern(24);
  Chords(ending, {"Am"});
  Line(ending, kChPad, 0, 2, "/A01 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01");
  Line(ending, kChBass, kSmpBass, 0, "A1 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01");
  Line(ending, kChLead, kSmpLead, 0, "A2 . . . /A01 . /A01 . /A01 . /A01 . /A01 . /A01 . /A01");
  Drums(ending, 0, "C...............");
  SetTempo(ending, 1, 96);

  Breaks();

  // The arrangement along the timeline (bars of 2.05 s; the demo's parts in brackets):
  Order({intro1, intro2});                             // title, 6 bars
  Order({groove, question, answer, question, close});  // first 3D scene, 20 bars
  Order({var1a, var1b, var1c, var1fill});              // tunnel, 13 bars
  Order({var2a, var2b, var2a, var2fill});              // rotozoomed fractal, 13 bars
  Order({again1, again2, climax, fall});               // full-screen fractal, 13 bars
  Order({major1, major2, major3, chip1, chip2, question, windDown});  // plasma face, 26 bars
  Order({break1, break2});                             // group picture, 6 bars
  Order({again1, again2, finale, ending});             // water and credits, 13.5 bars
}

}  // namespace zudezed
