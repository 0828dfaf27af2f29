// Level-of-detail terrain figures at detail 3 along a scripted flight over the generated coast
// (or a synthetic landscape when the generated data is not built): per frame the frame update
// (tile paging and the scrolling of the levels) and the select pass, and apart from those the
// frames where the eye crossed into another cell and the levels scrolled. Worst and median of
// each, in microseconds. The flight: 1200 frames at 60 per second, 250 m/s, 600 m above the
// start, turning through a slow S; the flags are cleared between frames (the draw pass's job,
// not timed here).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "world/terrain_world.h"

namespace skyloom {
namespace {

constexpr int kFrames = 1200;
constexpr float kFrameSeconds = 1.0f / 60.0f;
constexpr float kSpeed = 250.0f;

std::unique_ptr<HeightSource> landscape() {
  auto source = std::make_unique<HeightSource>();
  // SKYLOOM_COAST_TEM in the environment names another build's generated coast.
  const char* path = std::getenv("SKYLOOM_COAST_TEM");
  if (source->openCache(path != nullptr ? path : SKYLOOM_COAST_TEM) >= 0) return source;
  HeightGrid g(1024, 1024);
  for (int z = 0; z < g.height; ++z) {
    for (int x = 0; x < g.width; ++x) {
      const double h = 3000.0 + 2800.0 * std::sin(x / 41.0) * std::cos(z / 57.0) + 500.0 * std::sin((x + z) / 9.0);
      g.at(x, z) = static_cast<std::uint16_t>(std::max(0.0, h));
    }
  }
  source->loadGrid(std::move(g), 30.0f);
  return source;
}

Matrix camera(const Vec3& eye, float heading) {
  const Vec3 forward = normalize({std::sin(heading), -0.15f, std::cos(heading)});
  const Vec3 right = normalize(cross({0, 1, 0}, forward));
  const Vec3 up = cross(forward, right);
  Matrix m = Matrix::identity();
  const Vec3 rows[4] = {right, up, forward, eye};
  for (int r = 0; r < 4; ++r) {
    m.m[r][0] = rows[r].x;
    m.m[r][1] = rows[r].y;
    m.m[r][2] = rows[r].z;
  }
  return m;
}

void clearFlags(TerrainWorld& world) {
  for (int k = 0; k < world.levelCount(); ++k) {
    for (ClodCell& c : world.level(k).cells) c.flags &= CellFlag::kKept;
  }
}

int visitedCells(const TerrainWorld& world) {
  int n = 0;
  for (int k = 0; k < world.levelCount(); ++k) {
    for (const ClodCell& c : world.level(k).cells) n += (c.flags & CellFlag::kVisited) != 0;
  }
  return n;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

double worst(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); }

double microseconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

void BM_LodFlight(benchmark::State& state) {
  std::vector<double> update, select, scrolling;
  double visited = 0.0;
  double buildMs = 0.0, spacing = 0.0, levels = 0.0;
  bool coast = false;
  for (auto _ : state) {
    update.clear();
    select.clear();
    scrolling.clear();
    auto source = landscape();
    coast = source->kind() == HeightSourceKind::TiledCache;
    const float side = static_cast<float>(source->gridWidth()) * source->sampleSpacing();
    const float startX = 0.3f * side, startZ = 0.3f * side;
    TerrainSettings settings;
    settings.detail = 3.0f;
    const auto built = std::chrono::steady_clock::now();
    TerrainWorld world(startX, startZ, std::move(source), settings);
    buildMs = microseconds(built, std::chrono::steady_clock::now()) / 1000.0;
    spacing = world.spacing();
    levels = world.levelCount();
    const float altitude = world.heights().groundHeight(startX, startZ) + 600.0f;
    ViewFrustum frustum(1024, 768, 1.4f);
    Vec3 eye{startX, altitude, startZ};
    float heading = 0.6f;
    for (int f = 0; f < kFrames; ++f) {
      heading += 0.3f * kFrameSeconds * std::sin(f * kFrameSeconds * 0.5f);
      eye.x += std::sin(heading) * kSpeed * kFrameSeconds;
      eye.z += std::cos(heading) * kSpeed * kFrameSeconds;
      frustum.update(camera(eye, heading));
      const std::int32_t cellX = world.eyeCellX(), cellZ = world.eyeCellZ();
      const auto t0 = std::chrono::steady_clock::now();
      world.frameUpdate(eye);
      const auto t1 = std::chrono::steady_clock::now();
      world.selectPass(frustum);
      const auto t2 = std::chrono::steady_clock::now();
      update.push_back(microseconds(t0, t1));
      select.push_back(microseconds(t1, t2));
      if (world.eyeCellX() != cellX || world.eyeCellZ() != cellZ) scrolling.push_back(microseconds(t0, t1));
      visited += visitedCells(world);
      clearFlags(world);
    }
  }
  state.counters["coast"] = coast ? 1.0 : 0.0;
  state.counters["spacing_m"] = spacing;
  state.counters["levels"] = levels;
  state.counters["build_ms"] = buildMs;
  state.counters["update_median_us"] = median(update);
  state.counters["update_worst_us"] = worst(update);
  state.counters["select_median_us"] = median(select);
  state.counters["select_worst_us"] = worst(select);
  state.counters["scroll_frames"] = static_cast<double>(scrolling.size());
  state.counters["scroll_median_us"] = median(scrolling);
  state.counters["scroll_worst_us"] = worst(scrolling);
  state.counters["visited_cells"] = visited / static_cast<double>(kFrames * std::max<std::int64_t>(1, state.iterations()));
}
BENCHMARK(BM_LodFlight)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace skyloom
