#pragma once
// One of the land pictures ("pack\land200.jpg" … "land207.jpg") kept as plain pixels: 512 × 512,
// three bytes per pixel, rows top to bottom. The ground classification reads land picture 2 as
// its noise; the terrain texturing composes its tiles from all of them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "resources/image.h"

namespace skyloom {

// The picture that gives the ground classification its noise.
constexpr int kNoiseLandImage = 2;

class LandImage {
 public:
  static constexpr int kSide = 512;
  static constexpr std::size_t kBytes = std::size_t{kSide} * kSide * 3;

  // "pack\land20%d.jpg" for number 0..7.
  static std::string fileName(int number);

  // Loads land picture number through the image loader. False, and nothing kept, when it is
  // missing, does not decode, or is not a 512 × 512 three-byte picture.
  bool load(int number);
  // Takes a picture already decoded; the same checks.
  bool assign(const Image& image);
  void clear() { pixels_.clear(); }

  bool loaded() const { return !pixels_.empty(); }
  // The pixel at (x mod 512, z mod 512) — the pictures tile — as R, G, B. Only when loaded.
  const std::uint8_t* pixel(std::int64_t x, std::int64_t z) const {
    const auto i = static_cast<std::size_t>(((z & (kSide - 1)) * kSide) + (x & (kSide - 1)));
    return pixels_.data() + 3 * i;
  }
  std::span<const std::uint8_t> bytes() const { return pixels_; }

 private:
  std::vector<std::uint8_t> pixels_;
};

}  // namespace skyloom
