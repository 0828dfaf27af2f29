#include "aircraft/unit_draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "aircraft/model_library.h"
#include "aircraft/unit_description.h"
#include "platform/gfx/recording_device.h"
#include "state_check.h"

namespace skyloom {
namespace {

constexpr float kPi = 3.14159265f;

// A one-triangle mesh with `vertices` vertices, so a draw tells which mesh it was.
std::unique_ptr<Model> markerModel(std::string name, int vertices) {
  auto m = std::make_unique<Model>();
  m->name = std::move(name);
  ModelSubset& s = m->subsets.emplace_back();
  for (int i = 0; i < vertices; ++i) s.vertices.push_back({static_cast<float>(i), 0, 0, 0, 1, 0, 0, 0});
  s.indices = {0, 1, 2};
  m->countTotals();
  m->radius = 1;
  return m;
}

struct FlameCall {
  Matrix world;
  Vec3 point;
  float scale, length;
};

struct RecordingFlames final : FlameSink {
  std::vector<FlameCall> calls;
  void drawFlame(RenderDevice&, const Matrix& unitWorld, const Vec3& point, float scale, float length) override {
    calls.push_back({unitWorld, point, scale, length});
  }
};

::testing::AssertionResult sameMatrix(const Matrix& a, const Matrix& b, float eps = 1e-4f) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (std::fabs(a.m[r][c] - b.m[r][c]) > eps) {
        return ::testing::AssertionFailure() << "element " << r << "," << c << ": " << a.m[r][c] << " vs " << b.m[r][c];
      }
    }
  }
  return ::testing::AssertionSuccess();
}

Vec3 row(const Matrix& m, int r) { return {m.m[r][0], m.m[r][1], m.m[r][2]}; }

// A library with four level meshes (3, 4, 5 and 6 vertices) and a wreck (7), a description using
// them, a recording device inside a scene, and a unit at the origin seen from along +x.
struct UnitDraw : ::testing::Test {
  ModelLibrary models;
  UnitDescription description;
  RecordingDevice device;
  RecordingFlames flames;
  Unit unit;

  UnitDraw() {
    std::vector<std::unique_ptr<Model>> list;
    for (int i = 0; i < 4; ++i) list.push_back(markerModel("lod" + std::to_string(i) + ".x", 3 + i));
    list.push_back(markerModel("wreck.x", 7));
    models.add(std::move(list));
    useLevels(4);
    unit.description = &description;
    unit.radius = 1;
    device.beginScene();
  }

  void useLevels(int count) {
    description.lodCount = count;
    description.slots.clear();
    for (int i = 0; i < count; ++i) {
      MeshSlot& slot = description.slots.emplace_back();
      slot.meshName = "lod" + std::to_string(i) + ".x";
      slot.meshIndex = models.find(slot.meshName);
    }
  }

  // Draws the unit seen from `distance` along x; answers the level.
  int drawAt(float distance) {
    device.clearRecording();
    return drawUnit(UnitDrawContext{device, models, nullptr, unit.position + Vec3{distance, 0, 0}, &flames}, unit);
  }
  // Which mesh the first draw was, by its vertex count (0 for no draw).
  std::uint32_t drawnVertices() const { return device.draws().empty() ? 0 : device.draws()[0].numVertices; }

  AttachmentPoint& attach(std::uint32_t flags, Vec3 offset = {}, float angle = 0, Vec3 scale = {1, 1, 1}) {
    AttachmentPoint& p = description.attachments.emplace_back();
    p.flags = flags;
    p.offset = offset;
    p.angle = angle;
    p.scale = scale;
    return p;
  }
};

// ---------------------------------------------------------------------------------------------
// Level of detail

TEST(UnitLevelOfDetail, RatiosAtAndJustAboveEachBoundary) {
  auto above = [](float v) { return std::nextafter(v, 1.0f); };
  EXPECT_EQ(levelOfDetail(1.0f), 0);
  EXPECT_EQ(levelOfDetail(above(0.1f)), 0);
  EXPECT_EQ(levelOfDetail(0.1f), 1);
  EXPECT_EQ(levelOfDetail(above(0.05f)), 1);
  EXPECT_EQ(levelOfDetail(0.05f), 2);
  EXPECT_EQ(levelOfDetail(above(0.01f)), 2);
  EXPECT_EQ(levelOfDetail(0.01f), 3);
  EXPECT_EQ(levelOfDetail(0.0f), 3);
}

