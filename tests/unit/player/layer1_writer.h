#pragma once
// A Layer I encoder for the decoder tests (nothing packaged writes Layer I): valid MPEG-1 frames
// from a signal made directly in the subband domain, so every allocation, scale factor and
// stereo mode can be chosen on purpose.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skyloom::testing {

struct Layer1Options {
  int sampleRate = 44100;  // 32000, 44100 or 48000
  int bitRate = 384000;    // a Layer I rate, or any rate with freeFormat
  bool freeFormat = false;
  int channelMode = 0;     // 0 stereo, 1 joint stereo (subbands from `bound` on shared), 3 mono
  int bound = 16;          // 4, 8, 12 or 16
  bool crc = false;
  bool randomContent = false;  // random allocations, scale factors and samples instead of sines
  int frames = 50;
  std::uint32_t seed = 1;
};

struct Layer1Stream {
  std::vector<std::uint8_t> bytes;
  std::vector<std::size_t> frameOffsets;
};

Layer1Stream writeLayer1(const Layer1Options& options);

}  // namespace skyloom::testing
