// The flight of units and groups: the keys, the long-frame clamp, station keeping, routes,
// stall recovery, terrain avoidance, wrecks, manual control, group building, target picking and
// determinism.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "aircraft/flight_group.h"
#include "aircraft/unit_list.h"
#include "aircraft/flight_fixture.h"

namespace skyloom {
namespace {

using testing::FlightFixture;

class CountingSink : public UnitEffectsSink {
 public:
  void unitStepped(FlyingUnit& unit) override {
    ++steps;
    if (unit.destroyed()) ++deadSteps;
  }
  void toggleEngineSounds() override { ++toggles; }
  int steps = 0, deadSteps = 0, toggles = 0;
};

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The first row of the catalogue with only unit members, of the given side.
int plainRow(const UnitCatalogue& catalogue, std::int32_t side) {
  for (std::size_t r = 0; r < catalogue.rowCount(); ++r) {
    const TemplateRow& row = catalogue.row(static_cast<int>(r));
    bool plain = row.side == side && row.members.size() >= 2;
    for (const TemplateMember& m : row.members) plain = plain && !m.isRow();
    if (plain) return static_cast<int>(r);
  }
  return -1;
}

TEST(UnitKeys, OneUnitTabChangesNothingAndTheOtherKeysWork) {
  FlightFixture f;
  EXPECT_FALSE(f.units->onChar('\t'));  // no units: no key is taken
  EXPECT_EQ(f.units->followedThrottle(), 0.0f);
  CountingSink sink;
  f.units->setEffects(&sink);
  FlyingUnit& u = f.flying("jet", {1000, 500, 1000});
  EXPECT_TRUE(f.units->onChar('\t'));
  EXPECT_EQ(f.units->followedIndex(), 0u);
  EXPECT_FALSE(f.units->followedView().distanceChanged);
  EXPECT_TRUE(f.units->onChar('a'));
  EXPECT_TRUE(u.manual());
  EXPECT_TRUE(f.units->onChar('A'));
  EXPECT_FALSE(u.manual());
  EXPECT_TRUE(f.units->onChar('s'));
  EXPECT_TRUE(f.units->onChar('S'));
  EXPECT_EQ(sink.toggles, 2);
  EXPECT_FALSE(f.units->onChar('x'));

  // Throttle: 0.9 at the start, never past 1 nor below 0 however often the keys come.
  EXPECT_FLOAT_EQ(f.units->followedThrottle(), kStartThrottle);
  for (int i = 0; i < 5; ++i) f.units->onChar(i % 2 ? '+' : '=');
  EXPECT_FLOAT_EQ(u.throttle, 1.0f);
  for (int i = 0; i < 15; ++i) f.units->onChar(i % 2 ? '-' : '_');
  EXPECT_FLOAT_EQ(u.throttle, 0.0f);
  u.throttle = kNoseUpThrottle;  // a slow type nosing up
  f.units->onChar('+');
  EXPECT_FLOAT_EQ(u.throttle, 1.0f);
}

TEST(UnitKeys, FollowingMovesManualControlAndTheCameraDistanceAndWraps) {
  FlightFixture f;
  f.flying("jet", {0, 500, 0});
  f.flying("prop", {100, 500, 0});
  f.flying("jet", {200, 500, 0});
  f.units->onChar('a');
  f.units->followNext();
  EXPECT_EQ(f.units->followedIndex(), 1u);
  EXPECT_FALSE(f.units->unit(0).manual());
  EXPECT_TRUE(f.units->unit(1).manual());
  EXPECT_TRUE(f.units->followedView().distanceChanged);
  EXPECT_FLOAT_EQ(f.units->followedView().distance, 1.5f * f.units->unit(1).radius);
  f.units->onChar('a');  // manual off: the next one starts without it
  f.units->followNext();
  f.units->followNext();
  EXPECT_EQ(f.units->followedIndex(), 0u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(f.units->unit(i).manual());
}

TEST(UnitList, AFrameOverOneSecondIsSteppedAsOneAndABadOneAsNothing) {
  FlightFixture a, b;
  FlyingUnit& ua = a.flying("jet", {5000, 2000, 5000});
  FlyingUnit& ub = b.flying("jet", {5000, 2000, 5000});
  a.units->advanceFrame(7.5f);
  b.units->advanceFrame(1.0f);
  EXPECT_EQ(std::memcmp(&ua.position, &ub.position, sizeof(Vec3)), 0);
  EXPECT_EQ(std::memcmp(&ua.velocity, &ub.velocity, sizeof(Vec3)), 0);
  EXPECT_GT(ua.position.x, 5000 + 300);
  const Vec3 before = ua.position;
  a.units->advanceFrame(std::nanf(""));
  a.units->advanceFrame(-3.0f);
  EXPECT_EQ(std::memcmp(&ua.position, &before, sizeof(Vec3)), 0);
}

TEST(UnitFlight, FlightParametersFromAFileCannotMakeTheFlightNonFinite) {
  FlightFixture f;
  FlyingUnit& u = f.flying("jet", {3000, 1000, 3000});
  u.topSpeed = 0;
  u.ceiling = std::nanf("");
  u.turnRate = -4;
  u.prepare(3000, 1000, 3000);
  EXPECT_EQ(u.topSpeed, kMinTopSpeed);
  EXPECT_EQ(u.ceiling, kMinCeiling);
  EXPECT_EQ(u.turnRate, 0.0f);
  u.target = {9000, 1000, 3000};
  for (int i = 0; i < 600; ++i) f.units->advanceFrame(1 / 60.0f);
  EXPECT_TRUE(finite(u.position) && finite(u.velocity) && std::isfinite(u.speed));
}

// A unit at a fifth of its top speed (a glide that would stall) gets its speed back, and does
// so without touching the ground 2 km below.
TEST(UnitFlight, AStalledUnitRecoversFlyingSpeed) {
  for (const char* type : {"jet", "prop"}) {
    FlightFixture f;
    FlyingUnit& u = f.flying(type, {10000, 2000, 10000}, 0.2f);
    float worst = u.speed;
    bool recovered = false;
    for (int i = 0; i < 60 * 60 && !recovered; ++i) {
      f.units->advanceFrame(1 / 60.0f);
      worst = std::min(worst, u.speed);
      recovered = u.speed >= 0.5f * u.topSpeed && i > 10;
    }
    EXPECT_TRUE(recovered) << type << ": speed " << u.speed << " of " << u.topSpeed;
    EXPECT_EQ(u.groundContacts, 0u) << type;
    EXPECT_GT(u.position.y, 500.0f) << type;
    EXPECT_GE(u.throttle, 1.0f) << type;  // recovery opens the throttle
  }
}

// A ridge 1 km high across the path of a unit flying at 300 m: the look-ahead sees it and the
// unit climbs over without touching it.
TEST(UnitFlight, AUnitAimedAtARidgeClimbsOverIt) {
  auto ridge = [](float x, float) {
    const float d = std::fabs(x - 9000.0f);
    return d < 3000.0f ? 1000.0f * (1.0f - d / 3000.0f) : 0.0f;
  };
  for (const char* type : {"jet", "prop"}) {
    FlightFixture f(ridge);
    FlyingUnit& u = f.flying(type, {1000, 300, 5000});
    float clearance = 1e9f;
    for (int i = 0; i < 60 * 120 && u.position.x < 13000; ++i) {
      f.units->advanceFrame(1 / 60.0f);
      clearance = std::min(clearance, u.position.y - ridge(u.position.x, u.position.z));
    }
    EXPECT_GT(u.position.x, 13000.0f) << type;
    EXPECT_EQ(u.groundContacts, 0u) << type;
    EXPECT_GT(clearance, 20.0f) << type;
  }
}

// Level flight carries the weight with the velocity a little below the nose; the banking must not
// take that slip for a turn and roll the unit onto its back. One left on its back rolls upright.
TEST(UnitFlight, UnitsFlyRightWayUpAndOneOnItsBackRollsUpright) {
  FlightFixture f;
  FlyingUnit& level = f.flying("prop", {3000, 1500, 3000});
  FlyingUnit& turning = f.flying("jet", {9000, 1500, 3000});
  turning.target = turning.avoidPoint = {9000, 1500, 30000};  // a right angle to the left
  FlyingUnit& inverted = f.flying("jet", {20000, 2500, 3000});
  inverted.up = {0, -1, 0};
  inverted.sideAxis = {0, 0, -1};
  float lowest = 1;
  for (int i = 0; i < 60 * 60; ++i) {
    f.units->advanceFrame(1 / 60.0f);
    if (i > 60 * 5) lowest = std::min({lowest, level.up.y, turning.up.y, inverted.up.y});
  }
  EXPECT_GT(lowest, 0.0f);
}

TEST(UnitFlight, AWreckFallsTumblingThenIsBuriedAndLetsItsSoundGo) {
  FlightFixture f([](float, float) { return 100.0f; });
  CountingSink sink;
  f.units->setEffects(&sink);
  FlyingUnit& u = f.flying("jet", {2000, 200, 2000});
  u.hitPoints = 0;
  u.fireTimer = 0.337f;
  f.units->advanceFrame(1.0f);
  EXPECT_NEAR(u.position.y, 200 - 30.3f, 1e-3);
  EXPECT_EQ(u.position.x, 2000.0f);  // nothing else moves
  EXPECT_NE(u.heading, 0.0f);
  EXPECT_TRUE(u.flags & kUnitMatrixDirty);
  for (int i = 0; i < 5; ++i) f.units->advanceFrame(1.0f);
  EXPECT_TRUE(u.flags & kUnitBuried);
  EXPECT_FLOAT_EQ(u.position.y, 100 - 160.05f);
  EXPECT_EQ(sink.deadSteps, 6);  // the feed hears of it, to release the engine voice
}

TEST(UnitFlight, ManualControlPitchesAndRollsWithTheArrowsButNotWithShift) {
  FlightFixture f;
  FlyingUnit& u = f.flying("jet", {5000, 3000, 5000});
  f.units->onChar('a');
  FlightKeys keys;
  keys.up = true;
  f.units->setFlightKeys(keys);
  for (int i = 0; i < 60; ++i) f.units->advanceFrame(1 / 60.0f);
  EXPECT_LT(f.units->manualControl().pitchRate, 0.0f);
  EXPECT_GE(f.units->manualControl().pitchRate, -0.6f * ManualControl::kMaxPitchRate);
  EXPECT_LT(u.forward.y, -0.01f);  // nose down

  keys = {};
  keys.right = true;
  f.units->setFlightKeys(keys);
  for (int i = 0; i < 30; ++i) f.units->advanceFrame(1 / 60.0f);
  EXPECT_LT(f.units->manualControl().rollRate, 0.0f);
  EXPECT_LT(u.up.z, -0.01f);  // the right wing (−z) goes down
  EXPECT_NEAR(dot(u.up, u.forward), 0.0f, 1e-4);  // the axes stay orthonormal
  EXPECT_NEAR(length(u.up), 1.0f, 1e-4);

  keys.shift = true;  // the arrows belong to the camera now: the rates only decay
  f.units->setFlightKeys(keys);
  const float roll = std::fabs(f.units->manualControl().rollRate);
  for (int i = 0; i < 30; ++i) f.units->advanceFrame(1 / 60.0f);
  EXPECT_LT(std::fabs(f.units->manualControl().rollRate), roll * 0.7f);
  EXPECT_EQ(f.units->manualControl().rightAcceleration, 0.0f);
}

TEST(FlightGroups, NestedRowsBuildDepthFirstUntilTheNamesRunOut) {
  FlightFixture f([](float x, float) { return x * 0.01f; });
  const std::vector<std::string> names(31, "jet");
  NameCursor cursor{names, 0};
  ASSERT_TRUE(f.units->groups().build(true, 2, 10000, 20000, 3.14159265f, cursor));  // a wing: 1 + 3 × (1 + 3 × 3)
  EXPECT_EQ(cursor.next, 31u);
  ASSERT_EQ(f.units->groups().leaders().size(), 1u);
  FlightGroup& wing = *f.units->groups().leaders()[0];
  EXPECT_EQ(wing.unitTotal, 31);
  EXPECT_EQ(wing.allUnits.size(), 31u);
  EXPECT_EQ(wing.members.size(), 1u);
  ASSERT_EQ(wing.subgroups.size(), 3u);
  EXPECT_EQ(wing.subgroups[0]->parent, &wing);
  EXPECT_EQ(wing.subgroups[0]->unitTotal, 10);
  EXPECT_EQ(wing.kind, 0x101);
  EXPECT_EQ(wing.groupSpeed, 600.0f);
  EXPECT_EQ(f.units->groups().size(), 1u + 3u + 9u);
  // Every unit flies in the wing's formation; the first is at the row's origin, on the ground,
  // aiming 50 above it; a member 300 ahead of a heading of π lies at lower x.
  for (FlyingUnit* u : wing.allUnits) EXPECT_EQ(u->group, &wing);
  const FlyingUnit& lead = *wing.allUnits[0];
  EXPECT_FLOAT_EQ(lead.position.x, 10000);
  EXPECT_FLOAT_EQ(lead.position.y, 100);
  EXPECT_FLOAT_EQ(lead.target.y, 150);
  EXPECT_EQ(wing.allUnits[1], wing.subgroups[0]->members[0]);
  EXPECT_NEAR(wing.allUnits[1]->position.x, 10000 - 300, 1e-2);
  EXPECT_NEAR(wing.allUnits[1]->position.z, 20000, 1e-2);

  // Five names make the lead and the first squadron's first four units; no names, no group.
  const std::vector<std::string> five(5, "jet");
  NameCursor short_{five, 0};
  ASSERT_TRUE(f.units->groups().build(true, 2, 30000, 30000, 0, short_));
  EXPECT_EQ(f.units->groups().leaders().back()->unitTotal, 5);
  NameCursor none{std::span<const std::string>{}, 0};
  EXPECT_FALSE(f.units->groups().build(true, 2, 30000, 30000, 0, none));
}

TEST(FlightGroups, RoutePointsNearTheEdgeStayInTheWorld) {
  for (const auto& corner : {Vec3{10, 0, 10}, Vec3{99990, 0, 99990}, Vec3{10, 0, 99990}}) {
    FlightFixture f;
    const std::vector<std::string> names(3, "jet");
    NameCursor cursor{names, 0};
    ASSERT_TRUE(f.units->groups().build(true, 0, corner.x, corner.z, 0, cursor));
    FlightGroup& g = *f.units->groups().leaders()[0];
    for (int i = 0; i < 200; ++i) {
      g.route.clear();
      f.units->groups().advanceFrame(1 / 60.0f);
      ASSERT_EQ(g.route.size(), 2u);
      for (const RoutePoint& p : g.route) {
        EXPECT_GE(p.x, 0.0f);
        EXPECT_LE(p.x, kWorldSize);
        EXPECT_GE(p.z, 0.0f);
        EXPECT_LE(p.z, kWorldSize);
      }
    }
    // A route run to its end, or grown past its limit, is drawn anew.
    g.cursor = g.route.size();
    f.units->groups().advanceFrame(1 / 60.0f);
    EXPECT_LT(g.cursor, g.route.size());
    g.route.assign(kRouteOverflow + 1, RoutePoint{});
    f.units->groups().advanceFrame(1 / 60.0f);
    EXPECT_LE(g.route.size(), 2u);
  }
}

// Through formation keeping the throttle stays in [0.7, 1]; a member far below its speed gets
// full power; a unit under manual control keeps what the keys gave it.
TEST(FlightGroups, StationKeepingHoldsTheThrottleBetweenSevenTenthsAndFull) {
  FlightFixture f;
  const std::vector<std::string> names(10, "jet");
  NameCursor cursor{names, 0};
  ASSERT_TRUE(f.units->groups().build(true, 1, 20000, 20000, 0, cursor));
  FlightGroup& g = *f.units->groups().leaders()[0];
  for (FlyingUnit* u : g.allUnits) {
    u->position.y = 1500;
    u->velocity = {u->topSpeed, 0, 0};
  }
  FlyingUnit& manual = *g.allUnits[3];
  manual.control = kManualControl;
  manual.throttle = 0.2f;
  float lowest = 1, highest = 0;
  for (int i = 0; i < 60 * 60; ++i) {
    f.units->advanceFrame(1 / 60.0f);
    for (FlyingUnit* u : g.allUnits) {
      if (u == &manual) continue;
      lowest = std::min(lowest, u->throttle);
      highest = std::max(highest, u->throttle);
    }
  }
  EXPECT_GE(lowest, 0.7f);
  EXPECT_LE(highest, 1.0f);
  EXPECT_LT(lowest, highest);  // it does move
  EXPECT_FLOAT_EQ(manual.throttle, 0.2f);
  g.allUnits[5]->speed = 0.4f * g.allUnits[5]->topSpeed;
  g.allUnits[5]->throttle = 0.7f;
  g.advanceFrame(0, GroupWorld{[](float, float) { return 0.0f; }, &f.random, &f.units->groups().formation(), 8000});
  EXPECT_FLOAT_EQ(g.allUnits[5]->throttle, 1.0f);
}

TEST(FlightGroups, GroupsOfTheOtherSidePickThreeLivingUnitsAndAWipedOutGroupStopsBeingATarget) {
  FlightFixture f;
  const int side1 = plainRow(*f.catalogue, 1), side2 = plainRow(*f.catalogue, 2);
  ASSERT_GE(side1, 0);
  ASSERT_GE(side2, 0);
  const std::vector<std::string> names(16, "jet");
  NameCursor a{names, 0}, b{names, 0}, c{names, 0};
  ASSERT_TRUE(f.units->groups().build(true, side1, 10000, 10000, 0, a));
  ASSERT_TRUE(f.units->groups().build(true, side2, 11000, 10000, 0, b));
  ASSERT_TRUE(f.units->groups().build(true, side2, 50000, 10000, 0, c));  // out of reach
  FlightGroup& hunter = *f.units->groups().leaders()[0];
  FlightGroup& prey = *f.units->groups().leaders()[1];
  FlightGroup& far = *f.units->groups().leaders()[2];
  ASSERT_GE(prey.unitTotal, 2);
  f.units->groups().advanceFrame(0);
  EXPECT_EQ(hunter.targetGroup, &prey);
  EXPECT_EQ(prey.targetGroup, &hunter);
  EXPECT_EQ(far.targetGroup, nullptr);
  const int expected = std::min(prey.unitTotal, kTargetUnits);
  for (int i = 0; i < kTargetUnits; ++i) {
    FlyingUnit* t = hunter.targetUnits[static_cast<std::size_t>(i)];
    if (i < expected) {
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->group, &prey);
      for (int j = 0; j < i; ++j) EXPECT_NE(hunter.targetUnits[static_cast<std::size_t>(j)], t);
    } else {
      EXPECT_EQ(t, nullptr);
    }
  }
  for (FlyingUnit* u : prey.allUnits) u->hitPoints = 0;
  f.units->groups().advanceFrame(0);
  EXPECT_FALSE(prey.active);
  EXPECT_EQ(prey.unitTotal, 0);
  EXPECT_EQ(hunter.targetUnits[0], nullptr);
}

TEST(UnitList, TheStartingFormationStartsLevelAtTheHighestGroundAndHeadsEast) {
  auto hills = [](float x, float z) { return 300.0f + 200.0f * std::sin(x * 0.001f) * std::cos(z * 0.0013f); };
  FlightFixture f(hills);
  // More names than the starting row has slots: the rest fly in further groups beside it.
  const std::vector<std::string> names(40, "jet");
  ASSERT_TRUE(f.units->buildStartingFormation(30000, 40000, names));
  EXPECT_EQ(f.units->count(), names.size());
  const auto& leaders = f.units->groups().leaders();
  ASSERT_GE(leaders.size(), 2u);
  for (const FlightGroup* group : leaders) {
    ASSERT_FALSE(group->allUnits.empty());
    const FlyingUnit& first = *group->allUnits.front();
    float highest = -1e30f;
    for (const FlyingUnit* u : group->allUnits) highest = std::max(highest, hills(u->position.x + 1000, u->position.z));
    for (const FlyingUnit* u : group->allUnits) {
      EXPECT_GE(u->position.y, highest);
      EXPECT_EQ(u->position.y, first.position.y);
      EXPECT_EQ(u->velocity.x, u->topSpeed);
      EXPECT_EQ(u->target.x, kStartTargetX);
      // Each group heads for a point as far to its side as it started.
      EXPECT_NEAR(u->target.z - kStartTargetZ, group->position.z - leaders[0]->position.z, 1.0f);
    }
  }
  EXPECT_GT(std::abs(leaders[1]->position.z - leaders[0]->position.z), 1000.0f);
  EXPECT_TRUE(f.units->followedView().valid);
  EXPECT_FLOAT_EQ(f.units->followedView().distance, 1.5f * f.units->unit(0).radius);
  EXPECT_EQ(f.units->spatialIndex().unitCount(), f.units->count());
}

// The same seed flies the same flight: bit for bit on one platform. (Across platforms the
// runtimes' sine and cosine may differ in the last bit, which the flight amplifies.)
TEST(UnitList, TheSameSeedFliesTheSameFlight) {
  auto hills = [](float x, float z) { return 400.0f + 300.0f * std::sin(x * 0.0007f) * std::cos(z * 0.0009f); };
  auto fly = [&](std::uint32_t seed) {
    FlightFixture f(hills, seed);
    std::vector<std::string> names(30, "jet");
    for (std::size_t i = 0; i < names.size(); i += 3) names[i] = "prop";
    f.units->buildStartingFormation(42000, 47000, names);
    for (int i = 0; i < 1000; ++i) f.units->advanceFrame(1 / 30.0f);
    std::vector<Vec3> out;
    for (std::size_t i = 0; i < f.units->count(); ++i) out.push_back(f.units->unit(i).position);
    return out;
  };
  const auto a = fly(11), b = fly(11), c = fly(12);
  ASSERT_EQ(a.size(), b.size());
  ASSERT_FALSE(a.empty());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(Vec3)), 0);
  EXPECT_NE(std::memcmp(a.data(), c.data(), a.size() * sizeof(Vec3)), 0);
  for (const Vec3& p : a) EXPECT_TRUE(finite(p));
}

}  // namespace
}  // namespace skyloom
