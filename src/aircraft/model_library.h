#pragma once
// ModelLibrary: every mesh the scene draws for a unit, by name. Index 0 is always the built-in
// "null.x", 1 "pull.x", 2 "Propeller2.x"; lookups of an absent name answer 0, so a missing mesh
// draws as the small sphere. Subset textures follow the device: made by name on restore (one
// per distinct name, shared by every subset that names it), dropped on invalidate.

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "aircraft/model.h"
#include "core/bytes.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

class CrtRandom;

class ModelLibrary {
 public:
  static constexpr std::size_t kCapacity = 1000;
  static constexpr int kNullMesh = 0;
  static constexpr int kPullMesh = 1;
  static constexpr int kPropellerMesh = 2;

  ModelLibrary();  // with the three built-in meshes
  ~ModelLibrary();
  ModelLibrary(const ModelLibrary&) = delete;
  ModelLibrary& operator=(const ModelLibrary&) = delete;

  // Index of the mesh called name (case-insensitive; the first of equal names), 0 when absent.
  int find(std::string_view name) const;
  // Parses a model-pack blob and appends its meshes; answers the blob length consumed, 0 when
  // the blob is bad (then nothing is added). Meshes beyond kCapacity are dropped.
  std::size_t loadPack(ByteSpan blob);
  // Appends parsed meshes (as far as capacity allows); answers how many were taken.
  std::size_t add(std::vector<std::unique_ptr<Model>>&& models);

  // Gives every subset of the named mesh (never index 0) random diffuse, specular and ambient
  // red, green and blue in [0.5, 1]: (rand + 32768) / 65535.
  void randomizeMaterials(std::string_view name, CrtRandom& random);

  // Makes each distinct subset texture by name (A8R8G8B8, one level, default pool) through the
  // texture device; answers how many were made. Missing pictures leave their subsets untextured.
  std::size_t restoreTextures(RenderDevice& device);
  void releaseTextures();

  std::size_t size() const { return models_.size(); }
  const Model& model(int index) const { return *models_[static_cast<std::size_t>(index)]; }
  Model& model(int index) { return *models_[static_cast<std::size_t>(index)]; }
  // The mesh at index, or "null.x" when index is out of range.
  const Model& modelOrNull(int index) const;

 private:
  std::vector<std::unique_ptr<Model>> models_;
  std::map<std::string, std::unique_ptr<Texture>> textures_;  // by lower-cased name
};

}  // namespace skyloom
