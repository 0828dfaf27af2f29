#include "world/terrain_draw.h"

#include <algorithm>
#include <cstring>

#include "platform/gfx/state_block.h"
#include "world/terrain_world.h"
#include "world/texture_pyramid.h"

namespace skyloom {
namespace {

// Fan vertex slots: corners, edge midpoints and the centre, in the order the fan considers them.
enum Slot : std::uint8_t { kBL, kB, kBR, kLm, kC, kRm, kTL, kT, kTR };
constexpr int kSlots = 9;
// Slot offsets in half cells.
constexpr int kSlotDx[kSlots] = {0, 1, 2, 0, 1, 2, 0, 1, 2};
constexpr int kSlotDz[kSlots] = {0, 0, 0, 1, 1, 1, 2, 2, 2};

constexpr std::uint16_t kQ0 = CellFlag::kQuadrant0, kQ1 = CellFlag::kQuadrant1;
constexpr std::uint16_t kQ2 = CellFlag::kQuadrant2, kQ3 = CellFlag::kQuadrant3;
constexpr std::uint16_t kBottom = CellFlag::kBottomEdge, kLeft = CellFlag::kLeftEdge;
constexpr std::uint16_t kTop = CellFlag::kTopEdge, kRight = CellFlag::kRightEdge;

// The farthest quadrant from the eye first, so nearer ground draws over farther ground.
constexpr int kEyeOrders[4][4] = {{0, 1, 2, 3}, {2, 3, 0, 1}, {1, 0, 3, 2}, {3, 2, 1, 0}};

const int* eyeOrder(const ClodLevel& level, std::int32_t x, std::int32_t z, std::int32_t eyeX, std::int32_t eyeZ) {
  const bool left = x + level.halfCellSamples < eyeX;
  const bool below = z + level.halfCellSamples < eyeZ;
  if (left) return below ? kEyeOrders[0] : kEyeOrders[1];
  return below ? kEyeOrders[2] : kEyeOrders[3];
}

std::int32_t childX(std::int32_t x, int q, int h) { return x + ((q & 1) ? h : 0); }
std::int32_t childZ(std::int32_t z, int q, int h) { return z + ((q & 2) ? h : 0); }

std::int64_t positionKey(std::int32_t vx, std::int32_t vz) {
  return (static_cast<std::int64_t>(vz) << 32) | static_cast<std::uint32_t>(vx);
}

constexpr std::uint32_t kStaleEntry = 0xFFFFFFFFu;
// Tags run 0..0xFFFE; 0xFFFF is what a stale (filled) entry carries.
constexpr std::uint32_t kLastTag = 0xFFFEu;

// Base samples spanned by a tile of a pyramid level (heights and textures alike).
std::int32_t tileSpan(int level) { return std::int32_t{kTileSpanSamples} << level; }

// Visiting order of one axis of the coarsest grid: from both borders inwards, the middle last.
int outsideInIndex(int n, int k) { return (k & 1) ? n - 1 - k / 2 : k / 2; }

}  // namespace

struct TerrainDraw::Batch {
  std::int32_t x = 0, z = 0;  // corner of the batch's cell, base samples
  int d = 0;                  // the batch's level: cells of 2^(7 + d) samples fill one tile
  int heightLevel = 0;        // H: level of the height tile found
  const std::uint32_t* samples = nullptr;
  std::int32_t tileX = 0, tileZ = 0;
  int textureLevel = 0;       // T
  std::int32_t textureX = 0, textureZ = 0;
  float textureScale = 1.0f;  // 1 / 2^(T + 7)
  Texture* texture = nullptr; // the composed tile found, or none
};

TerrainDraw::TerrainDraw(TerrainWorld& world) : TerrainDraw(world.settings().hazeColour) { world_ = &world; }

TerrainDraw::TerrainDraw(std::uint32_t hazeColour)
    : ramp_(hazeColour),
      vertexArray_(std::make_unique<TerrainVertex[]>(kMaxVertices)),
      vertexKeys_(std::make_unique<std::int64_t[]>(kMaxVertices)),
      cache_(std::make_unique<std::uint32_t[]>(kCacheEntries)) {}

TerrainDraw::~TerrainDraw() = default;

HResult TerrainDraw::restore(RenderDevice&) {
  if (!indices_) indices_ = std::make_unique<std::uint16_t[]>(kMaxIndices);
  return kOk;
}

// The index list lives in system memory and survives device loss.
void TerrainDraw::invalidate() {}

TerrainDrawFrame TerrainDraw::frameOf() const {
  TerrainWorld& w = *world_;
  TerrainDrawFrame f;
  f.coarsest = &w.coarsest();
  f.heights = &w.heights();
  f.eyeCellX = w.eyeCellX();
  f.eyeCellZ = w.eyeCellZ();
  f.spacing = w.spacing();
  f.heightUnit = w.params().heightUnit;
  f.detailRepeat = w.detailRepeat();
  f.fogEnd = 0.75f * w.extent();
  f.haze.eye = w.eye();
  f.haze.hazeFactor = w.haze().hazeFactor;
  f.haze.eyeHazeOffset = w.haze().eyeHazeOffset;
  f.haze.verticalWeight = w.haze().verticalWeight;
  f.detail = detail_ ? detail_->texture.get() : nullptr;
  f.textures = &w.textures();
  return f;
}

void TerrainDraw::horizonRing() {
  if (world_) horizonRing(frameOf(), world_->horizonSink());
}

void TerrainDraw::drawPass(RenderDevice& device) {
  if (world_) drawPass(device, frameOf());
}

// ---------------------------------------------------------------------------------------------
// Horizon ring

void TerrainDraw::horizonRing(const TerrainDrawFrame& frame, HorizonRingSink* sink) {
  const ClodLevel* grid = frame.coarsest;
  if (!grid || grid->size != kMinGridSize) return;
  std::int32_t cx[kHorizonPoints], cz[kHorizonPoints];
  // Up the right side, along the top leftwards, down the left side, along the bottom rightwards.
  for (int k = 0; k < 8; ++k) cx[k] = 7, cz[k] = k;
  for (int k = 0; k < 6; ++k) cx[8 + k] = 6 - k, cz[8 + k] = 7;
  for (int k = 0; k < 8; ++k) cx[14 + k] = 0, cz[14 + k] = 7 - k;
  for (int k = 0; k < 6; ++k) cx[22 + k] = 1 + k, cz[22 + k] = 0;

  const bool refetch = grid->originX != horizonOriginX_ || grid->originZ != horizonOriginZ_;
  for (int p = 0; p < kHorizonPoints; ++p) {
    const std::int32_t x = grid->cornerX(cx[p]), z = grid->cornerZ(cz[p]);
    if (refetch) {
      float metres = 0.0f;
      if (frame.heights) {
        int level = frame.heights->coarsestLevel();
        if (const std::uint32_t* s = frame.heights->fetchGenerating(level, x, z)) {
          const std::int32_t span = tileSpan(level);
          const int col = (x - (x & -span)) >> level, row = (z - (z & -span)) >> level;
          metres = static_cast<float>(s[row * kTileSamples + col] & 0xFFFFu) * frame.heightUnit;
        }
      }
      horizonHeights_[p] = metres;
    }
    horizon_[p] = Vec3{static_cast<float>(x) * frame.spacing - frame.haze.eye.x, horizonHeights_[p],
                       static_cast<float>(z) * frame.spacing - frame.haze.eye.z};
  }
  if (refetch) horizonOriginX_ = grid->originX, horizonOriginZ_ = grid->originZ;
  if (sink) sink->horizonRing(horizon_);
}

// ---------------------------------------------------------------------------------------------
// Draw pass

void TerrainDraw::drawPass(RenderDevice& device, const TerrainDrawFrame& frame) {
  // The fog range is the frame's: everything drawn after the terrain fogs by it.
  device.setRenderState(RenderState::FogStart, floatBits(0.0f));
  device.setRenderState(RenderState::FogEnd, floatBits(frame.fogEnd));
  device.setTransform(TransformState::World, Matrix::identity());

  // Stage 0 modulates the batch's texture tile with the vertex colour; a batch whose tile (and
  // every coarser one) is not composed yet takes the vertex colour alone rather than modulating
  // with an unbound texture, which drivers answer differently. Stage 1 modulates with the
  // grain texture where there is one (it repeats every g base samples and fades to an even
  // grey in its mip levels); without one it stays off. The haze colour comes from the specular
  // vertex colour and needs no stage.
  StateBlock states(device);
  states.render(RenderState::FogEnable, 1)
      .render(RenderState::ZEnable, ZBuffer::True)
      .render(RenderState::SrcBlend, Blend::SrcAlpha)
      .render(RenderState::DestBlend, Blend::InvSrcAlpha)
      .stage(0, TextureStageState::ColorOp, TextureOp::Modulate)
      .stage(0, TextureStageState::ColorArg1, TextureArg::Texture)
      .stage(0, TextureStageState::ColorArg2, TextureArg::Diffuse)
      .stage(0, TextureStageState::AlphaOp, TextureOp::SelectArg2)
      .stage(0, TextureStageState::AlphaArg1, TextureArg::Texture)
      .stage(0, TextureStageState::AlphaArg2, TextureArg::Diffuse)
      .sampler(0, SamplerState::AddressU, TextureAddress::Clamp)
      .sampler(0, SamplerState::AddressV, TextureAddress::Clamp);
  if (frame.detail) {
    states.stage(1, TextureStageState::ColorOp, TextureOp::Modulate)
        .stage(1, TextureStageState::ColorArg1, TextureArg::Texture)
        .stage(1, TextureStageState::ColorArg2, TextureArg::Current)
        .stage(1, TextureStageState::AlphaOp, TextureOp::SelectArg1)
        .stage(1, TextureStageState::AlphaArg1, TextureArg::Current)
        .sampler(1, SamplerState::AddressU, TextureAddress::Wrap)
        .sampler(1, SamplerState::AddressV, TextureAddress::Wrap);
    device.setTexture(1, frame.detail);
  } else {
    states.stage(1, TextureStageState::ColorOp, TextureOp::Disable)
        .stage(1, TextureStageState::AlphaOp, TextureOp::Disable);
  }
  switchColorOp_ = true;
  modulating_ = true;
  drawCells(device, frame);
  switchColorOp_ = false;
  if (groundTexture_) device.setTexture(0, nullptr);
  groundTexture_ = nullptr;
  if (frame.detail) device.setTexture(1, nullptr);
}

void TerrainDraw::bindGroundTexture(Texture* texture) {
  if (!groundBound_ || texture != groundTexture_) {
    device_->setTexture(0, texture);
    groundTexture_ = texture;
    groundBound_ = true;
  }
  const bool modulate = texture != nullptr;
  if (switchColorOp_ && modulate != modulating_) {
    device_->setTextureStageState(0, TextureStageState::ColorOp, modulate ? TextureOp::Modulate : TextureOp::SelectArg2);
    modulating_ = modulate;
  }
}

void TerrainDraw::drawCells(RenderDevice& device, const TerrainDrawFrame& frame) {
  batches_ = 0;
  triangles_ = 0;
  vertices_ = 0;
  if (!restored() || !frame.coarsest || !frame.heights) return;
  device_ = &device;
  frame_ = frame;
  groundBound_ = false;
  std::fill_n(cache_.get(), kCacheEntries, kStaleEntry);
  batchTag_ = 0;

  ClodLevel& grid = *frame.coarsest;
  const int n = grid.size;
  for (int r = 0; r < n; ++r) {
    const int row = outsideInIndex(n, r);
    for (int c = 0; c < n; ++c) {
      const int col = outsideInIndex(n, c);
      drawCell(grid, grid.cornerX(col), grid.cornerZ(row), false);
    }
  }
  device_ = nullptr;
}

int TerrainDraw::drawCell(ClodLevel& level, std::int32_t x, std::int32_t z, bool inheritedCull) {
  int i = 0, j = 0;
  if (!level.cellIndex(x, z, i, j)) return 1;
  ClodCell& cell = level.cell(i, j);
  std::uint16_t f = cell.flags;
  const bool culled = inheritedCull || (f & CellFlag::kCulled) != 0;
  const int t = level.shift - kBaseTileShift;
  // A cell larger than the finer height tiles present here is split into its quadrants, so no
  // batch spans tiles of a finer level.
  const bool split = t > 0 && level.finer && frame_.heights->covers(t - 1, x, z);
  if (!split && (f & CellFlag::kQuadrants) && !culled) {
    drawBatch(level, x, z, std::max(t, 0));  // the batch's walk clears the subtree's flags
    return 0;
  }
  // Every cell the walk reaches starts the next frame's selection from nothing; a culled subtree
  // is walked for that alone.
  cell.flags = f & CellFlag::kKept;
  if (split) f |= CellFlag::kQuadrants;
  if (culled && (f & CellFlag::kQuadrants) == 0) return 0;

  if (f & CellFlag::kQuadrants) {
    if (!level.finer) f &= static_cast<std::uint16_t>(~CellFlag::kQuadrants);
    const int* order = eyeOrder(level, x, z, frame_.eyeCellX, frame_.eyeCellZ);
    for (int k = 0; k < 4 && level.finer; ++k) {
      const int q = order[k];
      const auto bit = static_cast<std::uint16_t>(1u << q);
      if (!(f & bit)) continue;
      const int h = level.halfCellSamples;
      if (drawCell(*level.finer, childX(x, q, h), childZ(z, q, h), culled) == 1) {
        cell.childActivation[q] = 0;
        f &= static_cast<std::uint16_t>(~bit);
      }
    }
    if ((f & CellFlag::kQuadrants) == CellFlag::kQuadrants) return 0;
  }
  if (culled) return 0;
  drawSingle(level, x, z, f, std::max(t, 0));
  return 0;
}

void TerrainDraw::beginBatch(Batch& batch, std::int32_t x, std::int32_t z, int d) {
  batch.x = x;
  batch.z = z;
  batch.d = d;
  batch.heightLevel = d;
  batch.samples = frame_.heights ? frame_.heights->fetch(batch.heightLevel, x, z) : nullptr;
  if (!batch.samples) batch.heightLevel = d;
  // The tile holding the batch's cell holds all of it: cells are aligned to their size and no
  // larger than a tile of the batch's level.
  const std::int32_t heightSpan = tileSpan(batch.heightLevel);
  batch.tileX = x & -heightSpan;
  batch.tileZ = z & -heightSpan;
  // The texture tile of the batch's level, or the first coarser one composed; without one the
  // coordinates follow the height tile, as nothing reads them.
  int found = d;
  batch.texture = frame_.textures ? frame_.textures->fetch(found, x, z) : nullptr;
  batch.textureLevel = batch.texture ? found : batch.heightLevel;
  const std::int32_t textureSpan = tileSpan(batch.textureLevel);
  batch.textureX = x & -textureSpan;
  batch.textureZ = z & -textureSpan;
  batch.textureScale = 1.0f / static_cast<float>(textureSpan);
}

void TerrainDraw::drawBatch(ClodLevel& level, std::int32_t x, std::int32_t z, int d) {
  Batch batch;
  beginBatch(batch, x, z, d);
  bindGroundTexture(batch.texture);
  vertexCount_ = 0;
  indexCount_ = 0;
  emitCell(batch, level, x, z, false);
  flushBatch(batch);
}

void TerrainDraw::flushBatch(Batch&) {
  if (vertexCount_ > 0 && indexCount_ > 0) {
    device_->setFvf(kTerrainFvf);
    device_->drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, static_cast<std::uint32_t>(vertexCount_),
                                    static_cast<std::uint32_t>(indexCount_ / 3), indices_.get(), Format::Index16,
                                    vertexArray_.get(), sizeof(TerrainVertex));
    ++batches_;
    triangles_ += static_cast<std::uint64_t>(indexCount_ / 3);
    vertices_ += static_cast<std::uint64_t>(vertexCount_);
    nextBatchTag();
  }
  vertexCount_ = 0;
  indexCount_ = 0;
}

