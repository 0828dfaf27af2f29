// "tree.tga": four tree silhouettes with soft alpha edges. Texels outside a tree keep the colour
// of its crown, so filtering toward the transparent border does not draw a dark outline.
#include <cmath>

#include "tex_makers.h"
#include "tex_noise.h"

namespace skyloom::assetgen {

namespace {

constexpr int kSuper = 4;  // supersamples per axis for the coverage of the outline

struct TreeShape {
  float crownR, crownG, crownB;
  float trunkHalfWidth, trunkTop;                 // in cell units (u in [-1, 1], t in [0, 1])
  float crownCentre, crownHalfWidth, crownHalfHeight;
  bool conical;
};

constexpr TreeShape kShapes[kTreeKinds] = {
    {46, 82, 50, 0.06f, 0.14f, 0.55f, 0.80f, 0.45f, true},    // spruce
    {78, 118, 50, 0.09f, 0.40f, 0.62f, 0.92f, 0.36f, false},  // broadleaf
    {84, 122, 56, 0.06f, 0.22f, 0.56f, 0.36f, 0.42f, false},  // poplar
    {60, 96, 52, 0.05f, 0.66f, 0.80f, 0.85f, 0.17f, false},   // pine
};

// u spans a cell's 64 texels over 2, t its 128 texels over 1: t is scaled by this much more so
// the noise is round rather than streaked.
constexpr float kAspect = 2.0f * kTreeHeight / kTreeCellWidth;

// Leafy edge: the outline breathes in and out by this noise.
float leafNoise(int kind, float u, float t) {
  return gradientNoise(u * 5.0f + 40.0f * kind, t * 5.0f * kAspect, 64, 901) * 0.6f +
         gradientNoise(u * 13.0f, (t * 13.0f + 30.0f * kind) * kAspect, 64, 902) * 0.4f;
}

// Where (u, t) falls: 2 crown, 1 trunk, 0 nothing.
int part(int kind, float u, float t) {
  const TreeShape& s = kShapes[kind];
  const float n = leafNoise(kind, u, t);
  if (s.conical) {
    const float bottom = s.crownCentre - s.crownHalfHeight;
    const float rise = (t - bottom) / (2.0f * s.crownHalfHeight);
    if (rise >= 0.0f && rise <= 1.0f) {
      // Whorls of branches: the cone widens again at the bottom of each of seven tiers.
      const float tier = 7.0f * rise - std::floor(7.0f * rise);
      const float width = s.crownHalfWidth * (1.0f - rise) * (0.72f + 0.28f * (1.0f - tier)) + 0.02f;
      if (std::fabs(u) < width * (1.0f + 0.12f * n)) return 2;
    }
  } else {
    const float du = u / s.crownHalfWidth;
    const float dt = (t - s.crownCentre) / s.crownHalfHeight;
    if (du * du + dt * dt < 1.0f + 0.3f * n) return 2;
  }
  return (std::fabs(u) < s.trunkHalfWidth && t < s.trunkTop + 0.05f) ? 1 : 0;
}

void shadeTexel(int kind, float u, float t, int what, float* px) {
  const TreeShape& s = kShapes[kind];
  if (what == 1) {
    const float k = 0.8f + 0.3f * (u < 0.0f ? 1.0f : 0.0f);
    px[0] = 92 * k;
    px[1] = 70 * k;
    px[2] = 50 * k;
    return;
  }
  // Lit from the upper left; clumps of leaves catch the light.
  const float dt = (t - s.crownCentre) / s.crownHalfHeight;
  const float du = u / s.crownHalfWidth;
  const float clumps = gradientNoise(u * 9.0f, (t * 9.0f + 9.0f * kind) * kAspect, 64, 903);
  const float k = clamp01(0.8f + 0.25f * dt - 0.2f * du + 0.25f * clumps) + 0.25f;
  px[0] = s.crownR * k;
  px[1] = s.crownG * k;
  px[2] = s.crownB * k;
}

void paintTree(Picture& p, int kind) {
  const TreeShape& s = kShapes[kind];
  const float step = 1.0f / kSuper;
  for (int y = 0; y < kTreeHeight; ++y) {
    for (int x = 0; x < kTreeCellWidth; ++x) {
      int covered = 0;
      int crown = 0;
      for (int j = 0; j < kSuper; ++j) {
        for (int i = 0; i < kSuper; ++i) {
          const float u = ((x + (i + 0.5f) * step) / kTreeCellWidth) * 2.0f - 1.0f;
          const float t = 1.0f - (y + (j + 0.5f) * step) / kTreeHeight;
          const int what = part(kind, u, t);
          covered += what != 0;
          crown += what == 2;
        }
      }
      const float u = ((x + 0.5f) / kTreeCellWidth) * 2.0f - 1.0f;
      const float t = 1.0f - (y + 0.5f) / kTreeHeight;
      float* px = p.at(kind * kTreeCellWidth + x, y);
      if (covered == 0) {
        px[0] = s.crownR;
        px[1] = s.crownG;
        px[2] = s.crownB;
        px[3] = 0.0f;
        continue;
      }
      shadeTexel(kind, u, t, crown * 2 >= covered ? 2 : 1, px);
      px[3] = 255.0f * static_cast<float>(covered) / (kSuper * kSuper);
    }
  }
}

}  // namespace

Picture makeTree() {
  Picture p(kTreeKinds * kTreeCellWidth, kTreeHeight, 4);
  for (int kind = 0; kind < kTreeKinds; ++kind) paintTree(p, kind);
  return p;
}

}  // namespace skyloom::assetgen
