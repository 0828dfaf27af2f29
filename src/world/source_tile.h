#pragma once
// Cutting a height tile out of the height source at a level of the source's own sample step.
//
// The height pyramid lays its tiles on multiples of their span from base sample (0, 0). An
// in-memory grid answers any origin. A tiled cache file's tiles are laid from the corner of its
// extent, half the extent away from (0, 0), which is not a multiple of the span at the coarser
// levels; there the pyramid's tile is put together from the (up to four) file tiles it
// straddles, which share their border samples.

#include <cstdint>
#include <span>
#include <vector>

#include "world/height_source.h"

namespace skyloom {

class SourceTileReader {
 public:
  SourceTileReader();

  // The source's samples at (x + i·2^level, z + j·2^level), i, j = 0..128, x and z multiples of
  // 128·2^level. The source's status: kTileFromGrid, or from a cache file kTileFound,
  // kTileAbsent (also for levels the file does not have) or kTileReadError; a tile put together
  // from several is absent or failed when any of its parts is.
  int read(HeightSource& source, std::int32_t x, std::int32_t z, int level,
           std::span<std::uint16_t, kTileSampleCount> out, bool fallback);

 private:
  int readStitched(HeightSource& source, std::int64_t cornerX, std::int64_t cornerZ, int offsetX, int offsetZ,
                   int level, std::span<std::uint16_t, kTileSampleCount> out, bool fallback);

  std::vector<std::uint16_t> part_;  // one file tile
};

}  // namespace skyloom
