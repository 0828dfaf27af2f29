#include "aircraft/camera.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "config/camera_settings.h"

namespace skyloom {
namespace {

constexpr int kUp = 38, kRight = 39, kHome = 36, kEnd = 35, kShift = 16;
constexpr float kPi = 3.14159265f;

void expectNear(const Vec3& a, const Vec3& b, float tolerance = 1e-3f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

// A camera over its own record and input state, on flat ground at groundY. Held keys reset the
// idle time every frame, as the window's autorepeating key-downs do.
struct CameraRig {
  CameraSettings settings;
  std::array<std::uint8_t, 256> keys{};
  float idle = 0;
  int fillMode = 3;
  float groundY = 0;
  int followed = 0;
  Camera camera{settings.record(), CameraInput{keys, idle, fillMode}, [this](float, float) { return groundY; }};

  CameraRig() {
    camera.setFollowNext([this] { ++followed; });
  }
  void press(int key, float dt = 0.02f) {
    keys[static_cast<std::size_t>(key)] = 1;
    camera.advanceFrame(dt);
  }
  void hold(std::initializer_list<int> held, float seconds, float dt = 0.05f) {
    for (int k : held) keys[static_cast<std::size_t>(k)] = 1;
    for (float t = 0; t < seconds; t += dt) {
      idle = 0;
      camera.advanceFrame(dt);
    }
    for (int k : held) keys[static_cast<std::size_t>(k)] = 0;
  }
};

// A unit at (1000, 500, 2000) flying along +z: forward +z, up +y, side = forward × up = −x.
Matrix levelUnit() {
  Matrix m = Matrix::identity();
  m.m[0][0] = 0, m.m[0][2] = 1;
  m.m[2][0] = -1, m.m[2][2] = 0;
  m.m[3][0] = 1000, m.m[3][1] = 500, m.m[3][2] = 2000;
  return m;
}

TEST(CameraModes, NextModeRunsOneToSevenAndNeverReachesTheFreeCamera) {
  CameraRig rig;
  rig.press('C');
  EXPECT_EQ(rig.camera.mode(), 1);  // from the free camera to the first follow mode
  EXPECT_EQ(rig.keys['C'], 0);      // taken: one press acts once
  rig.camera.advanceFrame(0.02f);
  EXPECT_EQ(rig.camera.mode(), 1);
  std::vector<int> seen;
  for (int i = 0; i < 7; ++i) {
    rig.press('C');
    seen.push_back(rig.camera.mode());
  }
  EXPECT_EQ(seen, (std::vector<int>{2, 3, 4, 5, 6, 7, 1}));
}

TEST(CameraModes, NextModeStoresTheDistanceInTheSlotItLeaves) {
  CameraRig rig;
  rig.press('C');
  rig.hold({kEnd}, 1.0f, 0.5f);  // 90 → 120
  EXPECT_NEAR(rig.camera.distance(), 120.0f, 1e-3f);
  for (int i = 0; i < 7; ++i) rig.press('C');
  EXPECT_EQ(rig.camera.mode(), 1);
  EXPECT_NEAR(rig.camera.distance(), 120.0f, 1e-3f);
  EXPECT_NEAR(rig.settings.record().slots[2].distance, 90.0f, 1e-3f);
}

TEST(CameraModes, FreeToggleGoesToModeOneAtFirstStartAndBackToTheLastFollowMode) {
  CameraRig rig;
  ASSERT_EQ(rig.camera.mode(), 0);
  rig.press('F');
  EXPECT_EQ(rig.camera.mode(), 1);
  rig.press('F');
  EXPECT_EQ(rig.camera.mode(), 0);
  rig.camera.setMode(5);
  rig.press('F');
  EXPECT_EQ(rig.camera.mode(), 0);
  rig.press('F');
  EXPECT_EQ(rig.camera.mode(), 5);

  rig.press('M');
  rig.camera.advanceFrame(0.02f);
  EXPECT_EQ(rig.fillMode, 4);  // once per press, not once per frame

  rig.camera.setMode(9);  // above 7: reduced by 8
  EXPECT_EQ(rig.camera.mode(), 1);
  rig.camera.setMode(-3);
  EXPECT_EQ(rig.camera.mode(), 0);
  rig.camera.setMode(123);
  EXPECT_GE(rig.camera.mode(), 0);
  EXPECT_LE(rig.camera.mode(), 7);
}

TEST(CameraDistance, SinkKeyStopsAtTheMinimumDistance) {
  CameraRig rig;
  rig.camera.setMode(1);
  rig.hold({kHome}, 10.0f, 0.5f);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 30.0f);

  // Following a unit of radius 40: the minimum becomes 1.5 × 40 and the distance is raised.
  FollowedView followed;
  followed.valid = true;
  followed.world = levelUnit();
  followed.distance = 60.0f;
  followed.distanceChanged = true;
  rig.camera.follow(followed);
  EXPECT_FALSE(followed.distanceChanged);
  EXPECT_FLOAT_EQ(rig.camera.minDistance(), 60.0f);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 60.0f);
  rig.hold({kEnd}, 1.0f, 0.5f);
  EXPECT_NEAR(rig.camera.distance(), 90.0f, 1e-3f);
  rig.hold({kHome}, 10.0f, 0.5f);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 60.0f);

