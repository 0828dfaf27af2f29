#pragma once
// The aircraft side of a scene, made once at start-up in its fixed order: the program's own
// texture pack, the meshes (with the three built in), the unit descriptions ("null.cu" and the
// aircraft files), the randomised colours of the two light aircraft, and the catalogue of mesh
// types and group templates. Mesh textures follow the device.

#include <memory>
#include <string>
#include <vector>

#include "aircraft/model_library.h"
#include "aircraft/texture_pack.h"
#include "aircraft/unit_catalogue.h"
#include "aircraft/unit_description_library.h"
#include "platform/gfx/render_device.h"

namespace skyloom {

class CrtRandom;

class AircraftLibraries {
 public:
  // aircraftFiles: the names of the aircraft files to load (the settings' scan list of
  // "aircraft\": "null" and every ".cu" name without its extension). programPath: the program
  // file, searched for an appended texture pack (null: only "texpk.dat" is tried).
  AircraftLibraries(const std::vector<std::string>& aircraftFiles, const char* programPath, CrtRandom& random);
  AircraftLibraries(const AircraftLibraries&) = delete;
  AircraftLibraries& operator=(const AircraftLibraries&) = delete;

  std::size_t restore(RenderDevice& device) { return models.restoreTextures(device); }
  void invalidate() { models.releaseTextures(); }

  const UnitCatalogue& catalogue() const { return *catalogue_; }

  TexturePack texturePack;
  ModelLibrary models;
  UnitDescriptionLibrary descriptions;
  std::size_t filesLoaded = 0;

 private:
  std::unique_ptr<UnitCatalogue> catalogue_;  // made once the meshes it names are loaded
};

// The meshes whose colours change on every run.
constexpr const char* kRandomlyColouredMeshes[] = {"biplane.x", "mplane.x"};

// Gives the named mesh random colours and its description's other levels of detail the same
// colours subset by subset, so a change of level does not change the aircraft's paint.
void randomizeAircraftColours(ModelLibrary& models, const UnitDescriptionLibrary& descriptions,
                              const char* meshName, CrtRandom& random);

}  // namespace skyloom
