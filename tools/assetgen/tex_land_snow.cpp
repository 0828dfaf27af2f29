// Snow and high rock: wind-shaped snow with dark rock breaking through on the ridges.
#include "tex_land_paint.h"

namespace skyloom::assetgen {

Picture makeSnowTexture() {
  return paintLand([](float fx, float fy, int x, int y) {
    const float drift = fbm(fx, fy, 16, 5, 0.55f, 801);
    // Rock where a broken noise peaks: patches of every size, about a fifth of the ground.
    const float outcrop = fbm(fx, fy, 16, 5, 0.6f, 802) + 0.3f * ridged(fx, fy, 32, 3, 0.5f, 803);
    const float rock = smoothstep(0.27f, 0.35f, outcrop);
    Rgb snow = scale(Rgb{236, 240, 248}, 1.0f + 0.035f * drift + 0.02f * grain(x, y, 804));
    // Shadowed snow turns blue-grey.
    snow = lerp(snow, Rgb{196, 206, 224}, 0.5f * smoothstep(0.2f, 0.7f, -drift));
    Rgb stone = scale(Rgb{104, 102, 104}, 1.0f + 0.2f * fbm(fx, fy, 64, 3, 0.5f, 805) + 0.12f * grain(x, y, 806));
    // Snow lies in the cracks of the rock as well.
    const float dusting = smoothstep(0.4f, 0.8f, fbm(fx, fy, 64, 3, 0.5f, 807));
    stone = lerp(stone, snow, 0.6f * dusting);
    return lerp(snow, stone, rock);
  });
}

}  // namespace skyloom::assetgen
