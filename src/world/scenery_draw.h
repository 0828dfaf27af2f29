#pragma once
// What the trees and the buildings share: their vertex, the batch they are gathered into and
// drawn from with user-pointer calls, the haze they take from the terrain's numbers, and the
// reading of height-tile samples around a base-sample position.

#include <array>
#include <cstdint>
#include <vector>

#include "core/math.h"
#include "platform/gfx/render_device.h"
#include "platform/gfx/state_block.h"
#include "world/haze_ramp.h"
#include "world/land_image.h"

namespace skyloom {

class TilePyramid;

struct SceneryVertex {
  float x, y, z;
  std::uint32_t diffuse;
  std::uint32_t specular;  // the haze colour, added
  float u, v;
};
static_assert(sizeof(SceneryVertex) == 28, "scenery vertices are drawn with a 28-byte stride");

constexpr std::uint32_t kSceneryFvf = Fvf::Xyz | Fvf::Diffuse | Fvf::Specular | Fvf::Tex1;
static_assert(kSceneryFvf == 0x1C2, "the scenery's vertex format");

// Quads gathered for one draw: vertices 4 per quad in the order bottom-left, bottom-right,
// top-left, top-right, drawn as (b, b + 2, b + 1), (b + 1, b + 2, b + 3). A full batch draws
// itself and starts again.
class SceneryBatch {
 public:
  static constexpr int kMaxQuads = 4096;

  SceneryBatch();
  // Sets up a scenery pass under the caller's state block: untextured-lit, unfogged quads of
  // the picture times the vertex colour plus the haze, seen from both sides; blended ones take
  // the picture's alpha and clamp it at its edges, opaque ones repeat it. Starts the count.
  void begin(RenderDevice& device, StateBlock& states, Texture* texture, bool blended);
  // The next quad's four vertices; the batch flushes first when it is full.
  SceneryVertex* quad();
  void flush();
  int quadsDrawn() const { return drawn_; }

 private:
  RenderDevice* device_ = nullptr;
  std::vector<SceneryVertex> vertices_;
  std::vector<std::uint16_t> indices_;
  int quads_ = 0;
  int drawn_ = 0;
};

// The haze of scenery at a point: L as the terrain's vertex haze, its ramp alpha limited to
// limitFraction of itself; the diffuse darkening is applied by the caller.
struct SceneryHaze {
  std::uint32_t amount;    // L, 0..255
  std::uint32_t specular;  // the ramp's colour × L / 256
};
SceneryHaze sceneryHaze(const HazeRamp& ramp, const HazeView& view, const Vec3& p, float limitFraction);
// An ARGB colour's channels times (255 − L) / 256, alpha kept.
std::uint32_t darkened(std::uint32_t colour, std::uint32_t amount);

// The noise picture's pixel at (x mod 512, z mod 512); without the picture a hash of the
// position stands in, so the scenery still grows, the same everywhere each time.
std::array<std::uint8_t, 3> sceneryNoise(const LandImage& noise, std::int64_t x, std::int64_t z);

// A sample of the height pyramid read around a base-sample position: the tile of the level
// asked for (generated now if it is in the level's window) or the first coarser one.
struct GroundSamples {
  const std::uint32_t* tile = nullptr;
  int level = -1;
  std::int64_t originX = 0, originZ = 0;  // base samples of the tile's first sample

  // From the pyramid at (x, z); level is the level asked for and becomes the one found.
  static GroundSamples fetch(TilePyramid& pyramid, int level, std::int32_t x, std::int32_t z);
  bool valid() const { return tile != nullptr; }
  // The classified sample at or just below (x, z), clamped to this tile's 129 × 129.
  std::uint32_t at(std::int64_t x, std::int64_t z) const;
  // Height units at a base-sample position with fractions, interpolated between the four
  // samples around it.
  float heightAt(std::int64_t x, std::int64_t z, float fx, float fz) const;
};

}  // namespace skyloom
