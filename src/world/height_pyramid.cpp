#include "world/height_pyramid.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

namespace skyloom {
namespace {

TilePyramid* gCurrentPyramid = nullptr;

// Up to 15 levels fit the state word's level bits; the terrain uses at most 13.
constexpr int kMaxPyramidLevels = 15;
constexpr int kMaxWindowTiles = 31;
// Eye cells beyond this are clamped, keeping every window origin and tile position in 32 bits.
constexpr std::int64_t kMaxEyeCell = std::int64_t{1} << 30;
// Closer than this to the corner it is read from, a triangle's height is that corner's.
constexpr float kMinEdgeDistance = 0.01f;
constexpr std::uint16_t kNoHeight = 0xFFFF;

// Window tiles in the order they are queued after a jump: rings around the eye's tile, so that
// the ground under the eye comes first.
std::vector<int> centreFirstOrder(int r) {
  std::vector<int> order(static_cast<std::size_t>(r) * r);
  for (int k = 0; k < r * r; ++k) order[static_cast<std::size_t>(k)] = k;
  const int c = r / 2;
  auto ring = [&](int k) { return std::max(std::abs(k % r - c), std::abs(k / r - c)); };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return ring(a) < ring(b); });
  return order;
}

// The height inside one sample cell of side k metres at (gx, gz) from its corner (0, 0), the
// cell split into two triangles along the diagonal from (0, 0) to (k, k) when evenSplit, else
// from (k, 0) to (0, k). The ray from the triangle's corner opposite the diagonal through the
// point meets the diagonal at fraction f; the height is interpolated along the diagonal, then
// between the corner and that point.
float triangleHeight(bool evenSplit, float k, float gx, float gz, float h00, float h10, float h01, float h11) {
  float corner, from, to, distance, f;
  if (evenSplit) {
    from = h00;
    to = h11;
    if (gx >= gz) {
      corner = h10;
      distance = k - gx + gz;
      f = gz / distance;
    } else {
      corner = h01;
      distance = k - gz + gx;
      f = gx / distance;
    }
  } else {
    from = h10;
    to = h01;
    if (gx + gz <= k) {
      corner = h00;
      distance = gx + gz;
      f = gz / distance;
    } else {
      corner = h11;
      distance = 2.0f * k - gx - gz;
      f = (k - gx) / distance;
    }
  }
  if (distance < kMinEdgeDistance) return corner;
  const float onDiagonal = from + f * (to - from);
  return corner + (distance / k) * (onDiagonal - corner);
}

}  // namespace

TilePyramid::TilePyramid(HeightSource& source, const TerrainParams& params, const LandImage* noise)
    : source_(source),
      params_(params),
      noise_(noise),
      classifier_(params),
      windowTiles_(std::clamp(params.windowTiles, 1, kMaxWindowTiles)),
      bendScale_(cubicBendScale(params.heightUnit, params.sourceSpacing)),
      refineInput_(kRefineInputCount) {
  params_.levelsBelowSource = std::clamp(params.levelsBelowSource, 0, kMaxLevelsBelowSource);
  const int levelCount = std::clamp(params.heightLevelCount, 1, kMaxPyramidLevels);
  const int perLevel = windowTiles_ * windowTiles_;
  const std::size_t tileCount = static_cast<std::size_t>(levelCount) * (perLevel + 1);
  tiles_.resize(tileCount);
  queues_.resize(static_cast<std::size_t>(levelCount) * perLevel);
  samples_ = std::make_unique<std::uint32_t[]>(tileCount * kTileSampleCount);
  heights_ = std::make_unique<std::uint16_t[]>(tileCount * kTileSampleCount);
  for (std::size_t t = 0; t < tileCount; ++t) {
    tiles_[t].samples = samples_.get() + t * kTileSampleCount;
    tiles_[t].heights = heights_.get() + t * kTileSampleCount;
  }
  resetOrder_ = centreFirstOrder(windowTiles_);

  levels_.resize(static_cast<std::size_t>(levelCount));
  for (int l = 0; l < levelCount; ++l) {
    TileLevel& level = levels_[static_cast<std::size_t>(l)];
    level.index = l;
    level.span = kTileSpanSamples << l;
    level.tiles = tiles_.data() + static_cast<std::size_t>(l) * perLevel;
    level.queue = queues_.data() + static_cast<std::size_t>(l) * perLevel;
    const std::int64_t half = windowTiles_ / 2;
    level.originX = static_cast<std::int32_t>((kParkedPosition & -std::int64_t{level.span}) - half * level.span);
    level.originZ = level.originX;
    for (int j = 0; j < windowTiles_; ++j) {
      for (int i = 0; i < windowTiles_; ++i) {
        HeightTile& tile = level.tiles[j * windowTiles_ + i];
        tile.level = l;
        tile.state = static_cast<std::uint32_t>(l);
        tile.originX = level.originX + i * level.span;
        tile.originZ = level.originZ + j * level.span;
      }
    }
    HeightTile& spare = tiles_[static_cast<std::size_t>(levelCount) * perLevel + l];
    spare.level = l;
    spare.state = static_cast<std::uint32_t>(l);
  }
}

