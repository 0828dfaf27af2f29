#include "world/cubic_refine.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace skyloom {
namespace {

// Added to every sample before it enters a segment (see refineLine).
constexpr float kSampleBias = 0.2f;

std::uint16_t toSample(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 65535.0f) return 0xFFFF;
  return static_cast<std::uint16_t>(v);
}

float biased(std::uint16_t h) { return static_cast<float>(h) + kSampleBias; }

}  // namespace

float cubicBendScale(float heightUnit, float sourceSpacing) {
  const float s0 = std::min(sourceSpacing, kMaxBendSpacing);
  return heightUnit / (1.01f * s0 * s0);
}

CubicSegment cubicSegment(float y0, float y1, float y2, float y3, float bendScale) {
  const float d0 = y1 - y0;
  const float d1 = y2 - y1;
  const float d2 = y3 - y2;
  // a and b run from 0.5 (gentle: the end slope is the mean of the two chords) to 1 (sharp: the
  // end slope is this segment's own chord).
  const float a = std::min(1.0f, std::fabs(bendScale * (d1 - d0)) + 0.5f);
  const float b = std::min(1.0f, std::fabs(bendScale * (d1 - d2)) + 0.5f);
  CubicSegment s;
  s.y1 = y1;
  s.m0 = d0 * (1.0f - a) + d1 * a;
  const float m1 = d2 * (1.0f - b) + d1 * b;
  s.c2 = 3.0f * (d1 - s.m0) + s.m0 - m1;
  s.c3 = (d1 - s.m0) - s.c2;
  return s;
}

void refineLine(const std::uint16_t* in, std::ptrdiff_t inStride, int segments, float bendScale,
                std::uint16_t* out, std::ptrdiff_t outStride) {
  float y0 = biased(in[0]);
  float y1 = biased(in[inStride]);
  float y2 = biased(in[2 * inStride]);
  CubicSegment last;
  for (int i = 0; i < segments; ++i) {
    const float y3 = biased(in[(i + 3) * inStride]);
    last = cubicSegment(y0, y1, y2, y3, bendScale);
    out[2 * i * outStride] = toSample(last.at(0.0f));
    out[(2 * i + 1) * outStride] = toSample(last.at(0.5f));
    y0 = y1;
    y1 = y2;
    y2 = y3;
  }
  out[2 * segments * outStride] = toSample(last.at(1.0f));
}

void refineWindow(std::span<const std::uint16_t, kRefineInputCount> in, float bendScale,
                  std::span<std::uint16_t, kTileSampleCount> out) {
  // Every input row, neighbours included, so that the columns have their outer neighbours too.
  std::array<std::uint16_t, std::size_t{kRefineInputSamples} * kTileSamples> rows;
  for (int r = 0; r < kRefineInputSamples; ++r) {
    refineLine(in.data() + std::size_t{static_cast<std::size_t>(r)} * kRefineInputSamples, 1, kRefineSegments,
               bendScale, rows.data() + static_cast<std::size_t>(r) * kTileSamples, 1);
  }
  for (int c = 0; c < kTileSamples; ++c) {
    refineLine(rows.data() + c, kTileSamples, kRefineSegments, bendScale, out.data() + c, kTileSamples);
  }
}

}  // namespace skyloom
