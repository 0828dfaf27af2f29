#pragma once
// The aircraft's meshes are made of closed patches: a grid of points sampled from a parametric
// surface, rows along the part (parameter a) and columns around it (parameter b). This file turns
// such grids into the triangles, normals and texture coordinates of a model's subset.
//
// Every patch is a closed surface (its first and last rows are flattened shut), so the winding can
// be chosen from its signed volume: the triangles face outward, clockwise as seen from outside,
// which is the side Direct3D's default culling keeps. Normals are averaged from the faces around a
// point, across the seam where a ring closes and over a row that collapses to a point (a nose, a
// rounded wing tip), so lofts and rounded leading edges are smooth; faces that turn sharply apart
// (a coarse wing's leading edge, a knife-edge tip) meet in a crease, and a wing's trailing edge,
// where the first and last columns meet, is always one.

#include <cstdint>
#include <vector>

#include "aircraft/model.h"
#include "core/math.h"

namespace skyloom::assetgen {

// A rectangle of the livery picture in texture coordinates; a patch's (a, b) in [0, 1] map onto
// it (a across, b down).
struct UvRect {
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

struct PatchGrid {
  int rows = 0;
  int cols = 0;
  bool closedAround = false;  // the last column repeats the first in space, not in texture
  std::vector<float> as;      // parameter of each row
  std::vector<float> bs;      // parameter of each column
  std::vector<Vec3> points;   // rows × cols, row by row

  Vec3& at(int r, int c) { return points[static_cast<std::size_t>(r) * cols + c]; }
  const Vec3& at(int r, int c) const { return points[static_cast<std::size_t>(r) * cols + c]; }
};

// Where a patch landed in its model, for checks of the finished mesh.
struct PartSpan {
  int subset = 0;
  std::uint32_t firstVertex = 0;
  std::uint32_t vertexCount = 0;
  std::uint32_t firstIndex = 0;
  std::uint32_t indexCount = 0;
};

// Appends the grid's triangles to the subset, one vertex per point and normal. Triangles that
// collapse (two corners in one place, as at a pole) are left out. False when the subset would pass
// the 16-bit index range.
bool appendPatch(const PatchGrid& grid, const UvRect& rect, ModelSubset& subset, PartSpan& span);

// True when the grid's own triangles, corners (r, c), (r + 1, c), (r + 1, c + 1), face outward
// (their normal is then along dP/da × dP/db); appendPatch turns them over otherwise.
bool facesOutAsSampled(const PatchGrid& grid);

// Six times the signed volume enclosed by the triangles (positive when they face outward),
// measured from the given point; meaningful for closed parts only.
double signedVolume6(const std::vector<ModelVertex>& vertices, const std::vector<std::uint16_t>& indices,
                     std::uint32_t firstIndex, std::uint32_t indexCount, const Vec3& from);

// Bounds, centre and radius (distance from the origin to the farthest vertex) of the model's
// vertices; the totals are the subsets' counts.
void finishModelFigures(Model& model);

}  // namespace skyloom::assetgen
