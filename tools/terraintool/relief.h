#pragma once
// A shaded relief of one height pyramid level's window, as a 24-bit BMP.

#include <cstdint>
#include <string>
#include <vector>

#include "world/height_pyramid.h"

namespace skyloom::terraintool {

// Generates every tile of the level's window and shades it: land grey by the light of the sun
// in the north-west (brighter with height), water blue by its depth. Width and height are
// R × 128 + 1 pixels, north (higher z) at the top.
struct Relief {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top to bottom
};
Relief shadeLevel(TilePyramid& pyramid, int level);

// The picture as a bottom-up 24-bit BMP file.
std::vector<std::uint8_t> encodeBmp(const Relief& relief);

}  // namespace skyloom::terraintool