  // Nonsense distances change nothing.
  rig.camera.setDistance(std::numeric_limits<float>::quiet_NaN());
  rig.camera.setDistance(-5.0f);
  EXPECT_FLOAT_EQ(rig.camera.minDistance(), 60.0f);
  // A slot's short distance is not taken below the minimum either.
  rig.settings.record().slots[3].distance = 20.0f;
  rig.camera.setMode(3);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 60.0f);
}

TEST(CameraAutomatic, ChangesUnitModeAndDistanceEveryFifteenSecondsAfterAMinute) {
  CameraRig rig;
  rig.camera.setMode(1);
  rig.camera.setTarget(levelUnit(), {});
  const float dt = 0.5f;
  while (rig.idle < 75.0f) rig.camera.advanceFrame(dt);
  EXPECT_TRUE(rig.camera.automatic());
  EXPECT_EQ(rig.followed, 0);
  EXPECT_EQ(rig.camera.mode(), 1);

  // Entered at 60.5 s; the first change when its timer passes 15, at 75.5 s: ⌊75⌋ mod 4 = 3.
  rig.camera.advanceFrame(dt);
  EXPECT_EQ(rig.followed, 1);
  EXPECT_EQ(rig.camera.mode(), 4);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 11 * 25.0f + 15);
  while (rig.followed == 1) rig.camera.advanceFrame(dt);
  EXPECT_FLOAT_EQ(rig.idle, 91.0f);
  EXPECT_EQ(rig.camera.mode(), 7);
  while (rig.followed == 2) rig.camera.advanceFrame(dt);
  EXPECT_FLOAT_EQ(rig.idle, 106.5f);
  EXPECT_EQ(rig.camera.mode(), 1);  // 7 + 2 wraps past 7 to 1, never to the free camera
  EXPECT_FLOAT_EQ(rig.camera.distance(), 10 * 25.0f + 15);

  // A key press resets the idle time (the window does that): the next frame is the user's.
  rig.camera.setMode(5);
  rig.idle = 0;
  rig.camera.advanceFrame(dt);
  EXPECT_FALSE(rig.camera.automatic());
  EXPECT_EQ(rig.camera.mode(), 1);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 90.0f);
}

TEST(CameraAutomatic, ShortDistancesStayOutsideALargeUnit) {
  CameraRig rig;
  rig.camera.setMode(2);
  rig.camera.setDistance(200.0f);  // a unit of radius 133
  rig.idle = 60.0f;
  for (int i = 0; i < 100; ++i) {
    rig.camera.advanceFrame(0.25f);
    EXPECT_GE(rig.camera.distance(), 200.0f);
  }
  EXPECT_GE(rig.followed, 1);
}

TEST(CameraFree, StaysBetweenTheGroundAndTheCeiling) {
  CameraRig rig;
  rig.groundY = 800.0f;
  rig.hold({kHome, kShift}, 120.0f);
  EXPECT_FLOAT_EQ(rig.camera.eye().y, 801.5f);
  rig.hold({kEnd, kShift}, 120.0f);
  EXPECT_FLOAT_EQ(rig.camera.eye().y, 30000.0f);
  EXPECT_LE(rig.camera.floorHeight(), 30000.0f);

  // Ground rising under a hovering camera lifts it.
  rig.groundY = 31000.0f;
  rig.camera.advanceFrame(0.05f);
  EXPECT_FLOAT_EQ(rig.camera.eye().y, 31001.5f);
}

