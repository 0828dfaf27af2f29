#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "app/saver_errors.h"
#include "app/scene.h"
#include "platform/gfx/recording_device.h"
#include "state_check.h"
#include "ui/text_viewer.h"

namespace skyloom {
namespace {

void drawFrame(Scene& scene, RecordingDevice& device, double elapsed) {
  scene.advanceFrame(elapsed, 0);
  device.beginScene();
  scene.render(device, Matrix::identity());
  device.endScene();
}

// Colour of the hint's first character in a frame drawn at `seconds` of scene time (a frame
// draws the hint, then adds its elapsed time), or 0 when the frame drew no hint.
std::uint32_t hintColourAfter(Scene& scene, RecordingDevice& device, double seconds) {
  if (seconds > scene.hintSeconds()) drawFrame(scene, device, seconds - scene.hintSeconds());
  device.clearRecording();
  drawFrame(scene, device, 0.0);
  for (const RecordedDraw& d : device.draws()) {
    if (d.state.textures[0] != 0) return d.dwordAt(0, 16);
  }
  return 0;
}

TEST(Scene, TheHelpHintIsYellowOpaqueThenFadesAndGoes) {
  RecordingDevice device;
  Scene scene;
  EXPECT_EQ(TextureRegistry::current(), &scene.textures());
  ASSERT_EQ(scene.restore(device, SceneSettings{}), kOk);
  ASSERT_NE(scene.largeFont().texture(), nullptr);
  ASSERT_NE(scene.frustum(), nullptr);

  EXPECT_EQ(hintColourAfter(scene, device, 0.0), 0xFFFFFF00u);
  EXPECT_EQ(hintColourAfter(scene, device, 11.6), 0xFFFFFF00u);
  EXPECT_EQ(hintColourAfter(scene, device, 14.0) >> 24, 76u);
  EXPECT_EQ(hintColourAfter(scene, device, 15.5), 0u);
  // The scene's own blend states are back after the hint.
  EXPECT_EQ(device.state().renderState(RenderState::AlphaBlendEnable), 0u);

  scene.invalidate();
  EXPECT_EQ(scene.largeFont().texture(), nullptr);
  EXPECT_EQ(scene.frustum(), nullptr);
}

TEST(Scene, RestoredDevicesStartFromTheSceneStates) {
  RecordingDevice device;
  applySceneStates(device, cameraProjection(1.5707963f, 4.0f / 3.0f, 0.5f, 550000.0f), Matrix::identity());
  const RecordedState& s = device.state();
  EXPECT_EQ(s.renderState(RenderState::ZFunc), Cmp::LessEqual);
  EXPECT_EQ(s.renderState(RenderState::CullMode), Cull::Ccw);
  EXPECT_EQ(s.renderState(RenderState::FogVertexMode), FogMode::Linear);
  EXPECT_EQ(s.stageState(0, TextureStageState::ColorOp), TextureOp::SelectArg1);
  EXPECT_EQ(s.samplerState(0, SamplerState::MaxAnisotropy), 6u);
  EXPECT_EQ(s.stageState(1, TextureStageState::TexCoordIndex), 1u);
  EXPECT_FLOAT_EQ(s.projection.m[0][0], 1.0f);  // 90 degrees across the width: cot(45) = 1
  EXPECT_FLOAT_EQ(s.projection.m[1][1], 4.0f / 3.0f);
}

// A device without anisotropic filtering (or with fewer than 6 samples) gets what it has.
TEST(Scene, SamplerZeroFiltersWithWhatTheDeviceOffers) {
  RecordingDeviceConfig linearOnly;
  linearOnly.caps.textureFilterCaps &= ~(FilterCaps::MinAnisotropic | FilterCaps::MagAnisotropic);
  RecordingDevice plain(linearOnly);
  applySceneStates(plain, Matrix::identity(), Matrix::identity());
  for (SamplerState f : {SamplerState::MinFilter, SamplerState::MagFilter, SamplerState::MipFilter}) {
    EXPECT_EQ(plain.state().samplerState(0, f), TextureFilter::Linear);
  }
  EXPECT_EQ(plain.state().samplerState(0, SamplerState::MaxAnisotropy), 1u);

  RecordingDeviceConfig fewSamples;
  fewSamples.caps.maxAnisotropy = 4;
  RecordingDevice four(fewSamples);
  applySceneStates(four, Matrix::identity(), Matrix::identity());
  EXPECT_EQ(four.state().samplerState(0, SamplerState::MinFilter), TextureFilter::Anisotropic);
  EXPECT_EQ(four.state().samplerState(0, SamplerState::MaxAnisotropy), 4u);
}

TEST(Scene, TheHintAndItsFontLeaveTheDeviceAsTheyFoundIt) {
  RecordingDevice device;
  const SceneSettings settings = sceneSettingsFor(90, 640, 480);
  applySceneStates(device, settings.nearProjection, Matrix::identity());
  Scene scene;
  ASSERT_EQ(scene.restore(device, settings), kOk);
  device.beginScene();
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { scene.render(device, Matrix::identity()); }));
  EXPECT_TRUE(leavesStatesAsFound(device, [&] {
    scene.largeFont().drawText(0, 0, 0xFFFFFFFF, "boxed, point-filtered", kTextPointFilter | textBox(4, 128));
  }));
  device.endScene();
  ASSERT_GT(device.draws().size(), 1u);
  // The checker itself: a state left changed is named.
  EXPECT_FALSE(leavesStatesAsFound(device, [&] { device.setRenderState(RenderState::AlphaBlendEnable, 1); }));
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { device.setRenderState(RenderState::FogEnd, floatBits(9.0f)); }));
}

