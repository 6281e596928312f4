// The asset converter: byte layouts on small inputs, every rejection, and the
// committed sources converting to arrays of exactly the sizes the engine reads.
#include <gtest/gtest.h>
#include <png.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/assetconv/assetconv.h"

namespace ac = zudezed::assetconv;

namespace {

// An 8-bit image whose samples are given as 0..255 values.
ac::Image Make(int w, int h, int channels, const std::vector<int>& v8) {
  ac::Image img;
  img.width = w;
  img.height = h;
  img.channels = channels;
  for (int v : v8) img.samples.push_back(static_cast<uint16_t>(v * 257));
  img.samples.resize(static_cast<size_t>(w) * h * channels, 0);
  return img;
}

void SetRgb(ac::Image& img, int x, int y, int r, int g, int b, int a = 255) {
  const size_t i = (static_cast<size_t>(y) * img.width + x) * img.channels;
  img.samples[i] = static_cast<uint16_t>(r * 257);
  img.samples[i + 1] = static_cast<uint16_t>(g * 257);
  img.samples[i + 2] = static_cast<uint16_t>(b * 257);
  if (img.channels == 4) img.samples[i + 3] = static_cast<uint16_t>(a * 257);
}

// The message of the AssetError that f throws (fails the test if none is thrown).
template <typename F>
std::string Error(F f) {
  try {
    f();
  } catch (const ac::AssetError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no AssetError";
  return "";
}

std::string TempDir() {
  const auto d = std::filesystem::temp_directory_path() /
                 ("assetconv_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(d);
  return d.string();
}

// Writes a PNG of the given libpng colour type with all samples `value`.
void WritePng(const std::string& path, int w, int h, int type, int depth, int channels, int value) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, w, h, depth, type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color pal[2] = {{0, 0, 0}, {255, 255, 255}};
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, pal, 2);
  png_write_info(png, info);
  const int bytes = depth / 8 * channels * w;
  std::vector<png_byte> row(static_cast<size_t>(bytes), static_cast<png_byte>(value));
  for (int y = 0; y < h; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

// Glyph art for the 8 x 8 font: every glyph blank except as `edit` changes it.
std::string Bitfont(int skip_code = -1, int short_code = -1) {
  std::string t = "; test font\n";
  for (int c = 32; c <= 90; ++c) {
    if (c == skip_code) continue;
    t += "glyph " + std::to_string(c) + " ; comment\n";
    const int rows = c == short_code ? 7 : 8;
    for (int r = 0; r < rows; ++r) {
      if (c == 'A' && r == 0) {
        t += "#......#\n";
      } else if (c == 'A' && r == 7) {
        t += ".#.#.#.#\n";
      } else {
        t += "........\n";
      }
    }
  }
  return t;
}

// Glyph art for the 16 x 16 font with the given header of each glyph n (default: the
// glyph number alone) and rows from `row(n, r)`.
template <typename Head, typename Row>
std::string Font16(Head head, Row row) {
  std::string t;
  for (int n = 0; n <= 85; ++n) {
    t += head(n) + "\n";
    for (int r = 0; r < 16; ++r) t += row(n, r) + "\n";
  }
  return t;
}
std::string Blank16(int, int) { return std::string(16, '.'); }
std::string Head(int n) { return "glyph " + std::to_string(n); }

}  // namespace

TEST(AssetconvPixels, PacksFiveBitsPerComponentAboveTheIntensityBit) {
  ac::Image img = Make(6, 1, 3, {});
  SetRgb(img, 0, 0, 255, 0, 0);
  SetRgb(img, 1, 0, 0, 255, 0);
  SetRgb(img, 2, 0, 0, 0, 255);
  SetRgb(img, 3, 0, 7, 8, 15);    // below one step, exactly one step, just under two
  SetRgb(img, 4, 0, 255, 255, 255);
  EXPECT_EQ(ac::Pixel555(img, 0, 0), 0xF800);
  EXPECT_EQ(ac::Pixel555(img, 1, 0), 0x07C0);
  EXPECT_EQ(ac::Pixel555(img, 2, 0), 0x003E);
  EXPECT_EQ(ac::Pixel555(img, 3, 0), (0 << 11) | (1 << 6) | (1 << 1));
  EXPECT_EQ(ac::Pixel555(img, 4, 0), 0xFFFE);
  EXPECT_EQ(ac::Pixel555(img, 5, 0), 0);  // black in an opaque picture is 0
}

TEST(AssetconvPixels, AlphaMakesTransparentZeroAndKeepsOpaqueBlackVisible) {
  ac::Image img = Make(3, 1, 4, {});
  SetRgb(img, 0, 0, 255, 255, 255, 127);  // below half: transparent whatever its colour
  SetRgb(img, 1, 0, 0, 0, 0, 255);        // opaque black must not read as transparent
  SetRgb(img, 2, 0, 255, 0, 0, 128);
  EXPECT_EQ(ac::Pixel555(img, 0, 0), 0);
  EXPECT_EQ(ac::Pixel555(img, 1, 0), 1);
  EXPECT_EQ(ac::Pixel555(img, 2, 0), 0xF800);
}

TEST(AssetconvPictures, StoresColumnsLeftToRightEachBottomUp) {
  ac::Image img = Make(3, 2, 3, {});
  // Pixel (x, y) gets red = x + 1 steps and blue = y + 1 steps, so each is unique.
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) SetRgb(img, x, y, (x + 1) * 8, 0, (y + 1) * 8);
  const auto out = ac::ConvertPicture(img, {3, 2, 0, 0, false, false}, "p.png");
  ASSERT_EQ(out.size(), 6u);
  const auto pix = [](int x, int y) { return static_cast<uint16_t>((x + 1) << 11 | (y + 1) << 1); };
  EXPECT_EQ(out[0], pix(0, 1));  // element 0: bottom-left
  EXPECT_EQ(out[1], pix(0, 0));
  EXPECT_EQ(out[2], pix(1, 1));
  EXPECT_EQ(out[5], pix(2, 0));  // last element: top-right
}

TEST(AssetconvPictures, RejectsWrongSizeColourTypeBorderAndUnstoredPixel) {
  ac::Image rgb = Make(4, 2, 3, {});
  EXPECT_EQ(Error([&] { ac::ConvertPicture(rgb, {5, 2, 0, 0, false, false}, "a.png"); }),
            "a.png: wrong size 4 x 2, need 5 x 2");
  EXPECT_NE(Error([&] { ac::ConvertPicture(rgb, {4, 2, 0, 0, true, false}, "a.png"); })
                .find("a.png: wrong colour type RGB, need RGBA"),
            std::string::npos);
  ac::Image grey = Make(4, 2, 1, {});
  EXPECT_NE(Error([&] { ac::ConvertPicture(grey, {4, 2, 0, 0, false, false}, "g.png"); })
                .find("g.png: wrong colour type grey"),
            std::string::npos);

  // A 12 x 8 caption with a border of 5 columns and 3 rows: (5, 3) and (6, 4) are
  // inside, (4, 3) and (5, 5) are in the border.
  ac::Image cap = Make(12, 8, 4, {});
  SetRgb(cap, 5, 3, 255, 255, 255);
  SetRgb(cap, 6, 4, 255, 255, 255);
  const ac::PictureRules rules{12, 8, 5, 3, true, false};
  EXPECT_EQ(ac::ConvertPicture(cap, rules, "c.png")[5 * 8 + (7 - 3)], 0xFFFE);
  ac::Image left = cap;
  SetRgb(left, 4, 3, 255, 0, 0);
  EXPECT_NE(Error([&] { ac::ConvertPicture(left, rules, "c.png"); }).find("c.png: pixel (4, 3)"),
            std::string::npos);
  ac::Image low = cap;
  SetRgb(low, 5, 5, 255, 0, 0);
  EXPECT_NE(Error([&] { ac::ConvertPicture(low, rules, "c.png"); }).find("transparent border"),
            std::string::npos);

  // The unstored last element: the top-right pixel must be black, and is then 0.
  ac::Image pic = Make(3, 2, 3, {});
  SetRgb(pic, 0, 0, 255, 255, 255);
  EXPECT_EQ(ac::ConvertPicture(pic, {3, 2, 0, 0, false, true}, "q.png").back(), 0);
  SetRgb(pic, 2, 0, 0, 8, 0);
  EXPECT_NE(Error([&] { ac::ConvertPicture(pic, {3, 2, 0, 0, false, true}, "q.png"); })
                .find("q.png: the top-right pixel (2, 0) is not stored"),
            std::string::npos);
}

TEST(AssetconvTextures, StoresRowsBottomUpAndChecksTheUnstoredTexel) {
  ac::Image img = Make(2, 3, 3, {});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) SetRgb(img, x, y, (x + 1) * 8, (y + 1) * 8, 0);
  const auto out = ac::ConvertTexture(img, 2, 3, 6, "t.png");
  const auto pix = [](int x, int y) { return static_cast<uint16_t>((x + 1) << 11 | (y + 1) << 6); };
  EXPECT_EQ(out[0], pix(0, 2));  // texel (0, 0): bottom-left
  EXPECT_EQ(out[1], pix(1, 2));  // texel (1, 0)
  EXPECT_EQ(out[2], pix(0, 1));  // texel (0, 1), one row up
  EXPECT_EQ(out[5], pix(1, 0));  // the last texel: top-right

