#include "aircraft/camera.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "config/camera_settings.h"

namespace skyloom {
namespace {

constexpr int kUp = 38, kRight = 39, kHome = 36, kEnd = 35, kShift = 16;
constexpr float kPi = 3.14159265f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

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

  CameraRig() { camera.setFollowNext([this] { ++followed; }); }
  void press(int key) {
    keys[static_cast<std::size_t>(key)] = 1;
    camera.advanceFrame(0.02f);
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

TEST(CameraModes, NextModeRunsOneToSevenKeepingEachSlotsDistance) {
  CameraRig rig;
  rig.press('C');
  EXPECT_EQ(rig.camera.mode(), 1);
  EXPECT_EQ(rig.keys['C'], 0);  // taken: one press acts once
  rig.hold({kEnd}, 1.0f, 0.5f);  // 90 → 120, kept in slot 1 by the next "C"
  std::vector<int> seen;
  for (int i = 0; i < 7; ++i) {
    rig.press('C');
    seen.push_back(rig.camera.mode());
  }
  EXPECT_EQ(seen, (std::vector<int>{2, 3, 4, 5, 6, 7, 1}));
  EXPECT_NEAR(rig.camera.distance(), 120.0f, 1e-3f);
}

TEST(CameraModes, FreeToggleStartsAtModeOneAndReturnsToTheLastFollowMode) {
  CameraRig rig;
  ASSERT_EQ(rig.camera.mode(), 0);
  rig.press('F');
  EXPECT_EQ(rig.camera.mode(), 1);
  rig.press('F');
  EXPECT_EQ(rig.camera.mode(), 0);
  rig.camera.setMode(13);  // above 7: reduced by 8
  rig.press('F');
  rig.press('F');
  EXPECT_EQ(rig.camera.mode(), 5);
  rig.press('M');
  rig.camera.advanceFrame(0.02f);
  EXPECT_EQ(rig.fillMode, 4);
}

TEST(CameraDistance, SinkStopsAtTheMinimumWhichTheFollowedUnitSets) {
  CameraRig rig;
  rig.camera.setMode(1);
  rig.hold({kHome}, 10.0f, 0.5f);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 30.0f);

  FollowedView followed;  // a unit of radius 40 is followed
  followed.valid = true;
  followed.world = levelUnit();
  followed.distance = 60.0f;
  followed.distanceChanged = true;
  rig.camera.follow(followed);
  EXPECT_FALSE(followed.distanceChanged);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 60.0f);
  rig.hold({kEnd}, 1.0f, 0.5f);
  rig.hold({kHome}, 10.0f, 0.5f);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 60.0f);

  rig.settings.record().slots[3].distance = 20.0f;  // a slot stored for a smaller unit
  rig.camera.setMode(3);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 60.0f);
}

TEST(CameraAutomatic, ChangesUnitModeAndDistanceEveryFifteenSecondsAfterAMinute) {
  CameraRig rig;
  rig.camera.setMode(1);
  const float dt = 0.5f;
  while (rig.idle < 75.0f) rig.camera.advanceFrame(dt);
  EXPECT_EQ(rig.followed, 0);
  // Started at 60.5 s, so the first change comes at 75.5 s: mode + ⌊75⌋ mod 4, distance
  // (⌊75⌋ mod 16) · 25 + 15.
  rig.camera.advanceFrame(dt);
  EXPECT_EQ(rig.followed, 1);
  EXPECT_EQ(rig.camera.mode(), 4);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 290.0f);
  while (rig.followed == 1) rig.camera.advanceFrame(dt);
  EXPECT_FLOAT_EQ(rig.idle, 91.0f);
  EXPECT_EQ(rig.camera.mode(), 7);
  while (rig.followed == 2) rig.camera.advanceFrame(dt);
  EXPECT_EQ(rig.camera.mode(), 1);  // 7 + 2 wraps to 1, never to the free camera
  EXPECT_FLOAT_EQ(rig.camera.distance(), 265.0f);

  rig.camera.setMode(5);
  rig.idle = 0;  // a key press
  rig.camera.advanceFrame(dt);
  EXPECT_EQ(rig.camera.mode(), 1);
  EXPECT_FLOAT_EQ(rig.camera.distance(), 90.0f);

  // The shortest automatic distances do not put the camera inside a large unit.
  rig.camera.setDistance(200.0f);
  rig.idle = 60.0f;
  for (int i = 0; i < 100; ++i) {
    rig.camera.advanceFrame(0.25f);
    ASSERT_GE(rig.camera.distance(), 200.0f);
  }
  EXPECT_EQ(rig.followed, 4);
}

