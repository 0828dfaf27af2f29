#pragma once
// An ordered list of strings as the settings keep them (chosen aircraft, music files, music
// directories), plus the names found by the last directory scan. Its block:
//
//   uint32 block length: 56 + sum(string length + 1) + 1, or exactly 56 when empty
//   52-byte header: type tag, count (int32 at +4), scan count (int32 at +8), the rest unused
//   the strings, each NUL-terminated, then one extra NUL

#include <string>
#include <string_view>
#include <vector>

#include "config/settings_section.h"

namespace skyloom {

constexpr std::size_t kFileListHeaderSize = 52;
constexpr std::size_t kFileListBlockMinimum = 4 + kFileListHeaderSize;
constexpr std::size_t kFileListScanBytes = 64000;  // names a scan collects at most

class FileList {
 public:
  int count() const { return static_cast<int>(items_.size()); }
  const std::string& item(int i) const { return items_[static_cast<std::size_t>(i)]; }
  const std::vector<std::string>& items() const { return items_; }

  void add(std::string_view s) { items_.emplace_back(s); }
  // The moves and remove ignore an index out of range.
  void remove(int i);
  void moveToTop(int i);
  void moveUp(int i);
  void moveDown(int i);
  void moveToBottom(int i);
  void clear() { items_.clear(); }

  // Lists the files in directory (a program path such as "aircraft\") that match pattern.
  // With the terrain prefix the scan list is "random", "bmp", then every name in full;
  // without it, "null", then every name cut at its first '.'.
  void scan(std::string_view directory, std::string_view pattern, bool withTerrainPrefix);
  const std::vector<std::string>& scanList() const { return scan_; }

  void saveBlock(Bytes& out) const;
  // kBlockLoaded, or kBlockMalformed (list unchanged) when the block is shorter than its header
  // or claims more bytes than are present. Strings are taken up to the stored count, the
  // first empty string or the block's end, whichever comes first. consumed: the stored length.
  int loadBlock(ByteSpan in, std::size_t& consumed);

  bool operator==(const FileList& o) const { return items_ == o.items_; }

 private:
  bool validIndex(int i) const { return i >= 0 && i < count(); }

  std::vector<std::string> items_;
  std::vector<std::string> scan_;
};

}  // namespace skyloom
