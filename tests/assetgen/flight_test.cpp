// The starting formation of the generated fleet flown for five minutes over each generated
// landscape, with the height tiles generated where the units fly, as the scene does: the finest
// generated tile answers, and the windows follow the leader between frames. The units start on
// the ground (at the highest ground around them), so the first second is their take-off; after
// it the terrain look-ahead should keep them clear of the ground. The minimum clearance and the
// number of ground contacts are printed and recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "aircraft/aircraft_libraries.h"
#include "aircraft/unit_list.h"
#include "config/aircraft_settings.h"
#include "config/file_list.h"
#include "core/random.h"
#include "world/height_pyramid.h"
#include "world/height_source.h"
#include "world/terrain_params.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

constexpr float kDt = 1.0f / 30.0f;
constexpr int kFrames = 5 * 60 * 30;
constexpr int kTakeOffFrames = 30;

std::unique_ptr<AircraftLibraries> loadFleet() {
  const fs::path previous = fs::current_path();
  fs::current_path(std::string(SKYLOOM_ASSETS_DIR) + "/Skyloom");
  FileList files;
  files.scan("aircraft\\", "*.cu", false);
  CrtRandom colours;
  auto libraries = std::make_unique<AircraftLibraries>(files.scanList(), nullptr, colours);
  fs::current_path(previous);
  return libraries;
}

struct FlightReport {
  std::size_t units = 0;
  std::uint64_t takeOffContacts = 0;
  std::uint64_t groundContacts = 0;  // after the take-off
  float minimumClearance = 1e30f;    // after the take-off
  std::uint64_t inverted = 0;        // unit steps flown with the up axis pointing down
  std::string worst;                 // the type with the most contacts
};

FlightReport flyOver(const std::string& terrainFile, float startX, float startZ) {
  FlightReport report;
  auto libraries = loadFleet();
  EXPECT_GT(libraries->filesLoaded, 5u);
  HeightSource source;
  source.loadPath(std::string(SKYLOOM_ASSETS_DIR) + "/Skyloom/tem/" + terrainFile);
  EXPECT_NE(source.kind(), HeightSourceKind::Flat) << terrainFile;
  const TerrainParams params = terrainParams(source.sampleSpacing(), source.heightUnit(), 0, 3.0f);
  TilePyramid pyramid(source, params, nullptr);
  auto cell = [&](float v) { return static_cast<std::int32_t>(std::floor(v / params.spacing)); };
  auto ground = [&](float x, float z) { return pyramid.groundHeight(x, z); };
  auto follow = [&](const Vec3& p) {
    for (int i = 0; i < 1000 && pyramid.update(cell(p.x), cell(p.z)) > 0; ++i) {
    }
  };

  CrtRandom random(2026);
  UnitList units(UnitListServices{libraries->descriptions, libraries->models, libraries->catalogue(), ground, random,
                                  std::min(0.1f * params.extent, 8000.0f)});
  std::vector<std::string> names;
  for (std::string_view n : AircraftSettings::defaultAircraft()) names.emplace_back(n);
  follow({startX, 0.0f, startZ});
  EXPECT_TRUE(units.buildStartingFormation(startX, startZ, names));
  report.units = units.count();

  std::vector<std::uint32_t> atTakeOff(units.count());
  for (int frame = 0; frame < kFrames; ++frame) {
    follow(units.unit(0).position);
    units.advanceFrame(kDt);
    if (frame + 1 == kTakeOffFrames) {
      for (std::size_t i = 0; i < units.count(); ++i) atTakeOff[i] = units.unit(i).groundContacts;
    }
    if (frame < kTakeOffFrames) continue;
    for (std::size_t i = 0; i < units.count(); ++i) {
      const FlyingUnit& u = units.unit(i);
      report.minimumClearance =
          std::min(report.minimumClearance, u.position.y - u.groundOffset() - ground(u.position.x, u.position.z));
      if (u.up.y < 0.0f) ++report.inverted;
    }
  }
  std::uint32_t most = 0;
  for (std::size_t i = 0; i < units.count(); ++i) {
    const FlyingUnit& u = units.unit(i);
    report.takeOffContacts += atTakeOff[i];
    report.groundContacts += u.groundContacts - atTakeOff[i];
    if (u.groundContacts - atTakeOff[i] > most) most = u.groundContacts - atTakeOff[i], report.worst = u.description->name;
  }
  std::printf("%s: %zu units, take-off contacts %llu; then 5 minutes: minimum clearance %.1f m, %llu ground contacts "
              "in %d unit steps%s%s; %llu steps upside down\n",
              terrainFile.c_str(), report.units, static_cast<unsigned long long>(report.takeOffContacts),
              report.minimumClearance, static_cast<unsigned long long>(report.groundContacts),
              static_cast<int>(report.units) * (kFrames - kTakeOffFrames), most ? ", most by a " : "",
              report.worst.c_str(), static_cast<unsigned long long>(report.inverted));
  ::testing::Test::RecordProperty("minimum_clearance_m", std::to_string(report.minimumClearance));
  ::testing::Test::RecordProperty("ground_contacts", std::to_string(report.groundContacts));
  return report;
}

TEST(FlightOverTheLandscapes, TheStartingFormationFliesFiveMinutesOverTheCoastWithoutTouchingIt) {
  const FlightReport r = flyOver("coast.tem", 6000, 6000);
  EXPECT_EQ(r.units, AircraftSettings::defaultAircraft().size());
  EXPECT_EQ(r.groundContacts, 0u);
  EXPECT_GT(r.minimumClearance, 0.0f);
  EXPECT_LT(r.inverted, r.units * (kFrames - kTakeOffFrames) / 50);  // upside down under 2 % of the time
}

// The highlands' slopes are steeper in places than the slowest types (a glider at 45 m/s) can
// climb; the look-ahead climbs and does not turn away, so such a unit may be held up by the
// ground for a few seconds. It never sinks into it, and it happens rarely.
TEST(FlightOverTheLandscapes, OverTheHighlandsTheGroundHoldsUpAUnitRarelyAndNoneSinksIntoIt) {
  const FlightReport r = flyOver("highlands.dem", 6000, 6000);
  EXPECT_EQ(r.units, AircraftSettings::defaultAircraft().size());
  EXPECT_GE(r.minimumClearance, -0.01f);
  EXPECT_LT(r.groundContacts, r.units * (kFrames - kTakeOffFrames) / 200);  // under 0.5 % of the steps
  EXPECT_LT(r.inverted, r.units * (kFrames - kTakeOffFrames) / 50);
}

}  // namespace
}  // namespace skyloom
