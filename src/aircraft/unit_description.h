#pragma once
// Unit description records and the aircraft files (".cu") that carry them.
//
// A record (integers little-endian, floats IEEE single):
//
//   0     magic 7341156                 44    level-of-detail mesh count L
//   4     record length                 52    kind: 1 static, 2..5 flying, other: no unit
//   12    description name (32 chars)   56    mesh slot count M
//   76    attachment point count A      84    flight parameters (56 bytes, below)
//   1108  record length (again)         1112  non-zero: a model-pack blob follows
//   1120  non-zero: a texture pack follows
//   1132  M mesh indices, M names (16 chars), M 4×4 matrices, A attachment points (40 bytes),
//         M sub-object flags, the flagged sub-object blobs, the model-pack blob, the texture pack
//
// Flight parameters: 84 int32 (unused by flight), 104 top speed, 112 turn rate, 116 float,
// 120 int32 class code, 128 ceiling, 132 engagement range, 136 float.
//
// Attachment point: offset x, y, z at 0; two floats at 12 and 16; angle at 20; scale x, y, z at
// 24; flags at 36.
//
// An aircraft file: a 136-byte header (the tag "SKYLOOM AIRCRAFT" at 0, the description count D
// at 44), a table of D uint32 file offsets of the records, then the D records one after another.
// A sub-object blob is a uint32 length (itself included) followed by its bytes.
//
// Parsing checks every count, offset and length against the bytes present; a file with one bad
// record is refused whole, so nothing of it reaches the libraries.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aircraft/model.h"
#include "aircraft/texture_pack.h"
#include "core/bytes.h"
#include "core/math.h"

namespace skyloom {

constexpr std::uint32_t kUnitDescriptionMagic = 7341156;
constexpr std::size_t kUnitDescriptionFixedSize = 1132;  // up to the mesh index table
constexpr std::size_t kUnitDescriptionNameField = 32;
constexpr std::size_t kAttachmentSize = 40;
constexpr std::size_t kUnitFileHeaderSize = 136;
constexpr std::uint32_t kMaxMeshSlots = 64;
constexpr std::uint32_t kMaxAttachments = 64;
constexpr std::uint32_t kMaxDescriptionsPerFile = 256;

enum AttachmentFlag : std::uint32_t {
  kAttachSmoke = 1,        // smoke-trail source
  kAttachFlame = 2,        // exhaust flame, uniform scale from scale.x
  kAttachPropeller = 4,    // blade disc spinning about the model's x axis
  kAttachRotor = 8,        // blade disc tilted about z by angle, spinning, scaled
  kAttachSideRotor = 16,   // blade disc turned about y by angle, spinning, scaled
};

struct AttachmentPoint {
  Vec3 offset;            // model space
  float unused12 = 0;
  float unused16 = 0;
  float angle = 0;        // rotor tilt or side-rotor turn
  Vec3 scale{1, 1, 1};
  std::uint32_t flags = 0;
};

struct FlightParameters {
  std::int32_t word84 = 40;
  float topSpeed = 1000.0f;  // also the starting speed
  float turnRate = 2.0f;     // maximum turn rate
  float float116 = 3.0f;
  std::int32_t classCode = -1;
  float ceiling = 50.0f;     // service ceiling
  float range = 3000.0f;     // engagement range
  float float136 = 5.0f;
};

enum UnitKind : std::int32_t {
  kUnitStatic = 1,
  kUnitFlyingFirst = 2,
  kUnitFlyingLast = 5,
};

struct MeshSlot {
  std::string meshName;       // e.g. "fighter.x"
  std::int32_t meshIndex = 0; // into the ModelLibrary, resolved from the name on load
  Matrix matrix = Matrix::identity();
  Bytes subObject;            // the slot's sub-object blob without its length word; empty: none
};

struct UnitDescription {
  std::string name;           // what units ask for, e.g. "fighter"
  std::int32_t lodCount = 1;  // L: slots 0..L-1 are the levels of detail, finest first
  std::int32_t kind = 2;
  FlightParameters flight;
  std::vector<MeshSlot> slots;
  std::vector<AttachmentPoint> attachments;
  // The fixed part of the record as stored (1132 bytes), kept so that words this program does
  // not read survive a load and a write; the typed fields above win over it when writing.
  std::array<std::uint8_t, kUnitDescriptionFixedSize> fixed{};

  // Where the record's texture pack lies in its file (0 with none) and its directory.
  std::uint64_t texturePackOffset = 0;
  std::optional<TexturePackDirectory> texturePack;
  std::uint32_t recordLength = 0;
};

// What one record carries besides its description: the meshes of its model pack and the files of
// its texture pack (only read when asked, since the library reads entries on demand).
struct ParsedDescription {
  UnitDescription description;
  std::vector<std::unique_ptr<Model>> models;
};

// Parses one record at the start of bytes; baseOffset is the record's offset in its file (for
// texturePackOffset). Nothing when anything is out of bounds.
std::optional<ParsedDescription> parseUnitDescription(ByteSpan bytes, std::uint64_t baseOffset = 0);

// Parses a whole aircraft file: every record, or nothing.
std::optional<std::vector<ParsedDescription>> parseUnitFile(ByteSpan bytes);

// What the writer puts into one record.
struct UnitDescriptionSource {
  UnitDescription description;       // name, lodCount, kind, flight, slots, attachments
  std::vector<const Model*> models;  // the record's model pack (none: no blob)
  std::vector<TexturePackFile> textures;  // the record's texture pack (none: no pack)
};

// Appends one record to out.
void writeUnitDescription(const UnitDescriptionSource& source, Bytes& out);
// A whole aircraft file of the given records.
Bytes writeUnitFile(const std::vector<UnitDescriptionSource>& sources);

// The built-in description "null.cu": one level, the slot "null.x", kind 2, nine attachment
// points of which the first is a trail and glow source at the origin.
UnitDescription builtInNullDescription();

}  // namespace skyloom
