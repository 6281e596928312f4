// zudezed-framehash: the demo's precalculated tables and rendered frames reduced to
// hashes (and, on request, written out raw), so two builds of the demo (for example
// the build machine's and an ARM build run under an emulator) can be compared entry
// by entry and pixel by pixel. This part is free of SDL; main.cpp plays the timeline.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zudezed {

// ---- Hashing ---------------------------------------------------------------------

inline constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
inline constexpr uint64_t kFnvPrime = 0x100000001b3ull;

// FNV-1a, 64 bits, over n bytes, continuing from h.
uint64_t Fnv1a64(const uint8_t* data, size_t n, uint64_t h = kFnvOffset);
inline uint64_t Fnv1a64(const std::vector<uint8_t>& bytes, uint64_t h = kFnvOffset) {
  return Fnv1a64(bytes.data(), bytes.size(), h);
}
std::string Hex64(uint64_t v);

// ---- Tables as bytes ---------------------------------------------------------------

// One table as a sequence of equally sized entries, each field stored little-endian
// (floats as their bit patterns), so the bytes do not depend on the machine's struct
// padding or byte order.
struct TableImage {
  std::string name;
  size_t entry_bytes = 0;
  std::vector<uint8_t> bytes;
  size_t entries() const { return entry_bytes == 0 ? 0 : bytes.size() / entry_bytes; }
};

void PutU8(std::vector<uint8_t>* out, uint32_t v);
void PutU16(std::vector<uint8_t>* out, uint32_t v);
void PutU32(std::vector<uint8_t>* out, uint32_t v);
void PutF32(std::vector<uint8_t>* out, float v);

// Every precalculated table, the embedded data and the object catalogue as they are
// now (call after the precalculation; some of them change while the timeline plays).
std::vector<TableImage> CollectTables();

// The 16-bit pixels of a frame buffer as little-endian bytes.
std::vector<uint8_t> FrameBytes(const uint16_t* buffer, size_t elements);

// ---- Which frames are kept -----------------------------------------------------------

// Part times (prticks) at which a frame of each part is kept: the first frame of the
// part at or past each of them. The part's last frame is kept as well.
inline constexpr std::array<int32_t, 6> kSampleTimes = {0, 1000, 4000, 10000, 20000, 40000};

// The sample label ("t1000", ...) of a frame of a part at part time prticks, given the
// part time of the part's previous frame (-1 for the part's first frame); empty when the
// frame is not a timed sample.
std::string SampleLabel(int32_t prticks, int32_t previous_prticks);

// ---- Comparing two runs --------------------------------------------------------------

struct EntryDiff {
  size_t entries = 0;    // entries compared
  size_t differing = 0;  // entries whose bytes differ
  std::vector<size_t> first;  // indices of the first few differing entries
  int64_t largest = 0;   // largest |a - b| of differing entries read as int32 (4-byte entries)
  bool size_mismatch = false;
};
// Compares two tables of entry_bytes-sized entries; keeps at most `keep` indices.
EntryDiff DiffEntries(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                      size_t entry_bytes, size_t keep = 8);

struct PixelDiff {
  size_t pixels = 0;     // pixels compared
  size_t differing = 0;  // pixels of different value
  bool size_mismatch = false;
};
PixelDiff DiffPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// The manifest of a run: what was hashed, one record per line.
//   table <name> <entry bytes> <entries> <hash>
//   frame <part> <label> <frame number> <timeline ms> <prticks> <hash>
//   part <part> <frames> <digest of all its frames>
//   every <frame number> <part> <hash>
struct Manifest {
  struct Table { std::string name; size_t entry_bytes = 0, entries = 0; std::string hash; };
  struct Frame { int part = 0; std::string label; int64_t n = 0, t = 0; int32_t prticks = 0; std::string hash; };
  struct Part { int part = 0; int64_t frames = 0; std::string digest; };
  struct Every { int64_t n = 0; int part = 0; std::string hash; };
  std::vector<Table> tables;
  std::vector<Frame> frames;
  std::vector<Part> parts;
  std::vector<Every> every;
};
std::string FormatManifest(const Manifest& m);
// Parses a manifest; returns false (with the line in *error) on a malformed line.
bool ParseManifest(const std::string& text, Manifest* m, std::string* error);

// The file names of a dump directory.
std::string TableFileName(const std::string& name);
std::string FrameFileName(int part, const std::string& label);

// Compares two dump directories and prints every difference to standard output: each
// differing table with its entry count, first indices and largest difference; each
// differing kept frame with its differing-pixel count; each part whose frames differ
// with how many of them do. Returns the number of differences (0: identical), or -1
// when a directory cannot be read.
int DiffDumps(const std::string& dir_a, const std::string& dir_b);

}  // namespace zudezed
