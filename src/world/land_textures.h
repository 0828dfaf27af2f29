#pragma once
// The eight tileable land pictures the terrain textures are composed from, one per ground class,
// each resampled by repetition into a square of a power-of-two side and reduced to a chain of
// mip images down to 1 × 1 (each texel the truncated mean of the 2 × 2 above it). A texture tile
// of pyramid level L reads mip image L, whose texel then spans the level's sample spacing, and
// repeats it across the ground.
//
// A picture that is missing or does not decode leaves its class a plain mid grey, so the
// terrain still draws; load says how many pictures were found.

#include <array>
#include <cstdint>
#include <vector>

#include "world/land_image.h"

namespace skyloom {

class LandTextures {
 public:
  static constexpr int kCount = 8;
  static constexpr int kMaxMipLevels = 16;
  // Larger pictures are refused: the resampled square would need more than 4 bytes per side.
  static constexpr int kMaxSide = 4096;

  LandTextures();

  // Loads "pack\land200.jpg" … "land207.jpg"; picture 2 is taken from noise when it is loaded
  // (the ground classification has read it already). Answers how many of the eight are in.
  int load(const LandImage* noise);
  // Takes picture k (0..7) as R, G, B rows; false, and the class left grey, for a bad size, a
  // bad number or too few bytes.
  bool assign(int k, const std::uint8_t* rgb, std::size_t bytes, int width, int height);
  // Grey for class k.
  void clear(int k);

  // log2 of the resampled side of picture k.
  int sideLog2(int k) const { return textures_[static_cast<std::size_t>(k)].sideLog2; }
  // The R, G, B texel that a tile of pyramid level `level` reads at base-relative sample
  // (x, z): mip image `level` (the last one beyond the chain), repeating.
  const std::uint8_t* texel(int k, int level, std::int32_t x, std::int32_t z) const {
    const Texture& t = textures_[static_cast<std::size_t>(k)];
    const int l = level < 0 ? 0 : (level >= kMaxMipLevels ? kMaxMipLevels - 1 : level);
    const int s = t.sideLog2 > l ? t.sideLog2 - l : 0;
    const std::int32_t mask = (std::int32_t{1} << s) - 1;
    return t.pixels.data() + t.mipOffset[static_cast<std::size_t>(l)] +
           3 * ((static_cast<std::size_t>(z & mask) << s) + static_cast<std::size_t>(x & mask));
  }

 private:
  struct Texture {
    int sideLog2 = 0;
    std::array<std::size_t, kMaxMipLevels> mipOffset{};  // byte offset of each mip image
    std::vector<std::uint8_t> pixels;                     // every mip image, R, G, B
  };
  std::array<Texture, kCount> textures_;
};

}  // namespace skyloom
