// zudezed-framehash's hashing, table bytes, frame schedule and comparison of two dumps:
// what the cross-machine frame comparison rests on.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "engine3d/engine3d.h"
#include "engine3d/generate3d.h"
#include "precalc/precalcs.h"
#include "tools/framehash/framehash.h"

namespace zz = zudezed;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

const zz::TableImage* Find(const std::vector<zz::TableImage>& t, const std::string& name) {
  for (const auto& x : t) {
    if (x.name == name) return &x;
  }
  return nullptr;
}

}  // namespace

TEST(FramehashHash, Fnv1a64KnownValuesAndChaining) {
  EXPECT_EQ(zz::Fnv1a64(Bytes("")), 0xcbf29ce484222325ull);
  EXPECT_EQ(zz::Fnv1a64(Bytes("a")), 0xaf63dc4c8601ec8cull);
  EXPECT_EQ(zz::Fnv1a64(Bytes("foobar")), 0x85944171f73967e8ull);
  // Hashing in two pieces continues the same hash.
  EXPECT_EQ(zz::Fnv1a64(Bytes("bar"), zz::Fnv1a64(Bytes("foo"))), zz::Fnv1a64(Bytes("foobar")));
  EXPECT_EQ(zz::Hex64(0x00ab00000000000full), "00ab00000000000f");
}

TEST(FramehashBytes, FieldsAreLittleEndianWhateverTheMachine) {
  std::vector<uint8_t> b;
  zz::PutU16(&b, 0x1234);
  zz::PutU32(&b, static_cast<uint32_t>(-2));
  zz::PutF32(&b, 1.0f);
  zz::PutF32(&b, -0.0f);
  const std::vector<uint8_t> want = {0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
                                     0x80, 0x3F, 0x00, 0x00, 0x00, 0x80};
  EXPECT_EQ(b, want);

  const uint16_t frame[3] = {0xFFFE, 0x0001, 0x8000};
  EXPECT_EQ(zz::FrameBytes(frame, 3), (std::vector<uint8_t>{0xFE, 0xFF, 0x01, 0x00, 0x00, 0x80}));
}

TEST(FramehashTables, GlobalsAreReadWithTheirEntrySizesAndSigns) {
  const int32_t saved_sine = zz::fsin3[5];
  const zz::DistAngle saved_da = zz::dist_angle[7];
  zz::fsin3[5] = -2;
  zz::dist_angle[7] = {0xABCD, 0x0012};
  const auto tables = zz::CollectTables();
  zz::fsin3[5] = saved_sine;
  zz::dist_angle[7] = saved_da;

  std::set<std::string> names;
  for (const auto& t : tables) {
    EXPECT_TRUE(names.insert(t.name).second) << "twice: " << t.name;
    EXPECT_GT(t.entry_bytes, 0u) << t.name;
    EXPECT_EQ(t.bytes.size() % t.entry_bytes, 0u) << t.name;
  }
  const zz::TableImage* s = Find(tables, "fsin3");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->entries(), 2048u);
  EXPECT_EQ(std::vector<uint8_t>(s->bytes.begin() + 20, s->bytes.begin() + 24),
            (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
  const zz::TableImage* d = Find(tables, "dist_angle");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->entries(), 76800u);
  EXPECT_EQ(std::vector<uint8_t>(d->bytes.begin() + 28, d->bytes.begin() + 32),
            (std::vector<uint8_t>{0xCD, 0xAB, 0x12, 0x00}));
  for (const char* n : {"div", "shades", "fnt16", "blob", "star3dv", "quib0", "teapot"}) {
    EXPECT_NE(Find(tables, n), nullptr) << n;
  }
}

