#pragma once
// Erosion of a height field in float metres: water droplets that carve valleys and leave
// sediment in the lowlands, and a thermal pass that lets over-steep slopes slump to scree.

#include <cstdint>
#include <vector>

namespace skyloom::assetgen {

struct FloatGrid {
  int width = 0;
  int height = 0;
  std::vector<float> v;

  FloatGrid() = default;
  FloatGrid(int w, int h) : width(w), height(h), v(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
  float& at(int x, int z) { return v[static_cast<std::size_t>(z) * width + x]; }
  float at(int x, int z) const { return v[static_cast<std::size_t>(z) * width + x]; }
  float clamped(int x, int z) const;
  // Catmull-Rom interpolation at a fractional sample position.
  float cubic(float x, float z) const;
};

struct DropletErosion {
  int droplets = 0;
  std::uint64_t seed = 1;
  float cellMetres = 1.0f;
  // Heights below this (the sea) stop a droplet: rivers end at the coast.
  float seaLevel = -1e30f;
};

void erodeByDroplets(FloatGrid& h, const DropletErosion& params);
// Raises every hollow to its spill height plus a slight fall, so that all land drains to the
// sea or the grid's edge: droplets leave chains of pits along their channels, which this turns
// back into continuous valleys.
void fillDepressions(FloatGrid& h, float seaLevel);
// Moves part of every height step steeper than maxSlope (rise over run) to the lower neighbour.
void erodeThermally(FloatGrid& h, float cellMetres, float maxSlope, int passes);

}  // namespace skyloom::assetgen
