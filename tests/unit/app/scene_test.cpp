#include <gtest/gtest.h>

#include "app/scene.h"
#include "platform/gfx/recording_device.h"

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
  EXPECT_FLOAT_EQ(s.projection.m[1][1], 1.0f);  // 90 degrees: cot(45) = 1
  EXPECT_FLOAT_EQ(s.projection.m[0][0], 0.75f);
}

}  // namespace
}  // namespace skyloom
