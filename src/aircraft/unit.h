#pragma once
// Unit: one aircraft or ground object of the scene, as a description makes it. The flight code
// moves it; the drawing code reads its matrix, its description and its timers.

#include <cstdint>

#include "aircraft/spatial_cell.h"
#include "core/math.h"

namespace skyloom {

struct UnitDescription;

// The flag values of the unit records.
enum UnitFlag : std::uint32_t {
  kUnitBuried = 4,       // a destroyed unit that has sunk out of sight
  kUnitMatrixDirty = 8,  // world is rebuilt from position, heading, pitch and roll before drawing
};

constexpr std::int32_t kUnitHitPoints = 1000;  // every unit starts with these; below 1 it is destroyed

struct Unit {
  int slot = -1;                 // in the unit list
  std::int32_t typeValue = 0;    // from the group template (a resolved mesh index)
  const UnitDescription* description = nullptr;
  int descriptionIndex = 0;
  bool isStatic = false;         // kind 1: takes its place, neither moves nor draws

  Vec3 position;
  Vec3 forward{1, 0, 0};
  Vec3 up{0, 1, 0};
  Vec3 sideAxis{0, 0, 1};
  Vec3 velocity;
  float heading = 0, pitch = 0, roll = 0;
  Matrix world = Matrix::identity();  // rows: forward, up, side, position
  std::int32_t hitPoints = kUnitHitPoints;
  std::uint32_t flags = 0;

  Vec3 negatedBoundsMin;  // y: how far the level-0 mesh reaches below its origin
  float radius = 1;       // of the level-0 mesh
  float spinAngle = 0;    // propellers and rotors
  float fireTimer = 0;    // drives the flame length

  // From the description's flight parameters.
  float topSpeed = 0;
  float speed = 0;
  float turnRate = 0;
  std::int32_t classCode = 0;
  std::int32_t side = 0;
  float ceiling = 0;
  float range = 0;
  float float136 = 0;

  SpatialCell spatialCell;  // kept by the spatial index

  float groundOffset() const { return negatedBoundsMin.y; }
};

// The world matrix of a unit from its position and its heading, pitch and roll, with the half
// turn about the vertical axis that points the model's nose along the heading.
Matrix unitMatrix(const Vec3& position, float heading, float pitch, float roll);

}  // namespace skyloom
