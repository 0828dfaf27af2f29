#pragma once
// CloudField: large textured clouds that drift slowly over a square world repeating every
// cellsPerSide cells (32 cells of 9000 units: every 288000 units on x and z).
//
// Every cloud lives in one cell of a wrapping grid (cloud_grid.h): its column counts from x = 0
// eastwards, its row from z = 0 towards negative z, because clouds are placed at z in
// (−period, 0]. Each frame the window of up to 32 × 32 cells around the camera is looked up; where
// it runs over the world's edge it is cut into up to four rectangles, and a cloud found there is
// drawn through its copy one period away, so the sky has no seam. Every cloud found drifts by the
// frame's time and is drawn; the others (when the grid is larger than the window, or a cloud the
// grid could not list) catch up in batches of 100, one batch per frame, with the time their batch
// has gathered.
//
// A cloud is drawn from eight vertices: a flat square 11000 wide at its altitude, seen from above
// and below, and an upright quad 11000 × 4000 turned about the vertical to face the camera. Up
// close only the flat layer shows (the camera may fly through it), with distance the upright quad
// fades in, far off the flat layer fades out, and distant clouds sink towards the horizon.
//
// The texture is one of eight cloud pictures cut from the quarters of "pack\clouds.bmp", chosen at
// random once; restore builds all eight and invalidate drops them. Without the picture the clouds
// still drift but nothing is drawn: an untextured cloud would be an opaque square.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/random.h"
#include "effects/cloud_grid.h"
#include "platform/gfx/render_device.h"
#include "resources/image.h"

namespace skyloom {

// What the scene makes its clouds from: the general settings' cloud amount × 4 and colour.
struct CloudSettings {
  int count = 800;
  std::uint32_t colour = 0xFFFFFFFF;  // ARGB; its alpha scales every cloud's
};

struct CloudVertex {
  float x, y, z;
  std::uint32_t colour;
  float u, v;
};
static_assert(sizeof(CloudVertex) == 24, "the cloud's 24-byte stride");
constexpr std::uint32_t kCloudFvf = Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1;
static_assert(kCloudFvf == 0x142, "the cloud's vertex format");

struct Cloud {
  float x = 0, y = 0, z = 0;  // x in [0, periodX), z in (−periodZ, 0]
  int cellX = 0, cellZ = 0;   // where the position puts it (the grid may still list it elsewhere)
  float speed = 0;            // drift factor
  bool drawn = false;         // drawn since its batch last came round
};

// How one cloud is drawn at a horizontal distance.
struct CloudLook {
  bool flat = false;     // the horizontal square
  bool facing = false;   // the upright quad
  float flatAlpha = 0;   // 0 … 1
  float facingAlpha = 0;
  float heightScale = 1;  // drawing height = altitude × heightScale
};

class CloudField {
 public:
  static constexpr int kCellsPerSide = 32;
  static constexpr float kCellSize = 9000.0f;
  static constexpr int kCloudsPerAmount = 4;
  static constexpr int kMaxClouds = 2000;  // 4 × the largest cloud amount, 500
  static constexpr int kWindowCells = 32;
  static constexpr int kBatchSize = 100;
  static constexpr float kMaxFrameSeconds = 10.0f;
  static constexpr float kDriftSpeed = 50.0f;
  static constexpr float kDriftScale = 0.0002f;
  static constexpr float kLowestCloud = 4000.0f;
  static constexpr float kAltitudePerRandom = 0.1678518f;  // 4000 … 9500 over the generator's range
  static constexpr float kHalfWidth = 5500.0f;
  static constexpr float kHalfHeight = 2000.0f;
  static constexpr int kTextureSlots = 8;
  static constexpr int kSheetCells = 4;  // the picture is cut into 4 × 4 cells, the first 8 used
  static constexpr const char* kTextureName = "pack\\clouds.bmp";

  // Distances (horizontal, world units) at which the look changes.
  static constexpr float kFlatOnly = 5000.0f;
  static constexpr float kFacingOpaque = 10000.0f;
  static constexpr float kSinkFrom = 10000.0f;
  static constexpr float kFlatFadeFrom = 30000.0f;
  static constexpr float kFacingOnly = 40000.0f;

