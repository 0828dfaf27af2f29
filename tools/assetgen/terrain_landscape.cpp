#include "terrain_landscape.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "terrain_noise.h"

namespace skyloom::assetgen {
namespace {

constexpr std::uint32_t kCoastSeed = 0x5EA1u;
constexpr std::uint32_t kMountainSeed = 0xA1B5u;
// The coast is shaped and eroded at a quarter of its resolution, then refined with detail.
constexpr int kCoastCoarseFactor = 4;

float smoothstep(float a, float b, float x) {
  const float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

// The coast's large shapes at (u, v) in kilometres over a square of side km kilometres.
float coastShape(float u, float v, float km) {
  const float px = 2.0f * u / km - 1.0f;
  const float pz = 2.0f * v / km - 1.0f;
  // Warp the plane before measuring distances, so the coastline has bays and headlands.
  const float wx = px + 0.35f * fractalNoise(px * 1.1f + 3.1f, pz * 1.1f, 5, 0.5f, kCoastSeed);
  const float wz = pz + 0.35f * fractalNoise(px * 1.1f, pz * 1.1f - 7.7f, 5, 0.5f, kCoastSeed + 1);
  // Land mass: a continent reaching in from the north-west, open sea to the south and east.
  const float dx = wx + 0.2f, dz = wz + 0.15f;
  float land = 0.72f - std::sqrt(dx * dx * 0.8f + dz * dz * 0.8f);
  land += 0.45f * fractalNoise(wx * 2.2f, wz * 2.2f, 7, 0.55f, kCoastSeed + 2);
  // Open sea along every edge: beyond the file the world reads as sea level.
  land -= 1.5f * smoothstep(0.65f, 1.0f, std::max(std::fabs(wx), std::fabs(wz)));
  land -= 1.5f * smoothstep(0.9f, 1.0f, std::max(std::fabs(px), std::fabs(pz)));
  // A main range across the continent, from the north-east to the south-west.
  const float across =
      (wx * 0.7f + wz * 0.7f + 0.45f) + 0.2f * fractalNoise(px * 2.0f, pz * 2.0f, 3, 0.5f, kCoastSeed + 7);
  const float range = std::exp(-across * across * 6.0f) * smoothstep(0.02f, 0.3f, land);
  const float rx = u * 0.16f + 0.8f * fractalNoise(u * 0.05f, v * 0.05f, 3, 0.5f, kCoastSeed + 3);
  const float rz = v * 0.16f + 0.8f * fractalNoise(u * 0.05f + 5.0f, v * 0.05f, 3, 0.5f, kCoastSeed + 4);
  const float ridges = ridgedNoise(rx, rz, 7, kCoastSeed + 5);
  const float hills = 0.5f + 0.5f * fractalNoise(u * 0.3f, v * 0.3f, 6, 0.5f, kCoastSeed + 6);
  if (land < 0.0f) return land * 400.0f;
  const float lowland = land * 200.0f + hills * (60.0f + 240.0f * range) * smoothstep(0.0f, 0.2f, land);
  return lowland + range * (150.0f + 2600.0f * ridges * ridges);
}

FloatGrid coarseCoast(int samples, float spacing) {
  const float km = (samples - 1) * spacing * kCoastCoarseFactor / 1000.0f;
  FloatGrid g(samples, samples);
  for (int z = 0; z < samples; ++z) {
    for (int x = 0; x < samples; ++x) {
      g.at(x, z) = coastShape(x * km / (samples - 1), z * km / (samples - 1), km);
    }
  }
  return g;
}

// Detail finer than the coarse grid: rock ribs and gullies, stronger high up and on land.
float coastDetail(float u, float v, float h) {
  if (h <= 0.0f) return 0.0f;
  const float amplitude = std::min(h, 60.0f) * 0.08f + h * 0.012f;
  return amplitude * fractalNoise(u * 1.6f, v * 1.6f, 5, 0.45f, kCoastSeed + 9);
}

// One pass of a 1-2-1 filter: softens the rills that single droplets leave on the slopes,
// which at this resolution would read as a hatched pattern once refined.
void soften(FloatGrid& g) {
  FloatGrid out = g;
  for (int z = 0; z < g.height; ++z) {
    for (int x = 0; x < g.width; ++x) {
      float sum = 0.0f;
      for (int dz = -1; dz <= 1; ++dz) {
        for (int dx = -1; dx <= 1; ++dx) sum += (dx ? 1.0f : 2.0f) * (dz ? 1.0f : 2.0f) * g.clamped(x + dx, z + dz);
      }
      out.at(x, z) = sum / 16.0f;
    }
  }
  g = std::move(out);
}

// The highlands at (u, v) in kilometres: massifs of warped ridges over rolling foothills.
float highlandShape(float u, float v) {
  const float wu = u + 6.0f * fractalNoise(u * 0.03f, v * 0.03f, 4, 0.5f, kMountainSeed);
  const float wv = v + 6.0f * fractalNoise(u * 0.03f + 9.0f, v * 0.03f, 4, 0.5f, kMountainSeed + 1);
  const float massif = smoothstep(-0.4f, 0.4f, fractalNoise(u * 0.018f, v * 0.018f, 3, 0.5f, kMountainSeed + 2));
  const float ridges = ridgedNoise(wu * 0.11f, wv * 0.11f, 8, kMountainSeed + 3);
  const float foothills = 0.5f + 0.5f * fractalNoise(u * 0.12f, v * 0.12f, 6, 0.5f, kMountainSeed + 4);
  // Blending plain noise into the ridges keeps the basins between them from lying flat.
  const float rolling = 0.5f + 0.5f * fractalNoise(wu * 0.09f, wv * 0.09f, 7, 0.5f, kMountainSeed + 5);
  const float relief = std::pow(std::clamp(0.65f * ridges + 0.5f * rolling, 0.0f, 1.0f), 1.8f);
  return 400.0f + (300.0f + 300.0f * massif) * foothills + massif * 3600.0f * relief;
}

}  // namespace

FloatGrid makeCoastLandscape(int samples, float spacing) {
  const int coarseSamples = (samples - 1) / kCoastCoarseFactor + 1;
  const float coarseSpacing = spacing * kCoastCoarseFactor;
  FloatGrid coarse = coarseCoast(coarseSamples, coarseSpacing);
  DropletErosion erosion;
  erosion.droplets = 2 * coarseSamples * coarseSamples;
  erosion.seed = kCoastSeed;
  erosion.cellMetres = coarseSpacing;
  erosion.seaLevel = 0.0f;
  erodeByDroplets(coarse, erosion);
  fillDepressions(coarse, 0.0f);
  erodeThermally(coarse, coarseSpacing, 0.6f, 8);
  soften(coarse);

  FloatGrid g(samples, samples);
  const float scale = 1.0f / kCoastCoarseFactor;
  for (int z = 0; z < samples; ++z) {
    for (int x = 0; x < samples; ++x) {
      const float h = coarse.cubic(x * scale, z * scale);
      const float u = x * spacing / 1000.0f, v = z * spacing / 1000.0f;
      g.at(x, z) = std::max(0.0f, h + coastDetail(u, v, h));
    }
  }
  return g;
}

FloatGrid makeMountainLandscape(int samples, float spacing) {
  FloatGrid g(samples, samples);
  for (int z = 0; z < samples; ++z) {
    for (int x = 0; x < samples; ++x) g.at(x, z) = highlandShape(x * spacing / 1000.0f, z * spacing / 1000.0f);
  }
  DropletErosion erosion;
  erosion.droplets = samples * samples;
  erosion.seed = kMountainSeed;
  erosion.cellMetres = spacing;
  erodeByDroplets(g, erosion);
  erodeThermally(g, spacing, 0.6f, 12);
  for (float& h : g.v) h = std::max(h, 1.0f);
  return g;
}

HeightGrid toHeightUnits(const FloatGrid& metres, float heightUnit) {
  HeightGrid out(metres.width, metres.height);
  for (std::size_t i = 0; i < metres.v.size(); ++i) {
    const float units = std::round(metres.v[i] / heightUnit);
    out.samples[i] = static_cast<std::uint16_t>(std::clamp(units, 0.0f, 65535.0f));
  }
  return out;
}

}  // namespace skyloom::assetgen
