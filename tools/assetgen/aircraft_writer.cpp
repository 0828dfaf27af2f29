// "aircraft\<name>.cu": one unit description per aircraft type, with its meshes and its livery.
#include <cstdio>
#include <fstream>

#include "aircraft/model_pack.h"
#include "aircraft_fleet.h"
#include "assetgen.h"
#include "resources/image.h"

namespace skyloom::assetgen {

namespace {

constexpr std::int32_t kFlyingUnit = 2;

bool namesFit(const GeneratedAircraft& aircraft) {
  // Mesh and pack entry names live in 16-byte fields with their terminating NUL.
  if (liveryFileName(aircraft.design.name).size() >= kModelNameField) return false;
  for (const BuiltLevel& level : aircraft.levels) {
    if (level.model.name.size() >= kModelNameField) return false;
  }
  return aircraft.design.name.size() < kUnitDescriptionNameField;
}

bool readsBack(const GeneratedAircraft& aircraft, const Bytes& bytes) {
  const auto parsed = parseUnitFile(bytes);
  if (!parsed || parsed->size() != 1) return false;
  const ParsedDescription& d = parsed->front();
  if (d.description.name != aircraft.design.name || d.models.size() != static_cast<std::size_t>(kLevels) ||
      !d.description.texturePack) {
    return false;
  }
  const TexturePackEntry* entry = d.description.texturePack->find(liveryFileName(aircraft.design.name));
  if (entry == nullptr) return false;
  const std::size_t at = static_cast<std::size_t>(d.description.texturePackOffset) + entry->offset;
  if (at > bytes.size() || entry->length > bytes.size() - at) return false;
  Image image;
  return decodeJpeg(ByteSpan(bytes).subspan(at, entry->length), image) &&
         image.width == static_cast<std::uint32_t>(kLiveryWidth) && image.height == static_cast<std::uint32_t>(kLiveryHeight);
}

bool writeBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  stream.close();
  if (!stream) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

}  // namespace

UnitDescriptionSource describeAircraft(const GeneratedAircraft& aircraft) {
  UnitDescriptionSource source;
  UnitDescription& d = source.description;
  d.name = aircraft.design.name;
  d.lodCount = kLevels;
  d.kind = kFlyingUnit;
  d.flight = aircraft.design.flight;
  d.attachments = aircraft.design.attachments;
  for (const BuiltLevel& level : aircraft.levels) {
    MeshSlot slot;
    slot.meshName = level.model.name;
    d.slots.push_back(slot);
    source.models.push_back(&level.model);
  }
  source.textures.push_back({liveryFileName(aircraft.design.name), aircraft.liveryJpeg});
  return source;
}

bool makeAircraftFile(const GeneratedAircraft& aircraft, Bytes& out) {
  if (!namesFit(aircraft)) {
    std::fprintf(stderr, "assetgen: the names of %s do not fit their fields\n", aircraft.design.name.c_str());
    return false;
  }
  out = writeUnitFile({describeAircraft(aircraft)});
  if (!readsBack(aircraft, out)) {
    std::fprintf(stderr, "assetgen: %s.cu does not read back\n", aircraft.design.name.c_str());
    return false;
  }
  return true;
}

bool writeAircraft(const fs::path& installDir) {
  const fs::path dir = installDir / "aircraft";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "assetgen: cannot create %s\n", dir.string().c_str());
    return false;
  }
  for (const AircraftDesign& design : makeFleet()) {
    GeneratedAircraft aircraft;
    Bytes bytes;
    if (!generateAircraft(design, aircraft) || !makeAircraftFile(aircraft, bytes) ||
        !writeBytes(dir / (design.name + ".cu"), bytes)) {
      return false;
    }
  }
  return true;
}

}  // namespace skyloom::assetgen
