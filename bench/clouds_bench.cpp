// Clouds: CPU time per frame of the cloud pass (the window query, every cloud found drifting and
// drawn, the batch of undrawn clouds) for 800 clouds (the default cloud amount) and 2000 (the
// largest), with the camera flying east at 250 units a second, 60 frames a second, so clouds
// cross cells and the window crosses the world's edge. The device records counts only.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "core/random.h"
#include "effects/cloud_field.h"
#include "platform/gfx/recording_device.h"

namespace skyloom {
namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr float kCameraSpeed = 250.0f;

RecordingDeviceConfig countingDevice() {
  RecordingDeviceConfig config;
  config.captureGeometry = false;
  config.captureState = false;
  return config;
}

// A plain grey picture: the clouds need a texture to be drawn at all.
Image greySheet() {
  Image sheet;
  sheet.width = sheet.height = 512;
  sheet.pixels = allocatePixels(512, 512, 3);
  std::fill_n(sheet.pixels.get(), sheet.byteSize(), std::uint8_t{128});
  return sheet;
}

void BM_CloudPass(benchmark::State& state) {
  CrtRandom random(2024);
  CloudField field(CloudField::kCellsPerSide, CloudField::kCellsPerSide, CloudField::kCellSize,
                   static_cast<int>(state.range(0)), 0xFFFFFFFF, random);
  RecordingDevice device(countingDevice());
  field.restore(device, greySheet());
  device.beginScene();
  float cameraX = 280000.0f;  // a few seconds from the world's edge
  const float cameraZ = 50000.0f;
  std::vector<double> micros;
  std::uint64_t triangles = 0, frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    device.clearRecording();
    cameraX += kCameraSpeed * kFrame;
    state.ResumeTiming();
    const auto begin = std::chrono::steady_clock::now();
    field.render(device, cameraX, cameraZ, kFrame);
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
    triangles += device.triangleCount();
    ++frames;
  }
  device.endScene();
  std::sort(micros.begin(), micros.end());
  state.counters["clouds_drawn"] = field.cloudsDrawn();
  state.counters["triangles"] = static_cast<double>(triangles) / static_cast<double>(frames);
  state.counters["frame_median_us"] = micros[micros.size() / 2];
  state.counters["frame_worst_us"] = micros.back();
}
BENCHMARK(BM_CloudPass)->Arg(800)->Arg(2000)->Iterations(1200)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
