#include "effects/sky_dome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "app/scene.h"
#include "platform/gfx/recording_device.h"
#include "state_check.h"
#include "world/height_source.h"
#include "world/terrain_draw.h"
#include "world/terrain_world.h"

namespace skyloom {
namespace {

constexpr float kPi = 3.14159265f;

SkyDome defaultSky(SkyDate date = {6, 21}) { return SkyDome(SkyColours{}, date, 1); }

bool sameMatrix(const Matrix& a, const Matrix& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---------------------------------------------------------------------------------------------
// The sun follows the calendar

TEST(SkySeason, TheSunStandsLowAtTheTurnOfTheYearAndHighestAtTheEndOfMay) {
  EXPECT_NEAR(SkyDome::seasonAngleFor({1, 1}) / kPi, (0.0863f * 0.25f + 0.33333334f), 2e-4f);
  EXPECT_NEAR(SkyDome::seasonAngleFor({1, 1}) / kPi, 0.355f, 1e-3f);
  EXPECT_NEAR(SkyDome::seasonAngleFor({6, 30}) / kPi, 0.416f * 0.25f + 0.33333334f, 2e-4f);
  EXPECT_NEAR(SkyDome::seasonAngleFor({6, 30}) / kPi, 0.437f, 1e-3f);
  // December runs past the fold's far end: c goes negative and the sun sinks lowest.
  EXPECT_NEAR(SkyDome::seasonAngleFor({12, 31}) / kPi, -0.088f * 0.25f + 0.33333334f, 2e-4f);
  EXPECT_NEAR(SkyDome::seasonAngleFor({12, 31}) / kPi, 0.311f, 1e-3f);
  // The peak, where month × 30.5 + day = 182.5.
  EXPECT_NEAR(SkyDome::seasonAngleFor({5, 30}) / kPi, 0.458f, 1e-3f);
  for (SkyDate d : {SkyDate{1, 1}, SkyDate{3, 15}, SkyDate{6, 30}, SkyDate{9, 9}, SkyDate{12, 31}}) {
    EXPECT_LE(SkyDome::seasonAngleFor(d), SkyDome::seasonAngleFor({5, 30}));
    EXPECT_GE(SkyDome::seasonAngleFor(d), SkyDome::seasonAngleFor({12, 31}));
  }
}

TEST(SkySeason, TheLightPointsDownFromTheSunInTheSettingsColour) {
  SkyDome sky(SkyColours{0xFF304090, 0xFF3070CF, 0xFF80FF00}, {1, 1}, 1);
  const Light& sun = sky.sunLight();
  EXPECT_EQ(sun.type, LightType::Directional);
  EXPECT_FLOAT_EQ(sun.diffuse.r, 128.0f / 255.0f);
  EXPECT_FLOAT_EQ(sun.diffuse.g, 1.0f);
  EXPECT_FLOAT_EQ(sun.diffuse.b, 0.0f);
  EXPECT_FLOAT_EQ(sun.diffuse.a, 0.0f);
  EXPECT_FLOAT_EQ(sun.specular.r + sun.specular.g + sun.specular.b + sun.ambient.r + sun.ambient.g + sun.ambient.b, 0);
  const float t = sky.seasonAngle();
  EXPECT_NEAR(sun.direction.x, -std::cos(kPi / 4) * std::sin(t), 1e-6f);
  EXPECT_NEAR(sun.direction.y, -std::sin(kPi / 4) * std::sin(t), 1e-6f);
  EXPECT_NEAR(sun.direction.z, std::cos(t), 1e-6f);
  // The light falls away from where the sun is drawn.
  const Vec3 to = sky.sunDirection();
  EXPECT_NEAR(length(to), 1.0f, 1e-5f);
  EXPECT_NEAR(dot(to, sun.direction), -1.0f, 1e-5f);

  // A new day moves the sun; a date that does not exist changes nothing.
  EXPECT_TRUE(sky.setDate({6, 30}));
  EXPECT_NEAR(sky.seasonAngle() / kPi, 0.437f, 1e-3f);
  for (SkyDate bad : {SkyDate{0, 1}, SkyDate{13, 1}, SkyDate{2, 30}, SkyDate{4, 0}, SkyDate{-5, -5}}) {
    EXPECT_FALSE(sky.setDate(bad));
  }
  EXPECT_NEAR(sky.seasonAngle() / kPi, 0.437f, 1e-3f);
  EXPECT_FLOAT_EQ(SkyDome(SkyColours{}, {99, 99}, 1).seasonAngle(), SkyDome::seasonAngleFor(SkyDate{}));
}

// ---------------------------------------------------------------------------------------------
// Colours

TEST(SkyColours, OnceIn128SkiesTheHorizonTurnsPink) {
  for (int value : {0, 128, 32768 - 128}) {
    SkyDome pink(SkyColours{}, {6, 21}, value);
    EXPECT_EQ(pink.fogColourA(), kPinkFogA) << value;
    EXPECT_EQ(pink.fogColourB(), kPinkFogB);
    EXPECT_EQ(pink.skirtVertices()[28].diffuse, kPinkFogB);
    EXPECT_EQ(pink.skirtVertices()[0].diffuse, kPinkFogA);
    // Each channel scaled by 255.5 / 256: 0xFC → 0xFB, 0xAC → 0xAB, 0xC0 → 0xBF.
    EXPECT_EQ(pink.domeVertices()[100].specular, 0x00FBABBFu);
  }
  for (int value : {1, 127, 129, 32767}) {
    SkyDome plain(SkyColours{0xFF304090, 0xFF123456, 0xFFFFFFFF}, {6, 21}, value);
    EXPECT_EQ(plain.fogColourA(), 0xFF123456u) << value;
    EXPECT_EQ(plain.fogColourB(), 0xFF123456u);
    EXPECT_EQ(plain.domeVertices()[0].specular, 0x00113355u);
  }
}

TEST(SkyColours, TheDomeDarkensTowardTheRimAndTheGlowIsAGrey) {
  SkyDome white(SkyColours{0xFFFFFFFF, 0xFF3070CF, 0xFFFFFFFF}, {6, 21}, 1);
  // k = 8 at the apex, 255 at the rim, 204 one ring above it.
  EXPECT_EQ(white.domeVertices()[0].diffuse, 0xFFF6F6F6u);
  EXPECT_EQ(white.domeVertices()[15].diffuse, 0xFF000000u);
  EXPECT_EQ(white.domeVertices()[14].diffuse, 0xFF323232u);
  EXPECT_EQ(white.domeVertices()[240].diffuse, 0xFF000000u);
  // With the default colours the glow is 0xD0 grey; a bright sky makes it no darker than 120.
  EXPECT_EQ(defaultSky().glowColour(), 0xFFD0D0D0u);
  EXPECT_EQ(white.glowColour(), 0xFF787878u);
  EXPECT_EQ(white.glowVertices()[0].diffuse, 0xFF787878u);
  EXPECT_EQ(white.glowVertices()[1].diffuse, 0xFF787878u);  // inner
  EXPECT_EQ(white.glowVertices()[2].diffuse, 0u);            // outer: adds nothing
}

// ---------------------------------------------------------------------------------------------
// Geometry

template <std::size_t N>
void expectIndicesBelow(const std::array<std::uint16_t, N>& indices, int vertexCount) {
  std::set<int> used;
  for (std::uint16_t i : indices) {
    EXPECT_LT(i, vertexCount);
    used.insert(i);
  }
  EXPECT_EQ(used.size(), static_cast<std::size_t>(vertexCount));
}

TEST(SkyGeometry, EveryPieceHasItsVertexAndIndexCountsAndUsesEveryVertex) {
  const SkyDome sky = defaultSky();
  EXPECT_EQ(sky.domeVertices().size(), 241u);
  EXPECT_EQ(sky.domeIndices().size(), 1392u);
  expectIndicesBelow(sky.domeIndices(), 241);
  EXPECT_EQ(sky.sunVertices().size(), 33u);
  EXPECT_EQ(sky.sunIndices().size(), 96u);
  expectIndicesBelow(sky.sunIndices(), 33);
  EXPECT_EQ(sky.glowVertices().size(), 65u);
  EXPECT_EQ(sky.glowIndices().size(), 288u);
  expectIndicesBelow(sky.glowIndices(), 65);

  // The skirt walks all 28 ring points and all 16 rim points: 44 triangles.
  ASSERT_EQ(sky.skirtIndexCount(), 132);
  std::set<int> used;
  for (int k = 0; k < sky.skirtIndexCount(); ++k) used.insert(sky.skirtIndices()[k]);
  EXPECT_EQ(used.size(), 44u);
  EXPECT_EQ(*used.rbegin(), 43);
  // It closes the circle: the last triangles join ring point 0 to the first and last rim points.
  const std::uint16_t* last = sky.skirtIndices() + 126;
  EXPECT_EQ((std::array<int, 6>{last[0], last[1], last[2], last[3], last[4], last[5]}),
            (std::array<int, 6>{0, 43, 27, 0, 28, 43}));
}

TEST(SkyGeometry, TheDomeMeetsTheGroundAtItsRimAndTheSkirtRimLiesOnIt) {
  const SkyDome sky = defaultSky();
  const float rim = 700000.0f * std::sin(1.1f);
  const SkyDomeVertex& apex = sky.domeVertices()[0];
  EXPECT_FLOAT_EQ(apex.y, 700000.0f * (1.0f - std::cos(1.1f)));
  EXPECT_FLOAT_EQ(apex.ny, 1.0f);
  for (int s = 0; s < 16; ++s) {
    const SkyDomeVertex& v = sky.domeVertices()[static_cast<std::size_t>(15 + 15 * s)];
    EXPECT_NEAR(v.y, 0.0f, 0.1f) << s;
    EXPECT_NEAR(v.x, rim * std::cos(s * 2 * kPi / 16), 1.0f) << s;
    EXPECT_NEAR(v.z, rim * std::sin(s * 2 * kPi / 16), 1.0f) << s;
  }
  for (int i = 0; i < 16; ++i) {
    const SkyColourVertex& v = sky.skirtVertices()[static_cast<std::size_t>(28 + i)];
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_NEAR(v.x, rim * std::cos((i - 2) * 2 * kPi / 16), 1.0f) << i;
    EXPECT_NEAR(v.z, rim * std::sin((i - 2) * 2 * kPi / 16), 1.0f) << i;
  }
  // The sun disk's rim is 700 from its centre; the glow's rays reach between 17 and 19 × 8166.67.
  EXPECT_NEAR(std::hypot(sky.sunVertices()[9].y, sky.sunVertices()[9].z), 700.0f, 1e-3f);
}

// ---------------------------------------------------------------------------------------------
// Drawing

class SkyDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = sceneSettingsFor(90, 640, 480);
    applySceneStates(device, settings.nearProjection, Matrix::identity());
    sky.setProjections(settings.nearProjection, settings.farProjection);
    device.beginScene();
  }
  void drawLookingAlong(const Vec3& view) {
    device.clearRecording();
    sky.draw(device, eye, view);
  }