TEST(CameraFree, HoversAtTheHeightItWasLiftedTo) {
  CameraRig rig;
  rig.hold({kEnd}, 3.0f);
  const float released = rig.camera.floorHeight();
  EXPECT_GT(released, 5000.0f);
  for (int i = 0; i < 1200; ++i) {
    rig.camera.advanceFrame(0.05f);
    EXPECT_GE(rig.camera.eye().y, released - 1e-3f);
  }
  EXPECT_NEAR(rig.camera.eye().y, released, 0.5f);
}

TEST(CameraFree, ForwardFollowsTheLookAndRightTurnsRight) {
  CameraRig rig;
  const Vec3 start = rig.camera.eye();
  rig.hold({kUp}, 2.0f);
  const Vec3 moved = rig.camera.eye();
  EXPECT_GT(moved.z - start.z, 10.0f);
  EXPECT_NEAR(moved.x, start.x, 1e-2f);
  EXPECT_GT(rig.camera.speed(), 10.0f);

  EXPECT_NEAR(rig.camera.heading(), 1.5f * kPi, 1e-4f);  // +z
  rig.hold({kRight}, 1.0f);
  EXPECT_GT(rig.camera.look().x, 0.05f);
  EXPECT_GT(rig.camera.heading(), 1.5f * kPi);
  EXPECT_NEAR(rig.camera.look().y, 0.0f, 1e-5f);  // turning keeps the horizon level
}

TEST(CameraFree, LongAndBrokenFramesLeaveAUsableView) {
  CameraRig rig;
  rig.keys[kUp] = rig.keys[kShift] = rig.keys[kRight] = 1;
  rig.settings.record().keys[kKeyRise] = -7;   // bindings outside the key array read as up
  rig.settings.record().keys[kKeySink] = 4000;
  rig.camera.setGround([](float, float) { return std::numeric_limits<float>::quiet_NaN(); });
  rig.idle = std::numeric_limits<float>::infinity();
  for (float dt : {1e9f, 10.0f, std::numeric_limits<float>::quiet_NaN(), -1.0f, 10.0f}) {
    rig.camera.advanceFrame(dt);
    for (const auto& r : rig.camera.view().m) {
      for (float v : r) EXPECT_TRUE(std::isfinite(v));
    }
    EXPECT_LE(rig.camera.speed(), 9999.0f);
  }
  // Thrust settles at 50 × 50 m/s with Shift; ten seconds in one frame must not swing past it.
  EXPECT_LT(rig.camera.speed(), 2600.0f);
}

TEST(CameraFollow, EachModePlacesTheViewAroundAKnownUnit) {
  CameraRig rig;
  const Vec3 target{1000, 500, 2000};
  struct Expected {
    int mode;
    Vec3 look, eye, up;
  };
  // Distance 90; mode 2's slot turns its fixed direction a quarter turn right.
  rig.settings.record().slots[2].offset = rotationY(kPi / 2);
  const Expected cases[] = {
      {1, {0, 0, 1}, {1000, 500, 1910}, {0, 1, 0}},
      {2, {1, 0, 0}, {910, 500, 2000}, {0, 1, 0}},
      {3, {1, 0, 0}, {910, 500, 2000}, {0, 1, 0}},   // across the unit: look = (fz, 0, −fx)
      {4, {1, 0, 0}, {910, 500, 2000}, {0, 1, 0}},
      {5, {-1, 0, 0}, {1090, 500, 2000}, {0, 1, 0}}, // along the unit's side axis
  };
  for (const Expected& e : cases) {
    rig.camera.setMode(e.mode);
    rig.camera.setTarget(levelUnit(), {5, 0, 60});
    rig.camera.advanceFrame(0.02f);
    SCOPED_TRACE(e.mode);
    expectNear(rig.camera.look(), e.look);
    expectNear(rig.camera.eye(), e.eye);
    expectNear(rig.camera.up(), e.up);
    // The device view takes the eye to the origin and the target straight ahead.
    expectNear(transformCoord(rig.camera.eye(), rig.camera.view()), {0, 0, 0}, 1e-2f);
    expectNear(transformCoord(target, rig.camera.view()), {0, 0, 90}, 1e-2f);
  }
  expectNear(rig.camera.targetVelocity(), {5, 0, 60});
}

