#pragma once
// TerrainWorld: the continuous level-of-detail terrain. It owns the height source, the height
// tile pyramid, the stack of ClodLevels from cells of 2 base samples (level 0, the finest) up to
// the coarsest grid of 7 × 7 cells, and the drawing state (TerrainDraw). Each frame it follows
// the eye: pages height tiles, scrolls the levels, selects the cells to draw (refining where a
// cell's activation exceeds its distance value, splitting shared edges so no cracks appear,
// culling against the frustum) and draws them as fans in batches of one texture tile.
//
// Everything but the draw calls is portable and runs without a device: tests drive
// frameUpdate and selectPass directly.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/math.h"
#include "core/result.h"
#include "platform/gfx/render_device.h"
#include "resources/texture_registry.h"
#include "world/clod_level.h"
#include "world/height_pyramid.h"
#include "world/haze_ramp.h"
#include "world/height_source.h"
#include "world/land_image.h"
#include "world/terrain_params.h"
#include "world/texture_pyramid.h"
#include "world/view_frustum.h"

namespace skyloom {

class TerrainDraw;
class TerrainSky;
class TreeField;
class BuildingField;

// The grain that modulates the near ground on texture stage 1.
constexpr const char* kDetailTextureName = "pack\\detail.jpg";

// What the terrain reads of the general settings.
struct TerrainSettings {
  std::string terrainName = "bmp";    // the terrain-file setting
  float detail = 1.0f;                // terrain quality, 1 to 3; -1 in preview
  int seaLevelMetres = 0;
  std::uint32_t hazeColour = 0xFF3070CF;  // tints the haze ramp
  int sceneryDensity = 0;                 // the tree setting; trees grow only above 3
};

// Receives the horizon ring each frame before the sky draws (the sky fills this seam).
class HorizonRingSink {
 public:
  virtual ~HorizonRingSink() = default;
  // 28 points relative to the eye (x, z) with the terrain height in metres (y).
  virtual void horizonRing(const Vec3 (&points)[28]) = 0;
};

// The terrain's haze, published for the scenery drawn after it.
struct TerrainHaze {
  float hazeFactor = 0.0f;
  float ceiling = 9021.0f;
  float eyeHazeOffset = 0.0f;
  float verticalWeight = 0.1f;
  const std::uint32_t* ramp = nullptr;  // the HazeRamp's 2248 entries
  float fogStart = 0.0f;                // metres from the eye
  float fogEnd = 0.0f;                  // 0.75 × extent
};

class TerrainWorld {
 public:
  static constexpr int kHorizonPoints = 28;

  // Loads the terrain the settings name and builds everything around the start position
  // (world metres).
  TerrainWorld(float startX, float startZ, const TerrainSettings& settings);
  // With a source already loaded (tests, tools).
  TerrainWorld(float startX, float startZ, std::unique_ptr<HeightSource> source, const TerrainSettings& settings);
  ~TerrainWorld();
  TerrainWorld(const TerrainWorld&) = delete;
  TerrainWorld& operator=(const TerrainWorld&) = delete;

  // Registers the terrain's pictures with the scene's texture registry, which builds them at
  // every restore: for now the grain of the near ground ("pack\detail.jpg").
  void useTextures(TextureRegistry& registry);

  // Device objects (the index lists at the first call, the texture tiles; the scenery comes
  // later). invalidate drops them; the levels and pyramids survive device loss.
  HResult restore(RenderDevice& device);
  void invalidate();
  // The whole per-frame work: frame update, horizon ring, select pass, render states, draw
  // pass. The scene has updated the frustum from the camera before.
  void render(RenderDevice& device, const ViewFrustum& frustum);

  // The buildings, opaque, after the ground; nothing without them.
  void drawBuildings(RenderDevice& device, const ViewFrustum& frustum);
  BuildingField* buildings() { return buildings_.get(); }
  // The trees, blended over what is drawn; the scene turns depth writes off around them. Does
  // nothing without trees.
  void drawTrees(RenderDevice& device, const ViewFrustum& frustum);
  // Null when the density setting grows none.
  TreeField* trees() { return trees_.get(); }
  // The haze of the frame for the scenery drawn after the ground.
  HazeView hazeView() const;

