#pragma once
// The generated fleet: nine aircraft types, each with four level-of-detail meshes, a livery and
// the attachment points and flight parameters of its unit description.

#include <array>
#include <cstdint>
#include <vector>

#include "aircraft_atlas.h"
#include "aircraft_design.h"
#include "aircraft_lod.h"
#include "tex_picture.h"

namespace skyloom::assetgen {

constexpr int kLiveryWidth = 512;
constexpr int kLiveryHeight = 512;
constexpr int kLiveryQuality = 90;

// biplane, mplane, trainer, transport, fighter, airliner, helicopter, seaplane, glider.
std::vector<AircraftDesign> makeFleet();

struct GeneratedAircraft {
  AircraftDesign design;
  Atlas atlas;
  Picture livery;
  std::vector<std::uint8_t> liveryJpeg;
  std::array<BuiltLevel, kLevels> levels;
};

// Lays out and paints the livery and builds the four levels. False (and why on stderr) when a
// mesh or the picture cannot be made.
bool generateAircraft(const AircraftDesign& design, GeneratedAircraft& out);

}  // namespace skyloom::assetgen
