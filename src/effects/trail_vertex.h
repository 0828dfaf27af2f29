#pragma once
// The vertex of smoke trails and exhaust flames: a position, a colour and one texture
// coordinate pair, drawn from memory with user-pointer calls.

#include <cstdint>

#include "platform/gfx/d3d_constants.h"

namespace skyloom {

struct TrailVertex {
  float x, y, z;
  std::uint32_t colour;  // ARGB
  float u, v;
};
static_assert(sizeof(TrailVertex) == 24, "trail vertices are drawn with a 24-byte stride");

constexpr std::uint32_t kTrailFvf = Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1;
static_assert(kTrailFvf == 0x142, "the trail vertex format");

}  // namespace skyloom
