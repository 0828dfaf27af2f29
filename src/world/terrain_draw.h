#pragma once
// TerrainDraw: turns the cells the select pass marked into triangles. It walks the levels from
// the coarsest grid's cells down the refined quadrants, draws each subtree that fits one
// texture tile as one batch of fans sharing their vertices, colours every vertex with the
// height-dependent haze, and hands the horizon ring to the sky.
//
// The walk reads the levels, the height pyramid and the eye through TerrainDrawFrame, so tests
// and tools can drive it over levels they set up by hand; the TerrainWorld entry points fill
// the frame from the world.
//
// Buffers: one vertex tile (129 × 129), one index list of a fully refined tile (32768
// triangles) made at the first restore, and a vertex cache that shares a batch's vertices
// between its fans. Nothing is allocated per frame.

#include <cstdint>
#include <memory>

#include "core/math.h"
#include "core/result.h"
#include "platform/gfx/render_device.h"
#include "resources/texture_registry.h"
#include "world/clod_level.h"
#include "world/haze_ramp.h"
#include "world/height_pyramid.h"

namespace skyloom {

class TerrainWorld;
class TexturePyramid;
class HorizonRingSink;

struct TerrainVertex {
  float x, y, z;            // metres, absolute
  std::uint32_t diffuse;    // (255, 255 − L, 255 − L, 255 − L)
  std::uint32_t specular;   // the haze colour of the height scaled by L / 256
  float u0, v0;             // terrain texture tile
  float u1, v1;             // detail texture, repeating every g base samples
};
static_assert(sizeof(TerrainVertex) == 36, "TerrainVertex keeps its 36-byte stride");

constexpr std::uint32_t kTerrainFvf = Fvf::Xyz | Fvf::Diffuse | Fvf::Specular | Fvf::Tex2;
static_assert(kTerrainFvf == 0x2C2, "the terrain's vertex format");

// What one frame's drawing reads of the world.
struct TerrainDrawFrame {
  ClodLevel* coarsest = nullptr;
  TilePyramid* heights = nullptr;
  std::int32_t eyeCellX = 0, eyeCellZ = 0;  // base samples
  float spacing = 1.0f;                     // s: metres between base samples
  float heightUnit = 1.0f / 6.0f;
  int detailRepeat = 1;                     // g: base samples per detail-texture repeat
  float fogEnd = 0.0f;                      // 0.75 × the terrain's extent
  HazeView haze;
  Texture* detail = nullptr;                // the grain on stage 1; none leaves stage 1 off
  TexturePyramid* textures = nullptr;       // the ground's texture tiles on stage 0; none: untextured
};

class TerrainDraw {
 public:
  static constexpr int kMaxVertices = kTileSamples * kTileSamples;  // 16641 (129 × 129): one batch's vertex tile
  static constexpr int kCacheEntries = 16896;                       // above kMaxVertices: probing ends
  static constexpr int kMaxIndices = 98304;                         // 32768 triangles
  static constexpr int kHorizonPoints = 28;
  // Cells at or above this shift span a whole base-level height tile (128 samples).
  static constexpr int kBaseTileShift = 7;

  // Builds the haze ramp from the world's haze-colour setting.
  explicit TerrainDraw(TerrainWorld& world);
  // Without a world: the frame comes with each call.
  explicit TerrainDraw(std::uint32_t hazeColour);
  ~TerrainDraw();
  TerrainDraw(const TerrainDraw&) = delete;
  TerrainDraw& operator=(const TerrainDraw&) = delete;

  // The index list, at the first call; kept over invalidate.
  HResult restore(RenderDevice& device);
  void invalidate();
  bool restored() const { return indices_ != nullptr; }

  // Before the select pass: the 28 points of the coarsest grid's boundary to the sky's seam.
  void horizonRing();
  // The render states of the terrain, the draw pass, and every changed state put back except
  // the fog range, which the terrain owns for the frame.
  void drawPass(RenderDevice& device);