  // One texel short: the missing last texel must equal its left neighbour.
  EXPECT_NE(Error([&] { ac::ConvertTexture(img, 2, 3, 5, "e.png"); }).find("e.png: the last texel"),
            std::string::npos);
  SetRgb(img, 1, 0, 8, 8, 0);  // now equal to (0, 0)
  const auto kept = ac::ConvertTexture(img, 2, 3, 5, "e.png");
  EXPECT_EQ(kept[5], kept[4]);
  EXPECT_NE(Error([&] { ac::ConvertTexture(img, 2, 3, 4, "e.png"); }).find("only the last texel"),
            std::string::npos);
  EXPECT_EQ(Error([&] { ac::ConvertTexture(img, 3, 3, 9, "e.png"); }),
            "e.png: wrong size 2 x 3, need 3 x 3");
}

TEST(AssetconvBall, ColoursAsFifteenBitsAfterTwoUnusedBytesAndShadesColumnMajor) {
  ac::Image colours = Make(16, 16, 3, {});
  SetRgb(colours, 15, 1, 0, 255, 0);    // colour 31: full green
  SetRgb(colours, 0, 0, 255, 0, 0);     // colour 0
  SetRgb(colours, 14, 15, 0, 0, 255);   // colour 254, the last stored
  ac::Image shades = Make(16, 16, 1, {});
  shades.samples[0 * 16 + 2] = 255 * 257;  // (2, 0): top of column 2 -> shade 16
  shades.samples[15 * 16 + 2] = 128 * 257; // (2, 15): bottom of column 2 -> shade 8
  shades.samples[7 * 16 + 0] = 24 * 257;   // rounds to shade 2
  const auto out = ac::ConvertBall(colours, shades, "c.png", "s.png");
  ASSERT_EQ(out.size(), 768u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2] | out[3] << 8, 31 << 10);           // colour 0, red bits 14..10
  EXPECT_EQ(2 * (out[64] + 256 * out[65]), 0x07C0);    // colour 31 as the engine widens it
  EXPECT_EQ(out[510] | out[511] << 8, 31);             // colour 254, blue
  EXPECT_EQ(out[512 + 2 * 16 + 15], 16);
  EXPECT_EQ(out[512 + 2 * 16 + 0], 8);
  EXPECT_EQ(out[512 + 0 * 16 + 8], 2);

  SetRgb(colours, 15, 15, 8, 0, 0);
  EXPECT_NE(Error([&] { ac::ConvertBall(colours, shades, "c.png", "s.png"); })
                .find("c.png: colour 255"),
            std::string::npos);
  EXPECT_NE(Error([&] { ac::ConvertBall(colours, colours, "c.png", "s.png"); })
                .find("s.png: wrong colour type"),
            std::string::npos);
}

