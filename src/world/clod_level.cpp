#include "world/clod_level.h"

#include <algorithm>

namespace skyloom {

ClodLevel::ClodLevel(int shift_, int size_, float spacing)
    : shift(shift_),
      size(size_),
      cellSamples(1 << shift_),
      halfCellSamples((1 << shift_) / 2),
      halfExtentSamples((1 << shift_) * (size_ / 2)),
      alignMask(static_cast<std::int32_t>(~0u << shift_)),
      cellSize(static_cast<float>(1 << shift_) * spacing),
      halfCellSize(static_cast<float>(1 << shift_) * spacing / 2),
      cells(static_cast<std::size_t>(size_) * static_cast<std::size_t>(size_), ClodCell{}) {}

bool ClodLevel::cellIndex(std::int32_t x, std::int32_t z, int& i, int& j) const {
  const std::int64_t di = (std::int64_t{x} - originX) >> shift;
  const std::int64_t dj = (std::int64_t{z} - originZ) >> shift;
  if (di < 0 || dj < 0 || di >= size || dj >= size) return false;
  i = static_cast<int>(di);
  j = static_cast<int>(dj);
  return true;
}

std::vector<int> clodGridSizes(int levelCount) {
  std::vector<int> sizes;
  int size = kMinGridSize;
  for (int k = 0; k < levelCount; ++k) {
    sizes.push_back(size);
    size = std::min(2 * size - 3, kMaxGridSize);
  }
  return sizes;
}

}  // namespace skyloom