void TerrainDraw::nextBatchTag() {
  if (++batchTag_ > kLastTag) {
    std::fill_n(cache_.get(), kCacheEntries, kStaleEntry);
    batchTag_ = 0;
  }
}

int TerrainDraw::emitCell(Batch& batch, ClodLevel& level, std::int32_t x, std::int32_t z, bool inheritedCull) {
  int i = 0, j = 0;
  if (!level.cellIndex(x, z, i, j)) return 1;
  ClodCell& cell = level.cell(i, j);
  std::uint16_t f = cell.flags;
  cell.flags = f & CellFlag::kKept;
  const bool culled = inheritedCull || (f & CellFlag::kCulled) != 0;
  if (!level.finer) f &= static_cast<std::uint16_t>(~CellFlag::kQuadrants);
  if (f & CellFlag::kQuadrants) {
    const int* order = eyeOrder(level, x, z, frame_.eyeCellX, frame_.eyeCellZ);
    for (int k = 0; k < 4; ++k) {
      const int q = order[k];
      const auto bit = static_cast<std::uint16_t>(1u << q);
      if (!(f & bit)) continue;
      const int h = level.halfCellSamples;
      if (emitCell(batch, *level.finer, childX(x, q, h), childZ(z, q, h), culled) == 1) {
        cell.childActivation[q] = 0;
        f &= static_cast<std::uint16_t>(~bit);
      }
    }
    if ((f & CellFlag::kQuadrants) == CellFlag::kQuadrants) return 0;
  }
  if (culled) return 0;
  emitFan(batch, level, x, z, f);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Fans

int TerrainDraw::fanTriangles(std::uint16_t flags, std::uint16_t& slotsNeeded, std::uint8_t (&slots)[24]) {
  const bool q0 = flags & kQ0, q1 = flags & kQ1, q2 = flags & kQ2, q3 = flags & kQ3;
  // A refined quadrant always splits its two outer edges: its own fan has their midpoints.
  std::uint16_t edges = flags & (kBottom | kLeft | kTop | kRight);
  if (q0) edges |= kBottom | kLeft;
  if (q1) edges |= kBottom | kRight;
  if (q2) edges |= kLeft | kTop;
  if (q3) edges |= kTop | kRight;

  slotsNeeded = static_cast<std::uint16_t>(1u << kC);
  if (!q0) slotsNeeded |= 1u << kBL;
  if (!q1) slotsNeeded |= 1u << kBR;
  if (!q2) slotsNeeded |= 1u << kTL;
  if (!q3) slotsNeeded |= 1u << kTR;
  if (edges & kBottom) slotsNeeded |= 1u << kB;
  if (edges & kLeft) slotsNeeded |= 1u << kLm;
  if (edges & kTop) slotsNeeded |= 1u << kT;
  if (edges & kRight) slotsNeeded |= 1u << kRm;

  int n = 0;
  auto tri = [&](Slot a, Slot b, Slot c) {
    slots[n * 3] = a, slots[n * 3 + 1] = b, slots[n * 3 + 2] = c;
    ++n;
  };
  if (edges & kBottom) {
    if (!q0) tri(kBL, kC, kB);
    if (!q1) tri(kC, kBR, kB);
  } else {
    tri(kBL, kC, kBR);
  }
  if (edges & kLeft) {
    if (!q0) tri(kLm, kC, kBL);
    if (!q2) tri(kTL, kC, kLm);
  } else {
    tri(kTL, kC, kBL);
  }
  if (edges & kTop) {
    if (!q2) tri(kTL, kT, kC);
    if (!q3) tri(kT, kTR, kC);
  } else {
    tri(kTL, kTR, kC);
  }
  if (edges & kRight) {
    if (!q3) tri(kC, kTR, kRm);
    if (!q1) tri(kC, kRm, kBR);
  } else {
    tri(kC, kTR, kBR);
  }
  return n;
}

void TerrainDraw::emitFan(Batch& batch, const ClodLevel& level, std::int32_t x, std::int32_t z, std::uint16_t flags) {
  std::uint16_t needed = 0;
  std::uint8_t slots[24];
  const int triangles = fanTriangles(flags, needed, slots);
  // A batch deeper than one tile's worth is drawn in parts rather than overrunning the buffers.
  if (vertexCount_ + kSlots > kMaxVertices || indexCount_ + 24 > kMaxIndices) flushBatch(batch);

  const int h = level.halfCellSamples;
  std::uint16_t index[kSlots] = {};
  for (int s = 0; s < kSlots; ++s) {
    if (needed & (1u << s)) index[s] = cachedVertex(batch, x + kSlotDx[s] * h, z + kSlotDz[s] * h);
  }
  for (int k = 0; k < triangles * 3; ++k) indices_[static_cast<std::size_t>(indexCount_++)] = index[slots[k]];
}

std::uint16_t TerrainDraw::cachedVertex(Batch& batch, std::int32_t vx, std::int32_t vz) {
  // The slot is the vertex's place in a tile at the batch's resolution; vertices of deeper
  // refinement fall between those places and probe onwards, so every base-sample position keeps
  // its own vertex. The cache has more entries than a batch has vertices: probing ends.
  const std::int64_t key = positionKey(vx, vz);
  const auto dx = static_cast<std::uint32_t>(vx - batch.x), dz = static_cast<std::uint32_t>(vz - batch.z);
  std::uint32_t slot = ((dz * kTileSamples) >> batch.d) + (dx >> batch.d);
  slot %= kCacheEntries;
  for (;;) {
    const std::uint32_t entry = cache_[slot];
    if ((entry >> 16) != batchTag_) break;
    const std::uint16_t index = static_cast<std::uint16_t>(entry & 0xFFFFu);
    if (vertexKeys_[index] == key) return index;
    if (++slot == kCacheEntries) slot = 0;
  }
  const auto index = static_cast<std::uint16_t>(vertexCount_++);
  writeVertex(batch, vx, vz, vertexArray_[index]);
  vertexKeys_[index] = key;
  cache_[slot] = (batchTag_ << 16) | index;
  return index;
}

void TerrainDraw::writeVertex(const Batch& batch, std::int32_t vx, std::int32_t vz, TerrainVertex& v) const {
  float y = 0.0f;
  if (batch.samples) {
    const int last = kTileSamples - 1;
    const int col = std::clamp((vx - batch.tileX) >> batch.heightLevel, 0, last);
    const int row = std::clamp((vz - batch.tileZ) >> batch.heightLevel, 0, last);
    y = static_cast<float>(batch.samples[row * kTileSamples + col] & 0xFFFFu) * frame_.heightUnit;
  }
  v.x = static_cast<float>(vx) * frame_.spacing;
  v.y = y;
  v.z = static_cast<float>(vz) * frame_.spacing;
  const VertexHaze haze = vertexHaze(ramp_, frame_.haze, Vec3{v.x, v.y, v.z});
  v.diffuse = haze.diffuse;
  v.specular = haze.specular;
  v.u0 = static_cast<float>(vx - batch.textureX) * batch.textureScale;
  v.v0 = 1.0f - static_cast<float>(vz - batch.textureZ) * batch.textureScale;
  const int g = std::max(frame_.detailRepeat, 1);
  v.u1 = static_cast<float>(vx - (frame_.eyeCellX & -g)) / static_cast<float>(g);
  v.v1 = static_cast<float>(vz - (frame_.eyeCellZ & -g)) / static_cast<float>(g);
}

void TerrainDraw::drawSingle(ClodLevel& level, std::int32_t x, std::int32_t z, std::uint16_t flags, int d) {
  Batch batch;
  beginBatch(batch, x, z, d);
  bindGroundTexture(batch.texture);
  std::uint16_t needed = 0;
  std::uint8_t slots[24];
  const int triangles = fanTriangles(flags, needed, slots);
  // Every slot is written, needed or not, so the draw reads no stale memory.
  TerrainVertex fan[kSlots];
  const int h = level.halfCellSamples;
  for (int s = 0; s < kSlots; ++s) writeVertex(batch, x + kSlotDx[s] * h, z + kSlotDz[s] * h, fan[s]);
  std::uint16_t list[24];
  for (int k = 0; k < triangles * 3; ++k) list[k] = slots[k];
  if (triangles == 0) return;
  device_->setFvf(kTerrainFvf);
  device_->drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, kSlots, static_cast<std::uint32_t>(triangles), list,
                                  Format::Index16, fan, sizeof(TerrainVertex));
  ++batches_;
  triangles_ += static_cast<std::uint64_t>(triangles);
  vertices_ += kSlots;
}

}  // namespace skyloom