TilePyramid::~TilePyramid() {
  if (gCurrentPyramid == this) gCurrentPyramid = nullptr;
}

TilePyramid* TilePyramid::current() { return gCurrentPyramid; }
void TilePyramid::setCurrent(TilePyramid* pyramid) { gCurrentPyramid = pyramid; }

float groundHeight(float x, float z) {
  const TilePyramid* p = TilePyramid::current();
  return p != nullptr ? p->groundHeight(x, z) : 0.0f;
}

// ---- paging

int TilePyramid::update(std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  moveTo(eyeCellX, eyeCellZ);
  int made = 0;
  for (int l = coarsestLevel(); l >= 0 && made < kGenerationsPerFrame; --l) {
    if (generateQueued(levels_[static_cast<std::size_t>(l)])) ++made;
  }
  return made;
}

void TilePyramid::moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  const std::int64_t ex = std::clamp<std::int64_t>(eyeCellX, -kMaxEyeCell, kMaxEyeCell);
  const std::int64_t ez = std::clamp<std::int64_t>(eyeCellZ, -kMaxEyeCell, kMaxEyeCell);
  for (int l = coarsestLevel(); l >= 0; --l) moveLevel(levels_[static_cast<std::size_t>(l)], ex, ez);
}

void TilePyramid::moveLevel(TileLevel& level, std::int64_t eyeX, std::int64_t eyeZ) {
  const int r = windowTiles_;
  moveTileWindow(
      level, r, eyeX, eyeZ,
      [&] {
        level.queueHead = level.queueCount = 0;
        for (int k = 0; k < r * r; ++k) level.tiles[k].state &= ~kTileQueued;
        for (int k : resetOrder_) resetTile(level, k % r, k / r);
      },
      [&](int i, int j) { resetTile(level, i, j); });
}

void TilePyramid::resetTile(TileLevel& level, int i, int j) {
  const int r = windowTiles_;
  const int storage = level.storage(i, j, r);
  HeightTile& tile = level.tiles[storage];
  tile.originX = level.originX + i * level.span;
  tile.originZ = level.originZ + j * level.span;
  tile.state = (tile.state & kTileQueued) | static_cast<std::uint32_t>(level.index);
  queueTile(level, storage);
}

void TilePyramid::queueTile(TileLevel& level, int storageIndex) {
  HeightTile& tile = level.tiles[storageIndex];
  // A tile still waiting keeps its place; it is generated at its new origin when its turn comes.
  if ((tile.state & kTileQueued) != 0) return;
  const int capacity = windowTiles_ * windowTiles_;
  level.queue[(level.queueHead + level.queueCount) % capacity] = storageIndex;
  ++level.queueCount;
  tile.state |= kTileQueued;
}

bool TilePyramid::generateQueued(TileLevel& level) {
  const int capacity = windowTiles_ * windowTiles_;
  while (level.queueCount > 0) {
    HeightTile& tile = level.tiles[level.queue[level.queueHead]];
    level.queueHead = (level.queueHead + 1) % capacity;
    --level.queueCount;
    tile.state &= ~kTileQueued;
    if (tile.generated()) continue;  // the terrain build needed it first
    generate(tile, true);
    return true;
  }
  return false;
}

