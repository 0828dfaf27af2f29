#pragma once
// Refining a grid of heights to half its sample step with cubic segments: the finer levels of
// the height pyramid are made this way from the level above them. A segment's end slopes lean
// towards its own chord where the terrain bends sharply (so ridges and cliffs do not overshoot)
// and towards its neighbours' chords on gentle ground (so slopes flow on smoothly).

#include <cstddef>
#include <cstdint>
#include <span>

#include "world/terrain_cache_format.h"

namespace skyloom {

// A refinement's input: the 65 samples of a half-tile span plus one outer neighbour on each
// side, in both directions.
constexpr int kRefineInputSamples = kTileSamples / 2 + 3;  // 67
constexpr std::size_t kRefineInputCount = std::size_t{kRefineInputSamples} * kRefineInputSamples;
constexpr int kRefineSegments = kRefineInputSamples - 3;  // 64

// Spacings above this count as this in the bend measure: very coarse grids would otherwise see
// every bend as gentle.
constexpr float kMaxBendSpacing = 300.0f;

// k of the bend measure: height unit / (1.01 × s0²), with s0 the source's sample spacing in
// metres (capped) — a bend of 1/k units between neighbouring chords is as sharp as it gets.
float cubicBendScale(float heightUnit, float sourceSpacing);

// p(t) = y1 + m0·t + c2·t² + c3·t³ between y1 (t = 0) and y2 (t = 1).
struct CubicSegment {
  float y1 = 0.0f;
  float m0 = 0.0f;
  float c2 = 0.0f;
  float c3 = 0.0f;

  float at(float t) const { return y1 + t * (m0 + t * (c2 + t * c3)); }
};

// The segment from y1 to y2 with outer neighbours y0 and y3 (heights in units, as floats).
CubicSegment cubicSegment(float y0, float y1, float y2, float y3, float bendScale);

// Refines a line of segments + 3 samples (in[0] and in[segments + 2] are the outer neighbours)
// into 2 × segments + 1 samples at half the step; out[2i] is knot i, out[2i + 1] the segment's
// midpoint, the last sample the last segment's end. Samples are taken as h + 0.2 so that the
// truncation of values meant to be whole does not drop a unit; results are clamped to 0..65535.
void refineLine(const std::uint16_t* in, std::ptrdiff_t inStride, int segments, float bendScale,
                std::uint16_t* out, std::ptrdiff_t outStride);

// Refines a 67 × 67 window (row-major, rows along z) to a 129 × 129 tile: rows first, then the
// columns of the refined rows.
void refineWindow(std::span<const std::uint16_t, kRefineInputCount> in, float bendScale,
                  std::span<std::uint16_t, kTileSampleCount> out);

}  // namespace skyloom
