#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/gfx/recording_device.h"
#include "state_check.h"
#include "world/ground_class.h"
#include "world/land_textures.h"
#include "world/terrain_landscape.h"
#include "world/terrain_world.h"
#include "world/texture_compose.h"
#include "world/texture_pyramid.h"

namespace skyloom {
namespace {

constexpr std::uint32_t land(int cls, int height = 0) {
  return kSampleLand | (static_cast<std::uint32_t>(cls) << kSampleClassShift) | static_cast<std::uint32_t>(height);
}
constexpr std::uint32_t water(int depth) { return kSampleWater | (static_cast<std::uint32_t>(depth) << kSampleDepthShift); }

// One colour for every texel of class k's picture.
void solid(LandTextures& t, int k, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const std::uint8_t rgb[3] = {r, g, b};
  ASSERT_TRUE(t.assign(k, rgb, 3, 1, 1));
}

ComposeLight overheadSun(std::uint8_t tint) {
  ComposeLight l;
  l.direction = {0.0f, -1.0f, 0.0f};
  l.tint[0] = l.tint[1] = l.tint[2] = tint;
  return l;
}

std::uint32_t rgbOf(std::uint32_t texel) { return texel & 0xFFFFFFu; }

// --- land pictures ----------------------------------------------------------------------------

TEST(LandTextures, RepeatIntoAPowerOfTwoSquareAndReduceWithTruncatedMeans) {
  LandTextures t;
  // 3 × 2 picture: red channel 10 × x + 100 × z; the square is 4 × 4, columns and rows modulo.
  std::vector<std::uint8_t> rgb;
  for (int z = 0; z < 2; ++z)
    for (int x = 0; x < 3; ++x) rgb.insert(rgb.end(), {static_cast<std::uint8_t>(10 * x + 100 * z), 0, 0});
  ASSERT_TRUE(t.assign(4, rgb.data(), rgb.size(), 3, 2));
  EXPECT_EQ(t.sideLog2(4), 2);
  EXPECT_EQ(t.texel(4, 0, 3, 2)[0], 0) << "column 3 repeats column 0, row 2 row 0";
  EXPECT_EQ(t.texel(4, 0, 5, 1)[0], 110) << "the square repeats across the ground";
  // Mip 1, texel (0, 0): (0 + 10 + 100 + 110) >> 2 = 55; texel (1, 0): (20 + 0 + 120 + 100) >> 2 = 60.
  EXPECT_EQ(t.texel(4, 1, 0, 0)[0], 55);
  EXPECT_EQ(t.texel(4, 1, 1, 0)[0], 60);
  // Mip 2 is 1 × 1: (55 + 60 + 55 + 60) >> 2 = 57; beyond the chain it repeats.
  EXPECT_EQ(t.texel(4, 2, 7, 9)[0], 57);
  EXPECT_EQ(t.texel(4, 12, 0, 0)[0], 57);
}

TEST(LandTextures, BadPicturesLeaveTheirClassGrey) {
  LandTextures t;
  const std::uint8_t rgb[12] = {};
  EXPECT_FALSE(t.assign(1, rgb, sizeof rgb, 4, 4)) << "too few bytes";
  EXPECT_FALSE(t.assign(1, rgb, sizeof rgb, 0, 1));
  EXPECT_FALSE(t.assign(8, rgb, sizeof rgb, 2, 2));
  EXPECT_FALSE(t.assign(1, nullptr, 0, 1, 1));
  EXPECT_EQ(t.texel(1, 3, 5, 5)[1], 128);
}

// --- composition ------------------------------------------------------------------------------

class ComposeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    samples.assign(kTileSampleCount, land(1));
    texels.assign(kTextureTileSide * kTextureTileSide, 0);
    for (int k = 0; k < LandTextures::kCount; ++k) solid(pictures, k, 255, 255, 255);
  }
  void composeAll(int level, const ComposeLight& light) {
    for (int q = 0; q < kTextureQuarters; ++q)
      composer.composeQuarter(samples.data(), level, q, 1.0f, 1.0f / 6.0f, pictures, light, texels.data());
  }
  // Texel of sample (x, z): the tile's low z is the texture's last row.
  std::uint32_t at(int x, int z) const { return texels[(kTextureTileSide - 1 - z) * kTextureTileSide + x]; }
  std::uint32_t& sample(int x, int z) { return samples[z * kTileSamples + x]; }