// ---- generation

void TilePyramid::generate(HeightTile& tile, bool inWindow) {
  const int l = tile.level;
  const int n = params_.levelsBelowSource;
  bool cut = false;
  if (l >= n && cutFromSource(tile)) {
    cut = true;
  } else if (l == n - 1) {
    refineFromSourceWindow(tile);
  } else if (l < coarsestLevel()) {
    refineFromParent(tile);
  } else {
    std::fill(tile.heights, tile.heights + kTileSampleCount, kNoHeight);
    cut = true;
  }
  classifier_.classifyTile(std::span<const std::uint16_t, kTileSampleCount>(tile.heights, kTileSampleCount), l,
                           tile.originX, tile.originZ, noise_,
                           std::span<std::uint32_t, kTileSampleCount>(tile.samples, kTileSampleCount));
  tile.state = (tile.state & kTileQueued) | static_cast<std::uint32_t>(l) | (cut ? kTileCut : 0) | kTileGenerated;
  if (inWindow && listener_ != nullptr) listener_->heightTileGenerated(l, tile.originX, tile.originZ);
}

bool TilePyramid::cutFromSource(const HeightTile& tile) {
  const int n = params_.levelsBelowSource;
  // Only the coarsest level may stand in a coarser tile of a cache file for a missing one;
  // finer levels refine their parent instead, which keeps the detail that parent has.
  const int status = sourceReader_.read(source_, tile.originX >> n, tile.originZ >> n, tile.level - n,
                                        std::span<std::uint16_t, kTileSampleCount>(tile.heights, kTileSampleCount),
                                        tile.level == coarsestLevel());
  return status == kTileFromGrid || status == kTileFound;
}

void TilePyramid::refineFromSourceWindow(const HeightTile& tile) {
  const int n = params_.levelsBelowSource;
  // The tile spans 64 source samples; with one neighbour on each side.
  const std::int32_t x0 = (tile.originX >> n) - 1;
  const std::int32_t z0 = (tile.originZ >> n) - 1;
  source_.window(x0, z0, x0 + kRefineInputSamples, z0 + kRefineInputSamples, refineInput_);
  refineWindow(std::span<const std::uint16_t, kRefineInputCount>(refineInput_.data(), kRefineInputCount), bendScale_,
               std::span<std::uint16_t, kTileSampleCount>(tile.heights, kTileSampleCount));
}

void TilePyramid::refineFromParent(const HeightTile& tile) {
  const HeightTile& parent = parentOf(tile);  // first: it may refine its own parent with refineInput_
  // The quarter of the parent this tile covers, in parent samples; the parent's edge samples
  // stand in for the neighbours beyond it.
  const int ox = ((tile.originX >> (tile.level + 7)) & 1) * (kTileSpanSamples / 2);
  const int oz = ((tile.originZ >> (tile.level + 7)) & 1) * (kTileSpanSamples / 2);
  std::uint16_t* in = refineInput_.data();
  for (int j = 0; j < kRefineInputSamples; ++j) {
    const int pz = std::clamp(oz + j - 1, 0, kTileSpanSamples);
    const std::uint16_t* row = parent.heights + static_cast<std::size_t>(pz) * kTileSamples;
    for (int i = 0; i < kRefineInputSamples; ++i) *in++ = row[std::clamp(ox + i - 1, 0, kTileSpanSamples)];
  }
  refineWindow(std::span<const std::uint16_t, kRefineInputCount>(refineInput_.data(), kRefineInputCount), bendScale_,
               std::span<std::uint16_t, kTileSampleCount>(tile.heights, kTileSampleCount));
}

