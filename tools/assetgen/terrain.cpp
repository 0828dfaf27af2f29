#include <cstdio>
#include <system_error>

#include "assetgen.h"
#include "terrain_dem.h"
#include "terrain_files.h"
#include "terrain_landscape.h"
#include "world/terrain_cache_writer.h"

namespace skyloom::assetgen {

HeightGrid coastHeights() {
  return toHeightUnits(makeCoastLandscape(kCoastSamples, kCoastSpacing), kCoastHeightUnit);
}

FloatGrid highlandMetres() { return makeMountainLandscape(kDemSamples, kDemSpacing); }

bool writeCoastFile(const fs::path& dir) {
  TerrainCacheOptions options;
  options.sampleSpacing = kCoastSpacing;
  options.heightUnit = kCoastHeightUnit;
  const fs::path path = dir / kCoastFileName;
  const HResult hr = writeTerrainCache(path.string(), coastHeights(), options);
  if (failed(hr)) {
    std::fprintf(stderr, "assetgen: cannot write %s (0x%08X)\n", path.string().c_str(), static_cast<unsigned>(hr));
    return false;
  }
  return true;
}

bool writeHighlandsFile(const fs::path& dir) {
  const fs::path path = dir / kHighlandsFileName;
  if (!writeDemFile(path.string(), highlandMetres())) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

bool writeTerrain(const fs::path& installDir) {
  const fs::path dir = installDir / "tem";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "assetgen: cannot create %s\n", dir.string().c_str());
    return false;
  }
  return writeCoastFile(dir) && writeHighlandsFile(dir);
}

}  // namespace skyloom::assetgen
