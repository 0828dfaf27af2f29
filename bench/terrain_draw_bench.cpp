// The terrain's draw pass: CPU time per frame to walk the selected cells and build the batches'
// vertices and indices, with the triangles and batches it draws, along a scripted flight over
// the generated landscape at detail 3. The device records counts only (no geometry copies).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

#include "terrain_flight.h"
#include "world/terrain_draw.h"

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

}  // namespace
}  // namespace skyloom
