#include "player/mpeg/subband_levels.h"

namespace skyloom::player {

std::array<float, 2 * kLevelBands> SubbandLevels::entry(int behind) const { return entryAt(writeIndex() - behind); }

std::array<float, 2 * kLevelBands> SubbandLevels::entryAt(int index) const {
  index %= kLevelRingEntries;
  if (index < 0) index += kLevelRingEntries;
  std::array<float, 2 * kLevelBands> out;
  for (int i = 0; i < 2 * kLevelBands; ++i) out[i] = levels_[index][i].load(std::memory_order_relaxed);
  return out;
}

void SubbandLevels::store(int channel, const float (&levels)[kLevelBands]) {
  auto& row = levels_[writeIndex_.load(std::memory_order_relaxed)];
  for (int i = 0; i < kLevelBands; ++i)
    row[channel * kLevelBands + i].store(levels[i], std::memory_order_relaxed);
}

void SubbandLevels::advance() {
  const int next = (writeIndex_.load(std::memory_order_relaxed) + 1) % kLevelRingEntries;
  writeIndex_.store(next, std::memory_order_release);
}

void SubbandLevels::reset() {
  for (auto& row : levels_)
    for (auto& v : row) v.store(0.0f, std::memory_order_relaxed);
  writeIndex_.store(0, std::memory_order_release);
  granulesPerFrame_.store(2, std::memory_order_relaxed);
}

SubbandLevels& subbandLevels() {
  static SubbandLevels levels;
  return levels;
}

}  // namespace skyloom::player
