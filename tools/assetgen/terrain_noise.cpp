#include "terrain_noise.h"

#include <cmath>

namespace skyloom::assetgen {
namespace {

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float gradientDot(std::int32_t ix, std::int32_t iy, float dx, float dy, std::uint32_t seed) {
  // Sixteen directions around the circle.
  static constexpr float kDirs[16][2] = {
      {1.0f, 0.0f},       {0.9239f, 0.3827f},  {0.7071f, 0.7071f},  {0.3827f, 0.9239f},
      {0.0f, 1.0f},       {-0.3827f, 0.9239f}, {-0.7071f, 0.7071f}, {-0.9239f, 0.3827f},
      {-1.0f, 0.0f},      {-0.9239f, -0.3827f}, {-0.7071f, -0.7071f}, {-0.3827f, -0.9239f},
      {0.0f, -1.0f},      {0.3827f, -0.9239f}, {0.7071f, -0.7071f}, {0.9239f, -0.3827f}};
  const float* g = kDirs[hash2(ix, iy, seed) & 15];
  return g[0] * dx + g[1] * dy;
}

}  // namespace

std::uint64_t TerrainRandom::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint32_t hash2(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B1u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA77u;
  h = (h << 13 | h >> 19) * 0xC2B2AE3Du;
  h ^= static_cast<std::uint32_t>(y) * 0x27D4EB2Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  return h ^ (h >> 15);
}

float gradientNoise(float x, float y, std::uint32_t seed) {
  const float fx = std::floor(x);
  const float fy = std::floor(y);
  const auto ix = static_cast<std::int32_t>(fx);
  const auto iy = static_cast<std::int32_t>(fy);
  const float dx = x - fx;
  const float dy = y - fy;
  const float n00 = gradientDot(ix, iy, dx, dy, seed);
  const float n10 = gradientDot(ix + 1, iy, dx - 1.0f, dy, seed);
  const float n01 = gradientDot(ix, iy + 1, dx, dy - 1.0f, seed);
  const float n11 = gradientDot(ix + 1, iy + 1, dx - 1.0f, dy - 1.0f, seed);
  const float u = fade(dx);
  const float v = fade(dy);
  const float a = n00 + (n10 - n00) * u;
  const float b = n01 + (n11 - n01) * u;
  return 1.4142f * (a + (b - a) * v);
}

float fractalNoise(float x, float y, int octaves, float gain, std::uint32_t seed) {
  float sum = 0.0f;
  float amplitude = 1.0f;
  float norm = 0.0f;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * gradientNoise(x, y, seed + 1013u * static_cast<std::uint32_t>(o));
    norm += amplitude;
    amplitude *= gain;
    // Rotate a little per octave so the lattices of the octaves do not line up.
    const float nx = 1.6f * x + 1.2f * y;
    y = -1.2f * x + 1.6f * y;
    x = nx;
  }
  return sum / norm;
}

float ridgedNoise(float x, float y, int octaves, std::uint32_t seed) {
  float sum = 0.0f;
  float weight = 1.0f;
  float amplitude = 1.0f;
  float norm = 0.0f;
  for (int o = 0; o < octaves; ++o) {
    float signal = 1.0f - std::fabs(gradientNoise(x, y, seed + 7919u * static_cast<std::uint32_t>(o)));
    signal *= signal;
    signal *= weight;
    weight = std::fmin(1.0f, std::fmax(0.0f, signal * 2.0f));
    sum += signal * amplitude;
    norm += amplitude;
    amplitude *= 0.5f;
    const float nx = 1.6f * x + 1.2f * y;
    y = -1.2f * x + 1.6f * y;
    x = nx;
  }
  return sum / norm;
}

}  // namespace skyloom::assetgen
