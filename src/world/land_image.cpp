#include "world/land_image.h"

#include <algorithm>
#include <cstdio>

namespace skyloom {

std::string LandImage::fileName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "pack\\land20%d.jpg", number);
  return name;
}

bool LandImage::load(int number) {
  pixels_.clear();
  if (number < 0 || number > 7) return false;
  Image image;
  if (loadImage(fileName(number), image) != 0) return false;
  return assign(image);
}

bool LandImage::assign(const Image& image) {
  pixels_.clear();
  // Palette pictures arrive as R, G, B too; only the four-byte TGA layout differs.
  if (!image.pixels || image.width != kSide || image.height != kSide || image.bytesPerPixel() != 3) return false;
  pixels_.assign(image.pixels.get(), image.pixels.get() + kBytes);
  return true;
}

}  // namespace skyloom
