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
#include <vector>

#include "core/result.h"
#include "world/height_grid.h"
#include "world/terrain_cache_file.h"
#include "world/terrain_cache_format.h"

namespace skyloom {

enum class HeightSourceKind { TiledCache, Image, HeightFile, TextGrid, GlobalGrid, Flat };

// tile() and window() from an in-memory grid.
constexpr int kTileFromGrid = 1001;
// The coarsest step an in-memory tile is cut at: 2^30 base samples keeps every position of a
// tile inside 64 bits with room to spare.
constexpr int kMaxGridTileLevel = 30;

class HeightSource {
 public:
  // Chooses the kind by name and loads it (the terrain-file setting; "random" picks a file of
  // "tem\"). Files are read from "tem\", pictures from the data pack as "pack\%s". Never fails:
  // whatever does not load leaves the next kind to try, down to the flat grid. Files are only
  // ever read: a damaged cache file is passed over and left as it is.
  //   ".tem"                 tiled cache file: spacing and height unit from its header
  //   ends in "jpg"/"bmp"    picture "pack\<name less folders>" (a name without an extension
  //                          also as "<name>.jpg"); if none loads, on down the list
  //   ".hgt"                 height file, 3601² (5.01 m) or 1201² (15.03 m) samples by length
  //   ".dem"                 text grid, 1200², 70 m
  //   anything else          global grid, 5760 × 2880, 70 m
  //   nothing loaded         flat, 100² zeros, 100 m
  // Every kind but the cache file publishes kPublishedHeightUnit.
  void load(std::string_view name);
  // The same for a file given by its native path (the tools). A picture is tried at the path
  // itself before the data pack.
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
  // along z. kTileFromGrid from memory (mirrored beyond the grid; kTileReadError for a level
  // outside 0..kMaxGridTileLevel); from a cache file kTileFound, kTileAbsent, or kTileReadError
  // (the fallback interpolates a coarser tile that is there).
  int tile(std::int32_t x, std::int32_t z, int level, std::span<std::uint16_t, kTileSampleCount> out,
           bool fallback);
  // The level-0 samples of [x0, x1) × [z0, z1), row-major, (x1 − x0) × (z1 − z0) of them; from a
  // cache file assembled from its level-0 tiles, absent ones as 0xFFFF. kTileFromGrid;
  // kTileReadError, with out untouched, when out is too small for the rectangle.
  int window(std::int32_t x0, std::int32_t z0, std::int32_t x1, std::int32_t z1, std::span<std::uint16_t> out);

  // The height in metres of the source sample nearest world position (x, z) (sample (0, 0) at
  // the origin), for a first look before any height tile exists; 0 where a cache file has none.
  float metresAt(float x, float z);
  // The source sample at source position (x, z): mirrored from memory, or from the cache file's
  // level-0 tile holding it (with fallback, a coarser one). False where the file has none.
  bool sample(std::int64_t x, std::int64_t z, std::uint16_t& out, bool fallback = false);

  // The in-memory sample at a base position, mirrored beyond the grid.
  std::uint16_t mirroredSample(std::int64_t x, std::int64_t z) const;

 private:
  void loadFlat();
  // file: the native path to read. pictureFile: a native path to try as the picture first, or "".
  void loadNamed(std::string_view name, const std::string& file, const std::string& pictureFile);
  // Each true when it loaded; otherwise the source stays flat.
  bool loadTiledCache(const std::string& file);
  bool loadPicture(std::string_view name, const std::string& pictureFile);
  bool loadHeightFile(const std::string& file);
  bool loadTextGrid(const std::string& file);
  bool loadGlobalGrid(const std::string& file);

  HeightSourceKind kind_ = HeightSourceKind::Flat;
  float sampleSpacing_ = 100.0f;
  float heightUnit_ = kPublishedHeightUnit;
  HeightGrid grid_;
  TerrainCacheFile cache_;
  std::vector<std::uint16_t> windowTile_;  // a level-0 tile of the cache file, for window()
};

// The value of the terrain setting that picks a file of "tem\" at random.
constexpr std::string_view kRandomTerrain = "random";

// A file of "tem\" ("*.*") chosen with the process's random generator; "" when there is none.
std::string randomTerrainFile();

// Mirrors a coordinate into [0, size): |v|, then size − 1 − |v| mod size when |v| / size is odd.
std::int64_t mirrorCoordinate(std::int64_t v, std::int64_t size);

}  // namespace skyloom
