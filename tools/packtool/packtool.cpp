// packtool: lists, extracts and builds packs with the product's own pack code.
//
//   packtool list PACK                 the directory, one entry a line, as a tree
//   packtool extract PACK DEST         the whole tree into folder DEST
//   packtool extract PACK DEST NAME    one file entry into file DEST
//   packtool build DIR OUT             a pack of folder DIR (its name becomes the root's)
//
// PACK may be any file with a pack inside its first 2 MiB (pack.dat, the installer).

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "resources/pack.h"

using namespace skyloom;

namespace {

int usage() {
  std::fputs(
      "usage: packtool list PACK\n"
      "       packtool extract PACK DEST [NAME]\n"
      "       packtool build DIR OUT\n",
      stderr);
  return 2;
}

void listTree(const Pack& pack, std::uint32_t dir, int depth) {
  for (std::uint32_t c = pack.entry(dir).firstChild; c != 0; c = pack.entry(c).nextSibling) {
    const PackEntry& e = pack.entry(c);
    const std::string name(e.nameView());
    if (e.isDirectory) {
      std::printf("%5u  %*s%s\\  (%u dirs, %u files)\n", c, depth * 2, "", name.c_str(), e.offset, e.size);
      listTree(pack, c, depth + 1);
    } else {
      std::printf("%5u  %*s%-*s %10u bytes  sum %08x\n", c, depth * 2, "", 40 - depth * 2, name.c_str(),
                  e.size, e.checksum);
    }
  }
}

int list(const char* path) {
  Pack pack;
  if (!pack.open(path)) {
    std::fprintf(stderr, "packtool: no pack in %s\n", path);
    return 1;
  }
  const PackEntry& root = pack.entry(0);
  std::printf("pack at offset %llu, %u entries, %u bytes\n",
              static_cast<unsigned long long>(pack.packStart()), pack.entryCount(), pack.header().totalLength);
  if (pack.entryCount() == 1 && !root.isDirectory) {
    std::printf("%5u  %s  %u bytes\n", 0u, std::string(root.nameView()).c_str(), root.size);
    return 0;
  }
  std::printf("%5u  %s\\  (%u files, %u dirs)\n", 0u, std::string(root.nameView()).c_str(), root.offset, root.size);
  listTree(pack, 0, 1);
  return 0;
}

int extract(const char* path, const char* dest, const char* name) {
  Pack pack;
  if (!pack.open(path)) {
    std::fprintf(stderr, "packtool: no pack in %s\n", path);
    return 1;
  }
  if (name) {
    const int r = pack.extractEntry(name, dest);
    if (r == 1) return 0;
    std::fprintf(stderr, r == 0 ? "packtool: no entry %s\n" : "packtool: cannot write %s\n", r == 0 ? name : dest);
    return 1;
  }
  std::error_code ec;
  std::filesystem::create_directories(dest, ec);
  setPackSinks(nullptr, [](const char* text, int, int) { std::printf("%s\n", text); });
  const std::uint64_t bytes = pack.extractTree(dest);
  for (const std::string& s : pack.skippedNames()) std::fprintf(stderr, "packtool: skipped unsafe name %s\n", s.c_str());
  std::printf("%llu bytes written\n", static_cast<unsigned long long>(bytes));
  return pack.skippedNames().empty() ? 0 : 1;
}

int build(const char* dir, const char* out) {
  Pack pack;
  if (!pack.build(dir)) {
    std::fprintf(stderr, "packtool: cannot build from %s (missing, more than %zu entries, or a name over 63 bytes)\n",
                 dir, kPackMaxBuildEntries);
    return 1;
  }
  const std::uint64_t total = pack.write(out);
  if (!total) {
    std::fprintf(stderr, "packtool: cannot write %s\n", out);
    return 1;
  }
  std::printf("%s: %u entries, %llu bytes\n", out, pack.entryCount(), static_cast<unsigned long long>(total));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const char* cmd = argv[1];
  if (!std::strcmp(cmd, "list") && argc == 3) return list(argv[2]);
  if (!std::strcmp(cmd, "extract") && (argc == 4 || argc == 5)) return extract(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
  if (!std::strcmp(cmd, "build") && argc == 4) return build(argv[2], argv[3]);
  return usage();
}
