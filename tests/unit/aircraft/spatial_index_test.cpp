#include "aircraft/spatial_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "core/random.h"

namespace skyloom {
namespace {

constexpr float kCell = SpatialIndex::kDefaultCellSize;
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

Unit& at(Unit& unit, float x, float z) {
  unit.position = {x, 0, z};
  return unit;
}

std::vector<const Unit*> inSquare(const SpatialIndex& index, float x, float z, float half) {
  std::vector<const Unit*> found;
  const auto collect = [&found](Unit& u) { found.push_back(&u); };  // a named, const visitor
  index.forEachInSquare(x, z, half, collect);
  return found;
}

std::vector<const Unit*> inCircle(const SpatialIndex& index, float x, float z, float radius) {
  std::vector<const Unit*> found;
  index.forEachInCircle(x, z, radius, [&](Unit& u) { found.push_back(&u); });
  return found;
}

float uniform(CrtRandom& random, float lo, float hi) {
  return lo + (hi - lo) * static_cast<float>(random.next()) / kRandomMax;
}

TEST(SpatialIndexCells, FloorOfPositionOverCellSizeClampedIntoInt32) {
  SpatialIndex index;
  const struct {
    float x;
    std::int32_t cell;
  } cases[] = {{0, 0},          {255.9f, 0},  {256, 1},          {-0.001f, -1},
               {-256, -1},      {-256.5f, -2}, {1e30f, kMax},     {-1e30f, kMin},
               {kInf, kMax},    {-kInf, kMin}, {274877906944.0f, 1073741824},
               {-549755813888.0f, kMin}};
  for (const auto& c : cases) {
    std::int32_t cell = 12345;
    ASSERT_TRUE(index.cellOf(c.x, cell)) << c.x;
    EXPECT_EQ(cell, c.cell) << c.x;
  }
  std::int32_t cell = 0;
  EXPECT_FALSE(index.cellOf(kNaN, cell));
}

TEST(SpatialIndexCells, AnUnusableCellSizeRefusesEveryUnit) {
  for (float size : {0.0f, -5.0f, kNaN, kInf}) {
    Unit unit;
    SpatialIndex index(size);
    EXPECT_FALSE(index.valid());
    EXPECT_FALSE(index.insert(unit));
    EXPECT_FALSE(index.update(unit));
    EXPECT_FALSE(index.contains(unit));
    EXPECT_EQ(inSquare(index, 0, 0, 1000).size(), 0u);
  }
}

TEST(SpatialIndexUnits, InsertUpdateRemoveRoundTrip) {
  Unit a, b;
  SpatialIndex index;
  ASSERT_TRUE(index.insert(at(a, 10, 20)));
  ASSERT_TRUE(index.insert(at(b, -10, -20)));
  EXPECT_EQ(index.unitCount(), 2u);
  EXPECT_EQ(a.spatialCell.x, 0);
  EXPECT_EQ(b.spatialCell.z, -1);
  EXPECT_FALSE(index.insert(a)) << "a second insertion would corrupt the cell's list";

  // Within the cell: no move, same leaf.
  SpatialNode* leaf = a.spatialCell.node;
  EXPECT_FALSE(index.update(at(a, 250, 250)));
  EXPECT_EQ(a.spatialCell.node, leaf);
  EXPECT_EQ(inSquare(index, 100, 100, 10), (std::vector<const Unit*>{&a}));

  // Across a boundary: another leaf (the emptied one is recycled for it, so compare places, not
  // addresses), found there and no longer at the old place.
  EXPECT_TRUE(index.update(at(a, 256, 250)));
  EXPECT_EQ(a.spatialCell.x, 1);
  EXPECT_EQ(a.spatialCell.z, 0);
  EXPECT_TRUE(inSquare(index, 100, 100, 10).empty());
  EXPECT_EQ(inSquare(index, 300, 100, 10), (std::vector<const Unit*>{&a}));
  EXPECT_TRUE(index.consistent());

  EXPECT_TRUE(index.remove(a));
  EXPECT_FALSE(index.remove(a));
  EXPECT_FALSE(index.contains(a));
  EXPECT_EQ(inSquare(index, 0, 0, 1e6f), (std::vector<const Unit*>{&b}));
  EXPECT_TRUE(index.remove(b));
  EXPECT_EQ(index.unitCount(), 0u);
  EXPECT_EQ(index.nodeCount(), 0u);
}

TEST(SpatialIndexUnits, BadPositionsAndForeignUnitsChangeNothing) {
  Unit unit, lost;
  SpatialIndex index, other;
  EXPECT_FALSE(index.insert(at(lost, kNaN, 0)));
  EXPECT_FALSE(index.contains(lost));
  EXPECT_EQ(index.nodeCount(), 0u);

  ASSERT_TRUE(index.insert(at(unit, 600, 600)));
  SpatialNode* leaf = unit.spatialCell.node;
  EXPECT_FALSE(index.update(at(unit, 0, kNaN))) << "a NaN position keeps the last good cell";
  EXPECT_EQ(unit.spatialCell.node, leaf);

  EXPECT_FALSE(other.insert(at(unit, 0, 0)));
  EXPECT_FALSE(other.update(unit));
  EXPECT_FALSE(other.remove(unit));
  EXPECT_EQ(unit.spatialCell.node, leaf);
  EXPECT_TRUE(index.consistent());
  EXPECT_TRUE(other.consistent());
}

TEST(SpatialIndexUnits, CopiesStartOutsideAndTheIndexReleasesItsUnitsWhenGone) {
  Unit unit;
  {
    SpatialIndex index;
    ASSERT_TRUE(index.insert(at(unit, 1, 1)));
    Unit copy = unit;
    EXPECT_FALSE(index.contains(copy));
    EXPECT_EQ(copy.spatialCell.node, nullptr);
    copy = unit;
    EXPECT_EQ(copy.spatialCell.node, nullptr);
  }
  EXPECT_EQ(unit.spatialCell.index, nullptr);
  EXPECT_EQ(unit.spatialCell.node, nullptr);
  SpatialIndex again;
  EXPECT_TRUE(again.insert(unit));
}

TEST(SpatialIndexUnits, UpdateIndexesAUnitNotYetIndexed) {
  Unit unit;
  SpatialIndex index;
  EXPECT_TRUE(index.update(at(unit, 5, 5)));
  EXPECT_TRUE(index.contains(unit));
  EXPECT_FALSE(index.update(unit));
}

TEST(SpatialIndexNodes, ExactCountsAlongThePaths) {
  Unit a, b, c, d;
  SpatialIndex index;
  ASSERT_TRUE(index.insert(at(a, 1, 1)));        // cell (0, 0): a path of 32 below the root
  EXPECT_EQ(index.nodeCount(), 32u);
  ASSERT_TRUE(index.insert(at(b, 300, 1)));      // cell (1, 0): a sibling leaf
  EXPECT_EQ(index.nodeCount(), 33u);
  ASSERT_TRUE(index.insert(at(c, 100, 100)));    // same cell as a
  EXPECT_EQ(index.nodeCount(), 33u);
  ASSERT_TRUE(index.insert(at(d, -1, -1)));      // cell (-1, -1): the other half from the root
  EXPECT_EQ(index.nodeCount(), 65u);
  EXPECT_EQ(index.blockCount(), 2u);
  EXPECT_TRUE(index.consistent());

  EXPECT_TRUE(index.update(at(d, 700, 1)));      // cell (2, 0): shares 30 levels with (0, 0)
  EXPECT_EQ(index.nodeCount(), 35u);
  EXPECT_TRUE(index.remove(a));
  EXPECT_EQ(index.nodeCount(), 35u) << "c still holds the cell";
  EXPECT_TRUE(index.remove(c));
  EXPECT_EQ(index.nodeCount(), 34u);
  EXPECT_TRUE(index.remove(b));
  EXPECT_TRUE(index.remove(d));
  EXPECT_EQ(index.nodeCount(), 0u);
  EXPECT_TRUE(index.consistent());
}

TEST(SpatialIndexNodes, WanderingUnitsGiveTheirNodesBack) {
  std::vector<Unit> units(300);
  SpatialIndex index;
  CrtRandom random(7);
  auto wander = [&] {
    for (Unit& u : units) ASSERT_TRUE(index.insert(at(u, uniform(random, -4e4f, 4e4f), uniform(random, -4e4f, 4e4f))));
    for (int frame = 0; frame < 200; ++frame) {
      for (Unit& u : units) {
        u.position.x += uniform(random, -300, 300);
        u.position.z += uniform(random, -300, 300);
        index.update(u);
      }
    }
    ASSERT_TRUE(index.consistent());
    for (Unit& u : units) ASSERT_TRUE(index.remove(u));
  };
  wander();
  EXPECT_EQ(index.nodeCount(), 0u);
  const std::size_t blocks = index.blockCount();
  wander();
  EXPECT_EQ(index.nodeCount(), 0u);
  EXPECT_LE(index.blockCount(), blocks + blocks / 10) << "the second run reuses the first's nodes";
  EXPECT_TRUE(index.consistent());
}

TEST(SpatialIndexNodes, BlockListDoublesUpToTheBlockLimit) {
  std::vector<Unit> units(60);
  SpatialIndex index(kCell, 20);
  CrtRandom random(3);
  std::set<std::size_t> capacities;
  for (Unit& u : units) {
    // Far-apart units: each needs close to a whole path of its own.
    if (!index.insert(at(u, uniform(random, -5e11f, 5e11f), uniform(random, -5e11f, 5e11f)))) break;
    capacities.insert(index.blockListCapacity());
    EXPECT_LE(index.blockListCapacity(), 20u);
    EXPECT_GE(index.blockListCapacity(), index.blockCount());
  }
  EXPECT_EQ(capacities, (std::set<std::size_t>{4, 8, 16, 20}));
  EXPECT_EQ(index.blockCount(), 20u);
}

TEST(SpatialIndexNodes, AnExhaustedPoolRefusesCleanlyAndRecovers) {
  Unit a, b, far;
  SpatialIndex index(kCell, 1);  // 40 nodes: one path of 32 and a few spare
  ASSERT_TRUE(index.insert(at(a, 1, 1)));
  EXPECT_FALSE(index.insert(at(far, -1e9f, 1e9f)));
  EXPECT_FALSE(index.contains(far));
  EXPECT_EQ(index.nodeCount(), 32u) << "the part of a path built before the pool ran dry goes back";
  ASSERT_TRUE(index.insert(at(b, 300, 300)));
  EXPECT_TRUE(index.consistent());

  // A move the pool cannot follow takes the unit out rather than leave it at a stale cell.
  EXPECT_FALSE(index.update(at(b, -1e9f, -1e9f)));
  EXPECT_FALSE(index.contains(b));
  EXPECT_EQ(inSquare(index, 300, 300, 10).size(), 0u);
  EXPECT_EQ(index.nodeCount(), 32u);
  EXPECT_TRUE(index.consistent());

  // Once nodes are free again, the next update indexes the refused unit.
  ASSERT_TRUE(index.remove(a));
  EXPECT_TRUE(index.update(b));
  EXPECT_EQ(inSquare(index, -1e9f, -1e9f, 1).size(), 1u);

  SpatialIndex none(kCell, 0);
  EXPECT_FALSE(none.insert(at(a, 0, 0)));
  EXPECT_EQ(inCircle(none, 0, 0, kInf).size(), 0u);
}

// The cells a brute-force pass finds for a query, in the query's own terms: the square takes
// every cell its cell range spans, the disc those whose square lies within the radius.
std::set<const Unit*> bruteForce(const std::vector<Unit>& units, double x, double z, double r, bool circle) {
  std::set<const Unit*> found;
  const double size = kCell;
  for (const Unit& u : units) {
    const double cx = std::floor(static_cast<double>(u.position.x) / size);
    const double cz = std::floor(static_cast<double>(u.position.z) / size);
    if (cx < std::floor((x - r) / size) || cx > std::floor((x + r) / size)) continue;
    if (cz < std::floor((z - r) / size) || cz > std::floor((z + r) / size)) continue;
    if (circle) {
      const double dx = std::max({cx * size - x, x - (cx + 1) * size, 0.0});
      const double dz = std::max({cz * size - z, z - (cz + 1) * size, 0.0});
      if (dx * dx + dz * dz > r * r) continue;
    }
    found.insert(&u);
  }
  return found;
}

TEST(SpatialIndexQueries, FindExactlyTheUnitsABruteForcePassFinds) {
  std::vector<Unit> units(400);
  SpatialIndex index;
  CrtRandom random(1234);
  for (Unit& u : units) ASSERT_TRUE(index.insert(at(u, uniform(random, -2e4f, 2e4f), uniform(random, -2e4f, 2e4f))));
  for (int round = 0; round < 3; ++round) {
    for (int q = 0; q < 150; ++q) {
      const float x = uniform(random, -2.2e4f, 2.2e4f), z = uniform(random, -2.2e4f, 2.2e4f);
      const float r = uniform(random, 0, 6000);
      const bool circle = (q & 1) != 0;
      const auto found = circle ? inCircle(index, x, z, r) : inSquare(index, x, z, r);
      const std::set<const Unit*> unique(found.begin(), found.end());
      EXPECT_EQ(unique.size(), found.size()) << "a unit visited twice";
      ASSERT_EQ(unique, bruteForce(units, x, z, r, circle)) << "query " << q << " round " << round;
    }
    for (Unit& u : units) {
      u.position.x += uniform(random, -1000, 1000);
      u.position.z += uniform(random, -1000, 1000);
      index.update(u);
    }
    ASSERT_TRUE(index.consistent());
  }
}

TEST(SpatialIndexQueries, OrderIsZOrderOfCellsThenLatestArrivalFirst) {
  Unit c00, c10, c01, c11, late, neg;
  SpatialIndex index;
  // Inserted in a scrambled order; visited by cell order whatever the history.
  ASSERT_TRUE(index.insert(at(c11, 300, 300)));
  ASSERT_TRUE(index.insert(at(c00, 10, 10)));
  ASSERT_TRUE(index.insert(at(c01, 10, 300)));
  ASSERT_TRUE(index.insert(at(neg, -10, -10)));
  ASSERT_TRUE(index.insert(at(c10, 300, 10)));
  ASSERT_TRUE(index.insert(at(late, 20, 20)));
  EXPECT_EQ(inSquare(index, 256, 256, 300),
            (std::vector<const Unit*>{&neg, &late, &c00, &c10, &c01, &c11}));
  EXPECT_EQ(inCircle(index, 256, 256, 400), inSquare(index, 256, 256, 300));
  // The disc of 300 misses the corner of cell (-1, -1), 362 away.
  EXPECT_EQ(inCircle(index, 256, 256, 300),
            (std::vector<const Unit*>{&late, &c00, &c10, &c01, &c11}));
}

TEST(SpatialIndexQueries, ExtremeCellsAndBadQueries) {
  Unit east, west, origin;
  SpatialIndex index;
  ASSERT_TRUE(index.insert(at(east, 1e30f, 0)));   // clamped into cell kMax
  ASSERT_TRUE(index.insert(at(west, -kInf, -1e20f)));
  ASSERT_TRUE(index.insert(at(origin, 0, 0)));
  EXPECT_EQ(east.spatialCell.x, kMax);
  EXPECT_EQ(west.spatialCell.x, kMin);
  EXPECT_EQ(west.spatialCell.z, kMin);
  EXPECT_EQ(inCircle(index, 0, 0, kInf).size(), 3u);
  EXPECT_EQ(inSquare(index, 0, 0, 1e35f).size(), 3u);
  EXPECT_TRUE(index.update(at(east, 5e11f, 0)));
  EXPECT_EQ(east.spatialCell.x, static_cast<std::int32_t>(std::floor(static_cast<double>(5e11f) / kCell)));

  // With 1/256-unit cells the last cell's inner edge is at 8388607.996, within float precision.
  // It stands for everything beyond, so a disc past it, or just reaching it, finds a unit that
  // was clamped into it from much further out.
  Unit far;
  SpatialIndex fine(1.0f / 256);
  ASSERT_TRUE(fine.insert(at(far, 1e30f, 0)));
  EXPECT_EQ(inCircle(fine, 8.5e6f, 0, 50), (std::vector<const Unit*>{&far}));
  EXPECT_EQ(inCircle(fine, 8388000, 0, 610), (std::vector<const Unit*>{&far}));
  EXPECT_EQ(inCircle(fine, 8388000, 0, 600).size(), 0u);

  EXPECT_EQ(inSquare(index, kNaN, 0, 10).size(), 0u);
  EXPECT_EQ(inSquare(index, 0, 0, kNaN).size(), 0u);
  EXPECT_EQ(inCircle(index, 0, 0, -1).size(), 0u);
  EXPECT_EQ(inCircle(index, kInf, 0, 10).size(), 0u);
  EXPECT_EQ(inSquare(index, 0, 0, 0), (std::vector<const Unit*>{&origin}));
  EXPECT_TRUE(index.consistent());
}

}  // namespace
}  // namespace skyloom
