#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <vector>

#include "state_check.h"
#include "world/crack_check.h"
#include "world/haze_ramp.h"
#include "world/height_pyramid.h"
#include "world/terrain_draw.h"
#include "world/terrain_world.h"

namespace skyloom {
namespace {

// --- haze ---------------------------------------------------------------------------------

TEST(HazeRamp, KeysAreTintedAndInterpolatedDownwards) {
  // Key 0 with the default haze colour: each byte (key × 112 + colour × 144) >> 8, alpha − 1.
  EXPECT_EQ(HazeRamp(0xFF3070CF).entry(0), 0xDE6099E4u);
  // Untinted halves of the first two keys, each channel truncated: (69 + 41) / 2, (90 + 55) / 2.
  const HazeRamp dark(0);
  EXPECT_EQ(dark.entry(0), 0xDE455A6Fu);
  EXPECT_EQ(dark.entry(74), 0xBE29376Fu);
  EXPECT_EQ(dark.entry(37), 0xCE37486Fu);
  // Heights round to 4 m entries and clamp to the table at both ends.
  EXPECT_EQ(dark.forHeight(5.6f), dark.entry(1));
  EXPECT_EQ(dark.forHeight(-3.0f), dark.entry(0));
  EXPECT_EQ(dark.forHeight(1e6f), dark.entry(HazeRamp::kEntries - 1));
  EXPECT_EQ(dark.forHeight(NAN), dark.entry(0));
}

TEST(VertexHaze, FollowsDistanceAndTakesTheFullRampAlphaAboveTheCeiling) {
  const HazeRamp ramp(0xFF3070CF);
  HazeView view;
  view.eye = {1000, 500, 1000};
  view.hazeFactor = 0.5f;
  view.eyeHazeOffset = 0.0f;
  EXPECT_EQ(hazeAmount(ramp, view, view.eye), 0u);
  // 0.5 × (9021 − 500) × 1000 / 16384 = 260, limited by the ramp's alpha at 500 m.
  const Vec3 far{2000, 500, 1000};
  EXPECT_EQ(hazeAmount(ramp, view, far), ramp.forHeight(500) >> 24);
  const Vec3 near{1010, 500, 1000};  // 0.5 × 8521 × 10 / 16384 = 2
  EXPECT_EQ(hazeAmount(ramp, view, near), 2u);
  // Above 9021 m the amount turns negative; as a count it is the ramp's whole alpha, even close.
  for (float y : {9021.5f, 9500.0f, 20000.0f}) {
    const Vec3 high{1001, y, 1000};
    EXPECT_EQ(hazeAmount(ramp, view, high), ramp.forHeight(y) >> 24) << y;
  }
  const VertexHaze h = vertexHaze(ramp, view, far);
  const std::uint32_t l = ramp.forHeight(500) >> 24, e = ramp.forHeight(500);
  EXPECT_EQ(h.diffuse, argb(255, 255 - l, 255 - l, 255 - l));
  EXPECT_EQ(h.specular, argb(0, ((e >> 16) & 0xFF) * l >> 8, ((e >> 8) & 0xFF) * l >> 8, (e & 0xFF) * l >> 8));
}

// --- fans ---------------------------------------------------------------------------------

constexpr int kSlotX[9] = {0, 1, 2, 0, 1, 2, 0, 1, 2};
constexpr int kSlotZ[9] = {0, 0, 0, 1, 1, 1, 2, 2, 2};

TEST(CellFan, GivenTrianglesForEdgeAndQuadrantBits) {
  std::uint16_t needed = 0;
  std::uint8_t s[24];
  // Unrefined, no midpoints: four triangles round the centre.
  ASSERT_EQ(TerrainDraw::fanTriangles(0, needed, s), 4);
  EXPECT_EQ(needed, 0x155);  // BL, BR, C, TL, TR
  const std::uint8_t plain[12] = {0, 4, 2, 6, 4, 0, 6, 8, 4, 4, 8, 2};
  EXPECT_TRUE(std::equal(plain, plain + 12, s));
  // Each edge bit adds its midpoint and one triangle.
  for (std::uint16_t edge : {0x10, 0x20, 0x40, 0x80}) EXPECT_EQ(TerrainDraw::fanTriangles(edge, needed, s), 5) << edge;
  EXPECT_EQ(TerrainDraw::fanTriangles(0xF0, needed, s), 8);
  EXPECT_EQ(needed, 0x1FF);
  // Bottom edge split: BL C B, C BR B.
  TerrainDraw::fanTriangles(0x10, needed, s);
  const std::uint8_t bottom[6] = {0, 4, 1, 4, 2, 1};
  EXPECT_TRUE(std::equal(bottom, bottom + 6, s));
  // Quadrant 0 refined as the select pass marks it (0x31): BL is not needed, four triangles left.
  ASSERT_EQ(TerrainDraw::fanTriangles(0x31, needed, s), 4);
  EXPECT_FALSE(needed & 1);
}

TEST(CellFan, EveryFlagCombinationCoversTheUnrefinedQuadrantsClockwise) {
  for (unsigned flags = 0; flags < 256; ++flags) {
    if ((flags & 0xF) == 0xF) continue;
    std::uint16_t needed = 0;
    std::uint8_t s[24];
    const int n = TerrainDraw::fanTriangles(static_cast<std::uint16_t>(flags), needed, s);
    int area2 = 0;  // twice the area in half-cell units
    for (int t = 0; t < n; ++t) {
      const int a = s[3 * t], b = s[3 * t + 1], c = s[3 * t + 2];
      for (int v : {a, b, c}) EXPECT_TRUE(needed & (1u << v)) << flags;
      const int cross = (kSlotX[b] - kSlotX[a]) * (kSlotZ[c] - kSlotZ[a]) - (kSlotZ[b] - kSlotZ[a]) * (kSlotX[c] - kSlotX[a]);
      EXPECT_LT(cross, 0) << "flags " << flags << " triangle " << t;
      area2 -= cross;
      // No triangle reaches into a refined quadrant: its centroid lies in an unrefined one.
      const int cx = kSlotX[a] + kSlotX[b] + kSlotX[c], cz = kSlotZ[a] + kSlotZ[b] + kSlotZ[c];
      const int q = (cx > 3 ? 1 : 0) + (cz > 3 ? 2 : 0);
      EXPECT_FALSE(flags & (1u << q)) << flags;
    }
    const int open = 4 - std::popcount(flags & 0xF);
    EXPECT_EQ(area2, 2 * open) << flags;
  }
}

// --- the draw pass over levels set up by hand ----------------------------------------------

HeightGrid rolling(int w, int h) {
  HeightGrid g(w, h);
  for (int z = 0; z < h; ++z)
    for (int x = 0; x < w; ++x) g.at(x, z) = static_cast<std::uint16_t>(3000 + 37 * x + 11 * z + (x * z) % 7 * 20);
  return g;
}

// Three levels of cells of 8, 4 and 2 samples over the height tile border at x = z = 128.
class DrawPassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source.loadGrid(rolling(200, 200), 10.0f);
    TerrainParams p = terrainParams(10.0f, kPublishedHeightUnit, 0, 3.0f);
    p.heightLevelCount = 4;
    p.windowTiles = 5;
    pyramid = std::make_unique<TilePyramid>(source, p, nullptr);
    pyramid->moveTo(128, 128);
    for (int z : {0, 128})
      for (int x : {0, 128}) {
        int level = 0;
        pyramid->fetchGenerating(level, x, z);
      }
    coarse = std::make_unique<ClodLevel>(3, 7, p.spacing);
    mid = std::make_unique<ClodLevel>(2, 11, p.spacing);
    fine = std::make_unique<ClodLevel>(1, 19, p.spacing);
    coarse->finer = mid.get(), mid->coarser = coarse.get();
    mid->finer = fine.get(), fine->coarser = mid.get();
    place(*coarse, 96), place(*mid, 100), place(*fine, 104);
    frame.coarsest = coarse.get();
    frame.heights = pyramid.get();
    frame.eyeCellX = frame.eyeCellZ = 124;
    frame.spacing = p.spacing;
    frame.heightUnit = kPublishedHeightUnit;
    frame.fogEnd = 12345.0f;
    frame.haze.eye = {124 * p.spacing, 900, 124 * p.spacing};
    frame.haze.hazeFactor = 0.3f;
    draw.restore(device);
    device.beginScene();
  }
  static void place(ClodLevel& l, std::int32_t origin) {
    l.originX = l.originZ = origin;
    l.originWorldX = l.originWorldZ = static_cast<float>(origin) * 1.25f;
  }
  void drawFrame() {
    device.clearRecording();
    draw.drawCells(device, frame);
  }
  CrackReport cracks(bool holes = true) {
    std::vector<GroundTriangle> t;
    collectGroundTriangles(device, frame.spacing, t);
    return checkCracks(t, {SampleRect{96, 96, 152, 152}}, holes);
  }
  // Refines coarse cell (3, 3) into four unrefined children and splits its neighbours' edges.
  void refineCentre(bool tellNeighbours) {
    coarse->cell(3, 3).flags = 0xFF;
    if (!tellNeighbours) return;
    coarse->cell(2, 3).flags |= CellFlag::kRightEdge;
    coarse->cell(4, 3).flags |= CellFlag::kLeftEdge;
    coarse->cell(3, 2).flags |= CellFlag::kTopEdge;
    coarse->cell(3, 4).flags |= CellFlag::kBottomEdge;
  }

