#pragma once
// The on-disk layout of a pack: a 44-byte header found by its signature, a directory of 96-byte
// entries in pre-order, then the file data back to back. All integers are 32-bit little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace skyloom {

constexpr std::size_t kPackHeaderSize = 44;
constexpr std::size_t kPackEntrySize = 96;
constexpr std::size_t kPackNameSize = 64;        // NUL-terminated, so at most 63 characters
constexpr std::size_t kPackScanWindow = 2097152;  // header and directory lie in the first 2 MiB
constexpr std::size_t kPackMaxBuildEntries = 10000;
constexpr std::size_t kPackCopyChunk = 0x40000;   // 256 KiB copy buffer
constexpr int kPackMaxDepth = 64;                 // deeper trees are refused, not recursed into

// The signature words. They are kept complemented so that the program's own image never holds
// them in a row: a pack appended to the executable must be the first match of the scan.
std::array<std::uint32_t, 6> packMagicWords();

struct PackHeader {
  std::uint32_t totalLength = 0;  // header + directory + data
  std::uint32_t entryCount = 0;   // root entry included
  std::uint32_t extraA = 0;
  std::uint32_t extraB = 0;
};

// One directory entry. For files, offset/size locate the data relative to the data area; for
// directories the same two fields are counts: subdirectories then files, swapped on the root.
struct PackEntry {
  char name[kPackNameSize] = {};
  std::uint32_t checksum = 0;
  std::uint32_t isDirectory = 0;
  std::uint32_t offset = 0;  // count A for directories
  std::uint32_t size = 0;    // count B for directories
  std::uint32_t nextSibling = 0;
  std::uint32_t prevSibling = 0;
  std::uint32_t parent = 0;
  std::uint32_t firstChild = 0;

  std::string_view nameView() const;
  // Copies at most 63 bytes and terminates; false when the name did not fit.
  bool setName(std::string_view n);
};

// True when the header's six magic words start at p (which must hold 24 bytes).
bool matchesPackMagic(const std::uint8_t* p);
void encodePackHeader(const PackHeader& h, std::uint8_t out[kPackHeaderSize]);
// Reads the fields after the magic words (the caller has matched them already).
PackHeader decodePackHeader(const std::uint8_t in[kPackHeaderSize]);
void encodePackEntry(const PackEntry& e, std::uint8_t out[kPackEntrySize]);
// False when the name holds no NUL within its 64 bytes.
bool decodePackEntry(const std::uint8_t in[kPackEntrySize], PackEntry& e);

// A name that may be used as one path component: not empty, no separators or drive colon, not
// a reference to a parent or the same directory.
bool isSafeEntryName(std::string_view name);

}  // namespace skyloom
