// The product's texts: the help into the pack, the installer's texts and the default settings
// into the install tree.
#include <cstdio>
#include <string>

#include "assetgen.h"
#include "config/settings_root.h"
#include "core/file.h"
#include "texts_content.h"

namespace skyloom::assetgen {
namespace {

bool writeText(const fs::path& path, const void* data, std::size_t size) {
  if (writeFileReplacing(path.string(), data, size)) return true;
  std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
  return false;
}

bool writeText(const fs::path& path, const std::string& text) {
  return writeText(path, text.data(), text.size());
}

// The settings' own defaults, byte for byte what the settings dialog saves when nothing was
// changed: terrain "bmp" (made from the packed height picture, so it needs no terrain file) and
// the default chosen-aircraft list, the generated fleet's names in the order the starting
// formation is filled.
bool writeDefaultConfig(const fs::path& installDir) {
  const SettingsRoot defaults;
  const Bytes bytes = defaults.serialize();
  return writeText(installDir / kConfigFile, bytes.data(), bytes.size());
}

}  // namespace

bool writeTexts(const fs::path& packDir, const fs::path& installDir) {
  const std::string readme = readmeText();
  // The help window reads the packed copy; the loose one beside the program is what the
  // "Help" shortcut opens.
  return writeText(packDir / "readme.txt", readme) && writeText(installDir / "readme.txt", readme) &&
         writeText(installDir / "license.txt", licenseText()) &&
         writeText(installDir / "installparam.txt", installParamText()) && writeDefaultConfig(installDir);
}

}  // namespace skyloom::assetgen
