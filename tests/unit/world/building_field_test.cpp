#include "world/building_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/gfx/recording_device.h"
#include "world/ground_class.h"
#include "world/height_pyramid.h"
#include "world/terrain_landscape.h"

namespace skyloom {
namespace {

// Gentle lowland with a few steep banks: many flat class-6 sites and some too steep to build.
HeightGrid lowland() {
  HeightGrid g(256, 256);
  for (int z = 0; z < 256; ++z) {
    for (int x = 0; x < 256; ++x) {
      const double bank = (x / 16) % 5 == 0 ? (x % 16) * 12.0 : 0.0;  // a steep step every 80 samples
      g.at(x, z) = static_cast<std::uint16_t>((120.0 + 3.0 * std::sin(z / 7.0) + bank) * 6.0);
    }
  }
  return g;
}

struct Town {
  // Starts with the eye at (x, z) metres.
  explicit Town(float x = 3000.0f, float z = 3800.0f) : Town(x, z, 0) {}
  HeightSource source;
  TerrainParams params;
  std::unique_ptr<TilePyramid> pyramid;
  LandImage noise;
  std::unique_ptr<BuildingField> field;
  std::int32_t eyeX, eyeZ;
  Town(float x, float z, int) {
    source.loadGrid(lowland(), 30.0f);
    params = terrainParams(30.0f, source.heightUnit(), 0, 1.0f);
    pyramid = std::make_unique<TilePyramid>(source, params, nullptr);
    eyeX = static_cast<std::int32_t>(x / params.spacing);
    eyeZ = static_cast<std::int32_t>(z / params.spacing);
    pyramid->moveTo(eyeX, eyeZ);
    field = std::make_unique<BuildingField>(params, *pyramid, noise);
    field->moveTo(eyeX, eyeZ);
  }
};

TEST(BuildingField, SitesStandOnLevelClassSixGroundOnly) {
  Town t;
  const SceneryGrid& map = t.field->siteMap();
  ASSERT_EQ(map.size(), BuildingField::kSiteMapSize);
  int built = 0, tooSteep = 0;
  const std::int32_t c = map.cellSamples();
  for (std::int32_t z = t.eyeZ - 40 * c; z < t.eyeZ + 40 * c; z += c) {
    for (std::int32_t x = t.eyeX - 40 * c; x < t.eyeX + 40 * c; x += c) {
      const BuildingSite* site = t.field->siteAt(x, z);
      ASSERT_NE(site, nullptr);
      const std::int32_t sx = x & -c, sz = z & -c;
      const GroundSamples g = GroundSamples::fetch(*t.pyramid, map.shift(), sx, sz);
      const int cls = sampleClass(g.at(sx, sz));
      const float rise = std::abs(static_cast<float>(sampleHeight(g.at(sx + c, sz))) -
                                  static_cast<float>(sampleHeight(g.at(sx, sz)))) *
                         t.params.heightUnit;
      if (site->state == BuildingField::kBuilt) {
        ++built;
        EXPECT_EQ(cls, 6);
        EXPECT_LT(rise, 0.2f * static_cast<float>(c) * t.params.spacing);
        EXPECT_EQ(site->rotation, site->kind & 3);
      } else if (cls == 6 && rise >= 0.2f * static_cast<float>(c) * t.params.spacing) {
        ++tooSteep;
      }
    }
  }
  EXPECT_GT(built, 100);
  EXPECT_GT(tooSteep, 0);  // the banks are class 6 but not built
}

// The tiles made after the sites are known (here: the finest ones, fetched only now) are flat
// under each footprint at the site's height, and class 1 there.
TEST(BuildingField, TheGroundUnderABuildingIsLevelInLaterTiles) {
  Town t;
  const SceneryGrid& map = t.field->siteMap();
  const std::int32_t c = map.cellSamples();
  int checked = 0;
  for (std::int32_t z = t.eyeZ - 8 * c; z < t.eyeZ + 8 * c && checked < 20; z += c) {
    for (std::int32_t x = t.eyeX - 8 * c; x < t.eyeX + 8 * c && checked < 20; x += c) {
      const BuildingSite* site = t.field->siteAt(x, z);
      if (site->state != BuildingField::kBuilt) continue;
      const std::int32_t sx = x & -c, sz = z & -c;
      const std::int32_t cx = sx + site->dx * c / 256, cz = sz + site->dz * c / 256;
      int level = 0;
      const std::uint32_t* tile = t.pyramid->fetchGenerating(level, cx, cz);
      ASSERT_NE(tile, nullptr);
      ASSERT_EQ(level, 0);
      GroundSamples g{tile, 0, cx & ~127, cz & ~127};
      const std::uint32_t s = g.at(cx, cz);
      EXPECT_EQ(sampleHeight(s), site->ground);
      EXPECT_EQ(sampleClass(s), 1);
      EXPECT_NEAR(
          t.pyramid->groundHeight(static_cast<float>(cx) * t.params.spacing, static_cast<float>(cz) * t.params.spacing),
          site->ground * t.params.heightUnit, 0.01f);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 20);
}

// Sites rebuilt as the eye travels are the ones a field made there at once: the levelling of
// the tiles met on the way never reaches the tiles the sites are read from.
TEST(BuildingField, TheSamePlaceShowsTheSameBuildingsHoweverTheEyeCameThere) {
  Town travelled(1500.0f, 2000.0f);
  const Town direct;
  for (int k = 1; k <= 40; ++k) {
    const std::int32_t x = travelled.eyeX + (direct.eyeX - travelled.eyeX) * k / 40;
    const std::int32_t z = travelled.eyeZ + (direct.eyeZ - travelled.eyeZ) * k / 40;
    travelled.pyramid->update(x, z);
    travelled.field->moveTo(x, z);
  }
  const SceneryGrid& map = direct.field->siteMap();
  ASSERT_EQ(travelled.field->siteMap().originX(), map.originX());
  int built = 0;
  for (int j = 0; j < map.size(); j += 3) {
    for (int i = 0; i < map.size(); i += 3) {
      const BuildingSite* a = travelled.field->siteAt(map.cellX(i), map.cellZ(j));
      const BuildingSite* b = direct.field->siteAt(map.cellX(i), map.cellZ(j));
      ASSERT_EQ(a->state, b->state) << i << "," << j;
      EXPECT_EQ(a->kind, b->kind);
      EXPECT_NEAR(a->ground, b->ground, 1);
      built += a->state == BuildingField::kBuilt;
    }
  }
  EXPECT_GT(built, 100);
}

TEST(BuildingField, DrawsOnlyTheWallsFacingTheEyeAndTheRoofFromAbove) {
  Town t;
  const auto frame = [&](float height) {
    const Vec3 eye{static_cast<float>(t.eyeX) * t.params.spacing, height,
                   static_cast<float>(t.eyeZ) * t.params.spacing};
    ViewFrustum frustum(640, 480, 1.5707963f);
    frustum.update(lookAlong(eye, 0.3f, -0.2f));
    RecordingDevice device;
    device.beginScene();
    HazeRamp ramp(0xFF3070CF);
    HazeView haze;
    haze.eye = eye;
    t.field->draw(device, frustum, ramp, haze);
    int roofs = 0, facingAway = 0, quads = 0;
    for (const RecordedDraw& d : device.draws()) {
      EXPECT_EQ(d.state.fvf, kSceneryFvf);
      EXPECT_EQ(d.state.renderState(RenderState::AlphaBlendEnable), 0u);
      for (std::uint32_t b = 0; b + 3 < d.numVertices; b += 4) {
        ++quads;
        const float y0 = d.floatAt(b, 4), y2 = d.floatAt(b + 2, 4);
        if (y0 == y2) {
          ++roofs;
          EXPECT_LT(y0, eye.y);
          continue;
        }
        // A wall's outward side: the eye lies beyond its plane.
        const float ex = d.floatAt(b + 1, 0) - d.floatAt(b, 0), ez = d.floatAt(b + 1, 8) - d.floatAt(b, 8);
        const float nx = ez, nz = -ex;  // walls run clockwise seen from above
        const float toEyeX = eye.x - d.floatAt(b, 0), toEyeZ = eye.z - d.floatAt(b, 8);
        if (nx * toEyeX + nz * toEyeZ < 0) ++facingAway;
      }
    }
    EXPECT_EQ(quads, t.field->quadsDrawn());
    EXPECT_EQ(facingAway, 0);
    return roofs;
  };
  EXPECT_GT(frame(2000.0f), 0);
  EXPECT_EQ(frame(100.0f), 0);  // below the roofs
}

}  // namespace
}  // namespace skyloom
