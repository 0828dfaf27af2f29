// TerrainWorld: construction, the per-frame eye update and the scrolling of the level grids.
// The cell build lives in terrain_cell_build.cpp, the select pass in terrain_select.cpp, the
// device side (render, restore, invalidate) in terrain_render.cpp.
#include "world/terrain_world.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "world/terrain_draw.h"
#include "world/building_field.h"
#include "world/tree_field.h"

namespace skyloom {
namespace {

TerrainWorld* gCurrentWorld = nullptr;

// Eye cells are kept inside ±2^29 base samples so that every grid corner (up to 7 cells of
// 2^18 samples beyond the eye) stays inside 32 bits.
constexpr double kMaxEyeCell = 536870912.0;

// Distance values: k = 0.999 / (133.33 × height unit) turns metres into height units at the
// error a cell may show; m0 = k × s × 40 is the activation every cell of 2 samples has.
constexpr float kDistanceScaleNumerator = 0.999f;
constexpr float kDistanceScaleDivisor = 133.33f;
constexpr float kMinimumActivationSpan = 40.0f;

// Haze: the altitude term, and the haze table's 16320 / distance × 255 / 9021 m ceiling.
constexpr float kHazeAltitude = 10000.0f;
constexpr float kHazeAltitudeFloor = 3000.0f;
constexpr float kHazeScale = 0.0001f;
constexpr float kHazeTableScale = 16320.0f;
constexpr float kHazeCeiling = 9021.0f;
constexpr float kFogEndOfExtent = 0.75f;
// Trees and buildings grow only when twice the density setting exceeds this.
constexpr int kLeastSceneryDensity = 6;

// The eye cell changes only once the eye is this fraction of a sample past a border.
constexpr float kEyeCellHysteresis = 0.2f;

// The detail texture repeats every g samples, g the power of two above 3 m / s.
constexpr float kDetailRepeatMetres = 3.0f;

std::int32_t clampCell(double cell) {
  if (!(cell > -kMaxEyeCell)) return static_cast<std::int32_t>(-kMaxEyeCell);  // also NaN
  if (!(cell < kMaxEyeCell)) return static_cast<std::int32_t>(kMaxEyeCell);
  return static_cast<std::int32_t>(cell);
}

// The base cell holding a world coordinate, held back until the coordinate is 0.2 s past the
// border from the previous cell, so that an eye hovering on a border does not scroll the
// levels back and forth.
std::int32_t eyeCellWithHysteresis(float coordinate, float spacing, std::int32_t previous) {
  const double scaled = std::floor(static_cast<double>(coordinate) / spacing);
  std::int32_t t = clampCell(scaled);
  const double fraction = static_cast<double>(coordinate) - static_cast<double>(t) * spacing;
  if (t > previous && fraction < kEyeCellHysteresis * spacing) --t;
  else if (t < previous && fraction > (1.0f - kEyeCellHysteresis) * spacing) ++t;
  return t;
}

int detailRepeatFor(float spacing) {
  const int w = static_cast<int>(kDetailRepeatMetres / spacing);
  if (w <= 0) return 1;
  int g = 1;
  while (g <= w) g <<= 1;
  return g;
}

}  // namespace

TerrainWorld* TerrainWorld::current() { return gCurrentWorld; }
void TerrainWorld::setCurrent(TerrainWorld* world) { gCurrentWorld = world; }

TerrainWorld::TerrainWorld(float startX, float startZ, const TerrainSettings& settings)
    : TerrainWorld(startX, startZ, nullptr, settings) {}

TerrainWorld::TerrainWorld(float startX, float startZ, std::unique_ptr<HeightSource> source,
                           const TerrainSettings& settings)
    : settings_(settings), source_(std::move(source)) {
  if (!source_) {
    source_ = std::make_unique<HeightSource>();
    source_->load(settings_.terrainName);
  }
  construct(startX, startZ);
}

TerrainWorld::~TerrainWorld() {
  if (gCurrentWorld == this) gCurrentWorld = nullptr;
  if (heights_ && TilePyramid::current() == heights_.get()) TilePyramid::setCurrent(nullptr);
  // Members go in reverse order: the draw state, the levels, then the pyramid before the source
  // and the noise picture it reads.
}

void TerrainWorld::construct(float startX, float startZ) {
  // The sky takes the horizon ring through horizonSink; it is set by the scene.
  params_ = terrainParams(source_->sampleSpacing(), source_->heightUnit(), settings_.seaLevelMetres, settings_.detail);
  const float s = params_.spacing;

  // Without the picture the ground classes carry no noise; the terrain still stands.
  noise_.load(kNoiseLandImage);
  heights_ = std::make_unique<TilePyramid>(*source_, params_, noise_.loaded() ? &noise_ : nullptr);
  const std::int32_t cellX = clampCell(std::floor(static_cast<double>(startX) / s));
  const std::int32_t cellZ = clampCell(std::floor(static_cast<double>(startZ) / s));
  heights_->moveTo(cellX, cellZ);
  // The aircraft and the cameras ask this pyramid for ground heights from now on.
  TilePyramid::setCurrent(heights_.get());
  // Texture tiles mirror the height tiles; the land pictures reuse the noise picture read above.
  textures_ = std::make_unique<TexturePyramid>(*heights_, params_);
  textures_->moveTo(cellX, cellZ);
  textures_->loadLandTextures(noise_.loaded() ? &noise_ : nullptr);

  detailRepeat_ = detailRepeatFor(s);
  distanceScale_ = kDistanceScaleNumerator / (kDistanceScaleDivisor * params_.heightUnit);
  const float m0 = std::floor(distanceScale_ * s * kMinimumActivationSpan);
  minimumActivation_ = static_cast<std::uint16_t>(std::clamp(m0, 1.0f, 65535.0f));

  eye_ = {startX, 0.0f, startZ};
  eyeCellX_ = cellX;
  eyeCellZ_ = cellZ;
  createLevels(cellX, cellZ);
  // Coarsest first: each build propagates its activations up, so the coarse cells end with
  // their children's.
  for (int k = levelCount() - 1; k >= 0; --k) buildCells(level(k), 0, level(k).size, 0, level(k).size);

  // The scenery grows only where the density asks for enough of it.
  const int density = 2 * settings_.sceneryDensity;
  if (density > kLeastSceneryDensity) {
    buildings_ = std::make_unique<BuildingField>(params_, *heights_, noise_);
    buildings_->moveTo(cellX, cellZ);
    trees_ = std::make_unique<TreeField>(params_, density, *heights_, noise_);
    trees_->moveTo(cellX, cellZ);
  }
  draw_ = std::make_unique<TerrainDraw>(*this);
  haze_.ramp = draw_->ramp();
  haze_.fogEnd = kFogEndOfExtent * params_.extent;
}

void TerrainWorld::createLevels(std::int32_t cellX, std::int32_t cellZ) {
  const int count = params_.levelCount;
  const std::vector<int> sizes = clodGridSizes(count);  // coarsest first
  levels_.resize(static_cast<std::size_t>(count));
  for (int c = 0; c < count; ++c) {
    const int shift = count - c;
    auto level = std::make_unique<ClodLevel>(shift, sizes[static_cast<std::size_t>(c)], params_.spacing);
    level->originX = (cellX & level->alignMask) - level->halfExtentSamples;
    level->originZ = (cellZ & level->alignMask) - level->halfExtentSamples;
    level->originWorldX = static_cast<float>(level->originX) * params_.spacing;
    level->originWorldZ = static_cast<float>(level->originZ) * params_.spacing;
    levels_[static_cast<std::size_t>(shift - 1)] = std::move(level);
  }
  for (int k = 0; k < count; ++k) {
    level(k).finer = k > 0 ? &level(k - 1) : nullptr;
    level(k).coarser = k + 1 < count ? &level(k + 1) : nullptr;
  }
}

// ---- per frame

void TerrainWorld::frameUpdate(const Vec3& eye) {
  eye_ = eye;
  const float s = params_.spacing;
  const float altitudeHaze = std::max(kHazeAltitude - eye.y, kHazeAltitudeFloor) * kHazeScale;
  haze_.hazeFactor = altitudeHaze * kHazeTableScale / params_.hazeDistance * (255.0f / kHazeCeiling);
  haze_.ceiling = kHazeCeiling;
  haze_.eyeHazeOffset = eye.y * 0.01f / s;
  haze_.fogStart = 0.0f;
  haze_.fogEnd = kFogEndOfExtent * params_.extent;

  const std::int32_t tx = eyeCellWithHysteresis(eye.x, s, eyeCellX_);
  const std::int32_t tz = eyeCellWithHysteresis(eye.z, s, eyeCellZ_);
  eyeHeightCells_ = clampCell(std::trunc(static_cast<double>(eye.y) / s));

  heights_->update(tx, tz);
  textures_->update(tx, tz);
  if (tx != eyeCellX_ || tz != eyeCellZ_) {
    eyeCellX_ = tx;
    eyeCellZ_ = tz;
    scrollLevels(tx, tz);
    if (buildings_) buildings_->moveTo(tx, tz);
    if (trees_) trees_->moveTo(tx, tz);
  }
}

void TerrainWorld::scrollLevels(std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  for (int k = levelCount() - 1; k >= 0; --k) scrollLevel(level(k), eyeCellX, eyeCellZ);
}

void TerrainWorld::scrollLevel(ClodLevel& level, std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  const std::int32_t originX = (eyeCellX & level.alignMask) - level.halfExtentSamples;
  const std::int32_t originZ = (eyeCellZ & level.alignMask) - level.halfExtentSamples;
  const std::int64_t dx = (std::int64_t{originX} - level.originX) >> level.shift;
  const std::int64_t dz = (std::int64_t{originZ} - level.originZ) >> level.shift;
  if (dx == 0 && dz == 0) return;

  level.originX = originX;
  level.originZ = originZ;
  level.originWorldX = static_cast<float>(originX) * params_.spacing;
  level.originWorldZ = static_cast<float>(originZ) * params_.spacing;
  const int size = level.size;
  if (std::llabs(dx) + std::llabs(dz) > size) {
    level.wrapX = level.wrapZ = 0;
    buildCells(level, 0, size, 0, size);
    return;
  }
  // Both moves are at most size here, so one correction brings the wrap back into range.
  const int sx = static_cast<int>(dx), sz = static_cast<int>(dz);
  level.wrapX = ((level.wrapX + sx) % size + size) % size;
  level.wrapZ = ((level.wrapZ + sz) % size + size) % size;
  if (sx > 0) buildCells(level, size - sx, size, 0, size);
  if (sx < 0) buildCells(level, 0, -sx, 0, size);
  if (sz > 0) buildCells(level, 0, size, size - sz, size);
  if (sz < 0) buildCells(level, 0, size, 0, -sz);
}

void TerrainWorld::useTextures(TextureRegistry& registry) {
  // A full mip chain: far away the grain averages out to an even grey instead of shimmering.
  draw_->setDetailTexture(registry.registerTexture(kDetailTextureName, 0, Format::A8R8G8B8, 0));
  if (buildings_) buildings_->registerTexture(registry);
  if (trees_) trees_->registerTexture(registry);
}

}  // namespace skyloom
