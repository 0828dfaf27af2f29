#include <cstring>

#include "resources/executable_path.h"
#include "pack_test_util.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

// root "data" holding clouds.bmp (5 bytes), empty.txt (0 bytes) and sub\clouds.bmp (3 bytes)
std::string sampleTree(const ScratchDir& dir) {
  writeFile(dir.path() / "data" / "clouds.bmp", "CLOUD");
  writeFile(dir.path() / "data" / "empty.txt", "");
  writeFile(dir.path() / "data" / "sub" / "Clouds.BMP", "SUB");
  Pack pack;
  EXPECT_EQ(pack.build((dir / "data").c_str()), 5u);
  const std::string out = dir / "sample.pck";
  EXPECT_GT(pack.write(out.c_str()), 0u);
  return readFile(out);
}

TEST(PackOpen, FindsThePackAfterAnImageAtAnOddOffsetAndAtOffsetZero) {
  ScratchDir dir;
  const std::string pack = sampleTree(dir);
  // An image that happens to contain the signature with a nonsensical header in front.
  std::string image(12345, '\x90');
  const std::string decoy = rawPack({{"x", 0, 0, 0, 0, 0, 0, 0}}, "").substr(0, 28) + std::string(16, '\xff');
  image.replace(100, decoy.size(), decoy);
  writeFile(dir.path() / "app.exe", image + pack);
  writeFile(dir.path() / "pack.dat", pack);

  Pack appended;
  EXPECT_EQ(appended.open((dir / "app.exe").c_str()), 5u);
  EXPECT_EQ(appended.packStart(), 12345u);
  EXPECT_EQ(appended.dataStart(), 12345u + 44 + 5 * 96);
  FileData data;
  EXPECT_EQ(appended.read("clouds.bmp", data), kPackFromPack);

  Pack plain;
  EXPECT_EQ(plain.open((dir / "pack.dat").c_str()), 5u);
  EXPECT_EQ(plain.packStart(), 0u);
}

TEST(PackOpen, RefusesFilesWithoutAPackInTheFirstTwoMegabytes) {
  ScratchDir dir;
  const std::string pack = sampleTree(dir);
  writeFile(dir.path() / "late.exe", std::string(kPackScanWindow, 'z') + pack);
  writeFile(dir.path() / "straddling.exe", std::string(kPackScanWindow - 100, 'z') + pack);
  Pack p;
  EXPECT_EQ(p.open((dir / "late.exe").c_str()), 0u);
  EXPECT_EQ(p.open((dir / "straddling.exe").c_str()), 0u);  // directory reaches past the window
  EXPECT_EQ(p.open((dir / "missing.dat").c_str()), 0u);
  EXPECT_FALSE(p.isOpen());
}

TEST(PackOpen, TheProgramImageHoldsNoSignatureOfItsOwn) {
  // An appended pack must be the first match in the executable that carries it.
  const std::string self = readFile(executablePath());
  ASSERT_FALSE(self.empty());
  const auto words = packMagicWords();
  std::string magic(24, '\0');
  for (int i = 0; i < 6; ++i) {
    for (int b = 0; b < 4; ++b) magic[4 * i + b] = static_cast<char>(words[i] >> (8 * b));
  }
  EXPECT_EQ(self.find(magic), std::string::npos);
  Pack p;
  EXPECT_EQ(p.open(nullptr), 0u);
}

TEST(PackRead, MatchesByBaseNameCaseInsensitivelyAndTheLastMatchWins) {
  ScratchDir dir;
  writeFile(dir.path() / "pack.dat", sampleTree(dir));
  Pack pack;
  ASSERT_EQ(pack.open("pack.dat"), 5u);
  FileData a, b;
  EXPECT_EQ(pack.read("pack\\clouds.bmp", a), kPackFromPack);
  EXPECT_EQ(pack.read("CLOUDS.bmp", b), kPackFromPack);
  EXPECT_EQ(a.view(), "SUB");  // sub\Clouds.BMP comes later in the directory
  EXPECT_EQ(b.view(), "SUB");
  EXPECT_EQ(a.bytes[a.size], '\0');
}

TEST(PackRead, AnEmptyEntryYieldsAOneByteBufferHoldingNul) {
  ScratchDir dir;
  writeFile(dir.path() / "pack.dat", sampleTree(dir));
  Pack pack;
  ASSERT_TRUE(pack.open("pack.dat"));
  FileData data;
  ASSERT_EQ(pack.read("empty.txt", data), kPackFromPack);
  EXPECT_EQ(data.size, 0u);
  ASSERT_NE(data.bytes, nullptr);
  EXPECT_EQ(data.bytes[0], '\0');
}

