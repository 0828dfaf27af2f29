#pragma once
// TexturePack: a directory of named files, either "texpk.dat" or a pack of the same format
// embedded in a unit description file or appended to the program.
//
//   0   magic 123456789
//   4   total size of the pack in bytes, header included
//   8   entry count N (at most 10000 are read)
//   12  N entries of 24 bytes: name (16 chars, NUL-padded), offset of the data from the start
//       of the pack, length in bytes
//
// An entry of length 0 counts as absent; names compare case-insensitively. Entries whose data
// would lie outside the pack are dropped when the directory is read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/file.h"

namespace skyloom {

constexpr std::uint32_t kTexturePackMagic = 123456789;
constexpr std::size_t kTexturePackHeaderSize = 12;
constexpr std::size_t kTexturePackEntrySize = 24;
constexpr std::uint32_t kTexturePackMaxEntries = 10000;

struct TexturePackEntry {
  std::string name;
  std::uint32_t offset = 0;  // from the start of the pack
  std::uint32_t length = 0;
};

struct TexturePackDirectory {
  std::uint32_t totalSize = 0;
  std::vector<TexturePackEntry> entries;

  // The entry called name with a non-zero length, or null.
  const TexturePackEntry* find(std::string_view name) const;
};

// Reads the header and directory at the start of bytes (bytes may end after the directory:
// entries are checked against the pack's total size, not against bytes). Nothing on a wrong
// magic or a directory cut short.
std::optional<TexturePackDirectory> readTexturePackDirectory(ByteSpan bytes);

// Appends a pack holding the given files, in order, with offsets packed after the directory.
// Names longer than 15 characters are cut to 15, so that every stored name keeps its NUL; a pack
// whose size would not fit its 32-bit fields is not written at all.
struct TexturePackFile {
  std::string name;  // at most 15 characters
  Bytes data;
};
void writeTexturePack(const std::vector<TexturePackFile>& files, Bytes& out);

// The program's own texture pack: one appended to the program file, or else "texpk.dat".
class TexturePack {
 public:
  static constexpr std::uint64_t kScanLimit = 10000000;   // bytes of the program file scanned
  static constexpr std::uint32_t kAppendedMaxEntries = 1000;

  // Looks for a pack appended to the file at programPath (null: skipped) and keeps it in
  // memory; failing that opens "texpk.dat" in the current directory and keeps it open. True
  // when either was found.
  bool open(const char* programPath);
  void close();
  bool isOpen() const { return inMemory_ || file_.isOpen(); }

  // The bytes of the entry called name, or nothing.
  std::optional<Bytes> read(std::string_view name);

  const TexturePackDirectory& directory() const { return directory_; }

 private:
  bool openAppended(const char* programPath);
  bool openLoose(const char* path);

  TexturePackDirectory directory_;
  Bytes memory_;  // the appended pack, whole
  bool inMemory_ = false;
  File file_;     // "texpk.dat"
};

// Finds a pack appended anywhere in the first kScanLimit bytes of data: the magic, a count of 1
// to 999, a total size below 10000000, and a directory (lying within data) whose first entry
// starts after it and whose entries follow each other exactly up to the total size. Answers its
// offset; the pack's data may reach beyond data.
std::optional<std::size_t> findAppendedTexturePack(ByteSpan data);

}  // namespace skyloom
