#include "tools/assetconv/assetconv.h"

#include <png.h>

#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zudezed::assetconv {

namespace {

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
  throw AssetError(name + ": " + what);
}

std::string Num(long long v) { return std::to_string(v); }

// The widest and tallest PNG the converter decodes.
constexpr png_uint_32 kMaxPngSide = 4096;

}  // namespace

// ---------------------------------------------------------------------------------
// PNG input

Image ReadPng(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) Fail(path, std::string("cannot open: ") + std::strerror(errno));
  unsigned char sig[8] = {};
  if (std::fread(sig, 1, 8, f) != 8 || png_sig_cmp(sig, 0, 8) != 0) {
    std::fclose(f);
    Fail(path, "not a PNG file");
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    std::fclose(f);
    Fail(path, "out of memory");
  }
  // Everything that must survive a longjmp lives outside the setjmp scope.
  Image img;
  std::vector<png_byte> raw;
  std::vector<png_bytep> rows;
  int colour = -1, depth = 0;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    Fail(path, "corrupt PNG data");
  }
  png_init_io(png, f);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  // The header alone can claim any size up to libpng's million-pixel sides; decoding
  // allocates the whole image first. No source of the demo comes near the limit (the
  // largest is 320 x 240), so a larger header is refused before anything is allocated.
  const png_uint_32 claimed_w = png_get_image_width(png, info);
  const png_uint_32 claimed_h = png_get_image_height(png, info);
  if (claimed_w > kMaxPngSide || claimed_h > kMaxPngSide) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    Fail(path, "too large: " + Num(claimed_w) + " x " + Num(claimed_h) + " pixels, at most " +
                   Num(kMaxPngSide) + " x " + Num(kMaxPngSide));
  }
  colour = png_get_color_type(png, info);
  depth = png_get_bit_depth(png, info);
  int channels = 0;
  if (colour == PNG_COLOR_TYPE_GRAY && depth >= 8) channels = 1;
  if (colour == PNG_COLOR_TYPE_RGB) channels = 3;
  if (colour == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
  if (channels == 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    Fail(path, "wrong colour type (palette or grey with alpha or below 8 bits); "
               "save it as 8/16-bit grey, RGB or RGBA");
  }
  if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
  if (depth == 16) png_set_swap(png);  // little-endian 16-bit samples
  png_read_update_info(png, info);
  img.width = static_cast<int>(png_get_image_width(png, info));
  img.height = static_cast<int>(png_get_image_height(png, info));
  img.channels = channels;
  const size_t rowbytes = png_get_rowbytes(png, info);
  raw.resize(rowbytes * static_cast<size_t>(img.height));
  rows.resize(static_cast<size_t>(img.height));
  for (int y = 0; y < img.height; ++y) rows[y] = raw.data() + rowbytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);

  const size_t n = static_cast<size_t>(img.width) * img.height * channels;
  img.samples.resize(n);
  for (size_t i = 0; i < n; ++i) {
    if (depth == 16) {
      img.samples[i] = static_cast<uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    } else {
      img.samples[i] = static_cast<uint16_t>(raw[i] * 257);
    }
  }
  return img;
}

uint16_t Pixel555(const Image& img, int x, int y) {
  if (img.channels == 4 && img.at(x, y, 3) < 32768) return 0;
  const int r = img.at(x, y, 0) >> 11;
  const int g = img.at(x, y, 1) >> 11;
  const int b = img.at(x, y, 2) >> 11;
  const uint16_t p = static_cast<uint16_t>(r << 11 | g << 6 | b << 1);
  if (p == 0 && img.channels == 4) return 1;
  return p;
}

