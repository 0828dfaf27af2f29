#include "aircraft/texture_pack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/pack_test_util.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string textOf(const Bytes& b) { return std::string(b.begin(), b.end()); }

struct RawTextureEntry {
  std::string name;  // up to 16 characters, written as given
  std::uint32_t offset, length;
};

// A header and directory written by hand, for layouts the writer never makes.
Bytes rawTexturePack(std::uint32_t totalSize, std::uint32_t count, const std::vector<RawTextureEntry>& entries) {
  Bytes out(kTexturePackHeaderSize + kTexturePackEntrySize * entries.size(), 0);
  writeLE32(out.data(), kTexturePackMagic);
  writeLE32(out.data() + 4, totalSize);
  writeLE32(out.data() + 8, count);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::uint8_t* e = out.data() + kTexturePackHeaderSize + kTexturePackEntrySize * i;
    std::memcpy(e, entries[i].name.data(), std::min<std::size_t>(entries[i].name.size(), 16));
    writeLE32(e + 16, entries[i].offset);
    writeLE32(e + 20, entries[i].length);
  }
  return out;
}

Bytes samplePack() {
  Bytes out;
  writeTexturePack({{"Land200.jpg", bytesOf("LAND")}, {"empty.bmp", {}}, {"tree.tga", bytesOf("TREE!")}}, out);
  return out;
}

// What read answers, as text ("<absent>" for nothing).
std::string readText(TexturePack& pack, std::string_view name) {
  const auto bytes = pack.read(name);
  return bytes ? textOf(*bytes) : "<absent>";
}

void append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

TEST(TexturePackDirectory, RoundTripsTheWritersPackAndFindsNamesCaseInsensitively) {
  Bytes out = bytesOf("xyz");  // the writer appends
  writeTexturePack({{"Land200.jpg", bytesOf("LAND")},
                    {"empty.bmp", {}},
                    {"a_very_long_name.jpg", bytesOf("LONG")},
                    {"tree.tga", bytesOf("TREE!")}},
                   out);
  ASSERT_EQ(out.size(), 3u + 12 + 4 * 24 + 4 + 4 + 5);
  const ByteSpan pack = ByteSpan(out).subspan(3);
  const auto dir = readTexturePackDirectory(pack);
  ASSERT_TRUE(dir);
  EXPECT_EQ(dir->totalSize, pack.size());
  ASSERT_EQ(dir->entries.size(), 4u);
  EXPECT_EQ(dir->entries[0].offset, 108u);
  EXPECT_EQ(dir->entries[1].offset, 112u);
  EXPECT_EQ(dir->entries[1].length, 0u);
  // Names are cut to 15 characters so that each keeps its terminating NUL.
  EXPECT_EQ(dir->entries[2].name, "a_very_long_nam");
  EXPECT_EQ(dir->entries[3].offset, 116u);

  const TexturePackEntry* land = dir->find("LAND200.JPG");
  ASSERT_NE(land, nullptr);
  EXPECT_EQ(std::string(pack.begin() + land->offset, pack.begin() + land->offset + land->length), "LAND");
  EXPECT_NE(dir->find("A_Very_Long_Nam"), nullptr);
  EXPECT_EQ(dir->find("Land200.jp"), nullptr);
  // A zero-length entry is listed but counts as absent.
  EXPECT_EQ(dir->find("empty.bmp"), nullptr);

  Bytes none;
  writeTexturePack({}, none);
  const auto empty = readTexturePackDirectory(none);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->totalSize, 12u);
  EXPECT_TRUE(empty->entries.empty());
}

TEST(TexturePackDirectory, FindTakesTheFirstEntryWithDataAndReadsSixteenCharacterNamesWhole) {
  const Bytes pack = rawTexturePack(200, 4,
                                    {{"sky.bmp", 108, 0},
                                     {"SKY.bmp", 108, 10},
                                     {"sky.BMP", 118, 10},
                                     {"sixteen_chars.ab", 128, 1}});
  const auto dir = readTexturePackDirectory(pack);
  ASSERT_TRUE(dir);
  ASSERT_EQ(dir->entries.size(), 4u);
  const TexturePackEntry* sky = dir->find("Sky.bmp");
  ASSERT_NE(sky, nullptr);
  EXPECT_EQ(sky->offset, 108u);
  EXPECT_EQ(sky->length, 10u);
  EXPECT_EQ(dir->entries[3].name, "sixteen_chars.ab");
  EXPECT_NE(dir->find("SIXTEEN_CHARS.AB"), nullptr);
}

