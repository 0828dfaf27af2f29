#pragma once
// The generated fleet: nine aircraft types, each with four level-of-detail meshes, a livery and
// the attachment points and flight parameters of its unit description.

#include <array>
#include <cstdint>
#include <vector>

#include "aircraft/unit_description.h"
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

// The unit description of a generated aircraft: kind 2, its four levels in the four mesh slots
// (identity matrices), its meshes in the model pack and its livery in the texture pack. The
// source points into aircraft, which must outlive it.
UnitDescriptionSource describeAircraft(const GeneratedAircraft& aircraft);

// The bytes of "<name>.cu", accepted only when the program's own parser reads them back as one
// description with four meshes and a livery that decodes. False (and why on stderr) otherwise.
bool makeAircraftFile(const GeneratedAircraft& aircraft, Bytes& out);

}  // namespace skyloom::assetgen