TEST(UnitLevelOfDetail, MeshPerLevelForOneToFourMeshes) {
  const int expected[5][4] = {
      {0, 0, 0, 0},  // L = 0: a broken description still draws its first slot
      {0, 0, 0, 0},  // L = 1
      {0, 0, 0, 1},  // L = 2: the detailed mesh serves all but the farthest level
      {0, 1, 2, 2},  // L = 3
      {0, 1, 2, 3},  // L = 4
  };
  for (int count = 0; count <= 4; ++count) {
    for (int level = 0; level < 4; ++level) {
      EXPECT_EQ(meshForLevel(level, count), expected[count][level]) << "L=" << count << " level " << level;
    }
  }
  EXPECT_EQ(meshForLevel(3, 9), 3);
  EXPECT_EQ(meshForLevel(-1, 3), 0);
}

TEST_F(UnitDraw, TheDrawnMeshFollowsTheDistance) {
  // Radius 1: q = 1 / distance.
  const float distance[4] = {5, 15, 50, 500};
  for (int count = 1; count <= 4; ++count) {
    useLevels(count);
    for (int level = 0; level < 4; ++level) {
      EXPECT_EQ(drawAt(distance[level]), level);
      EXPECT_EQ(drawnVertices(), static_cast<std::uint32_t>(3 + meshForLevel(level, count)))
          << "L=" << count << " level " << level;
    }
  }
  // More levels claimed than slots present: the last slot there is.
  useLevels(2);
  description.lodCount = 4;
  EXPECT_EQ(drawAt(500), 3);
  EXPECT_EQ(drawnVertices(), 4u);
}

TEST_F(UnitDraw, BelowAThousandthOfTheDistanceNothingIsDrawn) {
  attach(kAttachPropeller | kAttachFlame);
  EXPECT_EQ(drawAt(999), 3);
  EXPECT_EQ(device.draws().size(), 2u);
  EXPECT_EQ(flames.calls.size(), 1u);
  const float spin = unit.spinAngle;

  EXPECT_EQ(drawAt(1001), -1);
  EXPECT_TRUE(device.draws().empty());
  EXPECT_TRUE(device.commands().empty());
  EXPECT_EQ(flames.calls.size(), 1u);
  EXPECT_EQ(unit.spinAngle, spin);

  unit.radius = std::nanf("");
  EXPECT_EQ(drawAt(10), -1);
  unit.radius = 0;
  EXPECT_EQ(drawAt(0), -1);
}

// ---------------------------------------------------------------------------------------------
// Which mesh, and where

TEST_F(UnitDraw, UnitsWithoutDescriptionOrSlotsDrawTheSphere) {
  unit.description = nullptr;
  EXPECT_EQ(drawAt(5), 0);
  EXPECT_EQ(drawnVertices(), 114u);
  unit.description = &description;
  description.slots.clear();
  EXPECT_EQ(drawAt(5), 0);
  EXPECT_EQ(drawnVertices(), 114u);
  useLevels(1);
  description.slots[0].meshIndex = 4000;  // a stale index
  EXPECT_EQ(drawAt(5), 0);
  EXPECT_EQ(drawnVertices(), 114u);
}

TEST_F(UnitDraw, DestroyedUnitsShowTheirWreckUntilBuried) {
  unit.hitPoints = 0;
  unit.typeValue = models.find("wreck.x");
  EXPECT_EQ(drawAt(5), 0);
  EXPECT_EQ(drawnVertices(), 7u);
  unit.typeValue = 12345;
  drawAt(5);
  EXPECT_EQ(drawnVertices(), 114u);

  unit.flags |= kUnitBuried;
  EXPECT_EQ(drawAt(5), -1);
  EXPECT_TRUE(device.commands().empty());

  unit.hitPoints = 1;  // buried means nothing while the unit lives
  EXPECT_EQ(drawAt(5), 0);
  EXPECT_EQ(drawnVertices(), 3u);
}

