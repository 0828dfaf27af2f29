#pragma once
// BuildingField: the buildings of flat lowland (class 6), grown from the noise picture like
// the trees. A site map of 512 × 512 cells around the eye says where a building stands: on a
// cell whose ground is class 6 and nearly level, with its size, place and look from the noise
// picture's pixel. Seven nested eye-centred grids show the sites, every one near the eye and
// fewer, taller ones farther out. The ground under a building is levelled in every height tile
// made once its site is known, so the terrain and the building meet.
//
// A building is a box: the walls facing the eye and, when the eye is above it, the roof,
// textured from "building.jpg" (two roofs above two walls) and hazed at its foot and its top.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/render_device.h"
#include "world/height_pyramid.h"
#include "world/land_image.h"
#include "world/scenery_draw.h"
#include "world/scenery_grid.h"
#include "world/terrain_params.h"
#include "world/view_frustum.h"

namespace skyloom {

struct TextureEntry;
class TextureRegistry;

// One cell of the site map.
struct BuildingSite {
  std::uint8_t state = 0;  // kBuilt: a building stands here
  std::uint8_t kind = 0;
  std::uint16_t ground = 0;     // height units
  std::uint8_t dx = 0, dz = 0;  // the footprint's centre in the cell, 1/256ths of it
  std::uint8_t rotation = 0;    // quarter turns, kind & 3
  std::uint8_t unused = 0;
};
static_assert(sizeof(BuildingSite) == 8, "site cells keep their 8-byte layout");

struct BuildingCell {
  std::uint16_t present = 0;       // bit q: the site at quadrant corner q is built
  std::uint16_t centreHeight = 0;  // height units
  float radius = 0.0f;
  BuildingSite sites[4];
};

// A building's footprint in base samples and its height in metres.
struct BuildingShape {
  int width = 0;  // along x before the rotation
  int depth = 0;  // along z before the rotation
  float height = 0.0f;
};

class BuildingField final : public HeightTileListener {
 public:
  static constexpr const char* kTextureName = "pack\\building.jpg";
  static constexpr int kLevels = 7;
  static constexpr int kSiteMapSize = 512;
  static constexpr std::uint8_t kBuilt = 2;

  // Buildings over the pyramid's ground with the noise picture; both outlive the field, which
  // listens to the pyramid from here on (and levels the tiles it already has).
  BuildingField(const TerrainParams& params, TilePyramid& heights, const LandImage& noise);
  ~BuildingField() override;

  // The finest grid's shift for a base spacing: the site map's is one less.
  static int finestShift(float spacing);
  // The footprint and height of a kind on grid level l (0 the finest), at base spacing s.
  static BuildingShape shape(int kind, int level, float spacing);

  void registerTexture(TextureRegistry& registry);
  // The site map first, then the grids, coarsest first.
  void moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ);
  void draw(RenderDevice& device, const ViewFrustum& frustum, const HazeRamp& ramp, const HazeView& haze);

  // Levels every site's footprint inside the new tile.
  void heightTileGenerated(int level, std::int32_t originX, std::int32_t originZ) override;

  const SceneryGrid& siteMap() const;
  // The site of the map's cell holding the base-sample position; null outside the map.
  const BuildingSite* siteAt(std::int32_t x, std::int32_t z) const;
  int levelCount() const { return static_cast<int>(levels_.size()); }
  const SceneryGrid& level(int l) const;
  const BuildingCell& cell(int l, int i, int j) const;
  int quadsDrawn() const { return drawn_; }

 private:
  using SiteMap = SceneryCells<BuildingSite>;
  using Level = SceneryCells<BuildingCell>;
  void buildSite(const SiteMap& map, int i, int j, BuildingSite& site);
  void buildCell(const Level& level, int i, int j, BuildingCell& cell);
  void levelTile(const HeightTile& tile);
  void emitBuilding(const BuildingSite& site, std::int32_t cellX, std::int32_t cellZ, int level, const Vec3& eye,
                    const HazeRamp& ramp, const HazeView& haze);

  TerrainParams params_;
  int j_;
  TilePyramid& heights_;
  const LandImage& noise_;
  std::unique_ptr<SiteMap> sites_;
  std::vector<std::unique_ptr<Level>> levels_;  // [0] finest
  TextureEntry* texture_ = nullptr;
  SceneryBatch batch_;
  int drawn_ = 0;
};

}  // namespace skyloom
