#include "world/terrain_params.h"

#include <algorithm>
#include <cmath>

namespace skyloom {

TerrainParams terrainParams(float sourceSpacing, float heightUnit, int seaLevelMetres, float detail) {
  TerrainParams p;
  p.sourceSpacing = std::min(sourceSpacing, kMaxSourceSpacing);
  p.heightUnit = heightUnit;
  p.detail = detail;
  const float s0 = p.sourceSpacing;
  p.seaLevel = static_cast<std::int32_t>(static_cast<float>(seaLevelMetres) / heightUnit);
  p.classHeight = static_cast<std::int32_t>(2000.0f / heightUnit);
  p.hazeDistance = s0 > 70.0f ? 3500.0f * std::sqrt(s0 * 0.014285714f) : 3500.0f;

  if (detail >= 2.5f) {
    p.upsampling = 1.0001f;
    p.tileBudgetMinimum = 3;
  } else if (detail >= 1.5f) {
    p.upsampling = 2.0002f;
    p.tileBudgetMinimum = 2;
  } else {
    p.upsampling = 4.0004f;
    p.tileBudgetMinimum = 1;
  }
  // n = floor(log2(truncate((s0 + 0.001) / w))): a source coarser than w metres gets levels of
  // finer, interpolated heights below it.
  const int ratio = static_cast<int>((s0 + 0.001f) / p.upsampling);
  int n = 0;
  while (n < kMaxLevelsBelowSource && (2 << n) <= ratio) ++n;
  p.levelsBelowSource = n;
  p.spacing = s0 / static_cast<float>(1 << n);

  p.levelCount = kMaxTerrainLevels;
  while (p.levelCount > 1 && std::ldexp(1.0f, p.levelCount - 1) * p.spacing * 9.8f > 500000.0f) --p.levelCount;
  p.extent = 3.0f * std::ldexp(1.0f, p.levelCount) * p.spacing;
  p.sceneryDistance = std::min(0.1f * p.extent, 8000.0f);

  p.windowTiles = std::max(5, 5 + static_cast<int>(2.01f * detail));
  const int d = p.levelCount >= 8 && p.levelCount <= 18 ? p.levelCount - 6 : 1;
  p.textureLevelCount = d;
  const double windowSpan = std::ldexp(1.0, d + 6) * (p.windowTiles / 2);
  p.heightLevelCount = windowSpan < std::ldexp(1.0, p.levelCount + 2) ? d + 1 : d;
  return p;
}

}  // namespace skyloom
