#include "aircraft/texture_pack.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/paths.h"

namespace skyloom {
namespace {

constexpr std::size_t kNameField = 16;
constexpr std::size_t kWrittenNameMax = kNameField - 1;  // room for the NUL reader and writer agree on
constexpr const char* kLoosePackName = "texpk.dat";

std::uint64_t directoryEnd(std::uint64_t count) { return kTexturePackHeaderSize + kTexturePackEntrySize * count; }

TexturePackEntry decodeEntry(const std::uint8_t* p) {
  TexturePackEntry e;
  // A name filling all 16 bytes has no NUL: it ends at the field's end.
  const auto* chars = reinterpret_cast<const char*>(p);
  e.name.assign(chars, static_cast<std::size_t>(std::find(chars, chars + kNameField, '\0') - chars));
  e.offset = readLE32(p + kNameField);
  e.length = readLE32(p + kNameField + 4);
  return e;
}

// Whether the pack whose header lies at p (with count entries of directory after it, all inside
// the span) lays its data out the way the writer does: the first entry right after the directory
// or later, every entry ending where the next begins, the last ending at the total size. A stray
// magic word, such as the scanner's own constant in the program's code, fails this.
bool isConsistentPack(const std::uint8_t* p, std::uint32_t count, std::uint32_t totalSize) {
  std::uint64_t end = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = p + kTexturePackHeaderSize + kTexturePackEntrySize * i;
    const std::uint32_t offset = readLE32(entry + kNameField);
    // The first entry's data may not begin inside the header or the directory.
    if (i == 0 ? offset < directoryEnd(count) : offset != end) return false;
    end = std::uint64_t{offset} + readLE32(entry + kNameField + 4);
  }
  // An empty pack gives nothing to find, and accepting one would let any magic word followed
  // by a few zero bytes pass as a pack.
  return count > 0 && end == totalSize;
}

}  // namespace

const TexturePackEntry* TexturePackDirectory::find(std::string_view name) const {
  for (const TexturePackEntry& e : entries) {
    if (e.length != 0 && equalsIgnoreCase(e.name, name)) return &e;
  }
  return nullptr;
}

std::optional<TexturePackDirectory> readTexturePackDirectory(ByteSpan bytes) {
  if (bytes.size() < kTexturePackHeaderSize || readLE32(bytes.data()) != kTexturePackMagic) return std::nullopt;
  TexturePackDirectory dir;
  dir.totalSize = readLE32(bytes.data() + 4);
  const std::uint32_t count = std::min(readLE32(bytes.data() + 8), kTexturePackMaxEntries);
  if (directoryEnd(count) > bytes.size()) return std::nullopt;
  dir.entries.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    TexturePackEntry e = decodeEntry(bytes.data() + kTexturePackHeaderSize + kTexturePackEntrySize * i);
    if (std::uint64_t{e.offset} + e.length > dir.totalSize) continue;  // its data is not in the pack
    dir.entries.push_back(std::move(e));
  }
  return dir;
}

void writeTexturePack(const std::vector<TexturePackFile>& files, Bytes& out) {
  std::uint64_t total = directoryEnd(files.size());
  for (const TexturePackFile& f : files) total += f.data.size();
  // Offsets and the total are 32-bit words; a pack that does not fit is not written at all
  // rather than written with wrapped offsets.
  if (total > std::numeric_limits<std::uint32_t>::max()) return;

  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(directoryEnd(files.size())), 0);
  std::uint8_t* header = out.data() + start;
  writeLE32(header, kTexturePackMagic);
  writeLE32(header + 4, static_cast<std::uint32_t>(total));
  writeLE32(header + 8, static_cast<std::uint32_t>(files.size()));
  auto offset = static_cast<std::uint32_t>(directoryEnd(files.size()));
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::uint8_t* entry = header + kTexturePackHeaderSize + kTexturePackEntrySize * i;
    const std::string& name = files[i].name;
    // Longer names are cut to 15 characters so that every name keeps its terminating NUL.
    std::memcpy(entry, name.data(), std::min(name.size(), kWrittenNameMax));
    const auto length = static_cast<std::uint32_t>(files[i].data.size());
    writeLE32(entry + kNameField, offset);
    writeLE32(entry + kNameField + 4, length);
    offset += length;
  }
  for (const TexturePackFile& f : files) out.insert(out.end(), f.data.begin(), f.data.end());
}

