#include "resources/pack.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>

#include "core/paths.h"
#include "resources/executable_path.h"

namespace skyloom {

PackFallbackReader packFallbackReader = nullptr;
Pack* mainPack = nullptr;

PackReadResult readProgramFile(std::string_view name, FileData& out) {
  if (mainPack) return mainPack->read(name, out);
  Pack loose;  // not open: loose file, "pack\" folder, fallback reader
  return loose.read(name, out);
}

namespace {

// The first byte of the first magic word as it lies in the file; the scan jumps between these.
constexpr std::uint8_t kMagicFirstByte = 0xDC;
// No file the program reads whole comes near this; larger claims are treated as unreadable.
constexpr std::uint64_t kMaxWholeRead = std::uint64_t{1} << 30;

bool isRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// bytes + 1 for the terminating NUL, or null when the memory is not there.
std::unique_ptr<char[]> allocateWhole(std::uint64_t bytes) {
  if (bytes >= kMaxWholeRead) return nullptr;
  return std::unique_ptr<char[]>(new (std::nothrow) char[static_cast<std::size_t>(bytes) + 1]);
}

}  // namespace

void Pack::close() {
  file_.close();
  entries_.clear();
  header_ = {};
  packStart_ = dataStart_ = 0;
  buildRoot_.clear();
}

std::uint32_t Pack::open(const char* path) {
  close();
  const std::string filePath = path ? nativePath(path) : executablePath();
  if (filePath.empty() || !file_.open(filePath, "rb")) return 0;
  const std::uint64_t fileSize = file_.size();
  std::vector<std::uint8_t> window(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kPackScanWindow)));
  const std::size_t n = file_.read(window.data(), window.size());
  // A signature whose header or directory does not hold up is passed over, not fatal: the
  // magic words may occur by chance in an executable image in front of the real pack.
  for (std::size_t i = 0; i + kPackHeaderSize <= n; ++i) {
    const void* hit = std::memchr(window.data() + i, kMagicFirstByte, n - kPackHeaderSize + 1 - i);
    if (!hit) break;
    i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - window.data());
    if (matchesPackMagic(window.data() + i) && readHeaderAt(window.data(), n, i, fileSize)) {
      return entryCount();
    }
  }
  close();
  return 0;
}

bool Pack::readHeaderAt(const std::uint8_t* window, std::size_t windowSize, std::size_t at,
                        std::uint64_t fileSize) {
  const PackHeader h = decodePackHeader(window + at);
  const std::uint64_t dirBytes = std::uint64_t{h.entryCount} * kPackEntrySize;
  const std::uint64_t dirEnd = at + kPackHeaderSize + dirBytes;
  if (h.entryCount == 0 || dirEnd > windowSize || dirEnd > fileSize) return false;
  if (h.totalLength < kPackHeaderSize + dirBytes) return false;
  std::vector<PackEntry> entries(h.entryCount);
  for (std::uint32_t i = 0; i < h.entryCount; ++i) {
    if (!decodePackEntry(window + at + kPackHeaderSize + i * kPackEntrySize, entries[i])) return false;
  }
  entries_ = std::move(entries);
  if (!validateTree(h.totalLength - kPackHeaderSize - dirBytes)) {
    entries_.clear();
    return false;
  }
  header_ = h;
  packStart_ = at;
  dataStart_ = dirEnd;
  return true;
}

// Every index must point inside the directory, every file's data inside the pack's declared
// length, and the tree hanging from the root must be a tree: no entry reached twice (which
// would loop) and no deeper than extraction is willing to recurse.
bool Pack::validateTree(std::uint64_t dataLength) const {
  const std::uint32_t count = entryCount();
  for (std::uint32_t i = 0; i < count; ++i) {
    const PackEntry& e = entries_[i];
    if (e.nextSibling >= count || e.prevSibling >= count || e.parent >= count || e.firstChild >= count) {
      return false;
    }
    if (isFileEntry(i) && std::uint64_t{e.offset} + e.size > dataLength) return false;
  }
  std::vector<bool> seen(count, false);
  std::vector<std::pair<std::uint32_t, int>> pending{{0, 0}};
  seen[0] = true;
  while (!pending.empty()) {
    const auto [dir, depth] = pending.back();
    pending.pop_back();
    for (std::uint32_t c = entries_[dir].firstChild; c != 0; c = entries_[c].nextSibling) {
      if (seen[c]) return false;
      seen[c] = true;
      if (entries_[c].isDirectory) {
        if (depth + 1 > kPackMaxDepth) return false;
        pending.push_back({c, depth + 1});
      }
    }
  }
  return true;
}

// Entry 0 is the root directory, except in a one-entry pack, where it is the file itself.
bool Pack::isFileEntry(std::uint32_t index) const {
  return entries_[index].isDirectory == 0 && (index != 0 || entries_.size() == 1);
}

