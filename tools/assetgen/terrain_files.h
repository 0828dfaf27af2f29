#pragma once
// What writeTerrain puts into "tem\": the names and sizes of the two terrain files, and the
// height grids they are made from (for the generator's tests).

#include "assetgen.h"
#include "terrain_erosion.h"
#include "world/height_grid.h"

namespace skyloom::assetgen {

constexpr const char* kCoastFileName = "coast.tem";
constexpr const char* kHighlandsFileName = "highlands.dem";
// 4097 samples 10 m apart: a 41 km square on 4 × 4 blocks of the cache format.
constexpr int kCoastSamples = 4097;
constexpr float kCoastSpacing = 10.0f;
constexpr float kCoastHeightUnit = 1.0f / 6.0f;

// The coast in height units, kCoastSamples square.
HeightGrid coastHeights();
// The highlands in metres, kDemSamples square.
FloatGrid highlandMetres();

// Each file into dir (which exists); false after printing why.
bool writeCoastFile(const fs::path& dir);
bool writeHighlandsFile(const fs::path& dir);

}  // namespace skyloom::assetgen
