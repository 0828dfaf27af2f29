#pragma once
// The content generator: writes Skyloom's complete data tree deterministically (fixed seeds) so
// that the program has real pictures, terrain, sounds and texts to load. Each part writes its
// files with the product's own code for packs, images and settings.
//
// Layout of what it makes below its output folder:
//   pack/      the files that go into "pack.dat" (pictures, the help text)
//   Skyloom/   the install tree: "pack.dat", "tem\", "wav\", "aircraft\", "plane.wav", "config.ini",
//              "license.txt", "installparam.txt" (the program joins it when the installer is built)

#include <filesystem>

namespace skyloom::assetgen {

namespace fs = std::filesystem;

// Every writer answers false (after printing why on stderr) when it could not write its files.

// Land tiles, tree, building, clouds, trail puff, flame, button atlas, height picture.
bool writeTextures(const fs::path& packDir);
// Terrain files into installDir/"tem".
bool writeTerrain(const fs::path& installDir);
// "plane.wav" into installDir, the other engine sounds into installDir/"wav".
bool writeSounds(const fs::path& installDir);
// The aircraft files ("<name>.cu", meshes and livery inside) into installDir/"aircraft".
bool writeAircraft(const fs::path& installDir);
// "readme.txt" into packDir; "license.txt", "installparam.txt" and "config.ini" into installDir.
bool writeTexts(const fs::path& packDir, const fs::path& installDir);
// "pack.dat" in installDir, built from packDir with the product's pack code.
bool writePack(const fs::path& packDir, const fs::path& installDir);

}  // namespace skyloom::assetgen
