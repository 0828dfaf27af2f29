#include "aircraft/formation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace skyloom {
namespace {

constexpr float kPi = 3.14159265358979f;

void expectNear(const Vec3& actual, const Vec3& expected, float tolerance, int slot) {
  EXPECT_NEAR(actual.x, expected.x, tolerance) << "slot " << slot;
  EXPECT_NEAR(actual.y, expected.y, tolerance) << "slot " << slot;
  EXPECT_NEAR(actual.z, expected.z, tolerance) << "slot " << slot;
}

// Slots in frame coordinates (u, v, w) for a kind, n units and spacing 50.
void expectSlots(int kind, const std::vector<Vec3>& expected, float tolerance) {
  int n = static_cast<int>(expected.size());
  for (int i = 0; i < n; ++i) expectNear(formationSlot(kind, i, n, 50.0f), expected[i], tolerance, i);
}

GroundHeightFn flatGround(float height) {
  return [height](float, float) { return height; };
}

PlacementInput inputAt(float x, float z, int n) {
  PlacementInput in;
  in.targetX = x;
  in.targetZ = z;
  in.leaderPosition = {x - 3000.0f, 400.0f, z};
  in.leaderSpeed = 100.0f;
  in.unitCount = n;
  in.worldCeiling = 8000.0f;
  return in;
}

TEST(FormationSlots, LineRunsAlongWWithTheLaterHalfBehindTheTarget) {
  expectSlots(kFormationLine, {{0, 0, 1000}, {0, 0, 1050}, {0, 0, 1100}, {0, 0, -1050}}, 1e-3f);
  expectSlots(kFormationLine,
              {{0, 0, 1000}, {0, 0, 1050}, {0, 0, 1100}, {0, 0, -1050}, {0, 0, -1100}}, 1e-3f);
}

TEST(FormationSlots, TriangleClosesItsThreeSidesAndStacksTheRemainder) {
  // P = 2: corners at w = 0, w = 100 and (v, w) = (86.6, 50); the seventh unit stands behind.
  std::vector<Vec3> six = {{0, 0, 0},      {0, 0, 50},      {0, 0, 100},
                           {0, 43.3f, 75}, {0, 86.6f, 50}, {0, 43.3f, 25}};
  expectSlots(kFormationTriangle, six, 1e-3f);
  std::vector<Vec3> seven = six;
  seven.push_back({0, 0, -50});
  expectSlots(kFormationTriangle, seven, 1e-3f);
  // Past the triangle the column climbs: with n = 4 (P = 1, Q = 3) the last slot is u = 0, w = -50;
  // with n = 5 the fifth is one spacing up and one further back.
  EXPECT_FLOAT_EQ(formationSlot(kFormationTriangle, 4, 5, 50.0f).x, 50.0f);
  EXPECT_FLOAT_EQ(formationSlot(kFormationTriangle, 4, 5, 50.0f).z, -100.0f);
}

TEST(FormationSlots, CircleOfFourWalksClockwiseFromV) {
  const float l = 47.7464829f;  // 50 · (4 + 2) / 2π
  expectSlots(kFormationCircle, {{0, l, 0}, {0, 0, -l}, {0, -l, 0}, {0, 0, l}}, 1e-3f);
}

TEST(FormationSlots, ArcsOfFiveWithTheOuterArcsRingingTheFirst) {
  // l = 13 · 50 / 2π, steps of 30 degrees; the second arc of two sits b = 17.4 l out along v.
  expectSlots(kFormationArcs,
              {{0, 103.4507f, 0},
               {0, 89.5909f, -51.7254f},
               {0, 51.7254f, -89.5909f},
               {0, 0, -103.4507f},
               {0, -51.7254f, -89.5909f},
               {0, 1903.4931f, 0},
               {0, 1889.6334f, -51.7254f}},
              2e-3f);
  // Three arcs: g = π, so the second lies opposite the third (b = 18 l).
  EXPECT_NEAR(formationSlot(kFormationArcs, 5, 11, 50.0f).y, 103.4507f - 1862.1128f, 2e-3f);
  EXPECT_NEAR(formationSlot(kFormationArcs, 10, 11, 50.0f).y, 103.4507f + 1862.1128f, 2e-3f);
  EXPECT_NEAR(formationSlot(kFormationArcs, 10, 11, 50.0f).z, 0.0f, 2e-3f);
}

TEST(FormationSlots, SingleUnitsAndOutOfRangeRequestsStayFinite) {
  EXPECT_FLOAT_EQ(formationSlot(kFormationLine, 0, 1, 50.0f).z, 1000.0f);
  EXPECT_FLOAT_EQ(formationSlot(kFormationTriangle, 0, 1, 50.0f).z, -50.0f);
  EXPECT_NEAR(formationSlot(kFormationCircle, 0, 1, 50.0f).y, 150.0f / (2 * kPi), 1e-3f);
  EXPECT_NEAR(formationSlot(kFormationArcs, 0, 1, 50.0f).y, 650.0f / (2 * kPi), 1e-3f);
  for (int kind = 0; kind < kFormationKinds; ++kind) EXPECT_EQ(formationSlot(kind, 0, 0, 50.0f).y, 0.0f);
  EXPECT_EQ(formationSlot(9, 0, 5, 50.0f).z, 0.0f);
}

TEST(FormationFrameAxes, LevelFrameMapsUpVAndWToWorldYXAndZ) {
  FormationFrame level = formationFrame(0, 0, 0);
  expectNear(level.axisU, {0, 1, 0}, 1e-6f, 0);
  expectNear(level.axisV, {1, 0, 0}, 1e-6f, 0);
  expectNear(level.axisW, {0, 0, 1}, 1e-6f, 0);

  // A quarter turn of yaw swings w from +z to +x and v to -z; the vertical stays.
  FormationFrame turned = formationFrame(kPi / 2, 0, 0);
  expectNear(turned.axisW, {1, 0, 0}, 1e-6f, 0);
  expectNear(turned.axisV, {0, 0, -1}, 1e-6f, 0);
  expectNear(turned.axisU, {0, 1, 0}, 1e-6f, 0);

  // Pitch tips the frame about v: v stays level, w dips by sin(pitch), u stays nearly up.
  FormationFrame tipped = formationFrame(1.0f, 0.1f, 0);
  EXPECT_NEAR(tipped.axisV.y, 0.0f, 1e-6f);
  EXPECT_NEAR(tipped.axisW.y, -std::sin(0.1f), 1e-6f);
  EXPECT_NEAR(tipped.axisU.y, std::cos(0.1f), 1e-6f);
}

// The counter runs 1..10 per kind; placement 11 is the first wide one and starts kind 0 of round 1.
TEST(FormationSequence, CounterKindRoundSpreadAndWidePlacementsOver130Placements) {
  FormationState state;
  CrtRandom random(7);
  FormationPlacement out;
  PlacementInput in = inputAt(50000, 50000, 6);
  in.worldCeiling = 0;  // keeps every target at ground level, so the frame stays level
  struct Landmark {
    int placement, counter, kind, cycle;
  };
  const Landmark landmarks[] = {{1, 1, 3, 0},   {10, 10, 3, 0}, {11, 1, 0, 1},  {21, 1, 1, 1},
                                {31, 1, 2, 1},  {50, 10, 3, 1}, {51, 1, 0, 2},  {130, 10, 3, 3}};
  int spreadCount = 0;
  std::vector<int> widePlacements;
  for (int p = 1; p <= 130; ++p) {
    ASSERT_EQ(placeFormation(state, in, random, flatGround(-10), out), PlacementResult::kPlaced);
    spreadCount += state.spread ? 1 : 0;
    EXPECT_EQ(state.spread, state.counter >= 4 && state.counter <= 8) << "placement " << p;
    EXPECT_EQ(out.kind, state.kind);
    if (out.spacing == kFormationWideSpacing) widePlacements.push_back(p);
    for (const Landmark& l : landmarks) {
      if (l.placement != p) continue;
      EXPECT_EQ(state.counter, l.counter) << "placement " << p;
      EXPECT_EQ(state.kind, l.kind) << "placement " << p;
      EXPECT_EQ(state.cycle, l.cycle) << "placement " << p;
    }
  }
  EXPECT_EQ(spreadCount, 65);  // five of every ten
  EXPECT_EQ(widePlacements, (std::vector<int>{11, 21, 31, 41, 51, 61, 71, 81, 91, 101, 111, 121}));
}

TEST(FormationSequence, RoundCounterWrapsAfterFiveAndClearsTheSpread) {
  FormationState state;
  state.kind = kFormationArcs;
  state.counter = kFormationCounterLength;
  state.cycle = kFormationLastCycle;
  state.spread = true;
  CrtRandom random(1);
  FormationPlacement out;
  ASSERT_EQ(placeFormation(state, inputAt(100, 100, 3), random, flatGround(0), out),
            PlacementResult::kPlaced);
  EXPECT_EQ(state.cycle, 0);
  EXPECT_FALSE(state.spread);
  EXPECT_EQ(state.kind, kFormationLine);
  EXPECT_EQ(state.counter, 1);

  // From a fresh state the round counter comes back to 0 on placement 211.
  FormationState fresh;
  for (int p = 1; p <= 211; ++p) {
    placeFormation(fresh, inputAt(100, 100, 3), random, flatGround(0), out);
    if (p == 210) { EXPECT_EQ(fresh.cycle, 5); }
  }
  EXPECT_EQ(fresh.cycle, 0);
}

TEST(FormationAltitude, GatheredTargetsSitTenAboveTheGroundAtTheTarget) {
  FormationState state;
  CrtRandom random(3);
  FormationPlacement out;
  auto slope = [](float x, float z) { return 0.01f * x + 0.02f * z; };
  for (int p = 1; p <= 3; ++p) {
    ASSERT_EQ(placeFormation(state, inputAt(10000, 20000, 4), random, slope, out),
              PlacementResult::kPlaced);
    EXPECT_FLOAT_EQ(out.target.x, 10000.0f);
    EXPECT_FLOAT_EQ(out.target.z, 20000.0f);
    EXPECT_FLOAT_EQ(out.target.y, 100.0f + 400.0f + 10.0f);
  }
  // Gathered placements draw nothing from the generator.
  CrtRandom untouched(3);
  EXPECT_EQ(random.next(), untouched.next());
}

TEST(FormationAltitude, SpreadTargetsJitterAndClimbWithinTheirBounds) {
  FormationState state;
  state.counter = 3;  // the next placement turns the spread on
  CrtRandom random(11);
  CrtRandom reference(11);
  FormationPlacement out;
  PlacementInput in = inputAt(40000, 40000, 5);
  ASSERT_EQ(placeFormation(state, in, random, flatGround(300), out), PlacementResult::kPlaced);
  ASSERT_TRUE(state.spread);
  const float j = (100.0f * 18.0f + 2000.0f) / 32767.0f;
  int rx = reference.next(), rz = reference.next(), ry = reference.next();
  EXPECT_NEAR(out.target.x, 40000.0f + j * rx - j * 16364.0f, 0.01f);
  EXPECT_NEAR(out.target.z, 40000.0f + j * rz - j * 16364.0f, 0.01f);
  EXPECT_NEAR(out.target.y, std::max(ry * 8000.0f / 32767.0f, 310.0f), 0.01f);

  for (int p = 0; p < 4; ++p) {
    ASSERT_EQ(placeFormation(state, in, random, flatGround(300), out), PlacementResult::kPlaced);
    ASSERT_TRUE(state.spread);
    EXPECT_GE(out.target.x, 40000.0f - j * 16364.0f);
    EXPECT_LE(out.target.x, 40000.0f + j * (32767.0f - 16364.0f));
    EXPECT_GE(out.target.z, 40000.0f - j * 16364.0f);
    EXPECT_LE(out.target.z, 40000.0f + j * (32767.0f - 16364.0f));
    EXPECT_GE(out.target.y, 310.0f);
    EXPECT_LE(out.target.y, 8000.0f);
  }

  // Ground above the ceiling: the target still clears the ground.
  FormationState high;
  high.counter = 3;
  in.worldCeiling = 100;
  ASSERT_EQ(placeFormation(high, in, random, flatGround(5000), out), PlacementResult::kPlaced);
  EXPECT_FLOAT_EQ(out.target.y, 5010.0f);
}

TEST(FormationFrameTurning, YawAndPitchGrowWithAltitudeAndWrap) {
  FormationState state;
  state.yaw = 6.28f;
  state.pitch = 6.28f;
  CrtRandom random(5);
  FormationPlacement out;
  ASSERT_EQ(placeFormation(state, inputAt(0, 0, 2), random, flatGround(990), out),
            PlacementResult::kPlaced);  // target at 1000
  EXPECT_NEAR(state.yaw, 6.28f + 0.037f - 2 * kPi, 1e-4f);
  EXPECT_NEAR(state.pitch, 6.28f + 0.03f - 2 * kPi, 1e-4f);
  EXPECT_GE(state.yaw, 0.0f);
  EXPECT_FLOAT_EQ(state.roll, 0.0f);

  // Targets at 8000 turn the yaw by 0.296 per placement; it keeps coming round into [0, 2π).
  FormationState high;
  float turned = 0;
  for (int p = 0; p < 100; ++p) {
    ASSERT_EQ(placeFormation(high, inputAt(0, 0, 2), random, flatGround(7990), out),
              PlacementResult::kPlaced);
    turned += 0.296f;
    EXPECT_GE(high.yaw, 0.0f);
    EXPECT_LT(high.yaw, 2 * kPi);
    EXPECT_LT(high.pitch, 2 * kPi);
  }
  EXPECT_NEAR(high.yaw, std::fmod(turned, 2 * kPi), 1e-3f);
}

TEST(FormationWide, RestartPlacementSpreadsTwoThousandApartAFifthOfTheWayOut) {
  FormationState state;
  state.counter = kFormationCounterLength;
  state.kind = kFormationArcs;
  CrtRandom random(9);
  FormationPlacement out;
  PlacementInput in = inputAt(6000, 7000, 3);
  in.leaderPosition = {1000, 500, 2000};
  ASSERT_EQ(placeFormation(state, in, random, flatGround(-1000), out), PlacementResult::kPlaced);
  EXPECT_EQ(out.spacing, kFormationWideSpacing);
  EXPECT_EQ(out.kind, kFormationLine);
  expectNear(out.target, {2000, 400, 3000}, 1e-3f, 0);
  // The level frame (the target sat at altitude 0): a line along world z, 2000 apart.
  expectNear(out.slots[0], {2000, 400, 4000}, 1e-2f, 0);
  expectNear(out.slots[1], {2000, 400, 6000}, 1e-2f, 1);
  expectNear(out.slots[2], {2000, 400, 0}, 1e-2f, 2);

  // A hill under the moved target lifts it again.
  FormationState again;
  again.counter = kFormationCounterLength;
  auto hill = [](float x, float) { return x < 3000 ? 2000.0f : 0.0f; };
  ASSERT_EQ(placeFormation(again, in, random, hill, out), PlacementResult::kPlaced);
  EXPECT_NEAR(out.target.x, 2000.0f, 1e-3f);
  EXPECT_FLOAT_EQ(out.target.y, 2010.0f);

  // The next placement is an ordinary one again.
  ASSERT_EQ(placeFormation(again, in, random, hill, out), PlacementResult::kPlaced);
  EXPECT_EQ(out.spacing, kFormationSpacing);
  EXPECT_FLOAT_EQ(out.target.x, 6000.0f);
}

TEST(FormationPlacementSlots, WorldSlotsAreTheTargetPlusTheLevelFrameOffsets) {
  FormationState state;
  state.kind = kFormationTriangle;
  CrtRandom random(2);
  FormationPlacement out;
  ASSERT_EQ(placeFormation(state, inputAt(500, 800, 7), random, flatGround(-10), out),
            PlacementResult::kPlaced);
  ASSERT_EQ(out.slots.size(), 7u);
  expectNear(out.target, {500, 0, 800}, 1e-4f, 0);
  expectNear(out.slots[4], {500 + 86.6f, 0, 800 + 50}, 1e-3f, 4);
  expectNear(out.slots[6], {500, 0, 800 - 50}, 1e-3f, 6);
}

TEST(FormationPlacementSlots, NoUnitsOrOneUnitArePlacedHarmlessly) {
  FormationState state;
  CrtRandom random(4);
  FormationPlacement out;
  out.slots.assign(3, Vec3{1, 2, 3});
  ASSERT_EQ(placeFormation(state, inputAt(100, 200, 0), random, flatGround(0), out),
            PlacementResult::kPlaced);
  EXPECT_TRUE(out.slots.empty());
  EXPECT_EQ(state.counter, 1);
  EXPECT_FLOAT_EQ(out.target.y, 10.0f);

  for (int p = 0; p < 60; ++p) {  // every kind, spread and wide placements included
    ASSERT_EQ(placeFormation(state, inputAt(100, 200, 1), random, flatGround(0), out),
              PlacementResult::kPlaced);
    ASSERT_EQ(out.slots.size(), 1u);
    EXPECT_TRUE(std::isfinite(out.slots[0].x) && std::isfinite(out.slots[0].y) &&
                std::isfinite(out.slots[0].z));
  }
}

TEST(FormationPlacementSlots, SameSeedGivesTheSameSlots) {
  FormationState a, b;
  CrtRandom ra(1234), rb(1234);
  FormationPlacement pa, pb;
  auto ground = [](float x, float z) { return 200.0f + 0.05f * x - 0.03f * z; };
  for (int p = 0; p < 50; ++p) {
    PlacementInput in = inputAt(1000.0f * p, 3000.0f + 500.0f * p, 12);
    placeFormation(a, in, ra, ground, pa);
    placeFormation(b, in, rb, ground, pb);
    ASSERT_EQ(pa.slots.size(), pb.slots.size());
    for (std::size_t i = 0; i < pa.slots.size(); ++i) {
      EXPECT_EQ(pa.slots[i].x, pb.slots[i].x);
      EXPECT_EQ(pa.slots[i].y, pb.slots[i].y);
      EXPECT_EQ(pa.slots[i].z, pb.slots[i].z);
    }
  }
  EXPECT_EQ(a.yaw, b.yaw);
  EXPECT_EQ(a.pitch, b.pitch);
}

TEST(FormationBadInput, IsRefusedWithoutTouchingStateOrGenerator) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<PlacementInput> bad(8, inputAt(100, 100, 4));
  bad[0].unitCount = -1;
  bad[1].unitCount = kFormationMaxUnits + 1;
  bad[2].targetX = nan;
  bad[3].worldCeiling = inf;
  bad[4].worldCeiling = -1;
  bad[5].leaderSpeed = -5;
  bad[6].leaderPosition.y = 1e30f;
  bad[7].targetZ = -inf;
  for (const PlacementInput& in : bad) {
    FormationState state;
    state.counter = 3;
    CrtRandom random(8);
    FormationPlacement out;
    out.slots.assign(2, Vec3{});
    EXPECT_EQ(placeFormation(state, in, random, flatGround(0), out), PlacementResult::kBadInput);
    EXPECT_EQ(state.counter, 3);
    EXPECT_FALSE(state.spread);
    EXPECT_TRUE(out.slots.empty());
    CrtRandom reference(8);
    EXPECT_EQ(random.next(), reference.next());
  }

