// The eight land textures. One texel is one height sample of the finest terrain level (a metre
// or two), and the texture repeats across the ground every kLandSide samples: detail belongs at
// the scale of a few texels to a few dozen; anything broader shows as a repeating pattern from
// the air, so the coarsest noise is kept weak. Every noise here is periodic over the picture.
#include <cmath>

#include "tex_land_paint.h"

namespace skyloom::assetgen {

namespace {

constexpr float kTwoPi = 6.2831853f;

// Open water seen from above: the terrain shading tints it by depth, so the texture only adds
// gentle wave texture around a blue that the tint turns teal in the shallows.
Picture water() {
  return paintLand([](float fx, float fy, int x, int y) {
    const float waves = fbm(fx, fy, 32, 4, 0.55f, 101);
    const float swell = fbm(fx, fy, 8, 2, 0.5f, 102);
    float k = 1.0f + 0.06f * waves + 0.03f * swell + 0.015f * grain(x, y, 103);
    // Sparse glints on the wave crests.
    if (waves > 0.35f && hashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 1, 104) > 0.985f) k += 0.12f;
    return scale(Rgb{72, 116, 190}, k);
  });
}

// Dry sand with wind ripples and damp darker patches.
Picture beachSand() {
  return paintLand([](float fx, float fy, int x, int y) {
    const float warp = fbm(fx, fy, 8, 3, 0.5f, 201);
    // Whole numbers of ripples across the picture keep the bands periodic.
    const float ripple = std::sin(kTwoPi * (40.0f * fy + 10.0f * fx + 2.5f * warp));
    const float patches = fbm(fx, fy, 16, 4, 0.5f, 202);
    const float damp = smoothstep(0.25f, 0.6f, patches);
    Rgb c = lerp(Rgb{226, 208, 166}, Rgb{190, 170, 128}, 0.6f * damp);
    const float k = 1.0f + 0.035f * ripple + 0.05f * fbm(fx, fy, 64, 3, 0.5f, 203) + 0.06f * grain(x, y, 204);
    // A few pebbles and shell bits.
    if (hashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 2, 205) > 0.996f) c = Rgb{150, 140, 128};
    return scale(c, k);
  });
}

// Grass, and the terrain's noise picture: its red byte moves the boundaries of the ground
// classes and places trees and buildings, so it spreads widely (about 70 to 200) at every scale,
// from single texels to patches of dry grass.
Picture grass() {
  return paintLand([](float fx, float fy, int x, int y) {
    const float patches = fbm(fx, fy, 16, 5, 0.55f, 301);
    const float dryness = smoothstep(-0.1f, 0.8f, fbm(fx, fy, 16, 5, 0.6f, 302) + 0.3f * patches);
    Rgb c = lerp(Rgb{98, 132, 54}, Rgb{176, 158, 90}, 0.85f * dryness);
    float k = 1.0f + 0.18f * patches + 0.12f * fbm(fx, fy, 64, 3, 0.5f, 303) + 0.10f * grain(x, y, 304);
    // Dark clumps of shrubs and taller grass.
    const CellSample clump = cellNoise(fx, fy, 48, 305);
    if (clump.nearest < 0.28f) k *= 0.72f + 0.28f * clump.nearest / 0.28f;
    c = scale(c, k);
    // Reddish seed heads make the red byte busier than the others.
    c.r *= 1.0f + 0.12f * grain(x, y, 306);
    // With a red byte of 64 or less, ground just above sea level would be read as water.
    c.r = std::fmax(c.r, 84.0f);
    return c;
  });
}

// Bare rock of steep slopes: cracked, layered, with lighter faces and a little lichen.
Picture bareRock() {
  return paintLand([](float fx, float fy, int x, int y) {
    const float faces = fbm(fx, fy, 16, 5, 0.55f, 401);
    const float cracks = ridged(fx, fy, 8, 5, 0.55f, 402);
    const float layers = std::sin(kTwoPi * (12.0f * fy + 2.0f * fbm(fx, fy, 4, 3, 0.5f, 403)));
    Rgb c = lerp(Rgb{132, 124, 112}, Rgb{150, 138, 118}, 0.5f + 0.5f * fbm(fx, fy, 32, 3, 0.5f, 404));
    float k = 1.0f + 0.16f * faces + 0.03f * layers + 0.08f * fbm(fx, fy, 128, 2, 0.5f, 407) + 0.10f * grain(x, y, 405);
    k *= 1.0f - 0.3f * smoothstep(0.65f, 0.9f, cracks);
    const float lichen = smoothstep(0.45f, 0.7f, fbm(fx, fy, 32, 4, 0.5f, 406));
    c = lerp(c, Rgb{128, 130, 88}, 0.35f * lichen);
    return scale(c, k);
  });
}

