#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "resources/pack_test_util.h"
#include "world/height_pyramid.h"
#include "world/terrain_cache_writer.h"

namespace skyloom {
namespace {

constexpr float kUnit = 0.16666669f;
using Tile = std::array<std::uint16_t, kTileSampleCount>;

std::uint32_t at(const std::uint32_t* samples, int i, int j) { return samples[j * kTileSamples + i]; }

// Land well above the sea everywhere, never flat, so that every sample keeps its own height.
HeightGrid rollingGrid(int w, int h) {
  HeightGrid g(w, h);
  for (int z = 0; z < h; ++z) {
    for (int x = 0; x < w; ++x) g.at(x, z) = static_cast<std::uint16_t>(3000 + 7 * x + 3 * z + (x * z) % 5 * 10);
  }
  return g;
}

// A pyramid small enough for tests: levels and window size chosen per test.
TerrainParams smallParams(float sourceSpacing, int levels, int windowTiles) {
  TerrainParams p = terrainParams(sourceSpacing, kUnit, 0, 3.0f);
  p.heightLevelCount = levels;
  p.windowTiles = windowTiles;
  return p;
}

struct Recorder : HeightTileListener {
  std::vector<std::tuple<int, std::int32_t, std::int32_t>> generated;
  void heightTileGenerated(int level, std::int32_t x, std::int32_t z) override { generated.emplace_back(level, x, z); }
};

class PyramidTest : public ::testing::Test {
 protected:
  // 10 m source at detail 3: n = 3, so levels 0-2 lie below the source, 3 and up are cut.
  void build(int levels = 5, int window = 5, float sourceSpacing = 10.0f) {
    source.loadGrid(rollingGrid(300, 300), sourceSpacing);
    pyramid = std::make_unique<TilePyramid>(source, smallParams(sourceSpacing, levels, window), nullptr);
    pyramid->setListener(&recorder);
  }
  int drain() {
    int total = 0;
    while (int made = pyramid->update(0, 0)) total += made;
    return total;
  }

