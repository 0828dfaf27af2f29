#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <memory>

#include "world/terrain_world.h"

namespace skyloom {
namespace {

// A 20 m source at detail 1: four levels below it, base spacing 5 m, 14 terrain levels.
constexpr float kSourceSpacing = 20.0f;
constexpr float kS = 5.0f;
// A start cell whose bits alternate above bit 6: it lies at least 64 samples from every tile
// border of every pyramid level, so moves of a few cells keep every tile window in place.
constexpr std::int32_t kStartCell = 0x5540;

HeightGrid hills(int side) {
  HeightGrid g(side, side);
  for (int z = 0; z < side; ++z) {
    for (int x = 0; x < side; ++x) {
      const double h = 6000.0 + 2500.0 * std::sin(x / 9.0) * std::cos(z / 13.0) + 700.0 * std::sin((x + 2 * z) / 3.0);
      g.at(x, z) = static_cast<std::uint16_t>(h);
    }
  }
  return g;
}

HeightGrid flat(int side, std::uint16_t height) {
  HeightGrid g(side, side);
  for (auto& h : g.samples) h = height;
  return g;
}

std::unique_ptr<TerrainWorld> makeWorld(HeightGrid grid, float x, float z, float spacing = kSourceSpacing,
                                        float detail = 1.0f) {
  auto source = std::make_unique<HeightSource>();
  source->loadGrid(std::move(grid), spacing);
  TerrainSettings settings;
  settings.detail = detail;
  return std::make_unique<TerrainWorld>(x, z, std::move(source), settings);
}

// The world position in the middle of a base cell.
float middleOf(std::int32_t cell) { return (static_cast<float>(cell) + 0.5f) * kS; }

// A frustum from a camera at `eye` looking along `forward` (unit length, not vertical), or
// straight down when `down`.
ViewFrustum frustumAt(const Vec3& eye, const Vec3& forward, float fieldOfView, bool down = false) {
  ViewFrustum f(640, 480, fieldOfView);
  Matrix m = Matrix::identity();
  Vec3 right, up;
  Vec3 fwd = forward;
  if (down) {
    fwd = {0, -1, 0};
    up = {0, 0, 1};
    right = {1, 0, 0};
  } else {
    up = {0, 1, 0};
    right = normalize(cross(up, fwd));
  }
  const Vec3 rows[4] = {right, up, fwd, eye};
  for (int r = 0; r < 4; ++r) {
    m.m[r][0] = rows[r].x;
    m.m[r][1] = rows[r].y;
    m.m[r][2] = rows[r].z;
  }
  f.update(m);
  return f;
}

// What the draw pass does after each frame: the select pass starts from clear flags.
void clearFlags(TerrainWorld& world) {
  for (int k = 0; k < world.levelCount(); ++k) {
    for (ClodCell& c : world.level(k).cells) c.flags &= CellFlag::kKept;
  }
}

std::uint16_t minimumActivation(const TerrainWorld& world, int shift) {
  return static_cast<std::uint16_t>(std::min((world.minimumActivationBase() << shift) >> 4, 0xFFFF));
}

bool childInside(const ClodLevel& level, int i, int j, int q, int* fi = nullptr, int* fj = nullptr) {
  if (level.finer == nullptr) return false;
  const int h = level.halfCellSamples;
  int a = 0, b = 0;
  const bool inside = level.finer->cellIndex(level.cornerX(i) + (q & 1) * h, level.cornerZ(j) + (q >> 1) * h, a, b);
  if (fi != nullptr) *fi = a;
  if (fj != nullptr) *fj = b;
  return inside;
}

// Scrolled grids hold what a fresh build at the same eye cell holds: every cell's own values
// exactly, the children's activations where the child is in the finer grid. A coarse cell
// whose child has left the finer grid may keep that child's last activation (the draw pass
// zeroes it when it finds the child missing), so activations are at least the fresh ones.
void expectSameGrid(const ClodLevel& scrolled, const ClodLevel& fresh) {
  ASSERT_EQ(scrolled.originX, fresh.originX);
  ASSERT_EQ(scrolled.originZ, fresh.originZ);
  EXPECT_EQ(scrolled.originWorldX, fresh.originWorldX);
  for (int j = 0; j < fresh.size; ++j) {
    for (int i = 0; i < fresh.size; ++i) {
      const ClodCell& a = scrolled.cell(i, j);
      const ClodCell& b = fresh.cell(i, j);
      ASSERT_EQ(a.bottomError, b.bottomError) << "shift " << fresh.shift << " cell " << i << "," << j;
      ASSERT_EQ(a.rightError, b.rightError) << "shift " << fresh.shift << " cell " << i << "," << j;
      ASSERT_EQ(a.centreHeight, b.centreHeight) << "shift " << fresh.shift << " cell " << i << "," << j;
      ASSERT_EQ(a.radiusDiv8, b.radiusDiv8) << "shift " << fresh.shift << " cell " << i << "," << j;
      ASSERT_GE(a.activation, b.activation) << "shift " << fresh.shift << " cell " << i << "," << j;
      for (int q = 0; q < 4; ++q) {
        if (childInside(fresh, i, j, q)) {
          ASSERT_GE(a.childActivation[q], b.childActivation[q]) << q;
        }
      }
      if (fresh.finer == nullptr) {
        ASSERT_EQ(a.activation, b.activation);
      }
    }
  }
}

// ---- construction

TEST(TerrainWorldConstruction, SeventyMetreSourceGivesTheBaseSpacingOfEachDetail) {
  struct Row {
    float detail;
    int n;
    float s;
  };
  for (const Row& r : {Row{3.0f, 6, 1.09375f}, Row{2.5f, 6, 1.09375f}, Row{2.0f, 5, 2.1875f}, Row{1.5f, 5, 2.1875f},
                       Row{1.0f, 4, 4.375f}, Row{-1.0f, 4, 4.375f}}) {
    const TerrainParams p = terrainParams(70.0f, 1.0f / 6.0f, 0, r.detail);
    EXPECT_EQ(p.levelsBelowSource, r.n) << r.detail;
    EXPECT_FLOAT_EQ(p.spacing, r.s) << r.detail;
  }
}

TEST(TerrainWorldConstruction, DerivesDistanceScaleMinimumActivationAndDetailRepeat) {
  auto world = makeWorld(flat(70, 3000), 1000.0f, 1000.0f, 70.0f, 1.0f);
  EXPECT_FLOAT_EQ(world->spacing(), 4.375f);
  EXPECT_NEAR(world->distanceScale(), 0.999f / (133.33f / 6.0f), 1e-6f);
  EXPECT_EQ(world->minimumActivationBase(), 7);  // truncate(0.04496 × 4.375 × 40)
  EXPECT_EQ(world->detailRepeat(), 1);           // 3 m / 4.375 m truncates to 0

  auto fine = makeWorld(flat(70, 3000), 1000.0f, 1000.0f, 4.0f, 1.0f);  // n = 0, s = 4
  EXPECT_EQ(fine->detailRepeat(), 1);
  auto finer = makeWorld(flat(70, 3000), 1000.0f, 1000.0f, 1.0f, 1.0f);  // s = 1: W = 3, g = 4
  EXPECT_EQ(finer->detailRepeat(), 4);
  EXPECT_EQ(finer->minimumActivationBase(), 1);
}

TEST(TerrainWorldConstruction, LevelsAreNestedEyeCentredAndLinked) {
  auto world = makeWorld(hills(200), middleOf(kStartCell), middleOf(kStartCell));
  ASSERT_EQ(world->levelCount(), world->params().levelCount);
  ASSERT_EQ(world->levelCount(), 14);
  const std::vector<int> sizes = clodGridSizes(world->levelCount());
  for (int k = 0; k < world->levelCount(); ++k) {
    const ClodLevel& l = world->level(k);
    EXPECT_EQ(l.shift, k + 1);
    EXPECT_EQ(l.size, sizes[static_cast<std::size_t>(world->levelCount() - 1 - k)]);
    EXPECT_EQ(l.finer, k > 0 ? &world->level(k - 1) : nullptr);
    EXPECT_EQ(l.coarser, k + 1 < world->levelCount() ? &world->level(k + 1) : nullptr);
    EXPECT_EQ(l.originX, (kStartCell & l.alignMask) - l.halfExtentSamples);
    EXPECT_EQ(l.originWorldZ, static_cast<float>(l.originZ) * kS);
    if (l.coarser != nullptr) {
      // The finer grid lies inside the coarser one.
      EXPECT_GE(l.originX, l.coarser->originX);
      EXPECT_LE(l.cornerX(l.size), l.coarser->cornerX(l.coarser->size));
    }
  }
  EXPECT_EQ(&world->coarsest(), &world->level(world->levelCount() - 1));
  EXPECT_EQ(world->eyeCellX(), kStartCell);
}

TEST(TerrainWorldConstruction, PublishesItsHeightPyramidUntilDestroyedButNotItself) {
  {
    auto world = makeWorld(flat(50, 3000), 500.0f, 500.0f);
    EXPECT_EQ(TilePyramid::current(), &world->heights());
    EXPECT_EQ(TerrainWorld::current(), nullptr);  // the owner publishes the world
    TerrainWorld::setCurrent(world.get());
    EXPECT_NEAR(groundHeight(500.0f, 500.0f), 3000.0f / 6.0f, 0.01f);
  }
  EXPECT_EQ(TilePyramid::current(), nullptr);
  EXPECT_EQ(TerrainWorld::current(), nullptr);
}

TEST(TerrainWorldConstruction, WithoutASourceLoadsTheNamedTerrainAndFallsBackToFlat) {
  TerrainSettings settings;
  settings.terrainName = "no-such-terrain.tem";
  TerrainWorld world(0.0f, 0.0f, nullptr, settings);
  EXPECT_EQ(world.source().kind(), HeightSourceKind::Flat);
  EXPECT_EQ(world.level(0).cell(0, 0).bottomError, 0);
}

TEST(TerrainWorldConstruction, NonFiniteStartAndEyeAreHeldInsideTheGrid) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto world = makeWorld(flat(30, 3000), nan, std::numeric_limits<float>::infinity());
  world->frameUpdate({nan, nan, nan});
  world->frameUpdate({-1e30f, 1e4f, 1e30f});
  const ViewFrustum f = frustumAt({0, 100, 0}, {0, 0, 1}, 1.0f);
  world->selectPass(f);
  EXPECT_LT(world->eyeCellX(), 0);
  EXPECT_GT(world->eyeCellZ(), 0);
}

// ---- cell build and activations

TEST(TerrainCellBuild, FlatGroundHasNoErrorsAndOnlyTheMinimumActivation) {
  auto world = makeWorld(flat(60, 3000), middleOf(kStartCell), middleOf(kStartCell));
  for (int k = 0; k < world->levelCount(); ++k) {
    const ClodLevel& l = world->level(k);
    for (int j = 0; j < l.size; ++j) {
      for (int i = 0; i < l.size; ++i) {
        const ClodCell& c = l.cell(i, j);
        ASSERT_EQ(c.bottomError, 0);
        ASSERT_EQ(c.rightError, 0);
        ASSERT_EQ(c.centreHeight, 3000);
        // Every descendant's minimum is smaller than the cell's own.
        ASSERT_EQ(c.activation, minimumActivation(*world, l.shift)) << k;
        for (int q = 0; q < 4; ++q) {
          ASSERT_EQ(c.childActivation[q], childInside(l, i, j, q) ? minimumActivation(*world, l.shift - 1) : 0);
        }
        // Flat: the sphere is the square's half diagonal, rounded up to 8 m.
        const double r = l.cellSize * std::sqrt(0.5);
        ASSERT_EQ(c.radiusDiv8, static_cast<int>(1 + std::floor(r / 8.0)));
      }
    }
  }
}

TEST(TerrainCellBuild, EveryCellHoldsItsChildrensActivationsAndNoLessThanThem) {
  auto world = makeWorld(hills(200), middleOf(kStartCell), middleOf(kStartCell));
  int rough = 0;
  for (int k = 1; k < world->levelCount(); ++k) {
    const ClodLevel& l = world->level(k);
    for (int j = 0; j < l.size; ++j) {
      for (int i = 0; i < l.size; ++i) {
        const ClodCell& c = l.cell(i, j);
        ASSERT_GE(c.activation, minimumActivation(*world, l.shift));
        ASSERT_GE(c.activation, std::max(c.bottomError, c.rightError));
        if (c.bottomError > 0) ++rough;
        for (int q = 0; q < 4; ++q) {
          int fi = 0, fj = 0;
          if (childInside(l, i, j, q, &fi, &fj)) {
            ASSERT_EQ(c.childActivation[q], l.finer->cell(fi, fj).activation) << k << " " << i << "," << j;
          } else {
            ASSERT_EQ(c.childActivation[q], 0);
          }
          ASSERT_GE(c.activation, c.childActivation[q]);
        }
      }
    }
  }
  EXPECT_GT(rough, 100);  // the hills do make errors
}

// Every level reads its nine samples at its own corners, edge midpoints and centre, also the
// coarse levels whose cells span more than the pyramid's coarsest tiles' samples.
TEST(TerrainCellBuild, CellsSummariseTheHeightsAtTheirCornersMidpointsAndCentre) {
  auto world = makeWorld(hills(200), middleOf(kStartCell), middleOf(kStartCell));
  const float unit = world->params().heightUnit;
  ASSERT_LT(world->heights().coarsestLevel(), world->levelCount() - 1);
  for (int k = 0; k < world->levelCount(); ++k) {
    const ClodLevel& l = world->level(k);
    const int step = std::max(1, l.size / 5);
    for (int j = 1; j < l.size - 1; j += step) {
      for (int i = 1; i < l.size - 1; i += step) {
        int h[9];
        for (int n = 0; n < 9; ++n) {
          const std::int32_t x = l.cornerX(i) + (n % 3) * l.halfCellSamples;
          const std::int32_t z = l.cornerZ(j) + (n / 3) * l.halfCellSamples;
          h[n] = static_cast<int>(std::lround(world->heights().groundHeight(x * kS, z * kS) / unit));
        }
        const ClodCell& c = l.cell(i, j);
        SCOPED_TRACE(testing::Message() << "shift " << l.shift << " cell " << i << "," << j);
        EXPECT_EQ(c.bottomError, std::abs(((h[0] + h[2]) >> 1) - h[1]));
        EXPECT_EQ(c.rightError, std::abs(((h[2] + h[8]) >> 1) - h[5]));
        const auto [lo, hi] = std::minmax_element(std::begin(h), std::end(h));
        EXPECT_EQ(c.centreHeight, (*lo + *hi) >> 1);
        // The sphere holds every one of the nine points.
        for (int n = 0; n < 9; ++n) {
          const float dx = (n % 3 - 1) * l.halfCellSize, dz = (n / 3 - 1) * l.halfCellSize;
          const float dy = (h[n] - c.centreHeight) * unit;
          EXPECT_LE(std::sqrt(dx * dx + dy * dy + dz * dz), c.radiusDiv8 * 8.0f + 0.5f);
        }
      }
    }
  }
}

// ---- scrolling

class TerrainScroll : public ::testing::Test {
 protected:
  void SetUp() override { world = makeWorld(hills(200), middleOf(kStartCell), middleOf(kStartCell)); }