  // The same over a given frame.
  void horizonRing(const TerrainDrawFrame& frame, HorizonRingSink* sink);
  void drawPass(RenderDevice& device, const TerrainDrawFrame& frame);
  // Only the walk and the draws: no render state is touched (tests, the bench).
  void drawCells(RenderDevice& device, const TerrainDrawFrame& frame);

  const HazeRamp& hazeRamp() const { return ramp_; }
  // The grain texture's registry entry (its texture exists while the device is restored).
  void setDetailTexture(const TextureEntry* entry) { detail_ = entry; }

  // The ramp's 2248 entries, published with the terrain's haze for the scenery.
  const std::uint32_t* ramp() const { return ramp_.entries(); }
  // The last horizon ring handed out.
  const Vec3 (&horizon() const)[kHorizonPoints] { return horizon_; }

  // Figures of the last draw pass.
  int batches() const { return batches_; }
  std::uint64_t triangles() const { return triangles_; }
  std::uint64_t vertices() const { return vertices_; }

  // The fan of one cell, as the batches emit it: the vertex slots BL, B, BR, Lm, C, Rm, TL, T, TR
  // it needs (bit k for slot k) and its triangles as slot triples, clockwise seen from above.
  // flags: the cell's quadrant and edge bits. Answers the triangle count (at most 8).
  static int fanTriangles(std::uint16_t flags, std::uint16_t& slotsNeeded, std::uint8_t (&slots)[24]);

 private:
  const TextureEntry* detail_ = nullptr;
  struct Batch;
  TerrainDrawFrame frameOf() const;
  int drawCell(ClodLevel& level, std::int32_t x, std::int32_t z, bool inheritedCull);
  void drawBatch(ClodLevel& level, std::int32_t x, std::int32_t z, int d);
  void drawSingle(ClodLevel& level, std::int32_t x, std::int32_t z, std::uint16_t flags, int d);
  int emitCell(Batch& batch, ClodLevel& level, std::int32_t x, std::int32_t z, bool inheritedCull);
  void emitFan(Batch& batch, const ClodLevel& level, std::int32_t x, std::int32_t z, std::uint16_t flags);
  std::uint16_t cachedVertex(Batch& batch, std::int32_t vx, std::int32_t vz);
  void beginBatch(Batch& batch, std::int32_t x, std::int32_t z, int d);
  void flushBatch(Batch& batch);
  void writeVertex(const Batch& batch, std::int32_t vx, std::int32_t vz, TerrainVertex& out) const;
  void nextBatchTag();
  void bindGroundTexture(Texture* texture);

  TerrainWorld* world_ = nullptr;
  HazeRamp ramp_;
  RenderDevice* device_ = nullptr;  // during a draw pass
  TerrainDrawFrame frame_;          // during a draw pass
  // Stage 0 during a draw pass: the texture bound, and whether the pass may switch the colour
  // operation between modulating a texture and taking the vertex colour where none is composed.
  Texture* groundTexture_ = nullptr;
  bool groundBound_ = false;
  bool switchColorOp_ = false;
  bool modulating_ = false;

  std::unique_ptr<TerrainVertex[]> vertexArray_;
  std::unique_ptr<std::int64_t[]> vertexKeys_;    // base-sample position of each batch vertex
  std::unique_ptr<std::uint32_t[]> cache_;        // (batch tag << 16) | vertex index
  std::unique_ptr<std::uint16_t[]> indices_;      // made at the first restore
  int vertexCount_ = 0;
  int indexCount_ = 0;
  std::uint32_t batchTag_ = 0;

  Vec3 horizon_[kHorizonPoints]{};
  float horizonHeights_[kHorizonPoints]{};
  std::int32_t horizonOriginX_ = 99999, horizonOriginZ_ = 99999;

  int batches_ = 0;
  std::uint64_t triangles_ = 0;
  std::uint64_t vertices_ = 0;
};

}  // namespace skyloom
