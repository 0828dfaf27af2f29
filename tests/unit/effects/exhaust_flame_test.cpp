#include "effects/exhaust_flame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "aircraft/unit_pass.h"
#include "app/scene.h"
#include "effects/trail_manager.h"
#include "platform/gfx/recording_device.h"
#include "resources/image_test_util.h"
#include "resources/pack_test_util.h"
#include "resources/texture.h"
#include "resources/texture_registry.h"
#include "state_check.h"

namespace skyloom {
namespace {

TEST(ExhaustFlame, IsAConeOfEighteenVerticesAndThirtyTwoTriangles) {
  ExhaustFlame flame;
  const auto& v = flame.vertices();
  EXPECT_EQ(v[0].x, -10.0f);
  EXPECT_EQ(v[0].colour, 0x00FFFFFFu);
  EXPECT_EQ(v[0].u, 0.95f);
  EXPECT_EQ(v[1].x, 0.0f);
  EXPECT_EQ(v[1].colour, 0x8FFFFFFFu);
  EXPECT_EQ(v[1].u, 0.15f);
  for (int k = 0; k < 16; ++k) {
    const TrailVertex& r = v[static_cast<std::size_t>(k + 2)];
    EXPECT_EQ(r.x, 0.0f);
    EXPECT_NEAR(std::hypot(r.y, r.z), 1.0f, 1e-6f);
    EXPECT_NEAR(r.y, std::sin(k * 0.3927f), 1e-6f);
    EXPECT_EQ(r.colour, 0xFFFFFFFFu);
    EXPECT_EQ(r.u, 0.45f);
    EXPECT_EQ(r.v, k % 2 == 0 ? 0.52f : 0.5f);
  }
  EXPECT_NEAR(v[6].y, 1.0f, 1e-5f);  // a quarter turn: straight up
  const auto& i = flame.indices();
  const std::uint16_t first[] = {0, 2, 3, 1, 2, 3, 0, 3, 4};
  for (int k = 0; k < 9; ++k) EXPECT_EQ(i[static_cast<std::size_t>(k)], first[k]);
  const std::uint16_t last[] = {0, 17, 2, 1, 17, 2};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(i[static_cast<std::size_t>(90 + k)], last[k]);
}

// The flame is added onto the scene without lighting or depth writes, inside the unit pass,
// and leaves the pass's states (lighting on among them) as they were.
TEST(ExhaustFlame, DrawsItsLengthAddedOntoTheSceneAndPutsTheStatesBack) {
  RecordingDevice device;
  applySceneStates(device, Matrix::identity(), Matrix::identity());
  ExhaustFlame flame;
  device.beginScene();
  {
    UnitPass pass(device);
    EXPECT_TRUE(leavesStatesAsFound(device, [&] { flame.draw(device, 20.5f); }));
    EXPECT_EQ(device.state().renderState(RenderState::Lighting), 1u);
    flame.draw(device, std::numeric_limits<float>::quiet_NaN());
  }
  device.endScene();
  ASSERT_EQ(device.draws().size(), 1u);
  const RecordedDraw& d = device.draws()[0];
  EXPECT_EQ(d.primitiveCount, 32u);
  EXPECT_EQ(d.numVertices, 18u);
  EXPECT_EQ(d.stride, 24u);
  EXPECT_EQ(d.state.fvf, 0x142u);
  EXPECT_EQ(d.floatAt(0, 0), -20.5f);
  EXPECT_EQ(d.state.renderState(RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(d.state.renderState(RenderState::Lighting), 0u);
  EXPECT_EQ(d.state.renderState(RenderState::SrcBlend), Blend::SrcColor);
  EXPECT_EQ(d.state.renderState(RenderState::DestBlend), Blend::One);
  EXPECT_EQ(d.state.renderState(RenderState::ZWriteEnable), 0u);
}

TEST(ExhaustFlame, AsTheFlameSinkSitsAtTheAttachmentScaledInTheUnitsFrame) {
  RecordingDevice device;
  ExhaustFlame flame;
  FlameSink& sink = flame;
  device.beginScene();
  sink.drawFlame(device, rotationY(1.5707963f) * translation(100, 50, 0), {-3, 0, 1}, 0.5f, 21.0f);
  device.endScene();
  ASSERT_EQ(device.draws().size(), 1u);
  const Matrix& w = device.draws()[0].state.world;
  // The tip, 21 × 0.5 behind the point along the model's -x, turned with the unit.
  const Vec3 tip = transformCoord({-21.0f, 0, 0}, w);
  const Vec3 expected = transformCoord({-3.0f - 10.5f, 0, 1}, rotationY(1.5707963f) * translation(100, 50, 0));
  EXPECT_NEAR(tip.x, expected.x, 1e-3f);
  EXPECT_NEAR(tip.y, expected.y, 1e-3f);
  EXPECT_NEAR(tip.z, expected.z, 1e-3f);
  EXPECT_NEAR(transformCoord({0, 1, 0}, w).y, 50.5f, 1e-4f);
}

// ---------------------------------------------------------------------------------------------
// The two textures

class TrailTextures : public ::testing::Test {
 protected:
  void SetUp() override {
    // 4 × 4 grey pictures: the smoke's brightness 0x60, the flame's colour.
    testing::BmpShape grey;
    grey.width = grey.height = 4;
    grey.bits.assign(4 * 4 * 3, 0x60);
    testing::writeFile(dir.path() / "pack" / "trailfog.bmp", testing::asString(testing::makeBmp(grey)));
    testing::BmpShape fire = grey;
    fire.bits.assign(4 * 4 * 3, 0x30);
    testing::writeFile(dir.path() / "pack" / "r_fire02.bmp", testing::asString(testing::makeBmp(fire)));
  }
  void TearDown() override { setTextureDevice(nullptr); }

  testing::ScratchDir dir;
  TextureRegistry registry;
  RecordingDevice device;
};

TEST_F(TrailTextures, AreRegisteredOnceAndDrawnWhileTheDeviceHasThem) {
  auto manager = TrailManager::create(50, &registry);
  ASSERT_EQ(registry.size(), 2u);
  const TextureEntry& trail = registry.entry(0);
  const TextureEntry& fire = registry.entry(1);
  EXPECT_EQ(trail.name, "pack\\trailfog.bmp");
  EXPECT_EQ(trail.levels, 0u);
  EXPECT_EQ(trail.flags, kTextureAlphaOnly);
  EXPECT_EQ(trail.format, Format::A8R8G8B8);
  EXPECT_EQ(fire.name, "pack\\r_fire02.bmp");
  EXPECT_EQ(fire.levels, 1u);
  EXPECT_EQ(fire.flags, 0u);

  ASSERT_EQ(registry.restoreAll(&device), 2u);
  EXPECT_EQ(trail.texture->levelCount(), 3u);
  EXPECT_EQ(RecordingDevice::asRecording(trail.texture.get())->texel(0, 1, 1), 0x60FFFFFFu);
  EXPECT_EQ(fire.texture->levelCount(), 1u);

  SmokeTrail* t = manager->newTrail();
  manager->setClock(0, 0.016f);
  t->addPoint({0, 0, 0}, {});
  manager->setClock(10, 0.016f);
  t->addPoint({6, 0, 0}, {});
  device.beginScene();
  manager->render(device);
  manager->flame().draw(device, 20.0f);
  device.endScene();
  ASSERT_EQ(device.draws().size(), 2u);
  EXPECT_EQ(device.draws()[0].state.textures[0], RecordingDevice::textureId(trail.texture.get()));
  EXPECT_EQ(device.draws()[1].state.textures[0], RecordingDevice::textureId(fire.texture.get()));
  EXPECT_EQ(device.state().textures[0], 0u);  // nothing left bound
}

// A hundred device resets: the registry keeps its two entries, and once it has released them
// no texture is left to stop the reset; meanwhile everything draws untextured.
TEST_F(TrailTextures, FollowTheDeviceThroughResetsWithoutLeavingAnything) {
  auto manager = TrailManager::create(20, &registry);
  SmokeTrail* t = manager->newTrail();
  manager->setClock(0, 0.016f);
  t->addPoint({0, 0, 0}, {});
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(registry.restoreAll(&device), 2u);
    registry.releaseAll();
    ASSERT_EQ(device.liveTextures(), 0u);
    ASSERT_EQ(device.reset(), kOk);
  }
  EXPECT_EQ(registry.size(), 2u);
  device.beginScene();
  manager->setClock(5, 0.016f);
  manager->render(device);
  manager->flame().draw(device, 20.0f);
  device.endScene();
  ASSERT_EQ(device.draws().size(), 2u);
  EXPECT_EQ(device.draws()[0].state.textures[0], 0u);
  EXPECT_EQ(device.draws()[1].state.textures[0], 0u);

  // Without a registry (or with a full one) there are no entries, and drawing works the same.
  auto bare = TrailManager::create(20, nullptr);
  EXPECT_EQ(bare->trailTexture(), nullptr);
  EXPECT_EQ(registry.size(), 2u);
}

}  // namespace
}  // namespace skyloom