  void flyTo(std::int32_t cellX, std::int32_t cellZ, float height = 500.0f) {
    world->frameUpdate({middleOf(cellX), height, middleOf(cellZ)});
  }
  void expectSameAsFresh(int fromLevel = 0) {
    ASSERT_EQ(world->eyeCellX(), world->eyeCellX());
    auto fresh = makeWorld(hills(200), middleOf(world->eyeCellX()), middleOf(world->eyeCellZ()));
    for (int k = fromLevel; k < world->levelCount(); ++k) {
      SCOPED_TRACE(k);
      expectSameGrid(world->level(k), fresh->level(k));
    }
  }

  std::unique_ptr<TerrainWorld> world;
};

TEST_F(TerrainScroll, AnEyeOnACellBorderMovingLessThanAFifthOfACellScrollsNoLevel) {
  // kStartCell + 1 is odd... the border between kStartCell + 1 and + 2 moves the finest level.
  const std::int32_t c = kStartCell + 1;
  flyTo(c, kStartCell);
  ASSERT_EQ(world->eyeCellX(), c);
  const std::int32_t origin = world->level(0).originX;
  const float border = static_cast<float>(c + 1) * kS;
  for (float dx : {0.0f, 0.19f, -0.1f, 0.15f, -0.19f, 0.0f}) {
    world->frameUpdate({border + dx * kS, 500.0f, middleOf(kStartCell)});
    EXPECT_EQ(world->eyeCellX(), c) << dx;
    EXPECT_EQ(world->level(0).originX, origin);
  }
  // Past a fifth the cell changes and the finest level scrolls; back less than a fifth it stays.
  world->frameUpdate({border + 0.25f * kS, 500.0f, middleOf(kStartCell)});
  EXPECT_EQ(world->eyeCellX(), c + 1);
  EXPECT_EQ(world->level(0).originX, origin + 2);
  for (float dx : {-0.19f, 0.0f, -0.05f}) {
    world->frameUpdate({border + dx * kS, 500.0f, middleOf(kStartCell)});
    EXPECT_EQ(world->eyeCellX(), c + 1) << dx;
  }
  world->frameUpdate({border - 0.21f * kS, 500.0f, middleOf(kStartCell)});
  EXPECT_EQ(world->eyeCellX(), c);
  EXPECT_EQ(world->level(0).originX, origin);
  EXPECT_EQ(world->eyeHeightCells(), 100);
}

TEST_F(TerrainScroll, StripsScrolledInMatchAFreshBuildAtTheNewPlace) {
  flyTo(kStartCell + 5, kStartCell - 3);
  ASSERT_NE(world->level(0).wrapX, 0);
  ASSERT_NE(world->level(0).wrapZ, 0);
  expectSameAsFresh();
  // And back the other way, across the wrap.
  flyTo(kStartCell - 4, kStartCell + 6);
  expectSameAsFresh();
}

TEST_F(TerrainScroll, AJumpOfMoreThanTheGridRebuildsTheLevelWithTheWrapsAtZero) {
  flyTo(kStartCell + 3, kStartCell + 3);
  ASSERT_NE(world->level(0).wrapX, 0);
  const std::int32_t far = kStartCell + 3000;
  flyTo(far, far);
  int rebuilt = 0;
  for (int k = 0; k < world->levelCount(); ++k) {
    const ClodLevel& l = world->level(k);
    // Levels that moved by more than their size in cells were rebuilt whole.
    if (2 * (3000 >> l.shift) > l.size) {
      EXPECT_EQ(l.wrapX, 0) << k;
      EXPECT_EQ(l.wrapZ, 0) << k;
      ++rebuilt;
    }
  }
  EXPECT_GE(rebuilt, 4);
  // The rebuilt levels hold what a fresh world there holds (the coarse ones that only moved a
  // little kept cells built against the old pyramid windows).
  auto fresh = makeWorld(hills(200), middleOf(far), middleOf(far));
  for (int k = 0; k < 4; ++k) expectSameGrid(world->level(k), fresh->level(k));
}

TEST(TerrainFrame, PublishesTheHazeOfTheEyeHeight) {
  auto world = makeWorld(flat(30, 3000), 0.0f, 0.0f);
  world->frameUpdate({0.0f, 1000.0f, 0.0f});
  const TerrainHaze& h = world->haze();
  EXPECT_FLOAT_EQ(h.hazeFactor, 0.9f * 16320.0f / 3500.0f * (255.0f / 9021.0f));
  EXPECT_FLOAT_EQ(h.eyeHazeOffset, 1000.0f * 0.01f / kS);
  EXPECT_FLOAT_EQ(h.fogEnd, 0.75f * world->extent());
  world->frameUpdate({0.0f, 9000.0f, 0.0f});  // the altitude term stops at 0.3
  EXPECT_FLOAT_EQ(world->haze().hazeFactor, 0.3f * 16320.0f / 3500.0f * (255.0f / 9021.0f));
}

// ---- select pass

class TerrainSelect : public ::testing::Test {
 protected:
  std::int32_t eyeX = kStartCell, eyeZ = kStartCell;

