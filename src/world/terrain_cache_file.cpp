#include "world/terrain_cache_file.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "core/bytes.h"
#include "world/tile_run_length.h"

namespace skyloom {
namespace {

bool plausibleScale(float v) { return std::isfinite(v) && v > 0.0f; }

void decodePlainTile(const std::uint8_t* bytes, std::span<std::uint16_t, kTileSampleCount> out) {
  for (std::size_t i = 0; i < kTileSampleCount; ++i) out[i] = readLE16(bytes + 2 * i);
}

}  // namespace

HResult TerrainCacheFile::open(const std::string& path) {
  close();
  if (!file_.open(path, "rb")) return kFileNotFound;
  fileSize_ = file_.size();
  HResult hr = readHeader();
  if (succeeded(hr)) hr = readIndex();
  if (failed(hr)) close();
  return hr;
}

void TerrainCacheFile::close() {
  file_.close();
  fileSize_ = 0;
  header_ = TerrainCacheHeader{};
  geometry_ = CacheGeometry{};
  index_.clear();
  lastBlock_ = {};
  lastError_ = kOk;
}

HResult TerrainCacheFile::readHeader() {
  std::uint8_t bytes[kCacheHeaderBytes];
  if (!readAt(0, bytes, sizeof bytes)) return kTerrainCacheTruncated;
  header_ = decodeCacheHeader(bytes);
  if (header_.blocksX == 0 || header_.blocksZ == 0) return kTerrainCacheUnsupported;
  if (header_.blocksX > kMaxBlocksPerSide || header_.blocksZ > kMaxBlocksPerSide) return kTerrainCacheCorrupt;
  if (!plausibleScale(header_.sampleSpacing) || !plausibleScale(header_.heightUnit)) return kTerrainCacheCorrupt;
  geometry_ = CacheGeometry(header_.blocksX, header_.blocksZ);
  return kOk;
}

HResult TerrainCacheFile::readIndex() {
  const std::uint64_t indexEnd = kCacheHeaderBytes + geometry_.indexBytes();
  // Checked before allocating, so a huge claimed index costs nothing.
  if (indexEnd > fileSize_) return kTerrainCacheTruncated;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(geometry_.indexBytes()));
  if (!readAt(kCacheHeaderBytes, bytes.data(), bytes.size())) return kTerrainCacheTruncated;
  index_.resize(static_cast<std::size_t>(geometry_.indexEntries()));
  for (std::size_t i = 0; i < index_.size(); ++i) {
    const std::uint32_t offset = readLE32(bytes.data() + 4 * i);
    if (offset != 0 && offset < indexEnd) return kTerrainCacheCorrupt;
    if (offset != 0 && offset + std::uint64_t{kBlockTableBytes} > fileSize_) return kTerrainCacheTruncated;
    index_[i] = offset;
  }
  readBuffer_.resize(kTileMaxPackedBytes);
  coarse_.resize(kTileSampleCount);
  return kOk;
}

bool TerrainCacheFile::readAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t bytes) {
  if (offset > fileSize_ || bytes > fileSize_ - offset) return false;
  return file_.seek(offset) && file_.read(buffer, bytes) == bytes;
}

TileStatus TerrainCacheFile::fail(HResult code) {
  lastError_ = code;
  return kTileReadError;
}

const TerrainCacheFile::BlockTable* TerrainCacheFile::blockTable(std::uint64_t indexEntry, int level) {
  BlockTable& cached = lastBlock_[level];
  if (cached.indexEntry == indexEntry) return &cached;
  std::uint8_t bytes[kBlockTableBytes];
  // The index was checked at open: the table lies inside the file.
  if (!readAt(index_[indexEntry], bytes, sizeof bytes)) return nullptr;
  for (std::size_t i = 0; i < cached.entries.size(); ++i) {
    cached.entries[i] = static_cast<std::int32_t>(readLE32(bytes + 4 * i));
  }
  cached.indexEntry = indexEntry;
  return &cached;
}

