#include "effects/cloud_grid.h"

#include <algorithm>
#include <new>

namespace skyloom {

namespace {

int leafDepthFor(int cellsX, int cellsZ) {
  const int side = std::max(cellsX, cellsZ);
  int depth = 0;
  while ((1 << depth) < side) ++depth;
  return depth;
}

int quadrantAt(int depth, int leafDepth, int cellX, int cellZ) {
  const int bit = leafDepth - 1 - depth;
  return ((cellX >> bit) & 1) | (((cellZ >> bit) & 1) << 1);
}

bool isEmpty(const CloudNode& node) { return node.first == 0 && node.childMask == 0; }

}  // namespace

CloudGrid::CloudGrid(int cellsX, int cellsZ, int capacity, std::size_t maxBlocks)
    : cellsX_(cellsX),
      cellsZ_(cellsZ),
      maxBlocks_(std::min(maxBlocks, kMaxBlocks)),
      pool_(kNodesPerBlock * sizeof(CloudNode), maxBlocks_, BlockPool::Layout::Lazy) {
  const bool sides = cellsX >= 1 && cellsX <= kMaxCellsPerSide && cellsZ >= 1 && cellsZ <= kMaxCellsPerSide;
  if (!sides || capacity < 0 || capacity > kMaxCapacity) {
    cellsX_ = cellsZ_ = 0;
    return;
  }
  depth_ = leafDepthFor(cellsX, cellsZ);
  links_.resize(static_cast<std::size_t>(capacity) + 1);
}

bool CloudGrid::inside(int cellX, int cellZ) const {
  return valid() && cellX >= 0 && cellX < cellsX_ && cellZ >= 0 && cellZ < cellsZ_;
}

// ---- nodes -------------------------------------------------------------------------------------

bool CloudGrid::addBlock() {
  if (blocksTaken_ >= maxBlocks_) return false;
  void* raw = pool_.take();
  if (raw == nullptr) return false;
  auto* nodes = static_cast<CloudNode*>(raw);
  // Pushed in reverse so the block hands its nodes out in address order.
  for (std::size_t i = kNodesPerBlock; i-- > 0;) {
    CloudNode* node = new (&nodes[i]) CloudNode{};
    node->parent = freeNodes_;
    freeNodes_ = node;
  }
  ++blocksTaken_;
  return true;
}

CloudNode* CloudGrid::takeNode() {
  if (freeNodes_ == nullptr && !addBlock()) return nullptr;
  CloudNode* node = freeNodes_;
  freeNodes_ = node->parent;
  *node = CloudNode{};
  ++nodesInUse_;
  return node;
}

void CloudGrid::giveNode(CloudNode* node) {
  *node = CloudNode{};
  node->parent = freeNodes_;
  freeNodes_ = node;
  --nodesInUse_;
}

// The leaf of a cell, making the missing nodes on the way. Without a node to make, whatever this
// walk built is given back and the answer is null.
CloudNode* CloudGrid::descend(int cellX, int cellZ) {
  CloudNode* node = &root_;
  for (int d = 0; d < depth_; ++d) {
    const int q = quadrantAt(d, depth_, cellX, cellZ);
    CloudNode* child = node->children[q];
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

// Gives back node and its ancestors for as long as they hold neither clouds nor children.
void CloudGrid::prune(CloudNode* node) {
  while (node != &root_ && isEmpty(*node)) {
    CloudNode* parent = node->parent;
    parent->children[node->quadrant] = nullptr;
    parent->childMask = static_cast<std::uint8_t>(parent->childMask & ~(1u << node->quadrant));
    giveNode(node);
    node = parent;
  }
}

// ---- clouds ------------------------------------------------------------------------------------

void CloudGrid::link(int id, CloudNode* leaf, int cellX, int cellZ) {
  Link& l = links_[static_cast<std::size_t>(id)];
  l.leaf = leaf;
  l.cellX = cellX;
  l.cellZ = cellZ;
  l.previous = 0;
  l.next = leaf->first;
  if (leaf->first != 0) links_[static_cast<std::size_t>(leaf->first)].previous = id;
  leaf->first = id;
  ++cloudCount_;
}

void CloudGrid::unlink(int id) {
  Link& l = links_[static_cast<std::size_t>(id)];
  if (l.previous != 0) {
    links_[static_cast<std::size_t>(l.previous)].next = l.next;
  } else {
    l.leaf->first = l.next;
  }
  if (l.next != 0) links_[static_cast<std::size_t>(l.next)].previous = l.previous;
  l = Link{};
  --cloudCount_;
}

bool CloudGrid::contains(int id) const {
  return id > 0 && static_cast<std::size_t>(id) < links_.size() && links_[static_cast<std::size_t>(id)].leaf;
}

bool CloudGrid::cellOf(int id, int& cellX, int& cellZ) const {
  if (!contains(id)) return false;
  const Link& l = links_[static_cast<std::size_t>(id)];
  cellX = l.cellX;
  cellZ = l.cellZ;
  return true;
}

bool CloudGrid::insert(int id, int cellX, int cellZ) {
  if (id <= 0 || static_cast<std::size_t>(id) >= links_.size() || contains(id) || !inside(cellX, cellZ)) {
    return false;
  }
  CloudNode* leaf = descend(cellX, cellZ);
  if (leaf == nullptr) return false;
  link(id, leaf, cellX, cellZ);
  return true;
}

// The new leaf is had before the cloud leaves the old one, so a refusal leaves everything as it
// was; the old cell's nodes go back only once the cloud is safely in its new list.
bool CloudGrid::move(int id, int cellX, int cellZ) {
  if (!contains(id) || !inside(cellX, cellZ)) return false;
  Link& l = links_[static_cast<std::size_t>(id)];
  if (l.cellX == cellX && l.cellZ == cellZ) return true;
  CloudNode* leaf = descend(cellX, cellZ);
  if (leaf == nullptr) return false;
  CloudNode* oldLeaf = l.leaf;
  unlink(id);
  link(id, leaf, cellX, cellZ);
  prune(oldLeaf);
  return true;
}

bool CloudGrid::remove(int id) {
  if (!contains(id)) return false;
  CloudNode* leaf = links_[static_cast<std::size_t>(id)].leaf;
  unlink(id);
  prune(leaf);
  return true;
}

// ---- queries -----------------------------------------------------------------------------------

std::size_t CloudGrid::collect(const CellRect& rect, std::vector<std::int32_t>& out) const {
  if (!valid()) return 0;
  const CellRect clipped{std::max(rect.x0, 0), std::max(rect.z0, 0), std::min(rect.x1, cellsX_ - 1),
                         std::min(rect.z1, cellsZ_ - 1)};
  if (clipped.x0 > clipped.x1 || clipped.z0 > clipped.z1) return 0;
  return collectNode(root_, 0, 0, 0, clipped, out);
}

std::size_t CloudGrid::collectNode(const CloudNode& node, int depth, int ox, int oz, const CellRect& rect,
                                   std::vector<std::int32_t>& out) const {
  const int extent = 1 << (depth_ - depth);
  if (ox > rect.x1 || ox + extent - 1 < rect.x0 || oz > rect.z1 || oz + extent - 1 < rect.z0) return 0;
  std::size_t appended = 0;
  if (depth == depth_) {
    for (std::int32_t id = node.first; id != 0 && out.size() < out.capacity();
         id = links_[static_cast<std::size_t>(id)].next) {
      out.push_back(id);
      ++appended;
    }
    return appended;
  }
  const int half = extent / 2;
  for (int q = 0; q < 4; ++q) {
    if ((node.childMask & (1u << q)) == 0) continue;
    appended += collectNode(*node.children[q], depth + 1, ox + (q & 1) * half, oz + (q >> 1) * half, rect, out);
  }
  return appended;
}

// ---- checking ----------------------------------------------------------------------------------

bool CloudGrid::checkNode(const CloudNode& node, int depth, int ox, int oz, std::size_t& nodes,
                          std::size_t& clouds) const {
  if (&node != &root_ && isEmpty(node)) return false;
  if (depth == depth_) {
    if (node.childMask != 0) return false;
    std::int32_t previous = 0;
    for (std::int32_t id = node.first; id != 0; id = links_[static_cast<std::size_t>(id)].next) {
      if (id < 0 || static_cast<std::size_t>(id) >= links_.size()) return false;
      const Link& l = links_[static_cast<std::size_t>(id)];
      if (l.leaf != &node || l.previous != previous || l.cellX != ox || l.cellZ != oz) return false;
      if (++clouds > cloudCount_) return false;  // a cycle in the list
      previous = id;
    }
    return true;
  }
  if (node.first != 0) return false;
  const int half = 1 << (depth_ - depth - 1);
  for (int q = 0; q < 4; ++q) {
    const CloudNode* child = node.children[q];
    if (((node.childMask & (1u << q)) != 0) != (child != nullptr)) return false;
    if (child == nullptr) continue;
    if (child->parent != &node || child->quadrant != q) return false;
    ++nodes;
    if (!checkNode(*child, depth + 1, ox + (q & 1) * half, oz + (q >> 1) * half, nodes, clouds)) return false;
  }
  return true;
}

bool CloudGrid::consistent() const {
  if (!valid()) return cloudCount_ == 0 && nodesInUse_ == 0;
  std::size_t nodes = 0, clouds = 0;
  if (root_.parent != nullptr || !checkNode(root_, 0, 0, 0, nodes, clouds)) return false;
  std::size_t spare = 0;
  for (const CloudNode* node = freeNodes_; node != nullptr; node = node->parent) ++spare;
  return nodes == nodesInUse_ && clouds == cloudCount_ && nodes + spare == blocksTaken_ * kNodesPerBlock;
}

}  // namespace skyloom