  HeightSource source;
  std::unique_ptr<TilePyramid> pyramid;
  std::unique_ptr<ClodLevel> coarse, mid, fine;
  TerrainDrawFrame frame;
  TerrainDraw draw{0xFF3070CF};
  RecordingDevice device;
};

TEST_F(DrawPassTest, UnrefinedGridDrawsEveryCellAloneWithoutCracks) {
  drawFrame();
  EXPECT_EQ(draw.batches(), 49);
  EXPECT_EQ(draw.triangles(), 49u * 4);
  const CrackReport r = cracks();
  EXPECT_TRUE(r.clean()) << r.first;
}

TEST_F(DrawPassTest, RefinedCellIsCrackFreeOnlyWhenItsNeighboursSplitTheSharedEdges) {
  refineCentre(true);
  // Its children split the edges they share inside the batch.
  mid->cell(5, 5).flags = CellFlag::kRightEdge | CellFlag::kTopEdge;
  mid->cell(6, 5).flags = CellFlag::kLeftEdge;
  mid->cell(5, 6).flags = CellFlag::kBottomEdge;
  drawFrame();
  CrackReport r = cracks();
  EXPECT_TRUE(r.clean()) << r.first;
  // 48 cells alone and the refined cell's whole subtree as one batch.
  EXPECT_EQ(draw.batches(), 49);
  // The draw pass leaves every per-frame flag cleared.
  for (ClodLevel* l : {coarse.get(), mid.get(), fine.get()})
    for (const ClodCell& c : l->cells) EXPECT_EQ(c.flags, 0);

  refineCentre(false);
  drawFrame();
  r = cracks();
  EXPECT_EQ(r.tJunctions, 4u) << "an unsplit neighbour edge holds a child's corner";
}