TileStatus TerrainCacheFile::readTileAt(const TileLocation& loc, int level,
                                        std::span<std::uint16_t, kTileSampleCount> out) {
  if (index_[loc.indexEntry] == 0) return kTileAbsent;
  const BlockTable* table = blockTable(loc.indexEntry, level);
  if (!table) return fail(kTerrainCacheTruncated);
  const std::int32_t offset = table->entries[2 * loc.slot];
  const std::int32_t packed = table->entries[2 * loc.slot + 1];
  if (offset == 0) return kTileAbsent;
  if (offset < 0 || static_cast<std::uint64_t>(offset) < kCacheHeaderBytes + geometry_.indexBytes()) {
    return fail(kTerrainCacheCorrupt);
  }
  if (packed < 0 || static_cast<std::size_t>(packed) > kTileMaxPackedBytes) return fail(kTerrainCacheCorrupt);
  const std::size_t stored = packed == 0 ? kTilePlainBytes : static_cast<std::size_t>(packed);
  if (!readAt(static_cast<std::uint64_t>(offset), readBuffer_.data(), stored)) return fail(kTerrainCacheTruncated);
  if (packed == 0) {
    decodePlainTile(readBuffer_.data(), out);
  } else if (!unpackTile(std::span<const std::uint8_t>(readBuffer_.data(), stored), out)) {
    return fail(kTerrainCacheCorrupt);
  }
  return kTileFound;
}

TileStatus TerrainCacheFile::tile(std::int32_t x, std::int32_t z, int level,
                                  std::span<std::uint16_t, kTileSampleCount> out, bool fallback) {
  if (!isOpen() || level < 0 || level >= kCacheLevels) return fail(kInvalidArg);
  if (!geometry_.insideExtent(x, z)) {
    std::fill(out.begin(), out.end(), std::uint16_t{0});
    return kTileFound;
  }
  const int lastLevel = fallback ? kCacheLevels - 1 : level;
  for (int k = level; k <= lastLevel; ++k) {
    const TileLocation loc = locateTile(geometry_, k, x, z);
    if (!loc.valid) continue;
    if (k == level) {
      const TileStatus status = readTileAt(loc, k, out);
      if (status != kTileAbsent) return status;
      continue;
    }
    auto coarse = std::span<std::uint16_t, kTileSampleCount>(coarse_.data(), kTileSampleCount);
    const TileStatus status = readTileAt(loc, k, coarse);
    if (status == kTileReadError) return status;
    if (status == kTileFound) {
      const TileLocation fine = locateTile(geometry_, level, x, z);
      refineTile(coarse, k - level, (fine.originX - loc.originX) >> level, (fine.originZ - loc.originZ) >> level,
                 out);
      return kTileFound;
    }
  }
  return kTileAbsent;
}

void refineTile(std::span<const std::uint16_t, kTileSampleCount> coarse, int shift, std::int64_t offsetX,
                std::int64_t offsetZ, std::span<std::uint16_t, kTileSampleCount> out) {
  assert(shift >= 1 && shift < kCacheLevels && "refineTile: levels must differ by 1..8");
  assert(offsetX >= 0 && offsetZ >= 0 && offsetX + kTileSpanSamples <= (std::int64_t{kTileSpanSamples} << shift) &&
         offsetZ + kTileSpanSamples <= (std::int64_t{kTileSpanSamples} << shift) &&
         "refineTile: the fine tile must lie inside the coarse one");
  const std::uint32_t scale = 1u << shift;
  const std::uint32_t mask = scale - 1;
  for (int j = 0; j < kTileSamples; ++j) {
    const auto v = static_cast<std::uint32_t>(offsetZ + j);
    const std::uint32_t cz = v >> shift;
    const std::uint32_t fz = v & mask;
    // A fraction of zero never reads the next row, so the last row of the coarse tile is enough.
    const std::uint32_t cz1 = fz ? cz + 1 : cz;
    for (int i = 0; i < kTileSamples; ++i) {
      const auto u = static_cast<std::uint32_t>(offsetX + i);
      const std::uint32_t cx = u >> shift;
      const std::uint32_t fx = u & mask;
      const std::uint32_t cx1 = fx ? cx + 1 : cx;
      const std::uint32_t h00 = coarse[cz * kTileSamples + cx];
      const std::uint32_t h10 = coarse[cz * kTileSamples + cx1];
      const std::uint32_t h01 = coarse[cz1 * kTileSamples + cx];
      const std::uint32_t h11 = coarse[cz1 * kTileSamples + cx1];
      // At most 65535 × 2^16 for the deepest shift of 8: fits 32 bits.
      const std::uint32_t top = h00 * (scale - fx) + h10 * fx;
      const std::uint32_t bottom = h01 * (scale - fx) + h11 * fx;
      out[j * kTileSamples + i] = static_cast<std::uint16_t>((top * (scale - fz) + bottom * fz) >> (2 * shift));
    }
  }
}

}  // namespace skyloom
