// "detail.jpg": the terrain's close-range grain. The land textures stretch over whole tiles of
// ground, so near the eye they are smooth; this small grey tile repeats every few metres and
// modulates them with a fine, light mottle (grit, tufts, small stones). It is bright (about
// 0.9 on average) so that it darkens the ground only a little, and its mip levels fade to an
// even grey, so the grain vanishes with distance instead of shimmering.
#include <cmath>

#include "tex_makers.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

namespace {
constexpr std::uint32_t kSeed = 5101;
}  // namespace

Picture makeDetailTexture() {
  Picture p(kDetailSide, kDetailSide, 3);
  for (int y = 0; y < kDetailSide; ++y) {
    for (int x = 0; x < kDetailSide; ++x) {
      const float fx = (x + 0.5f) / kDetailSide, fy = (y + 0.5f) / kDetailSide;
      // Two scales of mottle and a sprinkle of single-pixel specks, all periodic over the tile.
      const float coarse = fbm(fx, fy, 4, 3, 0.5f, kSeed);
      const float fine = fbm(fx, fy, 16, 2, 0.5f, kSeed + 1);
      const float speck = hashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 0, kSeed + 2);
      float v = 232.0f + 14.0f * coarse + 10.0f * fine;
      if (speck > 0.97f) v -= 28.0f;
      v = std::fmin(255.0f, std::fmax(170.0f, v));
      // A faint warm cast, so the grain does not grey the green of the fields.
      p.set(x, y, v, v * 0.995f, v * 0.985f);
    }
  }
  return p;
}

}  // namespace skyloom::assetgen
