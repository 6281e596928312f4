// artgen <assets folder> [fonts|ball|pictures|textures|meshes]...: regenerates the
// demo's art sources procedurally (all of them when no group is named).
#include <cstdio>
#include <string>

#include "tools/artgen/art.h"

int main(int argc, char** argv) {
  using namespace zudezed::artgen;
  if (argc < 2) {
    std::fprintf(stderr, "usage: artgen <assets folder> [fonts|ball|pictures|textures|meshes]...\n");
    return 2;
  }
  const std::string dir = argv[1];
  const auto want = [&](const char* g) {
    if (argc == 2) return true;
    for (int i = 2; i < argc; ++i)
      if (std::string(argv[i]) == g) return true;
    return false;
  };
  if (want("fonts")) MakeFonts(dir);
  if (want("ball")) MakeBall(dir);
  if (want("pictures")) MakePictures(dir);
  if (want("textures")) MakeTextures(dir);
  if (want("meshes")) MakeMeshes(dir);
  return 0;
}
