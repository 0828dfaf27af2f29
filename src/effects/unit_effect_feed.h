#pragma once
// UnitEffectFeed: what a unit's flight step leaves behind it. Every smoke attachment of a living
// unit gets a trail on first use and a new head position each step; every unit's engine sound
// follows it (and is let go when it falls silent, flies out of range or is destroyed).

#include "aircraft/flying_unit.h"
#include "core/math.h"

namespace skyloom {

class SoundEffects;
class TrailManager;

class UnitEffectFeed final : public UnitEffectsSink {
 public:
  static constexpr int kUnused = -1;   // an attachment that has not asked for a trail yet
  static constexpr int kNoTrail = -2;  // one the manager had no trail left for

  // sound may be null (a silent scene); both must outlive the feed.
  UnitEffectFeed(TrailManager& trails, SoundEffects* sound) : trails_(trails), sound_(sound) {}

  // The camera's position this frame: engine sounds are heard within range of it.
  void setEye(const Vec3& eye) { eye_ = eye; }

  void unitStepped(FlyingUnit& unit) override;
  void toggleEngineSounds() override;

 private:
  TrailManager& trails_;
  SoundEffects* sound_;
  Vec3 eye_;
};

// The drift a new smoke point takes from its unit: a little of the unit's own motion, and a
// push back along the exhaust.
Vec3 smokeDrift(const Vec3& velocity, const Vec3& forward);

}  // namespace skyloom