// Forest seen from above: overlapping round crowns lit from the upper left, shadowed ground
// showing between them, a mix of dark conifers and lighter broadleaf trees.
struct Crown {
  float height;  // 0 outside the crown, up to 1 at its top
  float light;   // how much of the sun the crown's surface faces
  std::uint32_t id;
};

Crown crownAt(float fx, float fy, int period, std::uint32_t seed) {
  const CellSample c = cellNoise(fx, fy, period, seed);
  const float radius = 0.55f + 0.3f * static_cast<float>((c.id >> 12) & 0xFF) / 255.0f;
  const float d = c.nearest / radius;
  if (d >= 1.0f) return {0.0f, 0.0f, c.id};
  const float dome = std::sqrt(1.0f - d * d);
  // The surface normal of a half sphere, against a light from the upper left and above.
  const float nx = c.dx / radius;
  const float ny = c.dy / radius;
  const float light = clamp01(0.35f * dome - 0.45f * (nx + ny) + 0.45f);
  return {dome, light, c.id};
}

Picture forestFloor() {
  return paintLand([](float fx, float fy, int x, int y) {
    const Crown big = crownAt(fx, fy, 56, 501);
    const Crown small = crownAt(fx, fy, 88, 502);
    const Crown& top = big.height * 1.1f >= small.height ? big : small;
    if (top.height <= 0.0f) {
      return scale(Rgb{34, 46, 26}, 1.0f + 0.15f * grain(x, y, 503));
    }
    const float kind = static_cast<float>(top.id & 0xFF) / 255.0f;
    Rgb c = lerp(Rgb{50, 84, 44}, Rgb{96, 132, 56}, kind * kind);
    if ((top.id >> 8) % 9 == 0) c = Rgb{118, 128, 62};  // the odd yellowing tree
    float k = 0.5f + 0.75f * top.light;
    k *= 1.0f + 0.06f * fbm(fx, fy, 16, 3, 0.5f, 504) + 0.12f * grain(x, y, 505);
    return scale(c, k);
  });
}

// Short alpine grass, paler than the valley's, with stones, scree and a few flowers.
Picture alpineMeadow() {
  return paintLand([](float fx, float fy, int x, int y) {
    const float patches = fbm(fx, fy, 16, 5, 0.55f, 601);
    Rgb c = lerp(Rgb{120, 142, 72}, Rgb{156, 150, 92}, smoothstep(-0.3f, 0.5f, patches));
    const float scree = smoothstep(0.35f, 0.6f, fbm(fx, fy, 8, 5, 0.6f, 602));
    c = lerp(c, Rgb{150, 144, 132}, 0.8f * scree);
    float k = 1.0f + 0.10f * patches + 0.10f * grain(x, y, 603);
    const CellSample stone = cellNoise(fx, fy, 96, 604);
    if (stone.nearest < 0.16f && (stone.id & 3) == 0) {
      c = Rgb{158, 154, 146};
      k *= 0.8f + 0.5f * clamp01(-(stone.dx + stone.dy) * 4.0f + 0.5f);
    }
    const float flower = hashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 3, 605);
    if (flower > 0.996f) {
      const std::uint32_t hue = hash32(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 4, 606) % 3;
      c = hue == 0 ? Rgb{235, 230, 210} : (hue == 1 ? Rgb{230, 200, 70} : Rgb{160, 110, 190});
    }
    return scale(c, k);
  });
}

}  // namespace

Picture makeLandTexture(int groundClass) {
  switch (groundClass) {
    case kWater: return water();
    case kBeachSand: return beachSand();
    case kGrass: return grass();
    case kBareRock: return bareRock();
    case kForestFloor: return forestFloor();
    case kAlpineMeadow: return alpineMeadow();
    case kFields: return makeFieldsTexture();
    default: break;
  }
  return makeSnowTexture();
}

}  // namespace skyloom::assetgen