TEST(CameraFree, StaysBetweenTheGroundAndTheCeilingAndHoversWhenLetGo) {
  CameraRig rig;
  rig.groundY = 800.0f;
  rig.hold({kHome, kShift}, 120.0f);
  EXPECT_FLOAT_EQ(rig.camera.eye().y, 801.5f);
  rig.hold({kEnd, kShift}, 120.0f);
  EXPECT_FLOAT_EQ(rig.camera.eye().y, 30000.0f);
  rig.hold({kHome}, 2.0f);
  const float floor = rig.camera.floorHeight();
  rig.hold({}, 60.0f);
  EXPECT_NEAR(rig.camera.eye().y, floor, 0.5f);
  rig.groundY = 31000.0f;  // ground rising under the camera lifts it
  rig.camera.advanceFrame(0.05f);
  EXPECT_FLOAT_EQ(rig.camera.eye().y, 31001.5f);
}

TEST(CameraFree, LongAndBrokenFramesLeaveAUsableView) {
  CameraRig rig;
  rig.keys[kUp] = rig.keys[kShift] = rig.keys[kRight] = 1;
  rig.settings.record().keys[kKeyRise] = -7;  // bindings outside the key array read as up
  rig.settings.record().keys[kKeySink] = 4000;
  rig.camera.setGround([](float, float) { return kNaN; });
  rig.idle = std::numeric_limits<float>::infinity();
  for (float dt : {1e9f, 10.0f, kNaN, -1.0f, 10.0f}) {
    rig.camera.advanceFrame(dt);
    for (const auto& r : rig.camera.view().m) {
      for (float v : r) ASSERT_TRUE(std::isfinite(v));
    }
  }
  // With Shift the thrust settles at 2500 m/s; ten seconds in one frame must not swing past it.
  EXPECT_LT(rig.camera.speed(), 2600.0f);
}

TEST(CameraFollow, EachModePlacesTheViewAroundAKnownUnit) {
  CameraRig rig;
  rig.settings.record().slots[2].offset = rotationY(kPi / 2);  // a quarter turn right
  struct Expected {
    int mode;
    Vec3 look, eye;
  };
  const Expected cases[] = {
      {1, {0, 0, 1}, {1000, 500, 1910}},  // the fixed world direction of the offset
      {2, {1, 0, 0}, {910, 500, 2000}},
      {3, {1, 0, 0}, {910, 500, 2000}},   // across the unit: (forward.z, 0, −forward.x)
      {4, {1, 0, 0}, {910, 500, 2000}},
      {5, {-1, 0, 0}, {1090, 500, 2000}},  // the unit's own axes: along its side
  };
  for (const Expected& e : cases) {
    SCOPED_TRACE(e.mode);
    rig.camera.setMode(e.mode);
    rig.camera.setTarget(levelUnit(), {5, 0, 60});
    rig.camera.advanceFrame(0.02f);
    expectNear(rig.camera.look(), e.look);
    expectNear(rig.camera.eye(), e.eye);
    expectNear(rig.camera.up(), {0, 1, 0});
    expectNear(transformCoord({1000, 500, 2000}, rig.camera.view()), {0, 0, 90}, 1e-2f);
  }

  // Pitched 30° nose up and rolled a quarter turn: mode 3 keeps the level, mode 4 takes the
  // pitch but not the roll, mode 6 takes both.
  const Matrix pitched = rotationZ(kPi / 6) * levelUnit();
  const Matrix rolled = rotationX(kPi / 2) * pitched;
  rig.camera.setMode(3);
  rig.camera.setTarget(rolled, {});
  expectNear(rig.camera.up(), {0, 1, 0});
  rig.camera.setMode(4);
  rig.camera.setTarget(rolled, {});
  expectNear(rig.camera.look(), {1, 0, 0});
  expectNear(rig.camera.up(), {0, 0.8660254f, -0.5f});
  rig.camera.setMode(6);
  rig.camera.setTarget(rolled, {});
  expectNear(rig.camera.up(), Camera::row(rolled, 1));

}

