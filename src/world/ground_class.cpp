#include "world/ground_class.h"

#include <algorithm>
#include <cmath>

namespace skyloom {
namespace {

// Classes of land, by rising height (and, between 10 m and about 400 m, alternating with the
// noise so that lowland textures mix).
constexpr std::uint32_t kClassWater = 0;
constexpr std::uint32_t kClassShore = 1;
constexpr std::uint32_t kClassLowlandAlt = 4;
constexpr std::uint32_t kClassRock = 5;
constexpr std::uint32_t kClassLowland = 6;
constexpr std::uint32_t kClassSnow = 7;

// Samples of a level finer than this step keep the noise picture at one pixel per sample; a
// coarser level samples the picture at this step so that its classes stay comparable.
constexpr int kMaxNoiseLevel = 8;
// Within this many units of the class height slopes count fully.
constexpr int kFullSlopeBelowClassHeight = 300;

int truncUnits(float metres, float heightUnit) { return static_cast<int>(metres / heightUnit); }

std::uint32_t landSample(std::int64_t height, std::uint32_t groundClass) {
  const auto h = static_cast<std::uint32_t>(std::clamp<std::int64_t>(height, 0, 0xFFFF));
  return h | kSampleLand | (groundClass << kSampleClassShift);
}

}  // namespace

GroundClassifier::GroundClassifier(const TerrainParams& params)
    : spacing_(params.spacing), heightUnit_(params.heightUnit), sea_(params.seaLevel), classHeight_(params.classHeight) {
  const float h = params.heightUnit;
  shore_ = sea_ + truncUnits(5.0f, h);
  lowland_ = shore_ + truncUnits(10.0f, h);
  highland_ = lowland_ + truncUnits(3.0f + 300.0f + 100.0f, h);
  noiseScale_ = truncUnits(1.01f, h);
  // floor(log2(truncate(1.1 / h))); 0 when a unit is over 1.1 m.
  const int steps = truncUnits(1.1f, h);
  depthShift_ = 0;
  while ((2 << depthShift_) <= steps) ++depthShift_;
}

int GroundClassifier::slopeScale(int level) const {
  const float levelSpacing = std::ldexp(spacing_, std::min(level, kMaxNoiseLevel));
  return static_cast<int>(1000.0f / levelSpacing);
}

std::uint32_t GroundClassifier::classify(const ClassifyInput& in, int slopeScale) const {
  const std::int64_t e = in.e;
  const std::int64_t bigE = e + in.noise / 16;
  if (bigE <= sea_) {
    const std::int64_t depth = std::min<std::int64_t>(255, (sea_ - bigE) >> depthShift_);
    const auto sea = static_cast<std::uint32_t>(std::clamp<std::int32_t>(sea_, 0, 0xFFFF));
    return sea | (static_cast<std::uint32_t>(depth) << kSampleDepthShift) | kSampleWater |
           (kClassWater << kSampleClassShift);
  }
  // Slopes weigh more the higher the ground: fully near the class height, little near the sea.
  const std::int64_t f = bigE > classHeight_ - kFullSlopeBelowClassHeight
                             ? slopeScale
                             : (bigE - sea_) * slopeScale / std::max<std::int32_t>(1, classHeight_);
  std::int64_t j = e + std::int64_t{in.noise} * noiseScale_;
  if (in.ez < in.hz) {
    j += (std::int64_t{in.ez} - in.hz) * f;
  } else if (in.hx < in.ex) {
    j -= (std::int64_t{in.ex} - in.hx) * f / 10;
  }
  const std::uint32_t odd = static_cast<std::uint32_t>(bigE & 1);
  if (j < shore_) return landSample(bigE, kClassShore);
  if (j < lowland_) return landSample(bigE, kClassShore + odd);
  if (j < highland_) return landSample(bigE, (j & 0x200) != 0 && odd ? kClassLowlandAlt : kClassLowland);
  if (j < classHeight_) return landSample(bigE, kClassRock - odd);
  return landSample(bigE, kClassSnow);
}

void GroundClassifier::classifyTile(std::span<const std::uint16_t, kTileSampleCount> heights, int level,
                                    std::int32_t originX, std::int32_t originZ, const LandImage* noise,
                                    std::span<std::uint32_t, kTileSampleCount> out) const {
  const bool withNoise = noise != nullptr && noise->loaded();
  const int a = slopeScale(level);
  const int step = 1 << std::min(level, kMaxNoiseLevel);
  constexpr int last = kTileSamples - 1;
  for (int row = 0; row < kTileSamples; ++row) {
    const std::uint16_t* line = heights.data() + static_cast<std::size_t>(row) * kTileSamples;
    // The last row measures its slope to the row before it.
    const std::uint16_t* zFrom = row < last ? line : line - kTileSamples;
    const std::uint16_t* zTo = row < last ? line + kTileSamples : line;
    const std::int64_t z = std::int64_t{originZ} + std::int64_t{row} * step;
    for (int col = 0; col < kTileSamples; ++col) {
      ClassifyInput in;
      in.e = line[col];
      in.ez = zFrom[col];
      in.hz = zTo[col];
      in.ex = col < last ? line[col] : line[col - 1];
      in.hx = col < last ? line[col + 1] : line[col];
      const std::int64_t x = std::int64_t{originX} + std::int64_t{col} * step;
      in.noise = withNoise ? static_cast<int>(noise->pixel(x, z)[0]) - kNeutralNoise : 0;
      out[static_cast<std::size_t>(row) * kTileSamples + col] = classify(in, a);
    }
  }
  markSteep(level, out);
}

int sampleFlatness(float h, float hx, float hz, float u) {
  const float nx = -u * (hx - h), nz = -u * (hz - h), ny = u * u;
  return static_cast<int>(255.0f * ny / std::sqrt(nx * nx + ny * ny + nz * nz));
}

// Steep samples become rock, measured as the texturing measures them: on the classified
// heights (water at sea level) to the +x and +z neighbours; the last row and column, which
// the next tile's texture draws, to the sample before.
void GroundClassifier::markSteep(int level, std::span<std::uint32_t, kTileSampleCount> out) const {
  constexpr int last = kTileSamples - 1;
  const float u = std::ldexp(spacing_, level);
  auto metres = [&](int row, int col) {
    return static_cast<float>(sampleHeight(out[static_cast<std::size_t>(row) * kTileSamples + col])) * heightUnit_;
  };
  // Read before written: a row's rewrite changes classes only, never heights.
  for (int row = 0; row < kTileSamples; ++row) {
    const int r0 = row < last ? row : row - 1;
    for (int col = 0; col < kTileSamples; ++col) {
      const int c0 = col < last ? col : col - 1;
      const float h = metres(r0, c0);
      if ((sampleFlatness(h, metres(r0, c0 + 1), metres(r0 + 1, c0), u) & 0xFE) >= kSteepFlatness) continue;
      std::uint32_t& s = out[static_cast<std::size_t>(row) * kTileSamples + col];
      s = (s & ~(0xFu << kSampleClassShift)) | (std::uint32_t{kRockClass} << kSampleClassShift);
    }
  }
}

}  // namespace skyloom
