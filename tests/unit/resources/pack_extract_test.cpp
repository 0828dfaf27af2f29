#include <algorithm>
#include <cstring>

#include "core/paths.h"

#include "pack_test_util.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

struct Captured {
  std::vector<float> progress;
  std::vector<std::string> reports;
};
Captured* gCaptured = nullptr;

// Routes the process-wide sinks into a Captured for the test's lifetime.
class SinkCapture {
 public:
  SinkCapture() {
    gCaptured = &captured;
    setPackSinks([](float f) { gCaptured->progress.push_back(f); },
                 [](const char* text, int length, int flag) {
                   EXPECT_EQ(flag, 1);
                   gCaptured->reports.emplace_back(text, static_cast<std::size_t>(length));
                 });
  }
  ~SinkCapture() {
    setPackSinks(nullptr, nullptr);
    gCaptured = nullptr;
  }
  Captured captured;
};

std::vector<std::pair<std::string, std::string>> treeContents(const fs::path& root) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).generic_string();
    out.emplace_back(rel, e.is_directory() ? std::string("<dir>") : readFile(e.path()));
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST(PackBuild, NumbersNestedEntriesInPreOrderWithSwappedRootCounts) {
  ScratchDir dir;
  writeFile(dir.path() / "Skyloom" / "a.txt", "aa");
  writeFile(dir.path() / "Skyloom" / "aircraft" / "one.cu", "1");
  writeFile(dir.path() / "Skyloom" / "aircraft" / "two.cu", "22");
  writeFile(dir.path() / "Skyloom" / "aircraft" / "deep" / "x.bin", "xxx");
  fs::create_directories(dir.path() / "Skyloom" / "empty");
  writeFile(dir.path() / "Skyloom" / "z.txt", "zzzz");
  writeFile(dir.path() / "Skyloom" / ".hidden", "never packed");

  Pack pack;
  ASSERT_EQ(pack.build(nullptr), 9u);  // the single subdirectory of the current directory
  const PackEntry& root = pack.entry(0);
  EXPECT_EQ(root.nameView(), "Skyloom");
  EXPECT_EQ(root.offset, 2u);  // files directly inside
  EXPECT_EQ(root.size, 2u);    // subdirectories directly inside
  EXPECT_EQ(root.firstChild, 1u);
  EXPECT_EQ(root.isDirectory, 0u);

  const char* names[] = {"Skyloom", "a.txt", "aircraft", "deep", "x.bin", "one.cu", "two.cu", "empty", "z.txt"};
  for (std::uint32_t i = 0; i < 9; ++i) EXPECT_EQ(pack.entry(i).nameView(), names[i]) << i;
  const PackEntry& aircraft = pack.entry(2);
  EXPECT_EQ(aircraft.isDirectory, 1u);
  EXPECT_EQ(aircraft.offset, 1u);  // subdirectories first on every directory but the root
  EXPECT_EQ(aircraft.size, 2u);
  EXPECT_EQ(aircraft.firstChild, 3u);
  EXPECT_EQ(aircraft.nextSibling, 7u);  // past its whole subtree
  EXPECT_EQ(aircraft.prevSibling, 1u);
  EXPECT_EQ(pack.entry(4).parent, 3u);
  EXPECT_EQ(pack.entry(5).prevSibling, 3u);
  EXPECT_EQ(pack.entry(7).firstChild, 0u);
  EXPECT_EQ(pack.entry(8).nextSibling, 0u);

  ASSERT_EQ(pack.write(nullptr), 44u + 9 * 96 + 2 + 3 + 1 + 2 + 4);  // "Skyloom.pck"
  Pack written;
  ASSERT_EQ(written.open("Skyloom.pck"), 9u);
  // Data lies in pre-order, back to back; checksums add the bytes.
  EXPECT_EQ(written.entry(1).offset, 0u);
  EXPECT_EQ(written.entry(4).offset, 2u);
  EXPECT_EQ(written.entry(5).offset, 5u);
  EXPECT_EQ(written.entry(8).offset, 8u);
  EXPECT_EQ(written.entry(8).checksum, 4u * 'z');
}

