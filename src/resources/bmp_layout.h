#pragma once
// The parts of a BMP (device-independent bitmap) file or bare bitmap header, found and checked
// against the bytes before any pixel is decoded.

#include <array>
#include <cstdint>
#include <span>

namespace skyloom {

enum BmpCompression : std::uint32_t {
  kBmpRgb = 0,
  kBmpRle8 = 1,
  kBmpRle4 = 2,
  kBmpBitFields = 3,
};

// One colour channel of a 16- or 32-bit pixel: the lowest run of set bits of its mask.
struct BmpChannel {
  std::uint32_t shift = 0;
  std::uint32_t length = 0;  // 0: the channel reads as 0
};

struct BmpLayout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool topDown = false;  // rows stored top row first (negative height in the header)
  std::uint32_t bitsPerPixel = 0;
  std::uint32_t compression = kBmpRgb;
  std::array<BmpChannel, 3> channels;  // red, green, blue for 16 and 32 bits
  std::uint32_t paletteSize = 0;       // entries of the colour table; 0 for direct colour
  std::array<std::array<std::uint8_t, 3>, 256> palette{};  // R, G, B
  std::span<const std::uint8_t> bits;  // the pixel data (for RLE, the whole stream)
};

// Fills layout from a file ("BM" + file header) or a bare header followed by its colour table
// and bits. False when the header is not one we decode or anything lies beyond the bytes.
bool parseBmpLayout(std::span<const std::uint8_t> bytes, BmpLayout& layout);

// Bytes of one stored row of uncompressed pixels: padded to a multiple of four.
constexpr std::uint64_t bmpRowStride(std::uint64_t width, std::uint32_t bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

// A channel value scaled to 8 bits the way the system's DIB conversion does it: the field's
// bits moved to the top of the byte and repeated once below themselves.
std::uint8_t bmpChannelValue(std::uint32_t pixel, BmpChannel channel);

}  // namespace skyloom