TEST(Scene, AViewBelowTheGroundIsLiftedAboveItLookingSlightlyDown) {
  Matrix stored = rotationY(0.5f);
  stored.m[3][0] = 100, stored.m[3][1] = 40, stored.m[3][2] = 200;
  const Matrix lifted = viewAboveGround(stored, 250.0f);
  EXPECT_FLOAT_EQ(lifted.m[3][1], 250.0f + kViewAboveGround);
  EXPECT_FLOAT_EQ(lifted.m[3][0], 100.0f);
  // The same heading, pitched down; the rows stay an orthonormal frame.
  EXPECT_NEAR(std::atan2(lifted.m[2][0], lifted.m[2][2]), 0.5f, 1e-5f);
  EXPECT_NEAR(lifted.m[2][1], -std::sin(kViewPitchDegrees * 0.017453292f), 1e-6f);
  const Vec3 r{lifted.m[0][0], lifted.m[0][1], lifted.m[0][2]}, u{lifted.m[1][0], lifted.m[1][1], lifted.m[1][2]},
      f{lifted.m[2][0], lifted.m[2][1], lifted.m[2][2]};
  EXPECT_NEAR(dot(r, u), 0.0f, 1e-6f);
  EXPECT_NEAR(dot(u, f), 0.0f, 1e-6f);
  EXPECT_NEAR(dot(f, f), 1.0f, 1e-6f);
  EXPECT_GT(u.y, 0.9f);  // upright
  // A view already above the ground is kept as it is.
  stored.m[3][1] = 400;
  const Matrix kept = viewAboveGround(stored, 250.0f);
  EXPECT_EQ(std::memcmp(&kept, &stored, sizeof stored), 0);
}

TEST(SaverErrors, EveryCodeHasItsOwnStringAndText) {
  std::set<unsigned> ids;
  for (const SaverErrorText& e : saverErrorTexts()) {
    EXPECT_TRUE(ids.insert(e.stringId).second) << e.stringId;
    EXPECT_GT(std::strlen(e.text), 20u);
    EXPECT_EQ(&saverErrorText(e.code), &e);
  }
  EXPECT_EQ(ids, (std::set<unsigned>{2100, 2101, 2102, 2103, 2104, 2105, 2106, 2107, 2108, 2109, 2110, 2111, 2112}));
  for (HResult code : {kSaverNoDirect3D, kSaverNoDevice, kSaverNoDeviceType, kSaverResizeFailed, kSaverUnitFailed,
                       kSaverPreviewFailed}) {
    EXPECT_NE(saverErrorText(code).stringId, kGenericErrorTextId) << std::hex << code;
  }
  EXPECT_EQ(saverErrorText(kSaverDeviceObjects).stringId, kGenericErrorTextId);  // has no text of its own
  EXPECT_EQ(saverErrorText(kD3DDeviceLost).stringId, kGenericErrorTextId);
}

}  // namespace
}  // namespace skyloom

namespace skyloom {
namespace {

// With no aircraft files the scene still has the built-in description and meshes, and their
// textures follow the device through a hundred resets without a texture left behind.
TEST(Scene, AircraftLibrariesComeWithTheSceneAndFollowTheDevice) {
  RecordingDevice device;
  SceneConfig config;
  config.aircraftFiles = std::vector<std::string>{"null"};
  Scene scene(config);
  ASSERT_NE(scene.aircraft(), nullptr);
  EXPECT_EQ(scene.aircraft()->descriptions.size(), 1u);
  EXPECT_EQ(scene.aircraft()->models.size(), 3u);
  EXPECT_EQ(scene.aircraft()->filesLoaded, 0u);
  const SceneSettings settings = sceneSettingsFor(90, 640, 480);
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(succeeded(scene.restore(device, settings)));
    scene.invalidate();
  }
  EXPECT_EQ(device.liveTextures(), 0u);
  EXPECT_EQ(Scene(SceneConfig{}).aircraft(), nullptr);
}

}  // namespace
}  // namespace skyloom

