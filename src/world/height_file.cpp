#include "world/height_file.h"

#include <cstring>

namespace skyloom {
namespace {

// Metres are scaled a hair above 1 so that whole metres land on whole units after truncation.
constexpr double kMetreScale = 1.0001;

std::uint16_t heightUnits(std::int32_t metres, double unitsPerMetre) {
  if (metres <= 0) return 0;  // a void or a zero: a hole, mended afterwards
  if (metres > kHeightFileMaxMetres) metres = kHeightFileMaxMetres;
  return static_cast<std::uint16_t>(metres * unitsPerMetre);
}

void mendRow(std::uint16_t* row, int width) {
  if (row[0] == 0) {
    int first = 1;
    while (first < width && row[first] == 0) ++first;
    if (first == width) return;  // nothing to mend from
    row[0] = row[first];
  }
  int x = 1;
  while (x < width) {
    if (row[x] != 0) {
      ++x;
      continue;
    }
    const int before = x - 1;  // a height: row[0] is never a hole here
    int after = x;
    while (after < width && row[after] == 0) ++after;
    const std::int32_t from = row[before];
    if (after == width) {
      for (int i = x; i < width; ++i) row[i] = static_cast<std::uint16_t>(from);
      return;
    }
    const std::int32_t to = row[after];
    const std::int32_t span = after - before;
    for (int i = x; i < after; ++i) row[i] = static_cast<std::uint16_t>(from + (to - from) * (i - before) / span);
    x = after + 1;
  }
}

}  // namespace

HeightFileShape heightFileShape(std::uint64_t length) {
  if (length == kHeightFileBytes) return {kHeightFileSamples, kHeightFileSpacing};
  if (length == kHeightFileSmallBytes) return {kHeightFileSmallSamples, kHeightFileSmallSpacing};
  return {};
}

void convertHeightFileGrid(HeightGrid& grid, float heightUnit) {
  const double unitsPerMetre = kMetreScale / heightUnit;
  // Each sample's two bytes lie where its value goes: read both, then write.
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(grid.samples.data());
  for (std::size_t i = 0; i < grid.samples.size(); ++i) {
    const auto raw = static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]));
    grid.samples[i] = heightUnits(raw, unitsPerMetre);
  }
  mendHeightRows(grid);
}

void mendHeightRows(HeightGrid& grid) {
  if (grid.empty()) return;
  for (int z = 0; z < grid.height; ++z) mendRow(&grid.at(0, z), grid.width);
}

bool heightGridFromSamples(std::span<const std::uint8_t> bytes, int width, int height, HeightGrid& out) {
  if (width <= 0 || height <= 0) return false;
  const std::uint64_t count = std::uint64_t(width) * std::uint64_t(height);
  if (bytes.size() != 2 * count) return false;
  HeightGrid grid(width, height);
  std::memcpy(grid.samples.data(), bytes.data(), bytes.size());
  convertHeightFileGrid(grid);
  out = std::move(grid);
  return true;
}

bool parseHeightFile(std::span<const std::uint8_t> bytes, HeightGrid& out, float& spacing) {
  const HeightFileShape shape = heightFileShape(bytes.size());
  if (shape.samples == 0 || !heightGridFromSamples(bytes, shape.samples, shape.samples, out)) return false;
  spacing = shape.spacing;
  return true;
}

}  // namespace skyloom