TEST_F(UnitDraw, ADirtyMatrixIsRebuiltAndACleanOneIsUsedAsItIs) {
  unit.position = {100, 50, 200};
  unit.heading = 0.3f, unit.pitch = 0.1f, unit.roll = 0.2f;
  unit.world = translation(1, 2, 3);
  drawAt(5);
  EXPECT_TRUE(sameMatrix(device.draws()[0].state.world, translation(1, 2, 3)));

  unit.flags |= kUnitMatrixDirty | kUnitBuried;
  drawAt(5);
  EXPECT_EQ(unit.flags, static_cast<std::uint32_t>(kUnitBuried));
  const Matrix expected = unitMatrix(unit.position, 0.3f, 0.1f, 0.2f);
  EXPECT_TRUE(sameMatrix(unit.world, expected));
  EXPECT_TRUE(sameMatrix(device.draws()[0].state.world, expected));
}

TEST(UnitMatrix, RowsAreNoseUpSideAndPosition) {
  // Heading 0 points the nose along -x.
  EXPECT_TRUE(sameMatrix(unitMatrix({0, 0, 0}, 0, 0, 0), rotationY(kPi)));
  const Matrix m = unitMatrix({7, 8, 9}, 1.1f, 0.3f, -0.7f);
  const Vec3 nose = row(m, 0), up = row(m, 1), side = row(m, 2);
  EXPECT_NEAR(nose.x, -std::cos(1.1f) * std::cos(0.3f), 1e-5f);
  EXPECT_NEAR(nose.y, std::sin(0.3f), 1e-5f);  // positive pitch lifts the nose
  EXPECT_NEAR(nose.z, std::sin(1.1f) * std::cos(0.3f), 1e-5f);
  EXPECT_NEAR(length(cross(nose, up) - side), 0, 1e-5f);  // a rotation: orthonormal, not mirrored
  EXPECT_TRUE(sameMatrix(m, unitMatrix({0, 0, 0}, 1.1f, 0.3f, -0.7f) * translation(7, 8, 9)));
  // Rolling turns about the nose and leaves it where it was.
  EXPECT_NEAR(length(row(unitMatrix({7, 8, 9}, 1.1f, 0.3f, 0.9f), 0) - nose), 0, 1e-5f);
}

// ---------------------------------------------------------------------------------------------
// Attachments

TEST_F(UnitDraw, PropellersAndRotorsSpinTheBladeDiscInTheirFrames) {
  unit.flags |= kUnitMatrixDirty;
  unit.position = {500, 80, 900};
  unit.heading = 0.8f, unit.pitch = -0.2f, unit.roll = 0.4f;
  attach(kAttachPropeller, {4, 0, 0});
  attach(kAttachRotor, {0, 2, 1}, 0.3f, {2, 1, 3});     // above: tilted the other way
  attach(kAttachRotor, {0, -1, 0}, 0.3f, {2, 1, 3});
  attach(kAttachSideRotor, {-6, 1, 0}, 0.25f, {0.5f, 0.5f, 0.5f});
  attach(kAttachSmoke);  // neither spins nor draws here

  drawAt(5);
  const Matrix& world = unit.world;
  ASSERT_EQ(device.draws().size(), 5u);
  const Matrix expected[4] = {
      rotationX(0.5f) * translation(4, 0, 0) * world,
      scaling(2, 1, 3) * rotationX(1.0f) * rotationZ(-0.3f) * translation(0, 2, 1) * world,
      scaling(2, 1, 3) * rotationX(1.5f) * rotationZ(0.3f) * translation(0, -1, 0) * world,
      scaling(0.5f, 0.5f, 0.5f) * rotationX(2.0f) * rotationY(0.25f) * translation(-6, 1, 0) * world,
  };
  for (int i = 0; i < 4; ++i) {
    const RecordedDraw& blade = device.draws()[static_cast<std::size_t>(i) + 1];
    EXPECT_EQ(blade.numVertices, 97u) << i;  // "Propeller2.x"
    EXPECT_EQ(blade.primitiveCount, 320u);
    EXPECT_EQ(blade.state.fvf, 0x152u);
    EXPECT_TRUE(sameMatrix(blade.state.world, expected[i])) << i;
    // Translucent, and hides nothing behind it.
    EXPECT_EQ(blade.state.renderState(RenderState::ZWriteEnable), 0u);
    EXPECT_EQ(blade.state.renderState(RenderState::AlphaBlendEnable), 1u);
    EXPECT_EQ(blade.state.renderState(RenderState::SrcBlend), Blend::SrcAlpha);
    EXPECT_EQ(blade.state.renderState(RenderState::DestBlend), Blend::InvSrcAlpha);
  }
  EXPECT_FLOAT_EQ(unit.spinAngle, 2.0f);
  EXPECT_TRUE(flames.calls.empty());
}