  RecordingDevice device;
  SceneSettings settings;
  SkyDome sky = defaultSky({1, 1});
  Vec3 eye{5000.0f, 800.0f, 7000.0f};
};

TEST_F(SkyDraw, DrawsDomeSunGlowAndSkirtInOrderWithTheFarProjection) {
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { sky.draw(device, eye, {0, 0, 1}); }));
  const auto& draws = device.draws();
  ASSERT_EQ(draws.size(), 4u);
  struct Expected { std::uint32_t fvf, stride, vertices, triangles; };
  const Expected expected[4] = {{0x1D2, 40, 241, 464}, {0x42, 16, 33, 32}, {0x42, 16, 65, 96}, {0x42, 16, 44, 44}};
  for (int k = 0; k < 4; ++k) {
    const RecordedDraw& d = draws[static_cast<std::size_t>(k)];
    EXPECT_EQ(d.state.fvf, expected[k].fvf) << k;
    EXPECT_EQ(d.stride, expected[k].stride) << k;
    EXPECT_EQ(d.numVertices, expected[k].vertices) << k;
    EXPECT_EQ(d.primitiveCount, expected[k].triangles) << k;
    EXPECT_TRUE(d.indexed);
    EXPECT_TRUE(sameMatrix(d.state.projection, settings.farProjection)) << k;
    EXPECT_EQ(d.state.renderState(RenderState::ZEnable), ZBuffer::False) << k;
    EXPECT_EQ(d.state.renderState(RenderState::FogEnable), 0u) << k;
    EXPECT_EQ(d.state.textures[0], 0u) << k;
    const LightSlot* light = d.state.light(kSunLight);
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(std::memcmp(&light->light, &sky.sunLight(), sizeof(Light)), 0);
  }
  // The dome in the far haze colour with the ambient it asks for, centred on the eye at ground level.
  EXPECT_EQ(draws[0].state.renderState(RenderState::FogColor), sky.fogColourB());
  EXPECT_EQ(draws[0].state.renderState(RenderState::Ambient), SkyDome::kDomeAmbient);
  EXPECT_EQ(draws[0].state.renderState(RenderState::AlphaBlendEnable), 0u);
  EXPECT_FLOAT_EQ(draws[0].state.world.m[3][0], eye.x);
  EXPECT_FLOAT_EQ(draws[0].state.world.m[3][1], 0.0f);
  // Sun and glow add their colour.
  for (int k : {1, 2}) {
    const RecordedState& s = draws[static_cast<std::size_t>(k)].state;
    EXPECT_EQ(s.renderState(RenderState::AlphaBlendEnable), 1u);
    EXPECT_EQ(s.renderState(RenderState::SrcBlend), Blend::SrcColor);
    EXPECT_EQ(s.renderState(RenderState::DestBlend), Blend::One);
  }
  // The sun's centre lies 40000 from the eye toward the sun, the glow's 200000.
  const Vec3 sunAt = transformCoord({0, 0, 0}, draws[1].state.world) - eye;
  const Vec3 glowAt = transformCoord({0, 0, 0}, draws[2].state.world) - eye;
  EXPECT_NEAR(dot(sunAt, sky.sunDirection()), 40000.0f, 1.0f);
  EXPECT_NEAR(length(sunAt), 40000.0f, 1.0f);
  EXPECT_NEAR(dot(glowAt, sky.sunDirection()), 200000.0f, 5.0f);
  // The disk faces the eye: its plane's normal (x) turns onto the sun's direction.
  const Vec3 facing = normalize(transformNormal({1, 0, 0}, draws[1].state.world));
  EXPECT_NEAR(dot(facing, sky.sunDirection()), 1.0f, 1e-5f);
  EXPECT_EQ(draws[3].state.renderState(RenderState::AlphaBlendEnable), 0u);

  // Left for the rest of the frame: the horizon's haze as fog colour, the sun as light 0, the
  // near projection.
  EXPECT_EQ(device.state().renderState(RenderState::FogColor), sky.fogColourA());
  EXPECT_TRUE(sameMatrix(device.state().projection, settings.nearProjection));
  ASSERT_NE(device.state().light(kSunLight), nullptr);
  EXPECT_TRUE(device.state().light(kSunLight)->enabled);
}