TEST_F(DrawPassTest, SharedBatchVerticesAreWrittenOnce) {
  refineCentre(true);
  drawFrame();
  // The batch of cell (3, 3): four children of 4 samples, unrefined, on a 3 × 3 vertex lattice
  // plus their centres.
  const RecordedDraw* batch = nullptr;
  for (const RecordedDraw& d : device.draws())
    if (d.numVertices != 9) batch = &d;
  ASSERT_NE(batch, nullptr);
  EXPECT_EQ(batch->numVertices, 13u);
  EXPECT_EQ(batch->primitiveCount, 16u);
}

TEST_F(DrawPassTest, CulledCellDrawsNothingBelowItButClearsItsChildren) {
  for (ClodCell& c : coarse->cells) c.flags = CellFlag::kCulled;
  coarse->cell(3, 3).flags = CellFlag::kCulled | 0xFF;
  // Coarse cell (3, 3) spans 120..128: mid cells 5 and 6, fine cells 8 to 11.
  for (int j = 5; j <= 6; ++j)
    for (int i = 5; i <= 6; ++i) mid->cell(i, j).flags = 0xF0 | CellFlag::kQuadrant1 | 0x1000;
  fine->cell(9, 8).flags = 0x00F0;
  drawFrame();
  EXPECT_TRUE(device.draws().empty());
  EXPECT_EQ(draw.batches(), 0);
  for (int j = 5; j <= 6; ++j)
    for (int i = 5; i <= 6; ++i) EXPECT_EQ(mid->cell(i, j).flags, 0x1000) << "only the kept bits stay";
  EXPECT_EQ(fine->cell(9, 8).flags, 0);
  EXPECT_EQ(coarse->cell(3, 3).flags, 0);
}

