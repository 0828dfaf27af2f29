#include "world/texture_compose.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/render_device.h"
#include "world/ground_class.h"
#include "world/terrain_cache_format.h"

namespace skyloom {
namespace {

constexpr int kSide = kTextureTileSide;
constexpr int kRow = kTileSamples;  // samples per height-tile row

// Snow is lifted a little above the plain shade so that it stays bright on shadowed slopes.
constexpr float kSnowLift = 5.55f;
constexpr float kSnowGain = 1.1f;
// Water: depth byte × this is 0.9 at 255, and the three channels fall off at their own rates.
constexpr float kDepthScale = 0.0035294117f;

struct Factors {
  float r, g, b;
};

Factors shadingFactors(int cls, int depth, float shade) {
  if (cls == kSnowClass) {
    const float f = (shade + kSnowLift) * kSnowGain;
    return {f, f, f};
  }
  if (cls == 0) {
    const float d = static_cast<float>(depth) * kDepthScale;
    return {shade * (0.8f - 0.5f * d), shade * (1.5f - 1.1f * d), shade * (0.7f - 0.25f * d)};
  }
  return {shade, shade, shade};
}

int channel(float factor, float sun, std::uint8_t tint, std::uint8_t t) {
  const float lit = static_cast<float>(255 - tint) * factor * sun / 255.0f + static_cast<float>(tint);
  const int v = static_cast<int>(lit) * t >> 8;
  return std::clamp(v, 0, 255);
}

bool isWater(std::uint32_t sample) { return (sample & kSampleWater) != 0; }

}  // namespace

ComposeLight composeLightFrom(const Light& sun, std::uint32_t tint) {
  ComposeLight l;
  l.red = sun.diffuse.r;
  l.green = sun.diffuse.g;
  l.blue = sun.diffuse.b;
  l.direction = sun.direction;
  l.tint[0] = static_cast<std::uint8_t>(tint >> 16);
  l.tint[1] = static_cast<std::uint8_t>(tint >> 8);
  l.tint[2] = static_cast<std::uint8_t>(tint);
  return l;
}

TextureComposer::TextureComposer()
    : heights_(std::make_unique<float[]>(kTileSampleCount)),
      shade_(std::make_unique<std::uint8_t[]>(kSide * kSide)),
      flat_(std::make_unique<std::uint8_t[]>(kSide * kSide)) {}

void TextureComposer::shadeQuarter(const std::uint32_t* samples, int level, int quarter, float spacing,
                                   float heightUnit, const Vec3& toSun) {
  const int z0 = quarter * kTextureQuarterRows;
  for (int z = z0; z <= z0 + kTextureQuarterRows; ++z) {
    for (int x = 0; x < kRow; ++x) heights_[z * kRow + x] = static_cast<float>(sampleHeight(samples[z * kRow + x])) * heightUnit;
  }
  // The edges to the +x and +z neighbours are (u, hx − h, 0) and (0, hz − h, u); their cross
  // product (−u (hx − h), u², −u (hz − h)) points up.
  const float u = std::ldexp(spacing, level);
  for (int z = z0; z < z0 + kTextureQuarterRows; ++z) {
    for (int x = 0; x < kSide; ++x) {
      const float h = heights_[z * kRow + x];
      const float nx = -u * (heights_[z * kRow + x + 1] - h);
      const float nz = -u * (heights_[(z + 1) * kRow + x] - h);
      const float ny = u * u;
      const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
      const float lit = (nx * toSun.x + ny * toSun.y + nz * toSun.z) / length;
      const int i = z * kSide + x;
      shade_[i] = static_cast<std::uint8_t>(std::clamp(255.0f * lit, 0.0f, 255.0f));
      flat_[i] = static_cast<std::uint8_t>(255.0f * ny / length);
    }
  }
}

void TextureComposer::composeQuarter(std::uint32_t* samples, int level, int quarter, float spacing,
                                     float heightUnit, const LandTextures& land, const ComposeLight& light,
                                     std::uint32_t* texels) {
  quarter = std::clamp(quarter, 0, kTextureQuarters - 1);
  const Vec3 toSun{-light.direction.x, -light.direction.y, -light.direction.z};
  const float sunLength = std::sqrt(toSun.x * toSun.x + toSun.y * toSun.y + toSun.z * toSun.z);
  const Vec3 unitToSun = sunLength > 0.0f ? Vec3{toSun.x / sunLength, toSun.y / sunLength, toSun.z / sunLength} : Vec3{};
  shadeQuarter(samples, level, quarter, spacing, heightUnit, unitToSun);

  // The water side of the coast blends toward white, fully at level 0, not at all from level 8.
  const int fringe = std::max(0, (2040 - 255 * level) / 8);
  const int z0 = quarter * kTextureQuarterRows;
  for (int z = z0; z < z0 + kTextureQuarterRows; ++z) {
    std::uint32_t* out = texels + (kSide - 1 - z) * kSide;
    for (int x = 0; x < kSide; ++x) {
      std::uint32_t& sample = samples[z * kRow + x];
      const int i = z * kSide + x;
      if ((flat_[i] & 0xFE) < kSteepFlatness) {
        sample = (sample & ~(0xFu << kSampleClassShift)) | (std::uint32_t{kRockClass} << kSampleClassShift);
      }
      const int cls = sampleClass(sample);
      const std::uint8_t* p = land.texel(cls, level, x, z);
      std::uint8_t t[3] = {p[0], p[1], p[2]};
      // The coast: the +x, +z and diagonal neighbours decide (all inside the 129-sample tile).
      const bool water = isWater(sample);
      const std::uint32_t nx = samples[z * kRow + x + 1], nz = samples[(z + 1) * kRow + x];
      const std::uint32_t nd = samples[(z + 1) * kRow + x + 1];
      const bool coast = isWater(nx) != water || isWater(nz) != water || isWater(nd) != water;
      if (coast && !water) {
        t[0] = t[1] = t[2] = 255;
      } else if (coast) {
        for (std::uint8_t& c : t) c = static_cast<std::uint8_t>((c * (255 - fringe) + 255 * fringe) >> 8);
      }
      const Factors f = shadingFactors(cls, sampleDepth(sample), shade_[i]);
      const int r = channel(f.r, light.red, light.tint[0], t[0]);
      const int g = channel(f.g, light.green, light.tint[1], t[1]);
      const int b = channel(f.b, light.blue, light.tint[2], t[2]);
      out[x] = 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
               static_cast<std::uint32_t>(b);
    }
  }
}

void packTexels(bool r5g6b5, const std::uint32_t* texels, int row0, int count, std::uint8_t* bits,
                std::int32_t pitch) {
  for (int row = row0; row < row0 + count; ++row) {
    const std::uint32_t* in = texels + row * kSide;
    std::uint8_t* line = bits + static_cast<std::ptrdiff_t>(row) * pitch;
    if (!r5g6b5) {
      std::memcpy(line, in, kSide * sizeof(std::uint32_t));
      continue;
    }
    for (int x = 0; x < kSide; ++x) {
      const std::uint32_t r = (in[x] >> 16) & 0xFF, g = (in[x] >> 8) & 0xFF, b = in[x] & 0xFF;
      const auto v = static_cast<std::uint16_t>((((r * 32 - r) >> 8) << 11) | (((g * 64 - g) >> 8) << 5) |
                                                ((b * 32 - b) >> 8));
      std::memcpy(line + 2 * x, &v, sizeof v);
    }
  }
}

}  // namespace skyloom
