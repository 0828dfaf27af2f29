#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "assetgen.h"
#include "core/file.h"
#include "resources/pack_test_util.h"
#include "terrain_dem.h"
#include "terrain_files.h"
#include "terrain_landscape.h"
#include "world/terrain_cache_file.h"
#include "world/terrain_cache_writer.h"

namespace skyloom::assetgen {
namespace {

using Tile = std::array<std::uint16_t, kTileSampleCount>;

TEST(TerrainCoastFile, ReadsBackTheGeneratedHeightsAndIsTheSameEveryTime) {
  testing::ScratchDir dir;
  ASSERT_TRUE(writeCoastFile(dir.path()));
  const HeightGrid grid = coastHeights();
  TerrainCacheFile file;
  ASSERT_EQ(file.open(dir / kCoastFileName), kOk);
  EXPECT_EQ(file.sampleSpacing(), kCoastSpacing);
  EXPECT_EQ(file.heightUnit(), kCoastHeightUnit);
  EXPECT_EQ(file.header().blocksX, 4u);
  EXPECT_EQ(file.header().gridWidth, static_cast<std::uint32_t>(kCoastSamples));

  const int centre = (kCoastSamples - 1) / 2;  // grid column of base sample 0
  Tile tile;
  // Every level-0 tile, row by row.
  for (int tz = -centre; tz < centre; tz += kTileSpanSamples) {
    for (int tx = -centre; tx < centre; tx += kTileSpanSamples) {
      ASSERT_EQ(file.tile(tx, tz, 0, tile, false), kTileFound);
      for (int j = 0; j < kTileSamples; ++j) {
        const auto row = tile.begin() + static_cast<std::ptrdiff_t>(j) * kTileSamples;
        const auto source =
            grid.samples.begin() + static_cast<std::ptrdiff_t>(tz + centre + j) * grid.width + tx + centre;
        ASSERT_TRUE(std::equal(row, row + kTileSamples, source))
            << "tile " << tx << "," << tz << " row " << j;
      }
    }
  }
  // A coarse level holds the filtered heights of the same places.
  HeightGrid level = extentGrid(grid, 4, 4);
  for (int k = 1; k <= 3; ++k) level = halveHeightLevel(level);
  ASSERT_EQ(file.tile(-1024, 0, 3, tile, false), kTileFound);
  for (int j : {0, 40, 128}) {
    for (int i : {0, 77, 128}) {
      EXPECT_EQ(tile[static_cast<std::size_t>(j) * kTileSamples + i], level.at((2048 - 1024) / 8 + i, 2048 / 8 + j));
    }
  }

  // Generated again, the file has the same bytes.
  std::vector<std::uint8_t> written;
  ASSERT_TRUE(readWholeFile(dir / kCoastFileName, written));
  std::vector<std::uint8_t> again;
  TerrainCacheOptions options;
  options.sampleSpacing = kCoastSpacing;
  options.heightUnit = kCoastHeightUnit;
  ASSERT_EQ(encodeTerrainCache(grid, options, again), kOk);
  EXPECT_TRUE(written == again);

  // Beyond the file the world reads as zeros, so the landscape must meet it at sea level.
  for (int i = 0; i < kCoastSamples; ++i) {
    ASSERT_EQ(grid.at(i, 0) | grid.at(i, kCoastSamples - 1) | grid.at(0, i) | grid.at(kCoastSamples - 1, i), 0) << i;
  }
  const auto sea = std::count(grid.samples.begin(), grid.samples.end(), 0);
  const double seaShare = static_cast<double>(sea) / static_cast<double>(grid.samples.size());
  EXPECT_GT(seaShare, 0.25);
  EXPECT_LT(seaShare, 0.75);
  const std::uint16_t top = *std::max_element(grid.samples.begin(), grid.samples.end());
  EXPECT_GT(top * kCoastHeightUnit, 1200.0f);
  EXPECT_LT(top * kCoastHeightUnit, 3500.0f);
}

// Reads a text grid the way the program does: values of 1 to 4 digits between runs of spaces
// from byte 1174, column by column from the west, each column from its last row upward.
std::vector<int> parseDem(const std::vector<std::uint8_t>& bytes) {
  std::vector<int> grid(static_cast<std::size_t>(kDemSamples) * kDemSamples, -1);
  std::size_t at = kDemHeaderBytes;
  for (std::size_t n = 0; n < grid.size(); ++n) {
    while (at < bytes.size() && bytes[at] == ' ') ++at;
    int value = 0, digits = 0;
    for (; at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9'; ++at, ++digits) {
      value = value * 10 + (bytes[at] - '0');
    }
    if (digits == 0 || digits > 4) return {};
    const std::size_t column = n / kDemSamples;
    const std::size_t row = kDemSamples - 1 - n % kDemSamples;
    grid[row * kDemSamples + column] = value;
  }
  return grid;
}

TEST(TerrainHighlandsFile, HasItsHeaderOrderRangeAndTheSameBytesEveryTime) {
  testing::ScratchDir dir;
  ASSERT_TRUE(writeHighlandsFile(dir.path()));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(readWholeFile(dir / kHighlandsFileName, bytes));
  ASSERT_EQ(bytes.size(), kDemHeaderBytes + std::size_t{kDemSamples} * kDemSamples * kDemValueBytes);
  EXPECT_TRUE(std::none_of(bytes.begin(), bytes.begin() + kDemHeaderBytes, [](std::uint8_t c) { return c == 0; }));
  EXPECT_NE(bytes[kDemHeaderBytes], ' ');  // the first value starts right at the header's end

  const std::vector<int> heights = parseDem(bytes);
  ASSERT_EQ(heights.size(), std::size_t{kDemSamples} * kDemSamples);
  const auto [low, high] = std::minmax_element(heights.begin(), heights.end());
  EXPECT_GE(*low, 1);
  EXPECT_GT(*high, 2500);
  EXPECT_LE(*high, kDemMaxHeight);

  // The same file again, and its values where the generator put them.
  const FloatGrid metres = highlandMetres();
  EXPECT_TRUE(demText(metres) == std::string(bytes.begin(), bytes.end()));
  for (auto [x, z] : {std::pair{0, 0}, {1199, 0}, {0, 1199}, {613, 87}, {1199, 1199}}) {
    EXPECT_EQ(heights[static_cast<std::size_t>(z) * kDemSamples + x], static_cast<int>(std::lround(metres.at(x, z))))
        << x << "," << z;
  }
}

}  // namespace
}  // namespace skyloom::assetgen
