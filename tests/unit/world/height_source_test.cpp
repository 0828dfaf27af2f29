#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/file.h"
#include "core/random.h"
#include "resources/image.h"
#include "resources/image_test_util.h"
#include "resources/pack_test_util.h"
#include "world/global_grid.h"
#include "world/height_file.h"
#include "world/height_source.h"
#include "world/image_heights.h"
#include "world/terrain_cache_writer.h"
#include "world/text_grid.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;
using Tile = std::array<std::uint16_t, kTileSampleCount>;

std::uint16_t sampleOf(const Tile& t, int i, int j) { return t[static_cast<std::size_t>(j) * kTileSamples + i]; }

void expectFlat(const HeightSource& source, const char* what) {
  EXPECT_EQ(source.kind(), HeightSourceKind::Flat) << what;
  EXPECT_EQ(source.gridWidth(), 100) << what;
  EXPECT_EQ(source.gridHeight(), 100) << what;
  EXPECT_EQ(source.sampleSpacing(), 100.0f) << what;
  EXPECT_EQ(source.heightUnit(), kPublishedHeightUnit) << what;
  EXPECT_EQ(source.grid().samples, std::vector<std::uint16_t>(100 * 100, 0)) << what;
}

void store(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ASSERT_TRUE(writeFileReplacing(path, bytes.data(), bytes.size()));
}

std::vector<std::uint8_t> contents(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  readWholeFile(path, bytes);
  return bytes;
}

// A square height file in metres: a slope with holes at the start of row 5 and the end of row 6.
std::vector<std::uint8_t> heightFileBytes(int n) {
  std::vector<std::uint8_t> bytes(std::size_t{2} * n * n);
  for (int z = 0; z < n; ++z) {
    for (int x = 0; x < n; ++x) {
      int metres = (x + 2 * z) % 3000 + 1;
      if ((z == 5 && x < 3) || (z == 6 && x >= n - 2)) metres = -32768;
      const std::size_t at = 2 * (std::size_t{static_cast<std::size_t>(z)} * n + x);
      bytes[at] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(metres) >> 8);
      bytes[at + 1] = static_cast<std::uint8_t>(metres);
    }
  }
  return bytes;
}

TEST(HeightSourceLoad, HeightFilesOfBothSizesAreToldApartByLength) {
  ScratchDir dir;
  HeightSource source;
  for (const int n : {kHeightFileSmallSamples, kHeightFileSamples}) {
    const auto bytes = heightFileBytes(n);
    store(dir / "tem/n.hgt", bytes);
    source.load("n.hgt");
    ASSERT_EQ(source.kind(), HeightSourceKind::HeightFile) << n;
    EXPECT_EQ(source.gridWidth(), n);
    EXPECT_EQ(source.gridHeight(), n);
    EXPECT_EQ(source.sampleSpacing(), n == kHeightFileSamples ? 5.01f : 15.03f);
    EXPECT_EQ(source.heightUnit(), kPublishedHeightUnit);
    // Read in place, the grid is what the parser makes of the same bytes.
    HeightGrid parsed;
    float spacing = 0;
    ASSERT_TRUE(parseHeightFile(bytes, parsed, spacing));
    EXPECT_TRUE(source.grid().samples == parsed.samples) << n;
    EXPECT_EQ(source.grid().at(0, 5), source.grid().at(3, 5));  // 14 m: 84 units
    EXPECT_EQ(source.grid().at(3, 5), 84);
    EXPECT_EQ(source.grid().at(n - 1, 6), source.grid().at(n - 3, 6));
    EXPECT_EQ(source.grid().at(1, 1), 24);  // 4 m
  }
  // One byte over, one sample short, or no file at all: flat, and nothing of the last grid left.
  auto odd = heightFileBytes(kHeightFileSmallSamples);
  odd.push_back(0);
  store(dir / "tem/odd.hgt", odd);
  source.load("odd.hgt");
  expectFlat(source, "one byte over");
  odd.resize(odd.size() - 3);
  store(dir / "tem/odd.hgt", odd);
  source.load("odd.hgt");
  expectFlat(source, "one sample short");
  source.load("absent.hgt");
  expectFlat(source, "no file");
}

