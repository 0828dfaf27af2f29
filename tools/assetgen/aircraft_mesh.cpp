#include "aircraft_mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace skyloom::assetgen {

namespace {

// Points closer than this (metres) are one point: a pole's column copies, a closed tip.
constexpr float kSamePoint = 1e-5f;
constexpr std::size_t kIndexLimit = 65536;

using Triangle = std::array<int, 3>;

bool samePoint(const Vec3& a, const Vec3& b) {
  const Vec3 d = a - b;
  return dot(d, d) < kSamePoint * kSamePoint;
}

bool rowIsPole(const PatchGrid& g, int r) {
  for (int c = 1; c < g.cols; ++c) {
    if (!samePoint(g.at(r, c), g.at(r, 0))) return false;
  }
  return true;
}

// Two triangles per grid cell, minus those that collapse.
std::vector<Triangle> triangulate(const PatchGrid& g) {
  std::vector<Triangle> out;
  out.reserve(static_cast<std::size_t>(g.rows - 1) * (g.cols - 1) * 2);
  const auto id = [&](int r, int c) { return r * g.cols + c; };
  const auto keep = [&](const Triangle& t) {
    const Vec3& p0 = g.points[t[0]];
    const Vec3& p1 = g.points[t[1]];
    const Vec3& p2 = g.points[t[2]];
    if (samePoint(p0, p1) || samePoint(p1, p2) || samePoint(p2, p0)) return;
    out.push_back(t);
  };
  for (int r = 0; r + 1 < g.rows; ++r) {
    for (int c = 0; c + 1 < g.cols; ++c) {
      keep({id(r, c), id(r + 1, c), id(r + 1, c + 1)});
      keep({id(r, c), id(r + 1, c + 1), id(r, c + 1)});
    }
  }
  return out;
}

Vec3 faceCross(const std::vector<Vec3>& p, const Triangle& t) {
  return cross(p[t[1]] - p[t[0]], p[t[2]] - p[t[0]]);
}

double enclosedVolume(const PatchGrid& g, const std::vector<Triangle>& tris) {
  Vec3 centre{};
  for (const Vec3& p : g.points) centre += p;
  centre *= 1.0f / static_cast<float>(g.points.size());
  double volume = 0;
  for (const Triangle& t : tris) {
    volume += dot(g.points[t[0]] - centre, cross(g.points[t[1]] - centre, g.points[t[2]] - centre));
  }
  return volume;
}

// Which vertices share one normal: the closing column with the first, a pole's whole row.
std::vector<int> normalGroups(const PatchGrid& g) {
  std::vector<int> group(g.points.size());
  for (int r = 0; r < g.rows; ++r) {
    const bool pole = rowIsPole(g, r);
    for (int c = 0; c < g.cols; ++c) {
      int gc = c;
      if (pole) gc = 0;
      else if (g.closedAround && c == g.cols - 1) gc = 0;
      group[static_cast<std::size_t>(r) * g.cols + c] = r * g.cols + gc;
    }
  }
  return group;
}

std::vector<Vec3> smoothNormals(const PatchGrid& g, const std::vector<Triangle>& tris) {
  const std::vector<int> group = normalGroups(g);
  std::vector<Vec3> sum(g.points.size());
  for (const Triangle& t : tris) {
    const Vec3 n = faceCross(g.points, t);  // area-weighted
    for (int i : t) sum[group[i]] += n;
  }
  std::vector<Vec3> normals(g.points.size());
  for (std::size_t i = 0; i < normals.size(); ++i) {
    const Vec3 n = normalize(sum[group[i]]);
    normals[i] = length(n) > 0.5f ? n : Vec3{0, 1, 0};  // an unused vertex
  }
  return normals;
}

}  // namespace

bool appendPatch(const PatchGrid& grid, const UvRect& rect, ModelSubset& subset, PartSpan& span) {
  if (grid.rows < 2 || grid.cols < 2) return false;
  const std::size_t base = subset.vertices.size();
  if (base + grid.points.size() > kIndexLimit) return false;
  std::vector<Triangle> tris = triangulate(grid);
  if (enclosedVolume(grid, tris) < 0) {
    for (Triangle& t : tris) std::swap(t[1], t[2]);
  }
  const std::vector<Vec3> normals = smoothNormals(grid, tris);

  span.firstVertex = static_cast<std::uint32_t>(base);
  span.vertexCount = static_cast<std::uint32_t>(grid.points.size());
  span.firstIndex = static_cast<std::uint32_t>(subset.indices.size());
  span.indexCount = static_cast<std::uint32_t>(tris.size() * 3);
  for (int r = 0; r < grid.rows; ++r) {
    for (int c = 0; c < grid.cols; ++c) {
      const std::size_t i = static_cast<std::size_t>(r) * grid.cols + c;
      const Vec3& p = grid.points[i];
      const Vec3& n = normals[i];
      const float u = rect.u0 + (rect.u1 - rect.u0) * grid.as[r];
      const float v = rect.v0 + (rect.v1 - rect.v0) * grid.bs[c];
      subset.vertices.push_back({p.x, p.y, p.z, n.x, n.y, n.z, u, v});
    }
  }
  for (const Triangle& t : tris) {
    for (int i : t) subset.indices.push_back(static_cast<std::uint16_t>(base + i));
  }
  return true;
}

bool facesOutAsSampled(const PatchGrid& grid) { return enclosedVolume(grid, triangulate(grid)) >= 0; }

double signedVolume6(const std::vector<ModelVertex>& vertices, const std::vector<std::uint16_t>& indices,
                     std::uint32_t firstIndex, std::uint32_t indexCount, const Vec3& from) {
  double volume = 0;
  const auto at = [&](std::uint32_t k) {
    const ModelVertex& v = vertices[indices[k]];
    return Vec3{v.x, v.y, v.z} - from;
  };
  for (std::uint32_t k = firstIndex; k + 2 < firstIndex + indexCount; k += 3) {
    volume += dot(at(k), cross(at(k + 1), at(k + 2)));
  }
  return volume;
}

void finishModelFigures(Model& model) {
  constexpr float kBig = std::numeric_limits<float>::max();
  Vec3 lo{kBig, kBig, kBig};
  Vec3 hi{-kBig, -kBig, -kBig};
  float radius2 = 0;
  bool any = false;
  model.countTotals();
  for (const ModelSubset& s : model.subsets) {
    for (const ModelVertex& v : s.vertices) {
      lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
      hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
      radius2 = std::max(radius2, v.x * v.x + v.y * v.y + v.z * v.z);
      any = true;
    }
  }
  if (!any) lo = hi = Vec3{};
  model.boundsMin = lo;
  model.boundsMax = hi;
  model.centre = (lo + hi) * 0.5f;
  model.radius = std::sqrt(radius2);
}

}  // namespace skyloom::assetgen
