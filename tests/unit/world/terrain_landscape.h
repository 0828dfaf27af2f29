#pragma once
// A generated landscape for terrain tests and benches: ridges, valleys and a sea inlet over a
// 512 × 512 grid of 30 m samples, never flat, so the levels refine unevenly; and a camera
// placement to look at it.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/math.h"
#include "world/height_grid.h"

namespace skyloom {

inline HeightGrid generatedLandscape() {
  constexpr int kSide = 512;
  HeightGrid g(kSide, kSide);
  for (int z = 0; z < kSide; ++z) {
    for (int x = 0; x < kSide; ++x) {
      const double fx = x / 512.0, fz = z / 512.0;
      double m = 600 + 500 * std::sin(fx * 9.1 + std::sin(fz * 4.3) * 1.7) * std::cos(fz * 7.7);
      m += 180 * std::sin(fx * 41.0 + fz * 13.0) + 60 * std::sin(fx * 97.0 - fz * 83.0);
      const std::uint32_t hash = (static_cast<std::uint32_t>(x) * 73856093u) ^ (static_cast<std::uint32_t>(z) * 19349663u);
      m += static_cast<double>(hash % 97) * 0.3;
      g.at(x, z) = static_cast<std::uint16_t>(std::clamp(m, 0.0, 3000.0) * 6.0);
    }
  }
  return g;
}

// The camera's world matrix (rows right, up, forward, position) at eye, turned yaw radians
// from +z towards +x and pitched up by pitch radians.
inline Matrix lookAlong(const Vec3& eye, float yaw, float pitch) {
  const Vec3 f{std::cos(pitch) * std::sin(yaw), std::sin(pitch), std::cos(pitch) * std::cos(yaw)};
  const Vec3 r{std::cos(yaw), 0.0f, -std::sin(yaw)};
  const Vec3 u = cross(f, r);
  Matrix m = Matrix::identity();
  const Vec3 rows[4] = {r, u, f, eye};
  for (int k = 0; k < 4; ++k) m.m[k][0] = rows[k].x, m.m[k][1] = rows[k].y, m.m[k][2] = rows[k].z;
  return m;
}

}  // namespace skyloom
