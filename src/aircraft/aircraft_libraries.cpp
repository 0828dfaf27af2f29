#include "aircraft/aircraft_libraries.h"

#include "core/random.h"

namespace skyloom {
AircraftLibraries::AircraftLibraries(const std::vector<std::string>& aircraftFiles, const char* programPath,
                                     CrtRandom& random)
    : descriptions(models, &texturePack) {
  texturePack.open(programPath);
  filesLoaded = descriptions.loadFiles(aircraftFiles);
  for (const char* name : kRandomlyColouredMeshes) randomizeAircraftColours(models, descriptions, name, random);
  catalogue_ = std::make_unique<UnitCatalogue>(models);
}

void randomizeAircraftColours(ModelLibrary& models, const UnitDescriptionLibrary& descriptions, const char* meshName,
                              CrtRandom& random) {
  const int index = models.find(meshName);
  if (index == 0) return;
  models.randomizeMaterials(meshName, random);
  const Model& painted = models.model(index);
  if (painted.subsets.empty()) return;
  for (std::size_t d = 1; d < descriptions.size(); ++d) {
    const UnitDescription& description = descriptions.description(static_cast<int>(d));
    if (description.slots.empty() || description.slots[0].meshIndex != index) continue;
    for (const MeshSlot& slot : description.slots) {
      if (slot.meshIndex == index || slot.meshIndex < 3) continue;
      Model& level = models.model(slot.meshIndex);
      for (std::size_t s = 0; s < level.subsets.size(); ++s) {
        level.subsets[s].material = painted.subsets[s % painted.subsets.size()].material;
      }
    }
  }
}

}  // namespace skyloom
