#include "aircraft/builtin_meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace skyloom {

namespace {

constexpr float kPi = 3.14159265f;

Vec3 positionOf(const ColouredModelVertex& v) { return {v.x, v.y, v.z}; }

// Box, centre and bounding radius (from the origin, which is where units and attachments put the
// mesh) of the vertices.
void measure(Model& model, const std::vector<ColouredModelVertex>& vertices) {
  Vec3 lo = positionOf(vertices.front()), hi = lo;
  float radius = 0;
  for (const ColouredModelVertex& v : vertices) {
    const Vec3 p = positionOf(v);
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    radius = std::max(radius, length(p));
  }
  model.boundsMin = lo;
  model.boundsMax = hi;
  model.centre = (lo + hi) * 0.5f;
  model.radius = radius;
}

void addTriangle(std::vector<std::uint16_t>& out, int a, int b, int c) {
  out.push_back(static_cast<std::uint16_t>(a));
  out.push_back(static_cast<std::uint16_t>(b));
  out.push_back(static_cast<std::uint16_t>(c));
}

// The translucent meshes are seen from inside and outside (a flame from behind the engine, a
// disc from either side), so every triangle is listed with both windings: culling then keeps
// exactly one of each pair, whichever side the camera is on.
void addTwoSided(std::vector<std::uint16_t>& out, int a, int b, int c) {
  addTriangle(out, a, b, c);
  addTriangle(out, a, c, b);
}

// Quads between two rings of `segments` vertices each starting at firstA and firstB, closing
// around, as the triangles (a0, a1, b0) and (a1, b1, b0). Seen from the side where ring A runs
// anticlockwise and ring B lies beyond it (the sphere from outside, B the ring nearer the south
// pole) they are clockwise: Direct3D's front face.
template <typename Emit>
void joinRings(int firstA, int firstB, int segments, Emit emit) {
  for (int j = 0; j < segments; ++j) {
    const int next = (j + 1) % segments;
    emit(firstA + j, firstA + next, firstB + j);
    emit(firstA + next, firstB + next, firstB + j);
  }
}

ColouredModelVertex colouredVertex(const Vec3& p, const Vec3& n, std::uint32_t colour, float u, float v) {
  return {p.x, p.y, p.z, n.x, n.y, n.z, colour, u, v};
}

Model& singleSubset(Model& model) {
  model.subsets.resize(1);
  return model;
}

}  // namespace

// The sphere stands in for every mesh that did not load, so it must be visible at any size: it
// is lit through its material with a strong emissive part, and its radius is given as 1.0 (twice
// its true size) so that level-of-detail and camera distances keep it on screen a while longer.
std::unique_ptr<Model> makeNullMesh() {
  constexpr int kRings = 7;
  constexpr int kSteps = 16;
  constexpr float kRadius = 0.5f;
  constexpr float kLatitudeStep = kPi / 8;
  constexpr float kLongitudeStep = 0.3927f;

  auto model = std::make_unique<Model>();
  model->name = "null.x";
  ModelSubset& subset = singleSubset(*model).subsets[0];
  std::vector<ModelVertex>& vertices = subset.vertices;

  auto add = [&](const Vec3& unit, float u, float v) {
    vertices.push_back({unit.x * kRadius, unit.y * kRadius, unit.z * kRadius, unit.x, unit.y, unit.z, u, v});
  };
  add({0, 1, 0}, 0.5f, 0);  // north pole, 0
  for (int i = 1; i <= kRings; ++i) {
    const float theta = static_cast<float>(i) * kLatitudeStep;
    for (int j = 0; j < kSteps; ++j) {
      const float phi = static_cast<float>(j) * kLongitudeStep;
      add({std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)},
          static_cast<float>(j) / kSteps, static_cast<float>(i) / (kRings + 1));
    }
  }
  add({0, -1, 0}, 0.5f, 1);  // south pole, 113
  const int south = static_cast<int>(vertices.size()) - 1;
  auto ring = [](int i) { return 1 + (i - 1) * kSteps; };

  // Longitude grows from +x towards +z, so seen from outside the rings run anticlockwise; the
  // triangles below are clockwise from outside, Direct3D's front face.
  std::vector<std::uint16_t>& indices = subset.indices;
  auto emit = [&](int a, int b, int c) { addTriangle(indices, a, b, c); };
  for (int j = 0; j < kSteps; ++j) emit(0, ring(1) + (j + 1) % kSteps, ring(1) + j);
  for (int i = 1; i < kRings; ++i) joinRings(ring(i), ring(i + 1), kSteps, emit);
  for (int j = 0; j < kSteps; ++j) emit(south, ring(kRings) + j, ring(kRings) + (j + 1) % kSteps);

  Material& m = subset.material;
  m.diffuse = {0.995f, 0.99f, 0.79f, 0.899f};
  m.ambient = {0.2f, 0.2f, 0.2f, 0.92f};
  m.specular = {0, 0, 0, 0};
  m.emissive = {0.599f, 0.49f, 0.39f, 1.0f};
  m.power = 40;

  model->boundsMin = {-kRadius, -kRadius, -kRadius};
  model->boundsMax = {kRadius, kRadius, kRadius};
  model->centre = {0, 0, 0};
  model->radius = 1.0f;
  model->countTotals();
  return model;
}

