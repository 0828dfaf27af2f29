#pragma once
// The values the terrain world derives at construction from its height source and the general
// settings: the base sample spacing, how many height levels lie below the source's
// resolution, the level counts, the tile windows, sea level and the class height. Worked out
// in one place: the height pyramid, the terrain levels, the texture pyramid and the tools all
// read them from here.

#include <cstdint>

namespace skyloom {

struct TerrainParams {
  // From the source and the settings.
  float sourceSpacing = 10.0f;  // s0: the source's sample spacing in metres, at most 300
  float heightUnit = 1.0f / 6.0f;
  float detail = 1.0f;          // the terrain quality: 1 to 3, -1 in preview

  // Derived.
  std::int32_t seaLevel = 0;      // height units
  std::int32_t classHeight = 0;   // 2000 m in height units: where rock gives way to snow
  float hazeDistance = 3500.0f;
  float upsampling = 4.0004f;     // w
  int tileBudgetMinimum = 1;      // tiles per frame at the least
  int levelsBelowSource = 0;      // n, 0..7
  float spacing = 10.0f;          // s = s0 / 2^n, the base sample spacing
  int levelCount = 18;            // terrain levels, at most 18
  float extent = 0.0f;            // 3 × 2^levelCount × s
  float sceneryDistance = 0.0f;   // min(0.1 × extent, 8000)
  int windowTiles = 5;            // R: tiles per side of each pyramid level's window
  int textureLevelCount = 1;
  int heightLevelCount = 1;
};

constexpr float kMaxSourceSpacing = 300.0f;
constexpr int kMaxTerrainLevels = 18;
constexpr int kMaxLevelsBelowSource = 7;

// sourceSpacing and heightUnit as the source reports them; seaLevelMetres the sea-level setting.
TerrainParams terrainParams(float sourceSpacing, float heightUnit, int seaLevelMetres, float detail);

}  // namespace skyloom