TEST(AssetconvFonts, BitfontRowsAreBytesWithBitSevenLeftmost) {
  const auto out = ac::ConvertBitfont(Bitfont(), "f.txt");
  ASSERT_EQ(out.size(), 472u);
  EXPECT_EQ(out[(65 - 32) * 8 + 0], 0x81);
  EXPECT_EQ(out[(65 - 32) * 8 + 7], 0x55);
  EXPECT_EQ(out[(65 - 32) * 8 + 1], 0x00);
  EXPECT_EQ(out[(66 - 32) * 8 + 0], 0x00);
}

TEST(AssetconvFonts, BitfontRejections) {
  EXPECT_EQ(Error([] { ac::ConvertBitfont(Bitfont(-1, 'Q'), "f.txt"); }),
            "f.txt: glyph 81 has 7 rows, need 8");
  EXPECT_NE(Error([] { ac::ConvertBitfont(Bitfont('Z'), "f.txt"); }).find("58 glyphs, need 59"),
            std::string::npos);
  std::string swapped = Bitfont();
  swapped.replace(swapped.find("glyph 40"), 8, "glyph 41");
  EXPECT_NE(Error([&] { ac::ConvertBitfont(swapped, "f.txt"); }).find("expected \"glyph 40\""),
            std::string::npos);
  std::string bad = Bitfont();
  bad.replace(bad.find("#......#"), 8, "#..x...#");
  EXPECT_NE(Error([&] { ac::ConvertBitfont(bad, "f.txt"); }).find("'x' is neither"),
            std::string::npos);
  std::string wide = Bitfont();
  wide.replace(wide.find("#......#"), 8, "#.......#");
  EXPECT_NE(Error([&] { ac::ConvertBitfont(wide, "f.txt"); }).find("9 pixels wide, need 8"),
            std::string::npos);
}

