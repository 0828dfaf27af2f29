#pragma once
// TreeField: the trees of the ground of class 4, grown from the noise picture wherever the
// eye goes, so the same place always shows the same trees. Up to seven nested eye-centred
// grids, the finest near the eye; every cell may hold a tree at each of its four quadrant
// corners, whose offsets inside the quadrant and whose kind come from the noise picture's
// pixel at that corner. Far grids hold fewer, larger trees. Trees are blended quads: most turn
// toward the eye, some stand in a fixed direction, each hazed like the ground under it.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/render_device.h"
#include "world/land_image.h"
#include "world/scenery_draw.h"
#include "world/scenery_grid.h"
#include "world/terrain_params.h"
#include "world/view_frustum.h"

namespace skyloom {

class TilePyramid;
struct TextureEntry;
class TextureRegistry;

struct TreeCell {
  std::uint16_t present = 0;       // bit q: a tree at quadrant corner q
  std::uint16_t centreHeight = 0;  // height units
  float radius = 0.0f;             // metres, around the centre at centreHeight
  struct Tree {
    std::uint16_t ground;  // height units
    std::uint8_t dx, dz;   // inside the quadrant, 1/256ths of it
    std::uint8_t kind;
    std::uint8_t unused;
  } trees[4] = {};
};
static_assert(sizeof(TreeCell) == 32, "tree cells keep their 32-byte layout");

// What a kind byte makes of a tree.
struct TreeKind {
  float factor;          // above 2: turned toward the eye
  float angle;           // radians: the fixed direction of the others
  std::uint32_t colour;  // multiplies the picture
  int picture;           // which of the four trees of "tree.tga"
};
const std::array<TreeKind, 256>& treeKinds();

class TreeField {
 public:
  static constexpr const char* kTextureName = "pack\\tree.tga";
  static constexpr int kMaxLevels = 7;
  static constexpr int kPictures = 4;

  // Trees for the density product D (twice the tree setting), over the pyramid's ground with
  // the noise picture; both must outlive the field. Stands parked until the first move.
  TreeField(const TerrainParams& params, int density, TilePyramid& heights, const LandImage& noise);
  ~TreeField();

  // The finest grid's shift for a base spacing and D.
  static int finestShift(float spacing, int density);

  void registerTexture(TextureRegistry& registry);
  // Scrolls the grids, coarsest first.
  void moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ);
  // Blended, after the clouds, with Z writing off (the scene's job); the haze of the frame.
  void draw(RenderDevice& device, const ViewFrustum& frustum, const HazeRamp& ramp, const HazeView& haze);

  int levelCount() const { return static_cast<int>(levels_.size()); }
  const SceneryGrid& level(int l) const;
  // Grid cell (i, j) of level l.
  const TreeCell& cell(int l, int i, int j) const;
  // Trees the last draw emitted.
  int treesDrawn() const { return drawn_; }

  // The half height of a tree of this kind on level l, metres.
  static float halfHeight(int kind, int level);

 private:
  using Level = SceneryCells<TreeCell>;
  void buildCell(const Level& level, int i, int j, TreeCell& cell);

  TerrainParams params_;
  int k_;
  TilePyramid& heights_;
  const LandImage& noise_;
  std::vector<std::unique_ptr<Level>> levels_;  // [0] finest
  TextureEntry* texture_ = nullptr;
  SceneryBatch batch_;
  int drawn_ = 0;
};

}  // namespace skyloom
