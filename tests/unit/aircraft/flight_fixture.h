#pragma once
// A small fleet for the flight tests: a jet, a slow propeller type and a static tower, as
// descriptions in a library, with a unit list over a ground the test chooses.

#include <memory>
#include <string>
#include <vector>

#include "aircraft/model_library.h"
#include "aircraft/unit_catalogue.h"
#include "aircraft/unit_description.h"
#include "aircraft/unit_description_library.h"
#include "aircraft/unit_list.h"
#include "core/random.h"

namespace skyloom::testing {

inline Model flightBox(const std::string& name, float size) {
  Model m;
  m.name = name;
  ModelSubset s;
  for (int i = 0; i < 8; ++i) {
    const float x = (i & 1) ? size : -size, y = (i & 2) ? size : -size, z = (i & 4) ? size : -size;
    s.vertices.push_back({x, y, z, 0, 1, 0, 0, 0});
  }
  s.indices = {0, 1, 2, 2, 1, 3};
  m.subsets.push_back(s);
  m.boundsMin = {-size, -size, -size};
  m.boundsMax = {size, size, size};
  m.radius = size * 1.7320508f;
  m.countTotals();
  return m;
}

inline UnitDescriptionSource flightType(const std::string& name, const Model& mesh, float topSpeed, float turnRate,
                                        std::int32_t classCode, float ceiling, std::int32_t kind = 2) {
  UnitDescriptionSource s;
  UnitDescription& d = s.description;
  d.name = name;
  d.kind = kind;
  d.flight.topSpeed = topSpeed;
  d.flight.turnRate = turnRate;
  d.flight.classCode = classCode;
  d.flight.ceiling = ceiling;
  d.flight.range = 3000;
  d.slots.resize(1);
  d.slots[0].meshName = mesh.name;
  AttachmentPoint exhaust;
  exhaust.offset = {-5, 0, 0};
  exhaust.flags = kAttachSmoke | kAttachFlame;
  d.attachments = {exhaust};
  s.models = {&mesh};
  return s;
}

using Ground = std::function<float(float, float)>;

struct FlightFixture {
  Model jetMesh = flightBox("jet.x", 5);
  Model propMesh = flightBox("prop.x", 4);
  Model towerMesh = flightBox("tower.x", 10);
  ModelLibrary models;
  UnitDescriptionLibrary descriptions{models, nullptr};
  std::unique_ptr<UnitCatalogue> catalogue;
  CrtRandom random;
  std::unique_ptr<UnitList> units;

  explicit FlightFixture(Ground ground = [](float, float) { return 0.0f; }, std::uint32_t seed = 7,
                         float worldCeiling = 8000.0f)
      : random(seed) {
    const Bytes file = writeUnitFile({flightType("jet", jetMesh, 600, 2.0f, 0x101, 15000),
                                      flightType("prop", propMesh, 120, 1.6f, 2, 7000),
                                      flightType("tower", towerMesh, 0, 0, 0, 1, 1)});
    descriptions.loadFileBytes("fleet.cu", file);
    catalogue = std::make_unique<UnitCatalogue>(models);
    units = std::make_unique<UnitList>(
        UnitListServices{descriptions, models, *catalogue, std::move(ground), random, worldCeiling});
  }

  // A unit of type name at (x, y, z) flying along +x at fraction of its top speed, its target
  // far ahead at the same height.
  FlyingUnit& flying(const std::string& name, const Vec3& at, float fraction = 1.0f) {
    FlyingUnit& u = *units->add(at.x, at.z, 0, name);
    u.position = at;
    u.velocity = {u.topSpeed * fraction, 0, 0};
    u.speed = u.topSpeed * fraction;
    u.target = u.avoidPoint = {at.x + 1e6f, at.y, at.z};
    return u;
  }
};

}  // namespace skyloom::testing
