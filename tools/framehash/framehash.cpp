#include "tools/framehash/framehash.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "assets/assets.h"
#include "engine3d/engine3d.h"
#include "precalc/precalcs.h"
#include "timeline/text.h"

namespace zudezed {

uint64_t Fnv1a64(const uint8_t* data, size_t n, uint64_t h) {
  for (size_t i = 0; i < n; ++i) {
    h ^= data[i];
    h *= kFnvPrime;
  }
  return h;
}

std::string Hex64(uint64_t v) {
  char s[17];
  std::snprintf(s, sizeof s, "%016llx", static_cast<unsigned long long>(v));
  return s;
}

void PutU8(std::vector<uint8_t>* out, uint32_t v) { out->push_back(static_cast<uint8_t>(v)); }
void PutU16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>* out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}
void PutF32(std::vector<uint8_t>* out, float v) { PutU32(out, std::bit_cast<uint32_t>(v)); }

namespace {

template <typename T, size_t N>
TableImage Ints(const std::string& name, const std::array<T, N>& a) {
  static_assert(sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4);
  TableImage t{name, sizeof(T), {}};
  t.bytes.reserve(N * sizeof(T));
  for (const T& v : a) {
    if constexpr (sizeof(T) == 1) PutU8(&t.bytes, static_cast<uint32_t>(v));
    if constexpr (sizeof(T) == 2) PutU16(&t.bytes, static_cast<uint32_t>(v));
    if constexpr (sizeof(T) == 4) PutU32(&t.bytes, static_cast<uint32_t>(v));
  }
  return t;
}

template <size_t N>
TableImage Floats(const std::string& name, const std::array<float, N>& a) {
  TableImage t{name, 4, {}};
  for (float v : a) PutF32(&t.bytes, v);
  return t;
}

void PutPoint(std::vector<uint8_t>* out, const Point3d& p) {
  PutU32(out, static_cast<uint32_t>(p.x));
  PutU32(out, static_cast<uint32_t>(p.y));
  PutU32(out, static_cast<uint32_t>(p.z));
  PutU32(out, static_cast<uint32_t>(static_cast<int32_t>(p.c)));
}
void PutVec(std::vector<uint8_t>* out, const Vec3& v) {
  PutU32(out, static_cast<uint32_t>(v.x));
  PutU32(out, static_cast<uint32_t>(v.y));
  PutU32(out, static_cast<uint32_t>(v.z));
}

void AddObject(int i, const Object3d& o, std::vector<TableImage>* tables) {
  const std::string base = "object" + std::to_string(i) + ".";
  TableImage pts{base + "pts", 16, {}}, pls{base + "pls", 40, {}}, lns{base + "lns", 12, {}};
  TableImage nrms{base + "nrms", 12, {}}, ptnrms{base + "ptnrms", 12, {}};
  TableImage pose{base + "pose", 4, {}};
  for (int32_t k = 0; o.pts != nullptr && k < o.npts; ++k) PutPoint(&pts.bytes, o.pts[k]);
  for (int32_t k = 0; o.pls != nullptr && k < o.npls; ++k) {
    const Poly3d& p = o.pls[k];
    for (int32_t v : {p.p0, p.tu0, p.tv0, p.p1, p.tu1, p.tv1, p.p2, p.tu2, p.tv2, p.col}) {
      PutU32(&pls.bytes, static_cast<uint32_t>(v));
    }
  }
  for (int32_t k = 0; o.lns != nullptr && k < o.nlns; ++k) {
    for (int32_t v : {o.lns[k].p0, o.lns[k].p1, o.lns[k].col}) {
      PutU32(&lns.bytes, static_cast<uint32_t>(v));
    }
  }
  for (int32_t k = 0; o.nrms != nullptr && k < o.npls; ++k) PutVec(&nrms.bytes, o.nrms[k]);
  for (int32_t k = 0; o.ptnrms != nullptr && k < o.npts; ++k) PutVec(&ptnrms.bytes, o.ptnrms[k]);
  for (float f : {o.ax, o.ay, o.az, o.px, o.py, o.pz}) PutF32(&pose.bytes, f);
  for (TableImage* t : {&pts, &pls, &lns, &nrms, &ptnrms, &pose}) {
    tables->push_back(std::move(*t));
  }
}

}  // namespace