std::string textGridFile(int dropValues) {
  std::string text(kTextGridHeaderBytes, ' ');
  const int values = kTextGridSamples * kTextGridSamples - dropValues;
  for (int n = 0; n < values; ++n) text += std::to_string(n % 8999 + 1) + (n % 7 ? " " : "\r\n");
  return text;
}

TEST(HeightSourceLoad, TextGridsFillFromTheBottomLeftAndShortOnesFallBack) {
  ScratchDir dir;
  HeightSource source;
  writeFile(dir.path() / "tem" / "highlands.dem", textGridFile(0));
  source.load("highlands.dem");
  ASSERT_EQ(source.kind(), HeightSourceKind::TextGrid);
  EXPECT_EQ(source.gridWidth(), 1200);
  EXPECT_EQ(source.sampleSpacing(), 70.0f);
  EXPECT_EQ(source.heightUnit(), kPublishedHeightUnit);
  const HeightGrid& g = source.grid();
  EXPECT_EQ(g.at(0, 1199), textGridHeight(1));
  EXPECT_EQ(g.at(0, 0), textGridHeight(1200));
  EXPECT_EQ(g.at(1, 1199), textGridHeight(1201));
  const int last = 1200 * 1200 - 1;
  EXPECT_EQ(g.at(1199, 0), textGridHeight(last % 8999 + 1));
  // Numbers cross the 8192-byte blocks the file is read in.
  const int n = 1200 * 7 + 1199 - 1000;  // the value at column 7, row 1000
  EXPECT_EQ(g.at(7, 1000), textGridHeight(n % 8999 + 1));

  writeFile(dir.path() / "tem" / "short.dem", textGridFile(1));
  source.load("short.dem");
  expectFlat(source, "one value short");
  writeFile(dir.path() / "tem" / "header.dem", std::string(kTextGridHeaderBytes, '5'));
  source.load("header.dem");
  expectFlat(source, "nothing after the header");
}

TEST(HeightSourceLoad, OtherNamesAreGlobalGridsUsedAsTheyAre) {
  ScratchDir dir;
  std::vector<std::uint8_t> bytes(kGlobalGridBytes + 10);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
  store(dir / "tem/earth.grd", bytes);
  HeightSource source;
  source.load("earth.grd");
  ASSERT_EQ(source.kind(), HeightSourceKind::GlobalGrid);
  EXPECT_EQ(source.gridWidth(), 5760);
  EXPECT_EQ(source.gridHeight(), 2880);
  EXPECT_EQ(source.sampleSpacing(), 70.0f);
  EXPECT_EQ(source.grid().at(0, 0), bytes[0] << 8 | bytes[1]);
  const std::size_t at = 2 * (std::size_t{2000} * 5760 + 4321);
  EXPECT_EQ(source.grid().at(4321, 2000), bytes[at] << 8 | bytes[at + 1]);

  bytes.resize(kGlobalGridBytes - 1);
  store(dir / "tem/earth", bytes);
  source.load("earth");
  expectFlat(source, "short global grid");
  source.load("nothing.xyz");
  expectFlat(source, "no file");
}

// Sets the main pack for one test and always clears it again.
class MainPackScope {
 public:
  explicit MainPackScope(Pack* pack) { mainPack = pack; }
  ~MainPackScope() { mainPack = nullptr; }
};

std::vector<std::uint8_t> greyJpeg() {
  std::vector<std::uint8_t> grey(16 * 8);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i * 2);
  return makeJpeg(grey, 16, 8, 1);
}

void expectPictureHeights(const HeightSource& source, const char* picture) {
  ASSERT_EQ(source.kind(), HeightSourceKind::Image) << picture;
  Image image;
  ASSERT_EQ(loadImage(picture, image), 0);
  EXPECT_EQ(source.sampleSpacing(), 100.0f);
  EXPECT_EQ(source.heightUnit(), kPublishedHeightUnit);
  EXPECT_EQ(source.grid().samples, heightsFromImage(image).samples) << picture;
}

