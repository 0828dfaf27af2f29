#include "aircraft/unit_draw.h"

#include <algorithm>
#include <cmath>

#include "aircraft/model_library.h"
#include "aircraft/unit_description.h"
#include "platform/gfx/state_block.h"

namespace skyloom {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kSpinStep = 0.5f;   // radians per spinning attachment drawn
constexpr float kSpinWrap = 6.283f;
constexpr float kFlameLength = 20.0f;

bool destroyed(const Unit& unit) { return unit.hitPoints < 1; }

// The mesh an intact unit shows at a level. Descriptions come from files: a level count or slot
// list that disagree fall back to the last slot there is, and a description without slots (or a
// unit without a description) shows the sphere.
const Model& intactMesh(const ModelLibrary& models, const Unit& unit, int level) {
  const UnitDescription* d = unit.description;
  if (!d || d->slots.empty()) return models.modelOrNull(ModelLibrary::kNullMesh);
  const int slot = std::min(meshForLevel(level, d->lodCount), static_cast<int>(d->slots.size()) - 1);
  return models.modelOrNull(d->slots[static_cast<std::size_t>(slot)].meshIndex);
}

// The blade disc's frame: spin about the model's x axis; rotors are first scaled and, after the
// spin, tilted about z (the other way on the upper side, so a pair of rotors leans apart) or
// turned about y for a side rotor; then moved to the point and carried by the unit.
Matrix bladeMatrix(const AttachmentPoint& point, float spin, const Matrix& unitWorld) {
  Matrix m = rotationX(spin);
  if (point.flags & kAttachRotor) {
    const float tilt = point.offset.y > 0 ? -point.angle : point.angle;
    m = scaling(point.scale.x, point.scale.y, point.scale.z) * m * rotationZ(tilt);
  } else if (point.flags & kAttachSideRotor) {
    m = scaling(point.scale.x, point.scale.y, point.scale.z) * m * rotationY(point.angle);
  }
  return m * translation(point.offset.x, point.offset.y, point.offset.z) * unitWorld;
}

// The disc is translucent and must not hide what lies behind it, so it is blended and writes no
// depth; every state goes back to what it was when the block ends.
void drawBlade(RenderDevice& device, const ModelLibrary& models, const Matrix& world) {
  StateBlock states(device);
  states.render(RenderState::ZWriteEnable, 0)
      .render(RenderState::AlphaBlendEnable, 1)
      .render(RenderState::SrcBlend, Blend::SrcAlpha)
      .render(RenderState::DestBlend, Blend::InvSrcAlpha);
  device.setTransform(TransformState::World, world);
  models.modelOrNull(ModelLibrary::kPropellerMesh).draw(device);
}

void drawAttachments(const UnitDrawContext& context, Unit& unit) {
  if (!unit.description) return;
  for (const AttachmentPoint& point : unit.description->attachments) {
    if ((point.flags & kAttachFlame) && context.flames) {
      context.flames->drawFlame(context.device, unit.world, point.offset, point.scale.x,
                                kFlameLength + std::sin(unit.fireTimer));
    }
    if (point.flags & (kAttachPropeller | kAttachRotor | kAttachSideRotor)) {
      unit.spinAngle += kSpinStep;
      if (unit.spinAngle > kSpinWrap) unit.spinAngle -= kSpinWrap;
      drawBlade(context.device, context.models, bladeMatrix(point, unit.spinAngle, unit.world));
    }
  }
}

}  // namespace

// Axes: y is up; a model's nose is its +x axis, its top +y and its side +z. The model is rolled
// about its own x, pitched about its own z (positive lifts the nose), then turned about the
// vertical by heading + π and moved to its position. So the rows of the result are the nose
// direction, the up direction, the side direction and the position; heading 0 points the nose
// along -x, and heading h along (-cos h, 0, sin h).
Matrix unitMatrix(const Vec3& position, float heading, float pitch, float roll) {
  return rotationX(roll) * rotationZ(pitch) * rotationY(heading + kPi) *
         translation(position.x, position.y, position.z);
}

int levelOfDetail(float sizeRatio) {
  if (sizeRatio > 0.1f) return 0;
  if (sizeRatio > 0.05f) return 1;
  if (sizeRatio > 0.01f) return 2;
  return 3;
}

int meshForLevel(int level, int lodCount) {
  if (lodCount <= 1 || level <= 0) return 0;
  // Two meshes: the detailed one serves every level but the farthest.
  if (lodCount == 2) return level <= 2 ? 0 : 1;
  return std::min(level, lodCount - 1);
}

int drawUnit(const UnitDrawContext& context, Unit& unit) {
  if (destroyed(unit) && (unit.flags & kUnitBuried)) return -1;

  const Vec3 d = unit.position - context.eye;
  const float ratio = unit.radius / std::sqrt(dot(d, d) + 1e-5f);
  // Written so that a ratio that is not a number (a unit without a sane radius) draws nothing.
  if (!(ratio >= kSmallestDrawnRatio)) return -1;
  const int level = levelOfDetail(ratio);

  if (unit.flags & kUnitMatrixDirty) {
    unit.world = unitMatrix(unit.position, unit.heading, unit.pitch, unit.roll);
    unit.flags &= ~static_cast<std::uint32_t>(kUnitMatrixDirty);
  }
  const Model& mesh = destroyed(unit) ? context.models.modelOrNull(unit.typeValue)
                                      : intactMesh(context.models, unit, level);
  context.device.setTransform(TransformState::World, unit.world);
  mesh.draw(context.device);

  drawAttachments(context, unit);
  return level;
}

}  // namespace skyloom
