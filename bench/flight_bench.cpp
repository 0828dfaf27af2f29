// The flight: every unit stepped for one frame (flight model with its 19-sample terrain
// look-ahead, the groups' routes, station keeping and target picking, the spatial index), for
// 100, 1,000 and 10,000 units of the generated fleet over the generated landscape. The height
// tiles where the units fly are generated before the timing starts, so the figure is the
// flight's own cost, not the terrain's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "install_tree.h"
#include "aircraft/aircraft_libraries.h"
#include "aircraft/unit_list.h"
#include "config/aircraft_settings.h"
#include "config/file_list.h"
#include "core/random.h"
#include "terrain_flight.h"

namespace skyloom {
namespace {

// The catalogue row with the most members that are all units: groups of it pack the most
// units into the thousand groups a scene may have.
int widestPlainRow(const UnitCatalogue& catalogue) {
  int best = 0;
  std::size_t most = 0;
  for (std::size_t r = 0; r < catalogue.rowCount(); ++r) {
    const TemplateRow& row = catalogue.row(static_cast<int>(r));
    bool plain = true;
    for (const TemplateMember& m : row.members) plain = plain && !m.isRow();
    if (plain && row.members.size() > most) most = row.members.size(), best = static_cast<int>(r);
  }
  return best;
}

void BM_FlightFrame(benchmark::State& state) {
  const auto wanted = static_cast<std::size_t>(state.range(0));
  std::unique_ptr<AircraftLibraries> libraries;
  {
    InInstallTree here;
    FileList files;
    files.scan("aircraft\\", "*.cu", false);
    CrtRandom colours;
    libraries = std::make_unique<AircraftLibraries>(files.scanList(), nullptr, colours);
  }
  if (libraries->filesLoaded == 0) {
    state.SkipWithError("no aircraft files (build the assets)");
    return;
  }
  TerrainWorld terrain(20000.0f, 20000.0f, generatedSource(), flightSettings());
  TilePyramid& heights = terrain.heights();
  const float spacing = terrain.spacing();
  bool generating = true;
  auto ground = [&](float x, float z) {
    if (generating) {
      int level = 0;
      heights.fetchGenerating(level, static_cast<std::int32_t>(std::floor(x / spacing)),
                              static_cast<std::int32_t>(std::floor(z / spacing)));
    }
    return heights.groundHeight(x, z);
  };
  CrtRandom random(5);
  UnitList units(UnitListServices{libraries->descriptions, libraries->models, libraries->catalogue(), ground, random,
                                  terrain.sceneryDistance()});

  std::vector<std::string> names;
  for (std::string_view n : AircraftSettings::defaultAircraft()) names.emplace_back(n);
  const int row = widestPlainRow(libraries->catalogue());
  const std::size_t side = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(wanted) / 8.0)));
  for (std::size_t g = 0; units.count() < wanted; ++g) {
    std::vector<std::string> list;
    for (std::size_t i = 0; i < 16 && units.count() + list.size() < wanted; ++i)
      list.push_back(names[(g * 16 + i) % names.size()]);
    NameCursor cursor{list, 0};
    const float x = 20000.0f + 1500.0f * static_cast<float>(g % side);
    const float z = 20000.0f + 1500.0f * static_cast<float>(g / side);
    if (!units.groups().build(true, row, x, z, 3.14159265f, cursor)) break;
  }
  // The group list holds at most a thousand groups; the units beyond them fly alone.
  for (std::size_t i = 0; units.count() < wanted; ++i) {
    const float x = 20000.0f + 1500.0f * static_cast<float>(i % side) + 700.0f;
    const float z = 20000.0f + 1500.0f * static_cast<float>(i / side % side) + 700.0f;
    FlyingUnit* u = units.add(x, z, 0, names[i % names.size()]);
    if (!u) break;
    u->target = u->avoidPoint = {x + 50000.0f, 1000.0f, z};
  }
  for (std::size_t i = 0; i < units.count(); ++i) {
    FlyingUnit& u = units.unit(i);
    u.position.y += 400.0f;
    u.velocity = {u.topSpeed, 0, 0};
  }
  for (int i = 0; i < 120; ++i) units.advanceFrame(1.0f / 60.0f);  // the tiles they fly over
  generating = false;

  double seconds = 0;
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    units.advanceFrame(1.0f / 60.0f);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  }
  state.counters["units"] = static_cast<double>(units.count());
  state.counters["groups"] = static_cast<double>(units.groups().size());
  if (state.iterations() > 0 && units.count() > 0) {
    state.counters["us_per_unit"] =
        seconds * 1e6 / static_cast<double>(state.iterations()) / static_cast<double>(units.count());
  }
}
BENCHMARK(BM_FlightFrame)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
