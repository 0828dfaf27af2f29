#include "aircraft/flying_unit.h"

#include <algorithm>
#include <cmath>

#include "aircraft/spatial_index.h"

namespace skyloom {

namespace {

constexpr float kTiny = 1e-13f;  // under square roots, so a zero vector never divides by zero

// Destroyed units.
constexpr float kWreckFallSpeed = 30.3f;
constexpr float kBuriedDepth = 160.05f;
constexpr float kBuryBand = 50.0f;  // a wreck this far below the ground has been buried already
constexpr float kFireTimerPeriod = 5.0f;

// Goal and nudges.
constexpr float kGoalReached = 20.1f;
constexpr float kNudge = 50.0f;
constexpr float kReachedAvoidTimer = 0.1f;

// Autopilot.
constexpr int kLookAheadSamples = 19;
constexpr float kLookAheadStart = 0.5f;
constexpr float kLookAheadStep = 0.03f;
constexpr float kMinClearance = 28.0f;
constexpr float kShortLookAhead = 300.0f;  // the shortest look-ahead length
constexpr float kAvoidTimerPerT = -0.7f;
constexpr float kStallRecoverySeconds = -5.0f;
constexpr float kStallRatio = 0.3f;
constexpr float kCosMaxNoseToPath = 0.87758256f;  // cos 0.5: half a radian from nose to path
constexpr float kSagRatio = 0.35f;
constexpr float kRightingRate = 1.5f;  // radians a second

// Integration.
constexpr float kGravity = 10.0f;
constexpr float kMaxLift = 90.0f;   // types that turn slower than 1 rad/s
constexpr float kMinLift = -60.0f;
constexpr float kGroundBounce = 0.2f;

float clampFinite(float v, float lo, float hi, float fallback) {
  if (!std::isfinite(v)) return fallback;
  return std::clamp(v, lo, hi);
}

// Rodrigues' rotation of v about the unit axis k: positive angles turn k × v's way.
Vec3 rotate(const Vec3& v, const Vec3& k, float c, float s) {
  return v * c + cross(k, v) * s + k * (dot(k, v) * (1.0f - c));
}

float horizontalDistance(float ax, float az, float bx, float bz) {
  const float dx = bx - ax, dz = bz - az;
  return std::sqrt(dx * dx + dz * dz + kTiny);
}

}  // namespace

FlightCoefficients flightCoefficients(float speed, float topSpeed, float ceiling, float y, float throttle) {
  FlightCoefficients c;
  const float s = speed / topSpeed;
  if (topSpeed > kFastTopSpeed) {
    c.altitudeFactor = 1.0f;
    c.thrust = (topSpeed + 5.0f) * throttle;
    c.liftGain = 29.9f / (0.5f * topSpeed - 0.2f) * s;
    c.drag = -700.0f * speed / (topSpeed * topSpeed) * 0.933f;
  } else {
    const float a = std::max((ceiling - y) / ceiling, 0.03f);
    c.altitudeFactor = a;
    c.thrust = (0.7f * a + 0.3f) * (0.02f * topSpeed + 5.0f) * throttle;
    c.liftGain = 29.9f / (0.01f * topSpeed - 0.2f) * a * s;
    c.drag = (-7.0f * speed / (topSpeed * topSpeed)) * (0.9f * a * a * a + 0.049f);
  }
  if (c.liftGain * speed > 1990.0f) c.liftGain = 1990.0f / speed;
  return c;
}

void FlyingUnit::prepare(float x, float y, float z) {
  topSpeed = clampFinite(topSpeed, kMinTopSpeed, kMaxTopSpeed, kMinTopSpeed);
  turnRate = clampFinite(turnRate, 0.0f, kMaxTurnRate, 0.0f);
  ceiling = clampFinite(ceiling, kMinCeiling, 1e7f, kMinCeiling);
  range = clampFinite(range, 0.0f, 1e7f, 0.0f);
  if (!std::isfinite(negatedBoundsMin.y)) negatedBoundsMin.y = 0.0f;
  if (!std::isfinite(radius) || radius <= 0.0f) radius = 1.0f;
  speed = topSpeed;
  position = {x, y, z};
  target = avoidPoint = position;
  homeX = x;
  homeZ = z;
  velocity = {};
  forward = {1, 0, 0};
  up = {0, 1, 0};
  sideAxis = {0, 0, 1};
  world = Matrix::identity();
  throttle = kStartThrottle;
}

void FlyingUnit::advanceFrame(float dt, const FlightWorld& env) {
  if (isStatic) return;
  fireTimer += dt;
  avoidTimer += dt;
  if (destroyed()) {
    stepDestroyed(dt, env);
    return;
  }
  if (fireTimer > kFireTimerPeriod) restartFireTimer();

  const Vec3 toGoal = steerDirection(env);

  if (topSpeed < kSlowTopSpeed) {
    // Slow types never climb to a target; steeply nose-up they take all the power there is.
    target.y = std::min(target.y, position.y);
    if (!manual() && forward.y > 0.2f) throttle = kNoseUpThrottle;
  }
  const FlightCoefficients c = flightCoefficients(speed, topSpeed, ceiling, position.y, throttle);

  // Below 35 % of top speed the nose sags toward the ground, the more the slower.
  if (speed < kSagRatio * topSpeed) {
    const float r = std::sqrt(forward.x * forward.x + forward.z * forward.z);
    const Vec3 axis = r > 1e-4f ? Vec3{forward.z / r, 0.0f, -forward.x / r} : -sideAxis;
    rotateAxes(axis, dt * (1.0f - speed / (kSagRatio * topSpeed)) * (0.2f * r + 0.02f));
  }

  if (manual()) {
    if (env.manual) manualStep(dt, *env.manual);
  } else {
    autopilot(dt, toGoal, env);
  }
  integrate(dt, c.thrust, c.liftGain, c.drag, c.altitudeFactor);
  groundContact(env);

  orthonormalize();  // rounding in the rotations would slowly skew the axes over hours of flight
  world = Matrix::identity();
  world.m[0][0] = forward.x, world.m[0][1] = forward.y, world.m[0][2] = forward.z;
  world.m[1][0] = up.x, world.m[1][1] = up.y, world.m[1][2] = up.z;
  world.m[2][0] = sideAxis.x, world.m[2][1] = sideAxis.y, world.m[2][2] = sideAxis.z;
  world.m[3][0] = position.x, world.m[3][1] = position.y, world.m[3][2] = position.z;
  flags &= ~kUnitMatrixDirty;
  if (env.index) env.index->update(*this);
  if (env.effects) env.effects->unitStepped(*this);
}

// A wreck falls, tumbling the faster the further its fire timer is into its hundredth of a
// second, and once down sinks out of sight for good. Its sound is let go; its trails stop.
void FlyingUnit::stepDestroyed(float dt, const FlightWorld& env) {
  const float g = env.ground(position.x, position.z);
  if (position.y > g) {
    const float k = std::floor(100.0f * fireTimer);
    const float d = (fireTimer - 0.01f * k) * dt * 100.0f;
    position.y -= kWreckFallSpeed * dt;
    heading += d;
    pitch -= d;
    roll += d;
    flags |= kUnitMatrixDirty;
  } else if (position.y > g - kBuryBand) {
    position.y = g - kBuriedDepth;
    flags |= kUnitBuried;
  }
  if (env.effects) env.effects->unitStepped(*this);
}

// The flame's flicker restarts from a phase the unit's x position picks, so units do not
// flicker in step: [0, 2.5) for most classes, [4.4, 4.8) for class 0.
void FlyingUnit::restartFireTimer() {
  const float x = position.x;
  fireTimer = classCode != 0 ? x - 2.5f * std::floor(0.4f * x) : x - 0.4f * std::floor(2.5f * x) + 4.4f;
  if (!std::isfinite(fireTimer)) fireTimer = 0.0f;
}

// The unit direction toward the goal (the avoid point while the avoid timer runs, else the
// target). A goal reached either nudges the target along so the unit keeps moving, or ends the
// detour.
Vec3 FlyingUnit::steerDirection(const FlightWorld& env) {
  const bool avoiding = avoidTimer < 0.0f;
  Vec3 toGoal = (avoiding ? avoidPoint : target) - position;
  if (std::sqrt(dot(toGoal, toGoal) + kTiny) < kGoalReached) {
    if (!avoiding) {
      switch (env.random ? env.random->next() & 3 : 2) {
        case 0:
          target.x += kNudge * std::sin(heading);
          break;
        case 1:
          target.y += kNudge * std::sin(roll + heading);
          break;
        default:
          target.z += kNudge * std::cos(heading);
          break;
      }
      toGoal = target - position;
    } else {
      avoidTimer = kReachedAvoidTimer;
    }
  }
  return toGoal * (1.0f / std::sqrt(dot(toGoal, toGoal) + kTiny));
}

void FlyingUnit::autopilot(float dt, const Vec3& toGoal, const FlightWorld& env) {
  const float inverseSpeed = 1.0f / std::sqrt(dot(velocity, velocity) + kTiny);
  const Vec3 direction = velocity * inverseSpeed;
  const float dy = direction.y;

  float clearance = 0.1f * speed + groundOffset();
  if (dy != 0.0f) clearance += 3.0f * dy * dy * dy * dy * speed;
  clearance = std::max(clearance, kMinClearance);
  // The look-ahead reaches at least 5.7 × 300 units: a type whose thrust cannot lift it
  // straight up must see a hill early enough to climb it at an angle it can hold.
  const float lookAhead = std::max(kShortLookAhead, std::max(topSpeed, speed));
  const float flat = 1.0f / std::sqrt(velocity.x * velocity.x + velocity.z * velocity.z + kTiny);
  const float hx = velocity.x * flat, hz = velocity.z * flat;

  // The ground along the path: a sample is in the way when it lies less than the clearance
  // above the ground; the best-scoring sample (high ground near, weighted toward the near end)
  // decides how hard to climb.
  float t = kLookAheadStart;
  Vec3 sample = position;
  bool blocked = false;
  float bestScore = -10000.0f, bestT = t;
  Vec3 best = position;
  for (int k = 1; k <= kLookAheadSamples; ++k) {
    const float step = kLookAheadStep * static_cast<float>(k);
    t += step;
    sample += Vec3{lookAhead * hx, lookAhead * dy, lookAhead * hz} * step;
    const float e = env.ground(sample.x, sample.z) - sample.y + clearance;
    if (e > 0.0f) blocked = true;
    const float score = (2.0f * e + sample.y - position.y) / t + 2.0f;
    if (score > bestScore) {
      bestScore = score;
      bestT = t;
      best = sample;
    }
  }

  if (blocked) {
    // Climb over it, and aim past the obstacle toward the target.
    avoidPoint.y = position.y + bestT * bestScore;
    const float inverse = 1.0f / horizontalDistance(best.x, best.z, target.x, target.z);
    const float reach = 0.1f * bestT * lookAhead * inverse;
    avoidPoint.x = best.x + (target.x - best.x) * reach;
    avoidPoint.z = best.z + (target.z - best.z) * reach;
    const float over = 2.0f * (env.ground(avoidPoint.x, avoidPoint.z) + clearance) - best.y;
    avoidPoint.y = std::max(avoidPoint.y, over);
  } else {
    // The way is clear: fly to the target, but not lower than a glide that keeps the rising
    // ground ahead in view.
    avoidPoint = target;
    const float toTarget = horizontalDistance(position.x, position.z, target.x, target.z);
    const float raised =
        position.y + ((bestT * bestScore + position.y + best.y) / 2.0f - position.y) / bestT * (toTarget / lookAhead);
    avoidPoint.y = std::max(avoidPoint.y, raised);
  }
  avoidTimer = kAvoidTimerPerT * bestT;

  const float s = speed / topSpeed;
  if (s < kStallRatio || (topSpeed > 49.0f && speed < 35.0f) || speed < 15.0f) {
    // Too slow to fly: full power and nose down along the way until flying speed is back.
    avoidTimer = kStallRecoverySeconds;
    throttle = 1.0f;
    avoidPoint.x = best.x + hx * topSpeed * 5.0f;
    avoidPoint.z = best.z + hz * topSpeed * 5.0f;
    avoidPoint.y = std::min(avoidPoint.y, position.y);
    target.y = std::min(target.y, position.y);
  }

  // Turn the nose toward the goal, never past it, and never more than half a radian away from
  // the flight path: a nose pulled further than the wing can carry the path after it leaves
  // the unit mushing down with its lift pointing backward, which near the ground ends on it.
  const Vec3 miss = toGoal - forward;
  const float missLength = length(miss);
  if (missLength > 0.001f) {
    Vec3 axis = cross(forward, toGoal);
    const float axisLength = length(axis);
    axis = axisLength > 1e-7f ? axis * (1.0f / axisLength) : up;  // straight behind: turn flat
    const float between = 2.0f * std::asin(std::min(missLength * 0.5f, 1.0f));
    const float turn = dt * turnRate * 5.0f * std::min(std::min(missLength, 1.0f), turnRate);
    const Vec3 oldForward = forward, oldUp = up, oldSide = sideAxis;
    const float pathBefore = dot(forward, direction);
    rotateAxes(axis, std::min(turn, between));
    const float pathAfter = dot(forward, direction);
    if (speed > 1.0f && pathAfter < kCosMaxNoseToPath && pathAfter < pathBefore) {
      forward = oldForward, up = oldUp, sideAxis = oldSide;
    }
  }

  // Bank so the up axis lines up with the line along which the velocity slips off the nose: the
  // lift, which works both ways along up, then pulls the flight path round after the nose. Of
  // the two directions along that line the upper one is taken. Taken as it points, a unit
  // sinking onto its wing (velocity a little below the nose, as in any level flight that
  // carries its weight) is rolled toward its back a little more every frame; flown over the
  // generated landscapes, half the fleet's time was spent upside down.
  const Vec3 slip = cross(direction, forward);
  const float slipLength = length(slip);
  if (slipLength > 1e-7f) {
    Vec3 n = normalize(direction - forward * dot(direction, forward));
    if (n.y < 0.0f) n = -n;
    Vec3 axis = cross(up, n);
    const float sine = length(axis);
    if (sine > 1e-7f) {
      const float theta = std::asin(std::min(sine, 1.0f));
      float angle = std::min(2.0f, (theta + 0.1f) * slipLength * 200.0f) * dt;
      if (angle > theta) angle = theta * 0.5f;
      rotateAxes(axis * (1.0f / sine), angle);
    }
  }

  // Nothing above rights a unit that a loop or a steep turn has left on its back, and the lift,
  // working both ways along up, lets it fly on that way: roll it back upright about its nose.
  if (up.y < 0.0f) {
    const Vec3 level = Vec3{0.0f, 1.0f, 0.0f} - forward * forward.y;  // world up across the nose
    const float levelLength = length(level);
    if (levelLength > 0.1f) {
      const Vec3 target = level * (1.0f / levelLength);
      Vec3 axis = cross(up, target);
      const float sine = length(axis);
      const float between = std::atan2(sine, dot(up, target));
      axis = sine > 1e-6f ? axis * (1.0f / sine) : forward;
      rotateAxes(axis, std::min(kRightingRate * dt, between));
    }
  }
}

void FlyingUnit::manualStep(float dt, ManualControl& m) {
  constexpr float pMax = ManualControl::kMaxPitchRate, qMax = ManualControl::kMaxRollRate;
  const float s = speed / topSpeed;
  const float s2 = s * s;
  const float step = 5.0f * s2 * dt;
  const float pitchCap = 5.5f * s2, rollCap = 19.9f * s2;
  // Shift and Ctrl give the arrows to the camera: the rates only decay.
  const bool free = !m.keys.shift && !m.keys.control;
  auto pitchKey = [&](bool held, float& acc) {
    acc = held && free ? std::min(acc + (acc <= 0.1f ? step * 0.2f : step), pitchCap) : 0.0f;
  };
  auto rollKey = [&](bool held, float& acc) {
    acc = held && free ? std::min(acc + (acc <= 0.1f ? step : 5.0f * step), rollCap) : 0.0f;
  };
  pitchKey(m.keys.up, m.upAcceleration);
  pitchKey(m.keys.down, m.downAcceleration);
  rollKey(m.keys.right, m.rightAcceleration);
  rollKey(m.keys.left, m.leftAcceleration);

  float& p = m.pitchRate;
  float& q = m.rollRate;
  if (m.upAcceleration > 0.0f) p = std::max(p - (p / pMax + 1.0f) * m.upAcceleration * dt * 0.5f, -0.6f * pMax);
  if (m.downAcceleration > 0.0f) p = std::min(p + (1.0f - p / pMax) * m.downAcceleration * dt, pMax);
  if (m.rightAcceleration > 0.0f) q = std::max(q - m.rightAcceleration * dt, -qMax);
  if (m.leftAcceleration > 0.0f) q = std::min(q + m.leftAcceleration * dt, qMax);
  p *= std::max(0.5f, 1.0f - 2.0f * dt);
  q *= std::max(0.5f, 1.0f - 4.0f * dt);

  rotateAxes(normalize(forward), q * dt);
  rotateAxes(normalize(sideAxis), p * dt);
  orthonormalize();
}

void FlyingUnit::orthonormalize() {
  forward = normalize(forward);
  up = normalize(cross(sideAxis, forward));
  sideAxis = cross(forward, up);
}

void FlyingUnit::integrate(float dt, float thrust, float liftGain, float drag, float a) {
  const Vec3 w = cross(forward, cross(forward, velocity));  // minus the velocity across the nose
  float lift = dot(w, up) * speed * 0.002f * liftGain;
  if (turnRate < 1.0f) {
    lift = std::min(lift, kMaxLift);
    if (lift < 0.0f) lift = std::max(lift * 0.99f, kMinLift);
  }
  const Vec3 liftVector = (up * (lift + 0.03f * speed) + w * 0.1f) * a;
  const Vec3 inducedDrag = velocity * (std::fabs(lift) * 0.02f / std::sqrt(speed * speed + kTiny));
  acceleration = forward * thrust + velocity * drag + liftVector - inducedDrag - Vec3{0.0f, kGravity, 0.0f};
  velocity += acceleration * dt;
  speed = length(velocity);
  position += velocity * dt;
}

void FlyingUnit::groundContact(const FlightWorld& env) {
  const float floor = env.ground(position.x, position.z) + groundOffset();
  if (position.y < floor) {
    position.y = floor;
    if (velocity.y < 0.0f) velocity.y = -kGroundBounce * velocity.y;
    ++groundContacts;
  }
}

void FlyingUnit::rotateAxes(const Vec3& axis, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  forward = rotate(forward, axis, c, s);
  up = rotate(up, axis, c, s);
  sideAxis = rotate(sideAxis, axis, c, s);
}

}  // namespace skyloom
