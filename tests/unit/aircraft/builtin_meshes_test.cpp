#include "aircraft/builtin_meshes.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>

#include "platform/gfx/recording_device.h"

namespace skyloom {
namespace {

using Triangle = std::array<std::uint16_t, 3>;

std::vector<Triangle> trianglesOf(const ModelSubset& s) {
  std::vector<Triangle> out;
  for (std::size_t i = 0; i + 2 < s.indices.size(); i += 3) out.push_back({s.indices[i], s.indices[i + 1], s.indices[i + 2]});
  return out;
}

Vec3 at(const ModelSubset& s, std::size_t i) {
  if (!s.vertices.empty()) return {s.vertices[i].x, s.vertices[i].y, s.vertices[i].z};
  return {s.colouredVertices[i].x, s.colouredVertices[i].y, s.colouredVertices[i].z};
}

void expectColour(const ColorValue& c, float r, float g, float b, float a) {
  EXPECT_FLOAT_EQ(c.r, r);
  EXPECT_FLOAT_EQ(c.g, g);
  EXPECT_FLOAT_EQ(c.b, b);
  EXPECT_FLOAT_EQ(c.a, a);
}

// Every triangle of a two-sided mesh comes once with each winding.
void expectTwoSided(const ModelSubset& s) {
  auto canonical = [](Triangle t) {
    while (t[0] > t[1] || t[0] > t[2]) t = {t[1], t[2], t[0]};
    return t;
  };
  std::multiset<Triangle> wound;
  for (const Triangle& t : trianglesOf(s)) wound.insert(canonical(t));
  for (const Triangle& t : wound) {
    EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);
    EXPECT_EQ(wound.count(t), 1u);
    EXPECT_EQ(wound.count(canonical({t[0], t[2], t[1]})), 1u);
  }
}

struct Ring {
  float x, radius;
  std::uint32_t colour;
};

// The rings of a coloured mesh: each of `segments` vertices at one x, one distance from the x
// axis and one colour (checked), with unit normals.
std::vector<Ring> ringsOf(const ModelSubset& s, std::size_t first, int rings, int segments) {
  std::vector<Ring> out;
  for (int k = 0; k < rings; ++k) {
    const std::size_t f = first + static_cast<std::size_t>(k * segments);
    const ColouredModelVertex& v0 = s.colouredVertices[f];
    out.push_back({v0.x, std::hypot(v0.y, v0.z), v0.diffuse});
    for (std::size_t i = f; i < f + static_cast<std::size_t>(segments); ++i) {
      const ColouredModelVertex& v = s.colouredVertices[i];
      EXPECT_FLOAT_EQ(v.x, out.back().x);
      EXPECT_NEAR(std::hypot(v.y, v.z), out.back().radius, 1e-5f);
      EXPECT_EQ(v.diffuse, out.back().colour);
      EXPECT_NEAR(length({v.nx, v.ny, v.nz}), 1.0f, 1e-5f);
    }
  }
  return out;
}

TEST(NullMesh, CountsBoundsRadiusAndMaterialAreTheFixedOnes) {
  const auto m = makeNullMesh();
  EXPECT_EQ(m->name, "null.x");
  EXPECT_FALSE(m->coloured);
  ASSERT_EQ(m->subsets.size(), 1u);
  const ModelSubset& s = m->subsets[0];
  EXPECT_EQ(s.vertices.size(), 114u);
  EXPECT_EQ(s.indices.size(), 672u);
  EXPECT_EQ(m->vertexTotal, 114);
  EXPECT_EQ(m->indexTotal, 672);
  EXPECT_FLOAT_EQ(m->radius, 1.0f);  // twice the sphere's, as given
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_FLOAT_EQ((&m->boundsMin.x)[axis], -0.5f);
    EXPECT_FLOAT_EQ((&m->boundsMax.x)[axis], 0.5f);
  }
  expectColour(s.material.diffuse, 0.995f, 0.99f, 0.79f, 0.899f);
  expectColour(s.material.ambient, 0.2f, 0.2f, 0.2f, 0.92f);
  expectColour(s.material.specular, 0, 0, 0, 0);
  expectColour(s.material.emissive, 0.599f, 0.49f, 0.39f, 1.0f);
  EXPECT_FLOAT_EQ(s.material.power, 40.0f);
}