TEST(PackRead, IntoACallersBufferStopsAtItsSizeAndAtTheEntryEnd) {
  ScratchDir dir;
  writeFile(dir.path() / "pack.dat", sampleTree(dir));
  Pack pack;
  ASSERT_TRUE(pack.open("pack.dat"));
  char buf[8] = {};
  std::size_t n = 0;
  EXPECT_EQ(pack.read("empty.txt", std::span<char>(buf, 2), n), kPackFromPack);
  EXPECT_EQ(n, 0u);
  FileData whole;
  EXPECT_EQ(pack.read("clouds.bmp", whole, 1), kPackFromPack);
  EXPECT_EQ(whole.view(), "UB");
  EXPECT_EQ(pack.read("clouds.bmp", std::span<char>(buf, 2), n), kPackFromPack);
  EXPECT_EQ(std::string(buf, n), "SU");
  EXPECT_EQ(pack.read("clouds.bmp", std::span<char>(buf, 8), n, 5), kPackFromPack);
  EXPECT_EQ(n, 0u);
}

TEST(PackRead, FallsBackToLooseFileThenPackFolderThenFallbackReader) {
  ScratchDir dir;
  Pack closed;
  FileData data;
  EXPECT_EQ(closed.read("land200.jpg", data), kPackNotFound);
  EXPECT_EQ(data.bytes, nullptr);

  writeFile(dir.path() / "pack" / "land200.jpg", "under pack");
  EXPECT_EQ(closed.read("land200.jpg", data), kPackFromLooseFile);
  EXPECT_EQ(data.view(), "under pack");
  writeFile(dir.path() / "land200.jpg", "loose");
  EXPECT_EQ(closed.read("land200.jpg", data), kPackFromLooseFile);
  EXPECT_EQ(data.view(), "loose");
  // The folder name is kept: "tem\a.tem" is looked for as "pack\tem\a.tem".
  writeFile(dir.path() / "pack" / "tem" / "a.tem", "grid");
  EXPECT_EQ(closed.read("tem\\a.tem", data), kPackFromLooseFile);
  EXPECT_EQ(data.view(), "grid");

  Pack installer(Pack::Flavour::Installer);
  EXPECT_EQ(installer.read("tem\\a.tem", data), kPackNotFound);

  packFallbackReader = [](FileData& out, const char* name) {
    if (std::strcmp(name, "plane.cu") != 0) return false;
    out.bytes.reset(new char[4]{'m', 'e', 's', '\0'});
    out.size = 3;
    return true;
  };
  EXPECT_EQ(closed.read("plane.cu", data), kPackFromFallback);
  EXPECT_EQ(data.view(), "mes");
  EXPECT_EQ(closed.read("other.cu", data), kPackNotFound);
  EXPECT_EQ(installer.read("plane.cu", data), kPackNotFound);
  packFallbackReader = nullptr;
  // Folders are not files.
  std::filesystem::create_directory(dir.path() / "folder");
  EXPECT_EQ(closed.read("folder", data), kPackNotFound);
}

TEST(PackRead, ASingleEntryPackCarriesOneFile) {
  ScratchDir dir;
  const std::string log = "Title:Skyloom\r\nversion:1.0\r\n";
  const auto pack = makeSingleEntryPack("install.log", std::span<const char>(log.data(), log.size()));
  writeFile(dir.path() / "Uninstall.exe", std::string(777, 'M') + std::string(pack.begin(), pack.end()));
  Pack p(Pack::Flavour::Installer);
  ASSERT_EQ(p.open((dir / "Uninstall.exe").c_str()), 1u);
  EXPECT_EQ(p.header().totalLength, 44u + 96u + log.size());
  EXPECT_EQ(p.header().extraA, 0u);
  EXPECT_EQ(p.header().extraB, 1u);
  FileData data;
  ASSERT_EQ(p.read("install.log", data), kPackFromPack);
  EXPECT_EQ(data.view(), log);
  EXPECT_EQ(p.extractEntry("INSTALL.LOG", dir / "copy.log"), 1);
  EXPECT_EQ(readFile(dir / "copy.log"), log);
  EXPECT_EQ(p.extractEntry("missing.log", dir / "copy2.log"), 0);
  EXPECT_EQ(p.extractEntry("install.log", dir / "no/such/dir.log"), -1);
}

TEST(PackRead, TruncatedDataGivesTheBytesThatExist) {
  ScratchDir dir;
  const std::string pack = sampleTree(dir);
  writeFile(dir.path() / "cut.dat", pack.substr(0, pack.size() - 2));  // sub\Clouds.BMP loses 2
  Pack p;
  ASSERT_EQ(p.open("cut.dat"), 5u);
  FileData data;
  ASSERT_EQ(p.read("clouds.bmp", data), kPackFromPack);
  EXPECT_EQ(data.view(), "S");
}

}  // namespace
}  // namespace skyloom
