#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>

#include "app/command_line.h"
#include "app/error_box.h"
#include "app/frame_timer.h"
#include "app/help_hint.h"
#include "app/input_rules.h"
#include "app/input_state.h"
#include "app/scene.h"
#include "world/view_frustum.h"

namespace skyloom {
namespace {

TEST(CommandLine, ModesAndHandlesAsTheSystemPassesThem) {
  struct Case {
    const char* line;
    SaverMode mode;
    std::uintptr_t parent;
  } cases[] = {
      {"Skyloom.scr /p:1234", SaverMode::Preview, 1234},
      {"Skyloom.scr /P 98765", SaverMode::Preview, 98765},
      {"Skyloom.scr /c", SaverMode::Config, 0},
      {"Skyloom.scr /c:4242", SaverMode::Config, 4242},
      {"Skyloom.scr", SaverMode::Config, 0},
      {"Skyloom.scr -s", SaverMode::Full, 0},
      {"Skyloom.scr /x", SaverMode::Full, 0},
      {"Skyloom.scr /S", SaverMode::Full, 0},
      {"\"C:\\Program Files\\Sky loom\\Skyloom.scr\" /t", SaverMode::Test, 0},
      {"\"C:\\a-b\\Skyloom.scr\" /t", SaverMode::Test, 0},  // a '-' inside the quoted name is no switch
      {"Skyloom.scr /a 77", SaverMode::PasswordChange, 77},
      {"", SaverMode::Config, 0},
  };
  for (const Case& c : cases) {
    const SaverCommand cmd = parseCommandLine(c.line);
    EXPECT_EQ(cmd.mode, c.mode) << c.line;
    EXPECT_EQ(cmd.parent, c.parent) << c.line;
  }
}

TEST(InputRules, FullScreenRunEndsOnTheSixthMoveThatChangesThePosition) {
  InputRules rules(SaverMode::Full);
  EXPECT_FALSE(rules.mouseMove(0, 0));  // where the cursor rests when the windows appear
  for (int i = 1; i <= 5; ++i) {
    EXPECT_FALSE(rules.mouseMove(i * 10, 0)) << i;
    EXPECT_FALSE(rules.mouseMove(i * 10, 0)) << "repeat of " << i;  // same position: not counted
  }
  EXPECT_TRUE(rules.mouseMove(60, 0));
}

TEST(InputRules, F1MakesAFullScreenRunInteractive) {
  InputRules rules(SaverMode::Full);
  EXPECT_FALSE(rules.keyDown(kVirtualKeyF1));
  EXPECT_EQ(rules.helpPressed(), 1);
  EXPECT_FALSE(rules.keyDown('A'));
  EXPECT_FALSE(rules.buttonDown());
  for (int i = 0; i < 20; ++i) EXPECT_FALSE(rules.mouseMove(i, i));
  EXPECT_TRUE(rules.deactivated());  // switching away still ends it
  EXPECT_TRUE(rules.keyDown(kVirtualKeyEscape));

  InputRules plain(SaverMode::Full);
  EXPECT_TRUE(plain.keyDown('A'));
  EXPECT_TRUE(plain.buttonDown());
  EXPECT_TRUE(plain.endRequestActs(false));
  EXPECT_FALSE(plain.endRequestActs(true));  // the password dialog is up
}

TEST(InputRules, TestRunsEndOnlyByEscapeOrSuspend) {
  InputRules rules(SaverMode::Test);
  EXPECT_FALSE(rules.keyDown('A'));
  EXPECT_FALSE(rules.buttonDown());
  EXPECT_FALSE(rules.deactivated());
  for (int i = 0; i < 20; ++i) EXPECT_FALSE(rules.mouseMove(i, 0));
  EXPECT_TRUE(rules.keyDown(kVirtualKeyEscape));
  EXPECT_TRUE(rules.suspendQuery(false));
  EXPECT_FALSE(rules.suspendQuery(true));
  EXPECT_TRUE(rules.endRequestActs(true));
  EXPECT_FALSE(InputRules(SaverMode::Preview).endRequestActs(false));
}

TEST(MouseTracker, ButtonsAndDragFlags) {
  MouseTracker m;
  m.move(10, 10);
  m.leftButton(true);
  m.move(15, 8);
  EXPECT_EQ(m.dx, 5);
  EXPECT_EQ(m.dy, -2);
  EXPECT_EQ(m.flags, MouseTracker::kLeftDown | MouseTracker::kMovedLeft);
  m.rightButton(true);
  m.leftButton(false);
  EXPECT_EQ(m.flags, MouseTracker::kRightDown);
  EXPECT_EQ(inputState().fillModeToggle, 3);
}

TEST(HelpHint, OpaqueThenFadingThenGone) {
  EXPECT_EQ(helpHintAlpha(0.0), 255);
  EXPECT_EQ(helpHintAlpha(11.6), 255);
  EXPECT_EQ(helpHintAlpha(14.0), 76);
  EXPECT_EQ(helpHintAlpha(15.0), -1);
}

TEST(FrameTimer, FramesPerSecondRefreshesOnlyAfterAFullSecond) {
  FrameTimer t;
  EXPECT_DOUBLE_EQ(t.elapsed(), 0.1);
  t.start(3000000, 0, 0);  // a 3 MHz counter
  EXPECT_TRUE(t.highResolution());
  for (int i = 1; i <= 10; ++i) t.update(i * 150000, 0);  // 50 ms frames
  EXPECT_DOUBLE_EQ(t.elapsed(), 0.05);
  EXPECT_EQ(t.framesPerSecond(), 0.0);  // half a second: not yet
  EXPECT_EQ(t.nowMilliseconds(), 500u);
  for (int i = 11; i <= 20; ++i) t.update(i * 150000, 0);
  EXPECT_DOUBLE_EQ(t.framesPerSecond(), 20.0);
  t.update(21 * 150000, 0);
  EXPECT_DOUBLE_EQ(t.framesPerSecond(), 20.0);
  EXPECT_NEAR(t.accumulated(), 1.05, 1e-9);

  FrameTimer coarse;
  coarse.start(0, 0, 1000);
  coarse.update(0, 1040);
  EXPECT_FALSE(coarse.highResolution());
  EXPECT_DOUBLE_EQ(coarse.elapsed(), 0.04);
  EXPECT_EQ(coarse.nowMilliseconds(), 1040u);
}

TEST(ErrorBox, BouncesInFullScreenAndStandsStillInAPreview) {
  ErrorBox box;
  EXPECT_TRUE(stepErrorBox(box, 1000, 600, false, 0.0f));
  EXPECT_FLOAT_EQ(box.x, 350);
  EXPECT_FLOAT_EQ(box.y, 225);
  EXPECT_FLOAT_EQ(box.vx, 100);
  EXPECT_FLOAT_EQ(box.vy, 30);
  bool reversedX = false, reversedY = false;
  for (int i = 0; i < 400; ++i) {
    EXPECT_TRUE(stepErrorBox(box, 1000, 600, false, 0.1f));
    EXPECT_GE(box.x, 0);
    EXPECT_LE(box.x + box.w, 1000);
    EXPECT_GE(box.y, 0);
    EXPECT_LE(box.y + box.h, 600);
    reversedX |= box.vx < 0;
    reversedY |= box.vy < 0;
  }
  EXPECT_TRUE(reversedX);
  EXPECT_TRUE(reversedY);

  ErrorBox preview;
  EXPECT_TRUE(stepErrorBox(preview, 152, 112, true, 0.0f));
  EXPECT_FLOAT_EQ(preview.w, 152);
  EXPECT_FLOAT_EQ(preview.h, 112);
  EXPECT_FALSE(stepErrorBox(preview, 152, 112, true, 0.5f));
  EXPECT_FLOAT_EQ(preview.x, 0);
}

TEST(ViewFrustum, ClassifiesSpheresAroundTheEye) {
  ViewFrustum f(800, 600, std::numbers::pi_v<float> / 2);
  Matrix world = Matrix::identity();  // at the origin looking along +z
  world.m[3][1] = 2000;
  f.update(world);
  EXPECT_FLOAT_EQ(f.haze(), 0.8f);
  EXPECT_EQ(f.testSphere({0, 2000, 500}, 10), kFrustumInside);
  EXPECT_EQ(f.testSphere({0, 2000, -500}, 10), kFrustumOutside);   // behind
  EXPECT_EQ(f.testSphere({0, 2000, 0}, 10), kFrustumPartly);       // on the near plane
  EXPECT_EQ(f.testSphere({600, 2000, 500}, 10), kFrustumOutside);  // right of 45 degrees
  EXPECT_EQ(f.testSphere({500, 2000, 500}, 50), kFrustumPartly);
  // An eye far outside the world keeps the last good state.
  world.m[3][0] = 1e12f;
  f.update(world);
  EXPECT_FLOAT_EQ(f.eye().x, 0.0f);
  world = rotationY(std::numbers::pi_v<float>) * translation(0, 20000, 0);  // turned round, high up
  f.update(world);
  EXPECT_FLOAT_EQ(f.haze(), 0.3f);
  EXPECT_EQ(f.testSphere({0, 20000, -500}, 10), kFrustumInside);
}

// The picture and the culling volume must span the same angles, or the terrain is cut off at
// the screen's sides (or culled while visible at its top and bottom).
TEST(ViewFrustum, AgreesWithTheCameraProjection) {
  for (const auto& [degrees, width, height] : {std::tuple{90, 800u, 600u}, {60, 1280u, 720u}, {120, 640u, 480u}}) {
    const SceneSettings s = sceneSettingsFor(degrees, width, height);
    ViewFrustum f(static_cast<float>(width), static_cast<float>(height), s.fieldOfView);
    f.update(Matrix::identity());
    for (int plane = 1; plane <= 4; ++plane) {
      // A point just inside the side plane, 1000 m ahead: the plane's direction in the view's
      // x-y, pulled in by a hair.
      const Vec3 n = f.planeNormal(plane);
      const float z = 1000.0f;
      Vec3 p{0, 0, z};
      if (n.x != 0) p.x = -n.z / n.x * z * 0.999f;
      if (n.y != 0) p.y = -n.z / n.y * z * 0.999f;
      ASSERT_NE(f.testSphere(p, 0.0f), kFrustumOutside);
      for (const Matrix* m : {&s.nearProjection, &s.farProjection}) {
        const float cx = p.x * m->m[0][0] + p.z * m->m[2][0];
        const float cy = p.y * m->m[1][1] + p.z * m->m[2][1];
        const float cw = p.z * m->m[2][3];
        EXPECT_LE(std::abs(cx / cw), 1.0f) << degrees << " degrees, plane " << plane;
        EXPECT_LE(std::abs(cy / cw), 1.0f) << degrees << " degrees, plane " << plane;
        EXPECT_GT(std::max(std::abs(cx / cw), std::abs(cy / cw)), 0.99f);  // and at the edge
      }
    }
  }
  const SceneSettings s = sceneSettingsFor(90, 800, 600);
  EXPECT_FLOAT_EQ(s.nearProjection.m[0][0], 1.0f);  // cot(45°) across the width
  EXPECT_FLOAT_EQ(s.nearProjection.m[1][1], 800.0f / 600.0f);
  const float q = s.farProjection.m[2][2];  // zf / (zf − zn)
  EXPECT_NEAR(q, 1750000.0f / (1750000.0f - 0.5f), 1e-6f);
}

}  // namespace
}  // namespace skyloom
