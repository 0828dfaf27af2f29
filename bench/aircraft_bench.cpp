// The aircraft: what the generated fleet costs at start-up (reading every aircraft file, its
// meshes and texture-pack directories into the libraries) and what drawing one unit costs at
// each level of detail (CPU time of the draw with its attachments, triangles and draw calls),
// with the recording device counting only.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "aircraft/aircraft_libraries.h"
#include "aircraft/unit_draw.h"
#include "config/file_list.h"
#include "core/random.h"
#include "platform/gfx/recording_device.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

// The generated install tree is the current directory while a benchmark runs.
class InInstallTree {
 public:
  InInstallTree() : previous_(fs::current_path()) { fs::current_path(SKYLOOM_INSTALL_DIR); }
  ~InInstallTree() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

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

}  // namespace
}  // namespace skyloom