TEST(CameraFollow, LookAtModeStandsOnTheFreeEye) {
  CameraRig rig;
  Matrix& free = rig.settings.record().freeView;
  free.m[3][0] = 1000, free.m[3][1] = 600, free.m[3][2] = 1000;
  rig.camera.setMode(7);
  rig.camera.setTarget(levelUnit(), {});
  expectNear(rig.camera.eye(), {1000, 600, 1000});
  expectNear(rig.camera.look(), normalize({0, -100, 1000}));
  EXPECT_NEAR(rig.camera.right().y, 0.0f, 1e-5f);
  rig.hold({kUp, kShift}, 1.0f);  // Shift steers the free eye behind the scenes
  EXPECT_GT(rig.camera.eye().z, 1100.0f);
}

TEST(CameraAttitude, HeadingPitchRollAndACappedSpeed) {
  CameraRig rig;
  EXPECT_NEAR(rig.camera.heading(), 1.5f * kPi, 1e-4f);  // +z
  rig.hold({kRight}, 0.5f);
  EXPECT_GT(rig.camera.heading(), 1.5f * kPi);  // turning right, the heading grows
  rig.settings.record().freeView = rotationZ(-0.2f) * rotationX(-0.3f) * rotationY(kPi);
  rig.camera.restoreState();
  EXPECT_NEAR(rig.camera.heading(), 0.5f * kPi, 1e-4f);  // −z
  EXPECT_NEAR(rig.camera.pitch(), 0.3f, 1e-4f);
  EXPECT_NEAR(rig.camera.roll(), 0.2f, 1e-4f);
  rig.settings.record().freeView = rotationZ(kPi);
  rig.camera.restoreState();
  EXPECT_NEAR(std::fabs(rig.camera.roll()), kPi, 1e-4f);

  rig.camera.setMode(1);
  Matrix unit = levelUnit();
  unit.m[3][2] += 1e7f;
  rig.camera.setTarget(unit, {});
  rig.camera.advanceFrame(0.05f);
  EXPECT_FLOAT_EQ(rig.camera.speed(), 9999.0f);
}

TEST(CameraState, RoundTripMakesMatricesOrthonormalAndRefusesNonsense) {
  CameraRig rig;
  rig.press('C');
  rig.press('C');
  rig.hold({kEnd}, 1.0f, 0.5f);
  rig.settings.record().freeView.m[1][0] = 0.4f;  // skewed and scaled, as a damaged file holds
  rig.settings.record().freeView.m[2][2] = 3.0f;
  rig.settings.record().slots[2].offset.m[0][1] = 0.7f;
  Bytes block;
  rig.settings.saveBlock(block);

  CameraSettings loaded;
  std::size_t used = 0;
  ASSERT_EQ(loaded.loadBlock(block, used), kBlockLoaded);
  Camera camera(loaded.record(), CameraInput{rig.keys, rig.idle, rig.fillMode});
  EXPECT_EQ(camera.mode(), 2);
  EXPECT_NEAR(camera.distance(), 120.0f, 1e-3f);
  expectNear(Camera::row(camera.freeView(), 3), Camera::row(rig.camera.freeView(), 3));
  for (const Matrix& m : {camera.freeView(), loaded.record().slots[2].offset}) {
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR(length(Camera::row(m, a)), 1.0f, 1e-5f);
      EXPECT_NEAR(dot(Camera::row(m, a), Camera::row(m, (a + 1) % 3)), 0.0f, 1e-5f);
    }
  }

  loaded.record().mode = 12;
  loaded.record().followDistance = kNaN;
  loaded.record().freeView.m[3][0] = std::numeric_limits<float>::infinity();
  camera.restoreState();
  EXPECT_EQ(camera.mode(), 0);
  EXPECT_FLOAT_EQ(camera.distance(), 90.0f);
  expectNear(camera.eye(), {50000, 5000, 50000});
}

}  // namespace
}  // namespace skyloom
