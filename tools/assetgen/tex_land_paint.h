#pragma once
// Shared helpers of the land texture makers: colours as floats and painting a whole land
// texture from a per-texel shader.

#include <cstdint>

#include "tex_makers.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

struct Rgb {
  float r, g, b;
};

inline Rgb lerp(Rgb a, Rgb b, float t) { return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)}; }
inline Rgb scale(Rgb c, float k) { return {c.r * k, c.g * k, c.b * k}; }

// Per-texel grain in [-1, 1].
inline float grain(int x, int y, std::uint32_t seed) {
  return 2.0f * hashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 0, seed) - 1.0f;
}

// Calls shade(fx, fy, x, y) for every texel, fx and fy being x and y over the side.
template <typename Shader>
Picture paintLand(Shader shade) {
  Picture p(kLandSide, kLandSide, 3);
  const float inv = 1.0f / static_cast<float>(kLandSide);
  for (int y = 0; y < kLandSide; ++y) {
    for (int x = 0; x < kLandSide; ++x) {
      const Rgb c = shade(static_cast<float>(x) * inv, static_cast<float>(y) * inv, x, y);
      p.set(x, y, c.r, c.g, c.b);
    }
  }
  return p;
}

// The two makers that need more than a shader (tex_land_fields.cpp, tex_land_snow.cpp).
Picture makeFieldsTexture();
Picture makeSnowTexture();

}  // namespace skyloom::assetgen
