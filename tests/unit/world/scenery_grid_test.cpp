#include "world/scenery_grid.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

namespace skyloom {
namespace {

struct Marked {
  std::uint16_t present = 0;
  std::int32_t x = 0, z = 0;  // where the cell was built, base samples
};

using Visit = std::tuple<int, int, std::int32_t, std::int32_t>;

// Every cell in ring order, filtered by what its place holds now: what the occupied visit must
// give whatever it kept from before.
std::vector<Visit> expected(const SceneryCells<Marked>& grid) {
  std::vector<Visit> out;
  visitOutsideIn(grid.size(), [&](int i, int j) {
    const Marked& c = grid.cell(i, j);
    if (c.present != 0) out.emplace_back(i, j, c.x, c.z);
  });
  return out;
}

std::vector<Visit> visited(const SceneryCells<Marked>& grid) {
  std::vector<Visit> out;
  grid.visitOccupiedOutsideIn([&](int i, int j, const Marked& c) { out.emplace_back(i, j, c.x, c.z); });
  return out;
}

// The occupied cells come in ring order, and after moves small (strips rebuilt) and large (all
// rebuilt) they are the cells of the new place, not the list of the old one.
TEST(SceneryCells, OccupiedCellsAreVisitedInRingOrderWhereverTheGridHasMoved) {
  SceneryCells<Marked> grid(0, 2, 9, -1000, -1000, [](const SceneryCells<Marked>& g, int i, int j, Marked& c) {
    c.x = g.cellX(i);
    c.z = g.cellZ(j);
    c.present = ((c.x / 4) * 7 + (c.z / 4) * 3) % 5 == 0 ? 1 : 0;  // a fifth of the places, by place
  });
  for (auto [x, z] : {std::pair{0, 0}, {0, 0}, {4, 0}, {8, -12}, {400, 400}, {396, 404}}) {
    grid.moveTo(x, z);
    const std::vector<Visit> want = expected(grid);
    EXPECT_FALSE(want.empty());
    EXPECT_LT(want.size(), 81u);
    EXPECT_EQ(visited(grid), want) << "after the move to " << x << ", " << z;
    EXPECT_EQ(visited(grid), want) << "again at " << x << ", " << z;
  }
}

}  // namespace
}  // namespace skyloom