// A flame pulled out behind a nozzle at the origin: five rings tapering along -x to a tip one
// unit back. White-hot at the nozzle, through yellow and orange to a dark red tip, and fading
// out as it goes, so it blends into whatever is behind it.
std::unique_ptr<Model> makePullMesh() {
  constexpr int kRings = 5;
  constexpr int kSegments = 16;
  struct Ring {
    float x, radius;
    std::uint32_t colour;
  };
  static constexpr std::array<Ring, kRings> kRingShape = {{
      {0.0f, 0.25f, argb(0xFF, 0xFF, 0xF0, 0xC8)},
      {-0.15f, 0.23f, argb(0xC8, 0xFF, 0xD2, 0x78)},
      {-0.35f, 0.19f, argb(0x8C, 0xFF, 0xA0, 0x3C)},
      {-0.55f, 0.13f, argb(0x50, 0xE6, 0x64, 0x1E)},
      {-0.78f, 0.06f, argb(0x20, 0xB4, 0x3C, 0x14)},
  }};
  constexpr float kTipX = -1.0f;
  constexpr std::uint32_t kTipColour = argb(0x00, 0x78, 0x1E, 0x0A);

  auto model = std::make_unique<Model>();
  model->name = "pull.x";
  model->coloured = true;
  ModelSubset& subset = singleSubset(*model).subsets[0];
  std::vector<ColouredModelVertex>& vertices = subset.colouredVertices;

  // The surface of revolution r(x) has the outward normal (-dr/dx, radial); the slope at a ring
  // is that of the line from the previous ring (or the nozzle ring) to the next (or the tip).
  auto slopeAt = [&](int k) {
    const float x0 = kRingShape[static_cast<std::size_t>(std::max(k - 1, 0))].x;
    const float r0 = kRingShape[static_cast<std::size_t>(std::max(k - 1, 0))].radius;
    const bool last = k + 1 >= kRings;
    const float x1 = last ? kTipX : kRingShape[static_cast<std::size_t>(k + 1)].x;
    const float r1 = last ? 0.0f : kRingShape[static_cast<std::size_t>(k + 1)].radius;
    return (r1 - r0) / (x1 - x0);
  };
  for (int k = 0; k < kRings; ++k) {
    const Ring& r = kRingShape[static_cast<std::size_t>(k)];
    const float slope = slopeAt(k);
    for (int j = 0; j < kSegments; ++j) {
      const float a = static_cast<float>(j) * (2 * kPi / kSegments);
      const Vec3 radial{0, std::sin(a), std::cos(a)};
      const Vec3 p{r.x, radial.y * r.radius, radial.z * r.radius};
      vertices.push_back(colouredVertex(p, normalize(Vec3{-slope, radial.y, radial.z}), r.colour,
                                        static_cast<float>(j) / kSegments, static_cast<float>(k) / kRings));
    }
  }
  vertices.push_back(colouredVertex({kTipX, 0, 0}, {-1, 0, 0}, kTipColour, 0.5f, 1.0f));
  const int tip = static_cast<int>(vertices.size()) - 1;

  std::vector<std::uint16_t>& indices = subset.indices;
  auto emit = [&](int a, int b, int c) { addTwoSided(indices, a, b, c); };
  for (int k = 0; k + 1 < kRings; ++k) joinRings(k * kSegments, (k + 1) * kSegments, kSegments, emit);
  const int lastRing = (kRings - 1) * kSegments;
  for (int j = 0; j < kSegments; ++j) emit(lastRing + j, tip, lastRing + (j + 1) % kSegments);

  measure(*model, vertices);
  model->countTotals();
  return model;
}

// The disc a spinning propeller or rotor sweeps: flat in the model's y-z plane (the blades turn
// about x), radius 1, grey and translucent, most solid at the hub and fading to nothing at the
// rim, so that at speed it reads as a faint blur rather than a plate.
std::unique_ptr<Model> makePropellerMesh() {
  constexpr int kRings = 3;
  constexpr int kSegments = 32;
  static constexpr std::array<float, kRings> kRadius = {0.3f, 0.7f, 1.0f};
  static constexpr std::array<std::uint32_t, kRings> kAlpha = {0x48, 0x28, 0x00};
  constexpr std::uint32_t kHubAlpha = 0x60;
  constexpr std::uint32_t kGrey = 0x505050;
  const Vec3 normal{1, 0, 0};

  auto model = std::make_unique<Model>();
  model->name = "Propeller2.x";
  model->coloured = true;
  ModelSubset& subset = singleSubset(*model).subsets[0];
  std::vector<ColouredModelVertex>& vertices = subset.colouredVertices;

  vertices.push_back(colouredVertex({0, 0, 0}, normal, kHubAlpha << 24 | kGrey, 0.5f, 0.5f));
  for (int k = 0; k < kRings; ++k) {
    const float r = kRadius[static_cast<std::size_t>(k)];
    const std::uint32_t colour = kAlpha[static_cast<std::size_t>(k)] << 24 | kGrey;
    for (int j = 0; j < kSegments; ++j) {
      const float a = static_cast<float>(j) * (2 * kPi / kSegments);
      const Vec3 p{0, std::sin(a) * r, std::cos(a) * r};
      vertices.push_back(colouredVertex(p, normal, colour, 0.5f + p.y * 0.5f, 0.5f + p.z * 0.5f));
    }
  }

  std::vector<std::uint16_t>& indices = subset.indices;
  auto emit = [&](int a, int b, int c) { addTwoSided(indices, a, b, c); };
  for (int j = 0; j < kSegments; ++j) emit(0, 1 + j, 1 + (j + 1) % kSegments);
  for (int k = 0; k + 1 < kRings; ++k) joinRings(1 + k * kSegments, 1 + (k + 1) * kSegments, kSegments, emit);

  measure(*model, vertices);
  model->countTotals();
  return model;
}

}  // namespace skyloom
