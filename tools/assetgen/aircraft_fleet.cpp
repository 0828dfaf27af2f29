#include "aircraft_fleet.h"

#include <cstdio>

#include "aircraft_paint.h"

namespace skyloom::assetgen {

bool generateAircraft(const AircraftDesign& design, GeneratedAircraft& out) {
  out.design = design;
  out.atlas = layoutAtlas(design.parts, kLiveryWidth, kLiveryHeight);
  std::size_t painted = 0;
  for (const Part& p : design.parts) painted += p.sharesWith < 0 ? 1 : 0;
  if (out.atlas.regions.size() != painted) {
    std::fprintf(stderr, "assetgen: the livery of %s has no room for its %zu parts\n", design.name.c_str(), painted);
    return false;
  }
  out.livery = paintLivery(design, out.atlas);
  if (!encodePictureJpeg(out.livery, kLiveryQuality, out.liveryJpeg)) {
    std::fprintf(stderr, "assetgen: cannot encode the livery of %s\n", design.name.c_str());
    return false;
  }
  for (int level = 0; level < kLevels; ++level) {
    if (!buildLevel(design, out.atlas.rects, level, out.levels[level])) return false;
  }
  return true;
}

}  // namespace skyloom::assetgen
