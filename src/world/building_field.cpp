#include "world/building_field.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/state_block.h"
#include "resources/texture_registry.h"
#include "world/ground_class.h"

namespace skyloom {
namespace {

constexpr int kBuildingClass = 6;
constexpr int kLevelledClass = 1;
constexpr std::int32_t kParked = 999999;
// Grid sizes from the coarsest to the finest.
constexpr std::array<int, BuildingField::kLevels> kSizes = {7, 11, 19, 35, 50, 50, 50};
// A site is built when its four samples rise less than this share of the cell's side.
constexpr float kLevelRise = 0.2f;
// The wall pictures are two storeys of two windows: one repeat per this many metres across
// and up. Far buildings take one repeat per wall, whatever their size.
constexpr float kRepeatAcross = 12.0f;
constexpr float kRepeatUp = 6.0f;
constexpr float kDetailDistance = 1500.0f;
constexpr float kInset = 1.0f / 256.0f;
constexpr float kSink = 0.5f;  // walls reach a little into the ground

// Four looks, each 8 colours: the roof, the walls facing −x, +x, −z and +z (the sun's side
// lighter), then unused. Plaster white, warm cream, pale grey and a brick red.
constexpr std::uint32_t kColours[4][8] = {
    {0xFFF0E8E0, 0xFFD8D4CC, 0xFFFFFFF8, 0xFFC4C0B8, 0xFFECE8E0, 0, 0, 0},
    {0xFFFFF0D8, 0xFFE0CCAC, 0xFFFFF4DC, 0xFFCCB898, 0xFFF4E4C4, 0, 0, 0},
    {0xFFE0E0E4, 0xFFC0C0C4, 0xFFEEEEF2, 0xFFACACB0, 0xFFD8D8DC, 0, 0, 0},
    {0xFFF8E0D8, 0xFFD8B0A0, 0xFFFFD4C4, 0xFFC09888, 0xFFF0C4B4, 0, 0, 0},
};

std::uint32_t builtSample(std::uint16_t ground) {
  return ground | kSampleLand | (std::uint32_t{kLevelledClass} << kSampleClassShift);
}

}  // namespace

int BuildingField::finestShift(float spacing) { return sceneryShift(static_cast<std::int64_t>(128.0f / spacing)); }

// Long low halls to short tall houses: the kind sets the footprint (as the levelling needs it)
// and the height, 6 to 14 m; far grids show a quarter of the sites of the grid inside them,
// each a little taller so a town keeps its skyline.
BuildingShape BuildingField::shape(int kind, int level, float spacing) {
  const float f = static_cast<float>(kind + 64) / 256.0f;
  BuildingShape b;
  b.width = static_cast<int>((f * 60.0f + 10.0f) / spacing);
  b.depth = static_cast<int>((f * 7.5f + 12.5f) / spacing);
  b.height = (6.0f + static_cast<float>(kind) / 255.0f * 8.0f) * (1.0f + 0.25f * static_cast<float>(level));
  return b;
}

BuildingField::BuildingField(const TerrainParams& params, TilePyramid& heights, const LandImage& noise)
    : params_(params), j_(finestShift(params.spacing)), heights_(heights), noise_(noise) {
  sites_ = std::make_unique<SiteMap>(
      0, std::max(j_ - 1, 0), kSiteMapSize, -kParked, kParked,
      [this](const SiteMap& map, int i, int j, BuildingSite& site) { buildSite(map, i, j, site); });
  const Level::Build build = [this](const Level& level, int i, int j, BuildingCell& cell) {
    buildCell(level, i, j, cell);
  };
  for (int l = 0; l < kLevels; ++l) {
    levels_.push_back(std::make_unique<Level>(l, j_ + l, kSizes[static_cast<std::size_t>(kLevels - 1 - l)], -kParked,
                                              kParked, build));
  }
  for (std::size_t l = 0; l < levels_.size(); ++l) {
    if (l > 0) levels_[l]->finer = levels_[l - 1].get();
    if (l + 1 < levels_.size()) levels_[l]->coarser = levels_[l + 1].get();
  }
  heights_.setListener(this);
}

BuildingField::~BuildingField() { heights_.setListener(nullptr); }

const SceneryGrid& BuildingField::siteMap() const { return *sites_; }
const SceneryGrid& BuildingField::level(int l) const { return *levels_[static_cast<std::size_t>(l)]; }
const BuildingCell& BuildingField::cell(int l, int i, int j) const {
  return levels_[static_cast<std::size_t>(l)]->cell(i, j);
}

const BuildingSite* BuildingField::siteAt(std::int32_t x, std::int32_t z) const {
  if (!sites_->covers(x, z)) return nullptr;
  const int i = static_cast<int>((std::int64_t{x} - sites_->originX()) >> sites_->shift());
  const int j = static_cast<int>((std::int64_t{z} - sites_->originZ()) >> sites_->shift());
  return &sites_->cell(i, j);
}

void BuildingField::registerTexture(TextureRegistry& registry) {
  texture_ = registry.registerTexture(kTextureName, 0, Format::A8R8G8B8, 0);
}

void BuildingField::moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  const bool first = !sites_->built();
  sites_->moveTo(eyeCellX, eyeCellZ);
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) (*it)->moveTo(eyeCellX, eyeCellZ);
  if (!first || !sites_->built()) return;
  // The tiles made before the first sites were known are levelled once now.
  for (int l = 0; l < heights_.levelCount(); ++l) {
    const TileLevel& level = heights_.level(l);
    for (int k = 0; k < heights_.windowTiles() * heights_.windowTiles(); ++k) {
      if (level.tiles[k].generated()) levelTile(level.tiles[k]);
    }
  }
}

