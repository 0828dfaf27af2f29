#pragma once
// The scripted flight the terrain benches share: over the generated landscape at detail 3, at
// 300 m/s and 300 m above the ground, turning slowly, 60 frames a second, with a recording
// device that keeps counts only; and the median and worst of per-frame times.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/recording_device.h"
#include "world/terrain_landscape.h"
#include "world/terrain_world.h"

namespace skyloom {

inline std::unique_ptr<HeightSource> generatedSource() {
  auto source = std::make_unique<HeightSource>();
  source->loadGrid(generatedLandscape(), 30.0f);
  return source;
}

// sceneryDensity: the tree setting (trees and buildings from above 3).
inline TerrainSettings flightSettings(int sceneryDensity = 0) {
  TerrainSettings settings;
  settings.detail = 3.0f;
  settings.sceneryDensity = sceneryDensity;
  return settings;
}

inline RecordingDeviceConfig countingDevice() {
  RecordingDeviceConfig config;
  config.captureGeometry = false;
  config.captureState = false;
  return config;
}

class TerrainFlight {
 public:
  explicit TerrainFlight(int sceneryDensity = 0)
      : world(2000.0f, 2000.0f, generatedSource(), flightSettings(sceneryDensity)), device(countingDevice()) {
    world.restore(device);
    device.beginScene();
  }

  // The next frame's eye: the frustum follows it.
  void step() {
    t_ += 1.0f / 60.0f;
    const float yaw = 0.7f + 0.05f * t_;
    Vec3 eye{2000.0f + 300.0f * t_ * std::sin(yaw), 0.0f, 2000.0f + 300.0f * t_ * std::cos(yaw)};
    eye.y = world.heights().groundHeight(eye.x, eye.z) + 300.0f;
    frustum.update(lookAlong(eye, yaw, -0.25f));
    device.clearRecording();
  }

  TerrainWorld world;
  RecordingDevice device;
  ViewFrustum frustum{640, 480, 1.0f};

 private:
  float t_ = 0.0f;
};

// Per-frame times in microseconds, reported as NAME_median_us and NAME_worst_us.
class FrameTimes {
 public:
  explicit FrameTimes(std::size_t frames) { micros_.reserve(frames); }
  void add(double micros) { micros_.push_back(micros); }
  void report(benchmark::State& state, const std::string& name) {
    if (micros_.empty()) return;
    std::sort(micros_.begin(), micros_.end());
    state.counters[name + "_median_us"] = micros_[micros_.size() / 2];
    state.counters[name + "_worst_us"] = micros_.back();
  }

 private:
  std::vector<double> micros_;
};

}  // namespace skyloom
