#include <cstdio>

#include "assetgen.h"
#include "resources/pack.h"

namespace skyloom::assetgen {

bool writePack(const fs::path& packDir, const fs::path& installDir) {
  Pack pack;
  if (!pack.build(packDir.string().c_str())) {
    std::fprintf(stderr, "assetgen: cannot pack %s\n", packDir.string().c_str());
    return false;
  }
  const fs::path out = installDir / "pack.dat";
  if (!pack.write(out.string().c_str())) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", out.string().c_str());
    return false;
  }
  return true;
}

}  // namespace skyloom::assetgen
