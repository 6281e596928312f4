// The soundtrack generator: composes the demo's music "sorvaline.mod", a 4-channel
// ProTracker module ("M.K."), from synthesised 8-bit samples and a written score.
//
// samples.cpp builds the sample bank, song.cpp writes the score into patterns and the
// order list, modfile.cpp serialises everything into the module's bytes and computes
// the playing time of the order list.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zudezed {

inline constexpr int kModChannels = 4;
inline constexpr int kModRows = 64;            // rows of every stored pattern
inline constexpr int kModMaxPatterns = 64;     // the "M.K." format's limit
inline constexpr int kModMaxOrders = 128;
inline constexpr int kModSampleSlots = 31;
inline constexpr int kModSamplePool = 262144;  // bytes of sample data of all slots

// The module's playing speed at the start: 6 ticks per row at 117 BPM, a row every
// 6 * 2.5 / 117 s = 128.2 ms, four rows to a beat.
inline constexpr int kModStartSpeed = 6;
inline constexpr int kModStartTempo = 117;

// One channel of one pattern row, as the module stores it: sample number 1..31 (0 =
// keep the channel's sample), Amiga period (0 = no note), effect command 0..15 and
// its parameter byte.
struct ModCell {
  uint8_t sample = 0;
  uint16_t period = 0;
  uint8_t effect = 0;
  uint8_t param = 0;
};

struct ModPattern {
  std::array<std::array<ModCell, kModChannels>, kModRows> rows{};
};

// One sample slot. Lengths and loop points are in bytes here (the file stores words);
// loop_length 0 means no loop (stored as the customary one-word loop).
struct ModSample {
  std::string name;
  int32_t offset = 0;  // first byte in modsamplepool
  int32_t length = 0;  // bytes, even
  int32_t finetune = 0;  // -8..7, eighths of a semitone
  int32_t volume = 0;    // 0..64
  int32_t loop_start = 0;
  int32_t loop_length = 0;
};

// The module being built.
extern std::string modtitle;
extern std::array<ModSample, kModSampleSlots> modsamples;  // slot i = sample number i + 1
extern std::array<int8_t, kModSamplePool> modsamplepool;
extern int32_t modsamplepoolused;
extern std::array<ModPattern, kModMaxPatterns> modpatterns;
extern int32_t modpatterncount;
extern std::array<uint8_t, kModMaxOrders> modorder;
extern int32_t modordercount;

// Sample numbers of the bank (1-based, as the patterns use them).
enum ModInstrument : uint8_t {
  kSmpKick = 1,
  kSmpSnare,
  kSmpHat,
  kSmpOpenHat,
  kSmpCrash,  // crash cymbal over a kick, for the first beat of a section
  kSmpTom,
  kSmpBass,
  kSmpLead,   // the theme's pulse lead
  kSmpSaw,    // the driving sawtooth lead
  kSmpFlute,  // the soft lead
  kSmpPadMinor,
  kSmpPadMajor,
  kSmpBell,
  kSmpChip,  // a square for chords played as arpeggios
};

// The Amiga periods of the three octaves C-1 .. B-3 (finetune 0), the notes that
// patterns store.
inline constexpr std::array<uint16_t, 36> kModPeriods = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,  // C-1 .. B-1
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,  // C-2 .. B-2
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113,  // C-3 .. B-3
};

// Fills the sample slots and modsamplepool with the synthesised instruments.
void BuildSamples();

// Writes the score: every pattern and the order list.
void BuildSong();

// The period of a note written as in a tracker ("A-2", "C#3", "Bb1", "E2"); 0 for a
// name that is not a note of C-1 .. B-3.
uint16_t NotePeriod(const std::string& name);

// The module file's bytes from the globals above.
std::vector<uint8_t> ModBytes();

// Playing time in seconds of the order list from its start to its end, as the player
// times it (ModOrderSeconds of the module's bytes).
double ModSeconds();

// Where each of the timeline's parts starts, in playing order (0 1 2 3 4 5 6 8), in
// milliseconds after the music starts, from the timeline's part table; the last entry
// is the end of the timeline.
inline constexpr int kModParts = 8;
std::array<int32_t, kModParts + 1> PartStartsMs();

// The sections of the arrangement: each starts at an order position. A section that
// begins a part names it; the others (part -1) mark a change inside a part.
struct ModSection {
  std::string name;
  int32_t first_order = 0;
  int32_t part = -1;  // timeline part number, or -1
};
inline constexpr int kModMaxSections = 32;
extern std::array<ModSection, kModMaxSections> modsections;
extern int32_t modsectioncount;

}  // namespace zudezed
