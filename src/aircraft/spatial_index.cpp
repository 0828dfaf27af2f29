#include "aircraft/spatial_index.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <new>

namespace skyloom {

namespace {

constexpr std::uint32_t kSignFlip = 0x80000000u;
constexpr double kHalfRange = 2147483648.0;  // 2^31: unsigned cell 0 is signed cell -2^31
constexpr std::uint64_t kFullRange = std::uint64_t{1} << 32;
constexpr int kLeafBit = SpatialIndex::kLeafDepth - 1;  // the bit the root splits on

// Signed cells in unsigned order, so that the root's lower half is the negative cells and every
// level splits on one bit.
std::uint32_t toUnsigned(std::int32_t cell) { return static_cast<std::uint32_t>(cell) ^ kSignFlip; }

bool cellOfValue(double value, double cellSize, std::int32_t& cell) {
  if (std::isnan(value)) return false;
  const double c = std::floor(value / cellSize);
  if (c <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
    cell = std::numeric_limits<std::int32_t>::min();
  } else if (c >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    cell = std::numeric_limits<std::int32_t>::max();
  } else {
    cell = static_cast<std::int32_t>(c);
  }
  return true;
}

int quadrantAt(int depth, std::uint32_t ux, std::uint32_t uz) {
  const int bit = kLeafBit - depth;
  return static_cast<int>(((ux >> bit) & 1u) | (((uz >> bit) & 1u) << 1));
}

bool isEmpty(const SpatialNode& node) { return node.units == nullptr && node.childMask == 0; }

}  // namespace

// The query in cells (unsigned, inclusive) and, for a disc, in world units.
struct SpatialIndex::Region {
  std::uint64_t x0, x1, z0, z1;
  bool circle;
  double px, pz, radiusSquared, cellSize;

  // The cells at either end of the range stand for every position clamped into them, so their
  // outer edges lie at infinity.
  double edge(std::uint64_t u) const {
    if (u == 0) return -std::numeric_limits<double>::infinity();
    if (u == kFullRange) return std::numeric_limits<double>::infinity();
    return (static_cast<double>(u) - kHalfRange) * cellSize;
  }

