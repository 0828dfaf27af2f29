#include "world/global_grid.h"

namespace skyloom {

void swapGlobalGrid(HeightGrid& grid) {
  // Each sample's two bytes lie where its value goes: read both, then write.
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(grid.samples.data());
  for (std::size_t i = 0; i < grid.samples.size(); ++i) {
    grid.samples[i] = static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
  }
}

}  // namespace skyloom
