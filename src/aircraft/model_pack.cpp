// The model-pack blob: parsing with every field checked against the bytes present, and the
// writer the content generator uses.
#include "aircraft/model_pack.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "aircraft/record_fields.h"

namespace skyloom {
namespace {

constexpr char kPackTag[] = "SKYLOOM MESHES";

// A cursor over the blob that refuses to step past its end.
class Reader {
 public:
  explicit Reader(ByteSpan bytes) : bytes_(bytes) {}
  bool has(std::size_t n) const { return n <= bytes_.size() - pos_; }
  const std::uint8_t* take(std::size_t n) {
    const std::uint8_t* p = bytes_.data() + pos_;
    pos_ += n;
    return p;
  }
  std::size_t position() const { return pos_; }

 private:
  ByteSpan bytes_;
  std::size_t pos_ = 0;
};

Material readMaterial(const std::uint8_t* p) {
  float f[17];
  for (int i = 0; i < 17; ++i) f[i] = readLEFloat(p + 4 * i);
  Material m;
  m.diffuse = {f[0], f[1], f[2], f[3]};
  m.ambient = {f[4], f[5], f[6], f[7]};
  m.specular = {f[8], f[9], f[10], f[11]};
  m.emissive = {f[12], f[13], f[14], f[15]};
  m.power = f[16];
  return m;
}

void writeMaterial(std::uint8_t* p, const Material& m) {
  const float f[17] = {m.diffuse.r,  m.diffuse.g,  m.diffuse.b,  m.diffuse.a,  m.ambient.r, m.ambient.g,
                       m.ambient.b,  m.ambient.a,  m.specular.r, m.specular.g, m.specular.b, m.specular.a,
                       m.emissive.r, m.emissive.g, m.emissive.b, m.emissive.a, m.power};
  for (int i = 0; i < 17; ++i) writeLEFloat(p + 4 * i, f[i]);
}

std::unique_ptr<Model> parseMesh(Reader& in) {
  if (!in.has(kMeshHeaderSize)) return nullptr;
  const std::uint8_t* h = in.take(kMeshHeaderSize);
  auto model = std::make_unique<Model>();
  model->name = fixedString(h + 8, kModelNameField);
  const std::uint32_t subsetCount = readLE32(h + 24);
  model->boundsMin = readVec3(h + 28);
  model->centre = readVec3(h + 40);
  model->boundsMax = readVec3(h + 52);
  model->radius = readLEFloat(h + 72);
  if (subsetCount > kMaxMeshSubsets || !in.has(std::size_t{8} * subsetCount)) return nullptr;
  const std::uint8_t* indexCounts = in.take(std::size_t{4} * subsetCount);
  const std::uint8_t* vertexCounts = in.take(std::size_t{4} * subsetCount);
  model->subsets.resize(subsetCount);
  for (std::uint32_t s = 0; s < subsetCount; ++s) {
    ModelSubset& subset = model->subsets[s];
    const std::uint32_t indexCount = readLE32(indexCounts + 4 * s);
    const std::uint32_t vertexCount = readLE32(vertexCounts + 4 * s);
    // 16-bit indices can address no more than 65536 vertices.
    if (vertexCount > 65536 || !in.has(kSubsetHeaderSize)) return nullptr;
    const std::uint8_t* sh = in.take(kSubsetHeaderSize);
    subset.textureName = fixedString(sh, kTextureNameField);
    subset.material = readMaterial(sh + 36);
    if (!in.has(std::size_t{vertexCount} * sizeof(ModelVertex))) return nullptr;
    const std::uint8_t* v = in.take(std::size_t{vertexCount} * sizeof(ModelVertex));
    subset.vertices.resize(vertexCount);
    for (std::uint32_t i = 0; i < vertexCount; ++i) {
      float f[8];
      for (int k = 0; k < 8; ++k) f[k] = readLEFloat(v + 32 * i + 4 * k);
      subset.vertices[i] = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
      repairNormal(subset.vertices[i]);
    }
    if (indexCount > (std::size_t{1} << 24) || !in.has(std::size_t{indexCount} * 2)) return nullptr;
    const std::uint8_t* ix = in.take(std::size_t{indexCount} * 2);
    subset.indices.resize(indexCount);
    for (std::uint32_t i = 0; i < indexCount; ++i) {
      subset.indices[i] = readLE16(ix + 2 * i);
      // An index past the vertices would make the draw read outside the array.
      if (subset.indices[i] >= vertexCount) return nullptr;
    }
  }
  model->countTotals();
  return model;
}

}  // namespace

void repairNormal(ModelVertex& v) {
  // Damaged normals (an x beyond ±1, not a number, or no length at all) point somewhere
  // harmless. A unit normal along ±x is a good one and stays, although the old rule (x strictly
  // inside ±1) turned nose and tail tips grey.
  const Vec3 n0{v.nx, v.ny, v.nz};
  if (!(v.nx >= -1.0f && v.nx <= 1.0f) || !(dot(n0, n0) > 1e-12f) || !std::isfinite(dot(n0, n0))) {
    v.nx = v.ny = v.nz = 0.1f;
  }
  const Vec3 n = normalize(Vec3{v.nx, v.ny, v.nz});
  v.nx = n.x;
  v.ny = n.y;
  v.nz = n.z;
}

bool parseModelPack(ByteSpan bytes, std::vector<std::unique_ptr<Model>>& out, std::size_t& consumed) {
  Reader in(bytes);
  if (!in.has(kModelPackHeaderSize)) return false;
  const std::uint8_t* header = in.take(kModelPackHeaderSize);
  const std::uint32_t count = readLE32(header + 44);
  if (count > kMaxPackMeshes) return false;
  std::vector<std::unique_ptr<Model>> parsed;
  parsed.reserve(count);
  for (std::uint32_t m = 0; m < count; ++m) {
    auto model = parseMesh(in);
    if (!model) return false;
    parsed.push_back(std::move(model));
  }
  for (auto& model : parsed) out.push_back(std::move(model));
  consumed = in.position();
  return true;
}

void writeModelPack(const std::vector<const Model*>& models, Bytes& out) {
  const std::size_t start = out.size();
  out.resize(start + kModelPackHeaderSize, 0);
  std::memcpy(out.data() + start, kPackTag, sizeof kPackTag - 1);
  writeLE32(out.data() + start + 44, static_cast<std::uint32_t>(models.size()));
  for (const Model* model : models) {
    std::size_t at = out.size();
    out.resize(at + kMeshHeaderSize, 0);
    std::uint8_t* h = out.data() + at;
    putString(h + 8, model->name, kModelNameField);
    writeLE32(h + 24, static_cast<std::uint32_t>(model->subsets.size()));
    writeVec3(h + 28, model->boundsMin);
    writeVec3(h + 40, model->centre);
    writeVec3(h + 52, model->boundsMax);
    writeLE32(h + 64, static_cast<std::uint32_t>(model->vertexTotal));
    writeLE32(h + 68, static_cast<std::uint32_t>(model->indexTotal));
    writeLEFloat(h + 72, model->radius);
    at = out.size();
    out.resize(at + 8 * model->subsets.size(), 0);
    for (std::size_t s = 0; s < model->subsets.size(); ++s) {
      writeLE32(out.data() + at + 4 * s, static_cast<std::uint32_t>(model->subsets[s].indices.size()));
      writeLE32(out.data() + at + 4 * (model->subsets.size() + s),
                static_cast<std::uint32_t>(model->subsets[s].vertices.size()));
    }
    for (const ModelSubset& subset : model->subsets) {
      at = out.size();
      out.resize(at + kSubsetHeaderSize + subset.vertices.size() * sizeof(ModelVertex) + subset.indices.size() * 2, 0);
      std::uint8_t* p = out.data() + at;
      putString(p, subset.textureName, kTextureNameField);
      writeMaterial(p + 36, subset.material);
      p += kSubsetHeaderSize;
      for (const ModelVertex& v : subset.vertices) {
        const float f[8] = {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v};
        for (int k = 0; k < 8; ++k) writeLEFloat(p + 4 * k, f[k]);
        p += sizeof(ModelVertex);
      }
      for (std::uint16_t i : subset.indices) {
        writeLE16(p, i);
        p += 2;
      }
    }
  }
  writeLE32(out.data() + start + 40, static_cast<std::uint32_t>(out.size() - start));
}

}  // namespace skyloom
