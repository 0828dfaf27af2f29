#pragma once
// Camera: the one eye of the scene. A free camera steered from the keyboard, seven modes that
// follow the unit the unit list chooses, and an automatic change of unit and mode when nobody
// has touched the machine for a minute.
//
// Matrix convention. The camera keeps its placement as a world matrix whose rows are right,
// up, look and eye (the row-vector convention of core/math.h: a point in camera space times
// world() is the world point). The stored free view and the slot offsets are placements in
// the same form. The device's view transform is its inverse, view().
//
// The camera works on its settings record: mode, the eight slots, the free view and the follow
// distance live there, so what a run leaves is what the next one starts from. Everything else
// (velocities, the hover floor, the idle state) belongs to the run.
//
// It is portable: keys arrive as the shared array of 256 key states by virtual-key code, the
// idle seconds and the fill-mode value by reference, the ground through a function.

#include <cstdint>
#include <functional>
#include <span>

#include "aircraft/unit_list.h"
#include "config/settings_records.h"
#include "core/math.h"

namespace skyloom {

// Projection of a camera: horizontal field of view in radians, aspect width / height, near and
// far planes. Half the near plane's width is tan(fieldOfView / 2) · zNear, half its height that
// divided by the aspect.
Matrix cameraProjection(float fieldOfView, float aspect, float zNear, float zFar);

// What the camera reads and changes of the shared input state; all three outlive the camera.
struct CameraInput {
  std::span<std::uint8_t, 256> keys;  // non-zero while down; the mode keys are cleared when used
  float& idleSeconds;                 // counted up here, set to 0 by any key, button or mouse move
  int& fillMode;                      // "M" increments it
};

// Binding indices into CameraRecord::keys.
enum CameraKey : int {
  kKeyForward = 0,
  kKeyBack,
  kKeySlideLeft,
  kKeySlideRight,
  kKeyRise,
  kKeySink,
  kKeyTurnLeft,
  kKeyTurnRight,
  kKeyPitchUp,
  kKeyPitchDown,
  kKeyCloser,    // follow distance down
  kKeyFarther,   // follow distance up
  kKeyRollRight,
  kKeyRollLeft,
  kKeySlow,
  kKeyFast,
};

// The mode keys, by virtual-key code.
constexpr int kKeyNextMode = 'C';
constexpr int kKeyFreeToggle = 'F';
constexpr int kKeyFillMode = 'M';

constexpr int kFreeMode = 0;
constexpr int kLookAtMode = 7;           // stands at the free view's eye and turns to the unit
constexpr float kLongestCameraStep = 10.0f;
constexpr float kCameraCeiling = 30000.0f;
constexpr float kEyeAboveGround = 1.5f;
constexpr float kIdleBeforeAutomatic = 60.0f;
constexpr float kAutomaticInterval = 15.0f;
constexpr float kFastestCamera = 9999.0f;  // the published speed is capped here
constexpr float kDefaultFollowDistance = 90.0f;

class Camera {
 public:
  using GroundFn = std::function<float(float x, float z)>;

  // ground may be empty (flat ground at 0). Takes the mode and distance the record holds.
  Camera(CameraRecord& record, CameraInput input, GroundFn ground = {});

  // Takes the record again after it was loaded from a file: mode, slot, free view, distance.
  // Values a damaged file could hold (a mode out of range, a distance that is not a positive
  // number, an eye that is not finite) become the starting ones.
  void restoreState();

  void setGround(GroundFn ground) { ground_ = std::move(ground); }
  // What the automatic change calls to move on to the next unit (the unit list's followNext).
  void setFollowNext(std::function<void()> followNext) { followNext_ = std::move(followNext); }

  // Once per frame: dt seconds, clamped to [0, 10] (NaN counts as 0).
  void advanceFrame(float dt);