// A site is read from the tile on which the site cell spans one sample, its corner sample's
// class and the rise of its four corners deciding.
void BuildingField::buildSite(const SiteMap& map, int i, int j, BuildingSite& site) {
  site = BuildingSite{};
  const std::int32_t x = map.cellX(i), z = map.cellZ(j);
  const std::int32_t c = map.cellSamples();
  const GroundSamples g = GroundSamples::fetch(heights_, map.shift(), x, z);
  if (!g.valid()) return;
  const std::uint32_t corner = g.at(x, z);
  if (sampleClass(corner) != kBuildingClass || (corner & kSampleLand) == 0) return;
  const int h[4] = {static_cast<int>(sampleHeight(corner)), static_cast<int>(sampleHeight(g.at(x + c, z))),
                    static_cast<int>(sampleHeight(g.at(x, z + c))), static_cast<int>(sampleHeight(g.at(x + c, z + c)))};
  const auto [lo, hi] = std::minmax_element(std::begin(h), std::end(h));
  const float rise = static_cast<float>(*hi - *lo) * params_.heightUnit;
  if (!(rise < kLevelRise * static_cast<float>(c) * params_.spacing)) return;

  const std::array<std::uint8_t, 3> n =
      sceneryNoise(noise_, std::int64_t{x} >> map.shift(), std::int64_t{z} >> map.shift());
  site.state = kBuilt;
  site.kind = n[2];
  site.dx = static_cast<std::uint8_t>(n[0] * n[0]);
  site.dz = static_cast<std::uint8_t>(n[0] * n[1]);
  site.rotation = static_cast<std::uint8_t>(site.kind & 3);
  const float ox = static_cast<float>(site.dx) / 256.0f * static_cast<float>(c);
  const float oz = static_cast<float>(site.dz) / 256.0f * static_cast<float>(c);
  const auto wx = static_cast<std::int64_t>(ox), wz = static_cast<std::int64_t>(oz);
  const float ground = g.heightAt(x + wx, z + wz, ox - static_cast<float>(wx), oz - static_cast<float>(wz));
  site.ground = static_cast<std::uint16_t>(std::clamp(std::lround(ground), 0l, 0xFFFFl));
}

void BuildingField::buildCell(const Level& level, int i, int j, BuildingCell& cell) {
  cell = BuildingCell{};
  const std::int32_t x = level.cellX(i), z = level.cellZ(j);
  const std::int32_t half = level.cellSamples() / 2;
  int lo = 0xFFFF, hi = 0;
  for (int q = 0; q < 4; ++q) {
    const BuildingSite* s = siteAt(x + (q & 1) * half, z + (q >> 1) * half);
    if (s == nullptr || s->state != kBuilt) continue;
    cell.sites[q] = *s;
    cell.present |= static_cast<std::uint16_t>(1u << q);
    lo = std::min<int>(lo, s->ground);
    hi = std::max<int>(hi, s->ground);
  }
  if (cell.present == 0) return;
  cell.centreHeight = static_cast<std::uint16_t>((lo + hi) / 2);
  const BuildingShape largest = shape(255, level.index(), params_.spacing);
  const float rise = static_cast<float>(hi - lo) * params_.heightUnit * 0.5f + largest.height;
  const float across = static_cast<float>(level.cellSamples() + largest.width) * params_.spacing * 0.75f;
  cell.radius = std::sqrt(across * across + rise * rise);
}

// Every sample of the tile inside a built site's footprint takes the site's height as level
// ground. Only tiles finer than the ones the sites are read from are levelled: those stay as
// generated, so a site reads the same ground however often it is rebuilt, and on coarser
// tiles a footprint is less than a sample anyway.
void BuildingField::heightTileGenerated(int level, std::int32_t originX, std::int32_t originZ) {
  const HeightTile* tile = heights_.tileAt(level, originX, originZ);
  if (tile != nullptr && tile->originX == originX && tile->originZ == originZ && tile->generated()) levelTile(*tile);
}

