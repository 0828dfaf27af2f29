// The terrain's draw pass: CPU time per frame to walk the selected cells and build the batches'
// vertices and indices, with the triangles and batches it draws, along a scripted flight over
// the generated landscape at detail 3. The device records counts only (no geometry copies).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

#include "terrain_flight.h"
#include "world/building_field.h"
#include "world/terrain_draw.h"
#include "world/tree_field.h"

namespace skyloom {
namespace {

void BM_TerrainDrawPass(benchmark::State& state) {
  TerrainFlight flight;
  std::uint64_t triangles = 0, batches = 0, frames = 0;
  FrameTimes times(static_cast<std::size_t>(state.max_iterations));
  for (auto _ : state) {
    state.PauseTiming();
    flight.step();
    flight.world.frameUpdate(flight.frustum.eye());
    flight.world.selectPass(flight.frustum);
    state.ResumeTiming();
    const auto begin = std::chrono::steady_clock::now();
    flight.world.draw().drawPass(flight.device);
    times.add(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
    triangles += flight.world.draw().triangles();
    batches += static_cast<std::uint64_t>(flight.world.draw().batches());
    ++frames;
  }
  state.counters["triangles"] = benchmark::Counter(static_cast<double>(triangles) / static_cast<double>(frames));
  state.counters["batches"] = benchmark::Counter(static_cast<double>(batches) / static_cast<double>(frames));
  times.report(state, "draw");
}
BENCHMARK(BM_TerrainDrawPass)->Iterations(3000)->Unit(benchmark::kMicrosecond);

// The trees and buildings along the same flight at the default tree setting (70): the frame
// update with their scrolling, and their draw calls' preparation.
void BM_SceneryFrame(benchmark::State& state) {
  TerrainFlight flight(70);
  double trees = 0, quads = 0, frames = 0;
  FrameTimes update(static_cast<std::size_t>(state.max_iterations));
  FrameTimes draw(static_cast<std::size_t>(state.max_iterations));
  for (auto _ : state) {
    flight.step();
    auto begin = std::chrono::steady_clock::now();
    flight.world.frameUpdate(flight.frustum.eye());
    update.add(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
    begin = std::chrono::steady_clock::now();
    flight.world.drawBuildings(flight.device, flight.frustum);
    flight.world.drawTrees(flight.device, flight.frustum);
    draw.add(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count());
    trees += flight.world.trees()->treesDrawn();
    quads += flight.world.buildings()->quadsDrawn();
    ++frames;
  }
  state.counters["trees"] = trees / frames;
  state.counters["building_quads"] = quads / frames;
  update.report(state, "update");
  draw.report(state, "scenery_draw");
}
BENCHMARK(BM_SceneryFrame)->Iterations(3000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace skyloom
