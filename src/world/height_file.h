#pragma once
// Height files (".hgt"): a square grid of big-endian signed 16-bit heights in metres, row-major,
// nothing else in the file. Two sizes are in use and told apart by the file's length alone:
// one arc-second files of 3601 × 3601 samples and three arc-second files of 1201 × 1201, whose
// samples lie three times as far apart so that a file covers the same ground either way.
//
// Voids (negative samples) and zeros are holes; after conversion to height units each row is
// mended so that no hole is left where the row has any height at all.

#include <cstddef>
#include <cstdint>
#include <span>

#include "world/height_grid.h"

namespace skyloom {

constexpr int kHeightFileSamples = 3601;
constexpr int kHeightFileSmallSamples = 1201;
constexpr std::uint64_t kHeightFileBytes = std::uint64_t{2} * kHeightFileSamples * kHeightFileSamples;  // 25934402
constexpr std::uint64_t kHeightFileSmallBytes =
    std::uint64_t{2} * kHeightFileSmallSamples * kHeightFileSmallSamples;  // 2884802
constexpr float kHeightFileSpacing = 5.01f;        // metres between samples of the large kind
constexpr float kHeightFileSmallSpacing = 15.03f;  // three times that
constexpr int kHeightFileMaxMetres = 9000;

struct HeightFileShape {
  int samples = 0;  // per side; 0 when the length is no height file's
  float spacing = 0.0f;
};

// The grid a file of this many bytes holds.
HeightFileShape heightFileShape(std::uint64_t length);

// Converts a grid whose samples still hold the file's bytes as they were read (big-endian
// metres) to height units of heightUnit metres, in place, and mends its rows. Holes (negative
// or 0) give 0, heights above 9000 m are taken as 9000 m, and the result is truncated. Reading
// the file straight into the grid keeps one copy of it in memory, not two.
void convertHeightFileGrid(HeightGrid& grid, float heightUnit = kDefaultHeightUnit);

// Fills the holes (0) of each row: a row starting with holes takes its first height there, a
// run of holes inside the row is interpolated linearly between the heights on either side, and
// a run reaching the row's end repeats the height before it. A row of holes stays 0.
void mendHeightRows(HeightGrid& grid);

// width × height samples from exactly 2 × width × height bytes, converted and mended as above. False
// (out untouched) when the byte count does not match or the size is empty.
bool heightGridFromSamples(std::span<const std::uint8_t> bytes, int width, int height, HeightGrid& out);

// A whole height file: its size by its length, converted and mended. False (out untouched) for
// a length that is neither kind's.
bool parseHeightFile(std::span<const std::uint8_t> bytes, HeightGrid& out, float& spacing);

}  // namespace skyloom