TEST(AssetconvFonts, Font16MapAndGlyphBlocks) {
  const auto head = [](int n) {
    if (n == 1) return std::string("glyph 1 65");
    if (n == 85) return std::string("glyph 85 94 ; heart");
    if (n == 27) return std::string("glyph 27 97 98");
    return Head(n);
  };
  const auto row = [](int n, int r) {
    if (n == 1 && r == 2) return std::string("...f.........1.9");
    if (n == 85 && r == 15) return std::string("a..............b");
    return Blank16(n, r);
  };
  const auto out = ac::ConvertFont16(Font16(head, row), "g.txt");
  ASSERT_EQ(out.size(), 22272u);
  EXPECT_EQ(out[65], 1);
  EXPECT_EQ(out[94], 85);
  EXPECT_EQ(out[97], 27);
  EXPECT_EQ(out[98], 27);
  EXPECT_EQ(out[32], 0);
  EXPECT_EQ(out[2 * 256 + 2 * 16 + 3], 15);   // block 2 is glyph 1: row 2, column 3
  EXPECT_EQ(out[2 * 256 + 2 * 16 + 13], 1);
  EXPECT_EQ(out[2 * 256 + 2 * 16 + 15], 9);
  EXPECT_EQ(out[86 * 256 + 15 * 16 + 0], 10);  // the last block, bottom row
  EXPECT_EQ(out[86 * 256 + 15 * 16 + 15], 11);
}

TEST(AssetconvFonts, Font16Rejections) {
  const auto dup = [](int n) {
    return n == 1 || n == 2 ? "glyph " + std::to_string(n) + " 65" : Head(n);
  };
  EXPECT_EQ(Error([&] { ac::ConvertFont16(Font16(dup, Blank16), "g.txt"); }),
            "g.txt: character code 65 is given to glyph 1 and glyph 2");
  const auto code0 = [](int n) { return n == 3 ? std::string("glyph 3 0") : Head(n); };
  EXPECT_NE(Error([&] { ac::ConvertFont16(Font16(code0, Blank16), "g.txt"); })
                .find("character code 0 outside 1..255"),
            std::string::npos);
  const auto ink0 = [](int n, int r) {
    return n == 0 && r == 4 ? std::string("......1.........") : Blank16(n, r);
  };
  EXPECT_NE(Error([&] { ac::ConvertFont16(Font16(Head, ink0), "g.txt"); }).find("glyph 0 must be empty"),
            std::string::npos);
  const auto digit = [](int n, int r) {
    return n == 9 && r == 4 ? std::string("......g.........") : Blank16(n, r);
  };
  EXPECT_NE(Error([&] { ac::ConvertFont16(Font16(Head, digit), "g.txt"); })
                .find("glyph 9 row 4: 'g' is not an intensity digit"),
            std::string::npos);
  std::string art = Font16(Head, Blank16);
  art.erase(art.find("glyph 5\n") + 8, 17);  // glyph 5 loses a row
  EXPECT_EQ(Error([&] { ac::ConvertFont16(art, "g.txt"); }), "g.txt: glyph 5 has 15 rows, need 16");
}

TEST(AssetconvMeshes, HeaderPointsLinesPolygonsAndPadding) {
  const std::string obj =
      "# a tetrahedron\no tet\n"
      "v -64 0 63\nv 0 1 -1\nv 10 -10 20\nv 5 5 5\n"
      "l 1 2\nl 2 3\n"
      "f 1 2 3\nf 1/1 3/2 4/3\nf 2 4 3\nf 1 4 2\n";
  const auto out = ac::ConvertMesh(obj, 80, "m.obj");
  ASSERT_EQ(out.size(), 80u);
  const size_t bytes = 6 + 3 * 4 + 4 * 2 + 6 * 4;
  EXPECT_EQ(out[0] | out[1] << 8, 4);
  EXPECT_EQ(out[2] | out[3] << 8, 2);
  EXPECT_EQ(out[4] | out[5] << 8, 4);
  // Points decode with the loader's (b - 128) >> 1.
  const int expect[12] = {-64, 0, 63, 0, 1, -1, 10, -10, 20, 5, 5, 5};
  for (int i = 0; i < 12; ++i) EXPECT_EQ((out[6 + i] - 128) >> 1, expect[i]) << i;
  EXPECT_EQ(out[18] | out[19] << 8, 0);  // line 1: points 0, 1
  EXPECT_EQ(out[20] | out[21] << 8, 1);
  EXPECT_EQ(out[22] | out[23] << 8, 1);  // line 2: points 1, 2
  EXPECT_EQ(out[24] | out[25] << 8, 2);
  // Polygon 2 (f 1/1 3/2 4/3) keeps the file's order: 0, 2, 3.
  EXPECT_EQ(out[26 + 6] | out[27 + 6] << 8, 0);
  EXPECT_EQ(out[28 + 6] | out[29 + 6] << 8, 2);
  EXPECT_EQ(out[30 + 6] | out[31 + 6] << 8, 3);
  for (size_t i = bytes; i < out.size(); ++i) EXPECT_EQ(out[i], 0) << i;
  EXPECT_EQ(ac::ConvertMesh(obj, bytes, "m.obj").size(), bytes);
}