  static constexpr std::size_t kIndexCount = 18;

  // The cloud count for the general settings' cloud amount (1 to 500): 4 per unit, clamped so a
  // damaged setting can neither overflow nor ask for more than kMaxClouds.
  static int countForAmount(std::int32_t amount) {
    return kCloudsPerAmount * std::clamp(amount, 0, kMaxClouds / kCloudsPerAmount);
  }

  // Places count clouds (clamped to 0 … kMaxClouds) at random and picks the texture variant, both
  // from random. The field holds up to kMaxClouds; add() fills the room the placement left. A side outside 1 … CloudGrid::kMaxCellsPerSide or a cell size that is not a
  // positive finite number makes an empty field that draws nothing. maxBlocks limits the grid's
  // node blocks (tests).
  CloudField(int cellsX, int cellsZ, float cellSize, int count, std::uint32_t colour, CrtRandom& random,
             std::size_t maxBlocks = CloudGrid::kMaxBlocks);
  ~CloudField();
  CloudField(const CloudField&) = delete;
  CloudField& operator=(const CloudField&) = delete;

  // Adds a cloud at (x, y, z), wrapped into the field, drifting with a speed that grows with its
  // altitude; false when kMaxClouds are there or a coordinate is not finite. A cloud the grid
  // cannot list yet is kept and drifts unseen until it can.
  bool add(float x, float y, float z);

  // Builds the eight textures from "pack\clouds.bmp", or from a picture given; drops any built
  // before. A missing or too small picture leaves the clouds undrawn and answers the failure.
  HResult restore(RenderDevice& device);
  HResult restore(RenderDevice& device, const Image& sheet);
  void invalidate();

  // Drifts the clouds by dt seconds and draws those in the window around the camera's x and z.
  // The caller has set the view and projection; every state changed is put back.
  void render(RenderDevice& device, float cameraX, float cameraZ, float dt);

  // How a cloud at horizontal distance h is drawn.
  static CloudLook lookAt(float h);

  int count() const { return static_cast<int>(clouds_.size()); }
  const Cloud& cloud(int index) const { return clouds_[static_cast<std::size_t>(index)]; }
  bool listed(int index) const { return grid_.contains(index + 1); }
  const CloudGrid& grid() const { return grid_; }
  float periodX() const { return periodX_; }
  float periodZ() const { return periodZ_; }
  int variant() const { return variant_; }
  const Texture* texture(int slot) const;
  const std::array<std::uint16_t, kIndexCount>& indices() const { return indices_; }
  // Clouds drawn (found in the window) by the last render.
  int cloudsDrawn() const { return drawnCount_; }

 private:
  bool validLayout() const { return periodX_ > 0; }
  float wrapX(double x) const;
  float wrapZ(double z) const;
  int columnOf(float x) const;
  int rowOf(float z) const;
  void drift(int index, float seconds);
  void collectWindow(float cameraX, float cameraZ, double& startColumn, double& startRow);
  void advanceBatch(float dt);
  void drawCloud(RenderDevice& device, const Cloud& cloud, float px, float pz, float cameraX, float cameraZ);
  bool buildSlot(const Image& sheet, int slot, std::unique_ptr<Texture>& out) const;

  int cellsX_ = 0, cellsZ_ = 0;
  float cellSize_ = 0;
  float periodX_ = 0, periodZ_ = 0;
  std::uint32_t colour_;
  int capacity_ = 0;  // kMaxClouds, or 0 for an unusable layout
  std::vector<Cloud> clouds_;
  CloudGrid grid_;
  std::vector<std::int32_t> found_;  // the window's cloud ids, reserved to the capacity
  std::vector<float> batchTime_;
  int batchCursor_ = 0;
  int cloudCursor_ = 0;
  int variant_ = 0;
  std::array<std::unique_ptr<Texture>, kTextureSlots> textures_;
  std::array<std::uint16_t, kIndexCount> indices_{};
  std::array<CloudVertex, 8> vertices_{};  // the cloud being drawn
  int drawnCount_ = 0;
};

}  // namespace skyloom
