#include "world/crack_check.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <unordered_map>

namespace skyloom {
namespace {

std::int64_t key(std::int32_t a, std::int32_t b) {
  return (static_cast<std::int64_t>(a) << 32) ^ static_cast<std::uint32_t>(b);
}

// Fan edges run along rows, columns or the two diagonals; each line keeps its vertices sorted,
// so a T-junction test is one binary search per edge.
struct Lines {
  std::unordered_map<std::int64_t, std::vector<std::int32_t>> byLine[4];

  static int kind(std::int32_t dx, std::int32_t dz) {
    if (dz == 0) return 0;
    if (dx == 0) return 1;
    return (dx > 0) == (dz > 0) ? 2 : 3;
  }
  // The line through p of a kind, and p's coordinate along it.
  static std::int64_t line(int k, std::int32_t x, std::int32_t z) {
    switch (k) {
      case 0: return z;
      case 1: return x;
      case 2: return std::int64_t{x} - z;
      default: return std::int64_t{x} + z;
    }
  }
  static std::int32_t along(int k, std::int32_t x, std::int32_t z) { return k == 1 ? z : x; }

  void add(std::int32_t x, std::int32_t z) {
    for (int k = 0; k < 4; ++k) byLine[k][line(k, x, z)].push_back(along(k, x, z));
  }
  void finish() {
    for (auto& m : byLine)
      for (auto& [_, v] : m) std::sort(v.begin(), v.end());
  }
  // Whether a vertex lies strictly between a and b on their line.
  bool inside(const GroundVertex& a, const GroundVertex& b) const {
    const int k = kind(b.x - a.x, b.z - a.z);
    auto it = byLine[k].find(line(k, a.x, a.z));
    if (it == byLine[k].end()) return false;
    std::int32_t lo = along(k, a.x, a.z), hi = along(k, b.x, b.z);
    if (lo > hi) std::swap(lo, hi);
    auto p = std::upper_bound(it->second.begin(), it->second.end(), lo);
    return p != it->second.end() && *p < hi;
  }
};

bool onBorder(const GroundVertex& a, const GroundVertex& b, const SampleRect& r) {
  auto within = [](std::int32_t v, std::int32_t lo, std::int32_t hi) { return v >= lo && v <= hi; };
  if (a.z == b.z && (a.z == r.z0 || a.z == r.z1)) return within(a.x, r.x0, r.x1) && within(b.x, r.x0, r.x1);
  if (a.x == b.x && (a.x == r.x0 || a.x == r.x1)) return within(a.z, r.z0, r.z1) && within(b.z, r.z0, r.z1);
  return false;
}

void note(CrackReport& report, const char* what, const GroundVertex& a, const GroundVertex& b) {
  if (!report.first.empty()) return;
  std::ostringstream s;
  s << what << " at (" << a.x << ", " << a.z << ") - (" << b.x << ", " << b.z << ")";
  report.first = s.str();
}

}  // namespace

void collectGroundTriangles(const RecordingDevice& device, float spacing, std::vector<GroundTriangle>& out) {
  auto vertexOf = [spacing](const RecordedDraw& d, std::uint32_t i) {
    GroundVertex v;
    v.x = static_cast<std::int32_t>(std::lround(d.floatAt(i, 0) / spacing));
    v.y = d.floatAt(i, 4);
    v.z = static_cast<std::int32_t>(std::lround(d.floatAt(i, 8) / spacing));
    return v;
  };
  for (const RecordedDraw& d : device.draws()) {
    if (!d.indexed || d.type != PrimitiveType::TriangleList || d.stride != 36) continue;
    for (std::size_t k = 0; k + 2 < d.indices.size(); k += 3) {
      GroundTriangle t;
      for (int c = 0; c < 3; ++c) t.v[c] = vertexOf(d, d.indices[k + static_cast<std::size_t>(c)]);
      out.push_back(t);
    }
  }
}

CrackReport checkCracks(const std::vector<GroundTriangle>& triangles, const std::vector<SampleRect>& borders,
                        bool checkHoles) {
  CrackReport report;
  report.triangles = triangles.size();
  std::unordered_map<std::int64_t, float> heights;
  Lines lines;
  // Undirected edge -> (count, +1 per a→b with a < b, −1 per b→a).
  std::map<std::pair<std::int64_t, std::int64_t>, std::pair<int, int>> edges;

  for (const GroundTriangle& t : triangles) {
    const auto& [a, b, c] = t.v;
    const std::int64_t cross = std::int64_t{b.x - a.x} * (c.z - a.z) - std::int64_t{b.z - a.z} * (c.x - a.x);
    if (cross >= 0) {
      ++report.badWinding;
      note(report, "counter-clockwise or degenerate triangle", a, c);
    }
    for (const GroundVertex& v : t.v) {
      auto [it, fresh] = heights.emplace(key(v.x, v.z), v.y);
      if (fresh) {
        lines.add(v.x, v.z);
      } else if (std::fabs(it->second - v.y) > 1e-3f) {
        ++report.heightClashes;
        note(report, "one position at two heights", v, v);
      }
    }
    for (int e = 0; e < 3; ++e) {
      const GroundVertex& p = t.v[e];
      const GroundVertex& q = t.v[(e + 1) % 3];
      const std::int64_t kp = key(p.x, p.z), kq = key(q.x, q.z);
      auto& slot = edges[{std::min(kp, kq), std::max(kp, kq)}];
      ++slot.first;
      slot.second += kp < kq ? 1 : -1;
    }
  }
  lines.finish();

  for (const GroundTriangle& t : triangles) {
    for (int e = 0; e < 3; ++e) {
      const GroundVertex& p = t.v[e];
      const GroundVertex& q = t.v[(e + 1) % 3];
      if (lines.inside(p, q)) {
        ++report.tJunctions;
        note(report, "T-junction on the edge", p, q);
      }
    }
  }
  for (const auto& [edge, use] : edges) {
    const GroundVertex a{static_cast<std::int32_t>(edge.first >> 32), static_cast<std::int32_t>(edge.first), 0.0f};
    const GroundVertex b{static_cast<std::int32_t>(edge.second >> 32), static_cast<std::int32_t>(edge.second), 0.0f};
    if (use.first > 2 || (use.first == 2 && use.second != 0)) {
      ++report.overlappingEdges;
      note(report, "edge drawn over", a, b);
    } else if (use.first == 1 && checkHoles) {
      const bool allowed = std::any_of(borders.begin(), borders.end(), [&](const SampleRect& r) { return onBorder(a, b, r); });
      if (!allowed) {
        ++report.holeEdges;
        note(report, "open edge inside the drawn region", a, b);
      }
    }
  }
  return report;
}

}  // namespace skyloom
