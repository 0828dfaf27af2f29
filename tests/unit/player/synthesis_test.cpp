#include <gtest/gtest.h>

#include <cmath>

#include "player/mpeg/synthesis.h"

namespace skyloom::player {
namespace {

// The fast matrixing (a 32-point DCT expanded by symmetry) against the plain 64 x 32 product it
// replaces, for single subbands and for a mix of all of them.
TEST(Synthesis, FastMatrixingMatchesThePlainProduct) {
  float input[32];
  for (int trial = 0; trial <= 32; ++trial) {
    for (int k = 0; k < 32; ++k)
      input[k] = trial < 32 ? (k == trial ? 1.0f : 0.0f) : std::sin(0.7f * k + 0.3f) * (k + 1) / 32.0f;
    float fast[64];
    double plain[64];
    fastMatrixing(input, fast);
    referenceMatrixing(input, plain);
    for (int i = 0; i < 64; ++i) EXPECT_NEAR(fast[i], plain[i], 2e-6) << "trial " << trial << " V[" << i << "]";
  }
}

// A constant in the lowest subband is a constant at the output, at unit gain, once the window's
// history has filled: the check on the window's scale and its sign pattern.
TEST(Synthesis, LowestSubbandPassesAConstantAtUnitGain) {
  SynthesisFilter filter;
  filter.reset();
  float sub[32] = {1.0f};
  float out[32];
  for (int block = 0; block < 20; ++block) filter.run(sub, out);
  for (float x : out) EXPECT_NEAR(x, 1.0f, 1e-3f);
}

}  // namespace
}  // namespace skyloom::player