  FormationState state;
  CrtRandom random(8);
  FormationPlacement out;
  EXPECT_EQ(placeFormation(state, inputAt(1, 1, 2), random, GroundHeightFn{}, out),
            PlacementResult::kBadInput);
  state.kind = 7;
  EXPECT_EQ(placeFormation(state, inputAt(1, 1, 2), random, flatGround(0), out),
            PlacementResult::kBadInput);
  state.kind = 0;
  state.counter = -4;
  EXPECT_EQ(placeFormation(state, inputAt(1, 1, 2), random, flatGround(0), out),
            PlacementResult::kBadInput);
  state.counter = 0;
  state.yaw = nan;
  EXPECT_EQ(placeFormation(state, inputAt(1, 1, 2), random, flatGround(0), out),
            PlacementResult::kBadInput);
}

TEST(FormationBadInput, GroundWithoutAHeightLeavesTheAltitudeAlone) {
  FormationState state;
  CrtRandom random(6);
  FormationPlacement out;
  auto nowhere = [](float, float) { return std::numeric_limits<float>::quiet_NaN(); };
  ASSERT_EQ(placeFormation(state, inputAt(100, 100, 3), random, nowhere, out),
            PlacementResult::kPlaced);
  EXPECT_FLOAT_EQ(out.target.y, 0.0f);
  for (const Vec3& s : out.slots) EXPECT_TRUE(std::isfinite(s.x) && std::isfinite(s.y));
}

}  // namespace
}  // namespace skyloom
