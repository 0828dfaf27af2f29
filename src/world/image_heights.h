#pragma once
// A picture as a height map: brightness (mostly the first channel) gives the height, and a
// gentle ripple across the picture keeps large even areas from looking flat.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "resources/image.h"
#include "world/height_grid.h"

namespace skyloom {

constexpr float kImageHeightSpacing = 100.0f;  // metres between pixels
constexpr std::uint16_t kImageMaxHeight = 60000;

// One sample per pixel, rows and columns as the image loader delivers them: for pixel (c, r)
// with bytes b0, b1, b2, min(60000, 1/h + (sin(0.1 r + 0.045 c) · 0.511 + 1.1) ·
// (b0 + 0.3 b1 + 0.1 b2) / 255 · 500 / h) units, truncated. An empty image gives an empty grid.
HeightGrid heightsFromImage(const Image& image, float heightUnit = kDefaultHeightUnit);

// The program paths tried for a terrain picture of this name, in order: "pack\" and the name
// less its folders; a name without an extension also as a JPEG (the terrain setting says "bmp"
// for the packed "bmp.jpg").
std::vector<std::string> terrainPictureNames(std::string_view name);

}  // namespace skyloom