TEST(NullMesh, IsAClosedSphereOfRadiusHalfFacingOutward) {
  const auto m = makeNullMesh();
  const ModelSubset& s = m->subsets[0];
  std::set<float> latitudes;
  for (std::size_t i = 0; i < s.vertices.size(); ++i) {
    const ModelVertex& v = s.vertices[i];
    EXPECT_NEAR(length(at(s, i)), 0.5f, 1e-5f);
    EXPECT_NEAR(dot({v.nx, v.ny, v.nz}, at(s, i)), 0.5f, 1e-5f);  // unit length, pointing out
    latitudes.insert(std::round(v.y * 1e4f));
  }
  EXPECT_EQ(latitudes.size(), 9u);  // seven rings and two poles

  // Clockwise seen from outside (Direct3D's front face), and closed: every edge is used once in
  // each direction, so there is no hole and no seam.
  std::map<std::pair<int, int>, int> edges;
  for (const Triangle& t : trianglesOf(s)) {
    const Vec3 a = at(s, t[0]), b = at(s, t[1]), c = at(s, t[2]);
    EXPECT_GT(dot(cross(b - a, c - a), a + b + c), 0.0f) << t[0] << " " << t[1] << " " << t[2];
    for (int k = 0; k < 3; ++k) ++edges[{t[k], t[(k + 1) % 3]}];
  }
  for (const auto& [edge, count] : edges) {
    EXPECT_EQ(count, 1);
    EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
  }
}

TEST(ColouredMeshes, PullIsATaperedConeBehindTheNozzleFadingToItsTip) {
  const auto m = makePullMesh();
  EXPECT_EQ(m->name, "pull.x");
  EXPECT_TRUE(m->coloured);
  const ModelSubset& s = m->subsets.at(0);
  EXPECT_TRUE(s.vertices.empty());
  EXPECT_EQ(s.colouredVertices.size(), 81u);
  EXPECT_EQ(s.indices.size(), 864u);
  EXPECT_EQ(m->vertexTotal, 81);
  EXPECT_EQ(m->indexTotal, 864);
  expectTwoSided(s);

  std::vector<Ring> rings = ringsOf(s, 0, 5, 16);
  rings.push_back({s.colouredVertices[80].x, 0, s.colouredVertices[80].diffuse});  // the tip
  EXPECT_EQ(rings[0].x, 0.0f);
  EXPECT_EQ(rings[0].colour >> 24, 0xFFu);  // solid at the nozzle
  EXPECT_FLOAT_EQ(rings[5].x, -1.0f);
  for (std::size_t k = 1; k < rings.size(); ++k) {
    EXPECT_LT(rings[k].x, rings[k - 1].x);
    EXPECT_LT(rings[k].radius, rings[k - 1].radius);
    EXPECT_LT(rings[k].colour >> 24, rings[k - 1].colour >> 24);
  }
  for (const ColouredModelVertex& v : s.colouredVertices) EXPECT_LE(v.nx, 0.0f);  // out and back
  EXPECT_FLOAT_EQ(m->boundsMin.x, -1.0f);
  EXPECT_FLOAT_EQ(m->boundsMax.x, 0.0f);
  EXPECT_NEAR(m->radius, 1.0f, 1e-6f);
}

TEST(ColouredMeshes, PropellerIsAFaintGreyDiscOfRadiusOneInTheSpinPlane) {
  const auto m = makePropellerMesh();
  EXPECT_EQ(m->name, "Propeller2.x");
  EXPECT_TRUE(m->coloured);
  const ModelSubset& s = m->subsets.at(0);
  EXPECT_EQ(s.colouredVertices.size(), 97u);
  EXPECT_EQ(s.indices.size(), 960u);
  EXPECT_EQ(m->vertexTotal, 97);
  EXPECT_EQ(m->indexTotal, 960);
  expectTwoSided(s);

  EXPECT_EQ(length(at(s, 0)), 0.0f);  // the hub
  std::vector<Ring> rings = {{0, 0, s.colouredVertices[0].diffuse}};
  for (const Ring& r : ringsOf(s, 1, 3, 32)) rings.push_back(r);
  for (std::size_t k = 1; k < rings.size(); ++k) {
    EXPECT_GT(rings[k].radius, rings[k - 1].radius);
    EXPECT_LT(rings[k].colour >> 24, rings[k - 1].colour >> 24);
  }
  EXPECT_FLOAT_EQ(rings[3].radius, 1.0f);
  for (const ColouredModelVertex& v : s.colouredVertices) {
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_FLOAT_EQ(v.nx, 1.0f);
    EXPECT_EQ(v.diffuse & 0xFFFFFFu, 0x505050u);
    EXPECT_LT(v.diffuse >> 24, 0x80u);  // never more than half opaque
  }
  EXPECT_FLOAT_EQ(m->radius, 1.0f);
  EXPECT_FLOAT_EQ(m->boundsMax.x - m->boundsMin.x, 0.0f);
  EXPECT_FLOAT_EQ(m->boundsMax.y, 1.0f);
  EXPECT_FLOAT_EQ(m->boundsMin.z, -1.0f);
}

