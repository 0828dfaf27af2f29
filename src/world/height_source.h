#pragma once
// HeightSource: the one elevation grid the terrain is made from. It loads a named terrain (a
// tiled cache file, a height file, a text grid, a global grid, a picture from the data pack, or
// a flat grid when nothing loads) and answers 129 × 129 tiles at a power-of-two sample step and
// rectangular windows of base samples. Heights are unsigned 16-bit height units.
//
// In-memory grids repeat mirrored beyond their edges, so the terrain continues without seams;
// a tiled cache file is read tile by tile on demand.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/result.h"
#include "world/height_grid.h"
#include "world/terrain_cache_file.h"
#include "world/terrain_cache_format.h"

namespace skyloom {

enum class HeightSourceKind { TiledCache, Image, HeightFile, TextGrid, GlobalGrid, Flat };

// tile() and window() from an in-memory grid.
constexpr int kTileFromGrid = 1001;

constexpr float kDefaultHeightUnit = 0.166666f;      // what grids in metres are converted with
constexpr float kPublishedHeightUnit = 0.16666669f;  // what the world then works with

class HeightSource {
 public:
  // Chooses the kind by name and loads it (the terrain-file setting; "random" picks a file of
  // "tem\"). Files are read from "tem\", pictures from the data pack as "pack\%s". Never fails:
  // whatever does not load leaves the next kind to try, down to the flat grid.
  void load(std::string_view name);
  // The same for a file given by its native path (the tools).
  void loadPath(const std::string& path);
  // Takes a grid already in height units as an in-memory source of the given kind (the loaders,
  // tests, tools). An empty grid gives the flat one.
  void loadGrid(HeightGrid grid, float sampleSpacing, float heightUnit = kPublishedHeightUnit,
                HeightSourceKind kind = HeightSourceKind::Image);
  // Opens a tiled cache file by its native path as the source. On failure (the file's own
  // code) the source is the flat grid.
  HResult openCache(const std::string& path);

  HeightSourceKind kind() const { return kind_; }
  float sampleSpacing() const { return sampleSpacing_; }
  float heightUnit() const { return heightUnit_; }
  // The grid in memory, or the cache file's grid size from its header.
  int gridWidth() const;
  int gridHeight() const;
  bool inMemory() const { return kind_ != HeightSourceKind::TiledCache; }
  const HeightGrid& grid() const { return grid_; }
  TerrainCacheFile* cacheFile() { return kind_ == HeightSourceKind::TiledCache ? &cache_ : nullptr; }

  // Fills the samples at (x + i·2^level, z + j·2^level), i, j = 0..128, row-major with rows
  // along z. kTileFromGrid from memory (mirrored beyond the grid); from a cache file kTileFound,
  // kTileAbsent, or kTileReadError (the fallback interpolates a coarser tile that is there).
  int tile(std::int32_t x, std::int32_t z, int level, std::span<std::uint16_t, kTileSampleCount> out,
           bool fallback);
  // The level-0 samples of [x0, x1) × [z0, z1), row-major, (x1 − x0) × (z1 − z0) of them; from a
  // cache file assembled from its level-0 tiles, absent ones as 0xFFFF. kTileFromGrid.
  int window(std::int32_t x0, std::int32_t z0, std::int32_t x1, std::int32_t z1, std::span<std::uint16_t> out);

  // The in-memory sample at a base position, mirrored beyond the grid.
  std::uint16_t mirroredSample(std::int64_t x, std::int64_t z) const;

 private:
  void loadFlat();

  HeightSourceKind kind_ = HeightSourceKind::Flat;
  float sampleSpacing_ = 100.0f;
  float heightUnit_ = kPublishedHeightUnit;
  HeightGrid grid_;
  TerrainCacheFile cache_;
};

// Mirrors a coordinate into [0, size): |v|, then size − 1 − |v| mod size when |v| / size is odd.
std::int64_t mirrorCoordinate(std::int64_t v, std::int64_t size);

}  // namespace skyloom
