#pragma once
// Noise for the generated pictures. Everything is built from an integer hash, so the same seed
// gives the same pixels with every compiler and library. The lattice noises are periodic: a
// lattice of `period` cells wraps onto itself, so a picture sampled over exactly one period
// tiles without a seam.

#include <cstdint>

namespace skyloom::assetgen {

// A well-mixed 32-bit hash of up to three integers and a seed.
std::uint32_t hash32(std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t seed);
// The hash as a float in [0, 1).
float hashUnit(std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t seed);

// A small deterministic generator for layouts (field sizes, blob positions).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint32_t next();
  float unit();                       // [0, 1)
  float range(float lo, float hi);    // [lo, hi)
  int below(int n);                   // 0 .. n - 1

 private:
  std::uint64_t state_;
};

// Gradient noise in about [-1, 1] at (u, v) in lattice cells; the lattice repeats every
// `period` cells in both directions.
float gradientNoise(float u, float v, int period, std::uint32_t seed);

// Fractal sum of gradient noise over a unit square (x, y in [0, 1)): octave k has period
// basePeriod × 2^k and weight gain^k. Normalised to about [-1, 1].
float fbm(float x, float y, int basePeriod, int octaves, float gain, std::uint32_t seed);

// Ridged fractal sum in [0, 1]: sharp crests where the noise crosses zero.
float ridged(float x, float y, int basePeriod, int octaves, float gain, std::uint32_t seed);

// Cellular noise over a unit square with period × period jittered feature points.
struct CellSample {
  float nearest;       // distance to the nearest point, in cells
  float second;        // distance to the second nearest point
  float dx, dy;        // from the nearest point to the sample, in cells
  std::uint32_t id;    // hash of the nearest point's cell, stable across the wrap
};
CellSample cellNoise(float x, float y, int period, std::uint32_t seed);

inline float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
inline float smoothstep(float e0, float e1, float v) {
  const float t = clamp01((v - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}
inline float mix(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace skyloom::assetgen
