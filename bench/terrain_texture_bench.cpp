// The terrain textures: CPU time to compose one texture tile (four quarters from a generated
// height tile), and the composition per frame along a scripted flight over the generated
// landscape at detail 3 with the recording device (median and worst frame, and the share of the
// first 10 s, 600 frames, that composing takes of the terrain's frame work).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/gfx/recording_device.h"
#include "world/terrain_draw.h"
#include "world/terrain_landscape.h"
#include "world/terrain_world.h"
#include "world/texture_compose.h"
#include "world/texture_pyramid.h"

namespace skyloom {
namespace {

void BM_ComposeTextureTile(benchmark::State& state) {
  auto source = std::make_unique<HeightSource>();
  source->loadGrid(generatedLandscape(), 30.0f);
  TerrainParams params = terrainParams(30.0f, kPublishedHeightUnit, 0, 3.0f);
  TilePyramid heights(*source, params, nullptr);
  heights.moveTo(1000, 1000);
  int level = 0;
  const std::uint32_t* generated = heights.fetchGenerating(level, 1000, 1000);
  std::vector<std::uint32_t> samples(generated, generated + kTileSampleCount);
  LandTextures land;
  std::vector<std::uint8_t> picture(512 * 512 * 3);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
  for (int k = 0; k < LandTextures::kCount; ++k) land.assign(k, picture.data(), picture.size(), 512, 512);
  TextureComposer composer;
  std::vector<std::uint32_t> texels(kTextureTileSide * kTextureTileSide);
  const ComposeLight light = composeLightFrom(defaultSunLight(), 0x303030);
  for (auto _ : state) {
    for (int q = 0; q < kTextureQuarters; ++q)
      composer.composeQuarter(samples.data(), 0, q, params.spacing, params.heightUnit, land, light, texels.data());
    benchmark::DoNotOptimize(texels.data());
  }
}
BENCHMARK(BM_ComposeTextureTile)->Unit(benchmark::kMicrosecond);

// The same tile through the pyramid and the recording device: composing, packing into the
// staging texture, its mip levels and the copy into the tile's texture.
void BM_ComposeTextureTileWithDevice(benchmark::State& state) {
  auto source = std::make_unique<HeightSource>();
  source->loadGrid(generatedLandscape(), 30.0f);
  TerrainParams params = terrainParams(30.0f, kPublishedHeightUnit, 0, 3.0f);
  params.textureLevelCount = 1;
  TilePyramid heights(*source, params, nullptr);
  heights.moveTo(1000, 1000);
  TexturePyramid textures(heights, params);
  textures.moveTo(1000, 1000);
  RecordingDevice device;
  textures.restore(device);
  for (auto _ : state) {
    state.PauseTiming();
    textures.invalidate();
    textures.restore(device);
    int level = 0;
    textures.fetch(level, 1000, 1000);
    state.ResumeTiming();
    // Enough misses for a budget that composes the whole tile in one update.
    for (int k = 0; k < 200; ++k) {
      level = 0;
      textures.fetch(level, 1000, 1000);
    }
    textures.update(1000, 1000);
    textures.update(1000, 1000);
  }
}
BENCHMARK(BM_ComposeTextureTileWithDevice)->Unit(benchmark::kMicrosecond);

void BM_TextureCompositionAlongFlight(benchmark::State& state) {
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

  float t = 0;
  std::vector<double> composeMicros;
  composeMicros.reserve(static_cast<std::size_t>(state.max_iterations));
  double composeFirst10s = 0.0, terrainFirst10s = 0.0;
  int frame = 0;
  for (auto _ : state) {
    t += 1.0f / 60.0f;
    const float yaw = 0.7f + 0.05f * t;
    Vec3 eye{2000.0f + 300.0f * t * std::sin(yaw), 0.0f, 2000.0f + 300.0f * t * std::cos(yaw)};
    eye.y = world.heights().groundHeight(eye.x, eye.z) + 300.0f;
    frustum.update(lookAlong(eye, yaw, -0.25f));
    device.clearRecording();
    const auto begin = std::chrono::steady_clock::now();
    world.render(device, frustum);
    const double whole = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count();
    const double compose = world.textures().lastComposeSeconds() * 1e6;
    composeMicros.push_back(compose);
    if (frame++ < 600) {
      composeFirst10s += compose;
      terrainFirst10s += whole;
    }
  }
  std::sort(composeMicros.begin(), composeMicros.end());
  if (!composeMicros.empty()) {
    state.counters["compose_median_us"] = composeMicros[composeMicros.size() / 2];
    state.counters["compose_worst_us"] = composeMicros.back();
  }
  state.counters["compose_first10s_ms"] = composeFirst10s / 1000.0;
  state.counters["terrain_first10s_ms"] = terrainFirst10s / 1000.0;
  state.counters["compose_share_of_10s"] = composeFirst10s / (600.0 * 1e6 / 60.0);
  state.counters["compose_share_of_terrain"] = terrainFirst10s > 0 ? composeFirst10s / terrainFirst10s : 0.0;
}
BENCHMARK(BM_TextureCompositionAlongFlight)->Iterations(3000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
