#pragma once
// The record of Layer III subband levels that the music panel's spectrum display reads: a ring of
// 512 entries, each 32 levels for the first channel then 32 for the second. For every granule a
// decoder whose level sink it is (FrameDecoder::setLevelSink) stores, per channel and subband, the
// sum of the magnitudes of the 18 subband samples, and advances the write index after the second
// channel (so a single-channel stream leaves the index where it is). subbandLevels() is the
// process-wide one the music engine's decoder writes. One writer (the decoder thread); readers on
// any thread.

#include <array>
#include <atomic>

namespace skyloom::player {

inline constexpr int kLevelRingEntries = 512;
inline constexpr int kLevelBands = 32;

class SubbandLevels {
 public:
  // The entry `behind` places before the write index (0 = the entry being written).
  std::array<float, 2 * kLevelBands> entry(int behind) const;
  int writeIndex() const { return writeIndex_.load(std::memory_order_acquire); }

  // Writer side.
  void store(int channel, const float (&levels)[kLevelBands]);
  void advance();
  void reset();  // all levels 0, write index 0

 private:
  std::atomic<float> levels_[kLevelRingEntries][2 * kLevelBands] = {};
  std::atomic<int> writeIndex_{0};
};

SubbandLevels& subbandLevels();

}  // namespace skyloom::player
