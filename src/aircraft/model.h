#pragma once
// Model: one mesh of a unit, a list of subsets each with one texture and one material, drawn as
// indexed triangle lists from memory. Loaded meshes carry 32-byte vertices (position, normal,
// texture coordinates); the meshes built in code (the spinning blades, the flame cone) carry a
// diffuse colour as well and no material or texture.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/math.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

struct ModelVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};
static_assert(sizeof(ModelVertex) == 32, "the mesh files' 32-byte vertex");
constexpr std::uint32_t kModelFvf = Fvf::Xyz | Fvf::Normal | Fvf::Tex1;
static_assert(kModelFvf == 0x112, "the mesh files' vertex format");

struct ColouredModelVertex {
  float x, y, z;
  float nx, ny, nz;
  std::uint32_t diffuse;
  float u, v;
};
static_assert(sizeof(ColouredModelVertex) == 36, "the built-in meshes' 36-byte vertex");
constexpr std::uint32_t kColouredModelFvf = Fvf::Xyz | Fvf::Normal | Fvf::Diffuse | Fvf::Tex1;
static_assert(kColouredModelFvf == 0x152, "the built-in meshes' vertex format");

// Names are stored in 16-byte fields (15 characters and a NUL); texture names in 32-byte ones.
constexpr std::size_t kModelNameField = 16;
constexpr std::size_t kTextureNameField = 32;

struct ModelSubset {
  std::string textureName;            // "" for no texture
  Texture* texture = nullptr;         // owned by the library; null while not restored or missing
  Material material;
  std::vector<ModelVertex> vertices;  // loaded meshes
  std::vector<ColouredModelVertex> colouredVertices;  // built-in meshes
  std::vector<std::uint16_t> indices;                 // triangle list

  std::uint32_t vertexCount() const {
    return static_cast<std::uint32_t>(vertices.empty() ? colouredVertices.size() : vertices.size());
  }
};

struct Model {
  std::string name;  // compared case-insensitively
  Vec3 boundsMin;
  Vec3 centre;
  Vec3 boundsMax;
  std::int32_t vertexTotal = 0;
  std::int32_t indexTotal = 0;
  float radius = 0;  // bounding radius: level of detail and camera distance
  bool coloured = false;  // built-in: coloured vertices, no material, no texture
  std::vector<ModelSubset> subsets;

  // Per subset: material and texture (loaded meshes), vertex format, one user-pointer draw.
  void draw(RenderDevice& device) const;
  // Sums the subsets' counts into vertexTotal and indexTotal.
  void countTotals();
};

}  // namespace skyloom
