#include "aircraft/formation.h"

#include <cmath>

namespace skyloom {
namespace {

constexpr float kTwoPi = 6.28318530717958647692f;

// How fast the frame turns per unit of target altitude: a target at 5000 turns it by about a
// tenth of a revolution, one at ground level hardly at all.
constexpr float kYawPerAltitude = 0.000037f;
constexpr float kPitchPerAltitude = 0.00003f;

// The spread's jitter: j·rand() − j·16364 reaches about 16364 j either side of the target, where
// j = (18 · leader speed + 2000) / 32767, so faster groups scatter further.
constexpr float kJitterPerSpeed = 18.0f;
constexpr float kJitterBase = 2000.0f;
constexpr float kJitterCentre = 16364.0f;

// Arcs of five on a circle of twelve steps; the outer arcs sit this many radii out.
constexpr int kArcLength = 5;
constexpr float kArcSteps = 12.0f;
constexpr float kArcCircleSlots = 13.0f;

constexpr float kSin60 = 0.866f;

// The world spans 100000 units; anything beyond this is not a position or a speed but garbage,
// and rejecting it keeps every sum below finite.
constexpr float kMaxMagnitude = 1.0e7f;

bool sane(float v) { return std::isfinite(v) && std::fabs(v) <= kMaxMagnitude; }

bool validInput(const PlacementInput& in) {
  return sane(in.targetX) && sane(in.targetZ) && sane(in.leaderPosition.x) &&
         sane(in.leaderPosition.y) && sane(in.leaderPosition.z) && sane(in.leaderSpeed) &&
         in.leaderSpeed >= 0 && sane(in.worldCeiling) && in.worldCeiling >= 0 &&
         in.unitCount >= 0 && in.unitCount <= kFormationMaxUnits;
}

bool validState(const FormationState& s) {
  return s.kind >= 0 && s.kind < kFormationKinds && s.counter >= 0 &&
         s.counter <= kFormationCounterLength && s.cycle >= 0 && s.cycle <= kFormationLastCycle &&
         std::isfinite(s.yaw) && std::isfinite(s.pitch) && std::isfinite(s.roll);
}

float wrapAngle(float a) {
  float r = std::fmod(a, kTwoPi);
  if (r < 0) r += kTwoPi;
  return r < kTwoPi ? r : 0.0f;  // fmod of a value just below a multiple can round up to 2π
}

// Moves the counter on by one placement; answers whether this placement restarted it.
bool advanceCounter(FormationState& s) {
  bool restarted = s.counter >= kFormationCounterLength;
  if (restarted) {
    s.counter = 1;
    s.kind = (s.kind + 1) % kFormationKinds;
    if (s.kind == kFormationLine && ++s.cycle > kFormationLastCycle) {
      s.cycle = 0;
      s.spread = false;
    }
  } else {
    ++s.counter;
  }
  if (s.counter == kFormationSpreadOnAt || s.counter == kFormationSpreadOffAt) s.spread = !s.spread;
  return restarted;
}

// Raises y to the clearance above the ground at (x, z). A ground height that is not a number
// (outside any terrain) leaves y as it is.
void keepAboveGround(Vec3& p, const GroundHeightFn& groundHeight) {
  float lowest = groundHeight(p.x, p.z) + kFormationGroundClearance;
  if (std::isfinite(lowest) && p.y < lowest) p.y = lowest;
}

Vec3 spreadTarget(const PlacementInput& in, bool spread, CrtRandom& random) {
  Vec3 t{in.targetX, 0.0f, in.targetZ};
  if (!spread) return t;
  float j = (in.leaderSpeed * kJitterPerSpeed + kJitterBase) / static_cast<float>(kRandomMax);
  t.x += j * static_cast<float>(random.next()) - j * kJitterCentre;
  t.z += j * static_cast<float>(random.next()) - j * kJitterCentre;
  t.y = static_cast<float>(random.next()) * in.worldCeiling / static_cast<float>(kRandomMax);
  return t;
}

Vec3 lineSlot(int i, int n, float m) {
  int half = n / 2;
  float w = i <= half ? m * static_cast<float>(i) + 1000.0f
                      : m * static_cast<float>(half - i) - 1000.0f;
  return {0.0f, 0.0f, w};
}

// The first 3P units walk the three sides of a triangle of side P·m; the rest stand in a column
// from the first corner, each one spacing higher and one further back.
Vec3 triangleSlot(int i, int n, float m) {
  int p = n / 3;
  int q = 3 * p;
  float side = m * static_cast<float>(p);
  if (i < p) return {0.0f, 0.0f, m * static_cast<float>(i)};
  if (i < 2 * p) {
    float along = m * static_cast<float>(i - p);
    return {0.0f, kSin60 * along, side - 0.5f * along};
  }
  if (i < q) {
    return {0.0f, kSin60 * m * static_cast<float>(q - i), side - 0.5f * m * static_cast<float>(i - p)};
  }
  return {m * static_cast<float>(i - q), 0.0f, m * static_cast<float>(q - i - 1)};
}

Vec3 circleSlot(int i, int n, float m) {
  float l = m * static_cast<float>(n + 2) / kTwoPi;
  float h = kTwoPi / static_cast<float>(n);
  float a = kTwoPi - static_cast<float>(i) * h;
  return {0.0f, l * std::cos(a), l * std::sin(a)};
}

Vec3 arcSlot(int i, int n, float m) {
  float l = kArcCircleSlots * m / kTwoPi;
  float h = kTwoPi / kArcSteps;
  int arcs = (n + kArcLength - 1) / kArcLength;
  int r = i / kArcLength;
  float a = kTwoPi - h * static_cast<float>(i % kArcLength);
  Vec3 s{0.0f, l * std::cos(a), l * std::sin(a)};
  if (r > 0) {
    // r > 0 means at least two arcs, so the divisor below is at least 1.
    float g = kTwoPi / static_cast<float>(arcs - 1);
    float b = l * (0.6f * static_cast<float>(arcs + 2) + 15.0f);
    float around = kTwoPi - g * static_cast<float>(r);
    s.y += b * std::cos(around);
    s.z += b * std::sin(around);
  }
  return s;
}

Vec3 toWorld(const Vec3& origin, const FormationFrame& f, const Vec3& slot) {
  return origin + f.axisU * slot.x + f.axisV * slot.y + f.axisW * slot.z;
}

}  // namespace

FormationFrame formationFrame(float yaw, float pitch, float roll) {
  // Roll about w, then pitch about v, then yaw about the vertical: applied in this order the pitch
  // tips the frame about its own (already yawed) v axis.
  Matrix r = multiply(multiply(rotationZ(roll), rotationX(pitch)), rotationY(yaw));
  FormationFrame f;
  f.axisU = transformNormal({0, 1, 0}, r);
  f.axisV = transformNormal({1, 0, 0}, r);
  f.axisW = transformNormal({0, 0, 1}, r);
  return f;
}

Vec3 formationSlot(int kind, int i, int n, float spacing) {
  if (i < 0 || i >= n) return {};
  switch (kind) {
    case kFormationLine: return lineSlot(i, n, spacing);
    case kFormationTriangle: return triangleSlot(i, n, spacing);
    case kFormationCircle: return circleSlot(i, n, spacing);
    case kFormationArcs: return arcSlot(i, n, spacing);
    default: return {};
  }
}

PlacementResult placeFormation(FormationState& state, const PlacementInput& input, CrtRandom& random,
                               const GroundHeightFn& groundHeight, FormationPlacement& out) {
  out.slots.clear();
  if (!groundHeight || !validInput(input) || !validState(state)) return PlacementResult::kBadInput;

  bool wide = advanceCounter(state);
  Vec3 target = spreadTarget(input, state.spread, random);
  keepAboveGround(target, groundHeight);

  state.yaw = wrapAngle(state.yaw + target.y * kYawPerAltitude);
  state.pitch = wrapAngle(state.pitch + target.y * kPitchPerAltitude);

  float spacing = kFormationSpacing;
  if (wide) {
    spacing = kFormationWideSpacing;
    const Vec3& leader = input.leaderPosition;
    target = leader + (target - leader) * kFormationWideApproach;
    // A fifth of the way between two points above the ground can still be inside a hill.
    keepAboveGround(target, groundHeight);
  }

  out.target = target;
  out.frame = formationFrame(state.yaw, state.pitch, state.roll);
  out.spacing = spacing;
  out.kind = state.kind;
  out.slots.reserve(static_cast<std::size_t>(input.unitCount));
  for (int i = 0; i < input.unitCount; ++i) {
    // A tipped frame can put slots of a wide formation far below its centre: none is left
    // under the ground, where its unit could only fly into the hill.
    Vec3 slot = toWorld(target, out.frame, formationSlot(state.kind, i, input.unitCount, spacing));
    keepAboveGround(slot, groundHeight);
    out.slots.push_back(slot);
  }
  return PlacementResult::kPlaced;
}

}  // namespace skyloom
