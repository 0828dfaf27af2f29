// Feeds arbitrary bytes to the pack reader as a file: open, read by the names it holds and by
// made-up ones, extract the tree and single entries into a scratch folder. Anything written
// must stay inside that folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "resources/pack.h"

namespace fs = std::filesystem;
using namespace skyloom;

namespace {

const fs::path& scratch() {
  static const fs::path dir = fs::temp_directory_path() / ("skyloom_pack_fuzz_" + std::to_string(getpid()));
  return dir;
}

void checkNothingEscaped() {
  // Extraction goes into scratch()/out; nothing may appear beside it.
  for (const auto& e : fs::directory_iterator(scratch())) {
    const std::string name = e.path().filename().string();
    if (name != "out" && name != "in.pck" && name != "entry.bin") __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fs::remove_all(scratch());
  fs::create_directories(scratch() / "out");
  const std::string path = (scratch() / "in.pck").string();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  Pack pack(Pack::Flavour::Installer);  // no loose-file fallbacks beyond the scratch folder
  if (pack.open(path.c_str())) {
    for (std::uint32_t i = 0; i < pack.entryCount() && i < 64; ++i) {
      FileData whole;
      pack.read(std::string(pack.entry(i).nameView()), whole);
      char buf[16];
      std::size_t n = 0;
      pack.read(std::string(pack.entry(i).nameView()), std::span<char>(buf), n, i);
    }
    pack.extractTree((scratch() / "out").string());
    if (pack.entryCount() > 1) pack.extractEntry(pack.entry(1).nameView(), (scratch() / "entry.bin").string());
    checkNothingEscaped();
  }
  return 0;
}