  std::vector<std::uint32_t> samples, texels;
  LandTextures pictures;
  TextureComposer composer;
};

TEST_F(ComposeTest, FlatLandUnderTheSunTakesItsPictureTintedAndLit) {
  solid(pictures, 1, 200, 100, 50);
  composeAll(0, overheadSun(0x30));
  // Full shade: (255 − 48) × 255 × 1 / 255 + 48 = 255, then × t >> 8.
  EXPECT_EQ(rgbOf(at(0, 0)), (199u << 16) | (99u << 8) | 49u);
  EXPECT_EQ(at(64, 127), at(0, 0));
  // A sun at 30° above the horizon: shade = trunc(255 × 0.5) = 127; (207 × 127 / 255 + 48) = 151.
  ComposeLight low = overheadSun(0x30);
  low.direction = {0.0f, -0.5f, -std::sqrt(0.75f)};
  composeAll(0, low);
  EXPECT_EQ(composer.shade(3, 3), 127);
  EXPECT_EQ(rgbOf(at(3, 3)), ((151u * 200 >> 8) << 16) | ((151u * 100 >> 8) << 8) | (151u * 50 >> 8));
  // A sun-coloured light scales the lit part of each channel only.
  ComposeLight red = overheadSun(0x30);
  red.green = red.blue = 0.0f;
  composeAll(0, red);
  EXPECT_EQ(rgbOf(at(5, 5)), (199u << 16) | ((48u * 100 >> 8) << 8) | (48u * 50 >> 8));
}

TEST_F(ComposeTest, SteepSamplesUseRockWhateverTheirClassAndWriteItBack) {
  solid(pictures, 3, 90, 90, 90);
  solid(pictures, 6, 10, 200, 10);
  // Rising 2 m per metre along x for x ≥ 64 (12 units per sample): n.y = 1 / √5, flatness 114.
  for (int z = 0; z < kTileSamples; ++z)
    for (int x = 0; x < kTileSamples; ++x) sample(x, z) = land(6, x >= 64 ? (x - 64) * 12 : 0);
  composeAll(0, overheadSun(0));
  EXPECT_EQ(sampleClass(sample(70, 10)), kRockClass);
  EXPECT_EQ(sampleClass(sample(10, 10)), 6) << "flat ground keeps its class";
  EXPECT_EQ((at(70, 10) >> 8) & 0xFF, (at(70, 10) >> 16) & 0xFF) << "grey rock, not green";
  EXPECT_GT((at(10, 10) >> 8) & 0xFF, 150u);
  EXPECT_EQ(composer.flatness(70, 10 - 0), 114);
}

TEST_F(ComposeTest, WaterFactorsFollowTheDepthByte) {
  // Tint 0 and a white picture: channel = trunc(shade × factor) × 255 >> 8 with shade 255.
  for (int depth : {0, 255}) {
    samples.assign(kTileSampleCount, water(depth));
    composeAll(0, overheadSun(0));
    const std::uint32_t t = at(40, 40);
    if (depth == 0) {
      // 0.8, 1.5, 0.7 of the shade: 204, 382 (clamped), 178.
      EXPECT_EQ(rgbOf(t), ((204u * 255 >> 8) << 16) | (255u << 8) | (178u * 255 >> 8));
    } else {
      // 0.35, 0.51, 0.475 of the shade: 89, 130, 121.
      EXPECT_EQ(rgbOf(t), ((89u * 255 >> 8) << 16) | ((130u * 255 >> 8) << 8) | (121u * 255 >> 8));
    }
  }
}

TEST_F(ComposeTest, CoastTurnsWhiteOnLandAndBlendsByLevelOnWater) {
  solid(pictures, 0, 0, 0, 0);
  solid(pictures, 1, 0, 0, 0);
  // Water below z = 64 (depth 255, darkest), land above.
  for (int z = 0; z < kTileSamples; ++z)
    for (int x = 0; x < kTileSamples; ++x) sample(x, z) = z < 64 ? water(255) : land(1);
  composeAll(0, overheadSun(0));
  // z = 63 is water with land to +z: at level 0 the picture becomes (255 × 255) >> 8 = 254.
  EXPECT_EQ((at(10, 63) >> 16) & 0xFF, (89u * 254 >> 8));
  EXPECT_EQ(rgbOf(at(10, 62)), 0u) << "open water keeps the black picture";
  EXPECT_EQ(rgbOf(at(10, 64)), 0u) << "land whose neighbours are land keeps its picture";
  // Land next to water turns white: put water to the +x of one land sample.
  sample(31, 100) = water(0);
  composeAll(0, overheadSun(0));
  EXPECT_EQ(rgbOf(at(30, 100)), (254u << 16) | (254u << 8) | 254u);
  // From level 8 the water side no longer blends.
  composeAll(8, overheadSun(0));
  EXPECT_EQ(rgbOf(at(10, 63)), 0u);
}