TEST_F(SkyDraw, TheGlowGrowsAsTheViewTurnsTowardTheSun) {
  const Vec3 toSun = sky.sunDirection();
  drawLookingAlong(-toSun);
  EXPECT_FLOAT_EQ(sky.glowSize(), 0.051f);
  drawLookingAlong(Vec3{0, -1, 0});  // straight down: still the minimum
  EXPECT_FLOAT_EQ(sky.glowSize(), 0.051f);
  drawLookingAlong(toSun);
  EXPECT_NEAR(sky.glowSize(), 0.195f, 1e-5f);
  // Every ray vertex scales with it, from the untouched rays: ray 8 points straight up (φ = π/2).
  ASSERT_EQ(device.draws().size(), 4u);
  const RecordedDraw& glow = device.draws()[2];
  EXPECT_NEAR(glow.floatAt(17, 4), 0.195f * 1365.0f, 0.01f);                              // inner
  EXPECT_NEAR(glow.floatAt(18, 4), 0.195f * (std::sin(16.0f) + 18.0f) * 8166.6665f, 0.5f);  // outer
  EXPECT_NEAR(glow.floatAt(18, 0), 0.0f, 1e-6f);
  // Drawn again looking away, the size does not compound.
  drawLookingAlong(-toSun);
  EXPECT_NEAR(device.draws()[2].floatAt(17, 4), 0.051f * 1365.0f, 0.01f);
}