std::vector<TableImage> CollectTables() {
  std::vector<TableImage> t;
  t.push_back(Ints("div", div));
  t.push_back(Ints("fsin1", fsin1));
  t.push_back(Ints("fsin2", fsin2));
  t.push_back(Ints("fsin3", fsin3));
  t.push_back(Ints("fsin4", fsin4));
  t.push_back(Ints("fsin5", fsin5));
  t.push_back(Ints("fsin6", fsin6));
  t.push_back(Ints("fsin7", fsin7));
  t.push_back(Ints("fsin8", fsin8));
  {
    // Each entry as one 32-bit value: the inverse radius low, the angle high, so a
    // difference in either shows in the entry's largest difference.
    TableImage da{"dist_angle", 4, {}};
    for (const DistAngle& e : dist_angle) {
      PutU16(&da.bytes, e.inv_radius);
      PutU16(&da.bytes, e.angle);
    }
    t.push_back(std::move(da));
  }
  t.push_back(Ints("uberclamp", uberclamp));
  t.push_back(Ints("dclampx", dclampx));
  t.push_back(Ints("dclampy", dclampy));
  t.push_back(Ints("dsin1", dsin1));
  t.push_back(Ints("dsin2", dsin2));
  t.push_back(Ints("yscan", yscan));
  t.push_back(Ints("xscan", xscan));
  t.push_back(Ints("shades", shades));
  t.push_back(Ints("sshades", sshades));
  t.push_back(Ints("wshade", wshade));
  t.push_back(Ints("bshade", bshade));
  if (blurpal != nullptr) {
    TableImage p{"blurpal", 4, {}};
    for (int i = 0; i < 256; ++i) PutU32(&p.bytes, blurpal[i]);
    t.push_back(std::move(p));
  }
  t.push_back(Ints("fnt16", fnt16));
  t.push_back(Ints("ball_p", ball_p));
  t.push_back(Ints("ball_c", ball_c));
  t.push_back(Ints("blob", blob));
  t.push_back(Floats("star3dx", star3dx));
  t.push_back(Floats("star3dy", star3dy));
  t.push_back(Floats("star3dz", star3dz));
  t.push_back(Floats("star3dv", star3dv));
  t.push_back(Ints("fonts", fonts));
  // The embedded data, which the build converts from its sources.
  t.push_back(Ints("bitfonts", bitfonts));
  t.push_back(Ints("fonts16", fonts16));
  t.push_back(Ints("ball", ball));
  t.push_back(Ints("quib0", quib0));
  t.push_back(Ints("tavrimel", tavrimel));
  t.push_back(Ints("presents", presents));
  t.push_back(Ints("kavrel", kavrel));
  t.push_back(Ints("kavrel_top", kavrel_top));
  t.push_back(Ints("kavrel_bottom", kavrel_bottom));
  t.push_back(Ints("env1", env1));
  t.push_back(Ints("face3do", face3do));
  t.push_back(Ints("teapot", teapot));
  // The object catalogue: every object that has a mesh.
  for (int i = 0; i < kObjects; ++i) {
    const Object3d& o = object[i];
    if (o.npts > 0 || o.npls > 0 || o.nlns > 0) AddObject(i, o, &t);
  }
  return t;
}

std::vector<uint8_t> FrameBytes(const uint16_t* buffer, size_t elements) {
  std::vector<uint8_t> out;
  out.reserve(elements * 2);
  for (size_t i = 0; i < elements; ++i) PutU16(&out, buffer[i]);
  return out;
}

std::string SampleLabel(int32_t prticks, int32_t previous_prticks) {
  // The latest sample time that this frame is the first to reach.
  std::string label;
  for (int32_t s : kSampleTimes) {
    if (prticks >= s && (previous_prticks < 0 || previous_prticks < s)) {
      label = "t" + std::to_string(s);
    }
  }
  return label;
}

EntryDiff DiffEntries(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                      size_t entry_bytes, size_t keep) {
  EntryDiff d;
  if (entry_bytes == 0 || a.size() != b.size() || a.size() % entry_bytes != 0) {
    d.size_mismatch = true;
    return d;
  }
  d.entries = a.size() / entry_bytes;
  for (size_t e = 0; e < d.entries; ++e) {
    const uint8_t* pa = a.data() + e * entry_bytes;
    const uint8_t* pb = b.data() + e * entry_bytes;
    bool same = true;
    for (size_t k = 0; k < entry_bytes; ++k) same = same && pa[k] == pb[k];
    if (same) continue;
    d.differing += 1;
    if (d.first.size() < keep) d.first.push_back(e);
    if (entry_bytes == 4) {
      const auto va = static_cast<int32_t>(pa[0] | pa[1] << 8 | pa[2] << 16 | uint32_t{pa[3]} << 24);
      const auto vb = static_cast<int32_t>(pb[0] | pb[1] << 8 | pb[2] << 16 | uint32_t{pb[3]} << 24);
      const int64_t delta = std::llabs(int64_t{va} - int64_t{vb});
      if (delta > d.largest) d.largest = delta;
    }
  }
  return d;
}

