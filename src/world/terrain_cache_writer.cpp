#include "world/terrain_cache_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/bytes.h"
#include "core/file.h"
#include "world/tile_run_length.h"

namespace skyloom {
namespace {

// Tile offsets are signed 32-bit.
constexpr std::uint64_t kMaxFileBytes = 0x7FFFFFFFu;

// Appends one level's block tables and tiles to the file and fills its part of the index.
class LevelWriter {
 public:
  LevelWriter(const HeightGrid& level, int levelIndex, const CacheGeometry& geometry, bool packTiles,
              std::vector<std::uint8_t>& out)
      : level_(level), levelIndex_(levelIndex), geometry_(geometry), packTiles_(packTiles), out_(out),
        samples_(kTileSampleCount) {}

  // False once the file outgrows its offsets.
  bool appendLevel() {
    for (std::uint32_t bz = 0; bz < geometry_.blocksZ(levelIndex_); ++bz) {
      for (std::uint32_t bx = 0; bx < geometry_.blocksX(levelIndex_); ++bx) {
        const std::size_t tableAt = out_.size();
        if (!appendBlock(bx, bz)) return false;
        const std::uint64_t entry =
            geometry_.levelStart(levelIndex_) + std::uint64_t{bz} * geometry_.blocksX(levelIndex_) + bx;
        writeLE32(out_.data() + kCacheHeaderBytes + 4 * entry, static_cast<std::uint32_t>(tableAt));
      }
    }
    return true;
  }

 private:
  const HeightGrid& level_;
  int levelIndex_;
  const CacheGeometry& geometry_;
  bool packTiles_;
  std::vector<std::uint8_t>& out_;
  std::vector<std::uint16_t> samples_;
  std::vector<std::uint8_t> packed_;

  bool tileInside(std::int64_t originX, std::int64_t originZ) const {
    return (originX << levelIndex_) < geometry_.extentX() && (originZ << levelIndex_) < geometry_.extentZ();
  }

  void cutTile(std::int64_t originX, std::int64_t originZ) {
    for (int j = 0; j < kTileSamples; ++j) {
      for (int i = 0; i < kTileSamples; ++i) {
        samples_[static_cast<std::size_t>(j) * kTileSamples + i] =
            level_.clamped(static_cast<int>(originX + i), static_cast<int>(originZ + j));
      }
    }
  }

  // Appends the tile and answers its packed length (0 when stored plain).
  std::uint32_t appendTile() {
    const auto tile = std::span<const std::uint16_t, kTileSampleCount>(samples_.data(), kTileSampleCount);
    if (packTiles_) {
      packTile(tile, packed_);
      if (packed_.size() < kTilePlainBytes) {
        out_.insert(out_.end(), packed_.begin(), packed_.end());
        return static_cast<std::uint32_t>(packed_.size());
      }
    }
    const std::size_t at = out_.size();
    out_.resize(at + kTilePlainBytes);
    for (std::size_t i = 0; i < kTileSampleCount; ++i) {
      out_[at + 2 * i] = static_cast<std::uint8_t>(tile[i]);
      out_[at + 2 * i + 1] = static_cast<std::uint8_t>(tile[i] >> 8);
    }
    return 0;
  }

