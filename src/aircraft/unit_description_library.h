#pragma once
// UnitDescriptionLibrary: the unit descriptions of the built-in "null.cu" (index 0) and of every
// loaded aircraft file, in load order, and the lookup of files embedded in their texture packs.
//
// While a library exists it is the process's source of embedded files: the pack layer's last
// resort (packFallbackReader) asks it, then the program's own texture pack, then the program's
// resources, so any texture name can come from an aircraft file; a loose file of the same name
// wins because the pack layer reads loose files first.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "aircraft/unit.h"
#include "aircraft/unit_description.h"
#include "core/bytes.h"

namespace skyloom {

class ModelLibrary;
class TexturePack;

class UnitDescriptionLibrary {
 public:
  // ownPack (may be null) is the program's texture pack, asked after the aircraft files.
  UnitDescriptionLibrary(ModelLibrary& models, TexturePack* ownPack);
  ~UnitDescriptionLibrary();
  UnitDescriptionLibrary(const UnitDescriptionLibrary&) = delete;
  UnitDescriptionLibrary& operator=(const UnitDescriptionLibrary&) = delete;

  // Loads every description of every file of the list (names without ".cu"; "null" and empty
  // names are skipped), from "aircraft\<name>.cu", or failing that from an embedded or packed
  // file of that name. A file that is missing or bad is skipped whole. Answers the number of
  // files loaded.
  std::size_t loadFiles(const std::vector<std::string>& names);
  // The same for one file's bytes, as if read under fileName; false when refused.
  bool loadFileBytes(std::string_view fileName, ByteSpan bytes);

  // Index of the description called name (case-insensitive), 0 ("null.cu") when unknown.
  int find(std::string_view name) const;
  // A new unit of that description; null for a kind that makes no unit.
  std::unique_ptr<Unit> create(std::string_view name) const;
  std::unique_ptr<Unit> createFrom(int index) const;
  // Makes unit one of the description at index (0 when out of range): description, kind, mesh
  // size and flight parameters. False, and unit untouched, for a kind that makes no unit.
  bool fill(int index, Unit& unit) const;

  // The bytes of a file stored in the texture pack of any loaded description, in load order.
  std::optional<Bytes> findEmbedded(std::string_view name) const;
  // findEmbedded, then the program's own pack, then the program's resources.
  std::optional<Bytes> lookup(std::string_view name) const;

  std::size_t size() const { return descriptions_.size(); }
  const UnitDescription& description(int index) const { return descriptions_[static_cast<std::size_t>(index)]; }

  struct LoadedFile {
    std::string name;        // "fighter.cu"
    std::string path;        // where it was read from (empty when it came from a pack)
    Bytes inMemory;          // the file itself when it came from a pack
    std::size_t first = 0;   // index of its first description
    std::size_t count = 0;
  };
  const std::vector<LoadedFile>& files() const { return files_; }

  // The library the pack layer's fallback reader asks, or null.
  static const UnitDescriptionLibrary* current();

 private:
  ModelLibrary& models_;
  TexturePack* ownPack_;
  std::vector<UnitDescription> descriptions_;
  std::vector<LoadedFile> files_;
};

}  // namespace skyloom
