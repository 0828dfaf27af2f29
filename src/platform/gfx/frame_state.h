#pragma once
// The frame state: the device state that one owner sets once per frame for every part drawn
// after it, and that nobody puts back. Scene parts rely on it and must not disturb it:
//
//   state                         owner                 value
//   FOGSTART, FOGEND              the terrain           0 and 0.75 × the terrain's extent; clouds,
//                                                       trees, buildings, aircraft and trails are
//                                                       fogged by the same range
//   FOGCOLOR                      the sky               the haze colour of the sky's horizon
//   light 0                       the sky               the sun: direction and colour
//   view, projection transforms   the scene             the camera's
//   world transform               each draw             set by every part before it draws
//   FILLMODE                      the frame             solid, or wireframe by the camera's key
//   ZWRITEENABLE, LIGHTING        the scene's order     off for clouds and trees, lighting on for
//                                                       the aircraft only
//
// Everything else a part changes (blending, alpha test, fog on/off, culling, texture stages,
// samplers) it puts back before it returns, with a StateBlock (state_block.h). Textures, the
// vertex format and the material are inputs of each draw: every part sets them before it draws
// and unbinds its textures afterwards, so no released texture stays bound.

#include "platform/gfx/d3d_constants.h"

namespace skyloom {

constexpr bool isFrameRenderState(RenderState state) {
  switch (state) {
    case RenderState::FogStart:
    case RenderState::FogEnd:
    case RenderState::FogColor:
    case RenderState::FillMode:
    case RenderState::ZWriteEnable:
    case RenderState::Lighting:
      return true;
    default:
      return false;
  }
}

// The light the sky owns.
constexpr std::uint32_t kSunLight = 0;

}  // namespace skyloom