TEST(AssetconvMeshes, CoordinateByteRoundTripsEveryModelCoordinate) {
  for (int m = -64; m <= 63; ++m) {
    const int b = ac::CoordByte(m);
    EXPECT_EQ((b - 128) >> 1, m);
  }
  EXPECT_EQ(ac::CoordByte(-64), 0);
  EXPECT_EQ(ac::CoordByte(0), 128);
}

TEST(AssetconvMeshes, Rejections) {
  const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  const auto err = [](const std::string& obj, size_t size = 100) {
    return Error([&] { ac::ConvertMesh(obj, size, "m.obj"); });
  };
  EXPECT_EQ(err(tri + "f 1 2 4\n"), "m.obj: line 4: index 4 out of range 1..3");
  EXPECT_EQ(err(tri + "f 0 1 2\n"), "m.obj: line 4: index 0 out of range 1..3");
  EXPECT_EQ(err(tri + "f 1 2 3\nl 1 -1\n"), "m.obj: line 5: index -1 out of range 1..3");
  EXPECT_EQ(err("v 0 0 64\n"), "m.obj: line 1: coordinate 64 outside -64..63");
  EXPECT_EQ(err("v -65 0 0\n"), "m.obj: line 1: coordinate -65 outside -64..63");
  EXPECT_EQ(err("v 0 0.5 0\n"), "m.obj: line 1: coordinate 0.5 is not a whole number");
  EXPECT_EQ(err("v 0 0\n"), "m.obj: line 1: a point needs 3 coordinates, has 2");
  EXPECT_EQ(err(tri + "v 1 1 0\nf 1 2 3 4\n"), "m.obj: line 5: polygons are triangles, this one has 4 points");
  EXPECT_EQ(err(tri + "vt 0 0\n"), "m.obj: line 4: record \"vt\" is not stored (use v, l, f)");
  EXPECT_EQ(err(tri + "v 5 5 5\nf 1 2 3\n"), "m.obj: point 4 belongs to no polygon");
}

TEST(AssetconvMeshes, RejectsOversizeMeshesCountsOver16BitsAndCrowdedPoints) {
  const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  EXPECT_EQ(Error([&] { ac::ConvertMesh(tri, 20, "m.obj"); }),
            "m.obj: the mesh takes 21 bytes, the array holds 20");
  std::string many = tri;
  for (int i = 0; i < 65536; ++i) many += "l 1 2\n";
  EXPECT_EQ(Error([&] { ac::ConvertMesh(many, 1 << 20, "m.obj"); }),
            "m.obj: 65536 lines do not fit the 16-bit count");
  std::string crowded = tri;
  for (int i = 0; i < 255; ++i) crowded += "f 1 2 3\n";  // 256 polygons on each point
  EXPECT_EQ(Error([&] { ac::ConvertMesh(crowded, 1 << 20, "m.obj"); }),
            "m.obj: point 1 belongs to 256 polygons, at most 255");
}

TEST(AssetconvFiles, ReadsPngsAndRejectsOtherColourTypesAndNonPngs) {
  const std::string dir = TempDir();
  const std::string rgb16 = dir + "/rgb16.png", pal = dir + "/pal.png", ga = dir + "/ga.png",
                    txt = dir + "/not.png";
  WritePng(rgb16, 2, 2, PNG_COLOR_TYPE_RGB, 16, 3, 0xFF);
  WritePng(pal, 2, 2, PNG_COLOR_TYPE_PALETTE, 8, 1, 1);
  WritePng(ga, 2, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2, 9);
  std::ofstream(txt) << "hello";
  const ac::Image img = ac::ReadPng(rgb16);
  EXPECT_EQ(img.channels, 3);
  EXPECT_EQ(img.width, 2);
  EXPECT_EQ(ac::Pixel555(img, 1, 1), 0xFFFE);
  EXPECT_NE(Error([&] { ac::ReadPng(pal); }).find(pal + ": wrong colour type"), std::string::npos);
  EXPECT_NE(Error([&] { ac::ReadPng(ga); }).find(ga + ": wrong colour type"), std::string::npos);
  EXPECT_EQ(Error([&] { ac::ReadPng(txt); }), txt + ": not a PNG file");
  EXPECT_NE(Error([&] { ac::ReadPng(dir + "/missing.png"); }).find("cannot open"), std::string::npos);
  std::filesystem::remove_all(dir);
}

#ifdef ZUDEZED_ASSETCONV
TEST(AssetconvFiles, TheProgramFailsWithOneLineNamingTheFileAndWritesNothing) {
  const std::string dir = TempDir();
  const std::string obj = dir + "/bad.obj", out = dir + "/out.cpp", log = dir + "/log.txt";
  std::ofstream(obj) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n";
  const std::string cmd = std::string(ZUDEZED_ASSETCONV) + " teapot " + out + " " + obj + " 2>" + log;
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc));
  EXPECT_EQ(WEXITSTATUS(rc), 1);
  std::ifstream in(log);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "assetconv: error: " + obj + ": line 4: index 9 out of range 1..3\n");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(out + ".tmp"));
  std::filesystem::remove_all(dir);
}
#endif

