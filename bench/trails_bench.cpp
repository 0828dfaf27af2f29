// Smoke trails: CPU time per frame of the trail pass (setting the clock, then ageing, spreading,
// drifting, fading and drawing every trail) with 100 and 510 trails behind units that fly
// circles of different sizes at 150 units a second, 60 frames a second. The trails are full
// before timing starts. The device records counts only (no geometry copies).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "effects/trail_manager.h"
#include "platform/gfx/recording_device.h"

namespace skyloom {
namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr float kSpeed = 150.0f;

RecordingDeviceConfig countingDevice() {
  RecordingDeviceConfig config;
  config.captureGeometry = false;
  config.captureState = false;
  return config;
}

// Units on circles of 300 to 1300 units, each at its own height and starting angle.
class TrailFlight {
 public:
  TrailFlight(int trails, int length) : manager_(TrailManager::create(length, nullptr)), device_(countingDevice()) {
    for (int i = 0; i < trails; ++i) trails_.push_back(manager_->newTrail());
    device_.beginScene();
  }

  void feed() {
    ++frame_;
    const auto now = static_cast<std::int64_t>(static_cast<double>(frame_) * 1000.0 * kFrame);
    manager_->setClock(now, kFrame);
    for (std::size_t i = 0; i < trails_.size(); ++i) {
      const float radius = 300.0f + 1000.0f * static_cast<float>(i % 37) / 37.0f;
      const float angle = static_cast<float>(i) * 0.61f + kSpeed / radius * kFrame * static_cast<float>(frame_);
      const Vec3 p{radius * std::cos(angle), 500.0f + 3.0f * static_cast<float>(i), radius * std::sin(angle)};
      const Vec3 drift{-std::cos(angle) * 2.0f, 0.5f, -std::sin(angle) * 2.0f};
      trails_[i]->addPoint(p, drift);
    }
  }
  // The next frame's clock is set by feed(); the timed part sets it again as the scene does.
  void render() {
    manager_->setClock(manager_->now(), kFrame);
    manager_->render(device_);
  }
  void clear() { device_.clearRecording(); }
  std::uint64_t triangles() const { return device_.triangleCount(); }
  int drawn() const { return manager_->trailsDrawn(); }

 private:
  std::unique_ptr<TrailManager> manager_;
  RecordingDevice device_;
  std::vector<SmokeTrail*> trails_;
  std::uint64_t frame_ = 0;
};

void BM_TrailPass(benchmark::State& state) {
  TrailFlight flight(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (int k = 0; k < 1800; ++k) {  // 30 seconds: every trail full
    flight.feed();
    flight.render();
    flight.clear();
  }
  std::vector<double> micros;
  std::uint64_t triangles = 0, frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    flight.clear();
    flight.feed();
    state.ResumeTiming();
    const auto begin = std::chrono::steady_clock::now();
    flight.render();
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
    triangles += flight.triangles();
    ++frames;
  }
  std::sort(micros.begin(), micros.end());
  state.counters["trails_drawn"] = flight.drawn();
  state.counters["triangles"] = static_cast<double>(triangles) / static_cast<double>(frames);
  state.counters["frame_median_us"] = micros[micros.size() / 2];
  state.counters["frame_worst_us"] = micros.back();
}
BENCHMARK(BM_TrailPass)->Args({100, 50})->Args({510, 50})->Args({510, 100})->Iterations(600)->Unit(benchmark::kMicrosecond);

// Feeding: one addPoint per trail and frame, as the unit step does.
void BM_TrailFeed(benchmark::State& state) {
  TrailFlight flight(static_cast<int>(state.range(0)), 50);
  for (auto _ : state) {
    flight.feed();
  }
}
BENCHMARK(BM_TrailFeed)->Arg(510)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
