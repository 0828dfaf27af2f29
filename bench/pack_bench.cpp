// Pack figures: opening (signature scan + directory checks), reading a named entry among many,
// and extracting a tree. Run: build/linux/bench/skyloom_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "resources/pack.h"

namespace fs = std::filesystem;
using namespace skyloom;

namespace {

// A pack of `files` entries of `bytes` each, behind a 1 MiB stand-in for an executable image.
struct Fixture {
  fs::path dir;
  std::string packPath;

  Fixture(int files, int bytes) {
    dir = fs::temp_directory_path() / ("skyloom_bench_" + std::to_string(files) + "_" + std::to_string(bytes));
    fs::remove_all(dir);
    fs::create_directories(dir / "tree" / "sub");
    std::string data(static_cast<std::size_t>(bytes), 'x');
    for (int i = 0; i < files; ++i) {
      std::ofstream(dir / "tree" / (i % 2 ? "sub" : "") / ("file" + std::to_string(i) + ".bin"), std::ios::binary) << data;
    }
    Pack pack;
    pack.build((dir / "tree").string().c_str());
    const std::string raw = (dir / "raw.pck").string();
    pack.write(raw.c_str());
    packPath = (dir / "app.exe").string();
    std::ofstream out(packPath, std::ios::binary);
    out << std::string(1 << 20, '\x90') << std::ifstream(raw, std::ios::binary).rdbuf();
  }
  ~Fixture() { fs::remove_all(dir); }
};

void BM_OpenAppendedPack(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)), 16);
  for (auto _ : state) {
    Pack pack;
    benchmark::DoNotOptimize(pack.open(f.packPath.c_str()));
  }
}
BENCHMARK(BM_OpenAppendedPack)->Arg(100)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ReadLastEntry(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  Fixture f(files, 4096);
  Pack pack;
  pack.open(f.packPath.c_str());
  const std::string name = "pack\\file" + std::to_string(files - 1) + ".bin";
  for (auto _ : state) {
    FileData data;
    benchmark::DoNotOptimize(pack.read(name, data));
  }
}
BENCHMARK(BM_ReadLastEntry)->Arg(100)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_ExtractTree(benchmark::State& state) {
  Fixture f(64, 256 * 1024);
  Pack pack;
  pack.open(f.packPath.c_str());
  for (auto _ : state) {
    fs::remove_all(f.dir / "out");
    fs::create_directories(f.dir / "out");
    benchmark::DoNotOptimize(pack.extractTree((f.dir / "out").string()));
  }
  state.SetBytesProcessed(state.iterations() * 64 * 256 * 1024);
}
BENCHMARK(BM_ExtractTree)->Unit(benchmark::kMillisecond);

}  // namespace
