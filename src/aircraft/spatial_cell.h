#pragma once
// A unit's place in the spatial index. It lives in the unit so that keeping the index current is a
// comparison of two cell numbers per frame, and moving a unit to another cell needs no allocation:
// the units of one cell are linked through these fields.

#include <cstdint>

namespace skyloom {

class SpatialIndex;
struct SpatialNode;
struct Unit;

struct SpatialCell {
  SpatialCell() = default;
  // The links belong to the unit the index placed, so a copy of a unit starts outside the index,
  // and assigning a unit over another leaves the target's place alone.
  SpatialCell(const SpatialCell&) {}
  SpatialCell& operator=(const SpatialCell&) { return *this; }

  // Outside any index (assignment cannot do this, see above).
  void clear() {
    x = z = 0;
    node = nullptr;
    index = nullptr;
    previous = next = nullptr;
  }

  std::int32_t x = 0;  // cell coordinates, see SpatialIndex::cellOf
  std::int32_t z = 0;
  SpatialNode* node = nullptr;         // the leaf holding the unit; null while not indexed
  const SpatialIndex* index = nullptr;  // the index that holds it; null while not indexed
  Unit* previous = nullptr;            // neighbours in the leaf's list of units
  Unit* next = nullptr;
};

}  // namespace skyloom
