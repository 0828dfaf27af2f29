#pragma once
// Scratch folders and hand-made packs for the pack tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/pack.h"

namespace skyloom::testing {

namespace fs = std::filesystem;

// A fresh folder that is also the current directory for the test's lifetime.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() / (std::string("skyloom_") + info->test_suite_name() + "_" + info->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
    previous_ = fs::current_path();
    fs::current_path(path_);
  }
  ~ScratchDir() {
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return (path_ / rel).string(); }

 private:
  fs::path path_;
  fs::path previous_;
};

inline void writeFile(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

inline std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Directory entries written by hand, for layouts the builder would never make.
struct RawEntry {
  std::string name;
  std::uint32_t isDirectory, a, b, next, prev, parent, firstChild;
};

inline std::string rawPack(const std::vector<RawEntry>& entries, const std::string& data,
                           std::uint32_t totalLength = 0) {
  PackHeader h;
  h.entryCount = static_cast<std::uint32_t>(entries.size());
  h.totalLength = totalLength ? totalLength
                              : static_cast<std::uint32_t>(kPackHeaderSize + kPackEntrySize * entries.size() + data.size());
  std::string out(kPackHeaderSize + kPackEntrySize * entries.size(), '\0');
  auto* bytes = reinterpret_cast<std::uint8_t*>(out.data());
  encodePackHeader(h, bytes);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const RawEntry& r = entries[i];
    PackEntry e;
    e.setName(r.name);
    e.isDirectory = r.isDirectory;
    e.offset = r.a;
    e.size = r.b;
    e.nextSibling = r.next;
    e.prevSibling = r.prev;
    e.parent = r.parent;
    e.firstChild = r.firstChild;
    encodePackEntry(e, bytes + kPackHeaderSize + i * kPackEntrySize);
  }
  return out + data;
}

}  // namespace skyloom::testing
