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
#include "terrain_flight.h"
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
  TerrainFlight flight;
  FrameTimes times(static_cast<std::size_t>(state.max_iterations));
  double composeFirst10s = 0.0, terrainFirst10s = 0.0;
  int frame = 0;
  for (auto _ : state) {
    flight.step();
    const auto begin = std::chrono::steady_clock::now();
    flight.world.render(flight.device, flight.frustum);
    const double whole = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count();
    const double compose = flight.world.textures().lastComposeSeconds() * 1e6;
    times.add(compose);
    if (frame++ < 600) {
      composeFirst10s += compose;
      terrainFirst10s += whole;
    }
  }
  times.report(state, "compose");
  state.counters["compose_first10s_ms"] = composeFirst10s / 1000.0;
  state.counters["terrain_first10s_ms"] = terrainFirst10s / 1000.0;
  state.counters["compose_share_of_10s"] = composeFirst10s / (600.0 * 1e6 / 60.0);
  state.counters["compose_share_of_terrain"] = terrainFirst10s > 0 ? composeFirst10s / terrainFirst10s : 0.0;
}
BENCHMARK(BM_TextureCompositionAlongFlight)->Iterations(3000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
