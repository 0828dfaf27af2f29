#include "world/image_heights.h"

#include <algorithm>
#include <cmath>

namespace skyloom {

HeightGrid heightsFromImage(const Image& image, float heightUnit) {
  if (!image.pixels || image.width == 0 || image.height == 0) return {};
  HeightGrid grid(static_cast<int>(image.width), static_cast<int>(image.height));
  const std::size_t stride = image.bytesPerPixel();
  const double h = heightUnit;
  const std::uint8_t* p = image.pixels.get();
  for (int r = 0; r < grid.height; ++r) {
    for (int c = 0; c < grid.width; ++c, p += stride) {
      const double ripple = std::sin(0.1 * r + 0.045 * c) * 0.511 + 1.1;
      const double brightness = p[0] / 255.0 + 0.3 * p[1] / 255.0 + 0.1 * p[2] / 255.0;
      const double units = std::min(double{kImageMaxHeight}, 1.0 / h + ripple * brightness * 500.0 / h);
      grid.at(c, r) = static_cast<std::uint16_t>(units);
    }
  }
  return grid;
}

std::vector<std::string> terrainPictureNames(std::string_view name) {
  const std::size_t slash = name.find_last_of("\\/");
  const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  std::vector<std::string> names{"pack\\" + std::string(base)};
  if (!base.empty() && base.find('.') == std::string_view::npos) names.push_back(names.front() + ".jpg");
  return names;
}

}  // namespace skyloom
