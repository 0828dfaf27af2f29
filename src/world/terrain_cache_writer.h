#pragma once
// Writing tiled terrain cache files from a full-resolution height grid: every level of the
// pyramid is built from the one below it and cut into run-length coded tiles.

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"
#include "world/height_grid.h"
#include "world/terrain_cache_format.h"

namespace skyloom {

struct TerrainCacheOptions {
  float sampleSpacing = 10.0f;       // metres between base samples
  float heightUnit = 1.0f / 6.0f;    // metres per height unit of the grid
  bool packTiles = true;             // run-length code tiles that get smaller by it
};

// The blocks per side at level 0 that a grid is laid out on: the smallest power of two whose
// extent holds the grid centred on base sample (0, 0). Powers of two keep every block of the
// coarser levels in the index (a level has max(1, W >> k) blocks per side). 0 when the grid is
// empty or too large for the format.
std::uint32_t blocksForGrid(int samples);

// Column c of the grid lies at base x = c - (width - 1) / 2, row r at base z = r - (height - 1) / 2;
// places beyond the grid repeat its edge. Every tile whose origin lies in the extent is
// stored, so the file holds no absent tiles inside its extent. kInvalidArg for an empty grid,
// one too large, or a file that would pass the format's 2 GiB of offsets.
HResult encodeTerrainCache(const HeightGrid& grid, const TerrainCacheOptions& options, std::vector<std::uint8_t>& out);
// The same written to path, which is replaced only once the whole file is written.
HResult writeTerrainCache(const std::string& path, const HeightGrid& grid, const TerrainCacheOptions& options);

// The grid laid out on the extent of a file with these blocks: (W·1024 + 1) × (H·1024 + 1)
// samples, the last row and column closing the extent. Level 0 of the file.
HeightGrid extentGrid(const HeightGrid& grid, std::uint32_t blocksX, std::uint32_t blocksZ);
// The next coarser level: every second sample of a 1-2-1 filtered level (rounded), so that each
// coarse sample stays at the position of a base sample. A grid of n samples per side gives
// (n - 1) / 2 + 1.
HeightGrid halveHeightLevel(const HeightGrid& level);

}  // namespace skyloom
