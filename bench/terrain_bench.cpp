// Height pyramid figures: one 129 × 129 tile refined from its parent, one tile classified, and
// the paging of the pyramid as the eye flies straight at 300 m/s (60 frames a second). The
// paging figure to watch is the worst frame: its 2 generations should stay under 1 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <memory>

#include "world/height_pyramid.h"

namespace skyloom {
namespace {

constexpr float kUnit = 1.0f / 6.0f;

HeightGrid hills(int side) {
  HeightGrid g(side, side);
  for (int z = 0; z < side; ++z) {
    for (int x = 0; x < side; ++x) {
      const double h = 2000.0 + 1800.0 * std::sin(x / 37.0) * std::cos(z / 53.0) + 400.0 * std::sin((x + z) / 7.0);
      g.at(x, z) = static_cast<std::uint16_t>(std::max(0.0, h));
    }
  }
  return g;
}

LandImage noiseImage() {
  Image picture;
  picture.width = picture.height = LandImage::kSide;
  picture.pixels = allocatePixels(picture.width, picture.height, 3);
  for (std::size_t k = 0; k < LandImage::kBytes; ++k) picture.pixels[k] = static_cast<std::uint8_t>((k * 2654435761u) >> 24);
  LandImage image;
  image.assign(picture);
  return image;
}

void BM_RefineTileFromParent(benchmark::State& state) {
  std::array<std::uint16_t, kRefineInputCount> in;
  const HeightGrid g = hills(kRefineInputSamples);
  std::copy(g.samples.begin(), g.samples.end(), in.begin());
  std::array<std::uint16_t, kTileSampleCount> out;
  const float k = cubicBendScale(kUnit, 10.0f);
  for (auto _ : state) {
    refineWindow(in, k, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_RefineTileFromParent)->Unit(benchmark::kMicrosecond);

void BM_ClassifyTile(benchmark::State& state) {
  const GroundClassifier classifier(terrainParams(10.0f, kUnit, 20, 3.0f));
  const LandImage noise = noiseImage();
  const HeightGrid g = hills(kTileSamples);
  std::array<std::uint16_t, kTileSampleCount> heights;
  std::copy(g.samples.begin(), g.samples.end(), heights.begin());
  std::array<std::uint32_t, kTileSampleCount> out;
  for (auto _ : state) {
    classifier.classifyTile(heights, 0, 1024, -2048, &noise, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ClassifyTile)->Unit(benchmark::kMicrosecond);

// Counts every tile generated, parents made on the way included.
struct Counter : HeightTileListener {
  long count = 0;
  void heightTileGenerated(int, std::int32_t, std::int32_t) override { ++count; }
};

// The world at detail 3 over a 10 m grid: 10 levels of 11 × 11 tiles, 3 of them below the
// source. The eye first settles (every queue drained), then flies east at 300 m/s for the
// given seconds at 60 frames a second; one iteration is the whole flight.
void BM_PagingStraightFlight(benchmark::State& state) {
  HeightSource source;
  source.loadGrid(hills(2048), 10.0f, kUnit);
  const TerrainParams params = terrainParams(source.sampleSpacing(), source.heightUnit(), 20, 3.0f);
  const LandImage noise = noiseImage();
  const int frames = static_cast<int>(state.range(0)) * 60;
  const double metresPerFrame = 300.0 / 60.0;
  double worst = 0.0, totalSeconds = 0.0;
  long tiles = 0, frameCount = 0, worstTiles = 0;
  Counter counter;
  for (auto _ : state) {
    state.PauseTiming();
    auto pyramid = std::make_unique<TilePyramid>(source, params, &noise);
    while (pyramid->update(0, 0) > 0) {
    }
    pyramid->setListener(&counter);
    state.ResumeTiming();
    for (int f = 1; f <= frames; ++f) {
      const auto cellX = static_cast<std::int32_t>(std::floor(f * metresPerFrame / params.spacing));
      const long before = counter.count;
      const auto start = std::chrono::steady_clock::now();
      pyramid->update(cellX, 0);
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const long made = counter.count - before;
      if (seconds > worst) {
        worst = seconds;
        worstTiles = made;
      }
      totalSeconds += seconds;
      tiles += made;
      ++frameCount;
    }
  }
  state.counters["worst_frame_us"] = worst * 1e6;
  state.counters["worst_frame_tiles"] = static_cast<double>(worstTiles);
  state.counters["us_per_tile"] = tiles > 0 ? totalSeconds * 1e6 / static_cast<double>(tiles) : 0.0;
  state.counters["tiles_per_frame"] = static_cast<double>(tiles) / static_cast<double>(std::max(1L, frameCount));
}
BENCHMARK(BM_PagingStraightFlight)->Arg(20)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace skyloom
