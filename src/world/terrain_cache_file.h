#pragma once
// Reading tiles from a tiled terrain cache file (layout in terrain_cache_format.h). The file is
// opened read-only; its header and whole block index are read and checked at open, block tables
// and tiles on demand. Every offset and length is checked against the file's size before it is
// followed, so a truncated or corrupt file gives a failure, never a read past what is there.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/file.h"
#include "core/result.h"
#include "world/terrain_cache_format.h"

namespace skyloom {

// Failures of a cache file (Windows error values, as HRESULTs).
constexpr HResult kTerrainCacheCorrupt = static_cast<HResult>(0x8007000Du);      // ERROR_INVALID_DATA
constexpr HResult kTerrainCacheTruncated = static_cast<HResult>(0x80070026u);    // ERROR_HANDLE_EOF
constexpr HResult kTerrainCacheUnsupported = static_cast<HResult>(0x80070032u);  // ERROR_NOT_SUPPORTED

// What tile() answers; the numbers are the height source's tile statuses.
enum TileStatus : int {
  kTileReadError = -1,  // lastError() says why
  kTileAbsent = 0,
  kTileFound = 1,
};

class TerrainCacheFile {
 public:
  // Opens and checks the file (native path). kFileNotFound when it cannot be opened;
  // kTerrainCacheTruncated when the header or index is cut short; kTerrainCacheCorrupt for
  // impossible header fields or index entries; kTerrainCacheUnsupported for the plain-grid
  // layout (blocks per side 0), which callers treat like an absent file.
  HResult open(const std::string& path);
  void close();
  bool isOpen() const { return file_.isOpen(); }

  const TerrainCacheHeader& header() const { return header_; }
  const CacheGeometry& geometry() const { return geometry_; }
  float sampleSpacing() const { return header_.sampleSpacing; }
  float heightUnit() const { return header_.heightUnit; }

  // Fills out (129 × 129, row-major, rows along z) with the level's tile holding base-sample
  // position (x, z): sample (i, j) is the height at (ox + i·2^level, oz + j·2^level), where
  // (ox, oz) is the tile's origin, (x, z) rounded down to the tile span 128·2^level. Outside
  // the file's extent the tile is all zeros (found). An absent tile is kTileAbsent, unless
  // fallback is set and a coarser level holds the place: that tile is interpolated bilinearly
  // (integer weights) to the requested level. kTileReadError with lastError() set for a
  // truncated or corrupt block table or tile.
  TileStatus tile(std::int32_t x, std::int32_t z, int level, std::span<std::uint16_t, kTileSampleCount> out,
                  bool fallback);

  HResult lastError() const { return lastError_; }

 private:
  // A block table as read, kept per level for the next tiles of the same block.
  struct BlockTable {
    std::uint64_t indexEntry = ~std::uint64_t{0};
    std::array<std::int32_t, kTilesPerBlock * 2> entries{};
  };

  HResult readHeader();
  HResult readIndex();
  // kTileFound (samples in out), kTileAbsent or kTileReadError for the tile at loc.
  TileStatus readTileAt(const TileLocation& loc, int level, std::span<std::uint16_t, kTileSampleCount> out);
  const BlockTable* blockTable(std::uint64_t indexEntry, int level);
  bool readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t bytes);
  TileStatus fail(HResult code);

  File file_;
  std::uint64_t fileSize_ = 0;
  TerrainCacheHeader header_;
  CacheGeometry geometry_;
  std::vector<std::uint32_t> index_;
  std::array<BlockTable, kCacheLevels> lastBlock_{};
  std::vector<std::uint8_t> readBuffer_;  // kTileMaxPackedBytes
  std::vector<std::uint16_t> coarse_;     // a fallback tile before interpolation
  HResult lastError_ = kOk;
};

// Resamples the part of a coarse tile that a finer tile covers, bilinearly with integer weights
// of 2^shift: shift is the difference of their levels, offsetX/offsetZ the fine tile's origin
// within the coarse one in fine samples (multiples of 128, below 128 × 2^shift).
void refineTile(std::span<const std::uint16_t, kTileSampleCount> coarse, int shift, std::int64_t offsetX,
                std::int64_t offsetZ, std::span<std::uint16_t, kTileSampleCount> out);

}  // namespace skyloom