TEST(ModelDraw, LoadedMeshesSetMaterialTextureAndFormatPerSubsetAndSkipEmptyOnes) {
  RecordingDevice device;
  std::unique_ptr<Texture> skin;
  ASSERT_EQ(device.createTexture(4, 4, 1, Usage::None, Format::A8R8G8B8, Pool::Default, skin), kOk);
  Model model;
  model.subsets.resize(3);
  for (ModelSubset& s : model.subsets) s.vertices = {{0, 0, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 0, 1, 0, 1, 0}, {0, 0, 1, 0, 1, 0, 0, 1}};
  model.subsets[0].indices = {0, 1, 2};
  model.subsets[0].texture = skin.get();
  model.subsets[0].material.power = 7;
  model.subsets[1].indices = {0, 1};  // no whole triangle: not drawn
  model.subsets[2].vertices.push_back({1, 0, 1, 0, 1, 0, 1, 1});
  model.subsets[2].indices = {0, 2, 1, 1, 2, 3, 3};  // a stray index after two triangles is ignored
  model.subsets[2].material.power = 9;
  model.countTotals();
  EXPECT_EQ(model.vertexTotal, 10);
  EXPECT_EQ(model.indexTotal, 12);

  device.beginScene();
  model.draw(device);
  ASSERT_EQ(device.draws().size(), 2u);
  const RecordedDraw &first = device.draws()[0], &second = device.draws()[1];
  EXPECT_EQ(first.stride, 32u);
  EXPECT_EQ(first.state.fvf, 0x112u);
  EXPECT_EQ(first.indexFormat, Format::Index16);
  EXPECT_EQ(first.primitiveCount, 1u);
  EXPECT_EQ(first.numVertices, 3u);
  EXPECT_EQ(first.state.textures[0], RecordingDevice::textureId(skin.get()));
  EXPECT_FLOAT_EQ(first.state.material.power, 7.0f);
  EXPECT_EQ(second.primitiveCount, 2u);
  EXPECT_EQ(second.numVertices, 4u);
  EXPECT_EQ(second.state.textures[0], 0u);  // untextured subsets unbind the stage
  EXPECT_FLOAT_EQ(second.state.material.power, 9.0f);

  // A mesh whose last subset is textured leaves nothing bound behind it.
  std::swap(model.subsets[0], model.subsets[2]);
  model.draw(device);
  EXPECT_EQ(device.state().textures[0], 0u);
}

TEST(ModelDraw, ColouredMeshesUseTheirOwnFormatAndTouchNoMaterialOrTexture) {
  RecordingDevice device;
  device.beginScene();
  for (const auto& make : {makePullMesh, makePropellerMesh}) {
    device.clearRecording();
    const auto m = make();
    m->draw(device);
    ASSERT_EQ(device.draws().size(), 1u);
    const RecordedDraw& d = device.draws()[0];
    EXPECT_EQ(d.stride, 36u);
    EXPECT_EQ(d.state.fvf, 0x152u);
    EXPECT_EQ(d.primitiveCount, static_cast<std::uint32_t>(m->indexTotal / 3));
    EXPECT_EQ(d.numVertices, static_cast<std::uint32_t>(m->vertexTotal));
    for (const Command& c : device.commands()) {
      EXPECT_TRUE(c.kind != CommandKind::Material && c.kind != CommandKind::Texture);
    }
  }
}

}  // namespace
}  // namespace skyloom