TEST(TexelPack, SixteenBitChannelsScaleAsVTimesTwoToTheKMinusVOver256) {
  std::vector<std::uint32_t> texels(kTextureTileSide * kTextureTileSide, 0xFF000000u | (199u << 16) | (99u << 8) | 49u);
  std::vector<std::uint8_t> bits(256 * 2);
  packTexels(true, texels.data(), 0, 2, bits.data(), 256);
  const std::uint16_t v = static_cast<std::uint16_t>(bits[2] | (bits[3] << 8));
  // (199 × 31) >> 8 = 24, (99 × 63) >> 8 = 24, (49 × 31) >> 8 = 5.
  EXPECT_EQ(v, (24u << 11) | (24u << 5) | 5u);
  EXPECT_EQ(bits[256 + 2], bits[2]) << "rows follow the pitch";
}

// --- the pyramid ------------------------------------------------------------------------------

HeightGrid flatGrid(int side) {
  HeightGrid g(side, side);
  for (int z = 0; z < side; ++z)
    for (int x = 0; x < side; ++x) g.at(x, z) = 600;
  return g;
}

class TexturePyramidTest : public ::testing::Test {
 protected:
  void SetUp() override { make(3, 4, 1.0f); }
  void make(int textureLevels, int heightLevels, float detail) {
    textures.reset();
    heights.reset();
    source.loadGrid(flatGrid(300), 10.0f);
    params = terrainParams(10.0f, kPublishedHeightUnit, 0, detail);
    params.textureLevelCount = textureLevels;
    params.heightLevelCount = heightLevels;
    params.windowTiles = 5;
    heights = std::make_unique<TilePyramid>(source, params, nullptr);
    heights->moveTo(1000, 1000);
    textures = std::make_unique<TexturePyramid>(*heights, params);
    textures->moveTo(1000, 1000);
  }
  // Updates until the tile at level `level` holding (x, z) is composed, fetching it each frame
  // as the draw pass would.
  Texture* composeTile(int level, std::int32_t x, std::int32_t z) {
    for (int frame = 0; frame < 40; ++frame) {
      int found = level;
      Texture* t = textures->fetch(found, x, z);
      if (t && found == level) return t;
      textures->update(1000, 1000);
    }
    return nullptr;
  }

  HeightSource source;
  TerrainParams params;
  std::unique_ptr<TilePyramid> heights;
  std::unique_ptr<TexturePyramid> textures;
  RecordingDevice device;
};

TEST_F(TexturePyramidTest, FormatIsSixteenBitForSmallWindowsOrShortMemory) {
  EXPECT_EQ(TexturePyramid::chooseFormat(7, 10, 0xFFFFFFFFu), Format::R5G6B5);
  // 11² × 10 × 0x110000 / 10 = 134807552 bytes.
  EXPECT_EQ(TexturePyramid::chooseFormat(11, 10, 134807552u), Format::A8R8G8B8);
  EXPECT_EQ(TexturePyramid::chooseFormat(11, 10, 134807551u), Format::R5G6B5);
  ASSERT_EQ(textures->restore(device), kOk);
  EXPECT_EQ(textures->format(), Format::R5G6B5);
}

