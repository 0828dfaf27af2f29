#include "config/file_list.h"

#include <algorithm>
#include <cstring>

#include "core/bytes.h"
#include "core/directory.h"
#include "core/paths.h"

namespace skyloom {

void FileList::remove(int i) {
  if (validIndex(i)) items_.erase(items_.begin() + i);
}

void FileList::moveToTop(int i) {
  if (validIndex(i)) std::rotate(items_.begin(), items_.begin() + i, items_.begin() + i + 1);
}

void FileList::moveUp(int i) {
  if (validIndex(i) && i > 0) std::swap(items_[i], items_[i - 1]);
}

void FileList::moveDown(int i) {
  if (validIndex(i) && i + 1 < count()) std::swap(items_[i], items_[i + 1]);
}

void FileList::moveToBottom(int i) {
  if (validIndex(i)) std::rotate(items_.begin() + i, items_.begin() + i + 1, items_.end());
}

void FileList::scan(std::string_view directory, std::string_view pattern, bool withTerrainPrefix) {
  scan_.clear();
  if (withTerrainPrefix) {
    scan_ = {"random", "bmp"};
  } else {
    scan_ = {"null"};
  }
  std::size_t bytes = 0;
  for (const DirectoryItem& f : listDirectory(nativePath(directory))) {
    if (f.isDirectory || !matchesWildcard(f.name, pattern)) continue;
    bytes += f.name.size() + 1;
    if (bytes > kFileListScanBytes) break;
    scan_.push_back(withTerrainPrefix ? f.name : f.name.substr(0, f.name.find('.')));
  }
}

void FileList::saveBlock(Bytes& out) const {
  const std::size_t start = out.size();
  out.resize(start + kFileListBlockMinimum, 0);
  writeLE32(out.data() + start + 4 + 4, static_cast<std::uint32_t>(items_.size()));
  writeLE32(out.data() + start + 4 + 8, static_cast<std::uint32_t>(scan_.size()));
  for (const std::string& s : items_) appendBytes(out, s.c_str(), s.size() + 1);
  if (!items_.empty()) out.push_back(0);
  writeLE32(out.data() + start, static_cast<std::uint32_t>(out.size() - start));
}

int FileList::loadBlock(ByteSpan in, std::size_t& consumed) {
  consumed = in.size();
  if (in.size() < kFileListBlockMinimum) return kBlockMalformed;
  const std::uint32_t length = readLE32(in.data());
  if (length < kFileListBlockMinimum || length > in.size()) return kBlockMalformed;
  consumed = length;
  const auto stored = static_cast<std::int32_t>(readLE32(in.data() + 4 + 4));
  const std::size_t wanted = stored > 0 ? static_cast<std::size_t>(stored) : 0;
  std::vector<std::string> items;
  const char* p = reinterpret_cast<const char*>(in.data()) + kFileListBlockMinimum;
  const char* end = reinterpret_cast<const char*>(in.data()) + length;
  while (items.size() < wanted && p < end) {
    const void* nul = std::memchr(p, 0, static_cast<std::size_t>(end - p));
    if (!nul || nul == p) break;  // a string cut off by the block's end, or the list's end
    items.emplace_back(p, static_cast<const char*>(nul));
    p = static_cast<const char*>(nul) + 1;
  }
  items_ = std::move(items);
  return kBlockLoaded;
}

}  // namespace skyloom
