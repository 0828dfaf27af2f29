#pragma once
// HazeRamp: the colour and strength of the haze by height, 4 m per entry from sea level up to
// the haze ceiling, and the per-vertex haze of the terrain (and of the scenery drawn with the
// same numbers).
//
// Each entry is ARGB: the alpha is the most haze a vertex at that height takes (0..255), the
// colour is the haze's colour there. The table runs between nine keys; the haze-colour setting
// tints every key before the keys are interpolated.

#include <array>
#include <cstdint>

#include "core/math.h"
#include "platform/gfx/d3d_constants.h"

namespace skyloom {

class HazeRamp {
 public:
  static constexpr int kEntries = 2248;
  static constexpr int kMetresPerEntry = 4;
  // Above this height (metres) the haze takes its full strength: (ceiling − y) turns negative.
  static constexpr float kCeiling = 9021.0f;

  explicit HazeRamp(std::uint32_t hazeColour);

  const std::uint32_t* entries() const { return entries_.data(); }
  std::uint32_t entry(int e) const { return entries_[static_cast<std::size_t>(e)]; }
  // The entry for a height in metres: round(h) / 4, clamped to the table.
  std::uint32_t forHeight(float metres) const;

  // A key of the ramp after tinting with the haze colour.
  static std::uint32_t tintKey(std::uint32_t key, std::uint32_t hazeColour);

 private:
  std::array<std::uint32_t, kEntries> entries_{};
};

// What the haze of one vertex depends on besides its position.
struct HazeView {
  Vec3 eye;
  float hazeFactor = 0.0f;     // per frame, from the eye height and the haze distance
  float eyeHazeOffset = 0.0f;  // metres added to every distance
  float verticalWeight = 0.1f; // how much height difference counts in the distance
};

struct VertexHaze {
  std::uint32_t diffuse;   // (255, 255 − L, 255 − L, 255 − L)
  std::uint32_t specular;  // the ramp's colour scaled by L / 256, alpha 0
};

// The haze amount L (0..255) of a vertex at world position p.
std::uint32_t hazeAmount(const HazeRamp& ramp, const HazeView& view, const Vec3& p);
VertexHaze vertexHaze(const HazeRamp& ramp, const HazeView& view, const Vec3& p);

}  // namespace skyloom