const HeightTile& TilePyramid::parentOf(const HeightTile& tile) {
  const int l = tile.level + 1;
  const std::int32_t span = kTileSpanSamples << l;
  const std::int32_t px = tile.originX & -span;
  const std::int32_t pz = tile.originZ & -span;
  if (HeightTile* parent = windowTile(l, px, pz)) {
    if (!parent->generated()) generate(*parent, true);
    return *parent;
  }
  // Outside the parent level's window (a tile asked for before the windows reached it): the
  // level's spare tile holds it. Tiles depend on nothing but their place, so a spare already
  // made for the same place is still good.
  HeightTile& spare = tiles_[static_cast<std::size_t>(levelCount()) * windowTiles_ * windowTiles_ +
                             static_cast<std::size_t>(l)];
  if (spare.generated() && spare.originX == px && spare.originZ == pz) return spare;
  spare.originX = px;
  spare.originZ = pz;
  spare.state = static_cast<std::uint32_t>(l);
  generate(spare, false);
  return spare;
}

// ---- queries

HeightTile* TilePyramid::windowTile(int level, std::int64_t x, std::int64_t z) {
  if (level < 0 || level >= levelCount()) return nullptr;
  TileLevel& lv = levels_[static_cast<std::size_t>(level)];
  const int k = lv.slot(x, z, windowTiles_);
  return k < 0 ? nullptr : &lv.tiles[k];
}

const HeightTile* TilePyramid::tileAt(int level, std::int32_t x, std::int32_t z) const {
  if (level < 0 || level >= levelCount()) return nullptr;
  const TileLevel& lv = levels_[static_cast<std::size_t>(level)];
  const int k = lv.slot(x, z, windowTiles_);
  return k < 0 ? nullptr : &lv.tiles[k];
}

bool TilePyramid::covers(int level, std::int32_t x, std::int32_t z) const { return tileAt(level, x, z) != nullptr; }

const std::uint32_t* TilePyramid::fetch(int& level, std::int32_t x, std::int32_t z) const {
  for (int l = std::clamp(level, 0, coarsestLevel()); l <= coarsestLevel(); ++l) {
    const HeightTile* tile = tileAt(l, x, z);
    if (tile != nullptr && tile->generated()) {
      level = l;
      return tile->samples;
    }
  }
  level = -1;
  return nullptr;
}

const std::uint32_t* TilePyramid::fetchGenerating(int& level, std::int32_t x, std::int32_t z) {
  const int l = std::clamp(level, 0, coarsestLevel());
  if (HeightTile* tile = windowTile(l, x, z)) {
    if (!tile->generated()) generate(*tile, true);
    level = l;
    return tile->samples;
  }
  if (l == coarsestLevel()) {
    level = -1;
    return nullptr;
  }
  level = l + 1;
  return fetch(level, x, z);
}

float TilePyramid::groundHeight(float x, float z) const {
  const double s = params_.spacing;
  const double cellX = std::floor(x / s);
  const double cellZ = std::floor(z / s);
  // Also refuses NaN: no tile holds such a place.
  if (!(std::fabs(cellX) < kMaxEyeCell && std::fabs(cellZ) < kMaxEyeCell)) return 0.0f;
  const auto cx = static_cast<std::int32_t>(cellX);
  const auto cz = static_cast<std::int32_t>(cellZ);
  const auto fx = static_cast<float>(x - cellX * s);
  const auto fz = static_cast<float>(z - cellZ * s);
  for (int l = 0; l <= coarsestLevel(); ++l) {
    const HeightTile* tile = tileAt(l, cx, cz);
    if (tile == nullptr || !tile->generated()) continue;
    const std::int32_t mask = (1 << l) - 1;
    const int i = (cx - tile->originX) >> l;
    const int j = (cz - tile->originZ) >> l;
    const float unit = params_.heightUnit;
    auto h = [&](int di, int dj) {
      return static_cast<float>(sampleHeight(tile->samples[static_cast<std::size_t>(j + dj) * kTileSamples + i + di])) *
             unit;
    };
    const float cell = static_cast<float>(s) * static_cast<float>(1 << l);
    const float gx = static_cast<float>(cx & mask) * static_cast<float>(s) + fx;
    const float gz = static_cast<float>(cz & mask) * static_cast<float>(s) + fz;
    return triangleHeight(((i + j) & 1) == 0, cell, gx, gz, h(0, 0), h(1, 0), h(0, 1), h(1, 1));
  }
  return 0.0f;
}

}  // namespace skyloom
