#include "world/texture_pyramid.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "resources/mip_levels.h"

namespace skyloom {
namespace {

constexpr int kMaxTextureLevels = 15;
constexpr int kMaxWindowTiles = 31;
constexpr std::int64_t kMaxEyeCell = std::int64_t{1} << 30;
// 16-bit textures when the device has less than this per tile (0x110000 / 10 bytes: a 32-bit
// tile with its mip levels and room to spare).
constexpr std::uint64_t kBytesPerTileTenths = 0x110000;
constexpr std::uint32_t kDefaultTint = 0x303030;

}  // namespace

Light defaultSunLight() {
  Light sun;
  sun.type = LightType::Directional;
  sun.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  // From the south-west (−x, −z) 40° up, so the light travels north-east and down.
  const float elevation = 40.0f * 3.14159265f / 180.0f;
  const float horizontal = std::cos(elevation) * 0.70710678f;
  sun.direction = Vec3{horizontal, -std::sin(elevation), horizontal};
  return sun;
}

TexturePyramid::TexturePyramid(TilePyramid& heights, const TerrainParams& params)
    : heights_(heights),
      params_(params),
      window_(std::clamp(params.windowTiles, 1, kMaxWindowTiles)),
      budgetMinimum_(std::max(1, params.tileBudgetMinimum)),
      texels_(std::make_unique<std::uint32_t[]>(kTextureTileSide * kTextureTileSide)),
      light_(composeLightFrom(defaultSunLight(), kDefaultTint)) {
  const int count = std::clamp(params.textureLevelCount, 1, kMaxTextureLevels);
  const int perLevel = window_ * window_;
  tiles_.resize(static_cast<std::size_t>(count) * perLevel);
  levels_.resize(static_cast<std::size_t>(count));
  for (int l = 0; l < count; ++l) {
    Level& level = levels_[static_cast<std::size_t>(l)];
    level.index = l;
    level.span = kTileSpanSamples << l;
    level.tiles = tiles_.data() + static_cast<std::size_t>(l) * perLevel;
    const std::int64_t half = window_ / 2;
    level.originX = static_cast<std::int32_t>((TilePyramid::kParkedPosition & -std::int64_t{level.span}) - half * level.span);
    level.originZ = level.originX;
    for (int j = 0; j < window_; ++j) {
      for (int i = 0; i < window_; ++i) {
        TextureTile& tile = level.tiles[j * window_ + i];
        tile.level = l;
        tile.originX = level.originX + i * level.span;
        tile.originZ = level.originZ + j * level.span;
      }
    }
  }
  // Middle levels first, then the fine ones near the eye, the coarsest last: it holds the far
  // ground every other level falls back to.
  for (int l = 3; l <= count - 2; ++l) updateOrder_.push_back(l);
  for (int l = std::min(2, count - 2); l >= 0; --l) updateOrder_.push_back(l);
  updateOrder_.push_back(count - 1);
}

TexturePyramid::~TexturePyramid() { invalidate(); }

void TexturePyramid::setSun(const Light& sun) {
  const std::uint32_t tint = (std::uint32_t{light_.tint[0]} << 16) | (std::uint32_t{light_.tint[1]} << 8) | light_.tint[2];
  light_ = composeLightFrom(sun, tint);
}

void TexturePyramid::setTint(std::uint32_t tint) {
  light_.tint[0] = static_cast<std::uint8_t>(tint >> 16);
  light_.tint[1] = static_cast<std::uint8_t>(tint >> 8);
  light_.tint[2] = static_cast<std::uint8_t>(tint);
}

Format TexturePyramid::chooseFormat(int windowTiles, int levels, std::uint32_t availableTextureMemory) {
  const std::uint64_t v = static_cast<std::uint64_t>(std::max(windowTiles, 0));
  const std::uint64_t needed = v * v * static_cast<std::uint64_t>(std::max(levels, 0)) * kBytesPerTileTenths / 10;
  if (windowTiles <= kSmallWindow || availableTextureMemory < needed) return Format::R5G6B5;
  return Format::A8R8G8B8;
}

// ---- windows

TextureTile* TexturePyramid::windowTile(Level& level, std::int64_t x, std::int64_t z) {
  const int k = level.slot(x, z, window_);
  return k < 0 ? nullptr : &level.tiles[k];
}

const TextureTile* TexturePyramid::tileAt(int level, std::int32_t x, std::int32_t z) const {
  if (level < 0 || level >= levelCount()) return nullptr;
  const Level& lv = levels_[static_cast<std::size_t>(level)];
  const int k = lv.slot(x, z, window_);
  return k < 0 ? nullptr : &lv.tiles[k];
}

void TexturePyramid::moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  const std::int64_t ex = std::clamp<std::int64_t>(eyeCellX, -kMaxEyeCell, kMaxEyeCell);
  const std::int64_t ez = std::clamp<std::int64_t>(eyeCellZ, -kMaxEyeCell, kMaxEyeCell);
  for (Level& level : levels_) moveLevel(level, ex, ez);
}

void TexturePyramid::moveLevel(Level& level, std::int64_t eyeX, std::int64_t eyeZ) {
  const int r = window_;
  auto reset = [&](int i, int j, int storage) {
    TextureTile& tile = level.tiles[storage];
    tile.originX = level.originX + i * level.span;
    tile.originZ = level.originZ + j * level.span;
    resetTile(level, tile);
  };
  moveTileWindow(
      level, r, eyeX, eyeZ,
      [&] {
        for (int j = 0; j < r; ++j) {
          for (int i = 0; i < r; ++i) reset(i, j, j * r + i);
        }
      },
      [&](int i, int j) { reset(i, j, level.storage(i, j, r)); });
}

