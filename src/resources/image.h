#pragma once
// Pictures as plain pixel arrays. Every picture of the program (terrain tiles, tree, clouds, fire,
// buttons, model skins) comes through loadImage, which reads BMP, 32-bit TGA and JPEG files from
// the main pack or from loose files.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace skyloom {

// What the pixel buffer holds. 24 and 8 share one layout (R, G, B per pixel, rows top to
// bottom, packed); 8 says the picture came from a palette BMP, which the texture builder keys
// on its bottom-left colour. 32 is a TGA's B, G, R, A bytes with its rows as stored (bottom row
// first for the usual origin).
enum ImageKind : int {
  kImagePalette = 8,
  kImageRgb = 24,
  kImageBgra = 32,
};

struct Image {
  std::unique_ptr<std::uint8_t[]> pixels;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int kind = kImageRgb;

  std::uint32_t bytesPerPixel() const { return kind == kImageBgra ? 4 : 3; }
  std::size_t byteSize() const { return std::size_t{width} * height * bytesPerPixel(); }
  void reset() { *this = Image{}; }
};

// No picture of the program comes near these; larger claims in a header are corrupt or hostile,
// and refusing them before allocating keeps a bad file from taking the machine's memory.
constexpr std::uint32_t kMaxImageSide = 16384;
constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 26;  // 8192 × 8192

// True when width × height is a picture we are prepared to hold.
bool imageSizeAllowed(std::uint64_t width, std::uint64_t height);
// A pixel buffer of width × height × bytesPerPixel bytes, or null when the size is not allowed
// or the memory is not there.
std::unique_ptr<std::uint8_t[]> allocatePixels(std::uint32_t width, std::uint32_t height,
                                               std::uint32_t bytesPerPixel);

// Loads a picture by its program path ("pack\clouds.bmp"). ".bmp" names are decoded as BMP,
// ".tga" names as 32-bit TGA; a name whose file is missing or does not decode as that format,
// and every other name, is read as the JPEG of the same base name (".jpg"); a name without an
// extension is read as a JPEG under its own name. 0 on success; -1 on failure with out empty.
int loadImage(std::string_view path, Image& out);

// The format decoders on bytes in memory; false (out empty) for anything they cannot decode.
bool decodeBmp(std::span<const std::uint8_t> bytes, Image& out);
bool decodeTga(std::span<const std::uint8_t> bytes, Image& out);
bool decodeJpeg(std::span<const std::uint8_t> bytes, Image& out);

}  // namespace skyloom