TEST(CameraFollow, PitchAndRollOfTheUnitReachOnlyTheModesThatTakeThem) {
  CameraRig rig;
  // The level unit pitched 30° nose up, then rolled 90° about its nose.
  const Matrix pitched = rotationZ(kPi / 6) * levelUnit();
  const Matrix rolledUnit = rotationX(kPi / 2) * pitched;
  const float s = 0.5f, c = 0.8660254f;
  ASSERT_NEAR(pitched.m[0][1], s, 1e-5f);  // the nose is up 30°

  rig.camera.setMode(3);  // heading only
  rig.camera.setTarget(rolledUnit, {});
  expectNear(rig.camera.look(), {1, 0, 0});
  expectNear(rig.camera.up(), {0, 1, 0});

  rig.camera.setMode(4);  // heading and pitch, no roll: the rolled unit looks like the pitched one
  rig.camera.setTarget(rolledUnit, {});
  expectNear(rig.camera.look(), {1, 0, 0});
  expectNear(rig.camera.up(), {0, c, -s});
  rig.camera.setTarget(pitched, {});
  expectNear(rig.camera.up(), {0, c, -s});

  rig.camera.setMode(5);  // the full orientation
  rig.camera.setTarget(rolledUnit, {});
  expectNear(rig.camera.look(), Camera::row(rolledUnit, 2));
  expectNear(rig.camera.up(), Camera::row(rolledUnit, 1));

  // A nose straight up has no heading; the unit's side axis stands in.
  Matrix vertical = Matrix::identity();
  vertical.m[0][0] = 0, vertical.m[0][1] = 1;
  vertical.m[1][0] = -1, vertical.m[1][1] = 0;
  rig.camera.setMode(4);
  rig.camera.setTarget(vertical, {});
  expectNear(rig.camera.look(), {0, 0, -1});
}

TEST(CameraFollow, LookAtModeStandsOnTheFreeEyeAndFreeModeIgnoresTheUnit) {
  CameraRig rig;
  rig.camera.setMode(0);
  rig.camera.setTarget(levelUnit(), {});
  rig.camera.advanceFrame(0.02f);
  expectNear(rig.camera.eye(), {50000, 5000, 50000}, 0.5f);

  Matrix& free = rig.settings.record().freeView;
  free.m[3][0] = 1000, free.m[3][1] = 600, free.m[3][2] = 1000;
  rig.camera.setMode(7);
  rig.camera.setTarget(levelUnit(), {});
  expectNear(rig.camera.eye(), {1000, 600, 1000});
  expectNear(rig.camera.look(), normalize({0, -100, 1000}));
  EXPECT_NEAR(rig.camera.right().y, 0.0f, 1e-5f);
  EXPECT_GT(rig.camera.up().y, 0.9f);
  // Shift steers the free eye behind the scenes, which moves the standing point.
  rig.hold({kUp, kShift}, 1.0f);
  EXPECT_GT(rig.camera.eye().z, 1000.0f + 100.0f);
  // Standing on the target itself keeps the last direction rather than dividing by zero.
  Matrix onEye = levelUnit();
  onEye.m[3][0] = rig.camera.eye().x, onEye.m[3][1] = rig.camera.eye().y, onEye.m[3][2] = rig.camera.eye().z;
  const Vec3 before = rig.camera.look();
  rig.camera.setTarget(onEye, {});
  expectNear(rig.camera.look(), before);
}