TEST_F(UnitDraw, TheSpinWrapsPastAFullTurn) {
  attach(kAttachPropeller);
  unit.spinAngle = 5.7f;
  drawAt(5);
  EXPECT_FLOAT_EQ(unit.spinAngle, 6.2f);
  drawAt(5);
  EXPECT_NEAR(unit.spinAngle, 6.7f - 6.283f, 1e-5f);
  EXPECT_TRUE(sameMatrix(device.draws()[1].state.world, rotationX(6.7f - 6.283f)));
  // Each attachment steps and wraps on its own.
  unit.spinAngle = 5.5f;
  attach(kAttachPropeller);
  drawAt(5);
  EXPECT_TRUE(sameMatrix(device.draws()[1].state.world, rotationX(6.0f)));
  EXPECT_TRUE(sameMatrix(device.draws()[2].state.world, rotationX(6.5f - 6.283f)));
  EXPECT_NEAR(unit.spinAngle, 6.5f - 6.283f, 1e-5f);
}

TEST_F(UnitDraw, FlamesGoToTheSinkWithAFlickeringLength) {
  unit.world = translation(10, 20, 30);
  unit.fireTimer = 0.7f;
  attach(kAttachSmoke | kAttachFlame, {-3, 0.5f, 0}, 0, {1.5f, 9, 9});
  attach(kAttachFlame, {-3, -0.5f, 0}, 0, {0.75f, 1, 1});
  drawAt(5);
  ASSERT_EQ(flames.calls.size(), 2u);
  EXPECT_TRUE(sameMatrix(flames.calls[0].world, unit.world));
  EXPECT_FLOAT_EQ(flames.calls[0].point.x, -3);
  EXPECT_FLOAT_EQ(flames.calls[0].point.y, 0.5f);
  EXPECT_FLOAT_EQ(flames.calls[0].scale, 1.5f);
  EXPECT_FLOAT_EQ(flames.calls[0].length, 20 + std::sin(0.7f));
  EXPECT_FLOAT_EQ(flames.calls[1].scale, 0.75f);
  EXPECT_EQ(device.draws().size(), 1u);  // the mesh; the sink draws the flames
  EXPECT_EQ(unit.spinAngle, 0.0f);

  // Without a sink the flames are simply left out.
  device.clearRecording();
  EXPECT_EQ(drawUnit(UnitDrawContext{device, models, nullptr, {5, 0, 0}, nullptr}, unit), 0);
  EXPECT_EQ(device.draws().size(), 1u);
}

TEST_F(UnitDraw, DrawingLeavesTheStatesAsFound) {
  std::unique_ptr<Texture> skin;
  ASSERT_EQ(device.createTexture(4, 4, 1, Usage::None, Format::A8R8G8B8, Pool::Default, skin), kOk);
  models.model(description.slots[0].meshIndex).subsets[0].texture = skin.get();
  attach(kAttachPropeller | kAttachFlame);
  attach(kAttachRotor, {0, 1, 0}, 0.2f);
  unit.flags |= kUnitMatrixDirty;

  device.setRenderState(RenderState::AlphaBlendEnable, 0);
  device.setRenderState(RenderState::SrcBlend, Blend::One);
  device.setRenderState(RenderState::DestBlend, Blend::Zero);
  EXPECT_TRUE(leavesStatesAsFound(device, [&] { drawAt(5); }));
  EXPECT_EQ(device.draws().size(), 3u);

  // Depth writes are the scene's to choose: whatever they were, they are again.
  for (std::uint32_t zwrite : {0u, 1u}) {
    device.setRenderState(RenderState::ZWriteEnable, zwrite);
    drawAt(5);
    std::uint32_t now = 2;
    device.getRenderState(RenderState::ZWriteEnable, now);
    EXPECT_EQ(now, zwrite);
  }
  device.endScene();
}

}  // namespace
}  // namespace skyloom
