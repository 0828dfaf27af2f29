#pragma once
// ClodLevel: one of the terrain's nested, eye-centred square grids of cells, all cells of one
// power-of-two size. The grid is a toroidal window: grid cell (i, j) is stored at column
// (i + wrapX) mod size and row (j + wrapZ) mod size, so moving the eye by whole cells only
// rebuilds the strips that come into view.
//
// A cell keeps its height errors, its activation (the largest error of its subtree, compared
// with its distance from the eye in height units), the activations of its four children on the
// next finer level, a bounding sphere, and the flags the select pass sets and the draw pass
// clears each frame.

#include <cstdint>
#include <vector>

namespace skyloom {

// Quadrants: 0 = lower x and lower z, 1 = higher x, 2 = higher z, 3 = both higher. The bottom
// edge is at lower z, the left at lower x, the top at higher z, the right at higher x.
namespace CellFlag {
constexpr std::uint16_t kQuadrant0 = 0x0001;
constexpr std::uint16_t kQuadrant1 = 0x0002;
constexpr std::uint16_t kQuadrant2 = 0x0004;
constexpr std::uint16_t kQuadrant3 = 0x0008;
constexpr std::uint16_t kQuadrants = 0x000F;
constexpr std::uint16_t kBottomEdge = 0x0010;  // the edge's midpoint is a vertex
constexpr std::uint16_t kLeftEdge = 0x0020;
constexpr std::uint16_t kTopEdge = 0x0040;
constexpr std::uint16_t kRightEdge = 0x0080;
constexpr std::uint16_t kVisited = 0x0100;     // reached by this frame's select pass
constexpr std::uint16_t kCulled = 0x0200;      // outside the view frustum
constexpr std::uint16_t kInside = 0x0400;      // frustum class stored by the select pass
constexpr std::uint16_t kPartly = 0x0800;
constexpr std::uint16_t kKept = 0xF000;        // survives the draw pass's clearing
}  // namespace CellFlag

struct ClodCell {
  std::uint16_t childActivation[4];  // 0 where that child lies outside the finer grid
  std::uint16_t bottomError;         // height error of the bottom edge's midpoint
  std::uint16_t rightError;
  std::uint16_t activation;          // max of own errors, the minimum activation, the children's
  std::uint16_t centreHeight;        // (lowest + highest of the nine samples) / 2, height units
  std::uint16_t radiusDiv8;          // bounding-sphere radius in units of 8 m
  std::uint16_t flags;               // CellFlag bits, per frame
};
static_assert(sizeof(ClodCell) == 20, "ClodCell keeps its 20-byte layout");

// Size of the coarsest grid; each finer one is 2 × previous − 3, at most 127, so that every
// grid lies inside its coarser one.
constexpr int kMinGridSize = 7;
constexpr int kMaxGridSize = 127;

class ClodLevel {
 public:
  // shift: log2 of the cell size in base samples (1 for the finest level); spacing: s, metres
  // between base samples.
  ClodLevel(int shift, int size, float spacing);

  ClodLevel* finer = nullptr;    // null for the finest
  ClodLevel* coarser = nullptr;  // null for the coarsest

  int shift;
  int size;
  int cellSamples;        // 2^shift
  int halfCellSamples;    // 2^shift / 2
  int halfExtentSamples;  // 2^shift × (size / 2)
  std::int32_t alignMask; // −1 << shift
  int wrapX = 0, wrapZ = 0;
  std::int32_t originX = 0, originZ = 0;  // base-sample corner of grid cell (0, 0)
  float cellSize;                          // metres
  float halfCellSize;
  float originWorldX = 0, originWorldZ = 0;
  std::vector<ClodCell> cells;             // size × size, storage order

  // Grid cell (i, j), 0 ≤ i, j < size.
  ClodCell& cell(int i, int j) { return cells[storageIndex(i, j)]; }
  const ClodCell& cell(int i, int j) const { return cells[storageIndex(i, j)]; }
  std::size_t storageIndex(int i, int j) const {
    int c = i + wrapX, r = j + wrapZ;
    if (c >= size) c -= size;
    if (r >= size) r -= size;
    return static_cast<std::size_t>(r) * static_cast<std::size_t>(size) + static_cast<std::size_t>(c);
  }
  // The grid cell holding base position (x, z); false (i, j untouched) outside the grid.
  bool cellIndex(std::int32_t x, std::int32_t z, int& i, int& j) const;
  // Base-sample corner of grid cell (i, j).
  std::int32_t cornerX(int i) const { return originX + (i << shift); }
  std::int32_t cornerZ(int j) const { return originZ + (j << shift); }
};

// The grid sizes from the coarsest (index 0) to the finest: 7, 11, 19, 35, 67, 127, 127, …
std::vector<int> clodGridSizes(int levelCount);

}  // namespace skyloom