  // The followed unit's world matrix (rows forward, up, side, position) and velocity.
  void setTarget(const Matrix& unitWorld, const Vec3& unitVelocity);
  // setTarget from what the unit list publishes; a changed distance is taken (setDistance)
  // and its flag cleared. Without a valid unit the follow modes keep their last placement.
  void follow(FollowedView& followed);
  // The minimum follow distance becomes d; the distance is raised to d when it is shorter.
  void setDistance(float d);
  // m above 7 is reduced by 8; loads the slot's offset and distance (modes 0 and 7 take the
  // free view as offset).
  void setMode(int m);
  // kind 1: the near projection, 2: the far one, made for the planes given.
  Matrix projection(int kind, float zNear, float zFar);

  void setFieldOfView(float radians) { fieldOfView_ = radians; }
  void setAspect(float aspect) { aspect_ = aspect; }
  float fieldOfView() const { return fieldOfView_; }
  float aspect() const { return aspect_; }

  int mode() const { return record_.mode; }
  float distance() const { return record_.followDistance; }
  float minDistance() const { return record_.minFollowDistance; }
  const Matrix& world() const { return world_; }  // rows right, up, look, eye
  const Matrix& view() const { return view_; }    // the device's view transform
  Vec3 eye() const { return row(world_, 3); }
  Vec3 right() const { return row(world_, 0); }
  Vec3 up() const { return row(world_, 1); }
  Vec3 look() const { return row(world_, 2); }
  const Matrix& freeView() const { return record_.freeView; }
  Vec3 smoothedVelocity() const { return smoothedVelocity_; }
  float speed() const { return speed_; }
  Vec3 targetVelocity() const { return targetVelocity_; }
  float heading() const { return heading_; }  // radians, 0 to 2π, growing as the camera turns right
  float pitch() const { return pitch_; }      // radians, positive looking up
  float roll() const { return roll_; }        // radians, positive rolled right
  float groundLimit() const { return groundLimit_; }  // the ground under the eye + 1.5
  float floorHeight() const { return floorHeight_; }
  bool automatic() const { return automatic_; }

  static Vec3 row(const Matrix& m, int r) { return {m.m[r][0], m.m[r][1], m.m[r][2]}; }

 private:
  struct Steering {
    Vec3 thrust;  // side, vertical, forward
    Vec3 turn;    // yaw, pitch, roll
    bool rise = false, sink = false;
  };

  bool keyDown(int binding) const;
  bool takeKey(int virtualKey);
  float ground(float x, float z) const;
  void runAutomaticChange(float dt);
  void handleModeKeys();
  void changeDistance(float dt);
  Steering readSteering() const;
  void stepFreeView(const Steering& s, float dt);
  float hoverPull(const Steering& s, float dt);
  void moveFreeView(float dt);
  void keepFreeViewInBounds();
  void placeFollowView();
  void publish(float dt);
  void measureAttitude();

  CameraRecord& record_;
  CameraInput input_;
  GroundFn ground_;
  std::function<void()> followNext_;

  Matrix offset_ = Matrix::identity();
  Matrix world_ = Matrix::identity();
  Matrix view_ = Matrix::identity();
  Matrix target_ = Matrix::identity();
  bool haveTarget_ = false;
  Vec3 targetVelocity_;

  float floorHeight_ = 0;
  Vec3 linearVelocity_;   // side, vertical, forward, along the free view's own axes
  Vec3 angularVelocity_;  // yaw, pitch, roll rates
  Vec3 smoothedVelocity_;
  Vec3 previousEye_;
  bool havePreviousEye_ = false;
  float speed_ = 0;
  float heading_ = 0, pitch_ = 0, roll_ = 0;
  float groundLimit_ = kEyeAboveGround;

  int lastFollowMode_ = 1;  // where "F" returns to from the free camera
  int userMode_ = 0;        // the mode before the automatic change took over
  bool automatic_ = false;
  float autoTimer_ = 0;

  float fieldOfView_ = 1.57f;
  float aspect_ = 1.3333f;
  Matrix projections_[2] = {Matrix::identity(), Matrix::identity()};
};

}  // namespace skyloom
