// The whole flight scene's CPU time per frame, natively, with the recording device counting
// only: the generated terrain, sky and clouds, 100 aircraft of the generated fleet with their
// trails, and the camera following them, for a scripted minute at 60 frames a second. What is
// measured is the simulation and the preparation of the draw calls; the GPU's share is not.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
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
#include "effects/trail_vertex.h"
#include "world/building_field.h"
#include "world/tree_field.h"
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
  terrain.sceneryDensity = general.treeAmount;
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

// The scene with 100 aircraft in groups side by side and the camera behind the first.
struct BenchScene {
  InInstallTree here;
  Scene scene{defaultScene()};
  UnitList* units = scene.units();
  CameraRecord record;
  std::array<std::uint8_t, 256> keys{};
  float idle = 0;
  int fillMode = 3;
  std::unique_ptr<Camera> camera;
  std::uint64_t ms = 0;

  // Null when it cannot run, with the reason in why.
  const char* prepare(RenderDevice& device, int mode = 5) {
    if (!units || units->count() == 0) return "no aircraft (build the assets)";
    const std::vector<std::string> names(AircraftSettings::defaultAircraft().begin(),
                                         AircraftSettings::defaultAircraft().end());
    for (int g = 1; units->count() < 100; ++g) {
      const auto take = std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(names.size()),
                                                 static_cast<std::ptrdiff_t>(100 - units->count()));
      std::vector<std::string> list(names.begin(), names.begin() + take);
      NameCursor cursor{list, 0};
      if (!units->groups().build(true, units->catalogue().startingRow, 30000.0f + 1500.0f * g, 30000.0f,
                                 3.14159265f, cursor))
        break;
    }
    const SceneSettings settings = sceneSettingsFor(90, 800, 600);
    applySceneStates(device, settings.nearProjection, Matrix::identity());
    if (failed(scene.restore(device, settings))) return "the scene did not restore";
    camera = std::make_unique<Camera>(record, CameraInput{keys, idle, fillMode}, [this](float x, float z) {
      return scene.terrain()->heights().groundHeight(x, z);
    });
    camera->setFollowNext([this] { units->followNext(); });
    camera->setMode(mode);  // after a minute idle it changes by itself
    return nullptr;
  }

  void frame(RecordingDevice& device, double dt) {
    ms += static_cast<std::uint64_t>(dt * 1000);
    scene.advanceFrame(dt, ms);
    camera->follow(units->followedView());
    camera->advanceFrame(static_cast<float>(dt));
    device.clearRecording();
    device.beginScene();
    device.setTransform(TransformState::View, camera->view());
    scene.render(device, camera->world());
    device.endScene();
  }
};

// The calling thread's processor time: beside the wall clock, the figure a busy machine does
// not inflate.
double threadCpuMicros() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

constexpr int kFrames = 60 * 60;
constexpr double kDt = 1.0 / 60.0;

void BM_SceneFrame(benchmark::State& state) {
  RecordingDeviceConfig deviceConfig;
  deviceConfig.captureGeometry = false;
  deviceConfig.captureState = false;
  RecordingDevice device(deviceConfig);
  BenchScene bench;
  if (const char* why = bench.prepare(device)) {
    state.SkipWithError(why);
    return;
  }
  std::vector<double> micros, cpuMicros;
  micros.reserve(kFrames);
  cpuMicros.reserve(kFrames);
  std::size_t drawCalls = 0;
  double sceneryQuads = 0;
  for (auto _ : state) {
    micros.clear();
    cpuMicros.clear();
    for (int f = 0; f < kFrames; ++f) {
      const auto begin = std::chrono::steady_clock::now();
      const double cpuBegin = threadCpuMicros();
      bench.frame(device, kDt);
      micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
      cpuMicros.push_back(threadCpuMicros() - cpuBegin);
      drawCalls = device.draws().size();
      TerrainWorld* world = bench.scene.terrain();
      if (world->trees()) sceneryQuads += world->trees()->treesDrawn();
      if (world->buildings()) sceneryQuads += world->buildings()->quadsDrawn();
    }
  }
  std::vector<double> sorted = micros;
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> settled(micros.begin() + 60, micros.end());  // after the first second's paging
  std::sort(settled.begin(), settled.end());
  state.counters["units"] = static_cast<double>(bench.units->count());
  state.counters["median_us"] = sorted[sorted.size() / 2];
  std::sort(cpuMicros.begin(), cpuMicros.end());
  state.counters["median_cpu_us"] = cpuMicros[cpuMicros.size() / 2];
  state.counters["p99_us"] = sorted[sorted.size() * 99 / 100];
  state.counters["worst_us"] = sorted.back();
  state.counters["worst_after_1s_us"] = settled.back();
  state.counters["draw_calls"] = static_cast<double>(drawCalls);
  state.counters["scenery_quads_per_frame"] = sceneryQuads / kFrames;
  bench.scene.invalidate();
}
BENCHMARK(BM_SceneFrame)->Iterations(1)->Unit(benchmark::kSecond);