namespace {

void NeedSize(const Image& img, int w, int h, const std::string& name) {
  if (img.width != w || img.height != h)
    Fail(name, "wrong size " + Num(img.width) + " x " + Num(img.height) + ", need " + Num(w) +
                   " x " + Num(h));
}

void NeedColour(const Image& img, bool alpha, const std::string& name) {
  if (img.channels == 1)
    Fail(name, std::string("wrong colour type grey, need ") + (alpha ? "RGBA" : "RGB or RGBA"));
  if (alpha && img.channels != 4)
    Fail(name, "wrong colour type RGB, need RGBA (its transparent pixels are 0)");
}

}  // namespace

std::vector<uint16_t> ConvertPicture(const Image& img, const PictureRules& rules,
                                     const std::string& name) {
  NeedSize(img, rules.width, rules.height, name);
  NeedColour(img, rules.need_alpha, name);
  const int w = rules.width, h = rules.height;
  std::vector<uint16_t> out(static_cast<size_t>(w) * h);
  for (int x = 0; x < w; ++x) {
    for (int y = 0; y < h; ++y) {
      const uint16_t p = Pixel555(img, x, y);
      const bool border = x < rules.border_cols || x >= w - rules.border_cols ||
                          y < rules.border_rows || y >= h - rules.border_rows;
      if (border && p != 0)
        Fail(name, "pixel (" + Num(x) + ", " + Num(y) + ") lies in the transparent border of " +
                       Num(rules.border_cols) + " columns and " + Num(rules.border_rows) +
                       " rows but is not transparent");
      out[static_cast<size_t>(x) * h + (h - 1 - y)] = p;
    }
  }
  if (rules.drop_last && out.back() != 0)
    Fail(name, "the top-right pixel (" + Num(w - 1) + ", 0) is not stored and must be black");
  return out;
}

std::vector<uint16_t> ConvertTexture(const Image& img, int width, int height, int stored,
                                     const std::string& name) {
  NeedSize(img, width, height, name);
  NeedColour(img, false, name);
  std::vector<uint16_t> out(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out[static_cast<size_t>(height - 1 - y) * width + x] = Pixel555(img, x, y);
  const size_t n = out.size();
  if (static_cast<size_t>(stored) < n) {
    if (static_cast<size_t>(stored) != n - 1 || stored < 1)
      Fail(name, "can leave out only the last texel");
    if (out[n - 1] != out[n - 2])
      Fail(name, "the last texel (the top-right pixel) is not stored and must equal its left "
                 "neighbour");
  }
  return out;
}

std::vector<uint8_t> ConvertBall(const Image& colours, const Image& shades,
                                 const std::string& colours_name,
                                 const std::string& shades_name) {
  NeedSize(colours, 16, 16, colours_name);
  NeedColour(colours, false, colours_name);
  NeedSize(shades, 16, 16, shades_name);
  if (shades.channels != 1) Fail(shades_name, "wrong colour type, need grey");
  std::vector<uint8_t> out(768, 0);
  for (int e = 0; e < 256; ++e) {
    const int x = e % 16, y = e / 16;
    if (colours.channels == 4 && colours.at(x, y, 3) < 32768)
      Fail(colours_name, "colour " + Num(e) + " is transparent; the ball colours are opaque");
    const int r = colours.at(x, y, 0) >> 11;
    const int g = colours.at(x, y, 1) >> 11;
    const int b = colours.at(x, y, 2) >> 11;
    const int c = r << 10 | g << 5 | b;
    if (e == 255) {
      if (c != 0) Fail(colours_name, "colour 255 (pixel (15, 15)) is not stored and must be black");
      break;
    }
    out[2 * e + 2] = static_cast<uint8_t>(c & 0xFF);
    out[2 * e + 3] = static_cast<uint8_t>(c >> 8);
  }
  for (int x = 0; x < 16; ++x)
    for (int y = 0; y < 16; ++y)
      out[512 + x * 16 + (15 - y)] = static_cast<uint8_t>((shades.at(x, y, 0) / 257 + 8) / 16);
  return out;
}

// ---------------------------------------------------------------------------------
// Glyph art

namespace {

struct GlyphRecord {
  int line = 0;                  // line number of the header, for messages
  std::vector<long> numbers;     // the header's numbers
  std::vector<std::string> rows; // the glyph's rows
};

// Splits glyph art into records. A record starts with a line "glyph <numbers>" (text
// after ';' is a comment); the following lines are its rows. Between records, empty
// lines and lines starting with ';' are comments.
std::vector<GlyphRecord> ParseGlyphs(const std::string& text, size_t rows_per_glyph,
                                     const std::string& name) {
  std::vector<GlyphRecord> out;
  std::istringstream in(text);
  std::string line;
  int no = 0;
  while (std::getline(in, line)) {
    ++no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("glyph", 0) == 0) {
      GlyphRecord g;
      g.line = no;
      std::istringstream h(line.substr(5, line.find(';') == std::string::npos
                                                ? std::string::npos
                                                : line.find(';') - 5));
      std::string tok;
      while (h >> tok) {
        char* end = nullptr;
        const long v = std::strtol(tok.c_str(), &end, 10);
        if (end == tok.c_str() || *end != '\0')
          Fail(name, "line " + Num(no) + ": \"" + tok + "\" is not a number");
        g.numbers.push_back(v);
      }
      if (g.numbers.empty()) Fail(name, "line " + Num(no) + ": glyph without a number");
      out.push_back(std::move(g));
      continue;
    }
    if (out.empty() || out.back().rows.size() >= rows_per_glyph) {
      // Outside a glyph: comments and blank lines only.
      if (line.empty() || line[0] == ';') continue;
      if (out.empty()) Fail(name, "line " + Num(no) + ": text before the first glyph");
      Fail(name, "glyph " + Num(out.back().numbers[0]) + " has more than " +
                     Num(static_cast<long long>(rows_per_glyph)) + " rows (line " + Num(no) + ")");
    }
    out.back().rows.push_back(line);
  }
  for (const auto& g : out)
    if (g.rows.size() != rows_per_glyph)
      Fail(name, "glyph " + Num(g.numbers[0]) + " has " + Num(static_cast<long long>(g.rows.size())) +
                     " rows, need " + Num(static_cast<long long>(rows_per_glyph)));
  return out;
}

}  // namespace

