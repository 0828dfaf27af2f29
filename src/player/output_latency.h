#pragma once
// How far behind the decoder the listener is, in half-frames: the PCM waiting in the sound
// output's event buffer plus what its ring holds unplayed. The soundcard thread writes it after
// every block; the spectrum display reads it to pick the decoder's subband levels of what is
// audible now.

#include <atomic>
#include <cstdint>

namespace skyloom {

inline std::atomic<std::int32_t> latencyHalfFrames{0};

// How often a ring ran dry in the middle of a track because the decoder fell behind, so that
// silence was heard: what a long run's measurement tells apart from the gaps of the machine.
inline std::atomic<std::int32_t> ringsRunDry{0};

}  // namespace skyloom
