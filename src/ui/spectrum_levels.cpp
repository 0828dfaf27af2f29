#include "ui/spectrum_levels.h"

#include <algorithm>
#include <cmath>

namespace skyloom {

float spectrumLevel(float sum) {
  const float v = std::isfinite(sum) ? std::max(sum, 0.0f) : 0.0f;
  return std::log1p(kLevelGain * kLevelSampleScale * v);
}

int spectrumDelay(int latencyHalfFrames, int granulesPerFrame) {
  const int delay = std::max(latencyHalfFrames, 0);
  // Two half-frames are one frame: one entry when a frame has one granule.
  return granulesPerFrame == 1 ? delay / 2 : delay;
}

void SpectrumLevels::advance(const player::SubbandLevels& ring, int delay, float dt) {
  const float step = std::isfinite(dt) ? std::clamp(dt, 0.0f, 10.0f) : 0.0f;
  // The write index names the entry being written: the newest complete one is 1 behind it.
  int slot = (ring.writeIndex() - std::clamp(delay, 1, player::kLevelRingEntries - 1)) % player::kLevelRingEntries;
  if (slot < 0) slot += player::kLevelRingEntries;
  if (slot != lastSlot_) {
    // Every entry since the last frame counts, also across the ring's end; a first frame, or one
    // after the ring started over, takes the one entry.
    int passed = lastSlot_ < 0 ? 1 : (slot - lastSlot_ + player::kLevelRingEntries) % player::kLevelRingEntries;
    if (passed > player::kLevelRingEntries / 2) passed = 1;
    std::array<Bands, 2> sums{};
    for (int k = passed - 1; k >= 0; --k) {
      const auto entry = ring.entryAt(slot - k);
      for (int ch = 0; ch < 2; ++ch) {
        for (int b = 0; b < kSpectrumBands; ++b) sums[ch][b] += spectrumLevel(entry[ch * kSpectrumBands + b]);
      }
    }
    for (int ch = 0; ch < 2; ++ch) {
      for (int b = 0; b < kSpectrumBands; ++b) levels_[ch][b] = sums[ch][b] / static_cast<float>(passed);
    }
    lastSlot_ = slot;
    stalled_ = 0.0f;
  } else {
    stalled_ += step;
    if (stalled_ >= kLevelStallSeconds) levels_ = {};
  }
  const float fall = kLevelFallPerSecond * step;
  for (int ch = 0; ch < 2; ++ch) {
    for (int b = 0; b < kSpectrumBands; ++b) {
      float& s = shown_[ch][b];
      const float target = levels_[ch][b];
      s = target >= s ? target : std::max(target, s - fall);
    }
  }
}

int SpectrumLevels::drawnBands(int channel) const {
  const Bands& s = shown_[channel & 1];
  for (int b = kSpectrumBands - 1; b >= 0; --b) {
    if (s[b] > kLevelVisible) return b + 1;
  }
  return 0;
}

void SpectrumLevels::reset() {
  levels_ = {};
  shown_ = {};
  lastSlot_ = -1;
  stalled_ = 0.0f;
}

}  // namespace skyloom