TEST(TexturePackDirectory, DropsEntriesOutsideThePackAndRefusesBadHeadersAndShortDirectories) {
  const Bytes pack = rawTexturePack(100, 4,
                                    {{"fits.bmp", 60, 40},
                                     {"past.bmp", 60, 41},
                                     {"wraps.bmp", 0xFFFFFFF0u, 0x20},  // wraps round in 32 bits
                                     {"late.bmp", 100, 0}});
  const auto dir = readTexturePackDirectory(pack);
  ASSERT_TRUE(dir);
  ASSERT_EQ(dir->entries.size(), 2u);
  EXPECT_EQ(dir->entries[0].name, "fits.bmp");
  EXPECT_EQ(dir->entries[1].name, "late.bmp");
  EXPECT_EQ(dir->find("wraps.bmp"), nullptr);

  // The directory must lie within the bytes; the data need not.
  EXPECT_FALSE(readTexturePackDirectory(ByteSpan(pack).first(pack.size() - 1)));
  EXPECT_FALSE(readTexturePackDirectory(ByteSpan(pack).first(11)));
  EXPECT_FALSE(readTexturePackDirectory({}));
  Bytes wrongMagic = pack;
  wrongMagic[0] ^= 1;
  EXPECT_FALSE(readTexturePackDirectory(wrongMagic));
  // A count far beyond the bytes is refused rather than trusted.
  Bytes hugeCount = pack;
  writeLE32(hugeCount.data() + 8, 0xFFFFFFFFu);
  EXPECT_FALSE(readTexturePackDirectory(hugeCount));
}

TEST(TexturePackDirectory, ReadsAtMostTenThousandEntries) {
  std::vector<RawTextureEntry> entries(kTexturePackMaxEntries, {"a.bmp", 0, 1});
  entries.back().name = "last.bmp";
  const Bytes pack = rawTexturePack(1000, 25000, entries);
  const auto dir = readTexturePackDirectory(pack);
  ASSERT_TRUE(dir);
  EXPECT_EQ(dir->entries.size(), kTexturePackMaxEntries);
  EXPECT_NE(dir->find("last.bmp"), nullptr);
  // The ten thousandth entry itself must be present.
  EXPECT_FALSE(readTexturePackDirectory(ByteSpan(pack).first(pack.size() - 1)));
}

TEST(TexturePackScan, SkipsStrayMagicWordsAndFindsTheRealPack) {
  Bytes image(5000, 0x90);
  // The scanner's own constant as code holds it, followed by whatever comes next.
  writeLE32(image.data() + 17, kTexturePackMagic);
  // Headers with an empty directory: nothing to find, and too easily matched by chance.
  append(image, rawTexturePack(0, 0, {}));
  append(image, rawTexturePack(12, 0, {}));
  // A chain that adds up but whose first entry would start inside its own directory.
  append(image, rawTexturePack(40, 1, {{"x.bmp", 20, 20}}));
  // Consistent but too large to be appended (total size at the limit), then too many entries.
  append(image, rawTexturePack(10000000, 1, {{"x.bmp", 36, 10000000 - 36}}));
  append(image, rawTexturePack(24012, 1000, std::vector<RawTextureEntry>(1000, {"x.bmp", 24012, 0})));
  // Entries that do not follow each other exactly.
  append(image, rawTexturePack(70, 2, {{"a.bmp", 60, 5}, {"b.bmp", 66, 4}}));
  image.resize(image.size() + 333, 0xCC);
  const std::size_t real = image.size();
  append(image, samplePack());

  const auto found = findAppendedTexturePack(image);
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, real);
  EXPECT_EQ(findAppendedTexturePack(samplePack()), std::optional<std::size_t>(0));

  // The directory must be within the bytes scanned, though the data may follow later.
  const Bytes pack = samplePack();
  EXPECT_EQ(findAppendedTexturePack(ByteSpan(pack).first(12 + 3 * 24)), std::optional<std::size_t>(0));
  EXPECT_FALSE(findAppendedTexturePack(ByteSpan(pack).first(12 + 3 * 24 - 1)));
  EXPECT_FALSE(findAppendedTexturePack({}));
}

TEST(TexturePackScan, LooksOnlyAtTheFirstTenMillionBytes) {
  Bytes late(TexturePack::kScanLimit, 0);
  append(late, samplePack());
  EXPECT_FALSE(findAppendedTexturePack(late));
  Bytes edge(TexturePack::kScanLimit - 12, 0);
  append(edge, samplePack());
  EXPECT_EQ(findAppendedTexturePack(edge), std::optional<std::size_t>(TexturePack::kScanLimit - 12));
}

