#include "world/land_textures.h"

#include <algorithm>

#include "resources/image.h"

namespace skyloom {
namespace {

constexpr std::uint8_t kMissingGrey = 128;

// The mip image below one of side 2^s (s ≥ 1): truncated means of 2 × 2 blocks.
void reduce(const std::uint8_t* above, int s, std::uint8_t* below) {
  const std::size_t side = std::size_t{1} << s, half = side >> 1;
  for (std::size_t z = 0; z < half; ++z) {
    const std::uint8_t* r0 = above + 3 * (2 * z) * side;
    const std::uint8_t* r1 = r0 + 3 * side;
    for (std::size_t x = 0; x < half; ++x) {
      for (std::size_t c = 0; c < 3; ++c) {
        const std::size_t a = 3 * 2 * x + c, b = a + 3;
        below[3 * (z * half + x) + c] = static_cast<std::uint8_t>((r0[a] + r0[b] + r1[a] + r1[b]) >> 2);
      }
    }
  }
}

}  // namespace

LandTextures::LandTextures() {
  for (int k = 0; k < kCount; ++k) clear(k);
}

void LandTextures::clear(int k) {
  if (k < 0 || k >= kCount) return;
  Texture& t = textures_[static_cast<std::size_t>(k)];
  t.sideLog2 = 0;
  t.pixels.assign(3, kMissingGrey);
  t.mipOffset.fill(0);
}

int LandTextures::load(const LandImage* noise) {
  int loaded = 0;
  for (int k = 0; k < kCount; ++k) {
    if (k == kNoiseLandImage && noise && noise->loaded()) {
      const auto bytes = noise->bytes();
      if (assign(k, bytes.data(), bytes.size(), LandImage::kSide, LandImage::kSide)) ++loaded;
      continue;
    }
    Image image;
    if (loadImage(LandImage::fileName(k), image) == 0 && image.bytesPerPixel() == 3 &&
        assign(k, image.pixels.get(), image.byteSize(), static_cast<int>(image.width), static_cast<int>(image.height))) {
      ++loaded;
    } else {
      clear(k);
    }
  }
  return loaded;
}

bool LandTextures::assign(int k, const std::uint8_t* rgb, std::size_t bytes, int width, int height) {
  if (k < 0 || k >= kCount) return false;
  if (!rgb || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      bytes < std::size_t{3} * static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    clear(k);
    return false;
  }
  Texture& t = textures_[static_cast<std::size_t>(k)];
  // The smallest power of two not below the width; rows and columns repeat into it.
  int s = 0;
  while ((1 << s) < width) ++s;
  t.sideLog2 = s;
  std::size_t total = 0;
  for (int l = 0; l <= s; ++l) total += 3 * (std::size_t{1} << (s - l)) * (std::size_t{1} << (s - l));
  t.pixels.assign(total, 0);
  const std::size_t side = std::size_t{1} << s;
  for (std::size_t z = 0; z < side; ++z) {
    const std::uint8_t* row = rgb + 3 * (z % static_cast<std::size_t>(height)) * static_cast<std::size_t>(width);
    for (std::size_t x = 0; x < side; ++x) {
      const std::uint8_t* p = row + 3 * (x % static_cast<std::size_t>(width));
      std::copy(p, p + 3, t.pixels.data() + 3 * (z * side + x));
    }
  }
  std::size_t offset = 0;
  for (int l = 0; l < kMaxMipLevels; ++l) {
    if (l <= s) {
      t.mipOffset[static_cast<std::size_t>(l)] = offset;
      if (l > 0) reduce(t.pixels.data() + t.mipOffset[static_cast<std::size_t>(l - 1)], s - l + 1, t.pixels.data() + offset);
      offset += 3 * (std::size_t{1} << (s - l)) * (std::size_t{1} << (s - l));
    } else {
      // Beyond the 1 × 1 image the last one repeats.
      t.mipOffset[static_cast<std::size_t>(l)] = t.mipOffset[static_cast<std::size_t>(s)];
    }
  }
  return true;
}

}  // namespace skyloom
