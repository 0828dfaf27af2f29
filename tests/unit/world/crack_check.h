#pragma once
// Crack checks over the triangles of one terrain frame, in base-sample coordinates (x and z of
// each vertex over the sample spacing): T-junctions (a vertex inside another triangle's edge),
// edges drawn by more than two triangles or with clashing windings, counter-clockwise or
// degenerate triangles, one position drawn at two heights, and holes (an edge of one triangle
// only, away from the allowed borders).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/recording_device.h"

namespace skyloom {

struct GroundVertex {
  std::int32_t x = 0, z = 0;  // base samples
  float y = 0.0f;             // metres
};

struct GroundTriangle {
  GroundVertex v[3];
};

// An axis-aligned square or rectangle of base samples whose sides may be open edges (the drawn
// region's outer border, a culled cell).
struct SampleRect {
  std::int32_t x0 = 0, z0 = 0, x1 = 0, z1 = 0;
};

struct CrackReport {
  std::size_t triangles = 0;
  std::size_t tJunctions = 0;
  std::size_t overlappingEdges = 0;  // drawn by three or more triangles, or twice the same way
  std::size_t badWinding = 0;        // counter-clockwise or degenerate seen from above
  std::size_t heightClashes = 0;
  std::size_t holeEdges = 0;         // open edges not on an allowed border
  std::string first;                 // the first fault found, for the failure message

  bool clean() const { return tJunctions + overlappingEdges + badWinding + heightClashes + holeEdges == 0; }
};

// The triangles of every indexed triangle-list draw of 36-byte terrain vertices on the device.
void collectGroundTriangles(const RecordingDevice& device, float spacing, std::vector<GroundTriangle>& out);

// borders: rectangles whose sides may carry open edges; with checkHoles false no open edge is a
// fault.
CrackReport checkCracks(const std::vector<GroundTriangle>& triangles, const std::vector<SampleRect>& borders,
                        bool checkHoles);

}  // namespace skyloom
