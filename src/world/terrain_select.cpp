// The select pass: walks the level grids from the coarsest down and marks, per cell, which
// quadrants the finer level draws and which edge midpoints are vertices. A quadrant refines
// where its child's activation exceeds the cell's distance value; an edge that gets a midpoint
// gives the neighbour across it the same midpoint, and where that neighbour would not be drawn
// at this level its coarser ancestors are forced to split down to it, so no crack opens
// between cells of different sizes. Cells outside the view frustum are marked culled and not
// descended into. Runs every frame: recursion only, no allocation.
#include <algorithm>
#include <cmath>

#include "world/terrain_world.h"

namespace skyloom {
namespace {

// A cell's distance is measured from its nearest possible point: its centre less 1.404 × its
// size (a bit more than the half diagonal of its square).
constexpr float kDistanceAllowance = 1.404f;
// Cells of 2^8 samples and more drop their distance to 0 where the height pyramid has tiles
// eight levels finer: they are then larger than the finer tiles present and must split.
constexpr int kCoveredShift = 8;

// Per quadrant: its bit and the bits of its two edges (0: bottom, left; 1: bottom, right;
// 2: left, top; 3: top, right).
constexpr std::uint16_t kQuadrantSplit[4] = {0x31, 0x92, 0x64, 0xC8};

struct Edge {
  std::uint16_t bit;
  std::uint16_t opposite;
  int di, dj;
};
// In the order the edges are passed on: bottom, left, top, right.
constexpr Edge kEdges[4] = {
    {CellFlag::kBottomEdge, CellFlag::kTopEdge, 0, -1},
    {CellFlag::kLeftEdge, CellFlag::kRightEdge, -1, 0},
    {CellFlag::kTopEdge, CellFlag::kBottomEdge, 0, 1},
    {CellFlag::kRightEdge, CellFlag::kLeftEdge, 1, 0},
};

std::uint16_t distanceValue(float distance, float cellSize, float scale) {
  const float allowance = kDistanceAllowance * cellSize;
  const float d = distance < allowance ? 0.0f : distance - allowance;
  // Saturated: a wrapped value would make a far cell look near.
  return static_cast<std::uint16_t>(std::min(std::round(d * scale), 65535.0f));
}

}  // namespace

void TerrainWorld::selectPass(const ViewFrustum& frustum) {
  frustum_ = &frustum;
  ClodLevel& top = coarsest();
  for (int j = 0; j < top.size; ++j) {
    for (int i = 0; i < top.size; ++i) select(top, top.cornerX(i), top.cornerZ(j), kFrustumPartly);
  }
  frustum_ = nullptr;
}

void TerrainWorld::select(ClodLevel& level, std::int32_t x, std::int32_t z, std::uint16_t frustumClass) {
  int i = 0, j = 0;
  if (!level.cellIndex(x, z, i, j)) return;
  ClodCell& cell = level.cell(i, j);
  cell.flags |= CellFlag::kVisited;

  const float unit = params_.heightUnit;
  const Vec3 centre{static_cast<float>(i) * level.cellSize + level.originWorldX + level.halfCellSize,
                    static_cast<float>(cell.centreHeight) * unit,
                    static_cast<float>(j) * level.cellSize + level.originWorldZ + level.halfCellSize};
  if (frustumClass == kFrustumPartly) {
    // Once a cell is wholly inside, its subtree is too: the class passes down untested.
    frustumClass = static_cast<std::uint16_t>(frustum_->testSphere(centre, static_cast<float>(cell.radiusDiv8) * 8.0f));
    if (frustumClass == kFrustumOutside) {
      cell.flags |= CellFlag::kCulled;
      return;
    }
  }
  std::uint16_t flags = frustumClass;

  const Vec3 offset = centre - eye_;
  const float distance = std::sqrt(offset.x * offset.x + offset.y * offset.y + offset.z * offset.z);
  const std::uint16_t dv = distanceValue(distance, level.cellSize, distanceScale_);
  std::uint16_t dv2 = dv;
  if (level.shift > kCoveredShift - 1 && heights_->covers(level.shift - kCoveredShift, x, z)) dv2 = 0;

  const std::int32_t h = level.halfCellSamples;
  for (int q = 0; q < 4; ++q) {
    if (cell.childActivation[q] <= dv2) continue;
    flags |= kQuadrantSplit[q];
    if (level.finer != nullptr) select(*level.finer, x + (q & 1) * h, z + (q >> 1) * h, frustumClass);
  }
  if (cell.bottomError > dv) flags |= CellFlag::kBottomEdge;
  if (cell.rightError > dv) flags |= CellFlag::kRightEdge;

  // The children may have forced this cell meanwhile: its flags are merged, not replaced.
  cell.flags |= flags;
  propagateEdges(level, i, j, cell.flags & (CellFlag::kBottomEdge | CellFlag::kLeftEdge | CellFlag::kTopEdge | CellFlag::kRightEdge));
}

// Gives each neighbour across the given edges of cell (i, j) the matching midpoint. An edge on
// the grid's border has no neighbour at this level (the coarser level draws beyond it) and
// loses its midpoint instead.
void TerrainWorld::propagateEdges(ClodLevel& level, int i, int j, std::uint16_t edges) {
  for (const Edge& e : kEdges) {
    if ((edges & e.bit) == 0) continue;
    const int ni = i + e.di, nj = j + e.dj;
    if (ni < 0 || nj < 0 || ni >= level.size || nj >= level.size) {
      level.cell(i, j).flags &= static_cast<std::uint16_t>(~e.bit);
      continue;
    }
    ClodCell& neighbour = level.cell(ni, nj);
    neighbour.flags |= e.opposite;
    if (level.coarser != nullptr && (neighbour.flags & CellFlag::kVisited) == 0) {
      // Not reached by the select pass (yet): make its parent split so that it is drawn.
      neighbour.flags |= CellFlag::kVisited;
      force(*level.coarser, level.cornerX(ni), level.cornerZ(nj));
    }
  }
}

// Makes the cell holding (x, z) refine the quadrant holding it, forcing its own ancestors first
// where the select pass has not reached it.
void TerrainWorld::force(ClodLevel& level, std::int32_t x, std::int32_t z) {
  int i = 0, j = 0;
  // Every finer grid lies inside its coarser one, so this holds for positions of a finer cell;
  // anything else is left alone rather than read out of the grid.
  if (!level.cellIndex(x, z, i, j)) return;
  ClodCell& cell = level.cell(i, j);
  const int half = level.shift - 1;
  const int q = 2 * (((z - level.originZ) >> half) & 1) + (((x - level.originX) >> half) & 1);
  if (level.coarser != nullptr && (cell.flags & CellFlag::kVisited) == 0) {
    cell.flags |= CellFlag::kVisited;
    force(*level.coarser, x, z);
  }
  const std::uint16_t split = kQuadrantSplit[q];
  const std::uint16_t newEdges = static_cast<std::uint16_t>(split & ~cell.flags & 0xF0);
  cell.flags |= split;
  propagateEdges(level, i, j, newEdges);
}

}  // namespace skyloom