TEST_F(TexturePyramidTest, ComposedTexelsReachTheTileTextureThroughTheStagingCopy) {
  ASSERT_EQ(textures->restore(device), kOk);
  // A generated tile made flat class-1 land below z = 64 of the tile and class 2 above.
  int found = 0;
  ASSERT_NE(heights->fetchGenerating(found, 1000, 1000), nullptr);
  const HeightTile* tile = heights->tileAt(0, 1000, 1000);
  for (int z = 0; z < kTileSamples; ++z)
    for (int x = 0; x < kTileSamples; ++x) tile->samples[z * kTileSamples + x] = land(z < 64 ? 1 : 2);
  solid(textures->landTextures(), 1, 200, 100, 50);
  solid(textures->landTextures(), 2, 0, 0, 255);
  Light sun = defaultSunLight();
  sun.direction = {0.0f, -1.0f, 0.0f};
  textures->setSun(sun);

  Texture* t = composeTile(0, 1000, 1000);
  ASSERT_NE(t, nullptr);
  const RecordingTexture* rt = RecordingDevice::asRecording(t);
  ASSERT_NE(rt, nullptr);
  EXPECT_EQ(rt->pool(), Pool::Default);
  // Bottom row (low z): (199, 99, 49) → (24, 24, 5); top row: (0, 0, 254) → (0, 0, 30).
  EXPECT_EQ(rt->texel(0, 5, 127), (24u << 11) | (24u << 5) | 5u);
  EXPECT_EQ(rt->texel(0, 5, 0), 30u);
  EXPECT_EQ(rt->texel(3, 2, 15), (24u << 11) | (24u << 5) | 5u) << "mip levels are box-filtered";
}

TEST_F(TexturePyramidTest, TileWithoutAHeightTileCompletesItsQuartersUntouched) {
  make(3, 2, 1.0f);  // level 2 has no height tiles
  ASSERT_EQ(textures->restore(device), kOk);
  Texture* t = composeTile(2, 1000, 1000);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(textures->tileAt(2, 1000, 1000)->composed());
  for (const Command& c : device.commands()) EXPECT_NE(c.kind, CommandKind::UpdateTexture);
}

TEST_F(TexturePyramidTest, FetchFallsBackToTheFirstComposedCoarserLevel) {
  ASSERT_EQ(textures->restore(device), kOk);
  int level = 0;
  EXPECT_EQ(textures->fetch(level, 1000, 1000), nullptr);
  EXPECT_EQ(level, -1);
  // The fetch gave every level a job: the tile holding the position.
  for (int l = 0; l < 3; ++l) EXPECT_NE(textures->job(l), TexturePyramid::kNoJob);
  Texture* coarse = composeTile(2, 1000, 1000);
  ASSERT_NE(coarse, nullptr);
  // A position whose level-0 and level-1 tiles are not composed falls back to level 2.
  level = 0;
  const std::int32_t x = 700;  // other level-0 and level-1 tiles, the same level-2 tile
  ASSERT_NE(textures->tileAt(0, x, 1000), nullptr);
  ASSERT_FALSE(textures->tileAt(0, x, 1000)->composed());
  ASSERT_FALSE(textures->tileAt(1, x, 1000)->composed());
  EXPECT_EQ(textures->fetch(level, x, 1000), coarse);
  EXPECT_EQ(level, 2);
  // Outside every window: nothing.
  level = 0;
  EXPECT_EQ(textures->fetch(level, -5000000, 0), nullptr);
}

TEST_F(TexturePyramidTest, BudgetFollowsTheLastFrameMissesWithinItsBounds) {
  make(3, 4, 1.0f);  // detail 1: at least 1 quarter a frame
  textures->update(1000, 1000);
  EXPECT_EQ(textures->budget(), 0) << "nothing composes before restore";
  ASSERT_EQ(textures->restore(device), kOk);
  // Fetches of one coarsest tile: the first makes it the job, the others miss.
  auto fetchCoarsest = [&](int n) {
    for (int k = 0; k < n; ++k) {
      int level = 2;
      textures->fetch(level, 1000, 1000);
    }
  };
  textures->update(1000, 1000);
  EXPECT_EQ(textures->budget(), 1) << "the detail's minimum";
  fetchCoarsest(46);
  EXPECT_EQ(textures->missedRequests(), 45);
  EXPECT_EQ(textures->update(1000, 1000), 2) << "45 / 20 = 2 quarters";
  EXPECT_EQ(textures->missedRequests(), 0) << "the counters restart";
  fetchCoarsest(250);
  textures->update(1000, 1000);
  EXPECT_EQ(textures->budget(), 9) << "12 and more is capped at 9";
  textures->invalidate();
  fetchCoarsest(300);
  textures->update(1000, 1000);
  EXPECT_EQ(textures->budget(), 0) << "not while the device objects are gone";
}

