// The aircraft: what the generated fleet costs at start-up (reading every aircraft file, its
// meshes and texture-pack directories into the libraries) and what drawing one unit costs at
// each level of detail (CPU time of the draw with its attachments, triangles and draw calls),
// with the recording device counting only. The spatial index's per-frame update needs no assets.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "install_tree.h"
#include "aircraft/aircraft_libraries.h"
#include "aircraft/spatial_index.h"
#include "aircraft/unit_draw.h"
#include "config/file_list.h"
#include "core/random.h"
#include "platform/gfx/recording_device.h"

namespace skyloom {
namespace {

std::vector<std::string> fleetFiles() {
  FileList list;
  list.scan("aircraft\\", "*.cu", false);
  return list.scanList();
}

void BM_LoadFleet(benchmark::State& state) {
  InInstallTree here;
  const std::vector<std::string> files = fleetFiles();
  std::size_t meshes = 0, loaded = 0;
  for (auto _ : state) {
    CrtRandom random;
    AircraftLibraries libraries(files, nullptr, random);
    meshes = libraries.models.size();
    loaded = libraries.filesLoaded;
  }
  if (loaded == 0) state.SkipWithError("no aircraft files (build the assets)");
  state.counters["files"] = static_cast<double>(loaded);
  state.counters["meshes"] = static_cast<double>(meshes);
}
BENCHMARK(BM_LoadFleet)->Unit(benchmark::kMillisecond);

// Every type of the fleet drawn once per iteration at the distance that picks level range(0).
void BM_DrawFleetAtLevel(benchmark::State& state) {
  InInstallTree here;
  CrtRandom random;
  AircraftLibraries libraries(fleetFiles(), nullptr, random);
  RecordingDeviceConfig config;
  config.captureGeometry = false;
  config.captureState = false;
  RecordingDevice device(config);
  std::vector<std::unique_ptr<Unit>> units;
  for (std::size_t d = 1; d < libraries.descriptions.size(); ++d) {
    if (auto unit = libraries.descriptions.createFrom(static_cast<int>(d))) units.push_back(std::move(unit));
  }
  if (units.empty()) {
    state.SkipWithError("no aircraft files (build the assets)");
    return;
  }
  const float ratios[] = {0.2f, 0.07f, 0.03f, 0.005f};
  const float ratio = ratios[state.range(0)];
  device.beginScene();
  std::uint64_t triangles = 0, draws = 0, drawn = 0;
  for (auto _ : state) {
    for (auto& unit : units) {
      const Vec3 eye{unit->radius / ratio, 0, 0};
      UnitDrawContext context{device, libraries.models, &libraries.catalogue(), eye, nullptr};
      drawn += drawUnit(context, *unit) == state.range(0) ? 1 : 0;
    }
    for (const RecordedDraw& draw : device.draws()) {
      triangles += draw.primitiveCount;
      ++draws;
    }
    device.clearRecording();
  }
  const double units_drawn = static_cast<double>(state.iterations()) * static_cast<double>(units.size());
  if (static_cast<double>(drawn) != units_drawn) state.SkipWithError("a unit was drawn at another level");
  state.counters["triangles/unit"] = static_cast<double>(triangles) / units_drawn;
  state.counters["draws/unit"] = static_cast<double>(draws) / units_drawn;
  state.counters["units/s"] = benchmark::Counter(units_drawn, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawFleetAtLevel)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// Units flying straight at 100 to 1000 units a second over the 100000-unit world, turning back at
// its edges, at 60 frames a second. One iteration is one frame: every unit moves (a few
// multiplications, included) and the index follows it. The counters give the time per unit and
// how many units changed cell per frame.
struct Flight {
  std::vector<Unit> units;
  SpatialIndex index;

  explicit Flight(std::size_t count) : units(count) {
    CrtRandom random(11);
    auto unit = [&random] { return static_cast<float>(random.next()) / kRandomMax; };
    for (Unit& u : units) {
      const float heading = unit() * 6.2831853f, speed = 100 + 900 * unit();
      u.position = {unit() * kWorld, 500, unit() * kWorld};
      u.velocity = {speed * std::cos(heading), 0, speed * std::sin(heading)};
      index.insert(u);
    }
  }
  ~Flight() {
    for (Unit& u : units) index.remove(u);
  }

  std::size_t step(float dt) {
    std::size_t moved = 0;
    for (Unit& u : units) {
      u.position = u.position + u.velocity * dt;
      if (u.position.x < 0 || u.position.x > kWorld) u.velocity.x = -u.velocity.x;
      if (u.position.z < 0 || u.position.z > kWorld) u.velocity.z = -u.velocity.z;
      moved += index.update(u) ? 1 : 0;
    }
    return moved;
  }

  static constexpr float kWorld = 100000;
};

void BM_SpatialIndexUpdate(benchmark::State& state) {
  Flight flight(static_cast<std::size_t>(state.range(0)));
  if (flight.index.unitCount() != flight.units.size()) {
    state.SkipWithError("the index refused a unit");
    return;
  }
  std::size_t moved = 0;
  for (auto _ : state) moved += flight.step(1.0f / 60);
  const double frames = static_cast<double>(state.iterations());
  state.counters["per unit"] = benchmark::Counter(frames * static_cast<double>(flight.units.size()),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["moves/frame"] = static_cast<double>(moved) / frames;
  state.counters["nodes"] = static_cast<double>(flight.index.nodeCount());
}
BENCHMARK(BM_SpatialIndexUpdate)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Ten targeting look-ups of 3000 units a frame among flying units (the targeting's reach).
void BM_SpatialIndexTargetQuery(benchmark::State& state) {
  Flight flight(static_cast<std::size_t>(state.range(0)));
  std::size_t found = 0, next = 0;
  for (auto _ : state) {
    for (int q = 0; q < 10; ++q) {
      const Unit& u = flight.units[next++ % flight.units.size()];
      found += flight.index.forEachInCircle(u.position.x, u.position.z, 3000,
                                            [](Unit& v) { benchmark::DoNotOptimize(&v); });
    }
  }
  state.counters["found/query"] = static_cast<double>(found) / (10.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SpatialIndexTargetQuery)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
