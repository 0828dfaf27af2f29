#pragma once
// The ground class of every height-tile sample, which the texturing and the scenery read:
// water with its depth, or land of classes 1 (shore) to 7 (snow) by height, slope and a little
// noise from a land picture so that the class borders are not contour lines.
//
// A classified sample is 32 bits:
//   0..15   height in height units (water: sea level)
//   16..23  water: depth below sea level, (sea − height) >> p, at most 255
//   24      land
//   25      water
//   28..31  ground class 0..7 (water 0)

#include <cstdint>
#include <span>

#include "world/land_image.h"
#include "world/terrain_cache_format.h"
#include "world/terrain_params.h"

namespace skyloom {

constexpr std::uint32_t kSampleHeightMask = 0xFFFFu;
constexpr int kSampleDepthShift = 16;
constexpr std::uint32_t kSampleLand = 1u << 24;
constexpr std::uint32_t kSampleWater = 1u << 25;
constexpr int kSampleClassShift = 28;

constexpr std::uint32_t sampleHeight(std::uint32_t s) { return s & kSampleHeightMask; }
constexpr int sampleClass(std::uint32_t s) { return static_cast<int>(s >> kSampleClassShift); }
constexpr int sampleDepth(std::uint32_t s) { return static_cast<int>((s >> kSampleDepthShift) & 0xFFu); }

// Samples flatter than this (255 × the normal's y, low bit ignored) are rock whatever their
// class: the tile says so as it is classified, so the texturing and the scenery agree however
// the tiles were paged.
constexpr int kSteepFlatness = 140;
constexpr int kRockClass = 3;

// The flatness of a sample, 255 × the y of the normal of the ground to its +x and +z
// neighbours, at u metres between samples (heights in metres).
int sampleFlatness(float h, float hx, float hz, float u);

// The noise picture's bytes are centred on this value; a missing picture reads as it, no noise.
constexpr int kNeutralNoise = 160;

// A sample and the neighbours its slope is measured to: the next sample along z (hz) and along
// x (hx), each against the height it is compared with (the sample itself, or at the tile's last
// row and column the sample before, as there is no next one).
struct ClassifyInput {
  int e = 0;      // height, units
  int noise = 0;  // the noise picture's byte − 160
  int ez = 0, hz = 0;
  int ex = 0, hx = 0;
};

class GroundClassifier {
 public:
  explicit GroundClassifier(const TerrainParams& params);

  // Classifies the 129 × 129 heights of a tile of the given level and origin (base samples).
  // noise may be null or unloaded: no noise then.
  void classifyTile(std::span<const std::uint16_t, kTileSampleCount> heights, int level, std::int32_t originX,
                    std::int32_t originZ, const LandImage* noise, std::span<std::uint32_t, kTileSampleCount> out) const;
  // One sample; slopeScale is slopeScale(level) of its tile.
  std::uint32_t classify(const ClassifyInput& in, int slopeScale) const;
  // A = 1000 / (the level's sample spacing in metres), the slope measure's scale.
  int slopeScale(int level) const;

  std::int32_t seaLevel() const { return sea_; }
  std::int32_t classHeight() const { return classHeight_; }
  // The class bounds above sea level, in units: 5 m, then 10 m more, then 403 m more.
  std::int32_t shoreBound() const { return shore_; }
  std::int32_t lowlandBound() const { return lowland_; }
  std::int32_t highlandBound() const { return highland_; }
  int depthShift() const { return depthShift_; }

 private:
  void markSteep(int level, std::span<std::uint32_t, kTileSampleCount> out) const;

  float spacing_;
  float heightUnit_;
  std::int32_t sea_;
  std::int32_t classHeight_;
  std::int32_t shore_;
  std::int32_t lowland_;
  std::int32_t highland_;
  int noiseScale_;  // units per noise step: about 1 m
  int depthShift_;  // p: depth steps of about 1 m
};

}  // namespace skyloom
