#include "relief.h"

#include <algorithm>
#include <cmath>

#include "world/ground_class.h"

namespace skyloom::terraintool {
namespace {

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

Relief shadeLevel(TilePyramid& pyramid, int level) {
  const TileLevel& window = pyramid.level(level);
  const int r = pyramid.windowTiles();
  const int side = r * kTileSpanSamples + 1;
  // Heights in metres and water depth of the whole window, row-major from the south.
  std::vector<float> metres(static_cast<std::size_t>(side) * side, 0.0f);
  std::vector<std::int16_t> depth(metres.size(), -1);
  const float unit = pyramid.params().heightUnit;
  for (int tj = 0; tj < r; ++tj) {
    for (int ti = 0; ti < r; ++ti) {
      int found = level;
      const std::int32_t x = window.originX + ti * window.span, z = window.originZ + tj * window.span;
      const std::uint32_t* samples = pyramid.fetchGenerating(found, x, z);
      if (!samples || found != level) continue;
      for (int j = 0; j < kTileSamples; ++j) {
        for (int i = 0; i < kTileSamples; ++i) {
          const std::uint32_t s = samples[j * kTileSamples + i];
          const std::size_t at = static_cast<std::size_t>(tj * kTileSpanSamples + j) * side + ti * kTileSpanSamples + i;
          metres[at] = static_cast<float>(sampleHeight(s)) * unit;
          depth[at] = (s & kSampleWater) ? static_cast<std::int16_t>(sampleDepth(s)) : std::int16_t{-1};
        }
      }
    }
  }
  const float step = pyramid.params().spacing * static_cast<float>(1 << level);
  // The slope against a light from the north-west, 45° high; heights exaggerated a little so
  // that plains still show their form.
  const float lx = -0.5f, lz = 0.5f, ly = 0.7071f;
  Relief relief;
  relief.width = relief.height = side;
  relief.rgb.resize(static_cast<std::size_t>(side) * side * 3);
  const float top = *std::max_element(metres.begin(), metres.end());
  for (int row = 0; row < side; ++row) {
    const int z = side - 1 - row;  // north at the top
    for (int x = 0; x < side; ++x) {
      const std::size_t at = static_cast<std::size_t>(z) * side + x;
      std::uint8_t* px = &relief.rgb[(static_cast<std::size_t>(row) * side + x) * 3];
      if (depth[at] >= 0) {
        const float d = std::min(1.0f, depth[at] / 64.0f);
        px[0] = static_cast<std::uint8_t>(40 - 30 * d);
        px[1] = static_cast<std::uint8_t>(90 - 60 * d);
        px[2] = static_cast<std::uint8_t>(170 - 70 * d);
        continue;
      }
      const float hx = metres[static_cast<std::size_t>(z) * side + std::min(x + 1, side - 1)] -
                       metres[static_cast<std::size_t>(z) * side + std::max(x - 1, 0)];
      const float hz = metres[static_cast<std::size_t>(std::min(z + 1, side - 1)) * side + x] -
                       metres[static_cast<std::size_t>(std::max(z - 1, 0)) * side + x];
      // Normal of the surface (−dh/dx, 2·step, −dh/dz), exaggerated twice.
      const float nx = -2.0f * hx, nz = -2.0f * hz, ny = 2.0f * step;
      const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
      const float light = std::max(0.0f, (nx * lx + ny * ly + nz * lz) / len);
      const float lift = top > 0 ? metres[at] / top : 0.0f;
      const float v = std::clamp(40.0f + 150.0f * light + 60.0f * lift, 0.0f, 255.0f);
      px[0] = px[1] = px[2] = static_cast<std::uint8_t>(v);
    }
  }
  return relief;
}

std::vector<std::uint8_t> encodeBmp(const Relief& relief) {
  const std::size_t rowBytes = (static_cast<std::size_t>(relief.width) * 3 + 3) & ~std::size_t{3};
  const std::size_t pixelBytes = rowBytes * relief.height;
  std::vector<std::uint8_t> out(54 + pixelBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, static_cast<std::uint32_t>(out.size()));
  put32(out, 10, 54);
  put32(out, 14, 40);
  put32(out, 18, static_cast<std::uint32_t>(relief.width));
  put32(out, 22, static_cast<std::uint32_t>(relief.height));
  out[26] = 1;   // planes
  out[28] = 24;  // bits per pixel
  put32(out, 34, static_cast<std::uint32_t>(pixelBytes));
  for (int row = 0; row < relief.height; ++row) {
    const std::uint8_t* src = &relief.rgb[static_cast<std::size_t>(row) * relief.width * 3];
    std::uint8_t* dst = &out[54 + static_cast<std::size_t>(relief.height - 1 - row) * rowBytes];  // bottom-up
    for (int x = 0; x < relief.width; ++x) {
      dst[x * 3 + 0] = src[x * 3 + 2];  // B, G, R
      dst[x * 3 + 1] = src[x * 3 + 1];
      dst[x * 3 + 2] = src[x * 3 + 0];
    }
  }
  return out;
}

}  // namespace skyloom::terraintool
