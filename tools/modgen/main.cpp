// modgen [output]: composes the soundtrack and writes it as a ProTracker module
// (default "sorvaline.mod" in the working directory).
#include <cstdio>

#include "tools/modgen/modgen.h"

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "sorvaline.mod";
  zudezed::BuildSamples();
  zudezed::BuildSong();
  const std::vector<uint8_t> bytes = zudezed::ModBytes();
  std::FILE* f = std::fopen(path, "wb");
  if (f == nullptr) {
    std::perror(path);
    return 1;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !written) {
    std::perror(path);
    return 1;
  }
  std::printf("%s: %zu bytes, %d patterns, %d orders, %.2f s\n", path, bytes.size(),
              static_cast<int>(zudezed::modpatterncount),
              static_cast<int>(zudezed::modordercount), zudezed::ModSeconds());
  return 0;
}