TEST_F(TexturePyramidTest, ScrollingResetsTilesComingIntoViewAndDeviceResetsRecomposeAll) {
  ASSERT_EQ(textures->restore(device), kOk);
  ASSERT_NE(composeTile(0, 1000, 1000), nullptr);
  textures->invalidate();
  EXPECT_FALSE(textures->tileAt(0, 1000, 1000)->composed());
  ASSERT_EQ(textures->restore(device), kOk);
  ASSERT_NE(composeTile(0, 1000, 1000), nullptr);
  // A jump of a whole window: the tile now at that place is new.
  textures->moveTo(1000 + 128 * 5, 1000);
  const TextureTile* moved = textures->tileAt(0, 1000 + 128 * 5, 1000);
  ASSERT_NE(moved, nullptr);
  EXPECT_FALSE(moved->composed());
}

TEST_F(TexturePyramidTest, HundredRestoreInvalidateCyclesLeaveNoTextureBehind) {
  for (int k = 0; k < 100; ++k) {
    ASSERT_EQ(textures->restore(device), kOk);
    ASSERT_EQ(device.liveTextures(), 3u * 25 + 3) << "a texture per tile and a staging texture per level";
    textures->invalidate();
    ASSERT_EQ(device.liveTextures(), 0u);
  }
}

TEST_F(TexturePyramidTest, RestoreThatRunsOutOfMemoryFailsAndKeepsNothing) {
  RecordingDeviceConfig config;
  config.textureMemory = 20 * 128 * 128 * 2;  // fewer than the 75 tiles
  RecordingDevice small(config);
  EXPECT_LT(textures->restore(small), 0);
  EXPECT_EQ(small.liveTextures(), 0u);
  EXPECT_FALSE(textures->restored());
}

// --- the terrain draws with it ------------------------------------------------------------------

Matrix lookDown(const Vec3& eye) {
  Matrix m = Matrix::identity();
  const float p = -0.6f;
  const Vec3 f{0.0f, std::sin(p), std::cos(p)}, r{1.0f, 0.0f, 0.0f}, u{0.0f, std::cos(p), -std::sin(p)};
  const Vec3 rows[4] = {r, u, f, eye};
  for (int k = 0; k < 4; ++k) m.m[k][0] = rows[k].x, m.m[k][1] = rows[k].y, m.m[k][2] = rows[k].z;
  return m;
}

TEST(TerrainTexturing, DrawPassBindsFetchedTilesOnStageZeroAndModulates) {
  auto source = std::make_unique<HeightSource>();
  source->loadGrid(generatedLandscape(), 30.0f);
  TerrainSettings settings;
  TerrainWorld world(3000.0f, 3000.0f, std::move(source), settings);
  RecordingDevice device;
  ASSERT_EQ(world.restore(device), kOk);
  device.beginScene();
  ViewFrustum frustum(640, 480, 1.0f);
  const Vec3 eye{3000.0f, world.heights().groundHeight(3000.0f, 3000.0f) + 400.0f, 3000.0f};
  frustum.update(lookDown(eye));
  for (int frame = 0; frame < 60; ++frame) world.render(device, frustum);
  device.clearRecording();
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { world.render(device, frustum); }));
  int textured = 0;
  for (const RecordedDraw& d : device.draws()) {
    if (d.state.textures[0] == 0) {
      EXPECT_EQ(d.state.stageState(0, TextureStageState::ColorOp), TextureOp::SelectArg2);
      continue;
    }
    ++textured;
    EXPECT_EQ(d.state.stageState(0, TextureStageState::ColorOp), TextureOp::Modulate);
    EXPECT_EQ(d.state.stageState(0, TextureStageState::ColorArg1), TextureArg::Texture);
    EXPECT_EQ(d.state.stageState(0, TextureStageState::ColorArg2), TextureArg::Diffuse);
  }
  EXPECT_GT(textured, 0);
  EXPECT_EQ(device.state().textures[0], 0u) << "stage 0 is unbound after the terrain";
  // The textures the draws used are the pyramid's tiles, in default-pool memory.
  world.invalidate();
  EXPECT_EQ(device.liveTextures(), 0u);
  ASSERT_EQ(world.restore(device), kOk);
  world.invalidate();
  EXPECT_EQ(device.liveTextures(), 0u);
}

}  // namespace
}  // namespace skyloom
