#pragma once
// Flight groups: the formations the units fly in. A leader group wanders between random points
// of the world; every frame it checks how far its leader is from the next point and, when it is
// time, places its formation there (all groups share one FormationState, so the kind, the
// spread and the turning frame change together). Its members keep station by throttle. Groups
// are built from the catalogue's template rows; a row member that names another row makes a
// subgroup, whose units fly in the formation of the leader group above it.
//
// Groups of the two sides also pick each other as targets, ten leader groups per frame.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "aircraft/flying_unit.h"
#include "aircraft/formation.h"
#include "core/math.h"
#include "core/random.h"

namespace skyloom {

class UnitList;

constexpr std::size_t kMaxGroupMembers = 50;
constexpr std::size_t kMaxSubgroups = 17;
constexpr std::size_t kMaxRoutePoints = 199;
constexpr std::size_t kRouteOverflow = 200;  // a longer route is cleared
constexpr float kWorldSize = 100000.0f;       // route points stay in [0, kWorldSize]
constexpr int kTargetUnits = 3;
constexpr std::int32_t kAirTargetsClass = 0x100;  // class code bit: may pick air groups

struct RoutePoint {
  float x = 0, z = 0;
};

// What a group's step reads and shares with the others.
struct GroupWorld {
  GroundHeightFn ground;
  CrtRandom* random = nullptr;
  FormationState* formation = nullptr;
  float worldCeiling = 0;  // the highest altitude a spread placement draws
};

struct FlightGroup {
  bool leader = false;
  int templateRow = 0;
  std::int32_t side = 1;
  std::int32_t kind = 0;  // class code of the first unit; 0 is a ground group
  float heading = 0;
  std::vector<FlyingUnit*> members;      // direct units
  std::vector<FlightGroup*> subgroups;
  FlightGroup* parent = nullptr;
  int unitTotal = 0;
  std::vector<FlyingUnit*> allUnits;     // leader groups: members, then every subgroup's
  Vec3 position;                         // of the first unit
  Vec3 target;
  std::vector<RoutePoint> route;
  std::size_t cursor = 0;
  float retargetTimer = 0;
  float lastTargetDistance = 0;
  float groupSpeed = 0;
  float range = 0;
  FlightGroup* targetGroup = nullptr;
  std::array<FlyingUnit*, kTargetUnits> targetUnits{};
  bool active = true;

  // The step of a leader group with units: routes, throttle keeping, retargeting.
  void advanceFrame(float dt, const GroupWorld& world);
  // Places the formation at (x, z) over every unit of the group; false when the placement
  // refused its input.
  bool placeFormationAt(float x, float z, const GroupWorld& world);

 private:
  void keepThrottle(float leaderDistance);
  void drawRoute(const GroupWorld& world);
};

// The names a build hands out to units, in order ("null"-terminated lists end at their end).
struct NameCursor {
  std::span<const std::string> names;
  std::size_t next = 0;
  bool exhausted() const { return next >= names.size(); }
  const std::string& current() const { return names[next]; }
};

class FlightGroupList {
 public:
  static constexpr std::size_t kMaxGroups = 1000;
  static constexpr int kGroupsPerFrame = 10;  // target selection
  static constexpr float kTargetRadius = 3000.0f;
  static constexpr int kCandidatesOfAKind = 5;

  explicit FlightGroupList(UnitList& units) : units_(units) {}
  FlightGroupList(const FlightGroupList&) = delete;
  FlightGroupList& operator=(const FlightGroupList&) = delete;

  // Builds a group (and its subgroups) from catalogue row `row` at (x, z) facing heading,
  // creating one unit per unit member from the next name until the names run out. True when
  // the group has units; a group without any is dropped.
  bool build(bool leader, int row, float x, float z, float heading, NameCursor& names);

  // Steps every leader group with units, then picks targets for the next ten leader groups.
  void advanceFrame(float dt);

  std::size_t size() const { return groups_.size(); }
  FlightGroup& group(std::size_t i) { return *groups_[i]; }
  std::span<FlightGroup* const> leaders() const { return leaders_; }
  FormationState& formation() { return formation_; }
  // What the group steps read (the unit list's ground, generator and ceiling, this formation).
  void setWorld(const GroupWorld& world) { world_ = world; }
  bool enabled = true;

 private:
  FlightGroup* buildGroup(bool leader, int row, float x, float z, float heading, NameCursor& names,
                          FlightGroup* owner, int depth);
  void selectTarget(FlightGroup& group, float dt);

  UnitList& units_;
  std::vector<std::unique_ptr<FlightGroup>> groups_;
  std::vector<FlightGroup*> leaders_;
  std::size_t targetCursor_ = 0;
  FormationState formation_;
  GroupWorld world_;
};

// Appends group's units to out: its members, then each subgroup's in order.
void collectUnits(const FlightGroup& group, std::vector<FlyingUnit*>& out);

}  // namespace skyloom