void TexturePyramid::resetTile(Level& level, TextureTile& tile) {
  tile.state = 0;
  tile.drawn = false;
  if (level.job >= 0 && &level.tiles[level.job] == &tile) level.job = kNoJob;
}

// ---- paging and composing

int TexturePyramid::update(std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  const int wanted = missed_ / kMissesPerQuarter;
  budget_ = wanted < 10 ? std::max(wanted, budgetMinimum_) : kMaxBudget;
  if (!restored()) budget_ = 0;
  missed_ = 0;
  moveTo(eyeCellX, eyeCellZ);

  frameBudget_ = budget_;
  const auto begin = std::chrono::steady_clock::now();
  for (int l : updateOrder_) {
    if (budget_ <= 0) break;
    composeLevel(levels_[static_cast<std::size_t>(l)]);
  }
  lastComposeSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  return frameBudget_ - budget_;
}

void TexturePyramid::composeLevel(Level& level) {
  int waiting = 0;
  for (int k = 0; k < window_ * window_; ++k) waiting += level.tiles[k].composed() ? 0 : 1;
  const int steps = std::min(2, waiting / window_ + 1);
  for (int done = 0; done < steps && budget_ > 0 && level.job != kNoJob;) {
    TextureTile& tile = level.tiles[level.job];
    if (tile.composed()) {
      level.job = kNoJob;  // composed meanwhile: costs nothing
      break;
    }
    composeQuarter(level, tile);
    --budget_;
    ++done;
  }
}

bool TexturePyramid::composeQuarter(Level& level, TextureTile& tile) {
  const int quarter = tile.quartersDone();
  int found = level.index;
  // The height tile of the same level and place; a missing one leaves the quarter undrawn.
  const HeightTile* height = level.index < heights_.levelCount() ? heights_.tileAt(level.index, tile.originX, tile.originZ) : nullptr;
  if (height && height->originX == tile.originX && height->originZ == tile.originZ && !height->generated()) {
    heights_.fetchGenerating(found, tile.originX, tile.originZ);
  }
  const bool usable = height && found == level.index && height->generated() && height->originX == tile.originX &&
                      height->originZ == tile.originZ && level.staging;
  if (usable) {
    composer_.composeQuarter(height->samples, level.index, quarter, params_.spacing, params_.heightUnit, land_, light_,
                             texels_.get());
    LockedRect locked;
    if (!failed(level.staging->lockRect(0, locked, nullptr, Lock::None))) {
      const int row0 = kTextureTileSide - (quarter + 1) * kTextureQuarterRows;
      packTexels(format_ == Format::R5G6B5, texels_.get(), row0, kTextureQuarterRows,
                 static_cast<std::uint8_t*>(locked.bits), locked.pitch);
      level.staging->unlockRect(0);
      tile.drawn = true;
    }
  }
  tile.state += kTextureQuarterStep;
  if (tile.quartersDone() == 0) finishTile(level, tile);  // the fourth quarter carried into 0x400
  return usable;
}

void TexturePyramid::finishTile(Level& level, TextureTile& tile) {
  // A tile whose quarters drew nothing keeps its texture as it was rather than taking the
  // staging texture's leftovers of another tile.
  if (tile.drawn && level.staging && tile.texture && device_) {
    buildMipLevels(*level.staging, false);
    device_->updateTexture(level.staging.get(), tile.texture.get());
  }
  tile.state = kTextureComposed;
  tile.drawn = false;
  level.job = kNoJob;
}

Texture* TexturePyramid::fetch(int& level, std::int32_t x, std::int32_t z) {
  const int from = std::clamp(level, 0, levelCount() - 1);
  for (int l = from; l < levelCount(); ++l) {
    Level& lev = levels_[static_cast<std::size_t>(l)];
    TextureTile* tile = windowTile(lev, x, z);
    if (!tile) continue;
    if (tile->composed() && tile->texture) {
      level = l;
      return tile->texture.get();
    }
    if (tile->composed()) continue;
    if (lev.job == kNoJob) {
      lev.job = static_cast<int>(tile - lev.tiles);
    } else {
      ++missed_;
    }
  }
  level = -1;
  return nullptr;
}

// ---- device objects

HResult TexturePyramid::restore(RenderDevice& device) {
  invalidate();
  format_ = chooseFormat(window_, levelCount(), device.availableTextureMem());
  for (Level& level : levels_) {
    HResult hr = device.createTexture(kTextureTileSide, kTextureTileSide, kMipLevels, Usage::None, format_,
                                      Pool::SystemMem, level.staging);
    for (int k = 0; k < window_ * window_ && !failed(hr); ++k) {
      hr = device.createTexture(kTextureTileSide, kTextureTileSide, kMipLevels, Usage::None, format_, Pool::Default,
                                level.tiles[k].texture);
    }
    if (failed(hr)) {
      invalidate();
      return hr;
    }
  }
  device_ = &device;
  return kOk;
}

void TexturePyramid::invalidate() {
  for (Level& level : levels_) {
    level.staging.reset();
    level.job = kNoJob;
  }
  for (TextureTile& tile : tiles_) {
    tile.texture.reset();
    tile.state = 0;
    tile.drawn = false;
  }
  device_ = nullptr;
}

}  // namespace skyloom
