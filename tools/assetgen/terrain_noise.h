#pragma once
// Deterministic noise for the landscapes: integer hashing, gradient noise and its fractal sums.
// Everything is a pure function of position and seed, so the data is the same on every run.

#include <cstdint>

namespace skyloom::assetgen {

// A small fast generator (splitmix64) for placing things; no std:: distributions, so the
// sequence is the same with every standard library.
class TerrainRandom {
 public:
  explicit TerrainRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  // 0 <= value < 1.
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

 private:
  std::uint64_t state_;
};

std::uint32_t hash2(std::int32_t x, std::int32_t y, std::uint32_t seed);

// Gradient noise in about -1..1 with unit feature size.
float gradientNoise(float x, float y, std::uint32_t seed);
// Sum of octaves of gradient noise, each twice the frequency and `gain` the amplitude of the
// previous one; about -1..1.
float fractalNoise(float x, float y, int octaves, float gain, std::uint32_t seed);
// Ridged multifractal: sharp crests where the noise crosses zero, rougher near the crests than
// in the valleys between them (each octave is weighted by the one before). 0..about 1.
float ridgedNoise(float x, float y, int octaves, std::uint32_t seed);

}  // namespace skyloom::assetgen