TEST(HeightSourceLoad, TheBareSettingBmpFindsThePackedJpeg) {
  ScratchDir dir;
  HeightSource source;
  // As installed: "bmp.jpg" inside the main pack.
  writeFile(dir.path() / "data" / "bmp.jpg", asString(greyJpeg()));
  Pack builder;
  ASSERT_EQ(builder.build((dir / "data").c_str()), 2u);
  ASSERT_GT(builder.write((dir / "pack.dat").c_str()), 0u);
  {
    Pack pack;
    ASSERT_EQ(pack.open("pack.dat"), 2u);
    MainPackScope scope(&pack);
    source.load("bmp");
    expectPictureHeights(source, "pack\\bmp.jpg");
    EXPECT_EQ(source.gridWidth(), 16);
    EXPECT_EQ(source.gridHeight(), 8);
  }
  // Loose under "pack\", and a name with folders looks for the picture without them.
  source.load("nothing.xyz");
  writeFile(dir.path() / "pack" / "bmp.jpg", asString(greyJpeg()));
  source.load("bmp");
  expectPictureHeights(source, "pack\\bmp.jpg");
  BmpShape shape;
  shape.width = 2;
  shape.height = 1;
  shape.bits = {10, 20, 30, 200, 100, 50, 0, 0};
  writeFile(dir.path() / "pack" / "relief.bmp", asString(makeBmp(shape)));
  source.load("maps\\relief.bmp");
  expectPictureHeights(source, "pack\\relief.bmp");
  EXPECT_EQ(source.gridWidth(), 2);

  source.load("gone.jpg");  // no picture, and no global grid of that name either
  expectFlat(source, "no picture");
}

TEST(HeightSourceLoad, ToolPathsAreReadAsGiven) {
  ScratchDir dir;
  HeightSource source;
  store(dir / "mine/peak.hgt", heightFileBytes(kHeightFileSmallSamples));
  source.loadPath(dir / "mine/peak.hgt");
  EXPECT_EQ(source.kind(), HeightSourceKind::HeightFile);
  EXPECT_EQ(source.gridWidth(), kHeightFileSmallSamples);
  // A picture beside it, not in any pack.
  BmpShape shape;
  shape.width = 1;
  shape.height = 1;
  shape.bits = {255, 0, 0, 0};
  writeFile(dir.path() / "mine" / "blue.bmp", asString(makeBmp(shape)));
  source.loadPath(dir / "mine/blue.bmp");
  ASSERT_EQ(source.kind(), HeightSourceKind::Image);
  EXPECT_EQ(source.grid().at(0, 0), 336);  // delivered as R, G, B: blue is the third byte, weighing 0.1
  source.loadPath(dir / "mine/none.dem");
  expectFlat(source, "no file");
}

// A grid with slopes, sea and hard steps, so tiles of every level differ.
HeightGrid landscape(int w, int h) {
  HeightGrid g(w, h);
  for (int z = 0; z < h; ++z) {
    for (int x = 0; x < w; ++x) {
      g.at(x, z) = static_cast<std::uint16_t>(x < w / 5 ? 0 : (x * 37 + z * 11) % 5000 + ((x / 97 + z / 53) % 3) * 9000);
    }
  }
  return g;
}

class HeightSourceCacheTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  HeightSource source;
  Tile tile{};
};