TEST(CameraAttitude, HeadingPitchRollAndSpeed) {
  CameraRig rig;
  rig.settings.record().freeView = rotationZ(-0.2f) * rotationX(-0.3f) * rotationY(kPi);
  rig.settings.record().freeView.m[3][1] = 5000;
  rig.camera.restoreState();
  EXPECT_NEAR(rig.camera.pitch(), 0.3f, 1e-4f);
  EXPECT_NEAR(rig.camera.roll(), 0.2f, 1e-4f);
  EXPECT_NEAR(rig.camera.heading(), 0.5f * kPi, 1e-4f);  // looking along −z

  rig.settings.record().freeView = rotationZ(kPi) * Matrix::identity();
  rig.settings.record().freeView.m[3][1] = 5000;
  rig.camera.restoreState();
  EXPECT_NEAR(std::fabs(rig.camera.roll()), kPi, 1e-4f);  // upside down

  // A unit at 100 m/s, followed: the smoothed speed approaches 100; a jump is capped.
  rig.camera.setMode(1);
  Matrix unit = levelUnit();
  for (int i = 0; i < 200; ++i) {
    unit.m[3][2] += 100.0f * 0.05f;
    rig.camera.setTarget(unit, {});
    rig.camera.advanceFrame(0.05f);
  }
  EXPECT_NEAR(rig.camera.speed(), 100.0f, 0.5f);
  unit.m[3][2] += 1e7f;
  rig.camera.setTarget(unit, {});
  rig.camera.advanceFrame(0.05f);
  EXPECT_FLOAT_EQ(rig.camera.speed(), 9999.0f);
}

TEST(CameraState, RoundTripThroughTheSettingsBlockMakesMatricesOrthonormal) {
  CameraRig rig;
  rig.press('C');
  rig.press('C');  // mode 2
  rig.hold({kEnd}, 1.0f, 0.5f);
  Bytes block;
  rig.settings.saveBlock(block);

  // A skewed, scaled free view and slot offset, as a hand-edited or damaged file might hold.
  CameraSettings skewed;
  std::size_t used = 0;
  ASSERT_EQ(skewed.loadBlock(block, used), kBlockLoaded);
  Matrix& f = skewed.record().freeView;
  f.m[1][0] = 0.4f, f.m[2][2] = 3.0f;
  skewed.record().slots[2].offset.m[0][1] = 0.7f;
  Bytes damaged;
  skewed.saveBlock(damaged);

  CameraSettings loaded;
  ASSERT_EQ(loaded.loadBlock(damaged, used), kBlockLoaded);
  std::array<std::uint8_t, 256> keys{};
  float idle = 0;
  int fill = 3;
  Camera camera(loaded.record(), CameraInput{keys, idle, fill});
  EXPECT_EQ(camera.mode(), 2);
  EXPECT_NEAR(camera.distance(), 120.0f, 1e-3f);
  expectNear(Camera::row(camera.freeView(), 3), Camera::row(rig.camera.freeView(), 3));
  for (const Matrix* m : {&camera.freeView(), static_cast<const Matrix*>(&loaded.record().slots[2].offset)}) {
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR(length(Camera::row(*m, a)), 1.0f, 1e-5f);
      EXPECT_NEAR(dot(Camera::row(*m, a), Camera::row(*m, (a + 1) % 3)), 0.0f, 1e-5f);
    }
  }

  // Values a file cannot be trusted with: a mode out of range, a distance that is no number.
  loaded.record().mode = 12;
  loaded.record().followDistance = std::numeric_limits<float>::quiet_NaN();
  loaded.record().freeView.m[3][0] = std::numeric_limits<float>::infinity();
  camera.restoreState();
  EXPECT_EQ(camera.mode(), 0);
  EXPECT_FLOAT_EQ(camera.distance(), 90.0f);
  expectNear(camera.eye(), {50000, 5000, 50000});
}

TEST(CameraProjection, BothKindsFollowTheFieldOfViewAndAspect) {
  CameraRig rig;
  rig.camera.setFieldOfView(1.2f);
  rig.camera.setAspect(1.6f);
  const Matrix nearP = rig.camera.projection(1, 0.5f, 550000.0f);
  const Matrix farP = rig.camera.projection(2, 0.5f, 1750000.0f);
  EXPECT_NEAR(nearP.m[0][0], 1.0f / std::tan(0.6f), 1e-5f);
  EXPECT_NEAR(nearP.m[1][1], 1.6f / std::tan(0.6f), 1e-4f);
  EXPECT_NE(nearP.m[2][2], farP.m[2][2]);
  const Matrix again = cameraProjection(1.2f, 1.6f, 0.5f, 550000.0f);
  EXPECT_EQ(std::memcmp(&again, &nearP, sizeof again), 0);
}

}  // namespace
}  // namespace skyloom
