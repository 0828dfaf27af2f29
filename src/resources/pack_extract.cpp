#include <filesystem>

#include "core/paths.h"
#include "resources/pack.h"

namespace skyloom {
namespace {

PackProgressSink gProgressSink;
PackReportSink gReportSink;

bool ensureDirectory(const std::string& path, bool& created) {
  std::error_code ec;
  created = false;
  if (std::filesystem::is_directory(path, ec)) return true;
  created = std::filesystem::create_directory(path, ec);
  return created;
}

}  // namespace

void setPackSinks(PackProgressSink progress, PackReportSink report) {
  gProgressSink = std::move(progress);
  gReportSink = std::move(report);
}

void Pack::report(const std::string& line) const {
  if (gReportSink) gReportSink(line.c_str(), static_cast<int>(line.size()), 1);
}

void Pack::progress(std::uint64_t bytesDone) const {
  if (gProgressSink && header_.totalLength) {
    gProgressSink(static_cast<float>(static_cast<double>(bytesDone) / header_.totalLength));
  }
}

void Pack::skip(const std::string& dir, std::string_view name) {
  skipped_.push_back(joinPath(dir, name));
}

std::uint64_t Pack::extractTree(const std::string& destinationDirectory) {
  skipped_.clear();
  if (!isOpen() || entries_.size() < 2) return 0;
  std::error_code ec;
  std::string dest = std::filesystem::absolute(nativePath(destinationDirectory), ec).string();
  if (ec) dest = nativePath(destinationDirectory);
  const std::uint64_t written = extractDirectory(0, dest);
  if (gProgressSink) gProgressSink(1.0f);
  return written;
}

// Creates the directory of entry d inside parentDir and fills it. Answers the bytes written
// below it; the progress count starts from 0 in every directory and takes in each finished
// subdirectory's bytes.
std::uint64_t Pack::extractDirectory(std::uint32_t d, const std::string& parentDir) {
  const std::string_view name = entries_[d].nameView();
  if (!isSafeEntryName(name)) {
    skip(parentDir, name);
    return 0;
  }
  const std::string dir = joinPath(parentDir, name);
  bool created = false;
  if (!ensureDirectory(dir, created)) return 0;  // cannot be entered: the subtree is skipped
  if (created) report("Makedir:" + dir);
  std::uint64_t done = 0;
  for (std::uint32_t c = entries_[d].firstChild; c != 0; c = entries_[c].nextSibling) {
    if (entries_[c].isDirectory) {
      done += extractDirectory(c, dir);
    } else {
      done += extractFile(c, dir, done);
    }
  }
  return done;
}

std::uint64_t Pack::extractFile(std::uint32_t f, const std::string& dir, std::uint64_t doneBefore) {
  const PackEntry& e = entries_[f];
  const std::string_view name = e.nameView();
  if (!isSafeEntryName(name)) {
    skip(dir, name);
    return 0;
  }
  const std::string path = joinPath(dir, name);
  File out(path, "wb");
  if (!out.isOpen()) return 0;  // an uncreatable file is left out
  const std::uint64_t written = copyEntryTo(e, out, doneBefore, true);
  out.close();
  report("Copyfile:" + path);
  return written;
}

// Copies an entry's data in pieces of at most 256 KiB; stops early when the pack is cut short
// or the output is full. Answers the bytes written.
std::uint64_t Pack::copyEntryTo(const PackEntry& e, File& out, std::uint64_t doneBefore,
                                bool withProgress) {
  if (copyBuffer_.empty()) copyBuffer_.resize(kPackCopyChunk);
  std::uint64_t written = 0;
  while (written < e.size) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(e.size - written, kPackCopyChunk));
    const std::size_t got = readEntryData(e, written, copyBuffer_.data(), want);
    const std::size_t put = out.write(copyBuffer_.data(), got);
    written += put;
    if (withProgress) progress(doneBefore + written);
    if (got < want || put < got) break;
  }
  return written;
}

int Pack::extractEntry(std::string_view name, const std::string& destinationPath) {
  const int index = isOpen() ? findFileEntry(name, false) : -1;
  if (index < 0) return 0;
  const PackEntry& e = entries_[index];
  File out(nativePath(destinationPath), "wb");
  if (!out.isOpen()) return -1;
  const std::uint64_t written = copyEntryTo(e, out, 0, false);
  const bool closed = out.close();
  return (written == e.size && closed) ? 1 : -1;
}

}  // namespace skyloom
