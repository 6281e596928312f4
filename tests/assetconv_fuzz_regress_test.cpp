// Sources that fuzzing the asset converter turned up (or that its checks could not
// build by mutation, such as a PNG header with a valid checksum and an absurd size):
// each is rejected with one line naming the file and the fault, and the whole
// conversion of an array leaves no generated file behind.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/scratch_dir.h"
#include "tools/assetconv/assetconv.h"

namespace {

namespace ac = zudezed::assetconv;
namespace fs = std::filesystem;

std::string Error(const std::function<void()>& f) {
  try {
    f();
  } catch (const ac::AssetError& e) {
    return e.what();
  }
  return "(accepted)";
}

class FuzzRegress : public zudezed::testing_support::ScratchDirTest {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  // The whole conversion of `array` from `source`: its error, and no file written.
  std::string ConvertLeavesNothing(const std::string& array, const std::string& source) {
    const fs::path out = dir_ / (array + ".cpp");
    const std::string e = Error([&] { ac::ConvertArray(array, {source}, out.string()); });
    EXPECT_FALSE(fs::exists(out)) << array;
    EXPECT_FALSE(fs::exists(out.string() + ".tmp")) << array;
    return e;
  }
};

// ---- Meshes ----------------------------------------------------------------------

TEST_F(FuzzRegress, MeshesWithoutPolygonsAreRejected) {
  // The first input the fuzzer tried, the empty file, became an all-zero mesh array.
  EXPECT_EQ(Error([] { ac::ConvertMesh("", 3361, "m.obj"); }),
            "m.obj: no polygons; a stored mesh needs at least one");
  EXPECT_EQ(Error([] { ac::ConvertMesh("# nothing but comments\no empty\n\n", 3361, "m.obj"); }),
            "m.obj: no polygons; a stored mesh needs at least one");
  // Points without polygons still name the first lonely point.
  EXPECT_EQ(Error([] { ac::ConvertMesh("v 0 0 0\n", 3361, "m.obj"); }),
            "m.obj: point 1 belongs to no polygon");
  EXPECT_EQ(ConvertLeavesNothing("teapot", Write("empty.obj", "")),
            Write("empty.obj", "") + ": no polygons; a stored mesh needs at least one");
}

TEST_F(FuzzRegress, PolygonsNamingAPointTwiceAreRejected) {
  const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  // Each pair of corners, including through the v/vt/vn forms.
  EXPECT_EQ(Error([&] { ac::ConvertMesh(tri + "f 1 1 2\n", 100, "m.obj"); }),
            "m.obj: line 5: the polygon names a point twice");
  EXPECT_EQ(Error([&] { ac::ConvertMesh(tri + "f 1 2 2/7\n", 100, "m.obj"); }),
            "m.obj: line 5: the polygon names a point twice");
  EXPECT_EQ(Error([&] { ac::ConvertMesh(tri + "f 3 1 3\n", 100, "m.obj"); }),
            "m.obj: line 5: the polygon names a point twice");
  // The same triangle twice is a mesh (both faces are drawn), and a line may be a dot.
  EXPECT_EQ(ac::ConvertMesh(tri + "f 3 2 1\nl 1 1\n", 100, "m.obj").size(), 100u);
}

// ---- PNG -------------------------------------------------------------------------

uint32_t Crc32(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return c ^ 0xFFFFFFFFu;
}

std::string Be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
  return Be32(static_cast<uint32_t>(data.size())) + type + data + Be32(Crc32(type + data));
}

// A well-formed PNG header for a width x height image (16-bit RGBA) with one tiny
// compressed block of zeros as its only data: a few dozen bytes that claim gigabytes.
std::string HugePng(uint32_t width, uint32_t height) {
  const std::string sig = "\x89PNG\r\n\x1a\n";
  std::string ihdr = Be32(width) + Be32(height);
  ihdr += std::string("\x10\x06\x00\x00\x00", 5);  // depth 16, RGBA, deflate, filter 0, no interlace
  // zlib stream of one stored empty block.
  const std::string idat("\x78\x01\x01\x00\x00\xff\xff\x00\x00\x00\x01", 11);
  return sig + Chunk("IHDR", ihdr) + Chunk("IDAT", idat) + Chunk("IEND", "");
}

TEST_F(FuzzRegress, PngsTooLargeForAnyPictureAreRejectedBeforeDecoding) {
  // Decoding these used to allocate width x height x 8 bytes (80 GB for the first)
  // before libpng found the data missing: the converter died instead of reporting.
  for (const auto& [w, h] : std::vector<std::pair<uint32_t, uint32_t>>{
           {100000, 100000}, {1000000, 1}, {1, 1000000}, {4097, 16}}) {
    const std::string path = Write("huge.png", HugePng(w, h));
    EXPECT_EQ(Error([&] { ac::ReadPng(path); }),
              path + ": too large: " + std::to_string(w) + " x " + std::to_string(h) +
                  " pixels, at most 4096 x 4096")
        << w << " x " << h;
    EXPECT_EQ(ConvertLeavesNothing("kavrel", path).rfind(path + ": too large: ", 0), 0u);
  }
  // At the limit the size is fine and the missing data is what is wrong.
  const std::string path = Write("edge.png", HugePng(4096, 1));
  EXPECT_EQ(Error([&] { ac::ReadPng(path); }), path + ": corrupt PNG data");
}

}  // namespace
