#include "installer/pack_building.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/directory.h"
#include "core/file.h"
#include "core/paths.h"
#include "resources/pack.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

bool appendFile(File& out, const std::string& path, std::uint64_t length, std::vector<char>& buffer) {
  File in(path, "rb");
  if (!in.isOpen() || in.size() < length) return false;
  for (std::uint64_t done = 0; done < length;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, buffer.size()));
    if (in.read(buffer.data(), want) != want || !out.writeAll(buffer.data(), want)) return false;
    done += want;
  }
  return true;
}

}  // namespace

PackBuildOutcome buildInstallerPack(const std::string& directory, const std::string& executablePath,
                                    const std::string& outputName) {
  PackBuildOutcome outcome;
  std::string subdirectory;
  int count = 0;
  for (const DirectoryItem& item : listDirectory(directory)) {
    if (!item.isDirectory) continue;
    ++count;
    subdirectory = joinPath(directory, item.name);
  }
  if (count != 1) {
    outcome.failure = "the folder must hold exactly one subdirectory";
    return outcome;
  }

  const std::string packPath = joinPath(directory, "test.pck");
  {
    Pack pack(Pack::Flavour::Installer);
    if (pack.build(subdirectory.c_str()) == 0 || pack.write(packPath.c_str()) == 0) {
      outcome.failure = "the pack could not be built";
      return outcome;
    }
  }

  std::uint64_t imageLength = 0;
  {
    Pack own(Pack::Flavour::Installer);
    File image(executablePath, "rb");
    imageLength = image.size();
    if (own.open(executablePath.c_str()) > 0) imageLength = own.packStart();
  }

  const std::string output = joinPath(directory, outputName);
  const std::string temp = replacementPath(output);
  std::vector<char> buffer(kPackCopyChunk);
  bool complete = false;
  {
    File out(temp, "wb");
    std::error_code ec;
    const std::uint64_t packLength = fs::file_size(packPath, ec);
    complete = out.isOpen() && imageLength > 0 && !ec && appendFile(out, executablePath, imageLength, buffer) &&
               appendFile(out, packPath, packLength, buffer);
    complete = out.close() && complete;
  }
  std::error_code ec;
  fs::remove(packPath, ec);
  if (!finishReplacement(temp, output, complete)) {
    outcome.failure = "the installer could not be written";
    return outcome;
  }
  outcome.built = true;
  outcome.outputPath = output;
  return outcome;
}

}  // namespace skyloom