std::vector<uint8_t> ConvertBitfont(const std::string& text, const std::string& name) {
  const auto glyphs = ParseGlyphs(text, 8, name);
  if (glyphs.size() != 59)
    Fail(name, Num(static_cast<long long>(glyphs.size())) + " glyphs, need 59 (codes 32..90)");
  std::vector<uint8_t> out(472, 0);
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const auto& g = glyphs[i];
    const long code = static_cast<long>(32 + i);
    if (g.numbers.size() != 1 || g.numbers[0] != code)
      Fail(name, "line " + Num(g.line) + ": expected \"glyph " + Num(code) + "\"");
    for (int r = 0; r < 8; ++r) {
      const std::string& row = g.rows[r];
      if (row.size() != 8)
        Fail(name, "glyph " + Num(code) + " row " + Num(r) + " is " +
                       Num(static_cast<long long>(row.size())) + " pixels wide, need 8");
      uint8_t bits = 0;
      for (int k = 0; k < 8; ++k) {
        if (row[k] == '#') {
          bits |= static_cast<uint8_t>(0x80 >> k);
        } else if (row[k] != '.') {
          Fail(name, "glyph " + Num(code) + " row " + Num(r) + ": '" + std::string(1, row[k]) +
                         "' is neither '#' nor '.'");
        }
      }
      out[i * 8 + r] = bits;
    }
  }
  return out;
}