TEST(FramehashTables, TheCatalogueAppearsObjectByObject) {
  zz::Init3d();
  const auto tables = zz::CollectTables();
  int objects = 0;
  for (int i = 0; i < zz::kObjects; ++i) {
    const zz::Object3d& o = zz::object[i];
    const zz::TableImage* pts = Find(tables, "object" + std::to_string(i) + ".pts");
    if (o.npts == 0 && o.npls == 0 && o.nlns == 0) {
      EXPECT_EQ(pts, nullptr) << i;
      continue;
    }
    objects += 1;
    ASSERT_NE(pts, nullptr) << i;
    EXPECT_EQ(pts->entries(), static_cast<size_t>(o.npts));
    const zz::TableImage* pls = Find(tables, "object" + std::to_string(i) + ".pls");
    ASSERT_NE(pls, nullptr);
    EXPECT_EQ(pls->entries(), static_cast<size_t>(o.npls));
    if (o.npts > 0) {
      // The first point's x, then its colour widened with its sign.
      EXPECT_EQ(static_cast<int32_t>(pts->bytes[0] | pts->bytes[1] << 8 | pts->bytes[2] << 16 |
                                     uint32_t{pts->bytes[3]} << 24),
                o.pts[0].x);
      EXPECT_EQ(pts->bytes[15], o.pts[0].c < 0 ? 0xFF : 0x00);
    }
  }
  EXPECT_GT(objects, 0);
}

TEST(FramehashSchedule, EachSampleTimeIsTakenByTheFirstFrameReachingIt) {
  EXPECT_EQ(zz::SampleLabel(0, -1), "t0");
  EXPECT_EQ(zz::SampleLabel(37, -1), "t0");   // a part's first frame, late
  EXPECT_EQ(zz::SampleLabel(37, 0), "");
  EXPECT_EQ(zz::SampleLabel(999, 900), "");
  EXPECT_EQ(zz::SampleLabel(1000, 999), "t1000");
  EXPECT_EQ(zz::SampleLabel(1001, 1000), "");
  EXPECT_EQ(zz::SampleLabel(4100, 900), "t4000");  // a long frame passes two times
  EXPECT_EQ(zz::SampleLabel(1200, -1), "t1000");   // a first frame past a sample time
  EXPECT_EQ(zz::SampleLabel(40000, 39999), "t40000");
  EXPECT_EQ(zz::SampleLabel(90000, 40000), "");
}

TEST(FramehashDiff, EntriesCountIndicesAndTheLargestSignedDifference) {
  std::vector<uint8_t> a, b;
  for (int32_t v : {1, -5, 7, std::numeric_limits<int32_t>::min(), 9}) {
    zz::PutU32(&a, static_cast<uint32_t>(v));
  }
  for (int32_t v : {1, 3, 7, std::numeric_limits<int32_t>::max(), 9}) {
    zz::PutU32(&b, static_cast<uint32_t>(v));
  }
  zz::EntryDiff d = zz::DiffEntries(a, b, 4);
  EXPECT_FALSE(d.size_mismatch);
  EXPECT_EQ(d.entries, 5u);
  EXPECT_EQ(d.differing, 2u);
  EXPECT_EQ(d.first, (std::vector<size_t>{1, 3}));
  EXPECT_EQ(d.largest, 4294967295ll);

  // Entries of two bytes: the same bytes, paired differently.
  d = zz::DiffEntries(a, b, 2, 1);
  EXPECT_EQ(d.entries, 10u);
  EXPECT_EQ(d.differing, 4u);  // -5/3 differs in both halves, MIN/MAX too
  EXPECT_EQ(d.first, (std::vector<size_t>{2}));
  EXPECT_EQ(d.largest, 0);  // only 4-byte entries are read as numbers

  b.pop_back();
  EXPECT_TRUE(zz::DiffEntries(a, b, 4).size_mismatch);
}

TEST(FramehashDiff, PixelsCountOnceWhicheverOfTheirBytesDiffer) {
  const uint16_t p[4] = {0x1234, 0x5678, 0x9ABC, 0xDEF0};
  const uint16_t q[4] = {0x1234, 0x5679, 0x9BBC, 0x210F};  // low, high, both bytes
  const zz::PixelDiff d = zz::DiffPixels(zz::FrameBytes(p, 4), zz::FrameBytes(q, 4));
  EXPECT_EQ(d.pixels, 4u);
  EXPECT_EQ(d.differing, 3u);
  EXPECT_TRUE(zz::DiffPixels(zz::FrameBytes(p, 4), zz::FrameBytes(p, 3)).size_mismatch);
}

