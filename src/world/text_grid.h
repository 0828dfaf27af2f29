#pragma once
// Text elevation grids (".dem"): a text header of 1174 bytes, then 1200 × 1200 heights in whole
// metres as unsigned decimal numbers separated by spaces. They fill the grid column by column
// from west to east, each column from its last row (1199) up to row 0.
//
// A word that is not a number of 1 to 4 digits (five or more digits, a sign, a stray letter) is
// stored as 0, so that one bad value costs one sample rather than shifting every one after it.
// Values beyond the grid are ignored; a text with fewer values is refused.

#include <cstddef>
#include <cstdint>
#include <span>

#include "world/height_grid.h"

namespace skyloom {

constexpr int kTextGridSamples = 1200;
constexpr float kTextGridSpacing = 70.0f;
constexpr std::size_t kTextGridHeaderBytes = 1174;
constexpr std::size_t kTextGridBlockBytes = 8192;  // what the loader reads at a time
constexpr int kTextGridMaxMetres = 9000;

// One value in metres to height units: below 1 m 0, above 9000 m 9000 m, truncated.
std::uint16_t textGridHeight(std::uint32_t metres, float heightUnit = kDefaultHeightUnit);

// Reads the values after the header as the text arrives, in pieces of any size: a number split
// between two pieces counts once.
class TextGridReader {
 public:
  explicit TextGridReader(int samples = kTextGridSamples);

  // Takes the next piece of the text; does nothing once the grid is full.
  void feed(std::span<const std::uint8_t> text);
  // The end of the text: a number running up to it counts.
  void finish();
  bool full() const { return stored_ == grid_.samples.size(); }
  std::size_t valuesStored() const { return stored_; }
  // The grid, once full; the reader is spent afterwards.
  HeightGrid takeGrid() { return std::move(grid_); }

 private:
  void endWord();
  void store(std::uint16_t units);

  HeightGrid grid_;
  std::size_t stored_ = 0;
  bool inWord_ = false;
  bool wordIsNumber_ = true;  // digits only, at most four of them
  int digits_ = 0;
  std::uint32_t value_ = 0;
};

// A whole file, header included. False (out untouched) when it holds fewer than
// samples × samples values.
bool parseTextGrid(std::span<const std::uint8_t> file, HeightGrid& out, int samples = kTextGridSamples);

}  // namespace skyloom