TEST_F(SkyDraw, TheSkirtTakesTheHorizonRingsPoints) {
  Vec3 ring[28];
  for (int i = 0; i < 28; ++i) ring[i] = Vec3{100.0f * static_cast<float>(i), 50.0f + static_cast<float>(i), -30.0f};
  sky.horizonRing(ring);
  drawLookingAlong({0, 0, 1});
  ASSERT_EQ(device.draws().size(), 4u);
  const RecordedDraw& skirt = device.draws()[3];
  for (std::uint32_t i = 0; i < 28; ++i) {
    EXPECT_FLOAT_EQ(skirt.floatAt(i, 0), ring[i].x) << i;
    EXPECT_FLOAT_EQ(skirt.floatAt(i, 4), ring[i].y) << i;
    EXPECT_FLOAT_EQ(skirt.floatAt(i, 8), ring[i].z) << i;
    EXPECT_EQ(skirt.dwordAt(i, 12), sky.fogColourA());
  }
  EXPECT_EQ(skirt.dwordAt(28, 12), sky.fogColourB());
  // The ring is relative to the eye on the ground plane; the skirt is placed there.
  EXPECT_FLOAT_EQ(skirt.state.world.m[3][0], eye.x);
  EXPECT_FLOAT_EQ(skirt.state.world.m[3][1], 0.0f);
  EXPECT_FLOAT_EQ(skirt.state.world.m[3][2], eye.z);
}

