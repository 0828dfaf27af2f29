#pragma once
// The two landscapes of the terrain files, as heights in metres: a coast of eroded mountains,
// valleys and plains running down to the sea, and an inland range of high mountains.

#include "terrain_erosion.h"
#include "world/height_grid.h"

namespace skyloom::assetgen {

// samples × samples heights, spacing metres apart; samples - 1 must be a multiple of 4.
// Below sea level (0 m) everything is 0: the sea.
FloatGrid makeCoastLandscape(int samples, float spacing);
// samples × samples heights, spacing metres apart, all above 1 m.
FloatGrid makeMountainLandscape(int samples, float spacing);

// Metres to height units (heightUnit metres each), rounded and clamped to 0..65535.
HeightGrid toHeightUnits(const FloatGrid& metres, float heightUnit);

}  // namespace skyloom::assetgen