TEST_F(HeightSourceCacheTest, TilesOfEveryLevelAreTheWritersLevels) {
  const HeightGrid grid = landscape(1500, 700);  // laid out on 2 × 1 blocks
  TerrainCacheOptions options;
  options.sampleSpacing = 20.0f;
  options.heightUnit = 0.25f;
  std::filesystem::create_directories(dir.path() / "tem");
  ASSERT_EQ(writeTerrainCache(dir / "tem/land.tem", grid, options), kOk);
  source.load("land.tem");
  ASSERT_EQ(source.kind(), HeightSourceKind::TiledCache);
  EXPECT_FALSE(source.inMemory());
  EXPECT_EQ(source.sampleSpacing(), 20.0f);
  EXPECT_EQ(source.heightUnit(), 0.25f);  // the header's, not the published one
  EXPECT_EQ(source.gridWidth(), 1500);
  EXPECT_EQ(source.gridHeight(), 700);

  std::vector<HeightGrid> levels{extentGrid(grid, 2, 1)};
  for (int k = 1; k < kCacheLevels; ++k) levels.push_back(halveHeightLevel(levels.back()));
  for (int k = 0; k < kCacheLevels; ++k) {
    for (const auto& [x, z] : {std::pair{-749, -349}, std::pair{300, 200}, std::pair{1023, 511}}) {
      ASSERT_EQ(source.tile(x, z, k, tile, false), kTileFound) << "level " << k;
      const TileLocation loc = locateTile(source.cacheFile()->geometry(), k, x, z);
      const int ex = static_cast<int>((loc.originX + 1024) >> k);
      const int ez = static_cast<int>((loc.originZ + 512) >> k);
      int mismatches = 0;
      for (int j = 0; j < kTileSamples; ++j) {
        for (int i = 0; i < kTileSamples; ++i) mismatches += sampleOf(tile, i, j) != levels[k].clamped(ex + i, ez + j);
      }
      EXPECT_EQ(mismatches, 0) << "level " << k << " at " << x << "," << z;
    }
  }
}

TEST_F(HeightSourceCacheTest, WindowsShowAbsentTilesAsFFFFAndTheOutsideAsZero) {
  HeightGrid grid(1025, 1025);
  for (int z = 0; z < 1025; ++z) {
    for (int x = 0; x < 1025; ++x) grid.at(x, z) = static_cast<std::uint16_t>(x * 8 + z * 16 + 1);
  }
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(encodeTerrainCache(grid, {}, bytes), kOk);
  // Drop the level-0 tile whose origin is the centre.
  const TileLocation loc = locateTile(CacheGeometry(1, 1), 0, 0, 0);
  const std::uint32_t table = readLE32(bytes.data() + kCacheHeaderBytes + 4 * loc.indexEntry);
  writeLE32(bytes.data() + table + 8 * loc.slot, 0);
  store(dir / "tem/holed.tem", bytes);
  source.load("holed.tem");
  ASSERT_EQ(source.kind(), HeightSourceKind::TiledCache);

  // Four tiles meet at the centre: the one at (0, 0) is absent.
  std::vector<std::uint16_t> window(20 * 20, 7);
  EXPECT_EQ(source.window(-10, -10, 10, 10, window), kTileFromGrid);
  for (int z = -10; z < 10; ++z) {
    for (int x = -10; x < 10; ++x) {
      const std::uint16_t got = window[static_cast<std::size_t>((z + 10) * 20 + x + 10)];
      const std::uint16_t want = x >= 0 && z >= 0 ? 0xFFFF : grid.at(x + 512, z + 512);
      ASSERT_EQ(got, want) << x << "," << z;
    }
  }
  // The extent ends at base sample 512: beyond it the land is zero.
  std::vector<std::uint16_t> edge(4, 7);
  EXPECT_EQ(source.window(510, -300, 514, -299, edge), kTileFromGrid);
  EXPECT_EQ(edge, (std::vector<std::uint16_t>{grid.at(1022, 212), grid.at(1023, 212), 0, 0}));
}

TEST_F(HeightSourceCacheTest, DamagedFilesFallBackAndAreLeftAsTheyWere) {
  std::vector<std::uint8_t> good;
  ASSERT_EQ(encodeTerrainCache(landscape(300, 300), {}, good), kOk);
  auto plainGrid = good;
  writeLE32(plainGrid.data() + 40, 0);
  std::vector<std::uint8_t> garbage(5000);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 131 + 7);
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"short header", std::vector<std::uint8_t>(good.begin(), good.begin() + 30)},
      {"header without its index", std::vector<std::uint8_t>(good.begin(), good.begin() + 60)},
      {"plain grid layout", plainGrid},
      {"garbage", garbage},
  };
  const std::string path = dir / "tem/bad.tem";
  for (const auto& c : cases) {
    store(path, c.bytes);
    source.load("bad.tem");
    expectFlat(source, c.what);
    EXPECT_EQ(contents(path), c.bytes) << c.what;
    // Nothing written beside it either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "tem"), {}), 1) << c.what;
  }
  source.load("missing.tem");
  expectFlat(source, "missing");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "tem" / "missing.tem"));
}