void BuildingField::levelTile(const HeightTile& tile) {
  const int a = tile.level;
  if (a >= sites_->shift() || !sites_->built()) return;
  const std::int64_t step = std::int64_t{1} << a;
  const std::int64_t span = step * (kTileSamples - 1);
  const std::int32_t c = sites_->cellSamples();
  const BuildingShape largest = shape(255, 0, params_.spacing);
  const std::int64_t reach = std::max(largest.width, largest.depth) / 2 + c;
  const std::int64_t mx = sites_->originX(), mz = sites_->originZ();
  const std::int64_t mapSpan = std::int64_t{kSiteMapSize} * c;
  const std::int64_t x0 = std::max(tile.originX - reach, mx), x1 = std::min(tile.originX + span + reach, mx + mapSpan);
  const std::int64_t z0 = std::max(tile.originZ - reach, mz), z1 = std::min(tile.originZ + span + reach, mz + mapSpan);
  for (std::int64_t sz = z0 - ((z0 - mz) % c); sz < z1; sz += c) {
    for (std::int64_t sx = x0 - ((x0 - mx) % c); sx < x1; sx += c) {
      const BuildingSite* site = siteAt(static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sz));
      if (site == nullptr || site->state != kBuilt) continue;
      const BuildingShape b = shape(site->kind, 0, params_.spacing);
      const bool turned = (site->rotation & 1) != 0;
      const int w = turned ? b.depth : b.width, d = turned ? b.width : b.depth;
      const double cx = static_cast<double>(sx) + site->dx / 256.0 * c;
      const double cz = static_cast<double>(sz) + site->dz / 256.0 * c;
      // The tile's samples at positions inside [centre − size / 2, centre + size / 2].
      const auto first = [&](double lo, std::int64_t origin) {
        return static_cast<int>(std::clamp<double>(
            std::ceil((lo - static_cast<double>(origin)) / static_cast<double>(step)), 0, kTileSamples));
      };
      const auto last = [&](double hi, std::int64_t origin) {
        return static_cast<int>(std::clamp<double>(
            std::floor((hi - static_cast<double>(origin)) / static_cast<double>(step)), -1, kTileSamples - 1));
      };
      const int c0 = first(cx - w / 2.0, tile.originX), c1 = last(cx + w / 2.0, tile.originX);
      const int r0 = first(cz - d / 2.0, tile.originZ), r1 = last(cz + d / 2.0, tile.originZ);
      for (int r = r0; r <= r1; ++r) {
        for (int col = c0; col <= c1; ++col) tile.samples[r * kTileSamples + col] = builtSample(site->ground);
      }
    }
  }
}

void BuildingField::draw(RenderDevice& device, const ViewFrustum& frustum, const HazeRamp& ramp, const HazeView& haze) {
  drawn_ = 0;
  StateBlock states(device);
  batch_.begin(device, states, texture_ ? texture_->texture.get() : nullptr, false);
  const float s = params_.spacing;
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) {
    const Level& level = **it;
    const SceneryGrid* inner = level.finer;
    const std::int32_t half = level.cellSamples() / 2;
    level.visitOccupiedOutsideIn([&](int i, int j, const BuildingCell& cell) {
      const std::int32_t x = level.cellX(i), z = level.cellZ(j);
      const Vec3 centre{static_cast<float>(x + half) * s, static_cast<float>(cell.centreHeight) * params_.heightUnit,
                        static_cast<float>(z + half) * s};
      if (frustum.testSphere(centre, cell.radius) == kFrustumOutside) return;
      for (int q = 0; q < 4; ++q) {
        if ((cell.present & (1u << q)) == 0) continue;
        const std::int32_t cx = x + (q & 1) * half, cz = z + (q >> 1) * half;
        if (inner != nullptr && inner->covers(cx, cz)) continue;
        // The site cell holding the quadrant's corner.
        const std::int32_t sx = cx & -sites_->cellSamples(), sz = cz & -sites_->cellSamples();
        emitBuilding(cell.sites[q], sx, sz, level.index(), frustum.eye(), ramp, haze);
      }
    });
  }
  batch_.flush();
  drawn_ = batch_.quadsDrawn();
  device.setTexture(0, nullptr);
}

