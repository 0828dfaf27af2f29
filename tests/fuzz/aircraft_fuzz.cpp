// Feeds arbitrary bytes to the readers of aircraft files and texture packs, all of them on every
// input: the texture pack directory and its lookups, the scan for a pack appended to a program,
// the program's own pack opened from a file of these bytes (appended or, failing that, as
// "texpk.dat"), the aircraft file parser, and the description library loading the bytes as
// "aircraft\fuzz.cu" and looking up the files of its texture packs. What comes back is checked
// against the input: every entry lies inside its pack, every answer of a read is the entry's
// bytes, and the library loads exactly what the parser accepts.
//
// With -seed DIR (instead of libFuzzer's arguments) it writes small inputs made by the product's
// own writers into DIR: aircraft files with meshes, attachments and texture packs, a texture pack,
// and a program with a pack appended behind a stray magic word.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "aircraft/model_library.h"
#include "aircraft/texture_pack.h"
#include "aircraft/unit_description.h"
#include "aircraft/unit_description_library.h"
#include "core/bytes.h"
#include "core/math.h"
#include "core/paths.h"

namespace fs = std::filesystem;
using namespace skyloom;

namespace {

// The target works inside its scratch folder (below); a failed check goes back to where it was
// started first, so that libFuzzer's relative artifact paths mean what they say.
fs::path& startFolder() {
  static fs::path dir;
  return dir;
}

void check(bool ok) {
  if (ok) return;
  std::error_code ec;
  fs::current_path(startFolder(), ec);
  __builtin_trap();
}

bool sameBytes(const std::optional<Bytes>& got, ByteSpan input, std::uint64_t offset, std::uint32_t length) {
  return got && got->size() == length && offset + length <= input.size() &&
         (length == 0 || std::memcmp(got->data(), input.data() + offset, length) == 0);
}

// A scratch folder holding the input as "texpk.dat" and as "aircraft/fuzz.cu"; the pack and the
// library name files relative to the current directory, so the target works inside it.
const fs::path& scratch() {
  static const fs::path dir = fs::temp_directory_path() / ("skyloom_aircraft_fuzz_" + std::to_string(getpid()));
  return dir;
}

bool store(const fs::path& path, ByteSpan bytes) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) return false;
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

void fuzzDirectory(ByteSpan input) {
  const auto dir = readTexturePackDirectory(input);
  if (!dir) return;
  check(input.size() >= kTexturePackHeaderSize + kTexturePackEntrySize * dir->entries.size());
  check(dir->entries.size() <= kTexturePackMaxEntries);
  for (const TexturePackEntry& e : dir->entries) {
    check(std::uint64_t{e.offset} + e.length <= dir->totalSize);
    check(e.name.size() <= 16 && e.name.find('\0') == std::string::npos);
    const TexturePackEntry* found = dir->find(e.name);
    check(e.length == 0 || found != nullptr);
    if (found) check(found->length != 0 && equalsIgnoreCase(found->name, e.name));
  }
}

// Where the program's pack lies, found the way opening does it: the first hit of the scan whose
// whole pack fits in the file.
std::optional<std::size_t> appendedPack(ByteSpan input) {
  const ByteSpan scanned = input.first(std::min<std::size_t>(input.size(), TexturePack::kScanLimit));
  std::size_t from = 0;
  while (from < scanned.size()) {
    const auto hit = findAppendedTexturePack(scanned.subspan(from));
    if (!hit) return std::nullopt;
    const std::size_t pos = from + *hit;
    check(pos + kTexturePackHeaderSize <= scanned.size());
    const auto dir = readTexturePackDirectory(input.subspan(pos));
    check(dir.has_value());
    // A consistent pack loses no entry to the directory's own checks.
    check(dir->entries.size() == readLE32(input.data() + pos + 8) && !dir->entries.empty());
    check(dir->entries.front().offset >= kTexturePackHeaderSize + kTexturePackEntrySize * dir->entries.size());
    if (pos + std::uint64_t{dir->totalSize} <= input.size()) return pos;
    from = pos + 1;
  }
  return std::nullopt;
}

void fuzzOwnPack(ByteSpan input, TexturePack& pack) {
  // The input is both the "program" and "texpk.dat": an appended pack wins, else the loose one.
  const auto appended = appendedPack(input);
  const bool opened = pack.open("texpk.dat");
  check(opened == (appended.has_value() || readTexturePackDirectory(input).has_value()));
  if (!opened) {
    check(!pack.isOpen() && !pack.read("x.bmp"));
    return;
  }
  const std::uint64_t base = appended ? *appended : 0;
  for (const TexturePackEntry& e : pack.directory().entries) {
    const TexturePackEntry* found = pack.directory().find(e.name);
    const auto got = pack.read(e.name);
    if (!found) {
      check(!got);
      continue;
    }
    const std::uint64_t at = base + found->offset;
    // An appended pack was read whole; "texpk.dat" may be shorter than its directory promises.
    if (appended || at + found->length <= input.size()) {
      check(sameBytes(got, input, at, found->length));
    } else {
      check(!got);
    }
  }
}