TEST(TexturePack, ReadsTexpkDatInTheCurrentDirectoryOnDemand) {
  ScratchDir dir;
  TexturePack none;
  EXPECT_FALSE(none.open(nullptr));
  EXPECT_FALSE(none.isOpen());
  EXPECT_FALSE(none.read("tree.tga"));

  // The pack promises 20 bytes of "cut.bmp" that the file does not hold.
  Bytes withCut = rawTexturePack(137, 4,
                                 {{"Land200.jpg", 108, 4}, {"empty.bmp", 112, 0}, {"tree.tga", 112, 5}, {"cut.bmp", 117, 20}});
  append(withCut, bytesOf("LANDTREE!"));
  writeFile(dir.path() / "texpk.dat", textOf(withCut));
  TexturePack pack;
  ASSERT_TRUE(pack.open(nullptr));
  EXPECT_TRUE(pack.isOpen());
  EXPECT_EQ(pack.directory().entries.size(), 4u);
  const auto tree = pack.read("TREE.TGA");
  ASSERT_TRUE(tree);
  EXPECT_EQ(textOf(*tree), "TREE!");
  EXPECT_EQ(readText(pack, "land200.jpg"), "LAND");
  EXPECT_FALSE(pack.read("empty.bmp"));
  EXPECT_FALSE(pack.read("cut.bmp"));
  EXPECT_FALSE(pack.read("missing.bmp"));
  pack.close();
  EXPECT_FALSE(pack.isOpen());
  EXPECT_FALSE(pack.read("tree.tga"));

  // A directory longer than the file is refused.
  Bytes claimsMore = samplePack();
  writeLE32(claimsMore.data() + 8, 9);
  writeFile(dir.path() / "texpk.dat", textOf(claimsMore));
  EXPECT_FALSE(pack.open(nullptr));
  writeFile(dir.path() / "texpk.dat", "short");
  EXPECT_FALSE(pack.open(nullptr));
}

TEST(TexturePack, PrefersAPackAppendedToTheProgramAndKeepsItInMemory) {
  ScratchDir dir;
  Bytes other;
  writeTexturePack({{"tree.tga", bytesOf("LOOSE")}}, other);
  writeFile(dir.path() / "texpk.dat", textOf(other));

  Bytes program(4096, 0x90);
  writeLE32(program.data() + 100, kTexturePackMagic);  // the scanner's constant in code
  // A consistent header whose pack would run far past the end of the file.
  append(program, rawTexturePack(9000036, 1, {{"huge.bmp", 36, 9000000}}));
  program.resize(program.size() + 77, 0);
  append(program, samplePack());
  program.resize(program.size() + 50, 0xEE);  // what follows the pack is not the pack's
  writeFile(dir.path() / "app.exe", textOf(program));

  TexturePack pack;
  ASSERT_TRUE(pack.open((dir / "app.exe").c_str()));
  std::filesystem::remove(dir.path() / "app.exe");  // it was read whole
  EXPECT_EQ(readText(pack, "tree.tga"), "TREE!");
  EXPECT_EQ(readText(pack, "Land200.jpg"), "LAND");
  EXPECT_FALSE(pack.read("huge.bmp"));

  // Without an appended pack, or without the program file, "texpk.dat" is used.
  writeFile(dir.path() / "plain.exe", std::string(3000, 'p'));
  ASSERT_TRUE(pack.open((dir / "plain.exe").c_str()));
  EXPECT_EQ(readText(pack, "tree.tga"), "LOOSE");
  ASSERT_TRUE(pack.open((dir / "gone.exe").c_str()));
  EXPECT_FALSE(pack.read("land200.jpg"));
}

TEST(TexturePack, ReadsTheRestOfAnAppendedPackThatRunsPastTheScannedBytes) {
  ScratchDir dir;
  Bytes tail(4000);
  for (std::size_t i = 0; i < tail.size(); ++i) tail[i] = static_cast<std::uint8_t>(i * 7);
  Bytes pack;
  writeTexturePack({{"head.bmp", bytesOf("H")}, {"tail.bmp", tail}}, pack);
  Bytes program(TexturePack::kScanLimit - 1000, 0);
  append(program, pack);
  writeFile(dir.path() / "big.exe", textOf(program));

  TexturePack own;
  ASSERT_TRUE(own.open((dir / "big.exe").c_str()));
  const auto read = own.read("tail.bmp");
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, tail);

  // The same file cut inside the pack's data: no pack, and no "texpk.dat" either.
  program.pop_back();
  writeFile(dir.path() / "big.exe", textOf(program));
  EXPECT_FALSE(own.open((dir / "big.exe").c_str()));
}

}  // namespace
}  // namespace skyloom