  HeightSource source;
  Recorder recorder;
  std::unique_ptr<TilePyramid> pyramid;
};

TEST_F(PyramidTest, LevelsAtOrAboveTheSourceResolutionAreTheSourcesTiles) {
  build();
  ASSERT_EQ(pyramid->params().levelsBelowSource, 3);
  pyramid->moveTo(0, 0);
  for (int level = 3; level < 5; ++level) {
    for (auto [x, z] : {std::pair{0, 0}, std::pair{-2000, 3000}}) {
      int found = level;
      const std::uint32_t* samples = pyramid->fetchGenerating(found, x, z);
      ASSERT_EQ(found, level);
      const HeightTile* tile = pyramid->tileAt(level, x, z);
      EXPECT_NE(tile->state & kTileCut, 0u);
      Tile expected;
      ASSERT_EQ(source.tile(tile->originX >> 3, tile->originZ >> 3, level - 3, expected, false), kTileFromGrid);
      for (std::size_t k = 0; k < kTileSampleCount; ++k) ASSERT_EQ(sampleHeight(samples[k]), expected[k]) << k;
    }
  }
}

TEST_F(PyramidTest, FinerLevelsPassThroughTheCoarserSamples) {
  build();
  pyramid->moveTo(0, 0);
  // Level 2 is refined from a window of the source: its even samples are the source's.
  int level = 2;
  const std::uint32_t* fine = pyramid->fetchGenerating(level, 640, 384);
  ASSERT_EQ(level, 2);
  const HeightTile* tile = pyramid->tileAt(2, 640, 384);
  EXPECT_EQ(tile->state & kTileCut, 0u);
  for (int k : {0, 10, 64}) {
    EXPECT_EQ(sampleHeight(at(fine, 2 * k, 2 * k)), source.mirroredSample((tile->originX >> 3) + k, (tile->originZ >> 3) + k));
  }
  // Level 1 from level 2: the quarter chosen by bit 8 of the origin, here (0, 64).
  level = 1;
  const std::uint32_t* finer = pyramid->fetchGenerating(level, 600, 300);
  ASSERT_EQ(level, 1);
  const HeightTile* child = pyramid->tileAt(1, 600, 300);
  const int ox = (child->originX - tile->originX) >> 2, oz = (child->originZ - tile->originZ) >> 2;
  ASSERT_EQ(ox, 0);
  ASSERT_EQ(oz, 64);
  for (int k : {0, 7, 64}) EXPECT_EQ(sampleHeight(at(finer, 2 * k, 2 * k)), sampleHeight(at(fine, ox + k, oz + k)));
}

TEST_F(PyramidTest, AFinerTileGeneratedFirstGeneratesItsParentsFirst) {
  build();
  pyramid->moveTo(0, 0);
  int level = 0;
  ASSERT_NE(pyramid->fetchGenerating(level, 100, 100), nullptr);
  EXPECT_EQ(level, 0);
  ASSERT_EQ(recorder.generated.size(), 3u);  // level 2 from the source, then 1, then 0
  EXPECT_EQ(recorder.generated[0], std::make_tuple(2, 0, 0));
  EXPECT_EQ(recorder.generated[1], std::make_tuple(1, 0, 0));
  EXPECT_EQ(recorder.generated[2], std::make_tuple(0, 0, 0));
  EXPECT_TRUE(pyramid->tileAt(2, 100, 100)->generated());
  // Before the first move no window holds anything: nothing is served or made.
  TilePyramid parked(source, smallParams(10.0f, 5, 5), nullptr);
  level = 0;
  EXPECT_EQ(parked.fetchGenerating(level, 0, 0), nullptr);  // no window holds it yet
  parked.moveTo(0, 0);
  parked.fetch(level = 0, 0, 0);
  EXPECT_EQ(level, -1);
}

TEST_F(PyramidTest, FetchServesTheFinestGeneratedLevelUpwards) {
  build();
  pyramid->update(0, 0);  // the coarsest level's tile at the eye, then one of level 3
  int level = 0;
  const std::uint32_t* samples = pyramid->fetch(level, 0, 0);
  ASSERT_NE(samples, nullptr);
  EXPECT_EQ(level, 3);
  level = 99;  // clamped to the coarsest
  EXPECT_EQ(pyramid->fetch(level, 0, 0), pyramid->tileAt(4, 0, 0)->samples);
  EXPECT_EQ(level, 4);
  // Beyond level 0's window a coarser generated tile serves even when asked to generate.
  // x = 1500 lies in the windows of levels 2 and up, but only level 4's tile there is made.
  EXPECT_FALSE(pyramid->covers(1, 1500, 0));
  EXPECT_TRUE(pyramid->covers(2, 1500, 0));
  level = 0;
  EXPECT_EQ(pyramid->fetchGenerating(level, 1500, 0), pyramid->tileAt(4, 1500, 0)->samples);
  EXPECT_EQ(level, 4);
}

TEST_F(PyramidTest, PagingQueuesTheStripThatComesIntoView) {
  build(3, 5);
  pyramid->update(0, 0);
  for (int l = 0; l < 3; ++l) EXPECT_EQ(pyramid->pendingTiles(l), l == 0 ? 25 : 24);
  EXPECT_EQ(drain(), 3 * 25 - 2);
  EXPECT_EQ(recorder.generated.size(), 75u);  // none twice
  // One level-0 tile east (128 base samples): level 0 queues its new column, the others stay.
  EXPECT_EQ(pyramid->update(128, 0), 1);
  EXPECT_EQ(pyramid->pendingTiles(0), 4);
  EXPECT_EQ(pyramid->pendingTiles(1), 0);
  const TileLevel& level0 = pyramid->level(0);
  EXPECT_EQ(level0.originX, 128 - 2 * 128);
  int fresh = 0;
  for (int j = 0; j < 5; ++j) {
    const int z = level0.originZ + j * 128;
    const HeightTile* east = pyramid->tileAt(0, level0.originX + 4 * 128, z);
    EXPECT_EQ(east->originX, level0.originX + 4 * 128);
    fresh += east->generated() ? 1 : 0;
    EXPECT_TRUE(pyramid->tileAt(0, level0.originX, z)->generated());
  }
  EXPECT_EQ(fresh, 1);  // the one this update made
  // Back west, and one tile south: a column of 5 and a row of 5 sharing a corner come into
  // view. The column reuses the slots of the 4 still waiting, which keep their place.
  pyramid->moveTo(0, -128);
  EXPECT_EQ(pyramid->pendingTiles(0), 4 + 1 + 4);
}

TEST_F(PyramidTest, AJumpResetsEveryTileAndEachUpdateGeneratesAtMostTwo) {
  build(4, 5);
  drain();
  pyramid->moveTo(1 << 20, 0);
  for (int l = 0; l < 4; ++l) {
    EXPECT_EQ(pyramid->pendingTiles(l), 25);
    const TileLevel& level = pyramid->level(l);
    EXPECT_EQ(level.wrapX, 0);
    EXPECT_FALSE(pyramid->tileAt(l, 1 << 20, 0)->generated());
  }
  recorder.generated.clear();
  EXPECT_EQ(pyramid->update(1 << 20, 0), 2);
  ASSERT_EQ(recorder.generated.size(), 2u);
  EXPECT_EQ(std::get<0>(recorder.generated[0]), 3);  // one per level, coarsest first
  EXPECT_EQ(std::get<0>(recorder.generated[1]), 2);
  // The eye's tile comes first in every level's queue.
  EXPECT_TRUE(pyramid->tileAt(3, 1 << 20, 0)->generated());
  int updates = 0, total = 2;
  while (int made = pyramid->update(1 << 20, 0)) {
    EXPECT_LE(made, TilePyramid::kGenerationsPerFrame);
    total += made;
    ++updates;
  }
  EXPECT_EQ(total, 4 * 25);
}

TEST_F(PyramidTest, CoarsestLevelWithoutSourceDataIsAllHigh) {
  // A cache file answers nothing at levels it does not have: the coarsest level fills.
  testing::ScratchDir dir;
  ASSERT_EQ(writeTerrainCache(dir / "flat.tem", rollingGrid(65, 65), {}), kOk);
  ASSERT_EQ(source.openCache(dir / "flat.tem"), kOk);
  // A 1 m source: n = 0, so pyramid level L is the file's level L; level 9 is past its 9.
  TilePyramid p(source, smallParams(1.0f, 10, 3), nullptr);
  ASSERT_EQ(p.params().levelsBelowSource, 0);
  p.moveTo(0, 0);
  int level = 9;
  const std::uint32_t* top = p.fetchGenerating(level, 0, 0);
  EXPECT_EQ(sampleHeight(at(top, 64, 64)), 0xFFFFu);
  EXPECT_NE(p.tileAt(9, 0, 0)->state & kTileCut, 0u);
}

// Known landscape in a cache file, about 5 km across at 10 m: every level of the pyramid, cut
// from the file's levels or refined below them, keeps within 10 m of the real heights near the
// eye (the file's coarse levels are smoothed, so not closer).
TEST(PyramidOverCacheFile, EveryLevelStaysNearTheRealHeights) {
  testing::ScratchDir dir;
  constexpr int kSide = 513, kHalf = 256;
  auto real = [](double u, double v) { return 3000.0 + 2.0 * u + 1.0 * v + 200.0 * std::sin(u / 60.0) * std::cos(v / 45.0); };
  HeightGrid grid(kSide, kSide);
  for (int r = 0; r < kSide; ++r) {
    for (int c = 0; c < kSide; ++c) grid.at(c, r) = static_cast<std::uint16_t>(std::lround(real(c - kHalf, r - kHalf)));
  }
  TerrainCacheOptions options;
  options.sampleSpacing = 10.0f;
  options.heightUnit = kUnit;
  ASSERT_EQ(writeTerrainCache(dir / "known.tem", grid, options), kOk);
  HeightSource source;
  ASSERT_EQ(source.openCache(dir / "known.tem"), kOk);
  TerrainParams params = terrainParams(source.sampleSpacing(), source.heightUnit(), 0, 3.0f);
  ASSERT_EQ(params.levelsBelowSource, 3);
  ASSERT_EQ(params.heightLevelCount, 10);
  params.windowTiles = 3;
  TilePyramid pyramid(source, params, nullptr);
  pyramid.moveTo(0, 0);
  for (int l = 0; l < pyramid.levelCount(); ++l) {
    for (auto [x, z] : {std::pair{0, 0}, std::pair{-8, -8}}) {
      int level = l;
      const std::uint32_t* samples = pyramid.fetchGenerating(level, x, z);
      ASSERT_EQ(level, l);
      const HeightTile* tile = pyramid.tileAt(l, x, z);
      int compared = 0;
      for (int j = 0; j < kTileSamples; ++j) {
        for (int i = 0; i < kTileSamples; ++i) {
          // Base samples are 1/8 of a source sample.
          const double u = (tile->originX + (std::int64_t{i} << l)) / 8.0;
          const double v = (tile->originZ + (std::int64_t{j} << l)) / 8.0;
          if (std::fabs(u) > 150 || std::fabs(v) > 150) continue;
          ASSERT_NEAR(sampleHeight(at(samples, i, j)), real(u, v), 60.0) << "level " << l << " at " << u << "," << v;
          ++compared;
        }
      }
      EXPECT_GT(compared, 0) << l;
    }
  }
}

TEST_F(PyramidTest, GroundHeightIsZeroWhereNoTileIsGenerated) {
  build(3, 5, 1.0f);  // a 1 m source: level 0 is the source itself
  EXPECT_EQ(pyramid->groundHeight(10.0f, 10.0f), 0.0f);
  pyramid->moveTo(0, 0);
  EXPECT_EQ(pyramid->groundHeight(10.0f, 10.0f), 0.0f);
  TilePyramid::setCurrent(nullptr);
  EXPECT_EQ(groundHeight(10.0f, 10.0f), 0.0f);
  int level = 0;
  pyramid->fetchGenerating(level, 10, 10);
  EXPECT_GT(pyramid->groundHeight(10.0f, 10.0f), 0.0f);
  EXPECT_EQ(pyramid->groundHeight(1e6f, 10.0f), 0.0f);  // outside every window
  EXPECT_EQ(pyramid->groundHeight(std::nanf(""), 10.0f), 0.0f);
  EXPECT_EQ(pyramid->groundHeight(1e30f, -1e30f), 0.0f);
}

TEST_F(PyramidTest, GroundHeightInterpolatesOnTheCellsTriangles) {
  build(3, 5, 1.0f);
  ASSERT_EQ(pyramid->params().levelsBelowSource, 0);
  ASSERT_FLOAT_EQ(pyramid->params().spacing, 1.0f);
  pyramid->moveTo(0, 0);
  int level = 0;
  pyramid->fetchGenerating(level, 0, 0);
  pyramid->fetchGenerating(level = 0, -1, -1);
  auto h = [&](int x, int z) { return source.mirroredSample(x, z) * kUnit; };
  TilePyramid::setCurrent(pyramid.get());
  // Corners answer their own height.
  EXPECT_FLOAT_EQ(groundHeight(4.0f, 6.0f), h(4, 6));
  EXPECT_FLOAT_EQ(groundHeight(5.0f, 6.0f), h(5, 6));
  // Cell (4, 6) is even: split from (0, 0) to (1, 1).
  EXPECT_NEAR(groundHeight(4.75f, 6.25f), h(4, 6) + 0.75f * (h(5, 6) - h(4, 6)) + 0.25f * (h(5, 7) - h(5, 6)), 1e-3);
  EXPECT_NEAR(groundHeight(4.25f, 6.75f), h(4, 6) + 0.25f * (h(5, 7) - h(4, 7)) + 0.75f * (h(4, 7) - h(4, 6)), 1e-3);
  // Cell (5, 6) is odd: split from (1, 0) to (0, 1).
  EXPECT_NEAR(groundHeight(5.25f, 6.25f), h(5, 6) + 0.25f * (h(6, 6) - h(5, 6)) + 0.25f * (h(5, 7) - h(5, 6)), 1e-3);
  EXPECT_NEAR(groundHeight(5.75f, 6.75f), h(6, 7) - 0.25f * (h(6, 7) - h(5, 7)) - 0.25f * (h(6, 7) - h(6, 6)), 1e-3);
  // Within 0.01 m of the corner the ray starts from, that corner's height exactly.
  EXPECT_EQ(groundHeight(4.996f, 6.001f), h(5, 6));
  // Below zero the cell is found by flooring: (−0.5, −0.5) lies in cell (−1, −1), even (its
  // tile's indices are 127, 127), on the diagonal.
  EXPECT_NEAR(groundHeight(-0.5f, -0.5f), (h(-1, -1) + h(0, 0)) / 2, 1e-3);
  EXPECT_NEAR(groundHeight(-0.75f, -0.25f), h(-1, -1) + 0.75f * (h(-1, 0) - h(-1, -1)) + 0.25f * (h(0, 0) - h(-1, 0)), 1e-3);
  TilePyramid::setCurrent(nullptr);
}

TEST_F(PyramidTest, GroundHeightFallsBackToCoarserLevelsAndTheOwnerClearsIt) {
  build(3, 5, 1.0f);
  pyramid->moveTo(0, 0);
  int level = 1;
  const std::uint32_t* coarse = pyramid->fetchGenerating(level, 0, 0);
  ASSERT_EQ(level, 1);
  // Level 1 samples are 2 m apart: x = 3 m is the middle of its sample cell (1, 1) (even).
  const float h11 = sampleHeight(at(coarse, 1, 1)) * kUnit;
  const float h21 = sampleHeight(at(coarse, 2, 1)) * kUnit;
  EXPECT_FLOAT_EQ(pyramid->groundHeight(2.0f, 2.0f), h11);
  EXPECT_NEAR(pyramid->groundHeight(3.0f, 2.0f), (h11 + h21) / 2, 1e-3);
  {
    TilePyramid other(source, smallParams(1.0f, 2, 3), nullptr);
    TilePyramid::setCurrent(&other);
  }
  EXPECT_EQ(TilePyramid::current(), nullptr);
}

}  // namespace
}  // namespace skyloom
