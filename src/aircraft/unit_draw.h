#pragma once
// The drawing of one flying unit: the level of detail from its size on screen, its mesh, then
// its attachments (exhaust flames through the flame seam, spinning propellers and rotors).

#include "aircraft/unit.h"
#include "core/math.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

class ModelLibrary;
class UnitCatalogue;
struct UnitDescription;

// Size ratio q = radius / distance: q > 0.1 → 0; 0.05 < q ≤ 0.1 → 1; 0.01 < q ≤ 0.05 → 2;
// q ≤ 0.01 → 3.
int levelOfDetail(float sizeRatio);
// Below this a unit is not drawn at all (its trail and sound go on).
constexpr float kSmallestDrawnRatio = 0.001f;
// Which of L level meshes draws a level: level ≥ L uses the last; with exactly two, levels 0 to 2
// use the first and level 3 the second.
int meshForLevel(int level, int lodCount);

// Where exhaust flames go: the effects layer draws a flame of the given length and uniform
// scale at the point, in the frame of the unit's world matrix.
class FlameSink {
 public:
  virtual ~FlameSink() = default;
  virtual void drawFlame(RenderDevice& device, const Matrix& unitWorld, const Vec3& point, float scale,
                         float length) = 0;
};

struct UnitDrawContext {
  RenderDevice& device;
  const ModelLibrary& models;
  const UnitCatalogue* catalogue = nullptr;  // for destroyed units (drawn with their type's mesh)
  Vec3 eye;
  FlameSink* flames = nullptr;
};

// Draws the unit (or nothing when it is too small or buried). Answers the level drawn, -1 for
// none. Advances the unit's spin angle by 0.5 per spinning attachment drawn.
int drawUnit(const UnitDrawContext& context, Unit& unit);

}  // namespace skyloom