int Pack::findFileEntry(std::string_view name, bool lastMatch) const {
  int found = -1;
  for (std::uint32_t i = 0; i < entryCount(); ++i) {
    if (!isFileEntry(i) || !equalsIgnoreCase(entries_[i].nameView(), name)) continue;
    found = static_cast<int>(i);
    if (!lastMatch) break;
  }
  return found;
}

std::size_t Pack::readEntryData(const PackEntry& e, std::uint64_t startOffset, char* dest,
                                std::size_t maxBytes) {
  if (startOffset >= e.size) return 0;
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(e.size - startOffset, maxBytes));
  if (!file_.seek(dataStart_ + e.offset + startOffset)) return 0;
  return file_.read(dest, want);
}

PackReadResult Pack::read(std::string_view name, FileData& out, std::uint64_t startOffset) {
  if (isOpen()) {
    const int index = findFileEntry(baseName(name), true);
    if (index >= 0) {
      const PackEntry& e = entries_[index];
      const std::uint64_t avail = startOffset < e.size ? e.size - startOffset : 0;
      auto bytes = allocateWhole(avail);
      if (!bytes) return kPackNotFound;
      const std::size_t n = readEntryData(e, startOffset, bytes.get(), static_cast<std::size_t>(avail));
      bytes[n] = '\0';
      out.bytes = std::move(bytes);
      out.size = n;
      return kPackFromPack;
    }
  }
  std::size_t length = 0;
  return readLoose(name, &out, {}, length, startOffset);
}

PackReadResult Pack::read(std::string_view name, std::span<char> buffer, std::size_t& length,
                          std::uint64_t startOffset) {
  if (isOpen()) {
    const int index = findFileEntry(baseName(name), true);
    if (index >= 0) {
      length = readEntryData(entries_[index], startOffset, buffer.data(), buffer.size());
      return kPackFromPack;
    }
  }
  return readLoose(name, nullptr, buffer, length, startOffset);
}

// The loose file itself, then (screen saver) the same name under the "pack" folder, then the
// fallback reader. whole selects the allocating form; otherwise buffer receives the bytes.
PackReadResult Pack::readLoose(std::string_view name, FileData* whole, std::span<char> buffer,
                               std::size_t& length, std::uint64_t startOffset) {
  const bool saver = flavour_ == Flavour::Saver;
  std::string path = nativePath(name);
  if (!isRegularFile(path)) {
    path = saver ? nativePath("pack\\" + std::string(name)) : std::string();
    if (path.empty() || !isRegularFile(path)) {
      if (!saver || !packFallbackReader) return kPackNotFound;
      const std::string n(name);
      FileData produced;
      if (!packFallbackReader(produced, n.c_str())) return kPackNotFound;
      if (whole) {
        *whole = std::move(produced);
      } else {
        length = std::min(buffer.size(), produced.size);
        if (length) std::memcpy(buffer.data(), produced.bytes.get(), length);
      }
      return kPackFromFallback;
    }
  }
  File f(path, "rb");
  if (!f.isOpen()) return kPackNotFound;
  const std::uint64_t fileSize = f.size();
  std::uint64_t avail = startOffset < fileSize ? fileSize - startOffset : 0;
  if (!whole) avail = std::min<std::uint64_t>(avail, buffer.size());
  std::unique_ptr<char[]> bytes;
  char* dest = buffer.data();
  if (whole) {
    bytes = allocateWhole(avail);
    if (!bytes) return kPackNotFound;
    dest = bytes.get();
  }
  const std::size_t n = (avail && f.seek(startOffset)) ? f.read(dest, static_cast<std::size_t>(avail)) : 0;
  if (whole) {
    bytes[n] = '\0';
    whole->bytes = std::move(bytes);
    whole->size = n;
  } else {
    length = n;
  }
  return kPackFromLooseFile;
}

std::vector<std::uint8_t> makeSingleEntryPack(std::string_view name, std::span<const char> data) {
  PackEntry e;
  e.setName(name);
  e.size = static_cast<std::uint32_t>(data.size());
  for (char c : data) e.checksum += static_cast<std::uint8_t>(c);
  const PackHeader h{static_cast<std::uint32_t>(kPackHeaderSize + kPackEntrySize + data.size()), 1, 0, 1};
  std::vector<std::uint8_t> out(kPackHeaderSize + kPackEntrySize + data.size());
  encodePackHeader(h, out.data());
  encodePackEntry(e, out.data() + kPackHeaderSize);
  if (!data.empty()) std::memcpy(out.data() + kPackHeaderSize + kPackEntrySize, data.data(), data.size());
  return out;
}

}  // namespace skyloom