std::optional<std::size_t> findAppendedTexturePack(ByteSpan data) {
  const std::size_t span = static_cast<std::size_t>(std::min<std::uint64_t>(data.size(), TexturePack::kScanLimit));
  if (span < kTexturePackHeaderSize) return std::nullopt;
  const std::uint8_t* p = data.data();
  for (std::size_t pos = 0; pos + kTexturePackHeaderSize <= span; ++pos) {
    if (readLE32(p + pos) != kTexturePackMagic) continue;
    const std::uint32_t totalSize = readLE32(p + pos + 4);
    const std::uint32_t count = readLE32(p + pos + 8);
    if (count >= TexturePack::kAppendedMaxEntries || totalSize >= TexturePack::kScanLimit) continue;
    if (pos + directoryEnd(count) > data.size()) continue;
    if (isConsistentPack(p + pos, count, totalSize)) return pos;
  }
  return std::nullopt;
}

bool TexturePack::open(const char* programPath) {
  close();
  if (programPath && openAppended(programPath)) return true;
  return openLoose(nativePath(kLoosePackName).c_str());
}

void TexturePack::close() {
  directory_ = {};
  memory_.clear();
  memory_.shrink_to_fit();
  inMemory_ = false;
  file_.close();
}

bool TexturePack::openAppended(const char* programPath) {
  File program(programPath, "rb");
  if (!program.isOpen()) return false;
  const std::uint64_t fileSize = program.size();
  Bytes head(static_cast<std::size_t>(std::min(fileSize, kScanLimit)));
  if (program.read(head.data(), head.size()) != head.size()) return false;

  // A hit whose pack would run past the end of the file is no pack; look on after it.
  std::size_t from = 0;
  while (from < head.size()) {
    const auto found = findAppendedTexturePack(ByteSpan(head).subspan(from));
    if (!found) return false;
    const std::size_t pos = from + *found;
    from = pos + 1;
    const std::uint32_t totalSize = readLE32(head.data() + pos + 4);
    if (pos + std::uint64_t{totalSize} > fileSize) continue;

    Bytes pack(totalSize);
    const std::size_t inHead = std::min<std::size_t>(totalSize, head.size() - pos);
    std::memcpy(pack.data(), head.data() + pos, inHead);
    if (inHead < totalSize) {
      if (!program.seek(pos + inHead) || program.read(pack.data() + inHead, totalSize - inHead) != totalSize - inHead) {
        return false;
      }
    }
    auto dir = readTexturePackDirectory(pack);
    if (!dir) continue;  // cannot happen after the scan's checks; stay safe all the same
    directory_ = std::move(*dir);
    memory_ = std::move(pack);
    inMemory_ = true;
    return true;
  }
  return false;
}

bool TexturePack::openLoose(const char* path) {
  File f(path, "rb");
  if (!f.isOpen()) return false;
  const std::uint64_t fileSize = f.size();
  std::uint8_t header[kTexturePackHeaderSize];
  if (f.read(header, sizeof header) != sizeof header || readLE32(header) != kTexturePackMagic) return false;
  const std::uint32_t count = std::min(readLE32(header + 8), kTexturePackMaxEntries);
  if (directoryEnd(count) > fileSize) return false;  // a count the file cannot hold

  Bytes dirBytes(static_cast<std::size_t>(directoryEnd(count)));
  std::memcpy(dirBytes.data(), header, sizeof header);
  const std::size_t rest = dirBytes.size() - sizeof header;
  if (f.read(dirBytes.data() + sizeof header, rest) != rest) return false;
  auto dir = readTexturePackDirectory(dirBytes);
  if (!dir) return false;
  directory_ = std::move(*dir);
  file_ = std::move(f);
  return true;
}

std::optional<Bytes> TexturePack::read(std::string_view name) {
  const TexturePackEntry* e = directory_.find(name);
  if (!e) return std::nullopt;
  const std::uint64_t end = std::uint64_t{e->offset} + e->length;
  if (inMemory_) {
    if (end > memory_.size()) return std::nullopt;
    return Bytes(memory_.begin() + e->offset, memory_.begin() + static_cast<std::ptrdiff_t>(end));
  }
  // The directory promises data up to the pack's total size; the file may be shorter, and a
  // length it cannot hold is refused before anything is allocated for it.
  if (!file_.isOpen() || end > file_.size() || !file_.seek(e->offset)) return std::nullopt;
  Bytes out(e->length);
  if (file_.read(out.data(), out.size()) != out.size()) return std::nullopt;
  return out;
}

}  // namespace skyloom
