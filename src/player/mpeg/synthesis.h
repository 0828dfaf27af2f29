#pragma once
// The polyphase synthesis filter bank: 32 subband samples in, 32 PCM samples out, per channel.
// The matrixing is a 32-point DCT (the 64 values of each block follow from it by symmetry); the
// window runs over the last 16 blocks kept in a ring.

namespace skyloom::player {

inline constexpr int kSubbands = 32;

class SynthesisFilter {
 public:
  void reset();
  // out[j] in full scale 1.0. `subbands` and `out` hold 32 floats.
  void run(const float* subbands, float* out);

 private:
  alignas(32) float blocks_[16][64] = {};
  int newest_ = 0;
};

// The plain matrixing the fast one replaces: V[i] = sum_k cos((16 + i)(2k + 1) pi / 64) S[k].
// Kept for the test that compares the two.
void referenceMatrixing(const float* subbands, double* v64);
void fastMatrixing(const float* subbands, float* v64);

}  // namespace skyloom::player
