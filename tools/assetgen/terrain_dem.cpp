#include "terrain_dem.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/file.h"

namespace skyloom::assetgen {
namespace {

std::string demHeader() {
  std::string h = "Skyloom highlands elevation grid: 1200 columns by 1200 rows, 70 m apart, heights in metres";
  h.resize(kDemHeaderBytes, ' ');
  return h;
}

}  // namespace

std::string demText(const FloatGrid& metres) {
  std::string text = demHeader();
  text.reserve(kDemHeaderBytes + std::size_t{kDemSamples} * kDemSamples * kDemValueBytes);
  char value[8];
  for (int x = 0; x < kDemSamples; ++x) {
    for (int z = kDemSamples - 1; z >= 0; --z) {
      const int m = std::clamp(static_cast<int>(std::lround(metres.at(x, z))), 1, kDemMaxHeight);
      const int n = std::snprintf(value, sizeof value, "%-4d ", m);
      text.append(value, static_cast<std::size_t>(n));
    }
  }
  return text;
}

bool writeDemFile(const std::string& path, const FloatGrid& metres) {
  if (metres.width != kDemSamples || metres.height != kDemSamples) return false;
  const std::string text = demText(metres);
  return writeFileReplacing(path, text.data(), text.size());
}

}  // namespace skyloom::assetgen
