#include "core/random.h"

namespace skyloom {
namespace {
CrtRandom gRandom;
}

void seedRandom(std::uint32_t seed) { gRandom.seed(seed); }
CrtRandom& processRandom() { return gRandom; }
int randomInt() { return gRandom.next(); }
float randomUnit() { return static_cast<float>(gRandom.next()) / kRandomMax; }

}  // namespace skyloom