void BuildingField::emitBuilding(const BuildingSite& site, std::int32_t cellX, std::int32_t cellZ, int level,
                                 const Vec3& eye, const HazeRamp& ramp, const HazeView& haze) {
  const float s = params_.spacing;
  const float c = static_cast<float>(sites_->cellSamples());
  const BuildingShape b = shape(site.kind, level, s);
  const bool turned = (site.rotation & 1) != 0;
  const float w = static_cast<float>(turned ? b.depth : b.width) * s;
  const float d = static_cast<float>(turned ? b.width : b.depth) * s;
  const float cx = (static_cast<float>(cellX) + static_cast<float>(site.dx) / 256.0f * c) * s;
  const float cz = (static_cast<float>(cellZ) + static_cast<float>(site.dz) / 256.0f * c) * s;
  const float x0 = cx - w / 2, x1 = cx + w / 2, z0 = cz - d / 2, z1 = cz + d / 2;
  const float ground = static_cast<float>(site.ground) * params_.heightUnit;
  const float y0 = ground - kSink, y1 = ground + b.height;
  const SceneryHaze foot = sceneryHaze(ramp, haze, {cx, ground, cz}, 1.0f);
  const SceneryHaze top = sceneryHaze(ramp, haze, {cx, y1, cz}, 1.0f);
  const std::uint32_t* colours = kColours[(site.kind >> 2) & 3];
  const float wallU = ((site.kind >> 4) & 1) * 0.5f, roofU = ((site.kind >> 5) & 1) * 0.5f;
  const bool near = std::hypot(cx - eye.x, cz - eye.z) < kDetailDistance;

  // A wall from (ax, az) to (bx, bz), in pieces of one picture repeat across and up.
  const auto wall = [&](float ax, float az, float bx, float bz, std::uint32_t colour) {
    const float length = std::hypot(bx - ax, bz - az);
    const int across = near ? std::max(1, static_cast<int>(std::lround(length / kRepeatAcross))) : 1;
    const int up = near ? std::max(1, static_cast<int>(std::lround(b.height / kRepeatUp))) : 1;
    for (int f = 0; f < up; ++f) {
      const float t0 = static_cast<float>(f) / static_cast<float>(up),
                  t1 = static_cast<float>(f + 1) / static_cast<float>(up);
      const float ya = f == 0 ? y0 : ground + b.height * t0, yb = ground + b.height * t1;
      const std::uint32_t la =
          foot.amount +
          static_cast<std::uint32_t>((static_cast<float>(top.amount) - static_cast<float>(foot.amount)) * t0);
      const std::uint32_t lb =
          foot.amount +
          static_cast<std::uint32_t>((static_cast<float>(top.amount) - static_cast<float>(foot.amount)) * t1);
      const std::uint32_t ca = darkened(colour, la), cb = darkened(colour, lb);
      const std::uint32_t sa = t0 < 0.5f ? foot.specular : top.specular, sb = top.specular;
      for (int k = 0; k < across; ++k) {
        const float p0 = static_cast<float>(k) / static_cast<float>(across),
                    p1 = static_cast<float>(k + 1) / static_cast<float>(across);
        const float px0 = ax + (bx - ax) * p0, pz0 = az + (bz - az) * p0, px1 = ax + (bx - ax) * p1,
                    pz1 = az + (bz - az) * p1;
        const float u0 = wallU + kInset, u1 = wallU + 0.5f - kInset;
        SceneryVertex* v = batch_.quad();
        v[0] = {px0, ya, pz0, ca, sa, u0, 1.0f - kInset};
        v[1] = {px1, ya, pz1, ca, sa, u1, 1.0f - kInset};
        v[2] = {px0, yb, pz0, cb, sb, u0, 0.5f + kInset};
        v[3] = {px1, yb, pz1, cb, sb, u1, 0.5f + kInset};
      }
    }
  };
  if (eye.x < x0) wall(x0, z1, x0, z0, colours[1]);
  if (eye.x > x1) wall(x1, z0, x1, z1, colours[2]);
  if (eye.z < z0) wall(x0, z0, x1, z0, colours[3]);
  if (eye.z > z1) wall(x1, z1, x0, z1, colours[4]);
  if (eye.y > y1) {
    // The roof's tile rows run along the building's long side.
    const std::uint32_t colour = darkened(colours[0], top.amount);
    const float u0 = roofU + kInset, u1 = roofU + 0.5f - kInset, v0 = kInset, v1 = 0.5f - kInset;
    SceneryVertex* v = batch_.quad();
    if (w >= d) {
      v[0] = {x0, y1, z0, colour, top.specular, u0, v1};
      v[1] = {x1, y1, z0, colour, top.specular, u1, v1};
      v[2] = {x0, y1, z1, colour, top.specular, u0, v0};
      v[3] = {x1, y1, z1, colour, top.specular, u1, v0};
    } else {
      v[0] = {x0, y1, z0, colour, top.specular, u0, v0};
      v[1] = {x1, y1, z0, colour, top.specular, u0, v1};
      v[2] = {x0, y1, z1, colour, top.specular, u1, v0};
      v[3] = {x1, y1, z1, colour, top.specular, u1, v1};
    }
  }
}

}  // namespace skyloom
