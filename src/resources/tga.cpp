// The one TGA form the program uses: uncompressed true colour, 32 bits per pixel with 8 alpha
// bits, origin bottom-left (descriptor 0x08). The pixels are kept as stored, B, G, R, A with the
// bottom row first; the texture builder turns them upright.
#include <cstring>

#include "core/bytes.h"
#include "resources/image.h"

namespace skyloom {

namespace {

constexpr std::size_t kTgaHeaderSize = 18;
constexpr std::uint8_t kTgaTrueColour = 2;
// Bits per pixel (offset 16) and descriptor (offset 17) read as one little-endian word.
constexpr std::uint16_t kTga32BitsAlpha8 = 0x0820;

}  // namespace

bool decodeTga(std::span<const std::uint8_t> bytes, Image& out) {
  out.reset();
  if (bytes.size() < kTgaHeaderSize) return false;
  const std::uint8_t* h = bytes.data();
  // An image ID or a colour map in front of the pixels would shift them; an RLE or colour-mapped
  // file would be read as garbage. Neither is the form we accept.
  const std::size_t idLength = h[0];
  if (h[1] != 0 || h[2] != kTgaTrueColour || readLE16(h + 16) != kTga32BitsAlpha8) return false;
  const std::uint32_t width = readLE16(h + 12);
  const std::uint32_t height = readLE16(h + 14);
  if (!imageSizeAllowed(width, height)) return false;
  const std::size_t start = kTgaHeaderSize + idLength;
  const std::size_t pixelBytes = std::size_t{width} * height * 4;
  if (bytes.size() < start || bytes.size() - start < pixelBytes) return false;

  auto pixels = allocatePixels(width, height, 4);
  if (!pixels) return false;
  std::memcpy(pixels.get(), h + start, pixelBytes);
  out.pixels = std::move(pixels);
  out.width = width;
  out.height = height;
  out.kind = kImageBgra;
  return true;
}

}  // namespace skyloom
