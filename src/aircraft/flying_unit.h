#pragma once
// FlyingUnit: a unit with the state its flight needs, and the flight step that moves it.
//
// Each frame a unit steers for its goal (the formation slot its group gave it, or a detour
// point the terrain look-ahead chose), turns and banks toward it, and integrates thrust, drag,
// lift and gravity. The look-ahead samples the ground along the velocity 19 times, over a path
// from about half a second to six seconds ahead, and plans a climb over anything the unit
// would not clear; a unit that has grown too slow noses down under full throttle until it flies
// again. Under manual control the arrow keys drive pitch and roll rates instead of the
// autopilot. Ground contact keeps every unit on or above the ground.
//
// Axes: forward is the model's +x, up its +y, side its +z (side = forward × up); the world matrix
// holds them as its first three rows and the position as the fourth.

#include <cstdint>
#include <functional>
#include <vector>

#include "aircraft/formation.h"
#include "aircraft/unit.h"
#include "core/math.h"
#include "core/random.h"

namespace skyloom {

class SpatialIndex;
struct FlightGroup;
struct FlyingUnit;

constexpr std::uint32_t kManualControl = 1;  // FlyingUnit::control bit

constexpr float kStartThrottle = 0.9f;
constexpr float kMaxKeyThrottle = 1.0f;
constexpr float kNoseUpThrottle = 1.1f;  // slow types climbing steeply
constexpr float kFastTopSpeed = 900.0f;  // above: jet coefficients
constexpr float kSlowTopSpeed = 150.0f;  // below: never climbs to a target
// Flight parameters read from a file are kept where the flight formulas stay finite: the lift
// gain divides by 0.01 · topSpeed − 0.2, so anything near 20 would make it explode.
constexpr float kMinTopSpeed = 25.0f;
constexpr float kMaxTopSpeed = 5000.0f;
constexpr float kMinCeiling = 1.0f;
constexpr float kMaxTurnRate = 20.0f;

// Where a unit's step hands its trails and engine sound (the effects layer implements it).
class UnitEffectsSink {
 public:
  virtual ~UnitEffectsSink() = default;
  // After the unit moved (or, destroyed, fell): feed its smoke trails and its engine sound.
  virtual void unitStepped(FlyingUnit& unit) = 0;
  virtual void toggleEngineSounds() = 0;
};

// The arrow keys and the modifiers that take them for the camera, as held this frame.
struct FlightKeys {
  bool up = false, down = false, left = false, right = false;
  bool shift = false, control = false;
};

// The state manual control shares between frames: pitch rate p, roll rate q and one
// acceleration per arrow key (0 while the key is up).
struct ManualControl {
  static constexpr float kMaxPitchRate = 0.3f;
  static constexpr float kMaxRollRate = 3.0f;
  float pitchRate = 0;
  float rollRate = 0;
  float upAcceleration = 0, downAcceleration = 0, leftAcceleration = 0, rightAcceleration = 0;
  FlightKeys keys;
};

// What the flight step reads from and writes to the world around the unit.
struct FlightWorld {
  GroundHeightFn ground;  // metres at (x, z); required
  CrtRandom* random = nullptr;
  SpatialIndex* index = nullptr;         // optional
  UnitEffectsSink* effects = nullptr;    // optional
  ManualControl* manual = nullptr;       // optional: without it manual units fly straight
};

struct FlyingUnit : Unit {
  std::uint32_t control = 0;  // kManualControl
  float avoidTimer = 0;       // negative: steer to the avoid point
  Vec3 target;                // the point the unit flies to (its formation slot)
  Vec3 avoidPoint;            // detour point the look-ahead chose
  FlightGroup* group = nullptr;  // the leader group whose formation it flies in
  float homeX = 0, homeZ = 0;    // where it was created
  float throttle = kStartThrottle;
  Vec3 acceleration;             // last step's
  std::vector<int> trails;       // per attachment: the trail manager's trail, −1 until used
  int engineVoice = 0;           // 0: none held
  std::uint32_t groundContacts = 0;  // steps that ended with the unit held up by the ground

  // Takes its flight parameters from the description fields of Unit, keeps them in the ranges
  // the formulas need, places it at (x, ground, z) and sets speed, velocity and axes to start.
  void prepare(float x, float y, float z);

  bool manual() const { return (control & kManualControl) != 0; }
  bool destroyed() const { return hitPoints < 1; }

  // One step of dt seconds (the caller clamps dt).
  void advanceFrame(float dt, const FlightWorld& env);

 private:
  void stepDestroyed(float dt, const FlightWorld& env);
  void restartFireTimer();
  Vec3 steerDirection(const FlightWorld& env);
  void autopilot(float dt, const Vec3& toGoal, const FlightWorld& env);
  void manualStep(float dt, ManualControl& manual);
  void integrate(float dt, float thrust, float liftGain, float drag, float a);
  void groundContact(const FlightWorld& env);
  void rotateAxes(const Vec3& axis, float angle);
  void orthonormalize();
};

// The flight coefficients of one step (exposed for tests and the instruments).
struct FlightCoefficients {
  float altitudeFactor = 1;  // a: 1 at the ground, falling toward the ceiling (≥ 0.03)
  float thrust = 0;          // T
  float liftGain = 0;        // K
  float drag = 0;            // Dg, multiplies the velocity
};
FlightCoefficients flightCoefficients(float speed, float topSpeed, float ceiling, float y, float throttle);

}  // namespace skyloom
