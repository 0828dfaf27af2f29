#include "world/height_source.h"

#include <algorithm>
#include <vector>

namespace skyloom {
namespace {

constexpr int kFlatSamples = 100;
constexpr float kFlatSpacing = 100.0f;

}  // namespace

std::int64_t mirrorCoordinate(std::int64_t v, std::int64_t size) {
  const std::int64_t a = v < 0 ? -v : v;
  const std::int64_t r = a % size;
  return (a / size) % 2 == 1 ? size - 1 - r : r;
}

void HeightSource::loadFlat() {
  cache_.close();
  kind_ = HeightSourceKind::Flat;
  grid_ = HeightGrid(kFlatSamples, kFlatSamples);
  sampleSpacing_ = kFlatSpacing;
  heightUnit_ = kPublishedHeightUnit;
}

void HeightSource::loadGrid(HeightGrid grid, float sampleSpacing, float heightUnit, HeightSourceKind kind) {
  if (grid.empty() || kind == HeightSourceKind::TiledCache) {
    loadFlat();
    return;
  }
  cache_.close();
  kind_ = kind;
  grid_ = std::move(grid);
  sampleSpacing_ = sampleSpacing;
  heightUnit_ = heightUnit;
}

HResult HeightSource::openCache(const std::string& path) {
  cache_.close();
  const HResult hr = cache_.open(path);
  if (failed(hr)) {
    loadFlat();
    return hr;
  }
  kind_ = HeightSourceKind::TiledCache;
  grid_ = HeightGrid();
  sampleSpacing_ = cache_.sampleSpacing();
  heightUnit_ = cache_.heightUnit();
  return kOk;
}

int HeightSource::gridWidth() const {
  return inMemory() ? grid_.width : static_cast<int>(cache_.header().gridWidth);
}

int HeightSource::gridHeight() const {
  return inMemory() ? grid_.height : static_cast<int>(cache_.header().gridHeight);
}

std::uint16_t HeightSource::mirroredSample(std::int64_t x, std::int64_t z) const {
  return grid_.at(static_cast<int>(mirrorCoordinate(x, grid_.width)),
                  static_cast<int>(mirrorCoordinate(z, grid_.height)));
}

int HeightSource::tile(std::int32_t x, std::int32_t z, int level, std::span<std::uint16_t, kTileSampleCount> out,
                       bool fallback) {
  if (!inMemory()) return cache_.tile(x, z, level, out, fallback);
  const std::int64_t step = std::int64_t{1} << level;
  std::size_t k = 0;
  for (int j = 0; j < kTileSamples; ++j) {
    for (int i = 0; i < kTileSamples; ++i) out[k++] = mirroredSample(x + i * step, z + j * step);
  }
  return kTileFromGrid;
}

int HeightSource::window(std::int32_t x0, std::int32_t z0, std::int32_t x1, std::int32_t z1,
                         std::span<std::uint16_t> out) {
  const std::int64_t w = std::int64_t{x1} - x0, h = std::int64_t{z1} - z0;
  if (w <= 0 || h <= 0 || static_cast<std::uint64_t>(w * h) > out.size()) return kTileFromGrid;
  if (inMemory()) {
    std::size_t k = 0;
    for (std::int64_t z = z0; z < z1; ++z) {
      for (std::int64_t x = x0; x < x1; ++x) out[k++] = mirroredSample(x, z);
    }
    return kTileFromGrid;
  }
  // From the cache file's level-0 tiles, each read once.
  std::vector<std::uint16_t> tileSamples(kTileSampleCount);
  auto tileOrigin = [](std::int64_t v) { return v - ((v % kTileSpanSamples) + kTileSpanSamples) % kTileSpanSamples; };
  for (std::int64_t tz = tileOrigin(z0); tz < z1; tz += kTileSpanSamples) {
    for (std::int64_t tx = tileOrigin(x0); tx < x1; tx += kTileSpanSamples) {
      const int status = cache_.tile(static_cast<std::int32_t>(tx), static_cast<std::int32_t>(tz), 0,
                                     std::span<std::uint16_t, kTileSampleCount>(tileSamples), false);
      for (std::int64_t z = std::max<std::int64_t>(tz, z0); z < std::min<std::int64_t>(tz + kTileSpanSamples, z1); ++z) {
        for (std::int64_t x = std::max<std::int64_t>(tx, x0); x < std::min<std::int64_t>(tx + kTileSpanSamples, x1); ++x) {
          const std::size_t at = static_cast<std::size_t>((z - z0) * w + (x - x0));
          out[at] = status == kTileFound ? tileSamples[static_cast<std::size_t>((z - tz) * kTileSamples + (x - tx))]
                                         : std::uint16_t{0xFFFF};
        }
      }
    }
  }
  return kTileFromGrid;
}

}  // namespace skyloom
