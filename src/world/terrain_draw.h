#pragma once
// TerrainDraw: turns the cells the select pass marked into triangles. It walks the levels from
// the coarsest grid's cells down the refined quadrants, draws each subtree that fits one
// texture tile as one batch of fans sharing their vertices, colours every vertex with the
// height-dependent haze, and hands the horizon ring to the sky.

#include <cstdint>

#include "core/result.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

class TerrainWorld;

class TerrainDraw {
 public:
  // Builds the haze ramp from the world's haze-colour setting.
  explicit TerrainDraw(TerrainWorld& world);
  ~TerrainDraw();
  TerrainDraw(const TerrainDraw&) = delete;
  TerrainDraw& operator=(const TerrainDraw&) = delete;

  // The index lists, at the first call.
  HResult restore(RenderDevice& device);
  void invalidate();

  // Before the select pass: the 28 points of the coarsest grid's boundary to the sky's seam.
  void horizonRing();
  // The render states of the terrain, the draw pass, and stage 1 put back.
  void drawPass(RenderDevice& device);

  // Figures of the last draw pass.
  int batches() const { return batches_; }

 private:
  TerrainWorld& world_;
  int batches_ = 0;
};

}  // namespace skyloom