  void build(HeightGrid grid) { world = makeWorld(std::move(grid), middleOf(eyeX), middleOf(eyeZ)); }
  void selectFrom(const Vec3& eye, const ViewFrustum& frustum) {
    world->frameUpdate(eye);
    clearFlags(*world);
    world->selectPass(frustum);
  }
  std::uint16_t distanceValue(const ClodLevel& l, int i, int j) const {
    const ClodCell& c = l.cell(i, j);
    const Vec3 centre{(l.cornerX(i) + l.halfCellSamples) * kS, c.centreHeight * world->params().heightUnit,
                      (l.cornerZ(j) + l.halfCellSamples) * kS};
    const float d = length(centre - world->eye());
    const float allowance = 1.404f * l.cellSize;
    const float v = std::round((d < allowance ? 0.0f : d - allowance) * world->distanceScale());
    return static_cast<std::uint16_t>(std::min(v, 65535.0f));
  }

  std::unique_ptr<TerrainWorld> world;
};

TEST_F(TerrainSelect, OnFlatGroundQuadrantsRefineWhereTheMinimumActivationExceedsTheDistance) {
  build(flat(60, 3000));
  const Vec3 eye{middleOf(eyeX), 520.0f, middleOf(eyeZ)};
  selectFrom(eye, frustumAt(eye, {}, 3.0f, true));  // looking down: all the ground in view
  int refined = 0;
  for (int k = 0; k < world->levelCount(); ++k) {
    const ClodLevel& l = world->level(k);
    for (int j = 0; j < l.size; ++j) {
      for (int i = 0; i < l.size; ++i) {
        const ClodCell& c = l.cell(i, j);
        if ((c.flags & (CellFlag::kInside | CellFlag::kPartly)) == 0) continue;  // not reached by selection
        const std::uint16_t dv = distanceValue(l, i, j);
        const bool covered = l.shift > 7 && world->heights().covers(l.shift - 8, l.cornerX(i), l.cornerZ(j));
        for (int q = 0; q < 4; ++q) {
          if (c.childActivation[q] > (covered ? 0 : dv)) {
            ASSERT_NE(c.flags & (1 << q), 0) << "shift " << l.shift << " " << i << "," << j << " q" << q;
            ++refined;
          }
        }
      }
    }
  }
  EXPECT_GT(refined, 0);
  // Close under the eye the finest level is drawn.
  EXPECT_NE(world->level(0).cell(63, 63).flags & CellFlag::kVisited, 0);
}

TEST_F(TerrainSelect, FromFarAboveFlatGroundOnlyTheCoveredRuleRefinesBelowTheCoarseCells) {
  build(flat(60, 3000));
  const Vec3 eye{middleOf(eyeX), 100000.0f, middleOf(eyeZ)};
  selectFrom(eye, frustumAt(eye, {}, 3.0f, true));
  for (int k = 0; k < 6; ++k) {
    for (const ClodCell& c : world->level(k).cells) ASSERT_EQ(c.flags, 0) << "shift " << k + 1;
  }
  // Cells of 2^8 samples split where level-0 tiles exist (they are larger than those tiles).
  const ClodLevel& l7 = world->level(6);
  int visited = 0;
  for (int j = 0; j < l7.size; ++j) {
    for (int i = 0; i < l7.size; ++i) {
      const bool seen = (l7.cell(i, j).flags & CellFlag::kVisited) != 0;
      visited += seen;
      if (seen) {
        ASSERT_TRUE(world->heights().covers(0, l7.cornerX(i) & -256, l7.cornerZ(j) & -256));
      }
      ASSERT_EQ(l7.cell(i, j).flags & CellFlag::kQuadrants, 0);
    }
  }
  EXPECT_GT(visited, 0);
}

TEST_F(TerrainSelect, ASplitGivesTheNeighbourItsEdgeAndForcesTheNeighboursAncestors) {
  build(flat(60, 3000));
  // From far above nothing finer than shift 7 is reached; open one path down to a cell of
  // shift 3 and make it split its quadrant 0, whose bottom and left edges then need the
  // neighbours below and to the left at shift 3, which nothing else reached. The cell's corner
  // is a multiple of 64 samples, so those neighbours have other ancestors up to shift 6.
  const Vec3 eye{middleOf(eyeX), 100000.0f, middleOf(eyeZ)};
  const std::int32_t x = kStartCell + 64, z = kStartCell - 64;
  for (int k = world->levelCount() - 1; k >= 3; --k) {
    ClodLevel& l = world->level(k);
    int i = 0, j = 0;
    ASSERT_TRUE(l.cellIndex(x, z, i, j));
    const int q = 2 * (((z - l.originZ) >> (l.shift - 1)) & 1) + (((x - l.originX) >> (l.shift - 1)) & 1);
    l.cell(i, j).childActivation[q] = 0xFFFF;
  }
  ClodLevel& l2 = world->level(2);
  int ti = 0, tj = 0;
  ASSERT_TRUE(l2.cellIndex(x, z, ti, tj));
  ASSERT_EQ(l2.cornerX(ti), x);
  ASSERT_EQ(l2.cornerZ(tj), z);
  l2.cell(ti, tj).childActivation[0] = 0xFFFF;
  selectFrom(eye, frustumAt(eye, {}, 3.0f, true));

  EXPECT_EQ(l2.cell(ti, tj).flags & 0xFF, 0x31);
  const ClodCell& below = l2.cell(ti, tj - 1);
  const ClodCell& left = l2.cell(ti - 1, tj);
  EXPECT_NE(below.flags & CellFlag::kTopEdge, 0);
  EXPECT_NE(left.flags & CellFlag::kRightEdge, 0);
  EXPECT_NE(below.flags & CellFlag::kVisited, 0);
  // Every coarser cell holding the neighbour's corner now refines the quadrant holding it.
  for (auto [nx, nz] : {std::pair{x, z - 8}, std::pair{x - 8, z}}) {
    for (int k = 3; k < world->levelCount(); ++k) {
      const ClodLevel& l = world->level(k);
      int i = 0, j = 0;
      ASSERT_TRUE(l.cellIndex(nx, nz, i, j));
      const int q = 2 * (((nz - l.originZ) >> (l.shift - 1)) & 1) + (((nx - l.originX) >> (l.shift - 1)) & 1);
      ASSERT_NE(l.cell(i, j).flags & (1 << q), 0) << "shift " << l.shift;
      ASSERT_NE(l.cell(i, j).flags & CellFlag::kVisited, 0) << "shift " << l.shift;
    }
  }
}

TEST_F(TerrainSelect, EdgesOnTheGridBorderGetNoMidpoint) {
  build(hills(200));
  const Vec3 eye{middleOf(eyeX), 30.0f, middleOf(eyeZ)};
  selectFrom(eye, frustumAt(eye, {}, 3.0f, true));
  for (int k = 0; k < world->levelCount(); ++k) {
    const ClodLevel& l = world->level(k);
    const int last = l.size - 1;
    for (int n = 0; n < l.size; ++n) {
      ASSERT_EQ(l.cell(n, 0).flags & CellFlag::kBottomEdge, 0) << k;
      ASSERT_EQ(l.cell(0, n).flags & CellFlag::kLeftEdge, 0) << k;
      ASSERT_EQ(l.cell(n, last).flags & CellFlag::kTopEdge, 0) << k;
      ASSERT_EQ(l.cell(last, n).flags & CellFlag::kRightEdge, 0) << k;
    }
  }
}

TEST_F(TerrainSelect, CulledCellsAreNotDescendedInto) {
  build(hills(200));
  // Low over the hills looking north: everything behind the eye is out of view.
  const Vec3 eye{middleOf(eyeX), 1600.0f, middleOf(eyeZ)};
  selectFrom(eye, frustumAt(eye, {0, 0, 1}, 1.2f));
  int culled = 0, seen = 0;
  for (int k = 1; k < world->levelCount(); ++k) {
    const ClodLevel& l = world->level(k);
    for (int j = 0; j < l.size; ++j) {
      for (int i = 0; i < l.size; ++i) {
        const ClodCell& c = l.cell(i, j);
        if ((c.flags & (CellFlag::kInside | CellFlag::kPartly)) != 0) ++seen;
        if ((c.flags & CellFlag::kCulled) == 0) continue;
        ++culled;
        ASSERT_EQ(c.flags & (CellFlag::kInside | CellFlag::kPartly), 0);
        // The cell lies wholly south of the eye or so far aside that the view misses it.
        for (int q = 0; q < 4; ++q) {
          int fi = 0, fj = 0;
          if (!childInside(l, i, j, q, &fi, &fj)) continue;
          const std::uint16_t f = l.finer->cell(fi, fj).flags;
          ASSERT_EQ(f & (CellFlag::kInside | CellFlag::kPartly | CellFlag::kCulled), 0) << k;
        }
      }
    }
  }
  EXPECT_GT(culled, 10);
  EXPECT_GT(seen, 10);
  // The coarsest row, far behind the eye, is culled whole.
  const ClodLevel& top = world->coarsest();
  for (int i = 0; i < top.size; ++i) EXPECT_NE(top.cell(i, 0).flags & CellFlag::kCulled, 0) << i;
}

TEST_F(TerrainSelect, AFarEyeSaturatesTheDistanceInsteadOfWrappingIt) {
  build(flat(60, 3000));
  // High enough that the cell of 2^7 samples under the eye has a distance value just past 16
  // bits: wrapped, it would be 10, below its children's minimum activation, and they would
  // be drawn from there.
  const ClodLevel& l7 = world->level(6);
  const float height = 65546.0f / world->distanceScale() + 1.404f * l7.cellSize + 500.0f;
  const Vec3 eye{middleOf(eyeX), height, middleOf(eyeZ)};
  ASSERT_GT(minimumActivation(*world, 6), 10);
  selectFrom(eye, frustumAt(eye, {}, 3.0f, true));
  for (int k = 0; k < 6; ++k) {
    for (const ClodCell& c : world->level(k).cells) ASSERT_EQ(c.flags, 0) << "shift " << k + 1;
  }
}

}  // namespace
}  // namespace skyloom