TEST(PackBuild, RefusesWhatTheFormatCannotHold) {
  ScratchDir dir;
  writeFile(dir.path() / "long" / (std::string(64, 'n') + ".txt"), "x");
  Pack pack;
  EXPECT_EQ(pack.build((dir / "long").c_str()), 0u);
  EXPECT_EQ(pack.build((dir / "absent").c_str()), 0u);
  fs::create_directories(dir.path() / "second");
  EXPECT_EQ(pack.build(nullptr), 0u);  // two subdirectories: which one?
  EXPECT_EQ(pack.write("x.pck"), 0u);
  // A failed write leaves an existing output alone.
  writeFile(dir.path() / "ok" / "f", "data");
  writeFile(dir.path() / "keep.pck", "precious");
  ASSERT_EQ(pack.build((dir / "ok").c_str()), 2u);
  EXPECT_EQ(pack.write((dir / "nowhere/keep.pck").c_str()), 0u);
  EXPECT_EQ(readFile(dir / "keep.pck"), "precious");
}

TEST(PackExtract, RoundTripReproducesTheTreeByteForByte) {
  ScratchDir dir;
  std::string big(700000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + (i >> 9));
  writeFile(dir.path() / "src" / "Skyloom" / "pack.dat", big);  // spans three copy pieces
  writeFile(dir.path() / "src" / "Skyloom" / "config.ini", std::string("\0\1\2binary", 9));
  writeFile(dir.path() / "src" / "Skyloom" / "tem" / "a.tem", "grid");
  writeFile(dir.path() / "src" / "Skyloom" / "tem" / "deeper" / "b.tem", "");
  fs::create_directories(dir.path() / "src" / "Skyloom" / "wav");

  Pack builder;
  ASSERT_GT(builder.build((dir / "src/Skyloom").c_str()), 0u);
  ASSERT_GT(builder.write((dir / "payload.pck").c_str()), 0u);

  SinkCapture sinks;
  Pack pack;
  ASSERT_GT(pack.open((dir / "payload.pck").c_str()), 0u);
  fs::create_directories(dir.path() / "out");
  EXPECT_EQ(pack.extractTree(dir / "out"), big.size() + 9 + 4);
  EXPECT_EQ(treeContents(dir.path() / "out" / "Skyloom"), treeContents(dir.path() / "src" / "Skyloom"));
  ASSERT_FALSE(sinks.captured.progress.empty());
  EXPECT_EQ(sinks.captured.progress.back(), 1.0f);
  EXPECT_TRUE(pack.skippedNames().empty());

  const std::string out = fs::absolute(dir.path() / "out").string();
  const std::string sep(1, kPathSeparator);
  const auto& r = sinks.captured.reports;
  ASSERT_GE(r.size(), 3u);
  EXPECT_EQ(r[0], "Makedir:" + out + sep + "Skyloom");
  EXPECT_EQ(r[1], "Copyfile:" + out + sep + "Skyloom" + sep + "config.ini");
  EXPECT_EQ(std::count_if(r.begin(), r.end(), [](const std::string& s) { return s.rfind("Makedir:", 0) == 0; }), 4);

  // Extracting again over the existing tree creates nothing new and reports only the files.
  sinks.captured.reports.clear();
  EXPECT_EQ(pack.extractTree(dir / "out"), big.size() + 9 + 4);
  EXPECT_EQ(std::count_if(r.begin(), r.end(), [](const std::string& s) { return s.rfind("Makedir:", 0) == 0; }), 0);
}

TEST(PackExtract, ProgressCountsPerDirectoryAgainstTheTotalLength) {
  ScratchDir dir;
  // root lists A (100), S holding Z (50), then B (100); the header claims 1000 bytes in all.
  const std::string data = std::string(100, 'a') + std::string(50, 'z') + std::string(100, 'b');
  writeFile(dir.path() / "p.pck", rawPack({{"R", 0, 2, 1, 0, 0, 0, 1},
                                           {"A", 0, 0, 100, 2, 0, 0, 0},
                                           {"S", 1, 0, 1, 4, 1, 0, 3},
                                           {"Z", 0, 100, 50, 0, 0, 2, 0},
                                           {"B", 0, 150, 100, 0, 2, 0, 0}},
                                          data, 1000));
  SinkCapture sinks;
  Pack pack;
  ASSERT_EQ(pack.open("p.pck"), 5u);
  EXPECT_EQ(pack.extractTree(dir.path().string()), 250u);
  EXPECT_EQ(sinks.captured.progress, (std::vector<float>{0.1f, 0.05f, 0.25f, 1.0f}));
  EXPECT_EQ(readFile(dir.path() / "R" / "S" / "Z"), std::string(50, 'z'));
}

