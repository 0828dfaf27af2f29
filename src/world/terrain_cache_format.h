#pragma once
// The tiled terrain cache file (".tem"), little-endian throughout:
//
//   0   20 bytes zero
//   20  float  sample spacing, metres
//   24  float  height unit, metres per unit
//   28  int32  header tag, written 256, not interpreted
//   32  8 bytes zero
//   40  uint32 blocks per side at level 0 in x (W); 0 marks a file holding one plain grid
//   44  uint32 blocks per side at level 0 in z (H)
//   48  uint32 grid width in samples
//   52  uint32 grid height in samples
//   56  block index: uint32 file offsets of block tables, levels 0..8 in order, level k with
//       max(1, W >> k) × max(1, H >> k) entries row-major; 0 for an absent block
//
// A block table is 64 (tile offset, packed length) int32 pairs for its 8 × 8 tiles, row-major.
// A tile is 129 × 129 16-bit samples: plain at its offset when the packed length is 0, else
// run-length coded (tile_run_length.h). Offset 0 marks an absent tile.
//
// Level k samples every 2^k-th base sample; a tile spans 128 × 2^k base samples, a block
// 1024 × 2^k. The file is centred on base sample (0, 0) and covers W × 1024 by H × 1024 base
// samples.

#include <array>
#include <cstddef>
#include <cstdint>

namespace skyloom {

constexpr int kTileSamples = 129;  // tiles share their border row and column with neighbours
constexpr int kTileSpanSamples = kTileSamples - 1;
constexpr std::size_t kTileSampleCount = std::size_t{kTileSamples} * kTileSamples;  // 16641
constexpr std::size_t kTilePlainBytes = kTileSampleCount * 2;                        // 33282
constexpr std::size_t kTileMaxPackedBytes = 34830;  // the reader's buffer; longer tiles are corrupt
constexpr int kTilesPerBlockSide = 8;
constexpr int kTilesPerBlock = kTilesPerBlockSide * kTilesPerBlockSide;
constexpr std::size_t kBlockTableBytes = kTilesPerBlock * 8;
constexpr int kBlockSpanSamples = kTileSpanSamples * kTilesPerBlockSide;  // 1024 at level 0
constexpr int kCacheLevels = 9;
constexpr std::size_t kCacheHeaderBytes = 56;
constexpr std::uint32_t kDefaultBlocksPerSide = 128;
constexpr std::int32_t kCacheHeaderTag = 256;
// Keeps the extent (blocks × 1024 base samples) well inside 32-bit positions.
constexpr std::uint32_t kMaxBlocksPerSide = 8192;

struct TerrainCacheHeader {
  float sampleSpacing = 10.0f;
  float heightUnit = 0.166666f;
  std::int32_t headerTag = kCacheHeaderTag;
  std::uint32_t blocksX = kDefaultBlocksPerSide;  // W
  std::uint32_t blocksZ = kDefaultBlocksPerSide;  // H
  std::uint32_t gridWidth = 0;
  std::uint32_t gridHeight = 0;
};

void encodeCacheHeader(const TerrainCacheHeader& h, std::uint8_t out[kCacheHeaderBytes]);
TerrainCacheHeader decodeCacheHeader(const std::uint8_t in[kCacheHeaderBytes]);

// Where a level's blocks and tiles sit, derived from the blocks per side at level 0.
class CacheGeometry {
 public:
  CacheGeometry() = default;
  // Both counts must be 1..kMaxBlocksPerSide.
  CacheGeometry(std::uint32_t blocksX, std::uint32_t blocksZ);

  std::uint32_t blocksX(int level) const;
  std::uint32_t blocksZ(int level) const;
  // Entries of the whole block index and the first entry of a level.
  std::uint64_t indexEntries() const { return levelStart_[kCacheLevels]; }
  std::uint64_t levelStart(int level) const { return levelStart_[level]; }
  std::uint64_t indexBytes() const { return indexEntries() * 4; }
  // The covered base samples per side: W × 1024 and H × 1024.
  std::int64_t extentX() const { return std::int64_t{blocksX_} * kBlockSpanSamples; }
  std::int64_t extentZ() const { return std::int64_t{blocksZ_} * kBlockSpanSamples; }
  bool insideExtent(std::int64_t x, std::int64_t z) const;

 private:
  std::uint32_t blocksX_ = 0;
  std::uint32_t blocksZ_ = 0;
  std::array<std::uint64_t, kCacheLevels + 1> levelStart_{};
};

// The tile of a level that holds a base-sample position: its block's index entry and its slot
// in the block table. valid is false outside the extent, and where a level's index has no
// block for the position (a level-0 count that is not a power of two loses blocks higher up).
struct TileLocation {
  bool valid = false;
  std::uint64_t indexEntry = 0;
  int slot = 0;
  // Base-sample position of the tile's first sample.
  std::int64_t originX = 0;
  std::int64_t originZ = 0;
};

TileLocation locateTile(const CacheGeometry& g, int level, std::int64_t x, std::int64_t z);

}  // namespace skyloom
