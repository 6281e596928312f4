// Shared pieces of the asset converter's fuzz targets: a scratch file per process,
// the check that a rejected source leaves no generated file behind, and a failure
// that libFuzzer reports as a crash with the input that caused it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/assetconv/assetconv.h"

namespace zudezed::fuzz {

// A path in the temporary directory that no other fuzzing process uses.
inline std::string ScratchPath(const std::string& what) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/zudezed-fuzz-" +
         std::to_string(getpid()) + "-" + what;
}

inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A broken promise of the converter: say which and stop, so the input is kept.
[[noreturn]] inline void Broken(const char* what) {
  std::fprintf(stderr, "asset converter: %s\n", what);
  std::abort();
}

inline void Expect(bool ok, const char* what) {
  if (!ok) Broken(what);
}

// Runs the whole conversion of one array as the build does. A source the converter
// rejects must leave no generated file (and no temporary one); an accepted one must
// leave exactly the generated file. Returns whether it was accepted.
inline bool ConvertArrayLeavesNothingOnFailure(const std::string& array,
                                               const std::vector<std::string>& sources) {
  const std::string out = ScratchPath(array + ".cpp");
  std::remove(out.c_str());
  bool accepted = true;
  try {
    assetconv::ConvertArray(array, sources, out);
  } catch (const assetconv::AssetError&) {
    accepted = false;
  }
  Expect(Exists(out) == accepted, "a rejected source left a generated file, or an accepted one none");
  Expect(!Exists(out + ".tmp"), "a conversion left its temporary file");
  std::remove(out.c_str());
  return accepted;
}

}  // namespace zudezed::fuzz
