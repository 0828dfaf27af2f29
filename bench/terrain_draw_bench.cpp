// The terrain's draw pass: CPU time per frame to walk the selected cells and build the batches'
// vertices and indices, with the triangles and batches it draws, along a scripted flight over
// the generated landscape at detail 3. The device records counts only (no geometry copies).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>
#include <memory>

#include "platform/gfx/recording_device.h"
#include "world/terrain_draw.h"
#include "world/terrain_landscape.h"
#include "world/terrain_world.h"

namespace skyloom {
namespace {

void BM_TerrainDrawPass(benchmark::State& state) {
  auto source = std::make_unique<HeightSource>();
  source->loadGrid(generatedLandscape(), 30.0f);
  TerrainSettings settings;
  settings.detail = 3.0f;
  TerrainWorld world(2000.0f, 2000.0f, std::move(source), settings);
  RecordingDeviceConfig config;
  config.captureGeometry = false;
  config.captureState = false;
  RecordingDevice device(config);
  world.restore(device);
  device.beginScene();
  ViewFrustum frustum(640, 480, 1.0f);

  // A flight at 300 m/s, 60 frames a second, 300 m over the ground, turning slowly.
  float t = 0;
  std::uint64_t triangles = 0, batches = 0, frames = 0;
  std::vector<double> frameMicros;
  frameMicros.reserve(static_cast<std::size_t>(state.max_iterations));
  for (auto _ : state) {
    state.PauseTiming();
    t += 1.0f / 60.0f;
    const float yaw = 0.7f + 0.05f * t;
    Vec3 eye{2000.0f + 300.0f * t * std::sin(yaw), 0.0f, 2000.0f + 300.0f * t * std::cos(yaw)};
    eye.y = world.heights().groundHeight(eye.x, eye.z) + 300.0f;
    frustum.update(lookAlong(eye, yaw, -0.25f));
    world.frameUpdate(frustum.eye());
    world.selectPass(frustum);
    device.clearRecording();
    state.ResumeTiming();
    const auto begin = std::chrono::steady_clock::now();
    world.draw().drawPass(device);
    frameMicros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
    triangles += world.draw().triangles();
    batches += static_cast<std::uint64_t>(world.draw().batches());
    ++frames;
  }
  state.counters["triangles"] = benchmark::Counter(static_cast<double>(triangles) / static_cast<double>(frames));
  state.counters["batches"] = benchmark::Counter(static_cast<double>(batches) / static_cast<double>(frames));
  std::sort(frameMicros.begin(), frameMicros.end());
  if (!frameMicros.empty()) {
    state.counters["draw_median_us"] = frameMicros[frameMicros.size() / 2];
    state.counters["draw_worst_us"] = frameMicros.back();
  }
}
BENCHMARK(BM_TerrainDrawPass)->Iterations(3000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