  // Appends the block's table and tiles; false once the file outgrows its offsets.
  bool appendBlock(std::uint32_t bx, std::uint32_t bz) {
    const std::size_t tableAt = out_.size();
    out_.resize(tableAt + kBlockTableBytes, 0);
    for (int tz = 0; tz < kTilesPerBlockSide; ++tz) {
      for (int tx = 0; tx < kTilesPerBlockSide; ++tx) {
        const std::int64_t originX = (std::int64_t{bx} * kTilesPerBlockSide + tx) * kTileSpanSamples;
        const std::int64_t originZ = (std::int64_t{bz} * kTilesPerBlockSide + tz) * kTileSpanSamples;
        if (!tileInside(originX, originZ)) continue;
        cutTile(originX, originZ);
        const std::size_t tileAt = out_.size();
        const std::uint32_t length = appendTile();
        if (out_.size() > kMaxFileBytes) return false;
        std::uint8_t* entry = out_.data() + tableAt + 8 * (tz * kTilesPerBlockSide + tx);
        writeLE32(entry, static_cast<std::uint32_t>(tileAt));
        writeLE32(entry + 4, length);
      }
    }
    return true;
  }
};

std::uint16_t filtered(const HeightGrid& g, int x, int z) {
  static constexpr std::uint32_t kWeights[3] = {1, 2, 1};
  std::uint32_t sum = 0;
  for (int dz = -1; dz <= 1; ++dz) {
    for (int dx = -1; dx <= 1; ++dx) sum += kWeights[dx + 1] * kWeights[dz + 1] * g.clamped(x + dx, z + dz);
  }
  return static_cast<std::uint16_t>((sum + 8) >> 4);
}

}  // namespace

std::uint32_t blocksForGrid(int samples) {
  if (samples <= 0) return 0;
  // The grid reaches (samples - 1) / 2 base samples below 0 and the rest above; the extent is
  // symmetric, so it must hold twice the larger side.
  const std::uint64_t below = static_cast<std::uint64_t>(samples - 1) / 2;
  const std::uint64_t above = static_cast<std::uint64_t>(samples - 1) - below;
  const std::uint64_t span = 2 * std::max<std::uint64_t>(above, 1);
  const std::uint64_t blocks = std::bit_ceil((span + kBlockSpanSamples - 1) / kBlockSpanSamples);
  return blocks > kMaxBlocksPerSide ? 0 : static_cast<std::uint32_t>(blocks);
}

HeightGrid extentGrid(const HeightGrid& grid, std::uint32_t blocksX, std::uint32_t blocksZ) {
  const int halfX = static_cast<int>(blocksX) * kBlockSpanSamples / 2;
  const int halfZ = static_cast<int>(blocksZ) * kBlockSpanSamples / 2;
  HeightGrid e(2 * halfX + 1, 2 * halfZ + 1);
  // Extent sample e is base position e - half, grid column base + (width - 1) / 2.
  const int shiftX = (grid.width - 1) / 2 - halfX;
  const int shiftZ = (grid.height - 1) / 2 - halfZ;
  for (int z = 0; z < e.height; ++z) {
    for (int x = 0; x < e.width; ++x) e.at(x, z) = grid.clamped(x + shiftX, z + shiftZ);
  }
  return e;
}

HeightGrid halveHeightLevel(const HeightGrid& level) {
  HeightGrid out((level.width - 1) / 2 + 1, (level.height - 1) / 2 + 1);
  for (int z = 0; z < out.height; ++z) {
    for (int x = 0; x < out.width; ++x) out.at(x, z) = filtered(level, 2 * x, 2 * z);
  }
  return out;
}

HResult encodeTerrainCache(const HeightGrid& grid, const TerrainCacheOptions& options, std::vector<std::uint8_t>& out) {
  if (grid.empty() || grid.samples.size() != static_cast<std::size_t>(grid.width) * grid.height) return kInvalidArg;
  TerrainCacheHeader header;
  header.sampleSpacing = options.sampleSpacing;
  header.heightUnit = options.heightUnit;
  header.blocksX = blocksForGrid(grid.width);
  header.blocksZ = blocksForGrid(grid.height);
  header.gridWidth = static_cast<std::uint32_t>(grid.width);
  header.gridHeight = static_cast<std::uint32_t>(grid.height);
  if (header.blocksX == 0 || header.blocksZ == 0) return kInvalidArg;
  const CacheGeometry geometry(header.blocksX, header.blocksZ);

  out.assign(kCacheHeaderBytes + geometry.indexBytes(), 0);
  encodeCacheHeader(header, out.data());
  HeightGrid level = extentGrid(grid, header.blocksX, header.blocksZ);
  for (int k = 0; k < kCacheLevels; ++k) {
    if (k > 0) level = halveHeightLevel(level);
    LevelWriter writer{level, k, geometry, options.packTiles, out};
    if (!writer.appendLevel()) {
      out.clear();
      return kInvalidArg;
    }
  }
  return kOk;
}

HResult writeTerrainCache(const std::string& path, const HeightGrid& grid, const TerrainCacheOptions& options) {
  std::vector<std::uint8_t> bytes;
  const HResult hr = encodeTerrainCache(grid, options, bytes);
  if (failed(hr)) return hr;
  return writeFileReplacing(path, bytes.data(), bytes.size()) ? kOk : kAccessDenied;
}

}  // namespace skyloom
