#pragma once
// The global grid: 5760 columns × 2880 rows of big-endian unsigned 16-bit samples from the
// file's first byte, already in height units.

#include <cstdint>

#include "world/height_grid.h"

namespace skyloom {

constexpr int kGlobalGridColumns = 5760;
constexpr int kGlobalGridRows = 2880;
constexpr std::uint64_t kGlobalGridBytes = std::uint64_t{2} * kGlobalGridColumns * kGlobalGridRows;  // 33177600
constexpr float kGlobalGridSpacing = 70.0f;

// Turns a grid whose samples still hold the file's bytes as they were read (big-endian) into
// host order, in place: reading the file straight into the grid keeps one copy in memory.
void swapGlobalGrid(HeightGrid& grid);

}  // namespace skyloom