// What a start costs the scene itself: reading the terrain, the pictures and the fleet and
// building the world, then the first restore on the device (composing the first textures).
void BM_SceneStart(benchmark::State& state) {
  RecordingDeviceConfig deviceConfig;
  deviceConfig.captureGeometry = false;
  deviceConfig.captureState = false;
  InInstallTree here;
  double constructMs = 0, restoreMs = 0;
  for (auto _ : state) {
    RecordingDevice device(deviceConfig);
    const auto begin = std::chrono::steady_clock::now();
    Scene scene{defaultScene()};
    const auto built = std::chrono::steady_clock::now();
    const SceneSettings settings = sceneSettingsFor(90, 800, 600);
    applySceneStates(device, settings.nearProjection, Matrix::identity());
    if (failed(scene.restore(device, settings))) {
      state.SkipWithError("the scene did not restore");
      return;
    }
    const auto restored = std::chrono::steady_clock::now();
    constructMs += std::chrono::duration<double, std::milli>(built - begin).count();
    restoreMs += std::chrono::duration<double, std::milli>(restored - built).count();
    scene.invalidate();
  }
  state.counters["construct_ms"] = constructMs / static_cast<double>(state.iterations());
  state.counters["restore_ms"] = restoreMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SceneStart)->Iterations(3)->Unit(benchmark::kMillisecond);

// The smoke's share of the fill: the screen area the blended trail triangles cover, clipped to
// the view, in whole screens per frame. A software rasteriser pays for every layer.
double clippedArea(const std::array<Vec4, 3>& tri) {
  std::vector<Vec4> poly(tri.begin(), tri.end()), next;
  // Clip space: w > near, −w ≤ x ≤ w, −w ≤ y ≤ w.
  const auto planes = std::array<Vec4, 5>{Vec4{0, 0, 1, 0}, Vec4{1, 0, 0, 1}, Vec4{-1, 0, 0, 1},
                                          Vec4{0, 1, 0, 1}, Vec4{0, -1, 0, 1}};
  for (const Vec4& p : planes) {
    next.clear();
    for (std::size_t i = 0; i < poly.size(); ++i) {
      const Vec4& a = poly[i];
      const Vec4& b = poly[(i + 1) % poly.size()];
      const float da = p.x * a.x + p.y * a.y + p.z * a.z + p.w * a.w;
      const float db = p.x * b.x + p.y * b.y + p.z * b.z + p.w * b.w;
      if (da >= 0) next.push_back(a);
      if ((da >= 0) != (db >= 0)) {
        const float t = da / (da - db);
        next.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t, a.w + (b.w - a.w) * t});
      }
    }
    poly.swap(next);
    if (poly.size() < 3) return 0.0;
  }
  double area = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const Vec4& a = poly[i];
    const Vec4& b = poly[(i + 1) % poly.size()];
    area += static_cast<double>(a.x / a.w) * (b.y / b.w) - static_cast<double>(b.x / b.w) * (a.y / a.w);
  }
  return std::abs(area) / 2 / 4;  // the view spans 2 × 2
}

void BM_TrailFill(benchmark::State& state) {
  RecordingDevice device;
  BenchScene bench;
  if (const char* why = bench.prepare(device, static_cast<int>(state.range(1)))) {
    state.SkipWithError(why);
    return;
  }
  // The frame rate changes the trails: at a few frames a second every frame starts a point, so
  // the same points reach much further back.
  const int rate = static_cast<int>(state.range(0));
  const int frames = 60 * rate;
  std::vector<double> screens;
  for (auto _ : state) {
    screens.clear();
    for (int f = 0; f < frames; ++f) {
      bench.frame(device, 1.0 / rate);
      if (f % std::max(1, rate / 6) != 0) continue;
      double frame = 0;
      for (const RecordedDraw& d : device.draws()) {
        if (d.state.fvf != kTrailFvf || d.state.renderState(RenderState::DestBlend) != Blend::InvSrcAlpha) continue;
        const Matrix m = d.state.world * d.state.view * d.state.projection;
        for (std::size_t i = 0; i + 2 < d.indices.size(); i += 3) {
          std::array<Vec4, 3> tri;
          for (int k = 0; k < 3; ++k) {
            const std::uint32_t v = d.indices[i + static_cast<std::size_t>(k)];
            tri[static_cast<std::size_t>(k)] = transform({d.floatAt(v, 0), d.floatAt(v, 4), d.floatAt(v, 8)}, m);
          }
          frame += clippedArea(tri);
        }
      }
      screens.push_back(frame / 2);  // each side is drawn with both windings; one of them fills
    }
  }
  std::sort(screens.begin(), screens.end());
  state.counters["median_screens"] = screens[screens.size() / 2];
  state.counters["p90_screens"] = screens[screens.size() * 9 / 10];
  state.counters["worst_screens"] = screens.back();
  bench.scene.invalidate();
}
BENCHMARK(BM_TrailFill)->ArgsProduct({{60, 5}, {1, 3, 4, 5}})->Iterations(1)->Unit(benchmark::kSecond);


}  // namespace
}  // namespace skyloom
