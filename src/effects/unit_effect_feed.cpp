#include "effects/unit_effect_feed.h"

#include <algorithm>

#include "aircraft/unit_description.h"
#include "effects/sound_effects.h"
#include "effects/trail_manager.h"

namespace skyloom {

namespace {
constexpr float kCarriedMotion = 0.1f;  // of the unit's velocity
constexpr float kExhaustPush = 10.0f;   // units per second, backward along the nose
}  // namespace

Vec3 smokeDrift(const Vec3& velocity, const Vec3& forward) {
  return velocity * kCarriedMotion - forward * kExhaustPush;
}

void UnitEffectFeed::unitStepped(FlyingUnit& unit) {
  const UnitDescription* d = unit.description;
  const bool alive = !unit.destroyed();
  if (d && alive) {
    const Vec3 drift = smokeDrift(unit.velocity, unit.forward);
    const std::size_t n = std::min(d->attachments.size(), unit.trails.size());
    for (std::size_t i = 0; i < n; ++i) {
      const AttachmentPoint& point = d->attachments[i];
      if (!(point.flags & kAttachSmoke)) continue;
      int& handle = unit.trails[i];
      if (handle == kUnused) {
        const SmokeTrail* trail = trails_.newTrail();
        handle = trail ? trails_.trailCount() - 1 : kNoTrail;
      }
      if (handle >= 0) trails_.trail(handle).addPoint(transformCoord(point.offset, unit.world), drift);
    }
  }
  if (sound_) {
    const AttachmentPoint* smoke = d ? lastSmokePoint(d->attachments) : nullptr;
    sound_->engine(unit.engineVoice, unit.position, unit.world, unit.velocity, smoke, eye_, alive);
  }
}

void UnitEffectFeed::toggleEngineSounds() {
  if (sound_) sound_->toggleEngineSounds();
}

}  // namespace skyloom