  // The steps of render, for tests and the bench.
  void frameUpdate(const Vec3& eye);
  void selectPass(const ViewFrustum& frustum);

  // Scrolls every level to the eye cell, coarsest first (frameUpdate does this when the eye
  // cell changes).
  void scrollLevels(std::int32_t eyeCellX, std::int32_t eyeCellZ);
  // Rebuilds grid cells [i0, i1) × [j0, j1) of a level and propagates the activations upward.
  void buildCells(ClodLevel& level, int i0, int i1, int j0, int j1);

  const TerrainSettings& settings() const { return settings_; }
  const TerrainParams& params() const { return params_; }
  float spacing() const { return params_.spacing; }
  float extent() const { return params_.extent; }
  float sceneryDistance() const { return params_.sceneryDistance; }
  int levelCount() const { return static_cast<int>(levels_.size()); }
  // Level k: 0 is the finest (cells of 2 base samples), levelCount() − 1 the coarsest.
  ClodLevel& level(int k) { return *levels_[static_cast<std::size_t>(k)]; }
  const ClodLevel& level(int k) const { return *levels_[static_cast<std::size_t>(k)]; }
  ClodLevel& coarsest() { return *levels_.back(); }
  TilePyramid& heights() { return *heights_; }
  TexturePyramid& textures() { return *textures_; }
  HeightSource& source() { return *source_; }

  std::int32_t eyeCellX() const { return eyeCellX_; }
  std::int32_t eyeCellZ() const { return eyeCellZ_; }
  int eyeHeightCells() const { return eyeHeightCells_; }
  const Vec3& eye() const { return eye_; }
  const TerrainHaze& haze() const { return haze_; }
  float distanceScale() const { return distanceScale_; }        // k
  std::uint16_t minimumActivationBase() const { return minimumActivation_; }  // m0
  int detailRepeat() const { return detailRepeat_; }            // g

  void setHorizonSink(HorizonRingSink* sink) { horizonSink_ = sink; }
  // The sky drawn in render before the ground; it also takes the horizon ring. Its owner
  // clears it before the sky goes.
  void setSky(TerrainSky* sky);
  TerrainSky* sky() const { return sky_; }
  HorizonRingSink* horizonSink() const { return horizonSink_; }
  TerrainDraw& draw() { return *draw_; }

  // The world the aircraft and the cameras read (scenery distance, ground height through the
  // pyramid): set by its owner after construction and cleared before destruction.
  static TerrainWorld* current();
  static void setCurrent(TerrainWorld* world);

 private:
  void construct(float startX, float startZ);
  void createLevels(std::int32_t cellX, std::int32_t cellZ);
  void buildCell(const ClodLevel& level, int i, int j, ClodCell& cell);
  void propagateUp(const ClodLevel& level, int i0, int i1, int j0, int j1);
  void scrollLevel(ClodLevel& level, std::int32_t eyeCellX, std::int32_t eyeCellZ);
  void select(ClodLevel& level, std::int32_t x, std::int32_t z, std::uint16_t frustumClass);
  void force(ClodLevel& level, std::int32_t x, std::int32_t z);
  void propagateEdges(ClodLevel& level, int i, int j, std::uint16_t edges);

  TerrainSettings settings_;
  TerrainParams params_;
  std::unique_ptr<HeightSource> source_;
  LandImage noise_;
  std::unique_ptr<TilePyramid> heights_;
  std::unique_ptr<TexturePyramid> textures_;  // reads heights_: goes before it
  std::vector<std::unique_ptr<ClodLevel>> levels_;  // [0] finest
  std::unique_ptr<TerrainDraw> draw_;
  std::unique_ptr<TreeField> trees_;  // reads heights_ and noise_
  std::unique_ptr<BuildingField> buildings_;  // listens to heights_, reads noise_
  const ViewFrustum* frustum_ = nullptr;  // during the select pass

  Vec3 eye_;
  std::int32_t eyeCellX_ = 0, eyeCellZ_ = 0;
  int eyeHeightCells_ = 0;
  TerrainHaze haze_;
  float distanceScale_ = 0.0f;
  std::uint16_t minimumActivation_ = 1;  // m0
  int detailRepeat_ = 1;
  HorizonRingSink* horizonSink_ = nullptr;
  TerrainSky* sky_ = nullptr;
};

}  // namespace skyloom