TEST(FramehashManifest, RoundTripsAndRejectsMalformedLines) {
  zz::Manifest m;
  m.tables.push_back({"fsin1", 4, 2048, "0123456789abcdef"});
  m.frames.push_back({3, "t1000", 123, 12300, 1004, "fedcba9876543210"});
  m.parts.push_back({3, 40, "00000000000000ff"});
  m.every.push_back({123, 3, "fedcba9876543210"});
  const std::string text = zz::FormatManifest(m);
  zz::Manifest back;
  std::string error;
  ASSERT_TRUE(zz::ParseManifest(text, &back, &error)) << error;
  EXPECT_EQ(zz::FormatManifest(back), text);
  ASSERT_EQ(back.frames.size(), 1u);
  EXPECT_EQ(back.frames[0].prticks, 1004);

  for (const char* bad : {"table fsin1 4 2048\n", "frame 3 t0 1 2 3 abc extra\n",
                          "part x 40 ff\n", "picture 1 2 3\n"}) {
    zz::Manifest ignored;
    EXPECT_FALSE(zz::ParseManifest(bad, &ignored, &error)) << bad;
    EXPECT_EQ(error + "\n", bad);
  }
}

TEST(FramehashDiff, TwoDumpsReportTheirTableEntriesPixelsAndFrames) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(::testing::TempDir()) / "framehash_diff";
  fs::remove_all(root);
  const fs::path da = root / "a", db = root / "b";
  fs::create_directories(da);
  fs::create_directories(db);

  auto write = [](const fs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  };
  // Run b differs from run a in table entry 17 (by 1), in three pixels of the kept
  // frame and in one more frame of part 3 that was not kept.
  std::vector<uint8_t> ta, tb;
  for (int i = 0; i < 64; ++i) {
    zz::PutU32(&ta, static_cast<uint32_t>(i));
    zz::PutU32(&tb, static_cast<uint32_t>(i == 17 ? 18 : i));
  }
  std::vector<uint16_t> fa(76800, 0x1234), fb = fa;
  fb[0] = 0;
  fb[100] = 1;
  fb[76799] = 2;
  const auto ba = zz::FrameBytes(fa.data(), fa.size()), bb = zz::FrameBytes(fb.data(), fb.size());

  auto manifest = [](const std::vector<uint8_t>& table, const std::vector<uint8_t>& frame,
                     const std::string& other) {
    zz::Manifest m;
    m.tables.push_back({"fsin1", 4, 64, zz::Hex64(zz::Fnv1a64(table))});
    m.tables.push_back({"blob", 1, 1, "0000000000000001"});
    m.frames.push_back({3, "t0", 10, 1000, 0, zz::Hex64(zz::Fnv1a64(frame))});
    m.every.push_back({10, 3, zz::Hex64(zz::Fnv1a64(frame))});
    m.every.push_back({11, 3, other});
    m.every.push_back({12, 3, "0000000000000002"});
    m.parts.push_back({3, 3, zz::Hex64(zz::Fnv1a64(frame) ^ zz::Fnv1a64(Bytes(other)))});
    return zz::FormatManifest(m);
  };
  auto dump = [&](const fs::path& dir, const std::vector<uint8_t>& t,
                  const std::vector<uint8_t>& f, const std::string& other) {
    const std::string text = manifest(t, f, other);
    write(dir / "manifest.txt", Bytes(text));
    write(dir / zz::TableFileName("fsin1"), t);
    write(dir / zz::FrameFileName(3, "t0"), f);
  };
  dump(da, ta, ba, "00000000000000aa");
  dump(db, tb, bb, "00000000000000bb");

  ::testing::internal::CaptureStdout();
  const int differences = zz::DiffDumps(da.string(), db.string());
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(differences, 3) << out;
  EXPECT_NE(out.find("table fsin1: 1 of 64 entries differ (entries 17), largest difference 1"),
            std::string::npos) << out;
  EXPECT_NE(out.find("frame part 3 t0 (frame 10, 1000 ms, prticks 0): 3 of 76800 pixels differ"),
            std::string::npos) << out;
  EXPECT_NE(out.find("part 3: 2 of 3 frames differ, the first is frame 10"), std::string::npos)
      << out;
  EXPECT_NE(out.find("tables: 1 of 2 identical; kept frames: 0 of 1 identical"), std::string::npos)
      << out;

  // A run compared with itself has no differences.
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(zz::DiffDumps(da.string(), da.string()), 0);
  ::testing::internal::GetCapturedStdout();
  // A directory without a manifest cannot be compared.
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(zz::DiffDumps(da.string(), (root / "missing").string()), -1);
  ::testing::internal::GetCapturedStdout();
  fs::remove_all(root);
}
