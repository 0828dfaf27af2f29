#include "world/terrain_cache_format.h"

#include <bit>
#include <cstring>

#include "core/bytes.h"

namespace skyloom {
namespace {

void writeFloatLE(std::uint8_t* p, float v) { writeLE32(p, std::bit_cast<std::uint32_t>(v)); }
float readFloatLE(const std::uint8_t* p) { return std::bit_cast<float>(readLE32(p)); }

std::uint32_t levelCount(std::uint32_t blocks, int level) {
  const std::uint32_t n = blocks >> level;
  return n == 0 ? 1 : n;
}

}  // namespace

void encodeCacheHeader(const TerrainCacheHeader& h, std::uint8_t out[kCacheHeaderBytes]) {
  std::memset(out, 0, kCacheHeaderBytes);
  writeFloatLE(out + 20, h.sampleSpacing);
  writeFloatLE(out + 24, h.heightUnit);
  writeLE32(out + 28, static_cast<std::uint32_t>(h.headerTag));
  writeLE32(out + 40, h.blocksX);
  writeLE32(out + 44, h.blocksZ);
  writeLE32(out + 48, h.gridWidth);
  writeLE32(out + 52, h.gridHeight);
}

TerrainCacheHeader decodeCacheHeader(const std::uint8_t in[kCacheHeaderBytes]) {
  TerrainCacheHeader h;
  h.sampleSpacing = readFloatLE(in + 20);
  h.heightUnit = readFloatLE(in + 24);
  h.headerTag = static_cast<std::int32_t>(readLE32(in + 28));
  h.blocksX = readLE32(in + 40);
  h.blocksZ = readLE32(in + 44);
  h.gridWidth = readLE32(in + 48);
  h.gridHeight = readLE32(in + 52);
  return h;
}

CacheGeometry::CacheGeometry(std::uint32_t blocksX, std::uint32_t blocksZ)
    : blocksX_(blocksX), blocksZ_(blocksZ) {
  levelStart_[0] = 0;
  for (int k = 0; k < kCacheLevels; ++k) {
    levelStart_[k + 1] = levelStart_[k] + std::uint64_t{this->blocksX(k)} * this->blocksZ(k);
  }
}

std::uint32_t CacheGeometry::blocksX(int level) const { return levelCount(blocksX_, level); }
std::uint32_t CacheGeometry::blocksZ(int level) const { return levelCount(blocksZ_, level); }

bool CacheGeometry::insideExtent(std::int64_t x, std::int64_t z) const {
  const std::int64_t sx = x + extentX() / 2;
  const std::int64_t sz = z + extentZ() / 2;
  return sx >= 0 && sx < extentX() && sz >= 0 && sz < extentZ();
}

TileLocation locateTile(const CacheGeometry& g, int level, std::int64_t x, std::int64_t z) {
  TileLocation loc;
  if (level < 0 || level >= kCacheLevels || !g.insideExtent(x, z)) return loc;
  // Positions measured from the extent's corner, so that the shifts below floor correctly.
  const std::int64_t sx = x + g.extentX() / 2;
  const std::int64_t sz = z + g.extentZ() / 2;
  const std::int64_t bx = sx >> (level + 10);
  const std::int64_t bz = sz >> (level + 10);
  if (bx >= g.blocksX(level) || bz >= g.blocksZ(level)) return loc;
  loc.valid = true;
  loc.indexEntry = g.levelStart(level) + static_cast<std::uint64_t>(bz) * g.blocksX(level) +
                   static_cast<std::uint64_t>(bx);
  const int tx = static_cast<int>((sx >> (level + 7)) & 7);
  const int tz = static_cast<int>((sz >> (level + 7)) & 7);
  loc.slot = tz * kTilesPerBlockSide + tx;
  loc.originX = ((sx >> (level + 7)) << (level + 7)) - g.extentX() / 2;
  loc.originZ = ((sz >> (level + 7)) << (level + 7)) - g.extentZ() / 2;
  return loc;
}

}  // namespace skyloom
