#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <cstdint>
#include <vector>

#include "resources/jpeg_encode.h"
#include "resources/pack_test_util.h"
#include "core/file.h"
#include "world/cubic_refine.h"
#include "world/ground_class.h"
#include "world/land_image.h"
#include "world/terrain_params.h"

namespace skyloom {
namespace {

constexpr float kUnit = 0.16666669f;

// Refines in (segments + 3 samples) and returns the 2 × segments + 1 samples.
std::vector<std::uint16_t> refined(const std::vector<std::uint16_t>& in, float sourceSpacing = 10.0f) {
  const int segments = static_cast<int>(in.size()) - 3;
  std::vector<std::uint16_t> out(static_cast<std::size_t>(2 * segments + 1));
  refineLine(in.data(), 1, segments, cubicBendScale(kUnit, sourceSpacing), out.data(), 1);
  return out;
}

// Worked by hand with k = (1/6) / (1.01 × 10²) = 0.00165 and every sample + 0.2:
//  0, [0, 60], 180: d = 0, 60, 120; a = b = 0.5 + 60k = 0.599; m0 = 60a = 35.94,
//    m1 = 120 − 60b = 84.06; c2 = 3(60 − 35.94) + 35.94 − 84.06 = 24.06; c3 = 0;
//    p(½) = 0.2 + 17.97 + 6.01 = 24.19 → 24.
//  0, [60, 180], 180: d = 60, 120, 0; a = 0.599, b = 0.5 + 120k = 0.698; m0 = 95.94,
//    m1 = 83.76; c2 = 84.36; c3 = −60.30; p(½) = 60.2 + 47.97 + 21.09 − 7.54 = 121.72 → 121.
//  0, [0, 600], 600: |k·600| + 0.5 > 1, so both end slopes are the chord: a straight line, 300.
//  0, [0, 60], 60: symmetric, a = b = 0.599: p(½) = 30.2 → 30.
TEST(CubicRefine, MatchesHandWorkedSegments) {
  EXPECT_EQ(refined({0, 0, 60, 180, 180}), (std::vector<std::uint16_t>{0, 24, 60, 121, 180}));
  EXPECT_EQ(refined({0, 0, 600, 600}), (std::vector<std::uint16_t>{0, 300, 600}));
  EXPECT_EQ(refined({0, 0, 60, 60}), (std::vector<std::uint16_t>{0, 30, 60}));
  // A straight slope stays straight: its midpoints are exact.
  EXPECT_EQ(refined({100, 200, 300, 400, 500}), (std::vector<std::uint16_t>{200, 250, 300, 350, 400}));
}

TEST(CubicRefine, ClampsOvershootToTheSampleRangeAndCapsTheSpacing) {
  // At 300 m spacing every bend counts as gentle (a = 0.62): a full-height ridge overshoots to
  // 71758 and a full-depth trough to −6223; both are clamped rather than wrapped.
  EXPECT_EQ(refined({0, 65535, 65535, 0}, 300.0f), (std::vector<std::uint16_t>{65535, 65535, 65535}));
  EXPECT_EQ(refined({65535, 0, 0, 65535}, 300.0f), (std::vector<std::uint16_t>{0, 0, 0}));
  EXPECT_EQ(cubicBendScale(kUnit, 1000.0f), cubicBendScale(kUnit, 300.0f));
}

TEST(CubicRefine, WindowKeepsItsSamplesAndRefinesPlanesExactly) {
  std::array<std::uint16_t, kRefineInputCount> in{};
  for (int j = 0; j < kRefineInputSamples; ++j) {
    for (int i = 0; i < kRefineInputSamples; ++i) in[j * kRefineInputSamples + i] = static_cast<std::uint16_t>(1000 + 10 * i + 20 * j);
  }
  std::array<std::uint16_t, kTileSampleCount> out{};
  refineWindow(in, cubicBendScale(kUnit, 10.0f), out);
  // Output (x, z) lies at input (1 + x/2, 1 + z/2): the plane 1000 + 10(1 + x/2) + 20(1 + z/2).
  for (int z = 0; z < kTileSamples; ++z) {
    for (int x = 0; x < kTileSamples; ++x) {
      ASSERT_EQ(out[z * kTileSamples + x], 1030 + 5 * x + 10 * z) << x << "," << z;
    }
  }
}

// Terrain values as the world derives them for a 10 m source, 1/6 m units, sea at 0 m.
TerrainParams classParams(int seaMetres = 0) { return terrainParams(10.0f, kUnit, seaMetres, 3.0f); }

ClassifyInput flat(int e, int noise = 0) { return ClassifyInput{e, noise, e, e, e, e}; }

TEST(GroundClass, BoundsAreTruncatedUnitsAboveSea) {
  const GroundClassifier c(classParams());
  EXPECT_EQ(c.seaLevel(), 0);
  EXPECT_EQ(c.classHeight(), 11999);
  EXPECT_EQ(c.shoreBound(), 29);      // 5 m: 29.99999 units
  EXPECT_EQ(c.lowlandBound(), 29 + 59);
  EXPECT_EQ(c.highlandBound(), 88 + 2417);
  EXPECT_EQ(c.depthShift(), 2);  // 1.1 m is 6 units: depth in steps of 4
  EXPECT_EQ(c.slopeScale(0), 800);  // 1000 / 1.25 m
  EXPECT_EQ(c.slopeScale(12), 3);   // the step stops growing at level 8: 1000 / 320 m
}

TEST(GroundClass, SortsFlatGroundIntoEveryClassByHeight) {
  const GroundClassifier c(classParams());
  const int a = c.slopeScale(0);
  auto cls = [&](int e) { return sampleClass(c.classify(flat(e), a)); };
  EXPECT_EQ(cls(10), 1);     // shore
  EXPECT_EQ(cls(50), 1);     // low land: 1 + (E & 1)
  EXPECT_EQ(cls(51), 2);
  EXPECT_EQ(cls(512), 6);    // up to 403 m more: 6 …
  EXPECT_EQ(cls(513), 4);    // … or 4 where bit 9 of J and bit 0 of E are set
  EXPECT_EQ(cls(1025), 6);   // odd, bit 9 clear
  EXPECT_EQ(cls(5000), 5);   // up to 2000 m: 5 − (E & 1)
  EXPECT_EQ(cls(5001), 4);
  EXPECT_EQ(cls(12000), 7);  // snow
  const std::uint32_t land = c.classify(flat(5001), a);
  EXPECT_EQ(sampleHeight(land), 5001u);
  EXPECT_NE(land & kSampleLand, 0u);
  EXPECT_EQ(land & kSampleWater, 0u);
}

TEST(GroundClass, WaterKeepsSeaLevelAndItsDepth) {
  const GroundClassifier c(classParams(100));  // sea at 599 units: 599.9999, truncated
  const int a = c.slopeScale(0);
  const std::uint32_t shallow = c.classify(flat(100), a);
  EXPECT_EQ(sampleHeight(shallow), 599u);
  EXPECT_EQ(sampleDepth(shallow), (599 - 100) >> 2);
  EXPECT_EQ(sampleClass(shallow), 0);
  EXPECT_EQ(shallow & (kSampleWater | kSampleLand), kSampleWater);
  EXPECT_EQ(sampleDepth(c.classify(flat(599), a)), 0);  // exactly at sea level is water
  const GroundClassifier deep(classParams(1000));
  EXPECT_EQ(sampleDepth(deep.classify(flat(0), a)), 255);  // 6000 >> 2, capped
}

TEST(GroundClass, NoiseAndSlopesMoveTheBorders) {
  const GroundClassifier c(classParams());
  const int a = c.slopeScale(0);
  // Noise +95: E = 20 + 95/16 = 25 (kept as the height), J = 20 + 95 × 6 = 590: bit 9 set, E odd.
  const std::uint32_t lifted = c.classify(flat(20, 95), a);
  EXPECT_EQ(sampleHeight(lifted), 25u);
  EXPECT_EQ(sampleClass(lifted), 4);
  // Noise −160 sinks a 5-unit beach below the sea: E = −5, depth 5 >> 2.
  const std::uint32_t sunk = c.classify(flat(5, -160), a);
  EXPECT_NE(sunk & kSampleWater, 0u);
  EXPECT_EQ(sampleDepth(sunk), 1);
  // Rising 10 units towards the next row at E = 5000: F = 5000 × 800 / 11999 = 333, so
  // J = 5000 − 3330 falls from rock to class 6.
  EXPECT_EQ(sampleClass(c.classify(ClassifyInput{5000, 0, 5000, 5010, 5000, 5000}, a)), 6);
  // Falling 1000 units towards the next sample: J = 5000 − 1000 × 333 / 10 < 29: shore.
  EXPECT_EQ(sampleClass(c.classify(ClassifyInput{5000, 0, 5000, 5000, 5000, 4000}, a)), 1);
}

TEST(GroundClass, TileMeasuresItsLastRowAndColumnBackwardsAndTilesTheNoise) {
  const GroundClassifier c(classParams());
  std::array<std::uint16_t, kTileSampleCount> heights;
  heights.fill(5000);
  // The last row rises by 10: row 127 sees it ahead, row 128 behind it; row 126 stays rock.
  for (int i = 0; i < kTileSamples; ++i) heights[128 * kTileSamples + i] = 5010;
  std::array<std::uint32_t, kTileSampleCount> out{};
  c.classifyTile(heights, 0, 0, 0, nullptr, out);
  EXPECT_EQ(sampleClass(out[126 * kTileSamples + 5]), 5);
  EXPECT_EQ(sampleClass(out[127 * kTileSamples + 5]), 6);
  EXPECT_EQ(sampleClass(out[128 * kTileSamples + 5]), 6);

  // Noise byte = x mod 256 of the picture; a level-9 tile reads it every 256 pixels (the step
  // stops at level 8), from its origin, wrapping at 512.
  Image picture;
  picture.width = picture.height = LandImage::kSide;
  picture.pixels = allocatePixels(picture.width, picture.height, 3);
  for (int z = 0; z < LandImage::kSide; ++z) {
    for (int x = 0; x < LandImage::kSide; ++x) picture.pixels[(z * LandImage::kSide + x) * 3] = static_cast<std::uint8_t>(x + 2 * z);
  }
  LandImage noise;
  ASSERT_TRUE(noise.assign(picture));
  heights.fill(3000);
  c.classifyTile(heights, 9, 100, -512, &noise, out);
  // Sample (col, row) reads pixel ((100 + 256 col) mod 512, (256 row) mod 512).
  auto expected = [](int col, int row) {
    const int x = (100 + 256 * col) & 511, z = (256 * row) & 511;
    return 3000 + ((x + 2 * z) % 256 - 160) / 16;
  };
  for (int k : {0, 1, 2, 3, 77}) EXPECT_EQ(sampleHeight(out[k * kTileSamples + k]), static_cast<std::uint32_t>(expected(k, k)));
}

TEST(LandImageLoad, LoadsTheNoisePictureAndRefusesOtherSizes) {
  testing::ScratchDir dir;
  EXPECT_FALSE(LandImage().load(kNoiseLandImage));  // missing
  EXPECT_EQ(LandImage::fileName(kNoiseLandImage), "pack\\land202.jpg");

  std::filesystem::create_directories(dir.path() / "pack");
  std::vector<std::uint8_t> pixels(LandImage::kBytes, 200);
  std::vector<std::uint8_t> jpeg;
  ASSERT_TRUE(encodeJpeg(pixels.data(), LandImage::kSide, LandImage::kSide, 3, 95, jpeg));
  ASSERT_TRUE(writeFileReplacing(dir / "pack/land202.jpg", jpeg.data(), jpeg.size()));
  LandImage image;
  ASSERT_TRUE(image.load(kNoiseLandImage));
  EXPECT_NEAR(image.pixel(-1, 700)[0], 200, 2);

  ASSERT_TRUE(encodeJpeg(pixels.data(), 256, 256, 3, 95, jpeg));
  ASSERT_TRUE(writeFileReplacing(dir / "pack/land202.jpg", jpeg.data(), jpeg.size()));
  EXPECT_FALSE(image.load(kNoiseLandImage));
  EXPECT_FALSE(image.loaded());
}

}  // namespace
}  // namespace skyloom
