#pragma once
// The record of Layer III subband levels that the music panel's spectrum display reads: a ring of
// 512 entries, each 32 levels for the first channel then 32 for the second. For every granule a
// decoder whose level sink it is (FrameDecoder::setLevelSink) stores, per channel and subband, the
// sum of the magnitudes of the 18 subband samples (normalised to ±1), and advances the write index
// after the granule's last channel; a single-channel stream stores its levels for both channels.
// It also notes how many granules its frames have (2, or 1 at the lower sample rates), which the
// reader needs to turn the output's delay in half-frames into entries. subbandLevels() is the
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
  // The entry at index (taken modulo the ring's size).
  std::array<float, 2 * kLevelBands> entryAt(int index) const;
  int writeIndex() const { return writeIndex_.load(std::memory_order_acquire); }
  int granulesPerFrame() const { return granulesPerFrame_.load(std::memory_order_relaxed); }

  // Writer side.
  void store(int channel, const float (&levels)[kLevelBands]);
  void advance();
  void setGranulesPerFrame(int granules) { granulesPerFrame_.store(granules, std::memory_order_relaxed); }
  void reset();  // all levels 0, write index 0

 private:
  std::atomic<float> levels_[kLevelRingEntries][2 * kLevelBands] = {};
  std::atomic<int> writeIndex_{0};
  std::atomic<int> granulesPerFrame_{2};
};

SubbandLevels& subbandLevels();

}  // namespace skyloom::player
