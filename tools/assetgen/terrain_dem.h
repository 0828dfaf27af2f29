#pragma once
// The text elevation grid (".dem"): a text header of 1174 bytes, then 1200 × 1200 heights in
// whole metres, column by column from west to east, each column from its last row up to row 0.
// Every value is 1 to 4 digits followed by spaces.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "terrain_erosion.h"

namespace skyloom::assetgen {

constexpr int kDemSamples = 1200;
constexpr float kDemSpacing = 70.0f;
constexpr std::size_t kDemHeaderBytes = 1174;
constexpr std::size_t kDemValueBytes = 5;  // four digits and at least one space
constexpr int kDemMaxHeight = 9000;

// The file's text for a kDemSamples × kDemSamples grid of metres.
std::string demText(const FloatGrid& metres);
bool writeDemFile(const std::string& path, const FloatGrid& metres);

}  // namespace skyloom::assetgen