TEST_F(SkyDraw, WithoutProjectionsOnlyTheLightAndTheFogColourAreSet) {
  SkyDome fresh = defaultSky();
  device.clearRecording();
  fresh.draw(device, eye, {0, 0, 1});
  EXPECT_TRUE(device.draws().empty());
  EXPECT_EQ(device.state().renderState(RenderState::FogColor), fresh.fogColourA());
  EXPECT_EQ(std::memcmp(&device.state().light(kSunLight)->light, &fresh.sunLight(), sizeof(Light)), 0);
  EXPECT_TRUE(sameMatrix(device.state().projection, settings.nearProjection));
}

// ---------------------------------------------------------------------------------------------
// In the scene

SkyDate midwinter() { return {12, 31}; }

TEST(SceneSky, TheSceneDrawsTheSkyFirstAndReadsTheDateEachFrame) {
  RecordingDevice device;
  const SceneSettings settings = sceneSettingsFor(90, 640, 480);
  applySceneStates(device, settings.nearProjection, Matrix::identity());
  SceneConfig config;
  config.sky = SkyColours{};
  config.date = {5, 30};
  config.clock = midwinter;
  Scene scene(config);
  ASSERT_NE(scene.sky(), nullptr);
  EXPECT_NEAR(scene.sky()->seasonAngle() / kPi, 0.458f, 1e-3f);
  ASSERT_EQ(scene.restore(device, settings), kOk);
  device.beginScene();
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { scene.render(device, Matrix::identity()); }));
  device.endScene();
  EXPECT_NEAR(scene.sky()->seasonAngle() / kPi, 0.311f, 1e-3f);
  ASSERT_GE(device.draws().size(), 4u);
  EXPECT_EQ(device.draws()[0].numVertices, 241u);
  EXPECT_TRUE(sameMatrix(device.draws()[0].state.projection, settings.farProjection));
  EXPECT_EQ(device.state().renderState(RenderState::FogColor), scene.sky()->fogColourA());
  EXPECT_TRUE(sameMatrix(device.state().projection, settings.nearProjection));
}

TEST(SceneSky, TheTerrainHandsTheSkyItsRingAndDrawsItBeforeTheGroundWithDepthTestingOff) {
  HeightGrid grid(64, 64);
  for (auto& h : grid.samples) h = 3000;  // 500 m
  auto source = std::make_unique<HeightSource>();
  source->loadGrid(std::move(grid), 20.0f);
  TerrainWorld world(600.0f, 600.0f, std::move(source), TerrainSettings{});
  SkyDome sky = defaultSky();
  world.setSky(&sky);
  EXPECT_EQ(world.horizonSink(), &sky);

  RecordingDevice device;
  const SceneSettings settings = sceneSettingsFor(90, 640, 480);
  applySceneStates(device, settings.nearProjection, Matrix::identity());
  sky.setProjections(settings.nearProjection, settings.farProjection);
  ASSERT_EQ(world.restore(device), kOk);
  ViewFrustum frustum(640, 480, 1.5707963f);
  Matrix camera = Matrix::identity();
  camera.m[3][0] = 600.0f, camera.m[3][1] = 900.0f, camera.m[3][2] = 600.0f;
  frustum.update(camera);
  device.beginScene();
  world.render(device, frustum);
  device.endScene();

  const auto& draws = device.draws();
  ASSERT_GT(draws.size(), 4u);
  EXPECT_EQ(draws[0].numVertices, 241u);
  EXPECT_EQ(draws[3].numVertices, 44u);
  for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(draws[k].state.renderState(RenderState::ZEnable), ZBuffer::False);
  for (std::size_t k = 4; k < draws.size(); ++k) {
    EXPECT_EQ(draws[k].state.fvf, kTerrainFvf) << k;
    EXPECT_EQ(draws[k].state.renderState(RenderState::ZEnable), ZBuffer::True) << k;
    EXPECT_TRUE(sameMatrix(draws[k].state.projection, settings.nearProjection)) << k;
  }
  const auto& ring = world.draw().horizon();
  for (std::uint32_t i = 0; i < 28; ++i) {
    EXPECT_FLOAT_EQ(draws[3].floatAt(i, 0), ring[i].x) << i;
    EXPECT_FLOAT_EQ(draws[3].floatAt(i, 4), ring[i].y) << i;
  }
  world.setSky(nullptr);
}

}  // namespace
}  // namespace skyloom
