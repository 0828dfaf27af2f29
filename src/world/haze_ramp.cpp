#include "world/haze_ramp.h"

#include <algorithm>
#include <cmath>

namespace skyloom {
namespace {

struct RampKey {
  int entry;
  std::uint32_t argb;
};

// Pale blue low down, deeper and thinner with height; the last key lies one past the table.
constexpr std::array<RampKey, 9> kKeys{{{0, 0xDF9FCFFFu},
                                        {74, 0xBF5F7FFFu},
                                        {137, 0xBF3F6FBFu},
                                        {174, 0xCF2F5FAFu},
                                        {324, 0xAF2F4F9Fu},
                                        {474, 0xBF2F4F9Fu},
                                        {524, 0x8F2F5FAFu},
                                        {699, 0x8F9FCFEFu},
                                        {HazeRamp::kEntries, 0x3F9FDFFFu}}};

std::uint32_t channel(std::uint32_t argb, int shift) { return (argb >> shift) & 0xFFu; }

// Exact rational interpolation, truncated: a + (b − a) × d / span, never rounding up.
std::uint32_t lerpChannel(std::uint32_t a, std::uint32_t b, int d, int span) {
  const std::int64_t v = std::int64_t{a} * (span - d) + std::int64_t{b} * d;
  return static_cast<std::uint32_t>(v / span);
}

}  // namespace

std::uint32_t HazeRamp::tintKey(std::uint32_t key, std::uint32_t hazeColour) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    out |= ((channel(key, shift) * 112 + channel(hazeColour, shift) * 144) >> 8) << shift;
  }
  // Truncating alpha × 0.9999 takes one off every nonzero alpha.
  const auto alpha = static_cast<std::uint32_t>(static_cast<double>(channel(key, 24)) * 0.9999);
  return out | (std::min(alpha, 255u) << 24);
}

HazeRamp::HazeRamp(std::uint32_t hazeColour) {
  for (std::size_t k = 0; k + 1 < kKeys.size(); ++k) {
    const std::uint32_t a = tintKey(kKeys[k].argb, hazeColour);
    const std::uint32_t b = tintKey(kKeys[k + 1].argb, hazeColour);
    const int span = kKeys[k + 1].entry - kKeys[k].entry;
    for (int d = 0; d < span; ++d) {
      std::uint32_t v = 0;
      for (int shift = 0; shift < 32; shift += 8) v |= lerpChannel(channel(a, shift), channel(b, shift), d, span) << shift;
      entries_[static_cast<std::size_t>(kKeys[k].entry + d)] = v;
    }
  }
}

std::uint32_t HazeRamp::forHeight(float metres) const {
  // Heights come from unsigned samples, but a NaN or a negative height must not index outside.
  if (!(metres > 0.0f)) return entries_[0];
  const float e = std::round(metres) / kMetresPerEntry;
  if (e >= static_cast<float>(kEntries - 1)) return entries_[kEntries - 1];
  return entries_[static_cast<std::size_t>(e)];
}

std::uint32_t hazeAmount(const HazeRamp& ramp, const HazeView& view, const Vec3& p) {
  const float dx = p.x - view.eye.x, dy = p.y - view.eye.y, dz = p.z - view.eye.z;
  const float dist = std::sqrt(dx * dx + dz * dz + view.verticalWeight * dy * dy);
  const double raw = std::round(static_cast<double>(view.hazeFactor) * (HazeRamp::kCeiling - p.y) *
                                (dist + view.eyeHazeOffset));
  const std::uint32_t limit = ramp.forHeight(p.y) >> 24;
  // Above the ceiling the product is negative: as an unsigned count it is huge, so the vertex
  // takes the ramp's full alpha. Said explicitly here, as converting a negative float to an
  // unsigned integer is undefined.
  if (!(raw >= 0.0) || raw >= 4294967296.0) return limit;
  const std::uint32_t amount = static_cast<std::uint32_t>(raw) / 16384u;
  return std::min(amount, limit);
}

VertexHaze vertexHaze(const HazeRamp& ramp, const HazeView& view, const Vec3& p) {
  const std::uint32_t l = hazeAmount(ramp, view, p);
  const std::uint32_t e = ramp.forHeight(p.y);
  const std::uint32_t grey = 255 - l;
  VertexHaze h;
  h.diffuse = argb(255, grey, grey, grey);
  h.specular = argb(0, (channel(e, 16) * l) >> 8, (channel(e, 8) * l) >> 8, (channel(e, 0) * l) >> 8);
  return h;
}

}  // namespace skyloom
