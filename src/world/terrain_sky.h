#pragma once
// TerrainSky: what the terrain needs of the sky. The terrain hands it the horizon ring and then
// lets it draw, with depth testing off, before the ground is drawn over it. The sky itself lives
// with the effects; the world only knows this seam.

#include "platform/gfx/render_device.h"
#include "world/terrain_world.h"
#include "world/view_frustum.h"

namespace skyloom {

class TerrainSky : public HorizonRingSink {
 public:
  // Draws the sky around the frustum's eye. Depth testing is off when this is called and the
  // caller puts it back on afterwards.
  virtual void drawSky(RenderDevice& device, const ViewFrustum& frustum) = 0;
};

}  // namespace skyloom
