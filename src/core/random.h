#pragma once
// The C runtime's rand()/srand() sequence, reproduced bit for bit so that a seed places the same
// trees, routes and clouds on every build (Linux or Windows, whatever runtime is linked).

#include <cstdint>

namespace skyloom {

constexpr int kRandomMax = 32767;

class CrtRandom {
 public:
  explicit CrtRandom(std::uint32_t seed = 1) : state_(seed) {}
  void seed(std::uint32_t seed) { state_ = seed; }
  // 0 .. kRandomMax.
  int next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

 private:
  std::uint32_t state_;
};

// The process-wide generator, seeded once at start (like srand/rand). Main thread only.
void seedRandom(std::uint32_t seed);
int randomInt();
// The process-wide generator itself, for code that takes a generator to draw from.
CrtRandom& processRandom();
// randomInt() / kRandomMax, in 0..1 inclusive: how placements scale the generator.
float randomUnit();

}  // namespace skyloom
