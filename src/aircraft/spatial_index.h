#pragma once
// SpatialIndex: where the units are, for the camera and for picking targets.
//
// The world's x/z plane is cut into square cells of cellSize world units; a position belongs to
// cell (floor(x / cellSize), floor(z / cellSize)), clamped into the signed 32-bit range, so any
// finite or infinite position has a cell and only NaN has none. The cells are the leaves of a
// quadtree whose root covers the whole signed 32-bit range on both axes: a node at depth d covers
// 2^(32-d) cells a side and the leaves, one cell each, are at depth 32. Only leaves hold units.
//
// A unit keeps its place in its own SpatialCell (cell, leaf, list links), so the per-frame update
// is two floors and a comparison, and the units of a leaf form an intrusive doubly linked list
// through those fields: moving a unit between cells unlinks and links it in constant time, and
// the nodes it needs come from the free list, so the heap is not touched once the scene has
// reached its peak. A formation can put a dozen units in one cell, which is why the list is not
// singly linked: taking a unit out would otherwise walk its neighbours.
//
// Nodes come from blocks of 40 taken from a BlockPool (up to 1000 blocks); the list of blocks
// starts small and doubles when full. A node that loses its last unit and its last child goes
// back to a free list at once, so units wandering for hours reuse the same nodes and the memory
// stays at the peak the scene needed. When no block is left, inserting answers false and the unit
// is simply not indexed; update() tries it again on a later frame.
//
// Queries visit the units of every cell that touches the region, so callers that need exact
// distances test the units they are given. The order is deterministic: cells in the quadtree's
// Z order (x before z at every level, in unsigned cell order), and within a cell the most recent
// arrival first.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "aircraft/spatial_cell.h"
#include "aircraft/unit.h"
#include "core/block_pool.h"

namespace skyloom {

struct SpatialNode {
  SpatialNode* parent = nullptr;
  SpatialNode* children[4] = {};  // quadrant: bit 0 the upper x half, bit 1 the upper z half
  Unit* units = nullptr;          // leaves only: the first unit of the cell's list
  std::uint8_t childMask = 0;     // bit q set when children[q] is present
  std::uint8_t quadrant = 0;      // this node's place in its parent
};

class SpatialIndex {
 public:
  // Aircraft cruise at 100 to 1000 units a second and formations keep 50 units apart, so a
  // 256-unit cell holds a few neighbours and a fast unit changes cell a few times a second;
  // a 3000-unit targeting radius spans about 24 cells.
  static constexpr float kDefaultCellSize = 256.0f;
  static constexpr std::size_t kNodesPerBlock = 40;
  static constexpr std::size_t kMaxBlocks = 1000;
  static constexpr std::size_t kBlockListGrowth = 2;
  static constexpr std::size_t kInitialBlockList = 4;
  static constexpr int kLeafDepth = 32;

  // A cell size that is not a finite positive number leaves the index unusable: valid() is
  // false and nothing can be inserted.
  explicit SpatialIndex(float cellSize = kDefaultCellSize, std::size_t maxBlocks = kMaxBlocks);
  // Units still indexed are released (their cells cleared), so the index may go before its
  // units; a unit that goes first must be removed first.
  ~SpatialIndex();
  SpatialIndex(const SpatialIndex&) = delete;
  SpatialIndex& operator=(const SpatialIndex&) = delete;

  bool valid() const { return valid_; }
  float cellSize() const { return cellSize_; }

  // The cell of a world coordinate; false for NaN (and on an invalid index).
  bool cellOf(float coordinate, std::int32_t& cell) const;

  // Indexes the unit at its position's cell. False, and the unit stays unindexed, when it is
  // already indexed (here or elsewhere), its position has no cell, or the pool has no node left.
  bool insert(Unit& unit);
  // Follows the unit to its position's cell. Answers true when it went to another leaf, or was
  // not indexed and now is (a unit the pool once refused). A unit indexed by another index, or a
  // position without a cell, answers false and changes nothing; when the new leaf cannot be had,
  // the unit leaves the index and answers false.
  bool update(Unit& unit);
  // Takes the unit out; false when this index does not hold it.
  bool remove(Unit& unit);
  bool contains(const Unit& unit) const { return unit.spatialCell.index == this; }

  // Visit every unit whose cell touches the axis-aligned square of half side `halfSide`, or the
  // disc of radius `radius`, centred on (x, z). A NaN or negative size visits nothing. Answer the
  // number of units visited. A centre that is not finite visits nothing; an infinite size visits
  // every unit. The visitor must not insert, move or remove units while it runs.
  template <typename Visit>
  std::size_t forEachInSquare(float x, float z, float halfSide, Visit&& visit) const {
    return query(x, z, halfSide, false, &thunk<std::remove_reference_t<Visit>>, context(visit));
  }
  template <typename Visit>
  std::size_t forEachInCircle(float x, float z, float radius, Visit&& visit) const {
    return query(x, z, radius, true, &thunk<std::remove_reference_t<Visit>>, context(visit));
  }

  std::size_t unitCount() const { return unitCount_; }
  // Nodes taken from the blocks (the root is the index's own and is not counted).
  std::size_t nodeCount() const { return nodesInUse_; }
  std::size_t blockCount() const { return blocks_.size(); }
  std::size_t blockListCapacity() const { return blockListCapacity_; }

  // Walks the whole tree: every link, mask and unit's cell agrees, no node but the root is empty
  // and the counts are right. For tests and debugging.
  bool consistent() const;

 private:
  using VisitFn = void (*)(void* context, Unit& unit);
  // The visitor travels as void*; a const one is called through its const type again.
  template <typename Visit>
  static void* context(Visit& visit) {
    return const_cast<void*>(static_cast<const void*>(std::addressof(visit)));
  }
  template <typename Visit>
  static void thunk(void* context, Unit& unit) {
    (*static_cast<Visit*>(context))(unit);
  }
  struct Region;

  SpatialNode* takeNode();
  void giveNode(SpatialNode* node);
  bool addBlock();
  SpatialNode* descend(SpatialNode* from, int depth, std::uint32_t ux, std::uint32_t uz);
  void prune(SpatialNode* node, const SpatialNode* stop = nullptr);
  void link(Unit& unit, SpatialNode* leaf, std::int32_t cx, std::int32_t cz);
  void unlink(Unit& unit);
  bool place(Unit& unit, std::int32_t cx, std::int32_t cz);
  bool cellsOf(const Unit& unit, std::int32_t& cx, std::int32_t& cz) const;
  std::size_t query(float x, float z, float size, bool circle, VisitFn visit, void* context) const;
  std::size_t visitNode(const SpatialNode& node, int depth, std::uint64_t ox, std::uint64_t oz,
                        const Region& region, VisitFn visit, void* context) const;
  bool checkNode(const SpatialNode& node, int depth, std::uint32_t ux, std::uint32_t uz,
                 std::size_t& nodes, std::size_t& units) const;
  void releaseUnits(SpatialNode& node);

  bool valid_;
  float cellSize_;
  std::size_t maxBlocks_;
  BlockPool pool_;
  std::vector<SpatialNode*> blocks_;
  std::size_t blockListCapacity_ = 0;
  SpatialNode* freeNodes_ = nullptr;  // linked through parent
  std::size_t nodesInUse_ = 0;
  std::size_t unitCount_ = 0;
  SpatialNode root_;
};

}  // namespace skyloom
