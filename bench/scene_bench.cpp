// The whole flight scene's CPU time per frame, natively, with the recording device counting
// only: the generated terrain, sky and clouds, 100 aircraft of the generated fleet with their
// trails, and the camera following them, for a scripted minute at 60 frames a second. What is
// measured is the simulation and the preparation of the draw calls; the GPU's share is not.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "install_tree.h"
#include "aircraft/camera.h"
#include "app/scene.h"
#include "config/aircraft_settings.h"
#include "config/file_list.h"
#include "config/settings_records.h"
#include "effects/cloud_field.h"
#include "platform/gfx/recording_device.h"

namespace skyloom {
namespace {

SceneConfig defaultScene() {
  const GeneralRecord general;
  SceneConfig config;
  TerrainSettings terrain;
  terrain.terrainName = general.terrainName;
  terrain.detail = static_cast<float>(general.terrainQuality);
  terrain.seaLevelMetres = general.seaLevel;
  terrain.hazeColour = general.fogColour2;
  config.terrain = terrain;
  config.hazeColour = general.fogColour2;
  config.sky = SkyColours{general.skyColour, general.fogColour2, general.lightColour};
  config.startX = 30000.0f;
  config.startZ = 30000.0f;
  FileList files;
  files.scan("aircraft\\", "*.cu", false);
  config.aircraftFiles = files.scanList();
  for (std::string_view n : AircraftSettings::defaultAircraft()) config.chosenAircraft.emplace_back(n);
  config.clouds = CloudSettings{CloudField::countForAmount(general.cloudAmount), general.cloudColour};
  return config;
}

void BM_SceneFrame(benchmark::State& state) {
  InInstallTree here;
  Scene scene(defaultScene());
  UnitList* units = scene.units();
  if (!units || units->count() == 0) {
    state.SkipWithError("no aircraft (build the assets)");
    return;
  }
  // More groups of the starting row beside the first, up to 100 aircraft.
  const std::vector<std::string> names(AircraftSettings::defaultAircraft().begin(),
                                       AircraftSettings::defaultAircraft().end());
  for (int g = 1; units->count() < 100; ++g) {
    std::vector<std::string> list(names.begin(), names.begin() + std::min<std::ptrdiff_t>(
                                                                    static_cast<std::ptrdiff_t>(names.size()),
                                                                    static_cast<std::ptrdiff_t>(100 - units->count())));
    NameCursor cursor{list, 0};
    if (!units->groups().build(true, units->catalogue().startingRow, 30000.0f + 1500.0f * g, 30000.0f, 3.14159265f,
                               cursor))
      break;
  }

  RecordingDeviceConfig deviceConfig;
  deviceConfig.captureGeometry = false;
  deviceConfig.captureState = false;
  RecordingDevice device(deviceConfig);
  const SceneSettings settings = sceneSettingsFor(90, 800, 600);
  applySceneStates(device, settings.nearProjection, Matrix::identity());
  if (failed(scene.restore(device, settings))) {
    state.SkipWithError("the scene did not restore");
    return;
  }

  CameraRecord record;
  std::array<std::uint8_t, 256> keys{};
  float idle = 0;
  int fillMode = 3;
  Camera camera(record, CameraInput{keys, idle, fillMode},
                [&](float x, float z) { return scene.terrain()->heights().groundHeight(x, z); });
  camera.setFollowNext([&] { units->followNext(); });
  camera.setMode(5);  // behind the followed unit; after a minute idle it changes by itself

  constexpr int kFrames = 60 * 60;
  constexpr double kDt = 1.0 / 60.0;
  std::vector<double> micros;
  micros.reserve(kFrames);
  std::uint64_t ms = 0;
  std::size_t drawCalls = 0;
  for (auto _ : state) {
    micros.clear();
    for (int f = 0; f < kFrames; ++f) {
      const auto begin = std::chrono::steady_clock::now();
      ms += 16;
      scene.advanceFrame(kDt, ms);
      camera.follow(units->followedView());
      camera.advanceFrame(static_cast<float>(kDt));
      device.clearRecording();
      device.beginScene();
      device.setTransform(TransformState::View, camera.view());
      scene.render(device, camera.world());
      device.endScene();
      micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
      drawCalls = device.draws().size();
    }
  }
  std::vector<double> sorted = micros;
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> settled(micros.begin() + 60, micros.end());  // after the first second's paging
  std::sort(settled.begin(), settled.end());
  state.counters["units"] = static_cast<double>(units->count());
  state.counters["median_us"] = sorted[sorted.size() / 2];
  state.counters["p99_us"] = sorted[sorted.size() * 99 / 100];
  state.counters["worst_us"] = sorted.back();
  state.counters["worst_after_1s_us"] = settled.back();
  state.counters["draw_calls"] = static_cast<double>(drawCalls);
  scene.invalidate();
}
BENCHMARK(BM_SceneFrame)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace skyloom
