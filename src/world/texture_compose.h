#pragma once
// Composition of one terrain texture tile from its height tile: one texel per height sample,
// the land picture of the sample's ground class, shaded by the slope towards the sun, darkened
// with depth over water, with a white fringe along the coast, tinted and coloured by the sun.
// A tile is composed a quarter (32 rows) at a time so the work spreads over frames.
//
// Portable: the composer writes 0xAARRGGBB texels into a caller's 128 × 128 array, rows along z
// with the tile's lowest z in the last row (the terrain's texture coordinates run v = 1 at the
// tile's low-z edge). texel_pack turns them into the device formats.

#include <cstdint>
#include <memory>

#include "core/math.h"
#include "world/ground_class.h"
#include "world/land_textures.h"

namespace skyloom {

struct Light;

constexpr int kTextureTileSide = 128;
constexpr int kTextureQuarters = 4;
constexpr int kTextureQuarterRows = kTextureTileSide / kTextureQuarters;

constexpr int kSnowClass = 7;

// What the composition reads of the sky and the world.
struct ComposeLight {
  float red = 1.0f, green = 1.0f, blue = 1.0f;  // the sun's diffuse colour, 0..1
  Vec3 direction{0.0f, -1.0f, 0.0f};            // the way the light travels
  std::uint8_t tint[3] = {0x30, 0x30, 0x30};    // the floor of every channel before the picture
};
ComposeLight composeLightFrom(const Light& sun, std::uint32_t tint);

class TextureComposer {
 public:
  TextureComposer();

  // Composes rows [32 q, 32 q + 32) of a tile of pyramid level `level` from its 129 × 129
  // classified samples into texels (128 × 128, see above). Steep samples are written back into
  // the height tile as class 3 (the scenery reads the class too). spacing: metres between base
  // samples; heightUnit: metres per height unit.
  void composeQuarter(std::uint32_t* samples, int level, int quarter, float spacing, float heightUnit,
                      const LandTextures& land, const ComposeLight& light, std::uint32_t* texels);

  // The shade and flatness of the last quarter's samples (rows of the quarter), for tests.
  std::uint8_t shade(int x, int row) const { return shade_[row * kTextureTileSide + x]; }
  std::uint8_t flatness(int x, int row) const { return flat_[row * kTextureTileSide + x]; }

 private:
  void shadeQuarter(const std::uint32_t* samples, int level, int quarter, float spacing, float heightUnit,
                    const Vec3& toSun);

  // Work buffers shared by all tiles: the quarter's heights in metres (one row more than the
  // quarter), shade and flatness of its samples.
  std::unique_ptr<float[]> heights_;
  std::unique_ptr<std::uint8_t[]> shade_;
  std::unique_ptr<std::uint8_t[]> flat_;
};

// Packs composed texels into a locked level: R5G6B5 (each channel scaled as (v × 2^k − v) >> 8)
// or A8R8G8B8 with alpha 255. rows [row0, row0 + count) of a 128-wide tile.
void packTexels(bool r5g6b5, const std::uint32_t* texels, int row0, int count, std::uint8_t* bits,
                std::int32_t pitch);

}  // namespace skyloom
