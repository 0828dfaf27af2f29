#pragma once
// What each layer hands to the synthesis filter bank: per channel, up to 36 time slots of 32
// subband samples (Layer I fills 12, Layer II 36, Layer III 18 per granule).

#include "player/mpeg/synthesis.h"

namespace skyloom::player {

inline constexpr int kMaxSlots = 36;

struct SubbandFrame {
  alignas(32) float samples[2][kMaxSlots][kSubbands];
  int slots = 0;
  int channels = 0;
};

}  // namespace skyloom::player
