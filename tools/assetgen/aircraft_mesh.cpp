#include "aircraft_mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>

namespace skyloom::assetgen {

namespace {

// Points closer than this (metres) are one point: a pole's column copies, a closed tip.
constexpr float kSamePoint = 1e-5f;
constexpr std::size_t kIndexLimit = 65536;
// Faces turned further apart than this (about 100 degrees) meet in an edge, not a curve.
constexpr float kCreaseCos = -0.17f;

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

// Which vertices are one point of the surface: the closing column with the first, a pole's row.
std::vector<int> weldGroups(const PatchGrid& g) {
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

struct Corner {
  int point;  // grid index
  Vec3 normal;
};

// Mesh loaders of the older rule replace every normal whose x is not strictly inside (-1, 1) (a
// guard against garbage), which also catches a sound normal along the x axis, at a nose's or a
// tail cone's tip. Ours keeps such normals, but the files should read the same under either, so
// such a normal is tilted up by a quarter of a degree, which nobody will see.
Vec3 loadable(const Vec3& n) {
  constexpr float kLimit = 0.99999f;
  if (std::abs(n.x) < kLimit) return n;
  return {std::copysign(kLimit, n.x), std::sqrt(1.0f - kLimit * kLimit), 0.0f};
}

// The angle of the triangle at its corner k.
float cornerAngle(const std::vector<Vec3>& p, const Triangle& t, int k) {
  const Vec3& at = p[t[k]];
  const Vec3 u = normalize(p[t[(k + 1) % 3]] - at);
  const Vec3 v = normalize(p[t[(k + 2) % 3]] - at);
  return std::acos(std::clamp(dot(u, v), -1.0f, 1.0f));
}

// Each triangle corner's normal: the sum of the faces around its point that turn less than the
// crease angle from the triangle's own face, each weighted by its angle at the point (so a big cap
// does not outweigh the narrow band beside it). A loft's rings and a fine wing's rounded leading
// edge come out smooth; a coarse wing's leading edge, a knife-edge tip or the two sides of a plate
// keep their edges.
std::vector<Corner> cornerNormals(const PatchGrid& g, const std::vector<Triangle>& tris) {
  const std::vector<int> group = weldGroups(g);
  struct Incident {
    int face;
    float angle;
  };
  std::vector<std::vector<Incident>> around(g.points.size());
  std::vector<Vec3> unit(tris.size());
  for (std::size_t t = 0; t < tris.size(); ++t) {
    unit[t] = normalize(faceCross(g.points, tris[t]));
    for (int k = 0; k < 3; ++k) {
      around[group[tris[t][k]]].push_back({static_cast<int>(t), cornerAngle(g.points, tris[t], k)});
    }
  }
  std::vector<Corner> corners;
  corners.reserve(tris.size() * 3);
  for (std::size_t t = 0; t < tris.size(); ++t) {
    for (int i : tris[t]) {
      Vec3 sum{};
      for (const Incident& f : around[group[i]]) {
        if (dot(unit[f.face], unit[t]) > kCreaseCos) sum += unit[f.face] * f.angle;
      }
      corners.push_back({i, loadable(normalize(sum))});
    }
  }
  return corners;
}

}  // namespace

bool appendPatch(const PatchGrid& grid, const UvRect& rect, ModelSubset& subset, PartSpan& span) {
  if (grid.rows < 2 || grid.cols < 2) return false;
  std::vector<Triangle> tris = triangulate(grid);
  if (enclosedVolume(grid, tris) < 0) {
    for (Triangle& t : tris) std::swap(t[1], t[2]);
  }
  const std::vector<Corner> corners = cornerNormals(grid, tris);

  // One vertex per point and normal: shared across smooth surface, split along creases.
  const std::size_t base = subset.vertices.size();
  std::map<std::tuple<int, float, float, float>, std::uint16_t> made;
  std::vector<std::uint16_t> indices;
  indices.reserve(corners.size());
  for (const Corner& c : corners) {
    const auto key = std::make_tuple(c.point, c.normal.x, c.normal.y, c.normal.z);
    auto it = made.find(key);
    if (it == made.end()) {
      if (subset.vertices.size() >= kIndexLimit) {
        subset.vertices.resize(base);  // leave the subset as it was
        return false;
      }
      const Vec3& p = grid.points[c.point];
      const float u = rect.u0 + (rect.u1 - rect.u0) * grid.as[c.point / grid.cols];
      const float v = rect.v0 + (rect.v1 - rect.v0) * grid.bs[c.point % grid.cols];
      subset.vertices.push_back({p.x, p.y, p.z, c.normal.x, c.normal.y, c.normal.z, u, v});
      it = made.emplace(key, static_cast<std::uint16_t>(subset.vertices.size() - 1)).first;
    }
    indices.push_back(it->second);
  }
  span.firstVertex = static_cast<std::uint32_t>(base);
  span.vertexCount = static_cast<std::uint32_t>(subset.vertices.size() - base);
  span.firstIndex = static_cast<std::uint32_t>(subset.indices.size());
  span.indexCount = static_cast<std::uint32_t>(indices.size());
  subset.indices.insert(subset.indices.end(), indices.begin(), indices.end());
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
