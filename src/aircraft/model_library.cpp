#include "aircraft/model_library.h"

#include <algorithm>

#include "aircraft/builtin_meshes.h"
#include "aircraft/model_pack.h"
#include "core/paths.h"
#include "core/random.h"
#include "resources/texture.h"

namespace skyloom {

namespace {

std::string lowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// A mesh is drawn straight from its arrays, so an index past its subset's vertices would make
// the device read beyond them. Such a mesh is refused here rather than checked on every draw.
bool wellFormed(const Model& model) {
  for (const ModelSubset& subset : model.subsets) {
    if (model.coloured ? !subset.vertices.empty() : !subset.colouredVertices.empty()) return false;
    const std::uint32_t count = subset.vertexCount();
    const bool inside =
        std::all_of(subset.indices.begin(), subset.indices.end(), [count](std::uint16_t i) { return i < count; });
    if (!inside) return false;
  }
  return true;
}

float randomChannel(CrtRandom& random) { return static_cast<float>(random.next() + 32768) / 65535.0f; }

}  // namespace

ModelLibrary::ModelLibrary() {
  models_.reserve(kCapacity);
  models_.push_back(makeNullMesh());
  models_.push_back(makePullMesh());
  models_.push_back(makePropellerMesh());
}

ModelLibrary::~ModelLibrary() { releaseTextures(); }

int ModelLibrary::find(std::string_view name) const {
  for (std::size_t i = 0; i < models_.size(); ++i) {
    if (equalsIgnoreCase(models_[i]->name, name)) return static_cast<int>(i);
  }
  return kNullMesh;
}

std::size_t ModelLibrary::loadPack(ByteSpan blob) {
  std::vector<std::unique_ptr<Model>> parsed;
  std::size_t consumed = 0;
  if (!parseModelPack(blob, parsed, consumed)) return 0;
  add(std::move(parsed));
  // The whole blob was read even when the library could not take every mesh: the caller moves
  // past it either way.
  return consumed;
}

std::size_t ModelLibrary::add(std::vector<std::unique_ptr<Model>>&& models) {
  std::size_t taken = 0;
  for (std::unique_ptr<Model>& model : models) {
    if (models_.size() >= kCapacity) break;
    if (!model || !wellFormed(*model)) continue;
    models_.push_back(std::move(model));
    ++taken;
  }
  return taken;
}

void ModelLibrary::randomizeMaterials(std::string_view name, CrtRandom& random) {
  const int index = find(name);
  if (index == kNullMesh) return;  // absent: the sphere keeps its colours
  for (ModelSubset& subset : models_[static_cast<std::size_t>(index)]->subsets) {
    Material& m = subset.material;
    for (ColorValue* c : {&m.diffuse, &m.specular, &m.ambient}) {
      c->r = randomChannel(random);
      c->g = randomChannel(random);
      c->b = randomChannel(random);
    }
  }
}

std::size_t ModelLibrary::restoreTextures(RenderDevice& device) {
  TextureDeviceScope scope(device);
  std::size_t made = 0;
  for (std::unique_ptr<Model>& model : models_) {
    for (ModelSubset& subset : model->subsets) {
      if (subset.textureName.empty()) continue;
      auto [it, inserted] = textures_.try_emplace(lowerCase(subset.textureName));
      // A name whose picture is missing keeps its empty entry, so it is looked for once only.
      if (inserted) {
        createTextureFromImage(subset.textureName, it->second, 1, Format::A8R8G8B8, Pool::Default);
        if (it->second) ++made;
      }
      subset.texture = it->second.get();
    }
  }
  return made;
}

void ModelLibrary::releaseTextures() {
  for (std::unique_ptr<Model>& model : models_) {
    for (ModelSubset& subset : model->subsets) subset.texture = nullptr;
  }
  textures_.clear();
}

const Model& ModelLibrary::modelOrNull(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= models_.size()) return *models_[kNullMesh];
  return *models_[static_cast<std::size_t>(index)];
}

}  // namespace skyloom
