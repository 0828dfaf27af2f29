#pragma once
// The texture pyramid: one generated 128 × 128 texture per height tile, in windows that mirror
// the height pyramid's levels and positions (the texture tile of level L covers the height
// tile of level L at the same place). Tiles are composed only when the draw pass asks for
// them: a fetch that meets a tile not yet composed makes it its level's job, and each frame's
// update composes a few quarters of the jobs within a budget that grows with the requests the
// last frame could not serve.
//
// The composition is portable (texture_compose.h); this class owns the device side: one
// default-pool texture per tile and one system-memory staging texture per level, made at
// restore in R5G6B5 or A8R8G8B8 and released at invalidate, after which every tile is composed
// again as drawing asks for it. All other storage is made at construction.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/render_device.h"
#include "world/height_pyramid.h"
#include "world/land_textures.h"
#include "world/texture_compose.h"
#include "world/tile_window.h"

namespace skyloom {

// TextureTile::state: bits 8–9 count the quarters composed, 0x400 the whole tile.
constexpr std::uint32_t kTextureQuarterStep = 0x100u;
constexpr std::uint32_t kTextureQuarterMask = 0x300u;
constexpr std::uint32_t kTextureComposed = 0x400u;

struct TextureTile {
  int level = 0;
  std::int32_t originX = 0, originZ = 0;  // base samples; the tile spans 128 × 2^level
  std::uint32_t state = 0;
  bool drawn = false;                     // a quarter of the current composition drew texels
  std::unique_ptr<Texture> texture;       // 128 × 128, 4 mip levels, default pool

  bool composed() const { return (state & kTextureComposed) != 0; }
  int quartersDone() const { return static_cast<int>((state & kTextureQuarterMask) >> 8); }
};

class TexturePyramid {
 public:
  static constexpr int kMipLevels = 4;
  static constexpr int kNoJob = -1;
  // The budget in quarters: missed requests / 20, at least the detail's minimum, at most 9.
  static constexpr int kMissesPerQuarter = 20;
  static constexpr int kMaxBudget = 9;
  // Window sides up to this get 16-bit textures whatever the memory.
  static constexpr int kSmallWindow = 7;

  // levels: the texture level count; window and spacing as the height pyramid's. The height
  // pyramid must outlive this one.
  TexturePyramid(TilePyramid& heights, const TerrainParams& params);
  ~TexturePyramid();
  TexturePyramid(const TexturePyramid&) = delete;
  TexturePyramid& operator=(const TexturePyramid&) = delete;

  // The sun the tiles are lit by (the sky's light) and the tint; tiles composed afterwards use them.
  void setSun(const Light& sun);
  void setTint(std::uint32_t tint);
  // The land pictures (picture 2 from the noise the heights read); answers how many were found.
  int loadLandTextures(const LandImage* noise) { return land_.load(noise); }
  LandTextures& landTextures() { return land_; }

  // Moves every window to the eye cell (construction places the pyramid this way).
  void moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ);
  // Once per frame: sets the budget from the last frame's misses, moves the windows and composes
  // quarters of the levels' jobs. Answers the quarters composed.
  int update(std::int32_t eyeCellX, std::int32_t eyeCellZ);

  // The texture of the first level from `level` upward whose tile at the position is composed;
  // level becomes the level found. Null (level −1) when there is none. Tiles met that are not
  // composed become their level's job, or count as missed requests.
  Texture* fetch(int& level, std::int32_t x, std::int32_t z);

  // Chooses the format, creates every tile texture and the staging textures. On failure
  // everything made so far is released again and the code answered.
  HResult restore(RenderDevice& device);
  void invalidate();
  bool restored() const { return device_ != nullptr; }

  int levelCount() const { return static_cast<int>(levels_.size()); }
  int windowTiles() const { return window_; }
  Format format() const { return format_; }
  // Quarters this frame's update could compose.
  int budget() const { return frameBudget_; }
  int missedRequests() const { return missed_; }
  int job(int level) const { return levels_[static_cast<std::size_t>(level)].job; }
  const TextureTile* tileAt(int level, std::int32_t x, std::int32_t z) const;
  // The format restore chooses for a window side, a level count and the free texture memory.
  static Format chooseFormat(int windowTiles, int levels, std::uint32_t availableTextureMemory);
  // Seconds the last update spent composing (figures for the benches).
  double lastComposeSeconds() const { return lastComposeSeconds_; }

 private:
  struct Level : TileWindow {
    int index = 0;
    TextureTile* tiles = nullptr;  // R × R, storage order
    int job = kNoJob;              // storage index of the tile being composed
    int waiting = 0;               // tiles of the window not composed
    std::unique_ptr<Texture> staging;
  };

  TextureTile* windowTile(Level& level, std::int64_t x, std::int64_t z);
  void moveLevel(Level& level, std::int64_t eyeX, std::int64_t eyeZ);
  void resetTile(Level& level, TextureTile& tile);
  void composeLevel(Level& level);
  bool composeQuarter(Level& level, TextureTile& tile);
  void finishTile(Level& level, TextureTile& tile);

  TilePyramid& heights_;
  TerrainParams params_;
  int window_;
  int budgetMinimum_;
  std::vector<Level> levels_;
  std::vector<int> updateOrder_;
  std::vector<TextureTile> tiles_;
  std::unique_ptr<std::uint32_t[]> texels_;  // the job being composed, 128 × 128
  LandTextures land_;
  TextureComposer composer_;
  ComposeLight light_;
  RenderDevice* device_ = nullptr;
  Format format_ = Format::R5G6B5;
  int budget_ = 0;       // left of this frame's
  int frameBudget_ = 0;
  int missed_ = 0;
  double lastComposeSeconds_ = 0.0;
};

// A white sun from the south-west, 40° above the horizon: the light until the sky gives its own.
Light defaultSunLight();

}  // namespace skyloom