PixelDiff DiffPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  PixelDiff d;
  if (a.size() != b.size() || a.size() % 2 != 0) {
    d.size_mismatch = true;
    return d;
  }
  d.pixels = a.size() / 2;
  for (size_t i = 0; i < a.size(); i += 2) {
    if (a[i] != b[i] || a[i + 1] != b[i + 1]) d.differing += 1;
  }
  return d;
}

std::string FormatManifest(const Manifest& m) {
  std::ostringstream s;
  for (const auto& t : m.tables) {
    s << "table " << t.name << ' ' << t.entry_bytes << ' ' << t.entries << ' ' << t.hash << '\n';
  }
  for (const auto& f : m.frames) {
    s << "frame " << f.part << ' ' << f.label << ' ' << f.n << ' ' << f.t << ' ' << f.prticks
      << ' ' << f.hash << '\n';
  }
  for (const auto& p : m.parts) {
    s << "part " << p.part << ' ' << p.frames << ' ' << p.digest << '\n';
  }
  for (const auto& e : m.every) s << "every " << e.n << ' ' << e.part << ' ' << e.hash << '\n';
  return s.str();
}

bool ParseManifest(const std::string& text, Manifest* m, std::string* error) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::istringstream ls(line);
    std::string kind, rest;
    ls >> kind;
    bool ok = false;
    if (kind == "table") {
      Manifest::Table t;
      ok = static_cast<bool>(ls >> t.name >> t.entry_bytes >> t.entries >> t.hash);
      if (ok) m->tables.push_back(t);
    } else if (kind == "frame") {
      Manifest::Frame f;
      ok = static_cast<bool>(ls >> f.part >> f.label >> f.n >> f.t >> f.prticks >> f.hash);
      if (ok) m->frames.push_back(f);
    } else if (kind == "part") {
      Manifest::Part p;
      ok = static_cast<bool>(ls >> p.part >> p.frames >> p.digest);
      if (ok) m->parts.push_back(p);
    } else if (kind == "every") {
      Manifest::Every e;
      ok = static_cast<bool>(ls >> e.n >> e.part >> e.hash);
      if (ok) m->every.push_back(e);
    }
    if (!ok || (ls >> rest)) {
      *error = line;
      return false;
    }
  }
  return true;
}

std::string TableFileName(const std::string& name) { return "table_" + name + ".bin"; }
std::string FrameFileName(int part, const std::string& label) {
  return "frame_part" + std::to_string(part) + "_" + label + ".raw";
}

namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool ReadManifest(const std::string& dir, Manifest* m) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadFile(dir + "/manifest.txt", &bytes)) {
    std::printf("cannot read %s/manifest.txt\n", dir.c_str());
    return false;
  }
  if (!ParseManifest(std::string(bytes.begin(), bytes.end()), m, &error)) {
    std::printf("%s/manifest.txt: bad line \"%s\"\n", dir.c_str(), error.c_str());
    return false;
  }
  return true;
}

std::string List(const std::vector<size_t>& v, size_t total) {
  std::string s;
  for (size_t i : v) s += (s.empty() ? "" : ", ") + std::to_string(i);
  if (total > v.size()) s += ", ...";
  return s;
}

}  // namespace