std::vector<uint8_t> ConvertFont16(const std::string& text, const std::string& name) {
  const auto glyphs = ParseGlyphs(text, 16, name);
  if (glyphs.size() != 86)
    Fail(name, Num(static_cast<long long>(glyphs.size())) + " glyphs, need 86 (numbers 0..85)");
  std::vector<uint8_t> out(22272, 0);
  std::array<int, 256> owner{};
  owner.fill(-1);
  for (size_t n = 0; n < glyphs.size(); ++n) {
    const auto& g = glyphs[n];
    if (g.numbers[0] != static_cast<long>(n))
      Fail(name, "line " + Num(g.line) + ": expected \"glyph " + Num(static_cast<long long>(n)) + "\"");
    for (size_t i = 1; i < g.numbers.size(); ++i) {
      const long c = g.numbers[i];
      if (c < 1 || c > 255)
        Fail(name, "glyph " + Num(static_cast<long long>(n)) + ": character code " + Num(c) +
                       " outside 1..255");
      if (owner[c] >= 0)
        Fail(name, "character code " + Num(c) + " is given to glyph " + Num(owner[c]) + " and glyph " +
                       Num(static_cast<long long>(n)));
      if (n == 0) Fail(name, "glyph 0 is the empty glyph and takes no character codes");
      owner[c] = static_cast<int>(n);
      out[c] = static_cast<uint8_t>(n);
    }
    uint8_t* block = out.data() + (n + 1) * 256;
    for (int r = 0; r < 16; ++r) {
      const std::string& row = g.rows[r];
      if (row.size() != 16)
        Fail(name, "glyph " + Num(static_cast<long long>(n)) + " row " + Num(r) + " is " +
                       Num(static_cast<long long>(row.size())) + " pixels wide, need 16");
      for (int k = 0; k < 16; ++k) {
        const char ch = row[k];
        int v = -1;
        if (ch == '.') v = 0;
        if (ch >= '1' && ch <= '9') v = ch - '0';
        if (ch >= 'a' && ch <= 'f') v = ch - 'a' + 10;
        if (v < 0)
          Fail(name, "glyph " + Num(static_cast<long long>(n)) + " row " + Num(r) + ": '" +
                         std::string(1, ch) + "' is not an intensity digit ('.', 1..9, a..f)");
        if (n == 0 && v != 0) Fail(name, "glyph 0 must be empty (it is drawn for unmapped codes)");
        block[r * 16 + k] = static_cast<uint8_t>(v);
      }
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------
// Meshes

namespace {

long ParseIndex(const std::string& tok, size_t npoints, int no, const std::string& name) {
  // "7", "7/2" and "7/2/5" all name point 7.
  const std::string head = tok.substr(0, tok.find('/'));
  char* end = nullptr;
  const long v = std::strtol(head.c_str(), &end, 10);
  if (head.empty() || *end != '\0') Fail(name, "line " + Num(no) + ": bad index \"" + tok + "\"");
  if (v < 1 || static_cast<size_t>(v) > npoints)
    Fail(name, "line " + Num(no) + ": index " + Num(v) + " out of range 1.." +
                   Num(static_cast<long long>(npoints)));
  return v - 1;
}

}  // namespace

std::vector<uint8_t> ConvertMesh(const std::string& text, size_t size, const std::string& name) {
  std::vector<std::array<int, 3>> pts;
  std::vector<std::array<long, 2>> lns;
  std::vector<std::array<long, 3>> pls;
  std::istringstream in(text);
  std::string line;
  int no = 0;
  while (std::getline(in, line)) {
    ++no;
    std::istringstream ls(line);
    std::string rec;
    if (!(ls >> rec) || rec[0] == '#') continue;
    std::vector<std::string> args;
    for (std::string a; ls >> a;) args.push_back(a);
    if (rec == "v") {
      if (args.size() != 3)
        Fail(name, "line " + Num(no) + ": a point needs 3 coordinates, has " +
                       Num(static_cast<long long>(args.size())));
      std::array<int, 3> p{};
      for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        const double d = std::strtod(args[i].c_str(), &end);
        if (*end != '\0') Fail(name, "line " + Num(no) + ": bad coordinate \"" + args[i] + "\"");
        if (!(d >= -64.0 && d <= 63.0))
          Fail(name, "line " + Num(no) + ": coordinate " + args[i] + " outside -64..63");
        if (d != static_cast<double>(static_cast<int>(d)))
          Fail(name, "line " + Num(no) + ": coordinate " + args[i] + " is not a whole number");
        p[i] = static_cast<int>(d);
      }
      pts.push_back(p);
    } else if (rec == "l") {
      if (args.size() != 2)
        Fail(name, "line " + Num(no) + ": a line needs 2 points, has " +
                       Num(static_cast<long long>(args.size())));
      lns.push_back({ParseIndex(args[0], pts.size(), no, name),
                     ParseIndex(args[1], pts.size(), no, name)});
    } else if (rec == "f") {
      if (args.size() != 3)
        Fail(name, "line " + Num(no) + ": polygons are triangles, this one has " +
                       Num(static_cast<long long>(args.size())) + " points");
      const std::array<long, 3> f = {ParseIndex(args[0], pts.size(), no, name),
                                     ParseIndex(args[1], pts.size(), no, name),
                                     ParseIndex(args[2], pts.size(), no, name)};
      // A triangle on two points has no face and no normal.
      if (f[0] == f[1] || f[1] == f[2] || f[0] == f[2])
        Fail(name, "line " + Num(no) + ": the polygon names a point twice");
      pls.push_back(f);
    } else if (rec == "o" || rec == "g" || rec == "s" || rec == "usemtl" || rec == "mtllib") {
      continue;  // grouping and material records carry nothing the stored format keeps
    } else {
      Fail(name, "line " + Num(no) + ": record \"" + rec + "\" is not stored (use v, l, f)");
    }
  }
  const auto count = [&](size_t n, const char* what) {
    if (n > 65535)
      Fail(name, Num(static_cast<long long>(n)) + " " + what + " do not fit the 16-bit count");
  };
  count(pts.size(), "points");
  count(lns.size(), "lines");
  count(pls.size(), "polygons");
  std::vector<int> uses(pts.size(), 0);
  for (const auto& p : pls)
    for (long i : p) ++uses[i];
  for (size_t i = 0; i < uses.size(); ++i) {
    if (uses[i] == 0)
      Fail(name, "point " + Num(static_cast<long long>(i + 1)) + " belongs to no polygon");
    if (uses[i] > 255)
      Fail(name, "point " + Num(static_cast<long long>(i + 1)) + " belongs to " + Num(uses[i]) +
                     " polygons, at most 255");
  }
  // An empty mesh (an empty or truncated file) would draw nothing.
  if (pls.empty()) Fail(name, "no polygons; a stored mesh needs at least one");
  const size_t bytes = 6 + 3 * pts.size() + 4 * lns.size() + 6 * pls.size();
  if (bytes > size)
    Fail(name, "the mesh takes " + Num(static_cast<long long>(bytes)) + " bytes, the array holds " +
                   Num(static_cast<long long>(size)));
  std::vector<uint8_t> out;
  out.reserve(size);
  const auto put16 = [&](size_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  put16(pts.size());
  put16(lns.size());
  put16(pls.size());
  for (const auto& p : pts)
    for (int c : p) out.push_back(CoordByte(c));
  for (const auto& l : lns)
    for (long i : l) put16(static_cast<size_t>(i));
  for (const auto& p : pls)
    for (long i : p) put16(static_cast<size_t>(i));
  out.resize(size, 0);
  return out;
}

// ---------------------------------------------------------------------------------
// Output

namespace {

template <typename T>
std::string Source(const std::string& name, const std::vector<T>& data, const char* type,
                   int per_line, int digits, const std::string& source) {
  std::string s;
  s.reserve(data.size() * (digits + 4) + 512);
  s += "// Generated by tools/assetconv from " + source + "; edit the source, not this file.\n";
  s += "#include \"assets/assets.h\"\n\nnamespace zudezed {\n\n";
  s += "const std::array<" + std::string(type) + ", " + std::to_string(data.size()) + "> " + name +
       " = {\n";
  char buf[16];
  for (size_t i = 0; i < data.size(); ++i) {
    if (i % per_line == 0) s += "   ";
    std::snprintf(buf, sizeof buf, " 0x%0*X,", digits, static_cast<unsigned>(data[i]));
    s += buf;
    if (i % per_line == static_cast<size_t>(per_line - 1) || i + 1 == data.size()) s += '\n';
  }
  s += "};\n\n}  // namespace zudezed\n";
  return s;
}

}  // namespace

std::string ArraySource(const std::string& name, const std::vector<uint8_t>& data,
                        const std::string& source) {
  return Source(name, data, "uint8_t", 16, 2, source);
}

std::string ArraySource(const std::string& name, const std::vector<uint16_t>& data,
                        const std::string& source) {
  return Source(name, data, "uint16_t", 12, 4, source);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, std::string("cannot open: ") + std::strerror(errno));
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

void WriteFile(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) Fail(path, "cannot write");
    out << text;
    out.flush();
    if (!out) {
      std::remove(tmp.c_str());
      Fail(path, "cannot write");
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    Fail(path, "cannot write");
  }
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

size_t ConvertArray(const std::string& array, const std::vector<std::string>& sources,
                    const std::string& out_path) {
  const auto need = [&](size_t n) {
    if (sources.size() != n)
      throw AssetError(array + ": needs " + std::to_string(n) + " source file(s), got " +
                       std::to_string(sources.size()));
  };
  std::string text;
  size_t stored = 0;
  std::string from;
  for (const auto& s : sources) from += (from.empty() ? "" : " and ") + BaseName(s);

  const auto picture = [&](int w, int h, int bc, int br, bool alpha, bool drop) {
    need(1);
    PictureRules r{w, h, bc, br, alpha, drop};
    const auto data = ConvertPicture(ReadPng(sources[0]), r, sources[0]);
    stored = data.size() * 2 - (drop ? 2 : 0);
    text = ArraySource(array, data, from);
  };
  const auto texture = [&](int w, int h, int kept) {
    need(1);
    const auto data = ConvertTexture(ReadPng(sources[0]), w, h, kept, sources[0]);
    stored = static_cast<size_t>(kept) * 2;
    text = ArraySource(array, data, from);
  };
  const auto bytes = [&](const std::vector<uint8_t>& data) {
    stored = data.size();
    text = ArraySource(array, data, from);
  };

  if (array == "bitfonts") {
    need(1);
    bytes(ConvertBitfont(ReadText(sources[0]), sources[0]));
  } else if (array == "fonts16") {
    need(1);
    bytes(ConvertFont16(ReadText(sources[0]), sources[0]));
  } else if (array == "ball") {
    need(2);
    bytes(ConvertBall(ReadPng(sources[0]), ReadPng(sources[1]), sources[0], sources[1]));
  } else if (array == "face3do") {
    need(1);
    bytes(ConvertMesh(ReadText(sources[0]), 11065, sources[0]));
  } else if (array == "teapot") {
    need(1);
    bytes(ConvertMesh(ReadText(sources[0]), 3361, sources[0]));
  } else if (array == "quib0") {
    picture(320, 240, 0, 0, false, true);
  } else if (array == "tavrimel") {
    picture(192, 84, 0, 0, true, false);
  } else if (array == "presents") {
    picture(128, 32, 5, 3, true, false);
  } else if (array == "kavrel" || array == "kavrel_top" || array == "kavrel_bottom") {
    texture(128, 128, 128 * 128);
  } else if (array == "env1") {
    texture(64, 64, 4095);
  } else {
    throw AssetError(array + ": no such array");
  }
  WriteFile(out_path, text);
  return stored;
}

}  // namespace zudezed::assetconv
