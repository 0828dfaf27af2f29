#include "world/tree_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/gfx/recording_device.h"
#include "world/building_field.h"
#include "world/ground_class.h"
#include "world/height_pyramid.h"
#include "world/terrain_landscape.h"
#include "world/terrain_world.h"
#include "world/texture_compose.h"

namespace skyloom {
namespace {

// The generated landscape (30 m samples, heights from sea to mountain) at detail 1.
struct Ground {
  HeightSource source;
  TerrainParams params;
  std::unique_ptr<TilePyramid> pyramid;
  Ground() {
    source.loadGrid(generatedLandscape(), 30.0f);
    params = terrainParams(30.0f, source.heightUnit(), 0, 1.0f);
    pyramid = std::make_unique<TilePyramid>(source, params, nullptr);
  }
  std::int32_t cellOf(float metres) const { return static_cast<std::int32_t>(std::floor(metres / params.spacing)); }
};

TEST(TreeField, TreesStandOnClassFourGroundOnlyUpToFourAFinestCell) {
  Ground g;
  LandImage noise;  // none: the hash stands in
  TreeField trees(g.params, 140, *g.pyramid, noise);
  const std::int32_t cx = g.cellOf(7000.0f), cz = g.cellOf(6000.0f);
  g.pyramid->moveTo(cx, cz);
  trees.moveTo(cx, cz);
  const SceneryGrid& finest = trees.level(0);
  EXPECT_EQ(finest.size() % 2, 1);
  int forest = 0, other = 0;
  for (int j = 0; j < finest.size(); ++j) {
    for (int i = 0; i < finest.size(); ++i) {
      const TreeCell& cell = trees.cell(0, i, j);
      const std::int32_t half = finest.cellSamples() / 2;
      for (int q = 0; q < 4; ++q) {
        int level = finest.shift() - std::min(TreeField::finestShift(g.params.spacing, 140) - 1, 2);
        const GroundSamples s = GroundSamples::fetch(*g.pyramid, level, finest.cellX(i) + half, finest.cellZ(j) + half);
        ASSERT_TRUE(s.valid());
        const bool isForest =
            sampleClass(s.at(finest.cellX(i) + (q & 1) * half, finest.cellZ(j) + (q >> 1) * half)) == 4;
        EXPECT_EQ((cell.present >> q) & 1, isForest ? 1 : 0);
        (isForest ? forest : other) += 1;
      }
    }
  }
  // The landscape has both, or the test would prove nothing.
  EXPECT_GT(forest, 100);
  EXPECT_GT(other, 100);
}

TEST(TreeField, TheSamePlaceShowsTheSameTreesHoweverTheEyeCameThere) {
  const auto build = [](bool stepwise) {
    auto g = std::make_unique<Ground>();
    LandImage noise;
    auto trees = std::make_unique<TreeField>(g->params, 60, *g->pyramid, noise);
    const std::int32_t x0 = g->cellOf(4000.0f), z0 = g->cellOf(5000.0f);
    const std::int32_t x1 = g->cellOf(9000.0f), z1 = g->cellOf(7000.0f);
    if (stepwise) {
      for (int k = 0; k <= 50; ++k) {
        const std::int32_t x = x0 + (x1 - x0) * k / 50, z = z0 + (z1 - z0) * k / 50;
        g->pyramid->update(x, z);
        trees->moveTo(x, z);
      }
    } else {
      g->pyramid->moveTo(x1, z1);
      trees->moveTo(x1, z1);
    }
    return std::make_pair(std::move(g), std::move(trees));
  };
  auto [ga, a] = build(true);
  auto [gb, b] = build(false);
  ASSERT_EQ(a->levelCount(), b->levelCount());
  int compared = 0;
  for (int l = 0; l < a->levelCount(); ++l) {
    ASSERT_EQ(a->level(l).originX(), b->level(l).originX());
    for (int j = 0; j < a->level(l).size(); ++j) {
      for (int i = 0; i < a->level(l).size(); ++i) {
        const TreeCell &p = a->cell(l, i, j), &q = b->cell(l, i, j);
        ASSERT_EQ(p.present, q.present) << "level " << l << " cell " << i << "," << j;
        for (int t = 0; t < 4; ++t) {
          if ((p.present >> t & 1) == 0) continue;
          EXPECT_EQ(p.trees[t].kind, q.trees[t].kind);
          EXPECT_NEAR(p.trees[t].ground, q.trees[t].ground, 1);
          ++compared;
        }
      }
    }
  }
  EXPECT_GT(compared, 50);
}

// Composing a tile's texture finds its steep samples already rock: the classes the trees read
// do not depend on which tiles happened to be composed.
TEST(TreeField, SteepGroundIsRockBeforeAnyTextureIsComposed) {
  Ground g;
  const std::int32_t cx = g.cellOf(7000.0f), cz = g.cellOf(6000.0f);
  g.pyramid->moveTo(cx, cz);
  int level = 2;
  const std::uint32_t* tile = g.pyramid->fetchGenerating(level, cx, cz);
  ASSERT_NE(tile, nullptr);
  std::vector<std::uint32_t> samples(tile, tile + kTileSampleCount), before = samples;
  int rock = 0;
  for (std::uint32_t s : samples) rock += sampleClass(s) == kRockClass;
  EXPECT_GT(rock, 0);
  TextureComposer composer;
  LandTextures land;
  std::vector<std::uint32_t> texels(kTextureTileSide * kTextureTileSide);
  for (int q = 0; q < kTextureQuarters; ++q) {
    composer.composeQuarter(samples.data(), level, q, g.params.spacing, g.params.heightUnit, land, ComposeLight{},
                            texels.data());
  }
  EXPECT_EQ(samples, before);
}

TEST(TreeField, NoTreesAtDensityThreeOrLessAndTheFinestGridFollowsTheDensity) {
  const auto world = [](int density) {
    auto source = std::make_unique<HeightSource>();
    source->loadGrid(generatedLandscape(), 30.0f);
    TerrainSettings settings;
    settings.sceneryDensity = density;
    return std::make_unique<TerrainWorld>(6000.0f, 6000.0f, std::move(source), settings);
  };
  auto sparse = world(3);
  EXPECT_EQ(sparse->trees(), nullptr);
  EXPECT_EQ(sparse->buildings(), nullptr);
  auto w = world(4);
  ASSERT_NE(w->trees(), nullptr);
  ASSERT_NE(w->buildings(), nullptr);
  EXPECT_EQ(w->trees()->level(0).size(), 9);  // D = 8, made odd
  // Each next grid is coarser and holds (size + 4) / 2 cells while that is above 6.
  auto dense = world(70);
  const TreeField& t = *dense->trees();
  EXPECT_EQ(t.level(0).size(), 141);
  for (int l = 1; l < t.levelCount(); ++l) EXPECT_EQ(t.level(l).shift(), t.level(l - 1).shift() + 1);
  EXPECT_EQ(t.level(t.levelCount() - 1).size() % 2, 1);
}

TEST(TreeField, DrawsBlendedQuadsOfItsCellsTreesTurnedToTheEyeAndLeavesStatesAsFound) {
  Ground g;
  LandImage noise;
  TreeField trees(g.params, 60, *g.pyramid, noise);
  const Vec3 eye{7000.0f, 0.0f, 6000.0f};
  const std::int32_t cx = g.cellOf(eye.x), cz = g.cellOf(eye.z);
  g.pyramid->moveTo(cx, cz);
  trees.moveTo(cx, cz);
  const Vec3 at{eye.x, g.pyramid->groundHeight(eye.x, eye.z) + 30.0f, eye.z};
  ViewFrustum frustum(640, 480, 1.5707963f);
  frustum.update(lookAlong(at, 0.5f, -0.3f));
  RecordingDevice device;
  device.beginScene();
  HazeRamp ramp(0xFF3070CF);
  HazeView haze;
  haze.eye = at;
  trees.draw(device, frustum, ramp, haze);
  ASSERT_GT(trees.treesDrawn(), 0);
  int vertices = 0;
  for (const RecordedDraw& d : device.draws()) {
    EXPECT_EQ(d.state.fvf, kSceneryFvf);
    EXPECT_EQ(d.stride, 28u);
    EXPECT_EQ(d.state.renderState(RenderState::AlphaBlendEnable), 1u);
    EXPECT_EQ(d.state.samplerState(0, SamplerState::AddressU), TextureAddress::Clamp);
    vertices += static_cast<int>(d.numVertices);
    // A billboard's bottom edge is square to the line from the eye.
    for (std::uint32_t b = 0; b + 3 < d.numVertices; b += 4) {
      const float dx = d.floatAt(b + 1, 0) - d.floatAt(b, 0), dz = d.floatAt(b + 1, 8) - d.floatAt(b, 8);
      const float mx = (d.floatAt(b + 1, 0) + d.floatAt(b, 0)) / 2 - at.x;
      const float mz = (d.floatAt(b + 1, 8) + d.floatAt(b, 8)) / 2 - at.z;
      const float across = std::abs(dx * mx + dz * mz) / (std::hypot(dx, dz) * std::hypot(mx, mz) + 1e-6f);
      const bool fixedDirection = across > 0.01f;
      if (!fixedDirection) continue;
      // The others stand in one of eight directions.
      const float angle = std::atan2(dz, dx) / 0.7853982f;
      EXPECT_NEAR(angle, std::round(angle), 1e-3f);
    }
  }
  EXPECT_EQ(vertices, 4 * trees.treesDrawn());
  EXPECT_EQ(device.state().samplerState(0, SamplerState::AddressU), TextureAddress::Wrap);
  EXPECT_EQ(device.state().renderState(RenderState::AlphaBlendEnable), 0u);
}

}  // namespace
}  // namespace skyloom
