#pragma once
// The engine sounds: mono 16-bit loops at 44.1 kHz, each exactly periodic over its length so
// the looping 3D voices play them without a click at the wrap.

#include <cstdint>
#include <vector>

namespace skyloom::assetgen {

constexpr int kSoundRate = 44100;
// Three seconds: long enough that the loop's own rhythm (the slow swell of the engine and the
// beat between the propellers) is not heard as a repeat, short enough for static buffers.
constexpr int kLoopSamples = 3 * kSoundRate;

// "plane.wav": a big radial piston engine behind a three-blade propeller.
std::vector<std::int16_t> pistonPropellerLoop();
// "wav\tkkp.wav": twin turboprop, turbine whine over the beat of two four-blade propellers.
std::vector<std::int16_t> turbopropLoop();
// "wav\tkbz.wav": small two-stroke twin of a light aircraft, a thin buzz.
std::vector<std::int16_t> lightAircraftLoop();
// "wav\fjfs.wav": jet, broadband roar with a compressor whine.
std::vector<std::int16_t> jetLoop();

}  // namespace skyloom::assetgen
