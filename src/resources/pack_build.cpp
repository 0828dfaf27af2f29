#include <cstdio>
#include <filesystem>

#include "core/directory.h"
#include "core/paths.h"
#include "resources/pack.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

// The single subdirectory of the current directory, or empty when there is not exactly one.
std::string singleSubdirectory() {
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  if (ec) return {};
  std::string found;
  int count = 0;
  for (const DirectoryItem& l : listDirectory(cwd.string())) {
    if (!l.isDirectory) continue;
    ++count;
    found = (cwd / l.name).string();
  }
  return count == 1 ? found : std::string();
}

}  // namespace

std::uint32_t Pack::build(const char* directoryPath) {
  close();
  std::string root = directoryPath ? nativePath(directoryPath) : singleSubdirectory();
  std::error_code ec;
  fs::path rootPath = fs::absolute(root, ec).lexically_normal();
  if (!rootPath.has_filename()) rootPath = rootPath.parent_path();
  if (root.empty() || ec || !fs::is_directory(rootPath, ec)) return 0;

  entries_.reserve(kPackMaxBuildEntries);
  entries_.emplace_back();
  buildFailed_ = !entries_[0].setName(rootPath.filename().string());
  std::uint32_t dirs = 0, files = 0, subtree = 0;
  const std::uint32_t first = scanDirectory(rootPath.string(), 0, dirs, files, subtree);
  if (buildFailed_) {
    entries_.clear();
    return 0;
  }
  PackEntry& r = entries_[0];
  r.firstChild = first;
  r.offset = files;  // the root keeps its counts the other way round
  r.size = dirs;
  header_.entryCount = entryCount();
  buildRoot_ = rootPath.string();
  return entryCount();
}

// Appends the entries of dir (with parent index parent) in pre-order. Answers the index of
// the first child (0 when empty) and the counts of direct subdirectories, direct files and
// all entries below.
std::uint32_t Pack::scanDirectory(const std::string& dir, std::uint32_t parent, std::uint32_t& dirs,
                                  std::uint32_t& files, std::uint32_t& subtree) {
  dirs = files = subtree = 0;
  std::uint32_t first = 0, previous = 0;
  for (const DirectoryItem& l : listDirectory(dir)) {
    if (entries_.size() >= kPackMaxBuildEntries) {
      buildFailed_ = true;
      return 0;
    }
    const auto b = static_cast<std::uint32_t>(entries_.size());
    entries_.emplace_back();
    PackEntry& e = entries_.back();
    if (!e.setName(l.name)) buildFailed_ = true;  // a name the format cannot hold
    e.parent = parent;
    e.prevSibling = previous;
    if (previous) entries_[previous].nextSibling = b;
    if (!first) first = b;
    previous = b;
    if (l.isDirectory) {
      std::uint32_t subDirs = 0, subFiles = 0, subEntries = 0;
      const std::uint32_t child = scanDirectory(joinPath(dir, l.name), b, subDirs, subFiles, subEntries);
      PackEntry& d = entries_[b];  // the vector may not grow past its reserve, but stay exact
      d.isDirectory = 1;
      d.firstChild = child;
      d.offset = subDirs;
      d.size = subFiles;
      ++dirs;
      subtree += 1 + subEntries;
    } else {
      ++files;
      ++subtree;
    }
    if (buildFailed_) return 0;
  }
  return first;
}

std::uint64_t Pack::write(const char* outputPath) {
  if (entries_.empty() || buildRoot_.empty()) return 0;
  const std::string target = outputPath ? nativePath(outputPath)
                                        : std::string(entries_[0].nameView()) + ".pck";
  const std::string temp = replacementPath(target);
  File out(temp, "wb");
  if (!out.isOpen()) return 0;

  const std::uint64_t dirBytes = std::uint64_t{entryCount()} * kPackEntrySize;
  std::vector<std::uint8_t> head(kPackHeaderSize + dirBytes);
  header_.totalLength = 0;
  header_.entryCount = entryCount();
  header_.extraA = header_.extraB = 0;
  auto encodeHead = [&] {
    encodePackHeader(header_, head.data());
    for (std::uint32_t i = 0; i < entryCount(); ++i) {
      encodePackEntry(entries_[i], head.data() + kPackHeaderSize + i * kPackEntrySize);
    }
  };
  encodeHead();
  std::uint64_t dataPos = 0;
  bool ok = out.writeAll(head.data(), head.size()) && writeData(out, 0, buildRoot_, dataPos);
  const std::uint64_t total = dataPos + dirBytes + kPackHeaderSize;
  ok = ok && total <= UINT32_MAX;
  if (ok) {
    header_.totalLength = static_cast<std::uint32_t>(total);
    encodeHead();
    ok = out.seek(0) && out.writeAll(head.data(), head.size());
  }
  ok = out.close() && ok;
  return finishReplacement(temp, target, ok) ? total : 0;
}

// Appends the data of directory entry d's subtree (on disk at dir) in pre-order, filling in
// each file's offset, size and checksum.
bool Pack::writeData(File& out, std::uint32_t d, const std::string& dir, std::uint64_t& dataPos) {
  for (std::uint32_t c = entries_[d].firstChild; c != 0; c = entries_[c].nextSibling) {
    PackEntry& e = entries_[c];
    const std::string path = joinPath(dir, e.nameView());
    if (e.isDirectory) {
      if (!writeData(out, c, path, dataPos)) return false;
      continue;
    }
    e.offset = static_cast<std::uint32_t>(dataPos);
    e.size = e.checksum = 0;
    File in(path, "rb");  // a file that cannot be opened stays empty
    if (copyBuffer_.empty()) copyBuffer_.resize(kPackCopyChunk);
    std::uint64_t size = 0;
    while (in.isOpen()) {
      const std::size_t got = in.read(copyBuffer_.data(), copyBuffer_.size());
      if (got == 0) break;
      for (std::size_t i = 0; i < got; ++i) e.checksum += static_cast<std::uint8_t>(copyBuffer_[i]);
      if (!out.writeAll(copyBuffer_.data(), got)) return false;
      size += got;
    }
    if (dataPos + size > UINT32_MAX) return false;
    e.size = static_cast<std::uint32_t>(size);
    dataPos += size;
  }
  return true;
}

}  // namespace skyloom
