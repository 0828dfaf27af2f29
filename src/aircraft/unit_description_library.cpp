// The unit descriptions by name, the aircraft files they came from, and the lookup of files
// embedded in those files' texture packs.
#include "aircraft/unit_description_library.h"

#include <cstring>

#include "aircraft/model_library.h"
#include "aircraft/texture_pack.h"
#include "core/file.h"
#include "core/paths.h"
#include "platform/program_resource.h"
#include "resources/pack.h"

namespace skyloom {
namespace {

const UnitDescriptionLibrary* currentLibrary = nullptr;

// No aircraft file of ours comes near this; a larger file is not an aircraft file.
constexpr std::uint64_t kMaxUnitFileSize = std::uint64_t{256} << 20;

// The pack layer's last resort while a library exists.
bool readEmbeddedFile(FileData& out, const char* name) {
  if (currentLibrary == nullptr || name == nullptr) return false;
  auto bytes = currentLibrary->lookup(baseName(name));
  if (!bytes) return false;
  out.bytes = std::make_unique<char[]>(bytes->size() + 1);
  if (!bytes->empty()) std::memcpy(out.bytes.get(), bytes->data(), bytes->size());
  out.bytes[bytes->size()] = '\0';
  out.size = bytes->size();
  return true;
}

// The loose file whole, opened once; false when it is missing, unreadable or too large to be an
// aircraft file.
bool readUnitFile(const std::string& path, Bytes& out) {
  File f(path, "rb");
  if (!f.isOpen()) return false;
  const std::uint64_t size = f.size();
  if (size > kMaxUnitFileSize) return false;
  out.resize(static_cast<std::size_t>(size));
  return size == 0 || f.read(out.data(), out.size()) == out.size();
}

std::optional<Bytes> readRange(const std::string& path, std::uint64_t offset, std::uint32_t length) {
  File f(path, "rb");
  if (!f.isOpen() || offset + length > f.size() || !f.seek(offset)) return {};
  Bytes bytes(length);
  if (length != 0 && f.read(bytes.data(), length) != length) return {};
  return bytes;
}

}  // namespace

UnitDescriptionLibrary::UnitDescriptionLibrary(ModelLibrary& models, TexturePack* ownPack)
    : models_(models), ownPack_(ownPack) {
  descriptions_.push_back(builtInNullDescription());
  descriptions_[0].slots[0].meshIndex = models_.find(descriptions_[0].slots[0].meshName);
  currentLibrary = this;
  packFallbackReader = readEmbeddedFile;
}

UnitDescriptionLibrary::~UnitDescriptionLibrary() {
  if (currentLibrary == this) {
    currentLibrary = nullptr;
    packFallbackReader = nullptr;
  }
}

const UnitDescriptionLibrary* UnitDescriptionLibrary::current() { return currentLibrary; }

std::size_t UnitDescriptionLibrary::loadFiles(const std::vector<std::string>& names) {
  std::size_t loaded = 0;
  for (const std::string& name : names) {
    if (name.empty() || equalsIgnoreCase(name, "null")) continue;
    const std::string fileName = name + ".cu";
    const std::string path = nativePath("aircraft\\" + fileName);
    Bytes bytes;
    if (readUnitFile(path, bytes)) {
      if (loadFileBytes(fileName, bytes)) {
        files_.back().path = path;
        ++loaded;
      }
      continue;
    }
    if (auto packed = lookup(fileName)) {
      if (loadFileBytes(fileName, *packed)) {
        files_.back().inMemory = std::move(*packed);
        ++loaded;
      }
    }
  }
  return loaded;
}

bool UnitDescriptionLibrary::loadFileBytes(std::string_view fileName, ByteSpan bytes) {
  auto records = parseUnitFile(bytes);
  if (!records) return false;
  LoadedFile file;
  file.name = std::string(fileName);
  file.first = descriptions_.size();
  file.count = records->size();
  for (ParsedDescription& record : *records) {
    models_.add(std::move(record.models));
    UnitDescription& d = descriptions_.emplace_back(std::move(record.description));
    // Indices stored in the file mean nothing here: names decide, and the record's own meshes
    // were added just before, so they are found.
    for (MeshSlot& slot : d.slots) slot.meshIndex = models_.find(slot.meshName);
  }
  files_.push_back(std::move(file));
  return true;
}

int UnitDescriptionLibrary::find(std::string_view name) const {
  for (std::size_t i = 0; i < descriptions_.size(); ++i) {
    if (equalsIgnoreCase(descriptions_[i].name, name)) return static_cast<int>(i);
  }
  return 0;
}

std::unique_ptr<Unit> UnitDescriptionLibrary::create(std::string_view name) const { return createFrom(find(name)); }

std::unique_ptr<Unit> UnitDescriptionLibrary::createFrom(int index) const {
  auto unit = std::make_unique<Unit>();
  if (!fill(index, *unit)) return nullptr;
  return unit;
}

bool UnitDescriptionLibrary::fill(int index, Unit& unit) const {
  if (index < 0 || static_cast<std::size_t>(index) >= descriptions_.size()) index = 0;
  const UnitDescription& d = descriptions_[static_cast<std::size_t>(index)];
  if (d.kind < kUnitStatic || d.kind > kUnitFlyingLast) return false;
  unit.description = &d;
  unit.descriptionIndex = index;
  unit.isStatic = d.kind == kUnitStatic;
  const Model& lod0 = models_.modelOrNull(d.slots.empty() ? 0 : d.slots[0].meshIndex);
  unit.radius = lod0.radius;
  unit.negatedBoundsMin = Vec3{-lod0.boundsMin.x, -lod0.boundsMin.y, -lod0.boundsMin.z};
  unit.topSpeed = d.flight.topSpeed;
  unit.speed = d.flight.topSpeed;
  unit.turnRate = d.flight.turnRate;
  unit.classCode = d.flight.classCode;
  unit.side = d.flight.classCode;
  unit.ceiling = d.flight.ceiling;
  unit.range = d.flight.range;
  unit.float136 = d.flight.float136;
  return true;
}

std::optional<Bytes> UnitDescriptionLibrary::findEmbedded(std::string_view name) const {
  for (const LoadedFile& file : files_) {
    for (std::size_t i = file.first; i < file.first + file.count; ++i) {
      const UnitDescription& d = descriptions_[i];
      if (!d.texturePack) continue;
      const TexturePackEntry* entry = d.texturePack->find(name);
      if (entry == nullptr) continue;
      const std::uint64_t offset = d.texturePackOffset + entry->offset;
      if (!file.inMemory.empty()) {
        if (offset + entry->length > file.inMemory.size()) continue;
        const auto* p = file.inMemory.data() + offset;
        return Bytes(p, p + entry->length);
      }
      // The file is read again: it may have changed since it was loaded, so a short read is a
      // miss rather than a trusted length.
      if (auto bytes = readRange(file.path, offset, entry->length)) return bytes;
    }
  }
  return {};
}

std::optional<Bytes> UnitDescriptionLibrary::lookup(std::string_view name) const {
  if (auto bytes = findEmbedded(name)) return bytes;
  if (ownPack_ != nullptr) {
    if (auto bytes = ownPack_->read(name)) return bytes;
  }
  return readProgramResource(name, ProgramResourceType::RawData);
}

}  // namespace skyloom
