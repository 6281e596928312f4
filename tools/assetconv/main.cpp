// assetconv <array> <output.cpp> <source>...: converts the sources of one embedded
// array into its generated C++ definition. A bad source prints one line naming the
// file and the fault and exits with status 1, which stops the build.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/assetconv/assetconv.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: assetconv <array> <output.cpp> <source>...\n");
    return 2;
  }
  const std::string array = argv[1];
  const std::string out = argv[2];
  const std::vector<std::string> sources(argv + 3, argv + argc);
  try {
    const size_t stored = zudezed::assetconv::ConvertArray(array, sources, out);
    std::printf("assetconv: %s: %zu bytes\n", array.c_str(), stored);
  } catch (const zudezed::assetconv::AssetError& e) {
    std::fprintf(stderr, "assetconv: error: %s\n", e.what());
    return 1;
  }
  return 0;
}
