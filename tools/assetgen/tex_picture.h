#pragma once
// A picture being generated (float channels, rows top to bottom) and its encodings as the files
// the program reads: JPEG through the product's encoder, 24-bit BMP and 32-bit TGA by hand.

#include <cstdint>
#include <string>
#include <vector>

namespace skyloom::assetgen {

struct Picture {
  int width = 0;
  int height = 0;
  int channels = 3;          // 3: R, G, B; 4: R, G, B, A; 1: grey
  std::vector<float> data;   // 0 .. 255 per channel, rows top to bottom

  Picture() = default;
  Picture(int w, int h, int c) : width(w), height(h), channels(c), data(static_cast<std::size_t>(w) * h * c, 0.0f) {}
  float* at(int x, int y) { return data.data() + (static_cast<std::size_t>(y) * width + x) * channels; }
  const float* at(int x, int y) const { return data.data() + (static_cast<std::size_t>(y) * width + x) * channels; }
  void set(int x, int y, float r, float g, float b) {
    float* p = at(x, y);
    p[0] = r;
    p[1] = g;
    p[2] = b;
  }
};

// A generated file: its name in the pack folder and its bytes.
struct TextureFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// Channel values rounded and clamped to bytes, in the picture's own channel order.
std::vector<std::uint8_t> toBytes(const Picture& picture);

// JPEG of a grey or R, G, B picture; false when the encoder refused it.
bool encodePictureJpeg(const Picture& picture, int quality, std::vector<std::uint8_t>& out);
// Uncompressed 24-bit BMP (file header, 40-byte info header, bottom-up rows padded to 4 bytes).
std::vector<std::uint8_t> encodeBmp24(const Picture& picture);
// Uncompressed 32-bit TGA with 8 alpha bits, origin bottom-left: B, G, R, A, bottom row first.
std::vector<std::uint8_t> encodeTga32(const Picture& picture);

}  // namespace skyloom::assetgen
