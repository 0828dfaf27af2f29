#pragma once
// Formation placement: where the members of a flight group fly relative to the group's target.
// All groups of a scene share one FormationState, so the formation kind, the spread of the targets
// and the slowly turning frame change together for every group. Each placement draws from the
// generator it is given and asks the ground height it is given; nothing here is global.

#include <cstdint>
#include <functional>
#include <vector>

#include "core/math.h"
#include "core/random.h"

namespace skyloom {

// The four ways of laying out slots.
enum FormationKind : int {
  kFormationLine = 0,      // one line along the frame's w axis, through the target
  kFormationTriangle = 1,  // an equilateral triangle in the v/w plane, extra units stacked up
  kFormationCircle = 2,    // one circle in the v/w plane
  kFormationArcs = 3,      // arcs of five, the outer ones ringing the first
};
constexpr int kFormationKinds = 4;

// The counter counts placements 1 .. kFormationCounterLength; the placement that would pass the
// end restarts it at 1, moves on to the next kind and is the wide placement (see placeFormation).
constexpr int kFormationCounterLength = 10;
// The spread flag flips on these counter values, so within every run of ten placements the
// targets are spread out on placements 4 to 8 and gathered on the other five.
constexpr int kFormationSpreadOnAt = 4;
constexpr int kFormationSpreadOffAt = 9;
// After this many complete rounds of the four kinds the round counter returns to 0.
constexpr int kFormationLastCycle = 5;

constexpr float kFormationSpacing = 50.0f;      // between neighbouring slots
constexpr float kFormationWideSpacing = 2000.0f;
constexpr float kFormationWideApproach = 0.2f;  // the wide placement's target: this far from the leader
constexpr float kFormationGroundClearance = 10.0f;

// The largest group a placement accepts: the unit list's capacity.
constexpr int kFormationMaxUnits = 100000;

struct FormationState {
  int kind = kFormationArcs;
  int counter = 0;  // 0 before the first placement, then 1 .. kFormationCounterLength
  bool spread = false;
  int cycle = 0;    // 0 .. kFormationLastCycle
  // The frame's angles in radians. Both only grow; both are kept in [0, 2π), which leaves the frame
  // unchanged and keeps float precision after hours of flight.
  float yaw = 0;
  float pitch = 0;
  float roll = 0;  // fixed
};

// The frame's axes: a slot (u, v, w) lies at target + u·axisU + v·axisV + w·axisW. With both
// angles 0, u is world up (y), v is world x and w is world z, so the v/w plane in which the
// lines, triangles, circles and arcs are laid out is the ground plane. Yaw turns the frame about
// the world's vertical (w from +z towards +x); pitch then tips it about its own v axis, lowering
// w and leaning u towards where w pointed, so small pitches keep the formation nearly level.
struct FormationFrame {
  Vec3 axisU{0, 1, 0};
  Vec3 axisV{1, 0, 0};
  Vec3 axisW{0, 0, 1};
};

FormationFrame formationFrame(float yaw, float pitch, float roll);

// Slot i of n in frame coordinates (x = u, y = v, z = w), for the given kind and spacing. i must
// lie in [0, n); a kind outside 0..3 or an i outside the range answers (0, 0, 0).
Vec3 formationSlot(int kind, int i, int n, float spacing);

struct PlacementInput {
  float targetX = 0, targetZ = 0;  // where the group wants to go
  Vec3 leaderPosition;
  float leaderSpeed = 0;           // length of the leader's velocity
  int unitCount = 0;               // slots to place; 0 places the target alone
  float worldCeiling = 0;          // highest altitude a spread placement draws
};

enum class PlacementResult {
  kPlaced,
  kBadInput,  // a non-finite or negative value, a count out of range or no ground height
};

struct FormationPlacement {
  Vec3 target;           // the formation's centre, after the spread and the wide approach
  FormationFrame frame;
  float spacing = kFormationSpacing;
  int kind = kFormationArcs;  // the kind the slots were laid out in
  std::vector<Vec3> slots;    // world positions, one per unit
};

using GroundHeightFn = std::function<float(float x, float z)>;

// One placement: advances the shared state, draws the spread (three numbers from random when the
// spread flag is on, none when it is off), turns the frame by the target's altitude and fills out
// with the target and the n slot targets. The target never lies less than 10 units above the
// ground. The placement that restarts the counter is the wide one: spacing 2000 and a target only
// a fifth of the way from the leader, so the group fans out around its own position first.
// Bad input leaves the state, the generator and out untouched except for out.slots, which is
// emptied.
PlacementResult placeFormation(FormationState& state, const PlacementInput& input, CrtRandom& random,
                               const GroundHeightFn& groundHeight, FormationPlacement& out);

}  // namespace skyloom
