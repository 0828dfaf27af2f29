#pragma once
// The level-of-detail meshes of a design. Level 0 is drawn close by (a few thousand triangles),
// level 1 at a third of that, level 2 with a few hundred and level 3, a speck in the distance, with
// a few dozen that still show fuselage, wings and tail. Every level samples the same surfaces, so
// all of them share the livery picture and its texture coordinates.

#include <string>
#include <vector>

#include "aircraft/model.h"
#include "aircraft_design.h"
#include "aircraft_mesh.h"

namespace skyloom::assetgen {

struct BuiltLevel {
  Model model;
  std::vector<PartSpan> spans;  // one per part made at this level
  std::vector<int> parts;       // the design's part of each span
};

// "<name>.x" for level 0, "<name>1.x" … "<name>3.x" for the others.
std::string levelMeshName(const std::string& name, int level);
// The livery picture's file name, "<name>.jpg".
std::string liveryFileName(const std::string& name);

// The part's surface sampled on a grid in model space; the end rows are closed.
PatchGrid samplePart(const Part& part, Sampling sampling);

// The mesh of one level: the painted subset, then the glass subset when the level has glass.
// rects holds each part's place in the livery. False (and why on stderr) when a subset would pass
// the 16-bit index range.
bool buildLevel(const AircraftDesign& design, const std::vector<UvRect>& rects, int level, BuiltLevel& out);

}  // namespace skyloom::assetgen
