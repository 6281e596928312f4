// Fuzz target: Wavefront OBJ meshes. Every input is converted at the sizes of both
// stored meshes; an accepted mesh is decoded again the way the demo's loader reads it
// and must be one the 3D engine can draw: counts that fit, coordinates in range,
// indices below the point count, every point in 1..255 polygons, at least one
// polygon, no polygon naming a point twice, and zero padding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/fuzz/fuzz_support.h"

namespace {

using zudezed::assetconv::AssetError;
using zudezed::fuzz::Expect;

size_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

void CheckMesh(const std::string& text, size_t size) {
  std::vector<uint8_t> out;
  try {
    out = zudezed::assetconv::ConvertMesh(text, size, "mesh");
  } catch (const AssetError&) {
    return;
  }
  Expect(out.size() == size, "the mesh array has the wrong length");
  const size_t p = U16(out, 0), l = U16(out, 2), n = U16(out, 4);
  const size_t bytes = 6 + 3 * p + 4 * l + 6 * n;
  Expect(bytes <= size, "the mesh's counts run past the array");
  Expect(n > 0, "a mesh without polygons was accepted");
  for (size_t i = 0; i < 3 * p; ++i) {
    Expect(out[6 + i] % 2 == 0 && out[6 + i] <= 254, "a coordinate byte is not one the converter makes");
  }
  const size_t lines = 6 + 3 * p, polys = lines + 4 * l;
  for (size_t i = 0; i < 2 * l; ++i) Expect(U16(out, lines + 2 * i) < p, "a line index is out of range");
  std::vector<int> uses(p, 0);
  for (size_t k = 0; k < n; ++k) {
    const size_t a = U16(out, polys + 6 * k), b = U16(out, polys + 6 * k + 2),
                 c = U16(out, polys + 6 * k + 4);
    Expect(a < p && b < p && c < p, "a polygon index is out of range");
    Expect(a != b && b != c && a != c, "a polygon names a point twice");
    ++uses[a];
    ++uses[b];
    ++uses[c];
  }
  for (int u : uses) Expect(u >= 1 && u <= 255, "a point lies in no polygon or in too many");
  for (size_t i = bytes; i < size; ++i) Expect(out[i] == 0, "the padding is not zero");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckMesh(text, 11065);  // face3do
  CheckMesh(text, 3361);   // teapot
  static const std::string path = zudezed::fuzz::ScratchPath("mesh.obj");
  zudezed::fuzz::WriteBytes(path, data, size);
  zudezed::fuzz::ConvertArrayLeavesNothingOnFailure("teapot", {path});
  return 0;
}