TEST_F(DrawPassTest, BatchWhoseCellsAreAllCulledIssuesNoDraw) {
  for (ClodCell& c : coarse->cells) c.flags = CellFlag::kCulled;
  coarse->cell(3, 3).flags = 0x0F;  // visible, refined; every child outside the frustum
  for (int j = 5; j <= 6; ++j)
    for (int i = 5; i <= 6; ++i) mid->cell(i, j).flags = CellFlag::kCulled;
  drawFrame();
  EXPECT_TRUE(device.draws().empty());
  EXPECT_EQ(draw.batches(), 0);
}

TEST_F(DrawPassTest, QuadrantOutsideTheFinerGridIsDrawnByItsParent) {
  // Coarse cell (0, 3) spans x 96..104; the mid grid starts at 100, so quadrants 0 and 2 have no
  // cell there.
  coarse->cell(0, 3).flags = 0x0F | 0xF0;
  coarse->cell(0, 3).childActivation[0] = coarse->cell(0, 3).childActivation[2] = 77;
  coarse->cell(0, 3).childActivation[1] = 55;
  coarse->cell(1, 3).flags |= CellFlag::kLeftEdge;
  coarse->cell(0, 2).flags |= CellFlag::kTopEdge;
  coarse->cell(0, 4).flags |= CellFlag::kBottomEdge;
  drawFrame();
  EXPECT_EQ(coarse->cell(0, 3).childActivation[0], 0);
  EXPECT_EQ(coarse->cell(0, 3).childActivation[2], 0);
  EXPECT_EQ(coarse->cell(0, 3).childActivation[1], 55);
  std::vector<GroundTriangle> t;
  collectGroundTriangles(device, frame.spacing, t);
  int leftHalf = 0;  // twice the area drawn over x 96..100, z 120..128
  for (const GroundTriangle& g : t) {
    const auto& [a, b, c] = g.v;
    if (std::max({a.x, b.x, c.x}) <= 100 && std::min({a.z, b.z, c.z}) >= 120 && std::max({a.z, b.z, c.z}) <= 128)
      leftHalf -= (b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x);
  }
  EXPECT_EQ(leftHalf, 2 * 4 * 8);
  const CrackReport r = cracks();
  EXPECT_TRUE(r.clean()) << r.first;
}

TEST_F(DrawPassTest, VerticesCarryTileHeightsTextureAndDetailCoordinates) {
  frame.detailRepeat = 4;
  drawFrame();
  int checked = 0;
  for (const RecordedDraw& d : device.draws()) {
    EXPECT_EQ(d.state.fvf, 0x2C2u);
    for (std::uint32_t i = 0; i < d.numVertices; ++i) {
      const auto vx = static_cast<std::int32_t>(std::lround(d.floatAt(i, 0) / frame.spacing));
      const auto vz = static_cast<std::int32_t>(std::lround(d.floatAt(i, 8) / frame.spacing));
      int level = 0;
      const std::uint32_t* tile = pyramid->fetch(level, vx, vz);
      ASSERT_NE(tile, nullptr);
      const float expected = static_cast<float>(tile[((vz - (vz & -128)) * 129) + (vx - (vx & -128))] & 0xFFFF) * kPublishedHeightUnit;
      ASSERT_FLOAT_EQ(d.floatAt(i, 4), expected) << vx << ", " << vz;
      // tex0 runs 0..1 across the cell's 128-sample tile, v upwards from 1.
      const float u0 = d.floatAt(i, 20), v0 = d.floatAt(i, 24);
      EXPECT_GE(u0, 0.0f);
      EXPECT_LE(u0, 1.0f);
      if (vx == 128 && d.floatAt(0, 0) < 128 * frame.spacing) {
        EXPECT_FLOAT_EQ(u0, 1.0f) << "the tile's right border is u = 1, not 0";
        ++checked;
      }
      if (vz == 128 && d.floatAt(0, 8) < 128 * frame.spacing) {
        EXPECT_FLOAT_EQ(v0, 0.0f);
      }
      EXPECT_FLOAT_EQ(d.floatAt(i, 28), static_cast<float>(vx - 124) / 4.0f);
      EXPECT_FLOAT_EQ(d.floatAt(i, 32), static_cast<float>(vz - 124) / 4.0f);
    }
  }
  EXPECT_GT(checked, 0);
}

