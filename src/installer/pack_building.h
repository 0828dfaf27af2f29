#pragma once
// The maker's tool: turns the single subdirectory beside the installer into a new installer,
// the installer's own program followed by a pack of that subdirectory.

#include <string>

namespace skyloom {

struct PackBuildOutcome {
  bool built = false;      // a pack of the subdirectory was made
  std::string outputPath;  // the new installer, when built
  std::string failure;     // what went wrong, when not built
};

// In directory, packs its only subdirectory (none when it has none or several) into
// "test.pck", writes outputName as executablePath's program image followed by that pack, and
// deletes "test.pck". When executablePath already carries a pack, only the image before it is
// copied, so that the new installer finds the new pack first.
PackBuildOutcome buildInstallerPack(const std::string& directory, const std::string& executablePath,
                                    const std::string& outputName = "test.exe");

}  // namespace skyloom
