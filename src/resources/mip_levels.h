#pragma once
// Box-filtered mip levels in the texture's own texel layout: every texel of a level is the
// average of the 2 × 2 texels above it, channel by channel, each sum of four divided by 4 with
// truncation. Layouts: A4R4G4B4, R5G6B5, A8R8G8B8 and X8R8G8B8.
//
// The alpha-aware variant is for textures whose alpha cuts shapes out of the picture (colour-keyed
// palette images, TGAs). Alpha itself is box-averaged as in the plain variant, but the colour of
// a texel is the alpha-weighted average of the four colours above it: sum(c × a) / sum(a),
// truncated. A fully transparent texel (a keyed pixel, whose colour is only the key) then adds
// nothing to the colour, so edges keep the colour of the shape instead of darkening towards the
// key; a 2 × 2 block that is transparent throughout takes the plain average. Where all four
// alphas are equal (opaque pictures) the result is exactly the plain box average.

#include <cstdint>

#include "core/result.h"
#include "platform/gfx/d3d_constants.h"

namespace skyloom {

class Texture;

// Texel layouts the mip builder and the texture builders handle.
bool mipFormatSupported(Format format);

// One level from the level above it. Source texels outside the source (a side of 1 halving to
// 1, odd sides) are clamped to its last row or column. Pitches are in bytes.
void downsampleLevel(Format format, bool alphaAware, const std::uint8_t* source, std::int32_t sourcePitch,
                     std::uint32_t sourceWidth, std::uint32_t sourceHeight, std::uint8_t* destination,
                     std::int32_t destinationPitch, std::uint32_t destinationWidth, std::uint32_t destinationHeight);

// Fills levels 1 … n-1 of a lockable texture from its level 0. A texture with one level is left
// alone. Fails for a layout it does not know or a level that cannot be locked.
HResult buildMipLevels(Texture& texture, bool alphaAware);

}  // namespace skyloom
