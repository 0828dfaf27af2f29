#include "world/tree_field.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/state_block.h"
#include "resources/texture_registry.h"
#include "world/ground_class.h"
#include "world/height_pyramid.h"

namespace skyloom {
namespace {

constexpr int kTreeClass = 4;
constexpr std::int32_t kParked = 999999;
// Far grids hold a quarter of the trees of the grid inside them; theirs stand this much taller
// and wider, so a forest keeps its body as it thins out with distance.
constexpr float kLevelGrowth = 1.4f;
// The picture is four trees side by side, each twice as tall as wide.
constexpr float kPictureWidth = 1.0f / TreeField::kPictures;
constexpr float kTexelInset = 0.5f / 256.0f;
// A tree stands a little into the ground, so it never floats on a slope.
constexpr float kSink = 0.5f;
constexpr float kHazeLimit = 0.9f;

int oddSize(int n) { return n | 1; }

// Spruce and pine are dark and cool, the broadleaf and poplar lighter and warmer; the kind's
// other bits vary the shade a little, so a forest is not one colour. A quarter of the trees
// stand in a fixed direction (they read as trees from most sides, and keep the forest from
// turning as one when the eye moves).
std::array<TreeKind, 256> makeKinds() {
  std::array<TreeKind, 256> kinds{};
  for (int k = 0; k < 256; ++k) {
    TreeKind& t = kinds[static_cast<std::size_t>(k)];
    t.picture = k & 3;
    const bool conifer = t.picture == 0 || t.picture == 3;
    const int shade = (k >> 2) & 7;  // 0..7
    const int base = 200 + shade * 7;
    const int r = conifer ? base - 30 : base - 5;
    const int g = conifer ? base - 10 : base + 6;
    const int b = conifer ? base - 22 : base - 40;
    auto c = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
    t.colour = 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
    t.factor = ((k >> 5) & 3) == 0 ? 1.0f : 3.0f;
    t.angle = static_cast<float>(k) * 0.7853982f;  // eight directions
  }
  return kinds;
}

}  // namespace

const std::array<TreeKind, 256>& treeKinds() {
  static const std::array<TreeKind, 256> kinds = makeKinds();
  return kinds;
}

int TreeField::finestShift(float spacing, int density) {
  const int v = density > 198 ? 8 : (200 / std::max(density, 1)) * 8;
  return sceneryShift(static_cast<std::int64_t>(static_cast<float>(v) / spacing));
}

float TreeField::halfHeight(int kind, int level) {
  return static_cast<float>(kind + 256) * 10.0f / 1024.0f * std::pow(kLevelGrowth, static_cast<float>(level));
}

TreeField::TreeField(const TerrainParams& params, int density, TilePyramid& heights, const LandImage& noise)
    : params_(params), k_(finestShift(params.spacing, density)), heights_(heights), noise_(noise) {
  // Each next grid is one shift coarser with (size + 4) / 2 cells while that exceeds 6; the
  // first and the last are odd, so that both centre on the eye's cell.
  std::vector<int> sizes = {oddSize(std::max(density, 1))};
  while (static_cast<int>(sizes.size()) < kMaxLevels && (sizes.back() + 4) / 2 > 6)
    sizes.push_back((sizes.back() + 4) / 2);
  sizes.back() = oddSize(sizes.back());
  const Level::Build build = [this](const Level& level, int i, int j, TreeCell& cell) { buildCell(level, i, j, cell); };
  for (std::size_t l = 0; l < sizes.size(); ++l) {
    levels_.push_back(
        std::make_unique<Level>(static_cast<int>(l), k_ + static_cast<int>(l), sizes[l], -kParked, kParked, build));
  }
  for (std::size_t l = 0; l < levels_.size(); ++l) {
    if (l > 0) levels_[l]->finer = levels_[l - 1].get();
    if (l + 1 < levels_.size()) levels_[l]->coarser = levels_[l + 1].get();
  }
}

TreeField::~TreeField() = default;

const SceneryGrid& TreeField::level(int l) const { return *levels_[static_cast<std::size_t>(l)]; }
const TreeCell& TreeField::cell(int l, int i, int j) const { return levels_[static_cast<std::size_t>(l)]->cell(i, j); }

void TreeField::registerTexture(TextureRegistry& registry) {
  texture_ = registry.registerTexture(kTextureName, 0, Format::A8R8G8B8, 0);
}

void TreeField::moveTo(std::int32_t eyeCellX, std::int32_t eyeCellZ) {
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) (*it)->moveTo(eyeCellX, eyeCellZ);
}

