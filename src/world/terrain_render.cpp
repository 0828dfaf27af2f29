// The terrain's device objects and its per-frame render sequence; the levels, the select pass
// and the paging live in terrain_world.cpp, the fans in terrain_draw.cpp.
#include "platform/gfx/state_block.h"
#include "world/terrain_draw.h"
#include "world/terrain_sky.h"
#include "world/terrain_world.h"
#include "world/building_field.h"
#include "world/tree_field.h"

namespace skyloom {

HResult TerrainWorld::restore(RenderDevice& device) {
  const HResult hr = draw_->restore(device);
  if (failed(hr)) return hr;
  return textures_->restore(device);
}

void TerrainWorld::invalidate() {
  textures_->invalidate();
  draw_->invalidate();
}

void TerrainWorld::setSky(TerrainSky* sky) {
  sky_ = sky;
  horizonSink_ = sky;
}

void TerrainWorld::render(RenderDevice& device, const ViewFrustum& frustum) {
  frameUpdate(frustum.eye());
  {
    // The sky and the skirt that fills the ring's seam draw with depth testing off, so the
    // ground drawn next covers them wherever it lies.
    StateBlock states(device);
    states.render(RenderState::ZEnable, ZBuffer::False);
    draw_->horizonRing();
    if (sky_) sky_->drawSky(device, frustum);
  }
  selectPass(frustum);
  draw_->drawPass(device);
}

HazeView TerrainWorld::hazeView() const {
  HazeView v;
  v.eye = eye_;
  v.hazeFactor = haze_.hazeFactor;
  v.eyeHazeOffset = haze_.eyeHazeOffset;
  v.verticalWeight = haze_.verticalWeight;
  return v;
}

void TerrainWorld::drawBuildings(RenderDevice& device, const ViewFrustum& frustum) {
  if (buildings_) buildings_->draw(device, frustum, draw_->hazeRamp(), hazeView());
}

void TerrainWorld::drawTrees(RenderDevice& device, const ViewFrustum& frustum) {
  if (trees_) trees_->draw(device, frustum, draw_->hazeRamp(), hazeView());
}

}  // namespace skyloom
