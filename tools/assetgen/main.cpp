// assetgen OUT: writes Skyloom's data into OUT/pack (the pack's content) and OUT/Skyloom (the
// install tree). The same input always gives the same bytes.
#include <cstdio>

#include "assetgen.h"

int main(int argc, char** argv) {
  using namespace skyloom::assetgen;
  if (argc != 2) {
    std::fputs("usage: assetgen OUT\n", stderr);
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path packDir = out / "pack";
  const fs::path installDir = out / "Skyloom";
  std::error_code ec;
  fs::remove_all(out, ec);
  fs::create_directories(packDir, ec);
  fs::create_directories(installDir, ec);
  if (ec) {
    std::fprintf(stderr, "assetgen: cannot create %s\n", out.string().c_str());
    return 1;
  }
  const bool ok = writeTextures(packDir) && writeTexts(packDir, installDir) && writeSounds(installDir) &&
                  writeTerrain(installDir) && writeAircraft(installDir) && writePack(packDir, installDir);
  return ok ? 0 : 1;
}
