#include <gtest/gtest.h>

#include <vector>

#include "resources/mip_levels.h"

namespace skyloom {
namespace {

// Downsamples a 2 × 2 level of 16- or 32-bit texels to its single texel.
std::uint32_t reduce(Format format, bool alphaAware, std::vector<std::uint32_t> texels) {
  const std::uint32_t bytes = format == Format::A8R8G8B8 || format == Format::X8R8G8B8 ? 4 : 2;
  std::vector<std::uint8_t> src(4 * bytes), dst(bytes);
  for (std::size_t i = 0; i < 4; ++i) {
    for (std::uint32_t b = 0; b < bytes; ++b) src[i * bytes + b] = static_cast<std::uint8_t>(texels[i] >> (8 * b));
  }
  downsampleLevel(format, alphaAware, src.data(), static_cast<std::int32_t>(2 * bytes), 2, 2, dst.data(),
                  static_cast<std::int32_t>(bytes), 1, 1);
  std::uint32_t v = 0;
  for (std::uint32_t b = 0; b < bytes; ++b) v |= static_cast<std::uint32_t>(dst[b]) << (8 * b);
  return v;
}

TEST(MipLevels, EachChannelIsTheTruncatedMeanOfFourInEveryLayout) {
  // A4R4G4B4: a (15+15+15+14)/4 = 14, r (1+2+3+4)/4 = 2, g (15+0+0+0)/4 = 3, b (7+7+7+6)/4 = 6
  EXPECT_EQ(reduce(Format::A4R4G4B4, false, {0xF1F7, 0xF207, 0xF307, 0xE406}), 0xE236u);
  // R5G6B5: r (31+0+1+1)/4 = 8, g (63+0+2+1)/4 = 16, b (31+31+0+1)/4 = 15
  EXPECT_EQ(reduce(Format::R5G6B5, false, {0xFFFF, 0x001F, 0x0840, 0x0821}), (8u << 11) | (16u << 5) | 15u);
  // A8R8G8B8: a (255+255+0+1)/4 = 127, r (10+11+12+14)/4 = 11, g (0+0+0+255)/4 = 63, b (200+201+202+203)/4 = 201
  EXPECT_EQ(reduce(Format::A8R8G8B8, false, {0xFF0A00C8, 0xFF0B00C9, 0x000C00CA, 0x010EFFCB}), 0x7F0B3FC9u);
}

TEST(MipLevels, AlphaAwareWeightsColourByAlphaAndAveragesAlpha) {
  // Two opaque white texels beside two transparent black (keyed) ones: the plain box darkens the
  // edge to grey, the alpha-aware one keeps white at half coverage.
  EXPECT_EQ(reduce(Format::A4R4G4B4, false, {0xFFFF, 0x0000, 0xFFFF, 0x0000}), 0x7777u);
  EXPECT_EQ(reduce(Format::A4R4G4B4, true, {0xFFFF, 0x0000, 0xFFFF, 0x0000}), 0x7FFFu);
  // A8R8G8B8, alphas 255, 85, 0, 0: r = (200×255 + 100×85) / 340 = 175, a = 340/4 = 85
  EXPECT_EQ(reduce(Format::A8R8G8B8, true, {0xFFC80000, 0x55640000, 0x00FF00FF, 0x00FF00FF}), 0x55AF0000u);
  // Fully transparent blocks and opaque blocks give the plain average.
  EXPECT_EQ(reduce(Format::A4R4G4B4, true, {0x0F00, 0x0000, 0x0000, 0x0000}), 0x0300u);
  EXPECT_EQ(reduce(Format::A8R8G8B8, true, {0xFF0A00C8, 0xFF0B00C9, 0xFF0C00CA, 0xFF0EFFCB}),
            reduce(Format::A8R8G8B8, false, {0xFF0A00C8, 0xFF0B00C9, 0xFF0C00CA, 0xFF0EFFCB}));
  // Without an alpha channel there is nothing to weight by.
  EXPECT_EQ(reduce(Format::R5G6B5, true, {0xFFFF, 0x001F, 0x0840, 0x0821}), (8u << 11) | (16u << 5) | 15u);
}

TEST(MipLevels, ThinAndOddLevelsClampToTheirLastRowAndColumn) {
  // 3 × 1 A8R8G8B8 → 1 × 1: texels (0,0), (1,0) and the clamped copies below them.
  const std::vector<std::uint32_t> row = {0x00000004, 0x00000008, 0x000000FF};
  std::uint32_t out = 0;
  downsampleLevel(Format::A8R8G8B8, false, reinterpret_cast<const std::uint8_t*>(row.data()), 12, 3, 1,
                  reinterpret_cast<std::uint8_t*>(&out), 4, 1, 1);
  EXPECT_EQ(out, 6u);
  // 1 × 2 → 1 × 1
  const std::vector<std::uint16_t> column = {0x1000, 0x3000};
  std::uint16_t half = 0;
  downsampleLevel(Format::A4R4G4B4, false, reinterpret_cast<const std::uint8_t*>(column.data()), 2, 1, 2,
                  reinterpret_cast<std::uint8_t*>(&half), 2, 1, 1);
  EXPECT_EQ(half, 0x2000);
  EXPECT_FALSE(mipFormatSupported(Format::L8));
}

}  // namespace
}  // namespace skyloom
