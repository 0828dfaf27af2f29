#pragma once
// The spectrum display's levels: what the decoder recorded for the granule being heard, turned
// into bar heights that jump up at once and fall back slowly.
//
// The decoder keeps, per granule, the summed magnitude of each subband's 18 samples (samples
// normalised to ±1) in a ring; the sound output publishes how many half-frames it holds unplayed.
// The entry the listener hears is that many entries behind the ring's write index (half as many
// for the one-granule frames of the lower sample rates).

#include <array>
#include <cstdint>

#include "player/mpeg/subband_levels.h"

namespace skyloom {

constexpr int kSpectrumBands = 32;
constexpr float kLevelGain = 0.001f;
// The ring holds sums of normalised samples; the level mapping is made for 16-bit sample units.
constexpr float kLevelSampleScale = 32768.0f;
constexpr float kLevelFallPerSecond = 5.0f;
constexpr float kLevelVisible = 0.01f;
// No new entry for this long: nothing is being decoded (paused, stopped, a layer without
// levels), and the bars fall away.
constexpr float kLevelStallSeconds = 0.25f;

// ln(1 + 0.001 · 32768 · sum).
float spectrumLevel(float sum);

class SpectrumLevels {
 public:
  using Bands = std::array<float, kSpectrumBands>;

  // One frame: reads the entry `delay` places behind the ring's write index (at least 1: the
  // entry at the index is still being written). When the entry
  // moved on, the new levels are the average of every entry passed since the last frame (at
  // most a ring's worth); when it has not moved for kLevelStallSeconds they are 0. The shown
  // levels rise to them at once and fall at kLevelFallPerSecond.
  void advance(const player::SubbandLevels& ring, int delay, float dt);

  const Bands& shown(int channel) const { return shown_[channel & 1]; }
  const Bands& levels(int channel) const { return levels_[channel & 1]; }
  // The bands to draw: the highest band whose shown level exceeds kLevelVisible, plus 1.
  int drawnBands(int channel) const;
  void reset();

 private:
  std::array<Bands, 2> levels_{};
  std::array<Bands, 2> shown_{};
  int lastSlot_ = -1;
  float stalled_ = 0.0f;
};

// The entries of the delay the sound output reports, for the ring of a stream with
// granulesPerFrame granules a frame.
int spectrumDelay(int latencyHalfFrames, int granulesPerFrame);

}  // namespace skyloom