// ---------------------------------------------------------------------------------
// The committed sources.

namespace {

std::string Src(const std::string& name) { return std::string(ZUDEZED_SOURCE_DIR) + "/assets/" + name; }

// The mesh as decoded by the engine's loader.
struct Decoded {
  std::vector<std::array<int, 3>> pts;
  std::vector<std::array<int, 2>> lns;
  std::vector<std::array<int, 3>> pls;
  size_t bytes = 0;
};
Decoded Decode(const std::vector<uint8_t>& d) {
  Decoded m;
  const auto u16 = [&](size_t o) { return d[o] | d[o + 1] << 8; };
  const int P = u16(0), L = u16(2), N = u16(4);
  size_t o = 6;
  for (int i = 0; i < P; ++i, o += 3) m.pts.push_back({(d[o] - 128) >> 1, (d[o + 1] - 128) >> 1, (d[o + 2] - 128) >> 1});
  for (int i = 0; i < L; ++i, o += 4) m.lns.push_back({u16(o), u16(o + 2)});
  for (int i = 0; i < N; ++i, o += 6) m.pls.push_back({u16(o), u16(o + 2), u16(o + 4)});
  m.bytes = o;
  return m;
}

// Polygon normal by the right-hand rule of the stored order.
std::array<long, 3> Normal(const Decoded& m, const std::array<int, 3>& p) {
  const auto& a = m.pts[p[0]];
  const auto& b = m.pts[p[1]];
  const auto& c = m.pts[p[2]];
  const long ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
  const long vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
  return {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
}

void ExpectSoundMesh(const Decoded& m) {
  std::vector<int> uses(m.pts.size(), 0);
  std::set<std::pair<int, int>> edges;
  for (const auto& p : m.pls) {
    for (int k = 0; k < 3; ++k) {
      ASSERT_LT(static_cast<size_t>(p[k]), m.pts.size());
      ++uses[p[k]];
      const int a = p[k], b = p[(k + 1) % 3];
      edges.insert({std::min(a, b), std::max(a, b)});
    }
  }
  for (size_t i = 0; i < uses.size(); ++i) {
    EXPECT_GE(uses[i], 1) << "point " << i;
    EXPECT_LE(uses[i], 255) << "point " << i;
  }
  std::set<std::pair<int, int>> lines;
  for (const auto& l : m.lns) {
    EXPECT_TRUE(edges.count({std::min(l[0], l[1]), std::max(l[0], l[1])})) << "line " << l[0] << "-" << l[1] << " is no polygon edge";
    EXPECT_TRUE(lines.insert({std::min(l[0], l[1]), std::max(l[0], l[1])}).second) << "line drawn twice";
  }
}

}  // namespace

TEST(AssetconvCommitted, EveryArrayConvertsToItsSpecifiedSize) {
  const std::string dir = TempDir();
  const struct {
    const char* array;
    std::vector<std::string> sources;
    size_t bytes;
  } all[] = {
      {"bitfonts", {"bitfonts.txt"}, 472},
      {"fonts16", {"fonts16.txt"}, 22272},
      {"ball", {"gp32ball_colours.png", "gp32ball_shades.png"}, 768},
      {"quib0", {"quib0.png"}, 153598},
      {"tavrimel", {"tavrimel.png"}, 32256},
      {"presents", {"presents.png"}, 8192},
      {"kavrel", {"kavrel.png"}, 32768},
      {"kavrel_top", {"kavrel_top.png"}, 32768},
      {"kavrel_bottom", {"kavrel_bottom.png"}, 32768},
      {"env1", {"env1.png"}, 8190},
      {"face3do", {"face.obj"}, 11065},
      {"teapot", {"teapot.obj"}, 3361},
  };
  for (const auto& a : all) {
    std::vector<std::string> srcs;
    for (const auto& s : a.sources) srcs.push_back(Src(s));
    const std::string out = dir + "/" + a.array + ".cpp";
    EXPECT_EQ(ac::ConvertArray(a.array, srcs, out), a.bytes) << a.array;
    std::ifstream in(out);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(std::string("> ") + a.array + " = {"), std::string::npos) << a.array;
  }
  std::filesystem::remove_all(dir);
}