int DiffDumps(const std::string& dir_a, const std::string& dir_b) {
  Manifest a, b;
  if (!ReadManifest(dir_a, &a) || !ReadManifest(dir_b, &b)) return -1;
  int differences = 0;

  std::map<std::string, const Manifest::Table*> tb;
  for (const auto& t : b.tables) tb[t.name] = &t;
  size_t tables_same = 0;
  for (const auto& t : a.tables) {
    const auto it = tb.find(t.name);
    if (it == tb.end()) {
      std::printf("table %s: only in %s\n", t.name.c_str(), dir_a.c_str());
      differences += 1;
      continue;
    }
    if (it->second->hash == t.hash) {
      tables_same += 1;
      continue;
    }
    differences += 1;
    std::vector<uint8_t> ba, bb;
    if (!ReadFile(dir_a + "/" + TableFileName(t.name), &ba) ||
        !ReadFile(dir_b + "/" + TableFileName(t.name), &bb)) {
      std::printf("table %s: differs (no dumped entries to compare)\n", t.name.c_str());
      continue;
    }
    const EntryDiff d = DiffEntries(ba, bb, t.entry_bytes);
    if (d.size_mismatch) {
      std::printf("table %s: sizes differ (%zu and %zu bytes)\n", t.name.c_str(), ba.size(),
                  bb.size());
      continue;
    }
    std::printf("table %s: %zu of %zu entries differ (entries %s)", t.name.c_str(), d.differing,
                d.entries, List(d.first, d.differing).c_str());
    if (t.entry_bytes == 4) std::printf(", largest difference %lld", static_cast<long long>(d.largest));
    std::printf("\n");
  }
  if (b.tables.size() != a.tables.size()) {
    std::printf("tables: %zu and %zu tables\n", a.tables.size(), b.tables.size());
    differences += 1;
  }

  size_t frames_same = 0;
  for (const auto& f : a.frames) {
    const Manifest::Frame* g = nullptr;
    for (const auto& h : b.frames) {
      if (h.part == f.part && h.label == f.label) g = &h;
    }
    if (g == nullptr) {
      std::printf("frame part %d %s: only in %s\n", f.part, f.label.c_str(), dir_a.c_str());
      differences += 1;
      continue;
    }
    if (g->hash == f.hash && g->n == f.n) {
      frames_same += 1;
      continue;
    }
    differences += 1;
    std::printf("frame part %d %s (frame %lld, %lld ms, prticks %d", f.part, f.label.c_str(),
                static_cast<long long>(f.n), static_cast<long long>(f.t), f.prticks);
    if (g->n != f.n) std::printf("; frame %lld in the other run", static_cast<long long>(g->n));
    std::printf("): ");
    std::vector<uint8_t> pa, pb;
    if (!ReadFile(dir_a + "/" + FrameFileName(f.part, f.label), &pa) ||
        !ReadFile(dir_b + "/" + FrameFileName(f.part, f.label), &pb)) {
      std::printf("differs (no dumped pixels to compare)\n");
      continue;
    }
    const PixelDiff d = DiffPixels(pa, pb);
    if (d.size_mismatch) {
      std::printf("sizes differ\n");
    } else {
      std::printf("%zu of %zu pixels differ\n", d.differing, d.pixels);
    }
  }
  if (b.frames.size() != a.frames.size()) {
    std::printf("frames: %zu and %zu kept frames\n", a.frames.size(), b.frames.size());
    differences += 1;
  }

  // Every frame of every part, through the per-frame hashes.
  std::map<int64_t, const Manifest::Every*> eb;
  for (const auto& e : b.every) eb[e.n] = &e;
  std::map<int, std::pair<int64_t, int64_t>> per_part;  // part -> (differing, first)
  for (const auto& e : a.every) {
    const auto it = eb.find(e.n);
    if (it != eb.end() && it->second->hash == e.hash && it->second->part == e.part) continue;
    auto& [count, first] = per_part.try_emplace(e.part, 0, e.n).first->second;
    count += 1;
  }
  size_t parts_same = 0;
  for (const auto& p : a.parts) {
    const Manifest::Part* q = nullptr;
    for (const auto& r : b.parts) {
      if (r.part == p.part) q = &r;
    }
    if (q != nullptr && q->digest == p.digest && q->frames == p.frames) {
      parts_same += 1;
      continue;
    }
    differences += 1;
    const auto it = per_part.find(p.part);
    std::printf("part %d: %lld of %lld frames differ", p.part,
                static_cast<long long>(it == per_part.end() ? 0 : it->second.first),
                static_cast<long long>(p.frames));
    if (it != per_part.end()) {
      std::printf(", the first is frame %lld", static_cast<long long>(it->second.second));
    }
    if (q == nullptr) {
      std::printf(" (not played in the other run)");
    } else if (q->frames != p.frames) {
      std::printf(" (%lld frames in the other run)", static_cast<long long>(q->frames));
    }
    std::printf("\n");
  }
  if (a.every.size() != b.every.size()) {
    std::printf("frames: %zu and %zu frames played\n", a.every.size(), b.every.size());
    differences += 1;
  }

  std::printf("tables: %zu of %zu identical; kept frames: %zu of %zu identical; "
              "parts: %zu of %zu with every frame identical (%zu frames)\n",
              tables_same, a.tables.size(), frames_same, a.frames.size(), parts_same,
              a.parts.size(), a.every.size());
  return differences;
}

}  // namespace zudezed