TEST(HeightSourceLoad, RandomPicksAFileOfTem) {
  ScratchDir dir;
  HeightSource source;
  source.load("random");
  expectFlat(source, "no tem folder");
  EXPECT_EQ(randomTerrainFile(), "");

  std::vector<std::uint8_t> cache;
  ASSERT_EQ(encodeTerrainCache(landscape(200, 200), {}, cache), kOk);
  store(dir / "tem/only.tem", cache);
  std::filesystem::create_directories(dir.path() / "tem" / "folder.tem");
  writeFile(dir.path() / "tem" / ".hidden.tem", "x");
  seedRandom(1);
  source.load("random");
  EXPECT_EQ(source.kind(), HeightSourceKind::TiledCache);

  writeFile(dir.path() / "tem" / "other.hgt", "x");
  std::vector<std::string> picked;
  for (int i = 0; i < 20; ++i) picked.push_back(randomTerrainFile());
  seedRandom(1);
  EXPECT_EQ(std::count(picked.begin(), picked.end(), "only.tem") + std::count(picked.begin(), picked.end(), "other.hgt"),
            20);
  EXPECT_GT(std::count(picked.begin(), picked.end(), "other.hgt"), 0);
  EXPECT_GT(std::count(picked.begin(), picked.end(), "only.tem"), 0);
}

TEST(HeightSourceGrid, FarCoordinatesSeeTheGridMirrored) {
  HeightSource source;
  HeightGrid grid(3, 2);
  grid.samples = {0, 1, 2, 10, 11, 12};
  source.loadGrid(std::move(grid), 30.0f);
  Tile tile{};
  // Columns repeat 0 1 2 2 1 0 0 1 2 ...: no seam, at any distance.
  ASSERT_EQ(source.tile(-3, 0, 0, tile, false), kTileFromGrid);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(sampleOf(tile, i, 0), (std::array{2, 2, 1, 0, 1, 2})[i]) << i;
  ASSERT_EQ(source.tile(999999, -1000001, 0, tile, false), kTileFromGrid);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(sampleOf(tile, i, 0), (std::array{12, 11, 10, 10, 11, 12, 12})[i]) << i;
  // Rows -1000001 .. -999998 mirror to 1, 0, 0, 1.
  EXPECT_EQ(sampleOf(tile, 0, 1), 2);
  EXPECT_EQ(sampleOf(tile, 0, 2), 2);
  EXPECT_EQ(sampleOf(tile, 0, 3), 12);
  // Coarse levels step far past the grid; the ends of the 32-bit range stay in it.
  ASSERT_EQ(source.tile(INT32_MIN, INT32_MAX, 8, tile, false), kTileFromGrid);
  for (std::uint16_t s : tile) ASSERT_TRUE(s <= 2 || (s >= 10 && s <= 12));
  std::vector<std::uint16_t> window(6);
  ASSERT_EQ(source.window(-3, -1, 3, 0, window), kTileFromGrid);
  EXPECT_EQ(window, (std::vector<std::uint16_t>{12, 12, 11, 10, 11, 12}));

  // Requests that cannot be met fail and leave the caller's buffer alone.
  EXPECT_EQ(source.window(-3, -1, 3, 1, window), kTileReadError);  // 12 samples into 6
  // Spans whose product overflows a signed 64-bit count.
  EXPECT_EQ(source.window(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, window), kTileReadError);
  EXPECT_EQ(window, (std::vector<std::uint16_t>{12, 12, 11, 10, 11, 12}));
  EXPECT_EQ(source.tile(0, 0, -1, tile, false), kTileReadError);
  EXPECT_EQ(source.tile(0, 0, 64, tile, false), kTileReadError);
}

}  // namespace
}  // namespace skyloom
