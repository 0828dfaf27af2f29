// Needs the whole terrain world (levels, select pass and draw pass together).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "world/crack_check.h"
#include "world/terrain_draw.h"
#include "world/terrain_landscape.h"
#include "world/terrain_world.h"

namespace skyloom {
namespace {

// The squares whose sides may stay open: the coarsest grid's outline and every culled cell.
void openBorders(TerrainWorld& world, std::vector<SampleRect>& out) {
  out.clear();
  const ClodLevel& top = world.coarsest();
  const std::int32_t span = top.size << top.shift;
  out.push_back({top.originX, top.originZ, top.originX + span, top.originZ + span});
  for (int k = 0; k < world.levelCount(); ++k) {
    const ClodLevel& l = world.level(k);
    for (int j = 0; j < l.size; ++j)
      for (int i = 0; i < l.size; ++i)
        if (l.cell(i, j).flags & CellFlag::kCulled)
          out.push_back({l.cornerX(i), l.cornerZ(j), l.cornerX(i) + l.cellSamples, l.cornerZ(j) + l.cellSamples});
  }
}

TEST(TerrainCracks, SettledFramesHaveNoCracksFromAThousandRandomViews) {
  auto source = std::make_unique<HeightSource>();
  source->loadGrid(generatedLandscape(), 30.0f);
  TerrainSettings settings;
  settings.detail = 3.0f;
  TerrainWorld world(7000.0f, 7000.0f, std::move(source), settings);
  RecordingDeviceConfig config;
  config.captureState = false;  // only the triangles matter here
  RecordingDevice device(config);
  ASSERT_EQ(world.restore(device), kOk);
  device.beginScene();
  ViewFrustum frustum(640, 480, 1.0f);

  std::mt19937 rng(20240613);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  Vec3 eye{7000, 0, 7000};
  std::vector<GroundTriangle> triangles;
  std::vector<SampleRect> borders;
  // SKYLOOM_CRACK_POSES sets a longer run (the README's 10,000-pose check).
  const char* posesText = std::getenv("SKYLOOM_CRACK_POSES");
  const int poses = posesText ? std::max(1, std::atoi(posesText)) : 1000;
  for (int pose = 0; pose < poses; ++pose) {
    // A wandering flight: mostly short moves, now and then a jump across the map.
    const float step = pose % 97 == 0 ? 4000.0f : 150.0f;
    eye.x = std::clamp(eye.x + (unit(rng) - 0.5f) * 2 * step, 500.0f, 14500.0f);
    eye.z = std::clamp(eye.z + (unit(rng) - 0.5f) * 2 * step, 500.0f, 14500.0f);
    eye.y = world.heights().groundHeight(eye.x, eye.z) + 2.0f + 3000.0f * unit(rng) * unit(rng);
    frustum.update(lookAlong(eye, unit(rng) * 6.2832f, -1.4f + 1.6f * unit(rng)));

    world.frameUpdate(frustum.eye());
    // Settle the pyramid, so every batch reads its shared vertices from tiles of one generation.
    while (world.heights().update(world.eyeCellX(), world.eyeCellZ()) > 0) {
    }
    world.selectPass(frustum);
    openBorders(world, borders);
    device.clearRecording();
    world.draw().drawPass(device);

    triangles.clear();
    collectGroundTriangles(device, world.spacing(), triangles);
    const CrackReport r = checkCracks(triangles, borders, true);
    ASSERT_TRUE(r.clean()) << "pose " << pose << " eye (" << eye.x << ", " << eye.y << ", " << eye.z
                           << "): " << r.first << "; T-junctions " << r.tJunctions << ", holes " << r.holeEdges
                           << ", overlaps " << r.overlappingEdges << ", height clashes " << r.heightClashes
                           << ", winding " << r.badWinding;
    ASSERT_GT(r.triangles, 0u) << pose;
  }
}

}  // namespace
}  // namespace skyloom
