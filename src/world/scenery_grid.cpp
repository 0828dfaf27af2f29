#include "world/scenery_grid.h"

#include <cstdlib>

namespace skyloom {

int sceneryShift(std::int64_t q) {
  if (q <= 0) return 1;
  int k = 0;
  while ((std::int64_t{2} << k) <= q) ++k;
  return k + 1;
}

std::int32_t sceneryOrigin(std::int32_t eyeCell, int shift, int size) {
  const std::int64_t aligned = std::int64_t{eyeCell} & -(std::int64_t{1} << shift);
  return static_cast<std::int32_t>(aligned - (std::int64_t{size / 2} << shift));
}

SceneryGrid::SceneryGrid(int shift, int size, std::int32_t parkX, std::int32_t parkZ)
    : shift_(shift),
      size_(size < 1 ? 1 : size),
      originX_(sceneryOrigin(parkX, shift, size_)),
      originZ_(sceneryOrigin(parkZ, shift, size_)) {}

bool SceneryGrid::covers(std::int64_t x, std::int64_t z) const {
  const std::int64_t span = std::int64_t{size_} << shift_;
  return x >= originX_ && z >= originZ_ && x < originX_ + span && z < originZ_ + span;
}

void SceneryGrid::moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  const std::int32_t x = sceneryOrigin(eyeCellX, shift_, size_);
  const std::int32_t z = sceneryOrigin(eyeCellZ, shift_, size_);
  const std::int64_t dx = (std::int64_t{x} - originX_) >> shift_;
  const std::int64_t dz = (std::int64_t{z} - originZ_) >> shift_;
  if (dx == 0 && dz == 0) return;
  originX_ = x;
  originZ_ = z;
  if (std::llabs(dx) >= size_ || std::llabs(dz) >= size_) {
    wrapX_ = wrapZ_ = 0;
    rebuild(0, size_, 0, size_);
    return;
  }
  const int sx = static_cast<int>(dx), sz = static_cast<int>(dz);
  wrapX_ = ((wrapX_ + sx) % size_ + size_) % size_;
  wrapZ_ = ((wrapZ_ + sz) % size_ + size_) % size_;
  if (sx > 0) rebuild(size_ - sx, size_, 0, size_);
  if (sx < 0) rebuild(0, -sx, 0, size_);
  // The rows that came in, less the columns just built.
  const int i0 = sx > 0 ? 0 : -sx, i1 = sx > 0 ? size_ - sx : size_;
  if (sz > 0) rebuild(i0, i1, size_ - sz, size_);
  if (sz < 0) rebuild(i0, i1, 0, -sz);
}

}  // namespace skyloom
