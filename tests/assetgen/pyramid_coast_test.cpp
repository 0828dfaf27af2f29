// The height pyramid over the shipped "coast.tem" (the build's generated data): every level's
// tiles around a point on the coast follow the real heights, not a plateau of the empty level.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "world/ground_class.h"
#include "world/height_pyramid.h"
#include "world/height_source.h"
#include "world/terrain_params.h"

namespace skyloom {
namespace {

TEST(PyramidOverTheCoast, EveryLevelFollowsTheFilesHeights) {
  const std::string path = std::string(SKYLOOM_ASSETS_DIR) + "/Skyloom/tem/coast.tem";
  HeightSource source;
  source.loadPath(path);
  ASSERT_EQ(source.kind(), HeightSourceKind::TiledCache) << path;
  const TerrainParams params = terrainParams(source.sampleSpacing(), source.heightUnit(), 0, 3.0f);
  const int n = params.levelsBelowSource;
  TilePyramid pyramid(source, params, nullptr);

  // The file's own level-0 sample at a source position.
  auto real = [&](std::int64_t x, std::int64_t z) {
    std::uint16_t s = 0;
    EXPECT_TRUE(source.sample(x, z, s));
    return s;
  };

  // A place 3 km from the file's centre, in base samples.
  const std::int32_t eyeX = (300 << n), eyeZ = (-250 << n);
  pyramid.moveTo(eyeX, eyeZ);
  for (int l = 0; l < pyramid.levelCount(); ++l) {
    int level = l;
    const std::uint32_t* samples = pyramid.fetchGenerating(level, eyeX, eyeZ);
    ASSERT_NE(samples, nullptr);
    ASSERT_EQ(level, l);
    const HeightTile& t = *pyramid.tileAt(l, eyeX, eyeZ);
    double sumError = 0;
    int compared = 0;
    for (int j = 0; j < kTileSamples; j += 8) {
      for (int i = 0; i < kTileSamples; i += 8) {
        // Only where the file holds land: the extent is 4096 source samples across.
        const std::int64_t x = (t.originX + (std::int64_t{i} << l)) >> n;
        const std::int64_t z = (t.originZ + (std::int64_t{j} << l)) >> n;
        if (std::abs(x) >= 2048 || std::abs(z) >= 2048) continue;
        const std::uint32_t s = samples[j * kTileSamples + i];
        ASSERT_NE(s & 0xFFFF, 0xFFFFu) << "level " << l;
        sumError += std::abs(static_cast<double>(s & 0xFFFF) - real(x, z));
        ++compared;
      }
    }
    ASSERT_GT(compared, 0) << "level " << l;
    // Coarse levels are filtered: a mean error of 40 m allows for that, and is far from the
    // 10.9 km of an empty level.
    EXPECT_LT(sumError / compared * source.heightUnit(), 40.0) << "level " << l;
  }
}

}  // namespace
}  // namespace skyloom
