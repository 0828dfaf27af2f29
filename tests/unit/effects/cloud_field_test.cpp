#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "app/scene.h"
#include "effects/cloud_field.h"
#include "effects/cloud_grid.h"
#include "platform/gfx/recording_device.h"
#include "resources/texture.h"
#include "state_check.h"

namespace skyloom {
namespace {

constexpr float kPeriod = 288000.0f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A 64 × 64 picture whose 16 × 16 cells each have their own brightness, darker in their lower
// half, so a test can tell which cell a texture was cut from and which way up.
std::uint8_t sheetValue(std::uint32_t cell, bool lowerHalf) {
  return static_cast<std::uint8_t>(cell * 12 + 40 - (lowerHalf ? 20 : 0));
}

Image cloudSheet() {
  Image sheet;
  sheet.width = sheet.height = 64;
  sheet.kind = kImageRgb;
  sheet.pixels = allocatePixels(64, 64, 3);
  for (std::uint32_t y = 0; y < 64; ++y) {
    for (std::uint32_t x = 0; x < 64; ++x) {
      std::uint8_t* p = sheet.pixels.get() + (std::size_t{y} * 64 + x) * 3;
      p[0] = p[1] = p[2] = sheetValue((y / 16) * 4 + x / 16, (y % 16) >= 8);
    }
  }
  return sheet;
}

// A field of the usual layout with `count` random clouds (0: only what the test adds), its
// textures made from cloudSheet, drawn frame by frame on a recording device.
struct CloudRig {
  explicit CloudRig(int count = 0, std::size_t maxBlocks = CloudGrid::kMaxBlocks, int cells = 32)
      : random(7), field(cells, cells, 9000.0f, count, 0xFFFFFFFF, random, maxBlocks) {
    field.restore(device, cloudSheet());
  }
  void frame(float cx, float cz, float dt) {
    device.clearRecording();
    device.beginScene();
    field.render(device, cx, cz, dt);
    device.endScene();
  }

