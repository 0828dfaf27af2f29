#pragma once
// SceneryGrid: one of the nested, eye-centred square grids that hold the trees and the
// buildings, all cells 2^shift base samples wide. Like the terrain's levels it is a toroidal
// window: grid cell (i, j) is stored at column (i + wrapX) mod size and row (j + wrapZ) mod
// size, so moving the eye by whole cells rebuilds only the strips that come into view. What a
// cell holds is the derived grid's business; it builds cells in rebuild().

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace skyloom {

class SceneryGrid {
 public:
  // The grid stands at (parkX, parkZ) base samples until the first move.
  SceneryGrid(int shift, int size, std::int32_t parkX, std::int32_t parkZ);
  virtual ~SceneryGrid() = default;
  SceneryGrid(const SceneryGrid&) = delete;
  SceneryGrid& operator=(const SceneryGrid&) = delete;

  // Centres the grid on the eye's base cell: a move of more than the grid rebuilds every cell,
  // a smaller one the strips that came in.
  void moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ);

  int shift() const { return shift_; }
  int size() const { return size_; }
  std::int32_t cellSamples() const { return std::int32_t{1} << shift_; }
  std::int32_t originX() const { return originX_; }
  std::int32_t originZ() const { return originZ_; }
  // Base-sample corner of grid cell (i, j).
  std::int32_t cellX(int i) const { return originX_ + (i << shift_); }
  std::int32_t cellZ(int j) const { return originZ_ + (j << shift_); }
  // Whether the base-sample position lies inside the grid.
  bool covers(std::int64_t x, std::int64_t z) const;
  std::size_t storageIndex(int i, int j) const {
    int c = i + wrapX_, r = j + wrapZ_;
    if (c >= size_) c -= size_;
    if (r >= size_) r -= size_;
    return static_cast<std::size_t>(r) * static_cast<std::size_t>(size_) + static_cast<std::size_t>(c);
  }

  SceneryGrid* finer = nullptr;
  SceneryGrid* coarser = nullptr;

 protected:
  // Builds grid cells [i0, i1) × [j0, j1) for the current origin.
  virtual void rebuild(int i0, int i1, int j0, int j1) = 0;

 private:
  int shift_;
  int size_;
  int wrapX_ = 0, wrapZ_ = 0;
  std::int32_t originX_, originZ_;
};

// Calls visit(i, j) for every cell of a grid of size × size in rings around its centre, the
// outermost ring first: far cells before near ones, as blended scenery without depth writes
// needs.
template <typename Visit>
void visitOutsideIn(int size, Visit&& visit) {
  const int c = size / 2;
  auto in = [size](int k) { return k >= 0 && k < size; };
  for (int r = c + 1; r >= 0; --r) {
    for (int i = c - r; i <= c + r; ++i) {
      if (!in(i)) continue;
      if (in(c - r)) visit(i, c - r);
      if (r > 0 && in(c + r)) visit(i, c + r);
    }
    for (int j = c - r + 1; j <= c + r - 1; ++j) {
      if (!in(j)) continue;
      if (in(c - r)) visit(c - r, j);
      if (r > 0 && in(c + r)) visit(c + r, j);
    }
  }
}

// A scenery grid whose cells are Cells, each made by the build function of its owner when
// it scrolls into the grid. index: the grid's place in its stack, 0 the finest. Beside the
// cells it keeps a byte per cell saying whether the cell holds anything (Cell::present not
// zero, for cells that have it): most cells are empty, and a draw that asks the small array
// first reads only the cells worth reading. The byte is taken when the cell is built.
template <typename Cell>
class SceneryCells final : public SceneryGrid {
 public:
  using Build = std::function<void(const SceneryCells&, int i, int j, Cell&)>;
  SceneryCells(int index, int shift, int size, std::int32_t parkX, std::int32_t parkZ, Build build)
      : SceneryGrid(shift, size, parkX, parkZ),
        index_(index),
        build_(std::move(build)),
        cells_(static_cast<std::size_t>(this->size()) * static_cast<std::size_t>(this->size())),
        occupied_(cells_.size(), 0) {}
  int index() const { return index_; }
  Cell& cell(int i, int j) { return cells_[storageIndex(i, j)]; }
  const Cell& cell(int i, int j) const { return cells_[storageIndex(i, j)]; }
  // Calls visit(i, j, cell) for the cells that hold anything, in visitOutsideIn's order. The
  // cells to visit are listed from the byte array (again only after a rebuild, which every move
  // makes) and read a few ahead of their turn, so that the ring order's jumps through the cells
  // do not wait on memory each time.
  template <typename Visit>
  void visitOccupiedOutsideIn(Visit&& visit) const {
    if (!listed_) {
      order_.clear();
      visitOutsideIn(size(), [this](int i, int j) {
        const std::size_t k = storageIndex(i, j);
        if (occupied_[k]) order_.push_back({static_cast<std::uint32_t>(k), i, j});
      });
      listed_ = true;
    }
    constexpr std::size_t kAhead = 8;
    for (std::size_t n = 0; n < order_.size(); ++n) {
      if (n + kAhead < order_.size()) __builtin_prefetch(&cells_[order_[n + kAhead].index]);
      const Place& p = order_[n];
      visit(p.i, p.j, cells_[p.index]);
    }
  }
  // Whether any cell has been built (the grid has moved off its parking place).
  bool built() const { return built_; }

 protected:
  void rebuild(int i0, int i1, int j0, int j1) override {
    built_ = true;
    listed_ = false;
    for (int j = j0; j < j1; ++j) {
      for (int i = i0; i < i1; ++i) {
        const std::size_t k = storageIndex(i, j);
        build_(*this, i, j, cells_[k]);
        occupied_[k] = holdsAnything(cells_[k]);
      }
    }
  }

 private:
  struct Place {
    std::uint32_t index;  // in storage
    int i, j;
  };

  static bool holdsAnything(const Cell& c) {
    if constexpr (requires { c.present; }) return c.present != 0;
    return true;
  }

  int index_;
  Build build_;
  std::vector<Cell> cells_;
  std::vector<std::uint8_t> occupied_;
  // The occupied cells in visiting order, until the next rebuild.
  mutable std::vector<Place> order_;
  mutable bool listed_ = false;
  bool built_ = false;
};

// floor(log2 q) + 1, or 1 when q is 0 or less: the finest scenery grid's shift for a span of
// q base samples.
int sceneryShift(std::int64_t q);

// The corner of a grid of size cells of 2^shift centred on the eye's cell.
std::int32_t sceneryOrigin(std::int32_t eyeCell, int shift, int size);

}  // namespace skyloom
