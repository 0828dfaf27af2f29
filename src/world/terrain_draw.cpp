// Placeholder bodies so the levels can be built and tested while the draw pass is written; the
// draw pass replaces this file.
#include "world/terrain_draw.h"

namespace skyloom {

TerrainDraw::TerrainDraw(TerrainWorld& world) : world_(world) {}
TerrainDraw::~TerrainDraw() = default;
HResult TerrainDraw::restore(RenderDevice&) { return kOk; }
void TerrainDraw::invalidate() {}
void TerrainDraw::horizonRing() {}
void TerrainDraw::drawPass(RenderDevice&) {}

}  // namespace skyloom
