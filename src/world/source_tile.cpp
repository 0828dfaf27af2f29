#include "world/source_tile.h"

#include <algorithm>

namespace skyloom {
namespace {

// The worse of two statuses: a failure, then an absence, then found.
int combineStatus(int a, int b) {
  if (a == kTileReadError || b == kTileReadError) return kTileReadError;
  if (a == kTileAbsent || b == kTileAbsent) return kTileAbsent;
  return kTileFound;
}

std::int64_t positiveMod(std::int64_t v, std::int64_t m) { return ((v % m) + m) % m; }

}  // namespace

SourceTileReader::SourceTileReader() : part_(kTileSampleCount) {}

int SourceTileReader::read(HeightSource& source, std::int32_t x, std::int32_t z, int level,
                           std::span<std::uint16_t, kTileSampleCount> out, bool fallback) {
  TerrainCacheFile* file = source.cacheFile();
  if (file == nullptr) return source.tile(x, z, level, out, fallback);
  if (level < 0 || level >= kCacheLevels || !file->isOpen()) return kTileAbsent;
  const std::int64_t span = std::int64_t{kTileSpanSamples} << level;
  // How far the file's tile grid is shifted against ours, in base samples.
  const std::int64_t shiftX = positiveMod(x + file->geometry().extentX() / 2, span);
  const std::int64_t shiftZ = positiveMod(z + file->geometry().extentZ() / 2, span);
  if (shiftX == 0 && shiftZ == 0) return source.tile(x, z, level, out, fallback);
  return readStitched(source, x - shiftX, z - shiftZ, static_cast<int>(shiftX >> level),
                      static_cast<int>(shiftZ >> level), level, out, fallback);
}

int SourceTileReader::readStitched(HeightSource& source, std::int64_t cornerX, std::int64_t cornerZ, int offsetX,
                                   int offsetZ, int level, std::span<std::uint16_t, kTileSampleCount> out,
                                   bool fallback) {
  const std::int64_t span = std::int64_t{kTileSpanSamples} << level;
  auto part = std::span<std::uint16_t, kTileSampleCount>(part_.data(), kTileSampleCount);
  int status = kTileFound;
  // File tile (px, pz) of the 2 × 2 around the corner; a second one only where we reach into it.
  for (int pz = 0; pz < (offsetZ > 0 ? 2 : 1); ++pz) {
    for (int px = 0; px < (offsetX > 0 ? 2 : 1); ++px) {
      const int got = source.tile(static_cast<std::int32_t>(cornerX + px * span),
                                  static_cast<std::int32_t>(cornerZ + pz * span), level, part, fallback);
      status = combineStatus(status, got);
      if (status != kTileFound) return status;
      // Our sample i is the part's sample i + offset − 128·px.
      const int i0 = px == 0 ? 0 : kTileSpanSamples - offsetX;
      const int i1 = px == 0 ? kTileSpanSamples - offsetX : kTileSpanSamples;
      const int j0 = pz == 0 ? 0 : kTileSpanSamples - offsetZ;
      const int j1 = pz == 0 ? kTileSpanSamples - offsetZ : kTileSpanSamples;
      for (int j = j0; j <= j1; ++j) {
        const std::uint16_t* from =
            part.data() + static_cast<std::size_t>(j + offsetZ - kTileSpanSamples * pz) * kTileSamples +
            (i0 + offsetX - kTileSpanSamples * px);
        std::copy(from, from + (i1 - i0 + 1), out.data() + static_cast<std::size_t>(j) * kTileSamples + i0);
      }
    }
  }
  return status;
}

}  // namespace skyloom