TEST_F(DrawPassTest, LeavesTheDeviceAsFoundButTheFogRange) {
  refineCentre(true);
  device.setRenderState(RenderState::ZEnable, ZBuffer::False);
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { draw.drawPass(device, frame); }));
  EXPECT_EQ(device.state().renderState(RenderState::FogEnd), floatBits(12345.0f));
  EXPECT_EQ(device.state().renderState(RenderState::FogStart), floatBits(0.0f));
  ASSERT_FALSE(device.draws().empty());
  const RecordedState& s = device.draws().back().state;
  EXPECT_EQ(s.renderState(RenderState::FogEnable), 1u);
  EXPECT_EQ(s.renderState(RenderState::ZEnable), 1u);
  EXPECT_EQ(s.stageState(1, TextureStageState::ColorOp), TextureOp::Disable);
  EXPECT_EQ(s.samplerState(0, SamplerState::AddressU), TextureAddress::Clamp);
  EXPECT_EQ(s.renderState(RenderState::SrcBlend), Blend::SrcAlpha);
}

// With the grain texture, stage 1 modulates with it while the terrain draws and lets it go
// afterwards; the device is left as found all the same.
TEST_F(DrawPassTest, TheGrainModulatesStageOneAndIsUnboundAfterwards) {
  refineCentre(true);
  std::unique_ptr<Texture> grain;
  ASSERT_EQ(device.createTexture(16, 16, 0, Usage::None, Format::A8R8G8B8, Pool::Managed, grain), kOk);
  frame.detail = grain.get();
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { draw.drawPass(device, frame); }));
  ASSERT_FALSE(device.draws().empty());
  for (const RecordedDraw& d : device.draws()) {
    EXPECT_EQ(d.state.textures[1], RecordingDevice::textureId(grain.get()));
    EXPECT_EQ(d.state.stageState(1, TextureStageState::ColorOp), TextureOp::Modulate);
    EXPECT_EQ(d.state.samplerState(1, SamplerState::AddressU), TextureAddress::Wrap);
  }
  EXPECT_EQ(device.state().textures[1], 0u);
}

TEST_F(DrawPassTest, NothingIsDrawnBeforeRestore) {
  TerrainDraw fresh(0xFF3070CF);
  fresh.drawCells(device, frame);
  EXPECT_TRUE(device.draws().empty());
  for (int k = 0; k < 100; ++k) {
    fresh.invalidate();
    EXPECT_EQ(fresh.restore(device), kOk);
  }
  fresh.drawCells(device, frame);
  EXPECT_EQ(fresh.batches(), 49);
}

struct RingCatcher : HorizonRingSink {
  Vec3 points[28];
  int calls = 0;
  void horizonRing(const Vec3 (&p)[28]) override {
    std::copy(p, p + 28, points);
    ++calls;
  }
};

TEST_F(DrawPassTest, HorizonRingRunsRoundTheCoarsestGridRelativeToTheEye) {
  RingCatcher sink;
  draw.horizonRing(frame, &sink);
  ASSERT_EQ(sink.calls, 1);
  const float s = frame.spacing, ex = frame.haze.eye.x, ez = frame.haze.eye.z;
  auto at = [&](int p, int i, int j) {
    EXPECT_FLOAT_EQ(sink.points[p].x, (96 + 8 * i) * s - ex) << p;
    EXPECT_FLOAT_EQ(sink.points[p].z, (96 + 8 * j) * s - ez) << p;
  };
  at(0, 7, 0), at(7, 7, 7), at(8, 6, 7), at(13, 1, 7), at(14, 0, 7), at(21, 0, 0), at(22, 1, 0), at(27, 6, 0);
  int level = pyramid->coarsestLevel();
  const std::uint32_t* tile = pyramid->fetch(level, 96, 96);
  ASSERT_NE(tile, nullptr);
  const std::int32_t span = 128 << level;
  const int col = (96 - (96 & -span)) >> level, row = col;
  EXPECT_FLOAT_EQ(sink.points[21].y, static_cast<float>(tile[row * 129 + col] & 0xFFFF) * kPublishedHeightUnit);
  // The eye moves, the grid does not: positions follow, heights stay.
  frame.haze.eye.x += 10;
  draw.horizonRing(frame, &sink);
  EXPECT_FLOAT_EQ(sink.points[0].x, (96 + 56) * s - frame.haze.eye.x);
}

}  // namespace
}  // namespace skyloom
