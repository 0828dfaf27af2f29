#pragma once
// The eye-centred toroidal window of R × R tiles that every pyramid level keeps: window tile
// (i, j) is stored at column (i + wrapX) mod R and row (j + wrapZ) mod R, so moving the eye by
// whole tiles only renews the strips that come into view. The height and the texture pyramids
// both move their windows with this.

#include <cstdint>
#include <cstdlib>

namespace skyloom {

inline int wrapIndex(std::int64_t v, int size) {
  const auto r = static_cast<int>(v % size);
  return r < 0 ? r + size : r;
}

struct TileWindow {
  std::int32_t span = 0;                   // base samples a tile: 128 × 2^level
  std::int32_t originX = 0, originZ = 0;   // base-sample corner of window tile (0, 0)
  int wrapX = 0, wrapZ = 0;                // storage column and row of window tile (0, 0)

  // Storage index of window tile (i, j) in a window of r tiles a side.
  int storage(int i, int j, int r) const { return wrapIndex(j + wrapZ, r) * r + wrapIndex(i + wrapX, r); }
  // Storage index of the window tile holding base position (x, z), or −1 outside the window.
  int slot(std::int64_t x, std::int64_t z, int r) const {
    const std::int64_t dx = x - originX, dz = z - originZ;
    // Floor division: positions left of or below the origin are outside, not in tile 0.
    const std::int64_t i = dx < 0 ? -1 : dx / span, j = dz < 0 ? -1 : dz / span;
    if (i < 0 || j < 0 || i >= r || j >= r) return -1;
    return storage(static_cast<int>(i), static_cast<int>(j), r);
  }
};

// Centres the window of r tiles a side on the eye's base cell (the eye's tile at r / 2).
// Nothing happens when the eye stays in its tile. When the window jumps by r tiles or more,
// the wraps go back to 0 and jumped(i, j) is called for every tile in storage order; otherwise
// entered(i, j) is called for each window tile of the columns, then the rows, that came into
// view. Both take window coordinates and may rely on originX/Z and the wraps being new.
template <typename Jumped, typename Entered>
void moveTileWindow(TileWindow& w, int r, std::int64_t eyeX, std::int64_t eyeZ, Jumped jumped, Entered entered) {
  const std::int64_t span = w.span;
  const std::int64_t half = r / 2;
  const std::int64_t originX = (eyeX & -span) - half * span;
  const std::int64_t originZ = (eyeZ & -span) - half * span;
  const std::int64_t dx = (originX - w.originX) / span;
  const std::int64_t dz = (originZ - w.originZ) / span;
  if (dx == 0 && dz == 0) return;
  w.originX = static_cast<std::int32_t>(originX);
  w.originZ = static_cast<std::int32_t>(originZ);
  if (std::abs(dx) >= r || std::abs(dz) >= r) {
    // Nothing of the old window stays in view.
    w.wrapX = w.wrapZ = 0;
    jumped();
    return;
  }
  w.wrapX = wrapIndex(w.wrapX + dx, r);
  w.wrapZ = wrapIndex(w.wrapZ + dz, r);
  const int cx = static_cast<int>(dx), cz = static_cast<int>(dz);
  for (int i = cx > 0 ? r - cx : 0; i < (cx > 0 ? r : -cx); ++i) {
    for (int j = 0; j < r; ++j) entered(i, j);
  }
  for (int j = cz > 0 ? r - cz : 0; j < (cz > 0 ? r : -cz); ++j) {
    for (int i = 0; i < r; ++i) entered(i, j);
  }
}

}  // namespace skyloom
