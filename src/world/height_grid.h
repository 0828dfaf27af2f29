#pragma once
// A rectangular grid of heights in height units, row-major with rows along z.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace skyloom {

// Metres per height unit: grids in metres are converted to units with the first; once loaded,
// the world works with the second (1/6 m as a float).
constexpr float kDefaultHeightUnit = 0.166666f;
constexpr float kPublishedHeightUnit = 0.16666669f;

struct HeightGrid {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> samples;

  HeightGrid() = default;
  HeightGrid(int w, int h) : width(w), height(h), samples(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}

  std::uint16_t& at(int x, int z) { return samples[static_cast<std::size_t>(z) * width + x]; }
  std::uint16_t at(int x, int z) const { return samples[static_cast<std::size_t>(z) * width + x]; }
  // Positions beyond the grid repeat its edge.
  std::uint16_t clamped(int x, int z) const {
    return at(std::clamp(x, 0, width - 1), std::clamp(z, 0, height - 1));
  }
  bool empty() const { return width <= 0 || height <= 0; }
};

}  // namespace skyloom