namespace skyloom {
namespace {

// The chosen aircraft fly as the starting formation from the scene's start; the frame steps
// them, the keys reach them, and they draw (with their trails) leaving the states as found.
TEST(Scene, TheStartingFormationFliesAndDraws) {
  RecordingDevice device;
  SceneConfig config;
  config.aircraftFiles = std::vector<std::string>{"null"};
  config.chosenAircraft = std::vector<std::string>(12, "null");
  config.startX = 20000;
  config.startZ = 30000;
  Scene scene(config);
  ASSERT_NE(scene.units(), nullptr);
  UnitList& units = *scene.units();
  ASSERT_EQ(units.count(), 12u);
  const Vec3 start = units.unit(0).position;
  EXPECT_NEAR(start.x, 20000, 1e-3);
  ASSERT_TRUE(succeeded(scene.restore(device, sceneSettingsFor(90, 640, 480))));
  for (int i = 0; i < 30; ++i) scene.advanceFrame(1 / 30.0, 1000 + i * 33);
  EXPECT_GT(length(units.unit(0).position - start), 100.0f);
  EXPECT_TRUE(scene.onChar('+'));
  EXPECT_FALSE(scene.onChar('q'));
  EXPECT_GT(scene.trails()->trailCount(), 0);

  // From just behind the first unit it is large on screen.
  Matrix camera = Matrix::identity();
  const Vec3 p = units.unit(0).position;
  camera.m[3][0] = p.x - 5, camera.m[3][1] = p.y, camera.m[3][2] = p.z;
  const SceneSettings settings = sceneSettingsFor(90, 640, 480);
  applySceneStates(device, settings.nearProjection, Matrix::identity());
  device.clearRecording();
  device.beginScene();
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { scene.render(device, camera); }));
  device.endScene();
  EXPECT_GT(device.draws().size(), 0u);
  scene.invalidate();
}

}  // namespace
}  // namespace skyloom

namespace skyloom {
namespace {

// The interface comes with the scene: the instruments show what the frame feeds them, "D" hides
// and shows them, and a layout handed to the scene is applied when the widgets are made.
TEST(Scene, TheInterfaceShowsTheFeedAndTakesItsLayoutOnce) {
  RecordingDevice device;
  Bytes layout;
  {
    SceneConfig config;
    config.withInterface = true;
    Scene scene(config);
    Widget* speed = scene.widgets()->find(kSpeedTapeId);
    ASSERT_NE(speed, nullptr);
    speed->moveBy(-1.0f, 0.5f);
    scene.widgets()->save(layout);
  }
  SceneConfig config;
  config.withInterface = true;
  config.savedLayout = layout;
  Scene scene(config);
  Widget* speed = scene.widgets()->find(kSpeedTapeId);
  const float placedX = speed->targetX;
  EXPECT_FLOAT_EQ(speed->depth, 100.0f);  // gliding in from far away
  ASSERT_EQ(scene.restore(device, SceneSettings{}), kOk);
  const int helpLines = scene.widgets()->helpWindow()->lineCount();
  InstrumentFeed feed;
  feed.camera.mode = 2;
  feed.throttle = 0.5f;
  scene.advanceFrame(0.02, 0);
  device.beginScene();
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { scene.render(device, Matrix::identity(), &feed); }));
  device.endScene();
  EXPECT_EQ(scene.widgets()->find(kCameraStatusId)->caption(), "C2 P50");

  EXPECT_TRUE(scene.onChar('d'));
  EXPECT_FALSE(speed->visible());
  scene.onChar('D');
  EXPECT_TRUE(speed->visible());
  // A device reset, many times over: the widgets stay where they were and nothing is read again.
  for (int i = 0; i < 100; ++i) {
    scene.invalidate();
    ASSERT_EQ(scene.restore(device, SceneSettings{}), kOk);
  }
  EXPECT_FLOAT_EQ(speed->targetX, placedX);
  EXPECT_EQ(scene.widgets()->helpWindow()->lineCount(), helpLines);
}

}  // namespace
}  // namespace skyloom
