#include "tex_noise.h"

#include <cmath>

namespace skyloom::assetgen {

namespace {

inline std::uint32_t mix32(std::uint32_t h) {
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

inline int wrap(int i, int period) {
  const int m = i % period;
  return m < 0 ? m + period : m;
}

inline float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

// One of 16 unit gradients around the circle; a table keeps every platform's result identical.
constexpr float kGradX[16] = {1.0f,   0.9239f,  0.7071f,  0.3827f,  0.0f, -0.3827f, -0.7071f, -0.9239f,
                              -1.0f, -0.9239f, -0.7071f, -0.3827f, 0.0f, 0.3827f,  0.7071f,  0.9239f};

inline float corner(int ix, int iy, float dx, float dy, int period, std::uint32_t seed) {
  const std::uint32_t h = hash32(static_cast<std::uint32_t>(wrap(ix, period)),
                                 static_cast<std::uint32_t>(wrap(iy, period)), 0, seed) & 15u;
  return kGradX[h] * dx + kGradX[(h + 4) & 15u] * dy;
}

}  // namespace

std::uint32_t hash32(std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t seed) {
  std::uint32_t h = mix32(seed ^ 0x9E3779B9u);
  h = mix32(h ^ x);
  h = mix32(h ^ (y * 0x85EBCA6Bu));
  return mix32(h ^ (z * 0xC2B2AE35u));
}

float hashUnit(std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t seed) {
  return static_cast<float>(hash32(x, y, z, seed) >> 8) * (1.0f / 16777216.0f);
}

std::uint32_t Rng::next() {
  // splitmix64: every state gives a well-mixed output.
  state_ += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

float Rng::unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
float Rng::range(float lo, float hi) { return lo + (hi - lo) * unit(); }
int Rng::below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

float gradientNoise(float u, float v, int period, std::uint32_t seed) {
  const float fu = std::floor(u);
  const float fv = std::floor(v);
  const int ix = static_cast<int>(fu);
  const int iy = static_cast<int>(fv);
  const float dx = u - fu;
  const float dy = v - fv;
  const float n00 = corner(ix, iy, dx, dy, period, seed);
  const float n10 = corner(ix + 1, iy, dx - 1.0f, dy, period, seed);
  const float n01 = corner(ix, iy + 1, dx, dy - 1.0f, period, seed);
  const float n11 = corner(ix + 1, iy + 1, dx - 1.0f, dy - 1.0f, period, seed);
  const float sx = fade(dx);
  const float sy = fade(dy);
  // Gradient noise peaks near ±0.7; scale it to use about [-1, 1].
  return 1.4f * mix(mix(n00, n10, sx), mix(n01, n11, sx), sy);
}

float fbm(float x, float y, int basePeriod, int octaves, float gain, std::uint32_t seed) {
  float sum = 0.0f;
  float weight = 1.0f;
  float total = 0.0f;
  int period = basePeriod;
  for (int k = 0; k < octaves; ++k) {
    sum += weight * gradientNoise(x * static_cast<float>(period), y * static_cast<float>(period), period,
                                  seed + static_cast<std::uint32_t>(k) * 1013u);
    total += weight;
    weight *= gain;
    period *= 2;
  }
  return sum / total;
}

float ridged(float x, float y, int basePeriod, int octaves, float gain, std::uint32_t seed) {
  float sum = 0.0f;
  float weight = 1.0f;
  float total = 0.0f;
  float previous = 1.0f;
  int period = basePeriod;
  for (int k = 0; k < octaves; ++k) {
    float n = 1.0f - std::fabs(gradientNoise(x * static_cast<float>(period), y * static_cast<float>(period),
                                             period, seed + static_cast<std::uint32_t>(k) * 7919u));
    n *= n;
    // Finer octaves count most on the crests of the coarser ones, which gives branching ridges.
    sum += weight * n * previous;
    total += weight;
    previous = n;
    weight *= gain;
    period *= 2;
  }
  return sum / total;
}

CellSample cellNoise(float x, float y, int period, std::uint32_t seed) {
  const float u = x * static_cast<float>(period);
  const float v = y * static_cast<float>(period);
  const int cx = static_cast<int>(std::floor(u));
  const int cy = static_cast<int>(std::floor(v));
  CellSample best{1e9f, 1e9f, 0.0f, 0.0f, 0};
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      const auto wx = static_cast<std::uint32_t>(wrap(cx + i, period));
      const auto wy = static_cast<std::uint32_t>(wrap(cy + j, period));
      const std::uint32_t h = hash32(wx, wy, 7, seed);
      const float px = static_cast<float>(cx + i) + static_cast<float>(h & 0xFFFF) / 65536.0f;
      const float py = static_cast<float>(cy + j) + static_cast<float>(h >> 16) / 65536.0f;
      const float d = std::sqrt((px - u) * (px - u) + (py - v) * (py - v));
      if (d < best.nearest) {
        best.second = best.nearest;
        best.nearest = d;
        best.dx = u - px;
        best.dy = v - py;
        best.id = hash32(wx, wy, 11, seed);
      } else if (d < best.second) {
        best.second = d;
      }
    }
  }
  return best;
}

}  // namespace skyloom::assetgen