TEST(PackExtract, HostileNamesNeverLeaveTheDestination) {
  ScratchDir dir;
  // Each bad name sits among good ones; only the good ones are written.
  writeFile(dir.path() / "evil.pck",
            rawPack({{"root", 0, 6, 1, 0, 0, 0, 1},
                     {"..", 0, 0, 1, 2, 0, 0, 0},
                     {"..\\up.txt", 0, 1, 1, 3, 1, 0, 0},
                     {"c:x", 0, 2, 1, 4, 2, 0, 0},
                     {"a/b", 0, 3, 1, 5, 3, 0, 0},
                     {"", 0, 4, 1, 6, 4, 0, 0},
                     {"..", 1, 0, 1, 8, 5, 0, 7},
                     {"inside", 0, 5, 1, 0, 0, 6, 0},
                     {"good.txt", 0, 6, 1, 0, 6, 0, 0}},
                    "1234567"));
  fs::create_directories(dir.path() / "dest" / "deep");
  Pack pack;
  ASSERT_EQ(pack.open("evil.pck"), 9u);
  EXPECT_EQ(pack.extractTree(dir / "dest/deep"), 1u);
  EXPECT_EQ(readFile(dir.path() / "dest" / "deep" / "root" / "good.txt"), "7");
  EXPECT_EQ(pack.skippedNames().size(), 6u);
  EXPECT_EQ(treeContents(dir.path() / "dest"),
            (std::vector<std::pair<std::string, std::string>>{
                {"deep", "<dir>"}, {"deep/root", "<dir>"}, {"deep/root/good.txt", "7"}}));
  EXPECT_FALSE(fs::exists(dir.path() / "dest" / "deep" / "up.txt"));
  EXPECT_FALSE(fs::exists(dir.path() / "dest" / "inside"));
}

TEST(PackOpen, RefusesBrokenDirectories) {
  ScratchDir dir;
  const std::string data = "abc";
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string noNul = rawPack({{"r", 0, 1, 0, 0, 0, 0, 1}, {"f", 0, 0, 3, 0, 0, 0, 0}}, data);
  std::memset(noNul.data() + 44 + 96, 'n', 64);
  const Case cases[] = {
      {"sibling loop", rawPack({{"r", 0, 2, 0, 0, 0, 0, 1}, {"f", 0, 0, 1, 2, 0, 0, 0}, {"g", 0, 1, 1, 1, 1, 0, 0}}, data)},
      {"directory holds itself", rawPack({{"r", 0, 0, 1, 0, 0, 0, 1}, {"d", 1, 0, 0, 0, 0, 0, 1}}, data)},
      {"self sibling", rawPack({{"r", 0, 1, 0, 0, 0, 0, 1}, {"f", 0, 0, 1, 1, 0, 0, 0}}, data)},
      {"child out of range", rawPack({{"r", 0, 1, 0, 0, 0, 0, 7}, {"f", 0, 0, 1, 0, 0, 0, 0}}, data)},
      {"parent out of range", rawPack({{"r", 0, 1, 0, 0, 0, 0, 1}, {"f", 0, 0, 1, 0, 0, 9, 0}}, data)},
      {"data past the pack", rawPack({{"r", 0, 1, 0, 0, 0, 0, 1}, {"f", 0, 2, 0xFFFFFFFF, 0, 0, 0, 0}}, data)},
      {"name without NUL", noNul},
      {"directory cut short", rawPack({{"r", 0, 1, 0, 0, 0, 0, 1}, {"f", 0, 0, 3, 0, 0, 0, 0}}, data).substr(0, 44 + 150)},
      {"header cut short", rawPack({{"r", 0, 0, 0, 0, 0, 0, 0}}, "").substr(0, 40)},
      {"no entries", rawPack({}, "")},
      {"total shorter than directory", rawPack({{"r", 0, 0, 0, 0, 0, 0, 0}}, "", 50)},
  };
  for (const Case& c : cases) {
    writeFile(dir.path() / "bad.pck", c.bytes);
    Pack pack;
    EXPECT_EQ(pack.open("bad.pck"), 0u) << c.what;
    FileData out;
    EXPECT_EQ(pack.read("f", out), kPackNotFound) << c.what;
  }
  // A directory chain deeper than extraction recurses is refused too.
  std::vector<RawEntry> chain{{"r", 0, 0, 1, 0, 0, 0, 1}};
  for (std::uint32_t i = 1; i <= kPackMaxDepth + 1; ++i) chain.push_back({"d", 1, 1, 0, 0, 0, i - 1, i == kPackMaxDepth + 1 ? 0 : i + 1});
  writeFile(dir.path() / "deep.pck", rawPack(chain, ""));
  Pack deep;
  EXPECT_EQ(deep.open("deep.pck"), 0u);
}

}  // namespace
}  // namespace skyloom
