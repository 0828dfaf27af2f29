#include "terrain_erosion.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <utility>

#include "terrain_noise.h"

namespace skyloom::assetgen {
namespace {

// Droplet constants, with heights measured in cells (metres / cell size) so that slopes are
// plain ratios whatever the grid's resolution.
constexpr float kInertia = 0.05f;
constexpr float kCapacity = 6.0f;
constexpr float kMinCapacitySlope = 0.01f;
constexpr float kDeposit = 0.3f;
constexpr float kErode = 0.2f;
constexpr float kEvaporate = 0.02f;
constexpr float kGravity = 4.0f;
constexpr int kMaxSteps = 80;
// Unbounded speed lets long slopes dig without limit.
constexpr float kMaxSpeed = 6.0f;
constexpr int kBrushRadius = 2;
// Droplets start and stay this many cells inside the grid, so the edges keep their heights.
constexpr int kEdgeMargin = 6;

struct Brush {
  std::vector<int> dx, dz;
  std::vector<float> w;
};

Brush makeBrush() {
  Brush b;
  float sum = 0.0f;
  for (int z = -kBrushRadius; z <= kBrushRadius; ++z) {
    for (int x = -kBrushRadius; x <= kBrushRadius; ++x) {
      const float d = std::sqrt(static_cast<float>(x * x + z * z));
      if (d > kBrushRadius) continue;
      b.dx.push_back(x);
      b.dz.push_back(z);
      b.w.push_back(kBrushRadius - d + 0.5f);
      sum += b.w.back();
    }
  }
  for (float& w : b.w) w /= sum;
  return b;
}

struct Gradient {
  float h, gx, gz;
};

Gradient gradientAt(const FloatGrid& g, float x, float z) {
  const int ix = static_cast<int>(x);
  const int iz = static_cast<int>(z);
  const float fx = x - ix;
  const float fz = z - iz;
  const float h00 = g.at(ix, iz), h10 = g.at(ix + 1, iz), h01 = g.at(ix, iz + 1), h11 = g.at(ix + 1, iz + 1);
  return {h00 * (1 - fx) * (1 - fz) + h10 * fx * (1 - fz) + h01 * (1 - fx) * fz + h11 * fx * fz,
          (h10 - h00) * (1 - fz) + (h11 - h01) * fz, (h01 - h00) * (1 - fx) + (h11 - h10) * fx};
}

void deposit(FloatGrid& g, float x, float z, float amount) {
  const int ix = static_cast<int>(x);
  const int iz = static_cast<int>(z);
  const float fx = x - ix;
  const float fz = z - iz;
  g.at(ix, iz) += amount * (1 - fx) * (1 - fz);
  g.at(ix + 1, iz) += amount * fx * (1 - fz);
  g.at(ix, iz + 1) += amount * (1 - fx) * fz;
  g.at(ix + 1, iz + 1) += amount * fx * fz;
}

// Takes `amount` from around (ix, iz), spread by the brush so that droplets cut channels, not pits.
float erodeAround(FloatGrid& g, const Brush& brush, int ix, int iz, float amount) {
  float taken = 0.0f;
  for (std::size_t i = 0; i < brush.w.size(); ++i) {
    const int x = ix + brush.dx[i];
    const int z = iz + brush.dz[i];
    if (x < 0 || z < 0 || x >= g.width || z >= g.height) continue;
    const float d = amount * brush.w[i];
    g.at(x, z) -= d;
    taken += d;
  }
  return taken;
}

void runDroplet(FloatGrid& g, const Brush& brush, float x, float z, float sea) {
  float dirX = 0.0f, dirZ = 0.0f, speed = 1.0f, water = 1.0f, sediment = 0.0f;
  for (int step = 0; step < kMaxSteps; ++step) {
    const Gradient here = gradientAt(g, x, z);
    if (here.h < sea) {
      deposit(g, x, z, sediment);
      return;
    }
    dirX = dirX * kInertia - here.gx * (1 - kInertia);
    dirZ = dirZ * kInertia - here.gz * (1 - kInertia);
    const float len = std::sqrt(dirX * dirX + dirZ * dirZ);
    if (len < 1e-6f) break;
    dirX /= len;
    dirZ /= len;
    const float nx = x + dirX, nz = z + dirZ;
    if (nx < kEdgeMargin || nz < kEdgeMargin || nx >= g.width - kEdgeMargin || nz >= g.height - kEdgeMargin) {
      // Leaving the grid: drop the load here, or the edges become drains that eat inland.
      deposit(g, x, z, sediment);
      return;
    }
    const float dh = gradientAt(g, nx, nz).h - here.h;
    const float capacity = std::max(-dh, kMinCapacitySlope) * speed * water * kCapacity;
    if (sediment > capacity || dh > 0) {
      // Uphill: fill the pit behind it; otherwise drop part of the surplus.
      const float amount = dh > 0 ? std::min(dh, sediment) : (sediment - capacity) * kDeposit;
      sediment -= amount;
      deposit(g, x, z, amount);
    } else {
      const float amount = std::min((capacity - sediment) * kErode, -dh);
      sediment += erodeAround(g, brush, static_cast<int>(x), static_cast<int>(z), amount);
    }
    speed = std::min(kMaxSpeed, std::sqrt(std::max(0.0f, speed * speed - dh * kGravity)));
    water *= 1 - kEvaporate;
    x = nx;
    z = nz;
  }
  deposit(g, x, z, sediment);
}

}  // namespace

float FloatGrid::clamped(int x, int z) const {
  return at(std::clamp(x, 0, width - 1), std::clamp(z, 0, height - 1));
}

float FloatGrid::cubic(float x, float z) const {
  const int ix = static_cast<int>(std::floor(x));
  const int iz = static_cast<int>(std::floor(z));
  const float tx = x - ix, tz = z - iz;
  auto weights = [](float t, float w[4]) {
    const float t2 = t * t, t3 = t2 * t;
    w[0] = 0.5f * (-t3 + 2 * t2 - t);
    w[1] = 0.5f * (3 * t3 - 5 * t2 + 2);
    w[2] = 0.5f * (-3 * t3 + 4 * t2 + t);
    w[3] = 0.5f * (t3 - t2);
  };
  float wx[4], wz[4];
  weights(tx, wx);
  weights(tz, wz);
  float sum = 0.0f;
  for (int j = 0; j < 4; ++j) {
    float row = 0.0f;
    for (int i = 0; i < 4; ++i) row += wx[i] * clamped(ix - 1 + i, iz - 1 + j);
    sum += wz[j] * row;
  }
  return sum;
}

void erodeByDroplets(FloatGrid& h, const DropletErosion& params) {
  for (float& v : h.v) v /= params.cellMetres;
  const float sea = params.seaLevel / params.cellMetres;
  const Brush brush = makeBrush();
  TerrainRandom random(params.seed);
  for (int i = 0; i < params.droplets; ++i) {
    const float x = kEdgeMargin + static_cast<float>(random.unit() * (h.width - 2 * kEdgeMargin - 1));
    const float z = kEdgeMargin + static_cast<float>(random.unit() * (h.height - 2 * kEdgeMargin - 1));
    runDroplet(h, brush, x, z, sea);
  }
  for (float& v : h.v) v *= params.cellMetres;
}

void fillDepressions(FloatGrid& h, float seaLevel) {
  // Priority flood from the outlets: cells are taken lowest first, and each neighbour not yet
  // reached is raised to at least the cell's height plus a small fall.
  constexpr float kFall = 0.02f;
  using Entry = std::pair<float, std::size_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
  std::vector<std::uint8_t> reached(h.v.size(), 0);
  for (int z = 0; z < h.height; ++z) {
    for (int x = 0; x < h.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(z) * h.width + x;
      if (x == 0 || z == 0 || x == h.width - 1 || z == h.height - 1 || h.v[i] <= seaLevel) {
        reached[i] = 1;
        open.push({h.v[i], i});
      }
    }
  }
  static constexpr int kNx[8] = {1, -1, 0, 0, 1, 1, -1, -1};
  static constexpr int kNz[8] = {0, 0, 1, -1, 1, -1, 1, -1};
  while (!open.empty()) {
    const auto [height, i] = open.top();
    open.pop();
    const int x = static_cast<int>(i % h.width);
    const int z = static_cast<int>(i / h.width);
    for (int n = 0; n < 8; ++n) {
      const int nx = x + kNx[n], nz = z + kNz[n];
      if (nx < 0 || nz < 0 || nx >= h.width || nz >= h.height) continue;
      const std::size_t j = static_cast<std::size_t>(nz) * h.width + nx;
      if (reached[j]) continue;
      reached[j] = 1;
      h.v[j] = std::max(h.v[j], height + kFall);
      open.push({h.v[j], j});
    }
  }
}

void erodeThermally(FloatGrid& h, float cellMetres, float maxSlope, int passes) {
  const float talus = maxSlope * cellMetres;
  static constexpr int kNx[4] = {1, -1, 0, 0};
  static constexpr int kNz[4] = {0, 0, 1, -1};
  for (int pass = 0; pass < passes; ++pass) {
    for (int z = 1; z < h.height - 1; ++z) {
      for (int x = 1; x < h.width - 1; ++x) {
        float& c = h.at(x, z);
        for (int n = 0; n < 4; ++n) {
          float& o = h.at(x + kNx[n], z + kNz[n]);
          const float excess = c - o - talus;
          if (excess > 0) {
            c -= excess * 0.25f;
            o += excess * 0.25f;
          }
        }
      }
    }
  }
}

}  // namespace skyloom::assetgen
