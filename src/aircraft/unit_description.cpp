// Unit description records and aircraft files: the parser, which checks every count, offset and
// length against the bytes present before it uses them, and the writer of the content generator.
#include "aircraft/unit_description.h"

#include <algorithm>
#include <cstring>

#include "aircraft/model_pack.h"
#include "aircraft/record_fields.h"

namespace skyloom {
namespace {

constexpr char kFileTag[] = "SKYLOOM AIRCRAFT";
constexpr std::size_t kSlotNameField = kModelNameField;
constexpr std::size_t kMatrixSize = 64;

void readFlight(const std::uint8_t* r, FlightParameters& f) {
  f.word84 = static_cast<std::int32_t>(readLE32(r + 84));
  f.topSpeed = readLEFloat(r + 104);
  f.turnRate = readLEFloat(r + 112);
  f.float116 = readLEFloat(r + 116);
  f.classCode = static_cast<std::int32_t>(readLE32(r + 120));
  f.ceiling = readLEFloat(r + 128);
  f.range = readLEFloat(r + 132);
  f.float136 = readLEFloat(r + 136);
}

void writeFlight(std::uint8_t* r, const FlightParameters& f) {
  writeLE32(r + 84, static_cast<std::uint32_t>(f.word84));
  writeLEFloat(r + 104, f.topSpeed);
  writeLEFloat(r + 112, f.turnRate);
  writeLEFloat(r + 116, f.float116);
  writeLE32(r + 120, static_cast<std::uint32_t>(f.classCode));
  writeLEFloat(r + 128, f.ceiling);
  writeLEFloat(r + 132, f.range);
  writeLEFloat(r + 136, f.float136);
}

AttachmentPoint readAttachment(const std::uint8_t* p) {
  AttachmentPoint a;
  a.offset = readVec3(p);
  a.unused12 = readLEFloat(p + 12);
  a.unused16 = readLEFloat(p + 16);
  a.angle = readLEFloat(p + 20);
  a.scale = readVec3(p + 24);
  a.flags = readLE32(p + 36);
  return a;
}

void writeAttachment(std::uint8_t* p, const AttachmentPoint& a) {
  writeVec3(p, a.offset);
  writeLEFloat(p + 12, a.unused12);
  writeLEFloat(p + 16, a.unused16);
  writeLEFloat(p + 20, a.angle);
  writeVec3(p + 24, a.scale);
  writeLE32(p + 36, a.flags);
}

// Bytes left from at; 0 past the end.
std::size_t left(ByteSpan bytes, std::size_t at) { return at <= bytes.size() ? bytes.size() - at : 0; }

}  // namespace

std::optional<ParsedDescription> parseUnitDescription(ByteSpan bytes, std::uint64_t baseOffset) {
  if (bytes.size() < kUnitDescriptionFixedSize || readLE32(bytes.data()) != kUnitDescriptionMagic) return {};
  const std::uint8_t* r = bytes.data();
  ParsedDescription parsed;
  UnitDescription& d = parsed.description;
  std::copy_n(r, kUnitDescriptionFixedSize, d.fixed.begin());
  d.name = fixedString(r + 12, kUnitDescriptionNameField);
  const auto lodCount = static_cast<std::int32_t>(readLE32(r + 44));
  d.kind = static_cast<std::int32_t>(readLE32(r + 52));
  const std::uint32_t slotCount = readLE32(r + 56);
  const std::uint32_t attachmentCount = readLE32(r + 76);
  readFlight(r, d.flight);
  const bool hasModels = readLE32(r + 1112) != 0;
  const bool hasTextures = readLE32(r + 1120) != 0;
  // A description draws its levels from its slots: it needs at least one, and no more levels
  // than slots, or the drawing would pick a slot that is not there.
  if (slotCount == 0 || slotCount > kMaxMeshSlots || attachmentCount > kMaxAttachments) return {};
  d.lodCount = std::clamp<std::int32_t>(lodCount, 1, static_cast<std::int32_t>(slotCount));

  std::size_t at = kUnitDescriptionFixedSize;
  const std::size_t tables = std::size_t{slotCount} * (4 + kSlotNameField + kMatrixSize + 4) +
                             std::size_t{attachmentCount} * kAttachmentSize;
  if (left(bytes, at) < tables) return {};
  d.slots.resize(slotCount);
  for (std::uint32_t s = 0; s < slotCount; ++s) {
    d.slots[s].meshIndex = static_cast<std::int32_t>(readLE32(r + at + 4 * s));
  }
  at += 4 * std::size_t{slotCount};
  for (std::uint32_t s = 0; s < slotCount; ++s) d.slots[s].meshName = fixedString(r + at + kSlotNameField * s, kSlotNameField);
  at += kSlotNameField * slotCount;
  for (std::uint32_t s = 0; s < slotCount; ++s) {
    for (int i = 0; i < 16; ++i) d.slots[s].matrix.m[i / 4][i % 4] = readLEFloat(r + at + kMatrixSize * s + 4 * i);
  }
  at += kMatrixSize * slotCount;
  d.attachments.resize(attachmentCount);
  for (std::uint32_t a = 0; a < attachmentCount; ++a) d.attachments[a] = readAttachment(r + at + kAttachmentSize * a);
  at += kAttachmentSize * attachmentCount;
  const std::uint8_t* subFlags = r + at;
  at += 4 * std::size_t{slotCount};
  for (std::uint32_t s = 0; s < slotCount; ++s) {
    if (readLE32(subFlags + 4 * s) == 0) continue;
    if (left(bytes, at) < 4) return {};
    const std::uint32_t length = readLE32(r + at);
    if (length < 4 || length > left(bytes, at)) return {};
    d.slots[s].subObject.assign(r + at + 4, r + at + length);
    at += length;
  }
  if (hasModels) {
    std::size_t consumed = 0;
    if (!parseModelPack(bytes.subspan(at), parsed.models, consumed)) return {};
    at += consumed;
  }
  if (hasTextures) {
    auto directory = readTexturePackDirectory(bytes.subspan(at));
    if (!directory || directory->totalSize < kTexturePackHeaderSize || directory->totalSize > left(bytes, at)) return {};
    d.texturePackOffset = baseOffset + at;
    at += directory->totalSize;
    d.texturePack = std::move(*directory);
  }
  d.recordLength = static_cast<std::uint32_t>(at);
  return parsed;
}

std::optional<std::vector<ParsedDescription>> parseUnitFile(ByteSpan bytes) {
  if (bytes.size() < kUnitFileHeaderSize) return {};
  const std::uint32_t count = readLE32(bytes.data() + 44);
  if (count > kMaxDescriptionsPerFile) return {};
  std::size_t at = kUnitFileHeaderSize + 4 * std::size_t{count};
  if (at > bytes.size()) return {};
  std::vector<ParsedDescription> records;
  for (std::uint32_t i = 0; i < count; ++i) {
    auto record = parseUnitDescription(bytes.subspan(at), at);
    if (!record) return {};
    at += record->description.recordLength;
    records.push_back(std::move(*record));
  }
  return records;
}

void writeUnitDescription(const UnitDescriptionSource& source, Bytes& out) {
  const UnitDescription& d = source.description;
  const std::size_t start = out.size();
  out.insert(out.end(), d.fixed.begin(), d.fixed.end());
  std::uint8_t* r = out.data() + start;
  writeLE32(r, kUnitDescriptionMagic);
  putString(r + 12, d.name, kUnitDescriptionNameField);
  writeLE32(r + 44, static_cast<std::uint32_t>(d.lodCount));
  writeLE32(r + 52, static_cast<std::uint32_t>(d.kind));
  writeLE32(r + 56, static_cast<std::uint32_t>(d.slots.size()));
  writeLE32(r + 76, static_cast<std::uint32_t>(d.attachments.size()));
  writeFlight(r, d.flight);
  writeLE32(r + 1112, source.models.empty() ? 0 : 1);
  writeLE32(r + 1120, source.textures.empty() ? 0 : 1);

  const std::size_t slots = d.slots.size();
  std::size_t at = out.size();
  out.resize(at + slots * (4 + kSlotNameField + kMatrixSize + 4) + d.attachments.size() * kAttachmentSize, 0);
  std::uint8_t* p = out.data() + at;
  for (std::size_t s = 0; s < slots; ++s) writeLE32(p + 4 * s, static_cast<std::uint32_t>(d.slots[s].meshIndex));
  p += 4 * slots;
  for (std::size_t s = 0; s < slots; ++s) putString(p + kSlotNameField * s, d.slots[s].meshName, kSlotNameField);
  p += kSlotNameField * slots;
  for (std::size_t s = 0; s < slots; ++s) {
    for (int i = 0; i < 16; ++i) writeLEFloat(p + kMatrixSize * s + 4 * i, d.slots[s].matrix.m[i / 4][i % 4]);
  }
  p += kMatrixSize * slots;
  for (std::size_t a = 0; a < d.attachments.size(); ++a) writeAttachment(p + kAttachmentSize * a, d.attachments[a]);
  p += kAttachmentSize * d.attachments.size();
  for (std::size_t s = 0; s < slots; ++s) writeLE32(p + 4 * s, d.slots[s].subObject.empty() ? 0 : 1);
  for (const MeshSlot& slot : d.slots) {
    if (slot.subObject.empty()) continue;
    at = out.size();
    out.resize(at + 4);
    writeLE32(out.data() + at, static_cast<std::uint32_t>(slot.subObject.size() + 4));
    out.insert(out.end(), slot.subObject.begin(), slot.subObject.end());
  }
  if (!source.models.empty()) writeModelPack(source.models, out);
  if (!source.textures.empty()) writeTexturePack(source.textures, out);
  const auto length = static_cast<std::uint32_t>(out.size() - start);
  writeLE32(out.data() + start + 4, length);
  writeLE32(out.data() + start + 1108, length);
}

Bytes writeUnitFile(const std::vector<UnitDescriptionSource>& sources) {
  Bytes out(kUnitFileHeaderSize + 4 * sources.size(), 0);
  std::memcpy(out.data(), kFileTag, sizeof kFileTag - 1);
  writeLE32(out.data() + 44, static_cast<std::uint32_t>(sources.size()));
  for (std::size_t i = 0; i < sources.size(); ++i) {
    writeLE32(out.data() + kUnitFileHeaderSize + 4 * i, static_cast<std::uint32_t>(out.size()));
    writeUnitDescription(sources[i], out);
  }
  return out;
}

UnitDescription builtInNullDescription() {
  UnitDescription d;
  d.name = "null.cu";
  d.lodCount = 1;
  d.kind = 2;
  d.slots.resize(1);
  d.slots[0].meshName = "null.x";
  d.attachments.resize(9);
  for (AttachmentPoint& a : d.attachments) a.scale = {0, 0, 0};
  d.attachments[0].scale = {0.5f, 0.5f, 0.0f};
  d.attachments[0].flags = kAttachSmoke | kAttachFlame;
  return d;  // the flight parameters' defaults are the built-in record's
}

}  // namespace skyloom
