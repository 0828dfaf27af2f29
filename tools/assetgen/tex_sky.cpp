// Pictures added onto the scene or used as density: clouds, the smoke of the trails and the
// exhaust flame. All are on black, so black is "nothing" however they are blended.
#include <cmath>

#include "tex_makers.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

namespace {

constexpr int kCloudCells = 4;
constexpr int kCloudCell = kCloudSheetSide / kCloudCells;
constexpr int kPuffsPerCloud = 9;

struct Puff {
  float x, y, radius;
};

// A cloud is a cluster of round puffs, widest along its middle, its density broken up by noise
// into cauliflower lumps and thin wisps at the rim.
void paintCloud(Picture& p, int cell) {
  Rng rng(2000 + static_cast<std::uint64_t>(cell));
  Puff puffs[kPuffsPerCloud];
  const float stretch = rng.range(0.6f, 1.0f);
  for (Puff& puff : puffs) {
    const float along = rng.range(-1.0f, 1.0f);
    puff.x = 0.5f + 0.3f * along * stretch;
    puff.y = 0.5f + rng.range(-0.16f, 0.16f) * (1.0f - 0.5f * std::fabs(along));
    puff.radius = rng.range(0.13f, 0.21f) * (1.0f - 0.3f * std::fabs(along));
  }
  const int cx0 = (cell % kCloudCells) * kCloudCell;
  const int cy0 = (cell / kCloudCells) * kCloudCell;
  const auto seed = static_cast<std::uint32_t>(2100 + cell);
  for (int y = 0; y < kCloudCell; ++y) {
    for (int x = 0; x < kCloudCell; ++x) {
      const float fx = (x + 0.5f) / kCloudCell;
      const float fy = (y + 0.5f) / kCloudCell;
      float density = 0.0f;
      for (const Puff& puff : puffs) {
        const float dx = (fx - puff.x) / puff.radius;
        const float dy = (fy - puff.y) / puff.radius;
        density += std::exp(-0.45f * (dx * dx + dy * dy));
      }
      // Billows at several sizes: the rim breaks into cauliflower lumps and thin wisps.
      const float lumps = fbm(fx, fy, 6, 5, 0.6f, seed);
      const float value = smoothstep(0.2f, 2.2f, density * (0.7f + 0.8f * lumps));
      const float inner = 0.8f + 0.2f * fbm(fx, fy, 8, 4, 0.5f, seed + 50);
      // Nothing reaches the cell's border: each cell is cut out as a texture of its own.
      const float border = std::fmin(std::fmin(fx, 1.0f - fx), std::fmin(fy, 1.0f - fy));
      const float fade = smoothstep(0.02f, 0.12f, border);
      // Sunlit tops a little brighter than the undersides.
      const float light = 0.88f + 0.12f * clamp01(1.0f - 2.0f * (fy - 0.35f));
      const float v = 255.0f * value * fade * light * inner;
      p.set(cx0 + x, cy0 + y, v, v, std::fmin(255.0f, v * 1.02f));
    }
  }
}

}  // namespace

Picture makeClouds() {
  Picture p(kCloudSheetSide, kCloudSheetSide, 3);
  for (int cell = 0; cell < kCloudCells * kCloudCells; ++cell) paintCloud(p, cell);
  return p;
}

Picture makeTrailFog() {
  Picture p(kTrailFogWidth, kTrailFogHeight, 3);
  for (int y = 0; y < kTrailFogHeight; ++y) {
    for (int x = 0; x < kTrailFogWidth; ++x) {
      // Both noise coordinates over the width, so the band repeats along u.
      const float fx = static_cast<float>(x) / kTrailFogWidth;
      const float fy = static_cast<float>(y) / kTrailFogWidth;
      const float v = (y + 0.5f) / kTrailFogHeight;
      const float across = (v - 0.5f) / 0.45f;  // ±1 at the ribbon's edges
      const float profile = std::exp(-2.8f * across * across);
      const float puffs = fbm(fx, fy, 4, 4, 0.55f, 3001);
      const float value = clamp01(profile * (0.72f + 0.4f * puffs) - 0.04f);
      p.set(x, y, 250.0f * value, 250.0f * value, 250.0f * value);
    }
  }
  return p;
}

Picture makeFlame() {
  Picture p(kFlameWidth, kFlameHeight, 3);
  for (int y = 0; y < kFlameHeight; ++y) {
    for (int x = 0; x < kFlameWidth; ++x) {
      const float u = (x + 0.5f) / kFlameWidth;
      const float v = (y + 0.5f) / kFlameHeight;
      // The flame narrows from the nozzle (left) toward its tip (right).
      const float halfWidth = 0.46f * std::pow(clamp01(1.0f - u), 0.6f) + 0.02f;
      const float across = std::fabs(v - 0.5f) / halfWidth;
      const float streaks = gradientNoise(u * 6.0f, v * 10.0f, 64, 3101) * 0.5f + 0.5f;
      const float along = smoothstep(0.95f, 0.1f, u) * smoothstep(0.0f, 0.08f, u);
      const float heat = clamp01(along * (1.0f - across * across) * (0.85f + 0.3f * streaks));
      // White-hot, then yellow, orange, red and out.
      const float r = 255.0f * smoothstep(0.05f, 0.35f, heat);
      const float g = 255.0f * smoothstep(0.25f, 0.75f, heat);
      const float b = 255.0f * smoothstep(0.65f, 1.0f, heat);
      p.set(x, y, r, g, b);
    }
  }
  return p;
}

}  // namespace skyloom::assetgen
