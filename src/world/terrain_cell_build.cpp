// The cell build: a cell's edge and diagonal errors, its activation, the height of its centre
// and its bounding sphere, from nine height samples around its centre; then the upward
// propagation of the activations, so that each cell knows whether any of its descendants
// wants to be drawn at the current distance.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "world/terrain_world.h"

namespace skyloom {
namespace {

constexpr int kTileSpanShift = 7;  // a height tile spans 128 samples of its level
constexpr int kLastTileSample = kTileSamples - 1;
constexpr std::uint16_t kMaxValue = 0xFFFF;

std::uint16_t saturate16(std::int64_t v) { return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, kMaxValue)); }

int mid(int a, int b) { return (a + b) >> 1; }

// The nine samples around a cell centre: BL, B, BR / Lm, C, Rm / TL, T, TR.
struct NineSamples {
  int h[9] = {};
};

// Reads the nine samples at a step of v tile samples around (cx, cz) from a tile of level L.
// The step is cut where it would leave the tile, which only a pyramid too shallow for the
// terrain levels could ask for.
NineSamples readNine(const std::uint32_t* tile, int level, std::int32_t cx, std::int32_t cz, int v) {
  const std::int32_t mask = static_cast<std::int32_t>(~0u << (kTileSpanShift + level));
  const int col = (cx - (cx & mask)) >> level;
  const int row = (cz - (cz & mask)) >> level;
  v = std::min({v, col, kLastTileSample - col, row, kLastTileSample - row});
  NineSamples n;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const int index = (row + (r - 1) * v) * kTileSamples + col + (c - 1) * v;
      n.h[3 * r + c] = static_cast<int>(sampleHeight(tile[index]));
    }
  }
  return n;
}

}  // namespace

void TerrainWorld::buildCells(ClodLevel& level, int i0, int i1, int j0, int j1) {
  i0 = std::max(i0, 0);
  j0 = std::max(j0, 0);
  i1 = std::min(i1, level.size);
  j1 = std::min(j1, level.size);
  if (i0 >= i1 || j0 >= j1) return;
  for (int j = j0; j < j1; ++j) {
    for (int i = i0; i < i1; ++i) buildCell(level, i, j, level.cell(i, j));
  }
  propagateUp(level, i0, i1, j0, j1);
}

void TerrainWorld::buildCell(const ClodLevel& level, int i, int j, ClodCell& cell) {
  cell = ClodCell{};
  const int shift = level.shift;
  const std::int32_t cx = level.cornerX(i) + level.halfCellSamples;
  const std::int32_t cz = level.cornerZ(j) + level.halfCellSamples;

  int found = shift - 1;
  const std::uint32_t* tile = heights_->fetchGenerating(found, cx, cz);
  NineSamples n;  // no tile at all (outside even the coarsest window): flat at 0
  if (tile != nullptr) {
    // A coarser tile than asked for (the position lies outside the level's window) gives only
    // the centre sample. A pyramid with fewer levels than asked for gives the cell's own
    // corners and midpoints at a wider step.
    const int v = found > shift - 1 ? 0 : 1 << (shift - 1 - found);
    n = readNine(tile, found, cx, cz, v);
  }
  const int* h = n.h;
  enum { BL, B, BR, Lm, C, Rm, TL, T, TR };
  const int bottom = std::abs(mid(h[BL], h[BR]) - h[B]);
  const int right = std::abs(mid(h[BR], h[TR]) - h[Rm]);
  const int diagonal1 = std::abs(mid(h[BR], h[TL]) - h[C]);
  const int diagonal2 = std::abs(mid(h[BL], h[TR]) - h[C]);
  const std::int64_t minimum = (std::int64_t{minimumActivation_} << shift) >> 4;
  cell.bottomError = saturate16(bottom);
  cell.rightError = saturate16(right);
  cell.activation = saturate16(std::max<std::int64_t>({bottom, right, diagonal1, diagonal2, minimum}));

  const auto [lo, hi] = std::minmax_element(std::begin(n.h), std::end(n.h));
  cell.centreHeight = saturate16((*lo + *hi) >> 1);
  const double halfRise = static_cast<double>(params_.heightUnit) * ((*hi - *lo) >> 1);
  const double size = level.cellSize;
  const double radius = std::sqrt(size * size * 0.5 + halfRise * halfRise);
  cell.radiusDiv8 = saturate16(1 - static_cast<std::int64_t>(-radius * 0.125));
}

// Every coarser cell over the base samples of the rebuilt rectangle takes its children's
// activations afresh; a child outside the finer grid counts 0.
void TerrainWorld::propagateUp(const ClodLevel& level, int i0, int i1, int j0, int j1) {
  std::int32_t x0 = level.cornerX(i0), x1 = level.cornerX(i1) - 1;
  std::int32_t z0 = level.cornerZ(j0), z1 = level.cornerZ(j1) - 1;
  for (const ClodLevel* finer = &level; finer->coarser != nullptr; finer = finer->coarser) {
    ClodLevel& coarse = *finer->coarser;
    const int ci0 = static_cast<int>(std::max<std::int64_t>((std::int64_t{x0} - coarse.originX) >> coarse.shift, 0));
    const int cj0 = static_cast<int>(std::max<std::int64_t>((std::int64_t{z0} - coarse.originZ) >> coarse.shift, 0));
    const int ci1 = static_cast<int>(std::min<std::int64_t>((std::int64_t{x1} - coarse.originX) >> coarse.shift, coarse.size - 1));
    const int cj1 = static_cast<int>(std::min<std::int64_t>((std::int64_t{z1} - coarse.originZ) >> coarse.shift, coarse.size - 1));
    if (ci0 > ci1 || cj0 > cj1) return;
    const int h = coarse.halfCellSamples;
    for (int cj = cj0; cj <= cj1; ++cj) {
      for (int ci = ci0; ci <= ci1; ++ci) {
        ClodCell& cell = coarse.cell(ci, cj);
        const std::int32_t x = coarse.cornerX(ci), z = coarse.cornerZ(cj);
        for (int q = 0; q < 4; ++q) {
          int fi = 0, fj = 0;
          const bool inside = finer->cellIndex(x + (q & 1) * h, z + (q >> 1) * h, fi, fj);
          cell.childActivation[q] = inside ? finer->cell(fi, fj).activation : 0;
          cell.activation = std::max(cell.activation, cell.childActivation[q]);
        }
      }
    }
    x0 = coarse.cornerX(ci0);
    z0 = coarse.cornerZ(cj0);
    x1 = coarse.cornerX(ci1 + 1) - 1;
    z1 = coarse.cornerZ(cj1 + 1) - 1;
  }
}

}  // namespace skyloom