TEST(AssetconvCommitted, LargeFontCharacterMap) {
  const auto f = ac::ConvertFont16(ac::ReadText(Src("fonts16.txt")), "fonts16.txt");
  std::array<int, 256> want{};
  for (int c = 65; c <= 90; ++c) want[c] = c - 64;
  for (int c = 97; c <= 122; ++c) want[c] = c - 70;
  for (int c = 49; c <= 57; ++c) want[c] = c + 4;
  want[48] = 62;
  const int punct[][2] = {{33, 63}, {36, 79}, {37, 82}, {38, 64}, {39, 75}, {40, 65}, {41, 66},
                          {42, 78}, {43, 72}, {44, 70}, {45, 67}, {46, 69}, {47, 73}, {58, 68},
                          {60, 83}, {61, 71}, {62, 84}, {63, 77}, {64, 80}, {92, 74}, {94, 85},
                          {126, 81}};
  for (const auto& p : punct) want[p[0]] = p[1];
  for (int c = 0; c < 256; ++c) EXPECT_EQ(f[c], want[c]) << "code " << c;
  // Every mapped glyph has ink; glyph 0 (block 1) has none.
  for (int c = 0; c < 256; ++c) {
    if (want[c] == 0) continue;
    int ink = 0;
    for (int i = 0; i < 256; ++i) ink += f[(want[c] + 1) * 256 + i] != 0;
    EXPECT_GT(ink, 8) << "code " << c;
  }
  for (int i = 0; i < 256; ++i) EXPECT_EQ(f[256 + i], 0);
}

TEST(AssetconvCommitted, SmallFontHasInkForEveryCaptionCharacter) {
  const auto f = ac::ConvertBitfont(ac::ReadText(Src("bitfonts.txt")), "bitfonts.txt");
  const std::string used = "PRECALCULATING SINES....AND MORE SINES RADIUS AND ANGLE FOR EACH PIXEL!"
                           "TRICKY TEST..SLOW THE EGGS. (0123456789/) FPS = ";
  std::set<char> distinct;
  for (char c : used) {
    int ink = 0;
    for (int r = 0; r < 8; ++r) ink += f[(c - 32) * 8 + r] != 0;
    if (c == ' ') {
      EXPECT_EQ(ink, 0);
    } else {
      EXPECT_GT(ink, 0) << "'" << c << "'";
    }
  }
  // Distinct letters look different.
  std::set<std::vector<uint8_t>> shapes;
  for (int c = 33; c <= 90; ++c) shapes.insert(std::vector<uint8_t>(f.begin() + (c - 32) * 8, f.begin() + (c - 31) * 8));
  EXPECT_EQ(shapes.size(), 58u);
}

TEST(AssetconvCommitted, BallRampsAndSprite) {
  const auto b = ac::ConvertBall(ac::ReadPng(Src("gp32ball_colours.png")), ac::ReadPng(Src("gp32ball_shades.png")),
                                 "c", "s");
  const auto colour = [&](int e) { return 2 * (b[2 * e + 2] + 256 * b[2 * e + 3]); };
  EXPECT_EQ(colour(16), 0);
  EXPECT_EQ(colour(31), 0x07C0);
  // Each group brightens from entry 1 to entry 15 in every component, and its
  // brightest entry is well above its darkest.
  for (int g = 0; g < 16; ++g) {
    const auto sum = [&](int p) { return (p >> 11) + ((p >> 6) & 31) + ((p >> 1) & 31); };
    EXPECT_GT(sum(colour(16 * g + (g == 15 ? 14 : 15))), sum(colour(16 * g + 1)) + 20) << g;
    for (int s = 2; s < 16 && 16 * g + s < 255; ++s) {
      const int p = colour(16 * g + s - 1), q = colour(16 * g + s);
      EXPECT_LE(p >> 11, q >> 11);
      EXPECT_LE((p >> 6) & 31, (q >> 6) & 31);
      EXPECT_LE((p >> 1) & 31, (q >> 1) & 31);
    }
  }
  // The sprite: transparent corners, a lit disc up to shade 14 and no brighter: the
  // last group's shade 15 would read palette entry 255, which is black.
  const auto shade = [&](int u, int v) { return b[512 + u * 16 + v]; };
  EXPECT_EQ(shade(0, 0), 0);
  EXPECT_EQ(shade(15, 15), 0);
  EXPECT_EQ(shade(0, 15), 0);
  int lit = 0, top = 0;
  for (int i = 0; i < 256; ++i) {
    lit += b[512 + i] != 0;
    top = std::max<int>(top, b[512 + i]);
  }
  EXPECT_GT(lit, 150);
  EXPECT_LT(lit, 200);
  EXPECT_EQ(top, 14);
}

