#pragma once
// The livery picture is an atlas: every part that is painted gets a rectangle of it, sized by the
// part's extent in metres (its length along, its girth around), so that paint is about equally
// sharp everywhere. Mirror images share their original's rectangle.

#include <vector>

#include "aircraft_design.h"
#include "aircraft_mesh.h"

namespace skyloom::assetgen {

// Texels around each rectangle that repeat its edge, so bilinear filtering and the JPEG's blocks
// do not bleed a neighbour's colour into the part.
constexpr int kAtlasMargin = 3;

struct AtlasRegion {
  int part = 0;      // the part whose surface is painted here
  int x = 0, y = 0;  // first texel, margin excluded
  int w = 0, h = 0;
};

struct Atlas {
  int width = 0;
  int height = 0;
  std::vector<AtlasRegion> regions;
  std::vector<UvRect> rects;  // per part: where its (a, b) land in texture coordinates
};

// Packs the parts' rectangles into a width × height picture at the largest common scale that fits.
Atlas layoutAtlas(const std::vector<Part>& parts, int width, int height);

}  // namespace skyloom::assetgen
