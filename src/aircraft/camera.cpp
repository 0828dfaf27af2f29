#include "aircraft/camera.h"

#include <algorithm>
#include <cmath>

#include "config/camera_settings.h"

namespace skyloom {
namespace {

constexpr float kPi = 3.14159265f;
constexpr Vec3 kWorldUp{0, 1, 0};

// Modifier factors: Ctrl for fine placing, Shift to cross the map.
constexpr float kSlowFactor = 0.03f;
constexpr float kFastThrust = 50.0f;
constexpr float kFastTurn = 2.0f;

// The free camera's first-order lags. Thrust settles at input / drag; the gains set how fast.
constexpr float kThrustDrag = 0.02f;
constexpr float kHorizontalGain = 50.0f;
constexpr float kVerticalGain = 5.0f;
constexpr float kTurnDrag = 0.1f;
constexpr float kTurnGain = 10.0f;
constexpr float kTurnScale = 0.15f;   // radians per unit of turn rate and second
constexpr float kHoverPull = 9.8f;    // the strongest downward pull towards the floor
// The lags are integrated explicitly; their time constants are about a second, so a long frame
// (a stall, the first frame after a pause) is stepped in pieces or the velocities would swing
// up instead of settling.
constexpr float kLongestPhysicsStep = 0.1f;

constexpr float kDistanceRate = 30.0f;  // metres per second for the distance keys
constexpr float kSmoothing = 0.9f;
constexpr int kDistanceSteps = 16;
constexpr float kDistanceStep = 25.0f;
constexpr float kShortestAutomaticDistance = 15.0f;
constexpr float kTinyLength = 1e-4f;

void setRow(Matrix& m, int r, const Vec3& v) {
  m.m[r][0] = v.x;
  m.m[r][1] = v.y;
  m.m[r][2] = v.z;
}

Matrix frameOf(const Vec3& x, const Vec3& y, const Vec3& z) {
  Matrix m = Matrix::identity();
  setRow(m, 0, x);
  setRow(m, 1, y);
  setRow(m, 2, z);
  return m;
}

// The rotation part alone, so products of placements do not mix in translations.
Matrix rotationOf(const Matrix& m) {
  Matrix r = m;
  r.m[3][0] = r.m[3][1] = r.m[3][2] = 0.0f;
  r.m[0][3] = r.m[1][3] = r.m[2][3] = 0.0f;
  r.m[3][3] = 1.0f;
  return r;
}

bool finite(const Matrix& m) {
  for (const auto& r : m.m) {
    for (float v : r) {
      if (!std::isfinite(v)) return false;
    }
  }
  return true;
}

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

float clampUnit(float v) { return std::clamp(v, -1.0f, 1.0f); }

int axis(bool plus, bool minus) { return (plus ? 1 : 0) - (minus ? 1 : 0); }

}  // namespace

Matrix cameraProjection(float fieldOfView, float aspect, float zNear, float zFar) {
  const float w = zNear * std::tan(fieldOfView / 2);
  const float h = w / aspect;
  return perspectiveOffCenterLH(-w, w, -h, h, zNear, zFar);
}

Camera::Camera(CameraRecord& record, CameraInput input, GroundFn ground)
    : record_(record), input_(input), ground_(std::move(ground)) {
  restoreState();
}

void Camera::restoreState() {
  CameraRecord& r = record_;
  if (!finite(row(r.freeView, 3))) {
    const Matrix start = CameraRecord::startView();
    for (int c = 0; c < 3; ++c) r.freeView.m[3][c] = start.m[3][c];
  }
  orthonormalizeRotation(r.freeView);
  r.freeView.m[0][3] = r.freeView.m[1][3] = r.freeView.m[2][3] = 0.0f;
  r.freeView.m[3][3] = 1.0f;
  if (r.mode < 0 || r.mode > kLookAtMode) r.mode = kFreeMode;
  if (!(r.followDistance > 0.0f) || !std::isfinite(r.followDistance)) r.followDistance = kDefaultFollowDistance;
  r.followDistance = std::max(r.followDistance, r.minFollowDistance);
  offset_ = (r.mode == kFreeMode || r.mode == kLookAtMode) ? r.freeView : r.slots[r.mode].offset;
  orthonormalizeRotation(offset_);
  floorHeight_ = r.freeView.m[3][1];
  linearVelocity_ = angularVelocity_ = smoothedVelocity_ = {};
  havePreviousEye_ = false;
  userMode_ = r.mode;
  lastFollowMode_ = r.mode == kFreeMode ? 1 : r.mode;
  automatic_ = false;
  autoTimer_ = 0;
  world_ = r.freeView;
  if (r.mode != kFreeMode) placeFollowView();
  publish(0.0f);
}

float Camera::ground(float x, float z) const {
  if (!ground_) return 0.0f;
  const float g = ground_(x, z);
  return std::isfinite(g) ? g : 0.0f;
}

bool Camera::keyDown(int binding) const {
  const int code = record_.keys[binding];
  return code >= 0 && code < 256 && input_.keys[static_cast<std::size_t>(code)] != 0;
}

// The mode keys act once per press: the entry is cleared when taken, and the window's next
// key-down (autorepeat included) sets it again.
bool Camera::takeKey(int virtualKey) {
  std::uint8_t& k = input_.keys[static_cast<std::size_t>(virtualKey)];
  if (k == 0) return false;
  k = 0;
  return true;
}

void Camera::advanceFrame(float dt) {
  if (!(dt > 0.0f)) dt = 0.0f;
  dt = std::min(dt, kLongestCameraStep);
  runAutomaticChange(dt);
  handleModeKeys();
  if (record_.mode != kFreeMode) changeDistance(dt);
  const Steering steering = readSteering();
  for (float left = dt; left > 0.0f; left -= kLongestPhysicsStep) {
    stepFreeView(steering, std::min(left, kLongestPhysicsStep));
  }
  orthonormalizeRotation(record_.freeView);  // turning a little every frame drifts the axes
  keepFreeViewInBounds();
  if (record_.mode == kFreeMode) {
    world_ = record_.freeView;
  } else {
    placeFollowView();
  }
  publish(dt);
}

// Idle time counts here and is reset by the window's input handling. After a minute of
// nobody touching the machine the camera shows another unit, another mode and another distance
// every quarter minute; the first frame after any input goes back to the user's own mode.
void Camera::runAutomaticChange(float dt) {
  float& idle = input_.idleSeconds;
  if (!(idle >= 0.0f) || !std::isfinite(idle)) idle = 0.0f;
  idle += dt;
  if (idle <= kIdleBeforeAutomatic) {
    if (automatic_) {
      automatic_ = false;
      setMode(userMode_);
    }
    return;
  }
  if (!automatic_) {
    automatic_ = true;
    userMode_ = record_.mode;
    autoTimer_ = 0.0f;
  }
  autoTimer_ += dt;
  if (autoTimer_ <= kAutomaticInterval) return;
  autoTimer_ = 0.0f;
  if (followNext_) followNext_();
  const long seconds = static_cast<long>(std::floor(idle));
  int m = record_.mode + static_cast<int>(seconds % 4);
  if (m > kLookAtMode) m -= 8;
  if (m == kFreeMode) m = 1;
  setMode(m);
  // Not closer than the unit allows: a large aircraft would otherwise swallow the camera.
  const float d = static_cast<float>(seconds % kDistanceSteps) * kDistanceStep + kShortestAutomaticDistance;
  record_.followDistance = std::max(d, record_.minFollowDistance);
}

void Camera::handleModeKeys() {
  if (takeKey(kKeyNextMode)) {
    const int current = record_.mode;
    record_.slots[current].offset = offset_;
    record_.slots[current].distance = record_.followDistance;
    setMode(current >= kLookAtMode ? 1 : current + 1);
  }
  if (takeKey(kKeyFreeToggle)) {
    if (record_.mode != kFreeMode) {
      lastFollowMode_ = record_.mode;
      setMode(kFreeMode);
    } else {
      setMode(lastFollowMode_);
    }
  }
  if (takeKey(kKeyFillMode)) ++input_.fillMode;
}

void Camera::changeDistance(float dt) {
  float& d = record_.followDistance;
  if (keyDown(kKeyCloser)) d = std::max(d - kDistanceRate * dt, record_.minFollowDistance);
  if (keyDown(kKeyFarther)) d += kDistanceRate * dt;
}

// In the follow modes the steering keys move the free view only while a modifier is held, so
// the arrows stay free for the aircraft.
Camera::Steering Camera::readSteering() const {
  Steering s;
  const bool slow = keyDown(kKeySlow), fast = keyDown(kKeyFast);
  if (record_.mode != kFreeMode && !slow && !fast) return s;
  float thrustFactor = 1.0f, turnFactor = 1.0f;
  if (slow) thrustFactor *= kSlowFactor, turnFactor *= kSlowFactor;
  if (fast) thrustFactor *= kFastThrust, turnFactor *= kFastTurn;
  s.rise = keyDown(kKeyRise);
  s.sink = keyDown(kKeySink);
  s.thrust = Vec3{static_cast<float>(axis(keyDown(kKeySlideRight), keyDown(kKeySlideLeft))),
                  static_cast<float>(axis(s.rise, s.sink)),
                  static_cast<float>(axis(keyDown(kKeyForward), keyDown(kKeyBack)))} * thrustFactor;
  s.turn = Vec3{static_cast<float>(axis(keyDown(kKeyTurnRight), keyDown(kKeyTurnLeft))),
                static_cast<float>(axis(keyDown(kKeyPitchUp), keyDown(kKeyPitchDown))),
                static_cast<float>(axis(keyDown(kKeyRollLeft), keyDown(kKeyRollRight)))} * turnFactor;
  return s;
}

void Camera::stepFreeView(const Steering& s, float dt) {
  const float pull = record_.mode == kFreeMode ? hoverPull(s, dt) : 0.0f;
  Vec3& v = linearVelocity_;
  v.x += (s.thrust.x - kThrustDrag * v.x) * kHorizontalGain * dt;
  v.y += ((s.thrust.y - kThrustDrag * v.y) * kVerticalGain - pull) * dt;
  v.z += (s.thrust.z - kThrustDrag * v.z) * kHorizontalGain * dt;
  angularVelocity_ += (s.turn - angularVelocity_ * kTurnDrag) * (kTurnGain * dt);
  moveFreeView(dt);
}

// The free camera hovers: let go of rise and sink and it settles on its floor, the height it
// was last lifted to or sunk to, never below the ground.
float Camera::hoverPull(const Steering& s, float dt) {
  const float eyeY = record_.freeView.m[3][1];
  float pull = 0.0f;
  if (!s.rise && !s.sink) {
    const float floor = std::max(floorHeight_, ground(record_.freeView.m[3][0], record_.freeView.m[3][2]) + kEyeAboveGround);
    pull = std::clamp(eyeY - floor, 0.0f, kHoverPull);
  }
  if (s.rise) {
    linearVelocity_.y = std::max(linearVelocity_.y, 0.0f);
    floorHeight_ = eyeY;
  }
  if (s.sink) floorHeight_ += linearVelocity_.y * dt;
  if (floorHeight_ > kCameraCeiling) {
    floorHeight_ = kCameraCeiling;
    linearVelocity_.y = 0.0f;
  }
  return pull;
}

// Yaw turns about the world's vertical so the horizon stays level; pitch and roll turn about
// the camera's own axes. Positive rates turn right, raise the look and roll the camera left.
void Camera::moveFreeView(float dt) {
  Matrix& f = record_.freeView;
  const Vec3 eye = row(f, 3);
  Matrix r = rotationOf(f) * rotationY(kTurnScale * angularVelocity_.x * dt);
  Vec3 moved = eye + row(r, 1) * (linearVelocity_.y * dt);
  moved += row(r, 0) * (linearVelocity_.x * dt) + row(r, 2) * (linearVelocity_.z * dt);
  r = rotationX(-kTurnScale * angularVelocity_.y * dt) * r;
  r = rotationZ(kTurnScale * angularVelocity_.z * dt) * r;
  f = r;
  setRow(f, 3, moved);
}

// Free mode: between its floor (or the ground + 1.5) and the ceiling. Moved behind the scenes
// in a follow mode, the free view keeps above the ground and below the ceiling too, since the
// looking-at mode stands on its eye.
void Camera::keepFreeViewInBounds() {
  Matrix& f = record_.freeView;
  if (!finite(f)) {
    // Whatever led here (a ground function answering nonsense), start again where a new
    // camera starts rather than publish a broken view every frame from now on.
    f = CameraRecord::startView();
    linearVelocity_ = angularVelocity_ = {};
    floorHeight_ = f.m[3][1];
  }
  groundLimit_ = ground(f.m[3][0], f.m[3][2]) + kEyeAboveGround;
  float lowest = groundLimit_;
  if (record_.mode == kFreeMode) lowest = std::max(lowest, floorHeight_);
  f.m[3][1] = std::max(std::min(f.m[3][1], kCameraCeiling), lowest);
}

void Camera::setTarget(const Matrix& unitWorld, const Vec3& unitVelocity) {
  if (!finite(unitWorld) || !finite(unitVelocity)) return;
  target_ = unitWorld;
  haveTarget_ = true;
  if (record_.mode >= 1 && record_.mode <= 6) targetVelocity_ = unitVelocity;
  if (record_.mode != kFreeMode) placeFollowView();
}

void Camera::follow(FollowedView& followed) {
  if (followed.distanceChanged) {
    setDistance(followed.distance);
    followed.distanceChanged = false;
  }
  if (followed.valid) setTarget(followed.world, followed.velocity);
}

// The follow placements. The unit's nose is its x axis and the camera looks along its own z,
// so the level frame of mode 3 looks across the unit, from its left side (the unit's side axis
// is forward × up); mode 4 tilts that frame with the unit's pitch.
void Camera::placeFollowView() {
  const int mode = record_.mode;
  if (mode == kFreeMode || !haveTarget_) return;
  const Vec3 target = row(target_, 3);
  Matrix frame = Matrix::identity();
  if (mode == kLookAtMode) {
    const Vec3 eye = row(record_.freeView, 3);
    const Vec3 toTarget = target - eye;
    if (length(toTarget) < kTinyLength) return;  // on the target: keep the last direction
    const Vec3 z = normalize(toTarget);
    Vec3 x = cross(kWorldUp, z);
    x = length(x) < kTinyLength ? right() : normalize(x);
    world_ = frameOf(x, cross(z, x), z);
    setRow(world_, 3, eye);
    return;
  }
  const Vec3 forward = row(target_, 0);
  if (mode == 3) {
    Vec3 look{forward.z, 0.0f, -forward.x};
    look = length(look) < kTinyLength ? Vec3{0, 0, 1} : normalize(look);
    frame = frameOf(cross(kWorldUp, look), kWorldUp, look);
  } else if (mode == 4) {
    const Vec3 f = length(forward) < kTinyLength ? Vec3{1, 0, 0} : normalize(forward);
    Vec3 side = cross(f, kWorldUp);
    // Nose straight up or down: the unit's own side axis says which way is across.
    if (length(side) < kTinyLength) side = row(target_, 2);
    side = length(side) < kTinyLength ? Vec3{0, 0, 1} : normalize(side);
    frame = frameOf(-f, normalize(cross(side, f)), -side);
  } else if (mode == 5 || mode == 6) {
    frame = rotationOf(target_);
    orthonormalizeRotation(frame);  // a scaled unit matrix must not scale the distance
  }
  world_ = rotationOf(offset_) * frame;
  setRow(world_, 3, target - row(world_, 2) * record_.followDistance);
}

void Camera::setDistance(float d) {
  if (!(d > 0.0f) || !std::isfinite(d)) return;
  record_.minFollowDistance = d;
  record_.followDistance = std::max(record_.followDistance, d);
}

void Camera::setMode(int m) {
  if (m > kLookAtMode) m %= 8;
  if (m < 0) m = kFreeMode;
  record_.mode = m;
  CameraModeSlot& slot = record_.slots[m];
  offset_ = (m == kFreeMode || m == kLookAtMode) ? record_.freeView : slot.offset;
  orthonormalizeRotation(offset_);
  float d = slot.distance;
  if (!(d > 0.0f) || !std::isfinite(d)) d = kDefaultFollowDistance;
  record_.followDistance = std::max(d, record_.minFollowDistance);
  placeFollowView();
}

Matrix Camera::projection(int kind, float zNear, float zFar) {
  Matrix& p = projections_[kind == 2 ? 1 : 0];
  p = cameraProjection(fieldOfView_, aspect_, zNear, zFar);
  return p;
}

void Camera::publish(float dt) {
  if (!finite(world_)) world_ = record_.freeView;
  Matrix inverted;
  if (inverse(world_, inverted)) view_ = inverted;
  record_.view = world_;
  const Vec3 e = eye();
  if (havePreviousEye_ && dt > 0.0f) {
    smoothedVelocity_ = smoothedVelocity_ * kSmoothing + (e - previousEye_) * ((1.0f - kSmoothing) / dt);
    if (!finite(smoothedVelocity_)) smoothedVelocity_ = {};
  }
  previousEye_ = e;
  havePreviousEye_ = true;
  speed_ = std::min(length(smoothedVelocity_), kFastestCamera);
  measureAttitude();
}

// Heading from the look direction's x over its horizontal length, mirrored for the half of
// the circle with positive z so it grows as the camera turns right; pitch is the look's
// elevation; roll is the angle of the up vector from the level up, past ±π/2 when upside down.
void Camera::measureAttitude() {
  const Vec3 l = normalize(look());
  const float flat = std::sqrt(l.x * l.x + l.z * l.z);
  if (flat > kTinyLength) {
    heading_ = std::acos(clampUnit(l.x / flat));
    if (l.z > 0.0f) heading_ = 2.0f * kPi - heading_;
  }
  pitch_ = kPi / 2 - std::acos(clampUnit(l.y));
  Vec3 levelRight = cross(kWorldUp, l);
  levelRight = length(levelRight) < kTinyLength ? normalize(right()) : normalize(levelRight);
  const Vec3 levelUp = cross(l, levelRight);
  const Vec3 u = up();
  roll_ = std::atan2(dot(u, levelRight), dot(u, levelUp));
}

}  // namespace skyloom