TEST(AssetconvCommitted, FaceHeadSizeExtentClosedAndWoundOutwards) {
  const auto d = ac::ConvertMesh(ac::ReadText(Src("face.obj")), 11065, "face.obj");
  const Decoded m = Decode(d);
  EXPECT_LE(m.bytes, 11065u);
  EXPECT_NEAR(static_cast<double>(m.pts.size()), 430, 43);
  EXPECT_NEAR(static_cast<double>(m.lns.size()), 1234, 124);
  EXPECT_NEAR(static_cast<double>(m.pls.size()), 805, 81);
  int lo[3] = {99, 99, 99}, hi[3] = {-99, -99, -99};
  for (const auto& p : m.pts)
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  EXPECT_GE(lo[0], -28);
  EXPECT_LE(hi[0], 16);
  EXPECT_GE(lo[1], -30);
  EXPECT_LE(hi[1], 30);
  EXPECT_GE(lo[2], -63);
  EXPECT_LE(hi[2], 31);
  EXPECT_EQ(hi[0], 16) << "the nose tip reaches the front";
  ExpectSoundMesh(m);
  // A closed head, wound one way: every edge is used once in each direction, so the
  // cull never shows a hole or the inside.
  std::map<std::pair<int, int>, int> directed;
  for (const auto& p : m.pls)
    for (int k = 0; k < 3; ++k) ++directed[{p[k], p[(k + 1) % 3]}];
  for (const auto& [e, n] : directed) {
    EXPECT_EQ(n, 1) << e.first << "-" << e.second;
    const auto back = directed.find({e.second, e.first});
    EXPECT_TRUE(back != directed.end() && back->second == 1)
        << e.first << "-" << e.second << " is an open edge";
  }
  // Counter-clockwise seen from outside: the normals point outwards, so the enclosed
  // volume comes out positive; and the face itself (in front of the eyes) faces forwards.
  int64_t volume6 = 0;
  size_t front = 0, forward = 0;
  for (const auto& p : m.pls) {
    const auto& a = m.pts[p[0]];
    const auto& b = m.pts[p[1]];
    const auto& c = m.pts[p[2]];
    volume6 += int64_t{a[0]} * (b[1] * c[2] - b[2] * c[1]) - int64_t{a[1]} * (b[0] * c[2] - b[2] * c[0]) +
               int64_t{a[2]} * (b[0] * c[1] - b[1] * c[0]);
    if (a[0] > 4 && b[0] > 4 && c[0] > 4) {
      ++front;
      forward += Normal(m, p)[0] > 0;
    }
  }
  EXPECT_GT(volume6, 6 * 30000) << "wound outwards, the head encloses a head's volume";
  EXPECT_GT(front, 60u);
  EXPECT_GT(forward, front * 8 / 10);
}

TEST(AssetconvCommitted, TeapotFillsItsBytesExactlyAndWindsClockwise) {
  const auto d = ac::ConvertMesh(ac::ReadText(Src("teapot.obj")), 3361, "teapot.obj");
  const Decoded m = Decode(d);
  EXPECT_EQ(m.bytes, 3361u);
  EXPECT_NEAR(static_cast<double>(m.pts.size()), 137, 14);
  EXPECT_NEAR(static_cast<double>(m.lns.size()), 376, 38);
  EXPECT_NEAR(static_cast<double>(m.pls.size()), 240, 24);
  for (const auto& p : m.pts) {
    EXPECT_GE(p[0], -56);
    EXPECT_LE(p[0], 63);
    EXPECT_GE(p[1], -34);
    EXPECT_LE(p[1], 25);
    EXPECT_GE(p[2], -37);
    EXPECT_LE(p[2], 37);
  }
  ExpectSoundMesh(m);
  // Clockwise seen from outside: on the body, lid and knob (clear of the spout from
  // x = 18 and of the handle below x = -30) every normal points towards the pot's
  // middle (0, -5, 0), which all of that surface is drawn around.
  size_t inward = 0, body = 0;
  for (const auto& p : m.pls) {
    double c[3] = {0, 0, 0};
    bool on_body = true;
    for (int k : p) {
      for (int i = 0; i < 3; ++i) c[i] += m.pts[k][i] / 3.0;
      on_body = on_body && std::abs(m.pts[k][0]) <= 18;
    }
    if (!on_body) continue;
    ++body;
    const auto n = Normal(m, p);
    inward += n[0] * c[0] + n[1] * (c[1] + 5) + n[2] * c[2] < 0;
  }
  EXPECT_GT(body, 60u);
  EXPECT_EQ(inward, body);
}

TEST(AssetconvCommitted, PicturesKeepTheirTransparentAndUnstoredParts) {
  const auto logo = ac::ConvertPicture(ac::ReadPng(Src("tavrimel.png")), {192, 84, 0, 0, true, false}, "t");
  size_t ink = 0;
  for (uint16_t p : logo) ink += p != 0;
  EXPECT_GT(ink, logo.size() / 5) << "lettering";
  EXPECT_LT(ink, logo.size() * 4 / 5) << "on a transparent background";
  const auto quib = ac::ConvertPicture(ac::ReadPng(Src("quib0.png")), {320, 240, 0, 0, false, true}, "q");
  EXPECT_EQ(quib.back(), 0);
  // Column 0 is a pattern of bands, not a flat colour.
  std::set<uint16_t> col0(quib.begin(), quib.begin() + 240);
  EXPECT_GT(col0.size(), 40u);
}
