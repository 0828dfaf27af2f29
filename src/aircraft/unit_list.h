#pragma once
// UnitList: every unit of the scene in creation order, the flight groups they fly in, the
// spatial index that knows where they are, and the keys of the flight scene. The scene steps it
// once per frame and draws it once per frame; the camera follows the unit it says.
//
// The list lives as long as its scene; nothing is removed from it. It reads the ground through
// the function it is given and draws from the generator it is given, so a test can fly it over
// any landscape with a seed of its own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "aircraft/flight_group.h"
#include "aircraft/flying_unit.h"
#include "aircraft/spatial_index.h"
#include "aircraft/unit_draw.h"
#include "core/math.h"
#include "core/random.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

class ModelLibrary;
class UnitCatalogue;
class UnitDescriptionLibrary;

constexpr float kLongestStep = 1.0f;           // a longer frame is stepped as this
constexpr float kThrottleKeyStep = 0.1f;
constexpr float kFollowDistanceRadii = 1.5f;   // the camera's distance from a newly followed unit

// Where the starting formation heads first, and the points its height is taken over.
constexpr float kStartTargetX = 50000.0f + 1600.0f;
constexpr float kStartTargetY = 3000.0f;
constexpr float kStartTargetZ = 50000.0f;
constexpr float kStartHeightProbeX = 51500.0f;
constexpr float kStartHeightProbeZ = 50000.0f;
constexpr float kStartHeadingRadians = 3.14159265f;

// What the camera takes from the followed unit after every step.
struct FollowedView {
  bool valid = false;        // false while there are no units
  Matrix world = Matrix::identity();
  Vec3 velocity;
  float radius = 1;
  // Set when following moved to another unit (or at the start): the camera's distance becomes
  // this; the camera clears distanceChanged when it has taken it.
  float distance = 0;
  bool distanceChanged = false;
};

struct UnitListServices {
  const UnitDescriptionLibrary& descriptions;
  const ModelLibrary& models;
  const UnitCatalogue& catalogue;
  GroundHeightFn ground;   // required
  CrtRandom& random;
  float worldCeiling = 0;  // min(0.1 × terrain extent, 8000)
};

class UnitList {
 public:
  static constexpr std::size_t kCapacity = 100000;

  explicit UnitList(const UnitListServices& services);
  ~UnitList();
  UnitList(const UnitList&) = delete;
  UnitList& operator=(const UnitList&) = delete;

  // A new unit of the named description (the built-in one when the name is unknown) on the
  // ground at (x, z), appended and indexed. Null when the list is full or the description's
  // kind makes no unit.
  FlyingUnit* add(float x, float z, std::int32_t typeValue, std::string_view descriptionName);

  // The scene's first group: the catalogue's starting row at (cx, cz) facing π, its units
  // named by names in order, all at the height of the highest ground near them and flying
  // toward the middle of the world; names left over fill further groups of that row beside it.
  // False when no unit could be made.
  bool buildStartingFormation(float cx, float cz, std::span<const std::string> names);

  // dt seconds (at most kLongestStep; a negative or non-finite dt counts as 0): every unit, then
  // the groups, then the followed unit's view.
  void advanceFrame(float dt);
  // Every unit that is drawn, in the unit pass. flames: where exhaust flames go (may be null).
  void render(RenderDevice& device, const Vec3& eye, FlameSink* flames);

  void followNext();
  // The flight scene's keys: Tab, + / =, - / _, A, S. Answers whether the key was taken.
  bool onChar(int ch);
  // The followed unit's throttle, 0 without units.
  float followedThrottle() const;

  void setEffects(UnitEffectsSink* effects) { effects_ = effects; }
  void setFlightKeys(const FlightKeys& keys) { manual_.keys = keys; }

  std::size_t count() const { return units_.size(); }
  FlyingUnit& unit(std::size_t i) { return *units_[i]; }
  const FlyingUnit& unit(std::size_t i) const { return *units_[i]; }
  std::size_t followedIndex() const { return followed_; }
  FlyingUnit* followed() { return units_.empty() ? nullptr : units_[followed_].get(); }
  FollowedView& followedView() { return view_; }
  FlightGroupList& groups() { return groups_; }
  const SpatialIndex& spatialIndex() const { return index_; }
  const ManualControl& manualControl() const { return manual_; }
  const UnitCatalogue& catalogue() const { return catalogue_; }
  float ground(float x, float z) const { return ground_(x, z); }
  CrtRandom& random() { return random_; }
  float worldCeiling() const { return worldCeiling_; }

 private:
  // One group of the starting row at (cx, cz), its target targetOffsetZ to the side of the
  // first group's; false when it made no unit.
  bool buildStartingGroup(float cx, float cz, float targetOffsetZ, NameCursor& cursor);
  void publishFollowed();

  const UnitDescriptionLibrary& descriptions_;
  const ModelLibrary& models_;
  const UnitCatalogue& catalogue_;
  GroundHeightFn ground_;
  CrtRandom& random_;
  float worldCeiling_;
  std::vector<std::unique_ptr<FlyingUnit>> units_;
  std::size_t followed_ = 0;
  SpatialIndex index_;
  FlightGroupList groups_;  // after the index: groups point at units, not the other way
  ManualControl manual_;
  UnitEffectsSink* effects_ = nullptr;
  FlightWorld flightWorld_;  // what every unit's step reads, made once
  FollowedView view_;
};

}  // namespace skyloom
