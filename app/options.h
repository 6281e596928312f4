// The program's command line: --part N (or ZUDEZED_PART=N) starts at part N after the
// precalculation screen; --help lists the options and the keys.
#pragma once

#include <cstdint>
#include <string>

namespace zudezed {

inline constexpr const char* kPartVariable = "ZUDEZED_PART";
inline constexpr int kExitUsage = 2;

struct ProgramOptions {
  bool ok = true;
  std::string error;  // one line, without the program name, when !ok
  bool help = false;
  int32_t part = -1;  // -1: from the start, as without options
};

// env_part is the value of ZUDEZED_PART (null when unset); --part wins over it.
ProgramOptions ParseProgramArgs(int argc, const char* const* argv, const char* env_part);

// The text --help prints: the options and the keys.
std::string ProgramUsage();

}  // namespace zudezed