// The ground of the cell comes from the tile level on which a quadrant spans up to two samples
// (the cell itself on the finest grids); the quadrant corner's sample decides whether a tree
// stands there. Steep ground is rock (class 3) in the tile itself, so it carries no trees
// whatever has been composed.
void TreeField::buildCell(const Level& level, int i, int j, TreeCell& cell) {
  cell = TreeCell{};
  const int shift = level.shift();
  const std::int32_t x = level.cellX(i), z = level.cellZ(j);
  const std::int32_t half = level.cellSamples() / 2;
  const GroundSamples g = GroundSamples::fetch(heights_, shift - std::min(k_ - 1, 2), x + half, z + half);
  if (!g.valid()) return;

  // The bounding sphere from the nine samples around the centre, a step of a quadrant apart.
  int lo = 0xFFFF, hi = 0;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const int h = static_cast<int>(sampleHeight(g.at(x + c * half, z + r * half)));
      lo = std::min(lo, h);
      hi = std::max(hi, h);
    }
  }
  cell.centreHeight = static_cast<std::uint16_t>((lo + hi) / 2);
  const float rise = static_cast<float>(hi - lo) * params_.heightUnit;
  const float tallest = 2.0f * halfHeight(255, level.index()) * 2.0f;
  cell.radius = (rise + tallest + 10.0f) * 0.5f + static_cast<float>(half) * params_.spacing * 1.4f;

  for (int q = 0; q < 4; ++q) {
    const std::int32_t cx = x + (q & 1) * half, cz = z + (q >> 1) * half;
    if (sampleClass(g.at(cx, cz)) != kTreeClass) continue;
    const std::array<std::uint8_t, 3> n = sceneryNoise(noise_, cx, cz);
    TreeCell::Tree& t = cell.trees[q];
    t.dx = n[0];
    t.dz = n[1];
    t.kind = n[2];
    // The offsets as fractions of the quadrant, in base samples and what is left of one.
    const float ox = static_cast<float>(n[0]) / 256.0f * static_cast<float>(half);
    const float oz = static_cast<float>(n[1]) / 256.0f * static_cast<float>(half);
    const auto wx = static_cast<std::int64_t>(ox), wz = static_cast<std::int64_t>(oz);
    const float h = g.heightAt(cx + wx, cz + wz, ox - static_cast<float>(wx), oz - static_cast<float>(wz));
    t.ground = static_cast<std::uint16_t>(std::clamp(std::lround(h), 0l, 0xFFFFl));
    cell.present |= static_cast<std::uint16_t>(1u << q);
  }
}

void TreeField::draw(RenderDevice& device, const ViewFrustum& frustum, const HazeRamp& ramp, const HazeView& haze) {
  drawn_ = 0;
  StateBlock states(device);
  batch_.begin(device, states, texture_ ? texture_->texture.get() : nullptr, true);

  const float s = params_.spacing;
  const Vec3& eye = frustum.eye();
  const auto& kinds = treeKinds();
  // Outside in: the far grids first, each without what the grid inside it holds.
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) {
    const Level& level = **it;
    const float levelHalfHeight = halfHeight(0, level.index()) / 256.0f;  // per unit of kind + 256
    const SceneryGrid* inner = level.finer;
    const float halfCell = static_cast<float>(level.cellSamples() / 2);
    level.visitOccupiedOutsideIn([&](int i, int j, const TreeCell& cell) {
      const std::int32_t x = level.cellX(i), z = level.cellZ(j);
      const Vec3 centre{(static_cast<float>(x) + halfCell) * s,
                        static_cast<float>(cell.centreHeight) * params_.heightUnit,
                        (static_cast<float>(z) + halfCell) * s};
      if (frustum.testSphere(centre, cell.radius) == kFrustumOutside) return;
      for (int q = 0; q < 4; ++q) {
        if ((cell.present & (1u << q)) == 0) continue;
        const std::int32_t cx = x + (q & 1) * static_cast<std::int32_t>(halfCell);
        const std::int32_t cz = z + (q >> 1) * static_cast<std::int32_t>(halfCell);
        if (inner != nullptr && inner->covers(cx, cz)) continue;
        const TreeCell::Tree& t = cell.trees[q];
        const TreeKind& kind = kinds[t.kind];
        const float hh = static_cast<float>(t.kind + 256) * levelHalfHeight;
        const Vec3 base{(static_cast<float>(cx) + static_cast<float>(t.dx) / 256.0f * halfCell) * s,
                        static_cast<float>(t.ground) * params_.heightUnit - kSink,
                        (static_cast<float>(cz) + static_cast<float>(t.dz) / 256.0f * halfCell) * s};
        float ax, az;
        if (kind.factor > 2.0f) {
          const float dx = base.x - eye.x, dz = base.z - eye.z;
          const float scale = hh / std::sqrt(dz * dz + dx * dx + 0.0001f);
          ax = -dz * scale;
          az = dx * scale;
        } else {
          ax = std::cos(kind.angle) * hh;
          az = std::sin(kind.angle) * hh;
        }
        const SceneryHaze h = sceneryHaze(ramp, haze, base, kHazeLimit);
        const std::uint32_t colour = darkened(kind.colour, h.amount);
        const float u0 = static_cast<float>(kind.picture) * kPictureWidth + kTexelInset;
        const float u1 = u0 + kPictureWidth - 2.0f * kTexelInset;
        const float top = base.y + 4.0f * hh;
        SceneryVertex* v = batch_.quad();
        v[0] = {base.x - ax, base.y, base.z - az, colour, h.specular, u0, 1.0f};
        v[1] = {base.x + ax, base.y, base.z + az, colour, h.specular, u1, 1.0f};
        v[2] = {base.x - ax, top, base.z - az, colour, h.specular, u0, 0.0f};
        v[3] = {base.x + ax, top, base.z + az, colour, h.specular, u1, 0.0f};
      }
    });
  }
  batch_.flush();
  drawn_ = batch_.quadsDrawn();
  device.setTexture(0, nullptr);
}

}  // namespace skyloom