void fuzzUnitFile(ByteSpan input, TexturePack& pack) {
  const auto parsed = parseUnitFile(input);
  if (parsed) {
    check(parsed->size() <= kMaxDescriptionsPerFile);
    for (const ParsedDescription& p : *parsed) {
      const UnitDescription& d = p.description;
      check(!d.slots.empty() && d.slots.size() <= kMaxMeshSlots && d.attachments.size() <= kMaxAttachments);
      check(d.lodCount >= 1 && static_cast<std::size_t>(d.lodCount) <= d.slots.size());
      if (d.texturePack) check(d.texturePackOffset + d.texturePack->totalSize <= input.size());
    }
  }

  ModelLibrary models;
  UnitDescriptionLibrary library(models, &pack);
  const std::size_t loaded = library.loadFiles({"fuzz"});
  // The loose file is found first; a bad one is skipped, not replaced by a packed one.
  check(loaded == (parsed ? 1u : 0u));
  check(library.size() == 1 + (parsed ? parsed->size() : 0));
  if (!parsed) return;
  // Every file of every texture pack is found, and the first description holding the name
  // answers with its own bytes.
  for (const ParsedDescription& p : *parsed) {
    if (!p.description.texturePack) continue;
    for (const TexturePackEntry& e : p.description.texturePack->entries) {
      const auto got = library.findEmbedded(e.name);
      bool held = false;
      for (const ParsedDescription& q : *parsed) {
        const TexturePackEntry* first = q.description.texturePack ? q.description.texturePack->find(e.name) : nullptr;
        if (!first) continue;
        check(sameBytes(got, input, q.description.texturePackOffset + first->offset, first->length));
        held = true;
        break;
      }
      check(held == got.has_value() && (e.length == 0 || held));
    }
  }
  library.lookup("no such file.bmp");
}

// ---- seeds ----

Model seedBox(const std::string& name, float size) {
  Model m;
  m.name = name;
  ModelSubset s;
  s.textureName = name + ".jpg";
  s.material.diffuse = {1, 0.5f, 0.25f, 1};
  s.material.power = 20;
  for (int i = 0; i < 8; ++i) {
    const float x = (i & 1) ? size : -size, y = (i & 2) ? size : -size, z = (i & 4) ? size : -size;
    s.vertices.push_back({x, y, z, 0.57735f, 0.57735f, 0.57735f, (i & 1) * 1.0f, (i & 2) * 0.5f});
  }
  s.indices = {0, 1, 2, 2, 1, 3, 4, 6, 5, 5, 6, 7};
  m.subsets.push_back(s);
  m.boundsMin = {-size, -size, -size};
  m.boundsMax = {size, size, size};
  m.radius = size * 1.7320508f;
  m.vertexTotal = 8;
  m.indexTotal = 12;
  return m;
}

UnitDescriptionSource seedSource(const std::string& name, std::int32_t kind, const std::vector<const Model*>& meshes) {
  UnitDescriptionSource s;
  UnitDescription& d = s.description;
  d.name = name;
  d.kind = kind;
  d.lodCount = static_cast<std::int32_t>(meshes.empty() ? 1 : meshes.size());
  for (std::size_t i = 0; i < std::max<std::size_t>(meshes.size(), 1); ++i) {
    MeshSlot slot;
    slot.meshName = meshes.empty() ? "null.x" : meshes[i]->name;
    slot.matrix = translation(0, static_cast<float>(i), 0);
    d.slots.push_back(slot);
  }
  AttachmentPoint nozzle;
  nozzle.offset = {-6, 0.5f, 0};
  nozzle.scale = {0.4f, 0.4f, 0.4f};
  nozzle.flags = kAttachSmoke | kAttachFlame;
  AttachmentPoint rotor;
  rotor.offset = {0, 2, 0};
  rotor.angle = 0.3f;
  rotor.scale = {1, 5, 5};
  rotor.flags = kAttachRotor;
  d.attachments = {nozzle, rotor};
  s.models = meshes;
  return s;
}

void writeSeed(const std::string& dir, const char* name, const Bytes& bytes) {
  if (!store(fs::path(dir) / name, bytes)) std::fprintf(stderr, "aircraft_fuzz: no seed %s\n", name);
}

int writeSeeds(const std::string& dir) {
  const Model jet = seedBox("jet.x", 5);
  const Model jetFar = seedBox("jet1.x", 5);
  UnitDescriptionSource fighter = seedSource("jet", 3, {&jet, &jetFar});
  fighter.description.slots[1].subObject = {9, 8, 7};
  fighter.textures = {{"jet.x.jpg", Bytes(40, 0x5A)}, {"empty.bmp", {}}, {"canopy.jpg", Bytes(12, 0x11)}};
  writeSeed(dir, "one_aircraft.cu", writeUnitFile({fighter}));

  UnitDescriptionSource tower = seedSource("tower", 1, {});
  tower.textures = {{"canopy.jpg", Bytes(5, 0x22)}};
  writeSeed(dir, "two_descriptions.cu", writeUnitFile({seedSource("heli", 4, {&jet}), tower}));

  Bytes pack;
  writeTexturePack({{"land200.jpg", Bytes(30, 0x33)}, {"empty.bmp", {}}, {"tree.tga", Bytes(9, 0x44)}}, pack);
  writeSeed(dir, "texture_pack", pack);

  // Code holding the scanner's constant, then the pack.
  Bytes program(300, 0x90);
  writeLE32(program.data() + 40, kTexturePackMagic);
  program.insert(program.end(), pack.begin(), pack.end());
  program.resize(program.size() + 20, 0xCC);
  writeSeed(dir, "program_with_pack", program);
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (*argc == 3 && std::strcmp((*argv)[1], "-seed") == 0) std::exit(writeSeeds((*argv)[2]));
  startFolder() = fs::current_path();
  fs::create_directories(scratch() / "aircraft");
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(scratch(), ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan input(data, size);
  fuzzDirectory(input);
  if (!store(scratch() / "texpk.dat", input) || !store(scratch() / "aircraft" / "fuzz.cu", input)) return 0;

  fs::current_path(scratch());
  TexturePack pack;
  fuzzOwnPack(input, pack);
  fuzzUnitFile(input, pack);
  fs::current_path(startFolder());
  return 0;
}
