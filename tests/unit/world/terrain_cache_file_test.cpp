#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/file.h"
#include "resources/pack_test_util.h"
#include "world/terrain_cache_file.h"
#include "world/terrain_cache_writer.h"
#include "world/tile_run_length.h"

namespace skyloom {
namespace {

using Tile = std::array<std::uint16_t, kTileSampleCount>;

std::uint16_t sampleOf(const Tile& t, int i, int j) { return t[static_cast<std::size_t>(j) * kTileSamples + i]; }

// A grid with slopes, plateaus of sea and a few hard steps: both planes of the tiles see runs
// and literals.
HeightGrid testGrid(int w, int h) {
  HeightGrid g(w, h);
  for (int z = 0; z < h; ++z) {
    for (int x = 0; x < w; ++x) {
      const int v = x < w / 4 ? 0 : (x * 37 + z * 11) % 5000 + ((x / 97 + z / 53) % 3) * 9000;
      g.at(x, z) = static_cast<std::uint16_t>(v);
    }
  }
  return g;
}

std::vector<std::uint8_t> encoded(const HeightGrid& g, bool pack = true) {
  std::vector<std::uint8_t> bytes;
  TerrainCacheOptions options;
  options.sampleSpacing = 20.0f;
  options.packTiles = pack;
  EXPECT_EQ(encodeTerrainCache(g, options, bytes), kOk);
  return bytes;
}

void store(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  ASSERT_TRUE(writeFileReplacing(path, bytes.data(), bytes.size()));
}

std::vector<std::uint8_t> runs(const std::vector<std::uint8_t>& in) {
  std::vector<std::uint8_t> out;
  encodeRuns(in, out);
  return out;
}

TEST(TerrainRunLength, CodesRunsAndCopiesAtTheirLimits) {
  // 127 is the longest repeat, 128 the longest copy; one more starts a second group.
  EXPECT_EQ(runs(std::vector<std::uint8_t>(127, 7)), (std::vector<std::uint8_t>{127, 7}));
  EXPECT_EQ(runs(std::vector<std::uint8_t>(128, 7)), (std::vector<std::uint8_t>{127, 7, 0xFF, 7}));
  std::vector<std::uint8_t> ramp(129);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i);
  const auto coded = runs(ramp);
  ASSERT_EQ(coded.size(), 131u);
  EXPECT_EQ(coded[0], 0x80);  // copy 128
  EXPECT_EQ(coded[129], 0xFF);
  EXPECT_EQ(coded[130], 128);
  // Pairs stay inside a copy; three equal bytes end it.
  EXPECT_EQ(runs({1, 2, 2, 3}), (std::vector<std::uint8_t>{0xFC, 1, 2, 2, 3}));
  EXPECT_EQ(runs({1, 2, 2, 2}), (std::vector<std::uint8_t>{0xFF, 1, 3, 2}));
  EXPECT_TRUE(runs({}).empty());
}

TEST(TerrainRunLength, DecodesZeroCountsAndStopsWhenFull) {
  std::array<std::uint8_t, 5> out{};
  // Zero counts are skipped; a repeat that overfills is cut; what follows is ignored.
  EXPECT_TRUE(decodeRuns(std::vector<std::uint8_t>{0, 0xFE, 1, 2, 0, 9, 5, 0xFF}, out));
  EXPECT_EQ(out, (std::array<std::uint8_t, 5>{1, 2, 5, 5, 5}));
  // A copy that overfills needs only the bytes that fit.
  EXPECT_TRUE(decodeRuns(std::vector<std::uint8_t>{0xF0, 1, 2, 3, 4, 5}, out));
  EXPECT_EQ(out, (std::array<std::uint8_t, 5>{1, 2, 3, 4, 5}));
}

TEST(TerrainRunLength, RefusesInputThatEndsEarly) {
  std::array<std::uint8_t, 4> out{};
  EXPECT_FALSE(decodeRuns(std::vector<std::uint8_t>{3, 1}, out));         // one short
  EXPECT_FALSE(decodeRuns(std::vector<std::uint8_t>{3}, out));            // repeat without its byte
  EXPECT_FALSE(decodeRuns(std::vector<std::uint8_t>{0xFC, 1, 2}, out));   // copy past the end
  EXPECT_FALSE(decodeRuns(std::vector<std::uint8_t>{0, 0, 0}, out));      // nothing but zero counts
}

TEST(TerrainRunLength, TilesRoundTripThroughBothPlanes) {
  Tile tile;
  for (std::size_t i = 0; i < tile.size(); ++i) tile[i] = static_cast<std::uint16_t>(i * 2654435761u >> 7);
  std::vector<std::uint8_t> packed;
  packTile(tile, packed);
  EXPECT_LE(packed.size(), kTilePlainBytes * 129 / 128 + 1);
  Tile back{};
  ASSERT_TRUE(unpackTile(packed, back));
  EXPECT_EQ(back, tile);
  // A flat tile is one repeat group per 127 bytes; the low plane comes first.
  tile.fill(0x1234);
  packTile(tile, packed);
  EXPECT_EQ(packed.size(), 2 * ((kTileSampleCount + 126) / 127) * 2);
  EXPECT_EQ(packed[1], 0x34);
  ASSERT_TRUE(unpackTile(packed, back));
  EXPECT_EQ(back, tile);
}

TEST(TerrainCacheGeometry, CountsBlocksPerLevelAndFindsTiles) {
  const CacheGeometry g(kDefaultBlocksPerSide, kDefaultBlocksPerSide);
  EXPECT_EQ(g.indexEntries(), 16384u + 4096 + 1024 + 256 + 64 + 16 + 4 + 1 + 1);
  EXPECT_EQ(g.levelStart(8), g.indexEntries() - 1);
  // Base sample (0, 0) is the centre: block 64, tile 0 at level 0.
  TileLocation at = locateTile(g, 0, 0, 0);
  ASSERT_TRUE(at.valid);
  EXPECT_EQ(at.indexEntry, 64u * 128 + 64);
  EXPECT_EQ(at.slot, 0);
  at = locateTile(g, 2, -1, 5 * 512);
  ASSERT_TRUE(at.valid);
  EXPECT_EQ(at.originX, -512);
  EXPECT_EQ(at.originZ, 5 * 512);
  EXPECT_EQ(at.slot, 5 * 8 + 7);
  EXPECT_EQ(at.indexEntry, g.levelStart(2) + 16u * 32 + 15);
  EXPECT_FALSE(locateTile(g, 0, 65536, 0).valid);
  EXPECT_TRUE(locateTile(g, 0, -65536, 65535).valid);
  // Three blocks: level 1 has one block of 2048 samples, so the third block's place has none.
  const CacheGeometry odd(3, 1);
  EXPECT_TRUE(locateTile(odd, 0, 1535, 0).valid);
  EXPECT_FALSE(locateTile(odd, 1, 1535, 0).valid);
}

TEST(TerrainCacheGeometry, LaysGridsOnPowerOfTwoBlocks) {
  EXPECT_EQ(blocksForGrid(1), 1u);
  EXPECT_EQ(blocksForGrid(1025), 1u);
  EXPECT_EQ(blocksForGrid(1026), 2u);  // one sample more above the centre than the extent holds
  EXPECT_EQ(blocksForGrid(2049), 2u);
  EXPECT_EQ(blocksForGrid(3000), 4u);
  EXPECT_EQ(blocksForGrid(0), 0u);
}

class TerrainCacheFileTest : public ::testing::Test {
 protected:
  testing::ScratchDir dir;
  std::string path = dir / "land.tem";
  TerrainCacheFile file;
  Tile tile{};
};

TEST_F(TerrainCacheFileTest, RoundTripsEveryLevel) {
  const HeightGrid grid = testGrid(1500, 700);  // 2 × 1 blocks, the grid smaller than the extent
  store(path, encoded(grid));
  ASSERT_EQ(file.open(path), kOk);
  EXPECT_EQ(file.sampleSpacing(), 20.0f);
  EXPECT_EQ(file.header().blocksX, 2u);
  EXPECT_EQ(file.header().blocksZ, 1u);
  EXPECT_EQ(file.header().gridWidth, 1500u);

  // Level 0 gives the grid itself; grid column c is base x = c - 749.
  ASSERT_EQ(file.tile(-749, -349, 0, tile, false), kTileFound);
  const int ox = -768, oz = -384;  // the tile's origin, rounded down to 128
  for (int j : {0, 35, 128}) {
    for (int i : {19, 20, 100, 128}) EXPECT_EQ(sampleOf(tile, i, j), grid.clamped(ox + i + 749, oz + j + 349));
  }
  // Coarser levels are the halved extent grid.
  std::vector<HeightGrid> levels{extentGrid(grid, 2, 1)};
  for (int k = 1; k < kCacheLevels; ++k) levels.push_back(halveHeightLevel(levels.back()));
  for (int k = 0; k < kCacheLevels; ++k) {
    ASSERT_EQ(file.tile(300, 200, k, tile, false), kTileFound) << "level " << k;
    const TileLocation loc = locateTile(file.geometry(), k, 300, 200);
    const int ex = static_cast<int>((loc.originX + 1024) >> k);
    const int ez = static_cast<int>((loc.originZ + 512) >> k);
    for (int j : {0, 64, 128}) {
      for (int i : {0, 77, 128}) EXPECT_EQ(sampleOf(tile, i, j), levels[k].clamped(ex + i, ez + j)) << "level " << k;
    }
  }
}

TEST_F(TerrainCacheFileTest, PlainTilesReadLikePackedOnes) {
  const HeightGrid grid = testGrid(300, 300);
  store(path, encoded(grid, false));
  ASSERT_EQ(file.open(path), kOk);
  ASSERT_EQ(file.tile(0, 0, 0, tile, false), kTileFound);
  EXPECT_EQ(sampleOf(tile, 5, 7), grid.at(149 + 5, 149 + 7));
}

TEST_F(TerrainCacheFileTest, OutsideTheExtentIsZeroAndAbsentTilesFallBack) {
  HeightGrid grid(1025, 1025);
  for (int z = 0; z < 1025; ++z) {
    for (int x = 0; x < 1025; ++x) grid.at(x, z) = static_cast<std::uint16_t>(x * 8 + z * 16);
  }
  auto bytes = encoded(grid);
  // Drop the level-0 tile at the centre, so level 1 must stand in for it.
  const TileLocation loc = locateTile(CacheGeometry(1, 1), 0, 0, 0);
  const std::uint32_t table = readLE32(bytes.data() + kCacheHeaderBytes + 4 * loc.indexEntry);
  writeLE32(bytes.data() + table + 8 * loc.slot, 0);
  store(path, bytes);
  ASSERT_EQ(file.open(path), kOk);

  tile.fill(7);
  EXPECT_EQ(file.tile(512, 0, 0, tile, false), kTileFound);
  EXPECT_EQ(sampleOf(tile, 3, 3), 0);
  EXPECT_EQ(file.tile(0, 0, 0, tile, false), kTileAbsent);

  // The level-1 tile holding the centre starts at (0, 0) and spans 256 base samples; a plane is
  // interpolated exactly, up to the rounding of the halving filter.
  ASSERT_EQ(file.tile(0, 0, 0, tile, true), kTileFound);
  for (int j : {0, 1, 63, 128}) {
    for (int i : {0, 1, 99, 128}) EXPECT_NEAR(sampleOf(tile, i, j), grid.at(512 + i, 512 + j), 1) << i << "," << j;
  }
  Tile expected;
  ASSERT_EQ(file.tile(0, 0, 1, expected, false), kTileFound);
  EXPECT_EQ(sampleOf(tile, 2, 4), sampleOf(expected, 1, 2));
  EXPECT_EQ(sampleOf(tile, 3, 0), (sampleOf(expected, 1, 0) + sampleOf(expected, 2, 0)) / 2);
}

TEST(TerrainCacheRefine, InterpolatesWithIntegerWeights) {
  Tile coarse;
  Tile out{};
  // The deepest shift on the largest values must not overflow.
  coarse.fill(65535);
  refineTile(coarse, 8, 128 * 255, 128 * 255, out);
  EXPECT_EQ(std::count(out.begin(), out.end(), 65535), static_cast<std::ptrdiff_t>(kTileSampleCount));

  for (std::size_t s = 0; s < coarse.size(); ++s) coarse[s] = (s % kTileSamples) % 2 ? 65535 : 0;
  // Offset 32640 is coarse column 127 and a half; the last fine sample lands on column 128.
  refineTile(coarse, 8, 128 * 255, 128 * 255, out);
  EXPECT_EQ(sampleOf(out, 0, 0), 32767);
  EXPECT_EQ(sampleOf(out, 127, 3), 255);
  EXPECT_EQ(sampleOf(out, 128, 128), 0);
  refineTile(coarse, 1, 0, 128, out);
  EXPECT_EQ(sampleOf(out, 0, 0), 0);
  EXPECT_EQ(sampleOf(out, 1, 5), 32767);
  EXPECT_EQ(sampleOf(out, 2, 5), 65535);
}

TEST_F(TerrainCacheFileTest, RefusesBadHeadersAndIndexes) {
  const auto good = encoded(testGrid(200, 200));
  EXPECT_EQ(file.open(dir / "missing.tem"), kFileNotFound);

  constexpr std::size_t kWhole = ~std::size_t{0};
  constexpr std::size_t kNoPatch = ~std::size_t{0};
  struct Case {
    const char* what;
    std::size_t keep;  // bytes kept of the file
    std::size_t patchAt;
    std::uint32_t value;
    HResult expected;
  };
  const std::size_t indexEnd = kCacheHeaderBytes + CacheGeometry(1, 1).indexBytes();
  const Case cases[] = {
      {"empty file", 0, kNoPatch, 0, kTerrainCacheTruncated},
      {"short header", 40, kNoPatch, 0, kTerrainCacheTruncated},
      {"index cut short", indexEnd - 1, kNoPatch, 0, kTerrainCacheTruncated},
      {"file cut after the index", indexEnd + 100, kNoPatch, 0, kTerrainCacheTruncated},
      {"plain grid layout", kWhole, 40, 0, kTerrainCacheUnsupported},
      {"huge block count", kWhole, 44, 0x40000000, kTerrainCacheCorrupt},
      {"zero spacing", kWhole, 20, 0, kTerrainCacheCorrupt},
      {"NaN height unit", kWhole, 24, 0x7FC00000, kTerrainCacheCorrupt},
      {"index into the header", kWhole, kCacheHeaderBytes, 20, kTerrainCacheCorrupt},
      {"index past the end", kWhole, kCacheHeaderBytes + 4, static_cast<std::uint32_t>(good.size() - 100),
       kTerrainCacheTruncated},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = good;
    if (c.patchAt != kNoPatch) writeLE32(bytes.data() + c.patchAt, c.value);
    if (c.keep != kWhole) bytes.resize(c.keep);
    store(path, bytes);
    EXPECT_EQ(file.open(path), c.expected) << c.what;
    EXPECT_FALSE(file.isOpen()) << c.what;
    EXPECT_EQ(file.tile(0, 0, 0, tile, true), kTileReadError) << c.what;
  }
}

TEST_F(TerrainCacheFileTest, RefusesBadTilesWithoutReadingPastThem) {
  const auto good = encoded(testGrid(200, 200));
  const CacheGeometry geometry(1, 1);
  // The level-8 tile at the centre is the last thing in the file, so cutting the file inside it
  // leaves every block table whole.
  const TileLocation loc = locateTile(geometry, 8, 0, 0);
  const std::uint32_t table = readLE32(good.data() + kCacheHeaderBytes + 4 * loc.indexEntry);
  const std::size_t entry = table + 8 * loc.slot;
  const std::uint32_t offset = readLE32(good.data() + entry);
  const std::uint32_t length = readLE32(good.data() + entry + 4);
  ASSERT_GT(length, 0u);
  ASSERT_EQ(offset + length, good.size());

  struct Case {
    const char* what;
    std::uint32_t offset, length;
    std::size_t keep;
    HResult expected;
  };
  const std::size_t whole = good.size();
  const Case cases[] = {
      {"negative length", offset, 0xFFFFFFFF, whole, kTerrainCacheCorrupt},
      {"length over the buffer", offset, 34831, whole, kTerrainCacheCorrupt},
      {"negative offset", 0x80000000, length, whole, kTerrainCacheCorrupt},
      {"offset into the index", 60, length, whole, kTerrainCacheCorrupt},
      {"length past the end", offset, length + 1, whole, kTerrainCacheTruncated},
      {"plain tile past the end", offset, 0, whole, kTerrainCacheTruncated},
      {"codes too short for a tile", offset, 10, whole, kTerrainCacheCorrupt},
      {"file cut inside the tile", offset, length, offset + length / 2, kTerrainCacheTruncated},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = good;
    writeLE32(bytes.data() + entry, c.offset);
    writeLE32(bytes.data() + entry + 4, c.length);
    bytes.resize(c.keep);
    file.close();  // Windows replaces no file that is open
    store(path, bytes);
    ASSERT_EQ(file.open(path), kOk) << c.what;
    EXPECT_EQ(file.tile(0, 0, 8, tile, false), kTileReadError) << c.what;
    EXPECT_EQ(file.lastError(), c.expected) << c.what;
    // Other tiles still read.
    EXPECT_EQ(file.tile(0, 0, 0, tile, false), kTileFound) << c.what;
  }
  // A damaged tile is not hidden by falling back past it.
  std::vector<std::uint8_t> bytes = good;
  const TileLocation fine = locateTile(geometry, 7, 0, 0);
  const std::uint32_t fineTable = readLE32(good.data() + kCacheHeaderBytes + 4 * fine.indexEntry);
  writeLE32(bytes.data() + fineTable + 8 * fine.slot, 0);  // absent at level 7
  writeLE32(bytes.data() + entry + 4, 10);                 // corrupt at level 8
  file.close();
  store(path, bytes);
  ASSERT_EQ(file.open(path), kOk);
  EXPECT_EQ(file.tile(0, 0, 7, tile, false), kTileAbsent);
  EXPECT_EQ(file.tile(0, 0, 7, tile, true), kTileReadError);
}

}  // namespace
}  // namespace skyloom
