// Shared set-up of the effects tests: the tables the effects read, built once per
// test program, and the output of rendered frames as PNG pictures.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gp32_functions.h"
#include "precalc/precalcs.h"
#include "tests/png_writer.h"
#include "timeline/script.h"

namespace zudezed::effects_test {

// Every table of the precalculation (without its progress screen), built once per
// test program.
inline void BuildTables() {
  static bool built = false;
  if (built) return;
  zudezed::BuildTables();
  built = true;
}

// A palette whose entry v is v + 0x100, so a pixel tells which entry it came from.
inline std::array<uint16_t, 256> IndexPalette() {
  std::array<uint16_t, 256> p{};
  for (int v = 0; v < 256; ++v) p[v] = static_cast<uint16_t>(v + 0x100);
  return p;
}

using Frame = std::vector<uint16_t>;
inline Frame MakeFrame(uint16_t fill = 0) { return Frame(kBufferElements, fill); }

inline uint16_t& At(Frame& f, int x, int e) { return f[x * kScreenHeight + e]; }

// Writes a frame to <build>/effects_frames/<name>.png for viewing.
inline bool SaveFrame(const std::string& name, const Frame& f) {
  const std::string dir = std::string(ZUDEZED_BINARY_DIR) + "/effects_frames";
  mkdir(dir.c_str(), 0755);
  return WriteBufferPng((dir + "/" + name + ".png").c_str(), f.data(), 1);
}

}  // namespace zudezed::effects_test
