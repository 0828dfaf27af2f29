#include "aircraft/model.h"

namespace skyloom {

void Model::draw(RenderDevice& device) const {
  bool textureBound = false;
  for (const ModelSubset& subset : subsets) {
    const std::uint32_t vertexCount = subset.vertexCount();
    const auto triangles = static_cast<std::uint32_t>(subset.indices.size() / 3);
    if (triangles == 0 || vertexCount == 0) continue;
    if (coloured) {
      if (subset.colouredVertices.empty()) continue;
      device.setFvf(kColouredModelFvf);
      device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, vertexCount, triangles, subset.indices.data(),
                                    Format::Index16, subset.colouredVertices.data(), sizeof(ColouredModelVertex));
      continue;
    }
    if (subset.vertices.empty()) continue;
    device.setMaterial(subset.material);
    device.setTexture(0, subset.texture);
    textureBound = subset.texture != nullptr;
    device.setFvf(kModelFvf);
    device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, vertexCount, triangles, subset.indices.data(),
                                  Format::Index16, subset.vertices.data(), sizeof(ModelVertex));
  }
  // Textures belong to the library and go away on the next invalidate; nothing may keep one
  // bound past its draw.
  if (textureBound) device.setTexture(0, nullptr);
}

void Model::countTotals() {
  std::int64_t vertices = 0, indices = 0;
  for (const ModelSubset& subset : subsets) {
    vertices += subset.vertexCount();
    indices += static_cast<std::int64_t>(subset.indices.size());
  }
  vertexTotal = static_cast<std::int32_t>(vertices);
  indexTotal = static_cast<std::int32_t>(indices);
}

}  // namespace skyloom
