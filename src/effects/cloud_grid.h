#pragma once
// CloudGrid: which clouds lie in which cell of the cloud field's wrapping grid.
//
// The cells are the leaves of a quadtree whose root covers the smallest power-of-two square that
// holds cellsX × cellsZ cells; only leaves hold clouds, as an intrusive doubly linked list of
// cloud ids (1 … capacity, 0 ends a list) kept in the grid's own link table, so moving a cloud to
// a neighbouring cell is an unlink and a link. Nodes come from blocks of 16 taken from a
// BlockPool (up to 5000 blocks) and go back to a free list as soon as they hold nothing, so
// clouds drifting for hours reuse the same nodes. A 32 × 32 grid needs at most 1365 nodes.
//
// When no node can be had, insert and move answer false and change nothing: a cloud that cannot
// follow its position stays listed in its old cell.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/block_pool.h"

namespace skyloom {

struct CloudNode {
  CloudNode* parent = nullptr;
  CloudNode* children[4] = {};  // quadrant: bit 0 the upper x half, bit 1 the upper z half
  std::int32_t first = 0;       // leaves only: the first cloud of the cell's list
  std::uint8_t childMask = 0;   // bit q set when children[q] is present
  std::uint8_t quadrant = 0;    // this node's place in its parent
};

// A rectangle of cells, both corners included.
struct CellRect {
  int x0 = 0, z0 = 0, x1 = -1, z1 = -1;
};

class CloudGrid {
 public:
  static constexpr std::size_t kNodesPerBlock = 16;
  static constexpr std::size_t kMaxBlocks = 5000;
  static constexpr int kMaxCellsPerSide = 1024;
  static constexpr int kMaxCapacity = 1 << 20;

  // A side that is not 1 … kMaxCellsPerSide, or a capacity outside 0 … kMaxCapacity, makes a grid
  // that holds nothing (valid() false). maxBlocks is capped at kMaxBlocks; 0 leaves no node at
  // all to build cells from.
  CloudGrid(int cellsX, int cellsZ, int capacity, std::size_t maxBlocks = kMaxBlocks);
  CloudGrid(const CloudGrid&) = delete;
  CloudGrid& operator=(const CloudGrid&) = delete;

  bool valid() const { return depth_ >= 0; }
  int cellsX() const { return cellsX_; }
  int cellsZ() const { return cellsZ_; }

  // Lists the cloud in a cell; false (nothing changed) for an id out of range or already
  // listed, a cell outside the grid, or no node left.
  bool insert(int id, int cellX, int cellZ);
  // Lists a listed cloud in another cell; false, and it stays where it was, when the cell is
  // outside the grid or its nodes cannot be had. Moving to its own cell answers true.
  bool move(int id, int cellX, int cellZ);
  bool remove(int id);
  bool contains(int id) const;
  // The cell a listed cloud is in; false for one that is not listed.
  bool cellOf(int id, int& cellX, int& cellZ) const;

  // Appends the ids of the clouds in the cells of the rectangle (clipped to the grid) to out,
  // without growing it past its capacity; answers how many were appended.
  std::size_t collect(const CellRect& rect, std::vector<std::int32_t>& out) const;

  std::size_t cloudCount() const { return cloudCount_; }
  // Nodes taken from the blocks (the root is the grid's own and is not counted).
  std::size_t nodeCount() const { return nodesInUse_; }
  std::size_t blockCount() const { return blocksTaken_; }
  // Every link, mask and count agrees. For tests.
  bool consistent() const;

 private:
  struct Link {
    CloudNode* leaf = nullptr;  // null: not listed
    std::int32_t previous = 0;
    std::int32_t next = 0;
    std::int32_t cellX = 0, cellZ = 0;
  };

  bool inside(int cellX, int cellZ) const;
  bool addBlock();
  CloudNode* takeNode();
  void giveNode(CloudNode* node);
  CloudNode* descend(int cellX, int cellZ);
  void prune(CloudNode* node);
  void link(int id, CloudNode* leaf, int cellX, int cellZ);
  void unlink(int id);
  std::size_t collectNode(const CloudNode& node, int depth, int ox, int oz, const CellRect& rect,
                          std::vector<std::int32_t>& out) const;
  bool checkNode(const CloudNode& node, int depth, int ox, int oz, std::size_t& nodes,
                 std::size_t& clouds) const;

  int cellsX_, cellsZ_;
  int depth_ = -1;  // leaf depth; -1 for an unusable grid
  std::size_t maxBlocks_;
  BlockPool pool_;
  std::size_t blocksTaken_ = 0;
  CloudNode* freeNodes_ = nullptr;  // linked through parent
  std::size_t nodesInUse_ = 0;
  std::size_t cloudCount_ = 0;
  std::vector<Link> links_;  // by id; entry 0 unused
  CloudNode root_;
};

}  // namespace skyloom
