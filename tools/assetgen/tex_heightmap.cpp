// "bmp.jpg": a height picture for the terrain made from an image. The terrain lifts each pixel by
// its brightness (and ripples that by a slow diagonal wave of its own), 100 m per pixel, so the
// picture is a grey elevation map: a coastal plain in the south-west rising through rolling
// hills to a range of branching, valley-cut ridges in the north-east.
#include <cmath>

#include "tex_makers.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

namespace {

constexpr std::uint32_t kSeed = 4001;

// How much of the picture is mountain: rises from the south-west corner to the north-east, with
// a wandering edge.
float mountainMask(float fx, float fy) {
  const float diagonal = (fx + (1.0f - fy)) * 0.5f;
  return smoothstep(0.35f, 0.75f, diagonal + 0.18f * fbm(fx, fy, 2, 4, 0.5f, kSeed));
}

float elevation(float fx, float fy) {
  // Warping the coordinates bends ridges and valleys so they do not follow the lattice.
  const float wx = fx + 0.04f * fbm(fx, fy, 4, 3, 0.5f, kSeed + 1);
  const float wy = fy + 0.04f * fbm(fx, fy, 4, 3, 0.5f, kSeed + 2);
  const float mask = mountainMask(fx, fy);
  const float ridges = ridged(wx, wy, 4, 6, 0.5f, kSeed + 3);
  const float hills = clamp01(0.5f + 0.5f * fbm(wx, wy, 8, 6, 0.55f, kSeed + 4));
  // Valleys: broad troughs along the zero lines of a low noise, deepest in the mountains.
  const float valley = smoothstep(0.0f, 0.3f, std::fabs(fbm(wx, wy, 3, 4, 0.5f, kSeed + 5)));
  const float lowland = 0.3f * hills * std::sqrt(hills) * (0.45f + 0.55f * smoothstep(0.0f, 0.5f, mask + 0.2f));
  const float massif = 0.15f + 0.85f * ridges;
  const float mountains = mask * (0.3f + 0.7f * valley) * massif;
  return clamp01(1.2f * (lowland + mountains));
}

}  // namespace

Picture makeHeightPicture() {
  Picture p(kHeightPictureSide, kHeightPictureSide, 1);
  const float inv = 1.0f / kHeightPictureSide;
  for (int y = 0; y < kHeightPictureSide; ++y) {
    for (int x = 0; x < kHeightPictureSide; ++x) {
      p.at(x, y)[0] = 255.0f * elevation(x * inv, y * inv);
    }
  }
  return p;
}

}  // namespace skyloom::assetgen