  bool touches(std::uint64_t ox, std::uint64_t oz, std::uint64_t extent) const {
    if (ox > x1 || ox + extent - 1 < x0 || oz > z1 || oz + extent - 1 < z0) return false;
    if (!circle) return true;
    const double dx = std::max({edge(ox) - px, px - edge(ox + extent), 0.0});
    const double dz = std::max({edge(oz) - pz, pz - edge(oz + extent), 0.0});
    return dx * dx + dz * dz <= radiusSquared;
  }
};

SpatialIndex::SpatialIndex(float cellSize, std::size_t maxBlocks)
    : valid_(std::isfinite(cellSize) && cellSize > 0),
      cellSize_(cellSize),
      maxBlocks_(std::min(maxBlocks, kMaxBlocks)),
      pool_(kNodesPerBlock * sizeof(SpatialNode), maxBlocks_, BlockPool::Layout::Lazy) {}

SpatialIndex::~SpatialIndex() { releaseUnits(root_); }

void SpatialIndex::releaseUnits(SpatialNode& node) {
  for (Unit* unit = node.units; unit != nullptr;) {
    Unit* next = unit->spatialCell.next;
    unit->spatialCell.clear();
    unit = next;
  }
  for (SpatialNode* child : node.children) {
    if (child != nullptr) releaseUnits(*child);
  }
}

bool SpatialIndex::cellOf(float coordinate, std::int32_t& cell) const {
  return valid_ && cellOfValue(coordinate, cellSize_, cell);
}

bool SpatialIndex::cellsOf(const Unit& unit, std::int32_t& cx, std::int32_t& cz) const {
  return cellOf(unit.position.x, cx) && cellOf(unit.position.z, cz);
}

// ---- nodes -------------------------------------------------------------------------------------

bool SpatialIndex::addBlock() {
  if (blocks_.size() >= maxBlocks_) return false;
  void* raw = pool_.take();
  if (raw == nullptr) return false;
  if (blocks_.size() == blockListCapacity_) {
    blockListCapacity_ =
        std::min(std::max(kInitialBlockList, blockListCapacity_ * kBlockListGrowth), maxBlocks_);
    blocks_.reserve(blockListCapacity_);
  }
  auto* nodes = static_cast<SpatialNode*>(raw);
  // Pushed in reverse so the block hands its nodes out in address order.
  for (std::size_t i = kNodesPerBlock; i-- > 0;) {
    SpatialNode* node = new (&nodes[i]) SpatialNode{};
    node->parent = freeNodes_;
    freeNodes_ = node;
  }
  blocks_.push_back(nodes);
  return true;
}

SpatialNode* SpatialIndex::takeNode() {
  if (freeNodes_ == nullptr && !addBlock()) return nullptr;
  SpatialNode* node = freeNodes_;
  freeNodes_ = node->parent;
  *node = SpatialNode{};
  ++nodesInUse_;
  return node;
}

void SpatialIndex::giveNode(SpatialNode* node) {
  *node = SpatialNode{};
  node->parent = freeNodes_;
  freeNodes_ = node;
  --nodesInUse_;
}

// Walks from `from` (at `depth`) down to the leaf of the unsigned cell, making missing nodes.
// Without a node to make, the part just built and anything it leaves empty go back, and the
// answer is null.
SpatialNode* SpatialIndex::descend(SpatialNode* from, int depth, std::uint32_t ux, std::uint32_t uz) {
  SpatialNode* node = from;
  for (int d = depth; d < kLeafDepth; ++d) {
    const int q = quadrantAt(d, ux, uz);
    SpatialNode* child = node->children[q];
    if (child == nullptr) {
      child = takeNode();
      if (child == nullptr) {
        prune(node);
        return nullptr;
      }
      child->parent = node;
      child->quadrant = static_cast<std::uint8_t>(q);
      node->children[q] = child;
      node->childMask = static_cast<std::uint8_t>(node->childMask | (1u << q));
    }
    node = child;
  }
  return node;
}

// Gives back `node` and its ancestors below `stop` for as long as they hold neither units nor
// children.
void SpatialIndex::prune(SpatialNode* node, const SpatialNode* stop) {
  while (node != &root_ && node != stop && isEmpty(*node)) {
    SpatialNode* parent = node->parent;
    parent->children[node->quadrant] = nullptr;
    parent->childMask = static_cast<std::uint8_t>(parent->childMask & ~(1u << node->quadrant));
    giveNode(node);
    node = parent;
  }
}

// ---- units -------------------------------------------------------------------------------------

void SpatialIndex::link(Unit& unit, SpatialNode* leaf, std::int32_t cx, std::int32_t cz) {
  SpatialCell& cell = unit.spatialCell;
  cell.x = cx;
  cell.z = cz;
  cell.node = leaf;
  cell.index = this;
  cell.previous = nullptr;
  cell.next = leaf->units;
  if (leaf->units != nullptr) leaf->units->spatialCell.previous = &unit;
  leaf->units = &unit;
  ++unitCount_;
}

void SpatialIndex::unlink(Unit& unit) {
  SpatialCell& cell = unit.spatialCell;
  if (cell.previous != nullptr) {
    cell.previous->spatialCell.next = cell.next;
  } else {
    cell.node->units = cell.next;
  }
  if (cell.next != nullptr) cell.next->spatialCell.previous = cell.previous;
  cell.clear();
  --unitCount_;
}

bool SpatialIndex::place(Unit& unit, std::int32_t cx, std::int32_t cz) {
  SpatialNode* leaf = descend(&root_, 0, toUnsigned(cx), toUnsigned(cz));
  if (leaf == nullptr) return false;
  link(unit, leaf, cx, cz);
  return true;
}

bool SpatialIndex::insert(Unit& unit) {
  if (!valid_ || unit.spatialCell.index != nullptr) return false;
  std::int32_t cx = 0, cz = 0;
  return cellsOf(unit, cx, cz) && place(unit, cx, cz);
}

bool SpatialIndex::update(Unit& unit) {
  const SpatialIndex* owner = unit.spatialCell.index;
  if (!valid_ || (owner != nullptr && owner != this)) return false;
  std::int32_t cx = 0, cz = 0;
  if (!cellsOf(unit, cx, cz)) return false;
  if (owner == nullptr) return place(unit, cx, cz);
  SpatialCell& cell = unit.spatialCell;
  if (cx == cell.x && cz == cell.z) return false;

  // Both paths agree down to the depth of their common leading bits; only what lies below it
  // changes, so the walk starts there rather than at the root.
  const std::uint32_t ux = toUnsigned(cx), uz = toUnsigned(cz);
  const int common = std::min(std::countl_zero(ux ^ toUnsigned(cell.x)),
                              std::countl_zero(uz ^ toUnsigned(cell.z)));
  SpatialNode* oldLeaf = cell.node;
  SpatialNode* ancestor = oldLeaf;
  for (int depth = kLeafDepth; depth > common; --depth) ancestor = ancestor->parent;
  unlink(unit);
  prune(oldLeaf, ancestor);
  SpatialNode* leaf = descend(ancestor, common, ux, uz);
  if (leaf == nullptr) return false;
  link(unit, leaf, cx, cz);
  return true;
}

bool SpatialIndex::remove(Unit& unit) {
  if (unit.spatialCell.index != this) return false;
  SpatialNode* leaf = unit.spatialCell.node;
  unlink(unit);
  prune(leaf);
  return true;
}

// ---- queries -----------------------------------------------------------------------------------

std::size_t SpatialIndex::query(float x, float z, float size, bool circle, VisitFn visit,
                                void* context) const {
  if (!valid_ || !std::isfinite(x) || !std::isfinite(z) || std::isnan(size) || size < 0) return 0;
  const double px = x, pz = z, r = size;
  std::int32_t x0 = 0, x1 = 0, z0 = 0, z1 = 0;
  cellOfValue(px - r, cellSize_, x0);
  cellOfValue(px + r, cellSize_, x1);
  cellOfValue(pz - r, cellSize_, z0);
  cellOfValue(pz + r, cellSize_, z1);
  const Region region{toUnsigned(x0), toUnsigned(x1), toUnsigned(z0), toUnsigned(z1),
                      circle,         px,             pz,             r * r,
                      cellSize_};
  return visitNode(root_, 0, 0, 0, region, visit, context);
}

std::size_t SpatialIndex::visitNode(const SpatialNode& node, int depth, std::uint64_t ox,
                                    std::uint64_t oz, const Region& region, VisitFn visit,
                                    void* context) const {
  const std::uint64_t extent = std::uint64_t{1} << (kLeafDepth - depth);
  if (!region.touches(ox, oz, extent)) return 0;
  std::size_t visited = 0;
  if (depth == kLeafDepth) {
    for (Unit* unit = node.units; unit != nullptr; unit = unit->spatialCell.next) {
      visit(context, *unit);
      ++visited;
    }
    return visited;
  }
  const std::uint64_t half = extent / 2;
  for (int q = 0; q < 4; ++q) {
    if ((node.childMask & (1u << q)) == 0) continue;
    visited += visitNode(*node.children[q], depth + 1, ox + (q & 1) * half, oz + (q >> 1) * half,
                         region, visit, context);
  }
  return visited;
}

// ---- checking ----------------------------------------------------------------------------------

bool SpatialIndex::checkNode(const SpatialNode& node, int depth, std::uint32_t ux, std::uint32_t uz,
                             std::size_t& nodes, std::size_t& units) const {
  if (&node != &root_ && isEmpty(node)) return false;
  if (depth == kLeafDepth) {
    if (node.childMask != 0) return false;
    const Unit* previous = nullptr;
    for (const Unit* unit = node.units; unit != nullptr; unit = unit->spatialCell.next) {
      const SpatialCell& cell = unit->spatialCell;
      if (cell.node != &node || cell.index != this || cell.previous != previous) return false;
      if (toUnsigned(cell.x) != ux || toUnsigned(cell.z) != uz) return false;
      if (++units > unitCount_) return false;  // a cycle in the list
      previous = unit;
    }
    return true;
  }
  if (node.units != nullptr) return false;
  for (int q = 0; q < 4; ++q) {
    const SpatialNode* child = node.children[q];
    const bool marked = (node.childMask & (1u << q)) != 0;
    if (marked != (child != nullptr)) return false;
    if (child == nullptr) continue;
    if (child->parent != &node || child->quadrant != q) return false;
    ++nodes;
    const int bit = kLeafBit - depth;
    if (!checkNode(*child, depth + 1, ux | (static_cast<std::uint32_t>(q & 1) << bit),
                   uz | (static_cast<std::uint32_t>(q >> 1) << bit), nodes, units)) {
      return false;
    }
  }
  return true;
}

bool SpatialIndex::consistent() const {
  std::size_t nodes = 0, units = 0;
  if (root_.parent != nullptr || !checkNode(root_, 0, 0, 0, nodes, units)) return false;
  std::size_t spare = 0;
  for (const SpatialNode* node = freeNodes_; node != nullptr; node = node->parent) ++spare;
  return nodes == nodesInUse_ && units == unitCount_ &&
         nodes + spare == blocks_.size() * kNodesPerBlock;
}

}  // namespace skyloom