  CrtRandom random;
  CloudField field;
  RecordingDevice device;
};

float drawnX(const RecordedDraw& d) { return d.state.world.m[3][0]; }
float drawnY(const RecordedDraw& d) { return d.state.world.m[3][1]; }
float drawnZ(const RecordedDraw& d) { return d.state.world.m[3][2]; }

// ---------------------------------------------------------------------------------------------
// Placement and the grid

TEST(CloudField, PlacesEightHundredCloudsInTheWrappingFieldEachListedInItsCell) {
  CrtRandom random(12345);
  CloudField field(32, 32, 9000.0f, CloudField::countForAmount(200), 0xFFFFFFFF, random);
  ASSERT_EQ(field.count(), 800);
  EXPECT_EQ(field.periodX(), kPeriod);
  EXPECT_EQ(field.periodZ(), kPeriod);
  for (int i = 0; i < field.count(); ++i) {
    const Cloud& c = field.cloud(i);
    EXPECT_GE(c.x, 0.0f);
    EXPECT_LT(c.x, kPeriod);
    EXPECT_GT(c.z, -kPeriod);
    EXPECT_LE(c.z, 0.0f);
    EXPECT_GE(c.y, 4000.0f);
    EXPECT_LE(c.y, 9500.0f);
    int cx = -1, cz = -1;
    ASSERT_TRUE(field.grid().cellOf(i + 1, cx, cz));
    EXPECT_EQ(cx, static_cast<int>(c.x / 9000.0f));
    EXPECT_EQ(cz, static_cast<int>(-c.z / 9000.0f));
  }
  EXPECT_GE(field.variant(), 0);
  EXPECT_LT(field.variant(), 8);
  EXPECT_TRUE(field.grid().consistent());
  EXPECT_LE(field.grid().nodeCount(), 1364u);  // 4 + 16 + 64 + 256 + 1024 below the root
}

TEST(CloudField, CountsFollowTheCloudAmountAndDamagedAmountsAreClamped) {
  EXPECT_EQ(CloudField::countForAmount(1), 4);
  EXPECT_EQ(CloudField::countForAmount(500), 2000);
  EXPECT_EQ(CloudField::countForAmount(0), 0);
  EXPECT_EQ(CloudField::countForAmount(-3), 0);
  EXPECT_EQ(CloudField::countForAmount(std::numeric_limits<std::int32_t>::max()), 2000);
  CrtRandom random;
  EXPECT_EQ(CloudField(32, 32, 9000.0f, 1 << 30, 0xFFFFFFFF, random).count(), CloudField::kMaxClouds);
  EXPECT_EQ(CloudField(32, 32, 9000.0f, -5, 0xFFFFFFFF, random).count(), 0);
}

TEST(CloudField, AddWrapsTheFieldsEdgesAndRefusesWhatIsNotANumber) {
  CloudRig rig;
  CloudField& f = rig.field;
  ASSERT_TRUE(f.add(kPeriod, 5000, -kPeriod));  // the edges themselves belong to the start
  EXPECT_EQ(f.cloud(0).x, 0.0f);
  EXPECT_EQ(f.cloud(0).z, 0.0f);
  ASSERT_TRUE(f.add(-1.0f, 5000, 1.0f));  // just before the start wraps to just before the end
  EXPECT_NEAR(f.cloud(1).x, kPeriod - 1.0f, 0.05f);
  EXPECT_NEAR(f.cloud(1).z, -kPeriod + 1.0f, 0.05f);
  EXPECT_EQ(f.cloud(1).cellX, 31);
  EXPECT_EQ(f.cloud(1).cellZ, 31);
  ASSERT_TRUE(f.add(3.5f * kPeriod + 10.0f, 5000, -7.0f * kPeriod - 20.0f));
  EXPECT_NEAR(f.cloud(2).x, kPeriod / 2 + 10.0f, 0.05f);
  EXPECT_NEAR(f.cloud(2).z, -20.0f, 0.05f);
  EXPECT_FALSE(f.add(kNaN, 5000, 0));
  EXPECT_FALSE(f.add(0, kInf, 0));
  EXPECT_FALSE(f.add(0, 5000, -kInf));
  EXPECT_EQ(f.count(), 3);
  EXPECT_TRUE(f.grid().consistent());
}

TEST(CloudGrid, ListsMovesAndGivesBackNodesAndRefusesWithoutChange) {
  CloudGrid grid(32, 32, 4);
  ASSERT_TRUE(grid.insert(1, 0, 0));
  ASSERT_TRUE(grid.insert(2, 0, 0));
  EXPECT_EQ(grid.nodeCount(), 5u);
  EXPECT_FALSE(grid.insert(1, 5, 5));  // already listed
  EXPECT_FALSE(grid.insert(0, 5, 5));
  EXPECT_FALSE(grid.insert(5, 5, 5));  // beyond the capacity
  EXPECT_FALSE(grid.insert(3, 32, 0));
  EXPECT_FALSE(grid.insert(3, 0, -1));
  ASSERT_TRUE(grid.move(1, 31, 31));
  EXPECT_EQ(grid.nodeCount(), 10u);
  ASSERT_TRUE(grid.move(2, 31, 31));  // the last cloud leaves (0, 0): its path goes back
  EXPECT_EQ(grid.nodeCount(), 5u);
  EXPECT_FALSE(grid.move(2, 40, 0));
  int cx = 0, cz = 0;
  ASSERT_TRUE(grid.cellOf(2, cx, cz));
  EXPECT_EQ(cx, 31);
  std::vector<std::int32_t> out;
  out.reserve(4);
  EXPECT_EQ(grid.collect(CellRect{30, 30, 40, 40}, out), 2u);
  EXPECT_EQ(grid.collect(CellRect{0, 0, 30, 30}, out), 0u);
  ASSERT_TRUE(grid.remove(1));
  ASSERT_TRUE(grid.remove(2));
  EXPECT_FALSE(grid.remove(2));
  EXPECT_EQ(grid.nodeCount(), 0u);
  EXPECT_TRUE(grid.consistent());
  EXPECT_FALSE(CloudGrid(0, 32, 4).insert(1, 0, 0));
  EXPECT_FALSE(CloudGrid(32, 32, -1).valid());
  EXPECT_FALSE(CloudGrid(32, 32, 4, 0).insert(1, 0, 0));  // no block to make nodes from
}

// ---------------------------------------------------------------------------------------------
// The world's edge

TEST(CloudField, ACloudDriftingPastTheEastEdgeReappearsAtTheStartAndStaysInView) {
  CloudRig rig;
  ASSERT_TRUE(rig.field.add(kPeriod - 10.0f, 8000.0f, -4500.0f));
  const float perSecond = rig.field.cloud(0).speed * CloudField::kDriftSpeed * CloudField::kDriftScale;
  ASSERT_GT(perSecond, 0.0f);

  // Camera just past the seam on the other side: the cloud shows through its copy at −10.
  rig.frame(500.0f, 4500.0f, 0.0f);
  ASSERT_EQ(rig.device.draws().size(), 1u);
  EXPECT_NEAR(drawnX(rig.device.draws()[0]), -10.0f, 0.01f);
  EXPECT_NEAR(drawnZ(rig.device.draws()[0]), -4500.0f, 0.01f);

  rig.frame(500.0f, 4500.0f, 20.0f / perSecond);  // 20 units east: over the edge
  const Cloud& c = rig.field.cloud(0);
  EXPECT_NEAR(c.x, 10.0f, 0.05f);
  EXPECT_EQ(c.cellX, 0);
  int cx = -1, cz = -1;
  ASSERT_TRUE(rig.field.grid().cellOf(1, cx, cz));
  EXPECT_EQ(cx, 0);
  ASSERT_EQ(rig.device.draws().size(), 1u);
  EXPECT_NEAR(drawnX(rig.device.draws()[0]), 10.0f, 0.05f);

  // Seen from the far side of the seam, the same cloud is drawn one period on.
  rig.frame(kPeriod - 500.0f, 4500.0f, 0.0f);
  ASSERT_EQ(rig.device.draws().size(), 1u);
  EXPECT_NEAR(drawnX(rig.device.draws()[0]), kPeriod + 10.0f, 0.05f);
}

TEST(CloudField, ACloudDriftingPastTheNorthEdgeReappearsAtTheSouthEndAndStaysInView) {
  CloudRig rig;
  ASSERT_TRUE(rig.field.add(4500.0f, 8000.0f, -5.0f));  // z drifts towards 0 and wraps
  const float perSecond = rig.field.cloud(0).speed * CloudField::kDriftSpeed * CloudField::kDriftScale;
  rig.frame(4500.0f, 300.0f, 10.0f / perSecond);
  const Cloud& c = rig.field.cloud(0);
  EXPECT_NEAR(c.z, -kPeriod + 5.0f, 0.05f);
  EXPECT_EQ(c.cellZ, 31);
  ASSERT_EQ(rig.device.draws().size(), 1u);
  EXPECT_NEAR(drawnZ(rig.device.draws()[0]), 5.0f, 0.05f);  // the copy next to the camera
  // A camera far out of the field (a free flight) still finds every cloud once.
  rig.frame(5.0f * kPeriod + 4500.0f, -3.0f * kPeriod + 300.0f, 0.0f);
  ASSERT_EQ(rig.device.draws().size(), 1u);
  EXPECT_NEAR(drawnX(rig.device.draws()[0]), 5.0f * kPeriod + 4510.0f, 1.0f);  // x drifts too
  EXPECT_NEAR(drawnZ(rig.device.draws()[0]), -3.0f * kPeriod + 5.0f, 1.0f);
}

TEST(CloudField, EveryCloudIsDrawnOnceWhereverTheCameraIs) {
  CloudRig rig(800);
  for (float cx : {0.0f, 123456.0f, kPeriod - 1.0f, -50000.0f}) {
    for (float cz : {0.0f, 99999.0f, -kPeriod, 1e7f}) {
      rig.frame(cx, cz, 0.0f);
      EXPECT_EQ(rig.field.cloudsDrawn(), 800);
      ASSERT_EQ(rig.device.draws().size(), 800u);
      for (const RecordedDraw& d : rig.device.draws()) {  // within the 32-cell window around it
        EXPECT_LE(std::fabs(drawnX(d) - cx), 16.0f * 9000.0f + 9000.0f);
        EXPECT_LE(std::fabs(drawnZ(d) - cz), 16.0f * 9000.0f + 9000.0f);
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Level of detail and the fades

TEST(CloudField, NearCloudsShowOnlyTheirFlatLayerFarOnesOnlyTheQuadFacingTheCamera) {
  CloudRig rig;
  ASSERT_TRUE(rig.field.add(100000.0f, 6000.0f, 100000.0f - kPeriod));  // drawn at z = 100000
  struct Case { float distance; std::uint32_t vertices, triangles, minVertex; };
  for (const Case& k : {Case{0.0f, 4, 4, 0}, Case{4990.0f, 4, 4, 0}, Case{20000.0f, 8, 6, 0},
                        Case{39000.0f, 8, 6, 0}, Case{40010.0f, 4, 2, 4}, Case{120000.0f, 4, 2, 4}}) {
    // Camera south-west of the cloud along the diagonal.
    const float a = k.distance / std::sqrt(2.0f);
    rig.frame(100000.0f - a, 100000.0f - a, 0.0f);
    ASSERT_EQ(rig.device.draws().size(), 1u) << k.distance;
    const RecordedDraw& d = rig.device.draws()[0];
    EXPECT_EQ(d.numVertices, k.vertices) << k.distance;
    EXPECT_EQ(d.primitiveCount, k.triangles) << k.distance;
    EXPECT_EQ(d.minVertexIndex, k.minVertex) << k.distance;
    EXPECT_EQ(d.stride, 24u);
    EXPECT_EQ(d.state.fvf, 0x142u);
    if (k.vertices == 8 || k.minVertex == 4) {
      // The upright quad spans across the line of sight and is wound clockwise as seen from
      // the camera, so the culling the scene draws with keeps it.
      const float ux = d.floatAt(5, 0) - d.floatAt(4, 0), uz = d.floatAt(5, 8) - d.floatAt(4, 8);
      EXPECT_NEAR(ux * 1.0f + uz * 1.0f, 0.0f, 1.0f) << k.distance;  // line of sight is (1, 1)
      EXPECT_NEAR(std::hypot(ux, uz), 11000.0f, 1.0f);
      EXPECT_GT(ux, 0.0f);  // left to right as the camera sees it: towards +x, −z
      EXPECT_FLOAT_EQ(d.floatAt(4, 4), 2000.0f);
      EXPECT_FLOAT_EQ(d.floatAt(6, 4), -2000.0f);
    }
  }
  // Far clouds sink towards the horizon.
  const float far = 90000.0f / std::sqrt(2.0f);
  rig.frame(100000.0f - far, 100000.0f - far, 0.0f);
  EXPECT_NEAR(drawnY(rig.device.draws()[0]), 6000.0f * 160000.0f / (90000.1f + 150000.0f), 1.0f);
  rig.frame(100000.0f, 100000.0f - 9000.0f, 0.0f);
  EXPECT_FLOAT_EQ(drawnY(rig.device.draws()[0]), 6000.0f);
}

TEST(CloudField, TheFadesStartAndEndAtNothingSoNoLayerPops) {
  auto near = CloudField::lookAt(4999.9f), afterNear = CloudField::lookAt(5000.1f);
  EXPECT_TRUE(near.flat && !near.facing);
  EXPECT_TRUE(afterNear.facing);
  EXPECT_LT(afterNear.facingAlpha, 0.001f);
  EXPECT_NEAR(afterNear.flatAlpha, near.flatAlpha, 1e-6f);
  EXPECT_NEAR(CloudField::lookAt(10000.0f).facingAlpha, 1.0f, 1e-6f);
  EXPECT_NEAR(CloudField::lookAt(30000.0f).flatAlpha, 1.0f, 1e-6f);
  auto beforeFar = CloudField::lookAt(39999.9f), far = CloudField::lookAt(40000.1f);
  EXPECT_LT(beforeFar.flatAlpha, 0.001f);
  EXPECT_TRUE(far.facing && !far.flat);
  EXPECT_NEAR(beforeFar.facingAlpha, far.facingAlpha, 1e-6f);
  EXPECT_NEAR(CloudField::lookAt(9999.9f).heightScale, CloudField::lookAt(10000.1f).heightScale, 1e-5f);
  for (float h = 0.0f; h < 60000.0f; h += 250.0f) {  // monotone ramps
    const CloudLook a = CloudField::lookAt(h), b = CloudField::lookAt(h + 250.0f);
    if (a.facing && b.facing) {
      EXPECT_GE(b.facingAlpha, a.facingAlpha) << h;
    }
    if (a.flat && b.flat) {
      EXPECT_LE(b.flatAlpha, a.flatAlpha) << h;
    }
  }
}

TEST(CloudField, VertexAlphaIsTheCloudColoursAlphaTimesTheFade) {
  CrtRandom random;
  CloudField field(32, 32, 9000.0f, 0, 0x80FFE0C0, random);
  RecordingDevice device;
  ASSERT_EQ(field.restore(device, cloudSheet()), kOk);
  ASSERT_TRUE(field.add(100000.0f, 6000.0f, 100000.0f - kPeriod));  // drawn at z = 100000
  device.beginScene();
  field.render(device, 100000.0f, 100000.0f - 7500.0f, 0.0f);  // halfway through the fade-in
  device.endScene();
  ASSERT_EQ(device.draws().size(), 1u);
  const RecordedDraw& d = device.draws()[0];
  EXPECT_EQ(d.dwordAt(0, 12), 0x80FFE0C0u);  // the flat layer at full strength
  EXPECT_EQ(d.dwordAt(4, 12) & 0xFFFFFFu, 0xFFE0C0u);
  EXPECT_NEAR(static_cast<double>(d.dwordAt(4, 12) >> 24), 64.0, 1.0);
}

// ---------------------------------------------------------------------------------------------
// Drift of the clouds out of sight

TEST(CloudField, TheBatchRotationDriftsCloudsOutOfSightByTheTimeTheirBatchGathered) {
  // A 64-cell field: the 32-cell window around the camera leaves half of it unseen.
  CloudRig rig(0, CloudGrid::kMaxBlocks, 64);
  for (int i = 0; i < 150; ++i) {
    const bool seen = i % 2 == 0;
    ASSERT_TRUE(rig.field.add(seen ? 4500.0f + 10.0f * i : 300000.0f + 10.0f * i, 8000.0f, -4500.0f));
  }
  const float perSecond = rig.field.cloud(0).speed * CloudField::kDriftSpeed * CloudField::kDriftScale;
  std::vector<float> start;
  for (int i = 0; i < 150; ++i) start.push_back(rig.field.cloud(i).x);

  rig.frame(4500.0f, 4500.0f, 1.0f);  // batch 0 (clouds 0-99) gets its turn
  EXPECT_EQ(rig.field.cloudsDrawn(), 75);
  for (int i = 0; i < 150; ++i) {
    const float moved = rig.field.cloud(i).x - start[i];
    const float expected = (i % 2 == 0 || i < 100) ? perSecond : 0.0f;
    EXPECT_NEAR(moved, expected, 0.01f) << i;
    EXPECT_EQ(rig.field.cloud(i).drawn, i % 2 == 0 && i >= 100) << i;  // batch 0's flags cleared
  }
  rig.frame(4500.0f, 4500.0f, 2.0f);  // batch 1 spends both frames' time at once
  for (int i = 100; i < 150; i += 2) EXPECT_NEAR(rig.field.cloud(i).x - start[i], 3.0f * perSecond, 0.01f) << i;
  for (int i = 101; i < 150; i += 2) EXPECT_NEAR(rig.field.cloud(i).x - start[i], 3.0f * perSecond, 0.01f) << i;
  rig.frame(4500.0f, 4500.0f, 0.5f);  // the cursor has wrapped to batch 0: 2.5 s gathered since
  for (int i = 1; i < 100; i += 2) EXPECT_NEAR(rig.field.cloud(i).x - start[i], 3.5f * perSecond, 0.01f) << i;
}

TEST(CloudField, FrameTimesAreCappedAndNonsenseTimesMoveNothing) {
  CloudRig rig;
  ASSERT_TRUE(rig.field.add(100000.0f, 8000.0f, -100000.0f));
  const float perSecond = rig.field.cloud(0).speed * CloudField::kDriftSpeed * CloudField::kDriftScale;
  for (float dt : {kNaN, -5.0f, -kInf, 0.0f}) {
    rig.frame(100000.0f, 100000.0f, dt);
    EXPECT_EQ(rig.field.cloud(0).x, 100000.0f) << dt;
  }
  rig.frame(100000.0f, 100000.0f, 1000.0f);
  EXPECT_NEAR(rig.field.cloud(0).x - 100000.0f, 10.0f * perSecond, 0.01f);
  rig.frame(kNaN, kInf, 1.0f);  // no camera position: nothing drawn, the batch still drifts
  EXPECT_EQ(rig.device.draws().size(), 0u);
  EXPECT_EQ(rig.field.cloudsDrawn(), 0);
}

// ---------------------------------------------------------------------------------------------
// Textures and device states

TEST(CloudField, CutsEightTexturesFromTheQuartersOfThePictureDensityAsAlpha) {
  CrtRandom random;
  CloudField field(32, 32, 9000.0f, 10, 0xFFFFFFFF, random);
  RecordingDevice device;
  ASSERT_EQ(field.restore(device, cloudSheet()), kOk);
  for (int slot = 0; slot < 8; ++slot) {
    const auto* t = RecordingDevice::asRecording(field.texture(slot));
    ASSERT_NE(t, nullptr) << slot;
    SurfaceDesc desc;
    ASSERT_EQ(t->getLevelDesc(0, desc), kOk);
    EXPECT_EQ(desc.width, 16u);
    EXPECT_EQ(desc.format, Format::A8R8G8B8);
    EXPECT_EQ(t->levelCount(), 5u);  // a full chain: far clouds do not sparkle
    const auto cell = static_cast<std::uint32_t>(slot);
    EXPECT_EQ(t->texel(0, 3, 0) >> 24, sheetValue(cell, false)) << slot;   // upright: top row on top
    EXPECT_EQ(t->texel(0, 3, 15) >> 24, sheetValue(cell, true)) << slot;
    const std::uint32_t shade = t->texel(0, 3, 0) & 0xFF;
    EXPECT_EQ((t->texel(0, 3, 0) >> 8) & 0xFF, shade);
    EXPECT_GE(shade, 176u);
  }
  EXPECT_EQ(field.texture(8), nullptr);
  EXPECT_EQ(field.texture(-1), nullptr);
}

TEST(CloudField, RestoreAndInvalidateAHundredTimesLeaveNoTexturesBehind) {
  CrtRandom random;
  CloudField field(32, 32, 9000.0f, 50, 0xFFFFFFFF, random);
  RecordingDevice device;
  const Image sheet = cloudSheet();
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(field.restore(device, sheet), kOk);
    ASSERT_EQ(device.liveTextures(), 8u);
    if (i % 2 == 0) {
      ASSERT_EQ(field.restore(device, sheet), kOk);  // restored twice in a row
    }
    ASSERT_EQ(device.liveTextures(), 8u);
    field.invalidate();
    ASSERT_EQ(device.liveTextures(), 0u);
  }
  EXPECT_EQ(textureDevice(), nullptr);  // the device was published only while restoring
  EXPECT_EQ(device.reset(), kOk);
}

TEST(CloudField, WithoutThePictureTheCloudsDriftButNothingIsDrawn) {
  CrtRandom random;
  CloudField field(32, 32, 9000.0f, 0, 0xFFFFFFFF, random);
  RecordingDevice device;
  Image tiny;
  tiny.width = tiny.height = 3;
  tiny.pixels = allocatePixels(3, 3, 3);
  EXPECT_TRUE(failed(field.restore(device, tiny)));
  EXPECT_TRUE(failed(field.restore(device, Image{})));
  ASSERT_TRUE(field.add(100000.0f, 8000.0f, -100000.0f));
  device.beginScene();
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { field.render(device, 100000.0f, 100000.0f, 1.0f); }));
  device.endScene();
  EXPECT_EQ(device.draws().size(), 0u);
  EXPECT_EQ(field.cloudsDrawn(), 1);
  EXPECT_GT(field.cloud(0).x, 100000.0f);
}

TEST(CloudField, DrawsSoftBlendedFoggedUnlitWithoutDepthWritesAndLeavesTheStatesAsFound) {
  CloudRig rig(800);
  rig.device.setRenderState(RenderState::ZWriteEnable, 1);
  rig.device.setRenderState(RenderState::Lighting, 1);
  rig.device.setRenderState(RenderState::FogEnable, 0);
  rig.device.beginScene();
  EXPECT_TRUE(leavesStatesAsFound(rig.device, [&] { rig.field.render(rig.device, 50000.0f, 50000.0f, 0.02f); }));
  rig.device.endScene();
  ASSERT_EQ(rig.device.draws().size(), 800u);
  const RecordedState& s = rig.device.draws().back().state;
  EXPECT_EQ(s.renderState(RenderState::ZWriteEnable), 0u);
  EXPECT_EQ(s.renderState(RenderState::Lighting), 0u);
  EXPECT_EQ(s.renderState(RenderState::FogEnable), 1u);
  EXPECT_EQ(s.renderState(RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(s.renderState(RenderState::SrcBlend), static_cast<std::uint32_t>(Blend::SrcAlpha));
  EXPECT_EQ(s.renderState(RenderState::DestBlend), static_cast<std::uint32_t>(Blend::InvSrcAlpha));
  EXPECT_EQ(s.stageState(0, TextureStageState::AlphaOp), static_cast<std::uint32_t>(TextureOp::Modulate));
  EXPECT_EQ(s.textures[0], RecordingDevice::textureId(rig.field.texture(rig.field.variant())));
  EXPECT_EQ(rig.device.state().textures[0], 0u);  // unbound afterwards
  EXPECT_EQ(rig.device.state().renderState(RenderState::ZWriteEnable), 1u);
}

// ---------------------------------------------------------------------------------------------
// Full and broken pools, broken layouts

TEST(CloudField, ACloudWhoseNewCellCannotBeHadKeepsItsPlace) {
  // One block of 16 nodes: three cells of five nodes each leave one node spare.
  CloudRig rig(0, 1);
  ASSERT_TRUE(rig.field.add(17990.0f, 8000.0f, -4500.0f));  // cell (1, 0); (2, 0) needs 2 nodes
  ASSERT_TRUE(rig.field.add(280000.0f, 8000.0f, -280000.0f));
  ASSERT_TRUE(rig.field.add(150000.0f, 8000.0f, -4500.0f));
  ASSERT_EQ(rig.field.grid().nodeCount(), 15u);
  const float perSecond = rig.field.cloud(0).speed * CloudField::kDriftSpeed * CloudField::kDriftScale;
  rig.frame(17990.0f, 4500.0f, 20.0f / perSecond);
  const Cloud& c = rig.field.cloud(0);
  EXPECT_EQ(c.x, 17990.0f);
  EXPECT_EQ(c.cellX, 1);
  int cx = -1, cz = -1;
  ASSERT_TRUE(rig.field.grid().cellOf(1, cx, cz));
  EXPECT_EQ(cx, 1);
  EXPECT_TRUE(rig.field.grid().consistent());
  EXPECT_EQ(rig.device.draws().size(), 3u);  // it is still drawn where it was
  // A fourth cloud finds no room at all: it is kept, unseen, and drifts with its batch.
  ASSERT_TRUE(rig.field.add(220000.0f, 8000.0f, -220000.0f));
  EXPECT_FALSE(rig.field.listed(3));
  const float x = rig.field.cloud(3).x;
  rig.frame(17990.0f, 4500.0f, 1.0f);
  EXPECT_EQ(rig.field.cloudsDrawn(), 3);
  EXPECT_GT(rig.field.cloud(3).x, x);
}

TEST(CloudField, APoolWithoutBlocksOrAnUnusableLayoutDrawsNothingAndNeverFails) {
  CloudRig empty(800, 0);
  EXPECT_EQ(empty.field.count(), 800);
  EXPECT_EQ(empty.field.grid().cloudCount(), 0u);
  for (int i = 0; i < 10; ++i) empty.frame(50000.0f, 50000.0f, 1.0f);
  EXPECT_EQ(empty.device.draws().size(), 0u);

  CrtRandom random;
  RecordingDevice device;
  for (auto layout : {std::tuple{0, 32, 9000.0f}, std::tuple{32, -1, 9000.0f}, std::tuple{32, 32, 0.0f},
                      std::tuple{32, 32, -9000.0f}, std::tuple{32, 32, kNaN}, std::tuple{32, 32, kInf},
                      std::tuple{32, 32, 3e38f}, std::tuple{5000, 32, 9000.0f}}) {
    CloudField field(std::get<0>(layout), std::get<1>(layout), std::get<2>(layout), 800, 0xFFFFFFFF, random);
    EXPECT_EQ(field.count(), 0);
    EXPECT_FALSE(field.add(1.0f, 5000.0f, -1.0f));
    field.restore(device, cloudSheet());
    device.beginScene();
    field.render(device, 1000.0f, 1000.0f, 1.0f);
    device.endScene();
    field.invalidate();
  }
  EXPECT_EQ(device.draws().size(), 0u);
}

TEST(CloudField, SmallAndOddGridsDrawEveryCloudOnceWithoutAWindowLargerThanTheField) {
  for (int cells : {1, 3, 17, 40}) {
    CloudRig rig(300, CloudGrid::kMaxBlocks, cells);
    rig.frame(12345.0f, -6789.0f, 0.5f);
    EXPECT_EQ(rig.device.draws().size(), static_cast<std::size_t>(cells <= 32 ? 300 : rig.field.cloudsDrawn()));
    EXPECT_TRUE(rig.field.grid().consistent()) << cells;
  }
}

// ---------------------------------------------------------------------------------------------
// In the scene

TEST(SceneClouds, TheSceneMakesTheCloudsFromItsSettingsAndDriftsThemOncePerFrame) {
  EXPECT_EQ(Scene(SceneConfig{}).clouds(), nullptr);
  SceneConfig config;
  config.clouds = CloudSettings{40, 0xFFFFFFFF};
  Scene scene(config);
  ASSERT_NE(scene.clouds(), nullptr);
  ASSERT_EQ(scene.clouds()->count(), 40);
  RecordingDevice device;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(succeeded(scene.restore(device, sceneSettingsFor(90, 640, 480))));
    scene.invalidate();
  }
  EXPECT_EQ(device.liveTextures(), 0u);
  const float x = scene.clouds()->cloud(0).x;
  const float perSecond = scene.clouds()->cloud(0).speed * CloudField::kDriftSpeed * CloudField::kDriftScale;
  scene.advanceFrame(1.0, 1000);
  device.beginScene();
  scene.render(device, Matrix::identity());
  scene.render(device, Matrix::identity());  // the same frame again, as after a failed present
  device.endScene();
  float moved = scene.clouds()->cloud(0).x - x;
  if (moved < 0) moved += kPeriod;
  EXPECT_NEAR(moved, perSecond, 0.01f);
}

}  // namespace
}  // namespace skyloom
