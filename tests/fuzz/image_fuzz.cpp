// Feeds arbitrary bytes to the picture decoders. The first byte chooses the decoder (0 BMP,
// 1 TGA, 2 JPEG, by its value modulo 3); the rest is the file. A decoded picture must have the
// size its buffer claims, and a failure must leave no buffer.
//
// With -seed DIR (instead of libFuzzer's arguments) it writes a small valid file of each kind,
// prefixed with its selector byte, into DIR as the starting corpus.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "resources/image.h"
#include "resources/jpeg_encode.h"

using namespace skyloom;

namespace {

void check(bool ok, const Image& image) {
  if (!ok) {
    if (image.pixels) __builtin_trap();
    return;
  }
  if (!image.pixels || image.width == 0 || image.height == 0) __builtin_trap();
  // Touch the first and last byte so the sanitizer sees a buffer of the claimed size.
  volatile std::uint8_t first = image.pixels[0];
  volatile std::uint8_t last = image.pixels[image.byteSize() - 1];
  (void)first;
  (void)last;
}

std::vector<std::uint8_t> seedBmp(std::uint32_t bpp, std::uint32_t compression, std::vector<std::uint8_t> bits,
                                  std::uint32_t colours) {
  std::vector<std::uint8_t> f(14 + 40 + 4 * colours, 0);
  f[0] = 'B';
  f[1] = 'M';
  writeLE32(&f[10], static_cast<std::uint32_t>(f.size()));
  writeLE32(&f[14], 40);
  writeLE32(&f[18], 4);
  writeLE32(&f[22], 2);
  f[26] = 1;
  f[28] = static_cast<std::uint8_t>(bpp);
  writeLE32(&f[30], compression);
  writeLE32(&f[34], static_cast<std::uint32_t>(bits.size()));
  writeLE32(&f[46], colours);
  for (std::uint32_t i = 0; i < 4 * colours; ++i) f[54 + i] = static_cast<std::uint8_t>(i * 37);
  f.insert(f.end(), bits.begin(), bits.end());
  return f;
}

void writeSeed(const std::string& dir, const char* name, std::uint8_t selector, const std::vector<std::uint8_t>& body) {
  const std::string path = dir + "/" + name;
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputc(selector, f);
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
  }
}

int writeSeeds(const std::string& dir) {
  writeSeed(dir, "bmp24", 0, seedBmp(24, 0, std::vector<std::uint8_t>(24, 0x5A), 0));
  writeSeed(dir, "bmp4", 0, seedBmp(4, 0, {0x12, 0x34, 0, 0, 0x56, 0x78, 0, 0}, 16));
  writeSeed(dir, "rle8", 0, seedBmp(8, 1, {2, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 0, 4, 2, 0, 1}, 4));
  writeSeed(dir, "rle4", 0, seedBmp(4, 2, {4, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 1}, 4));
  std::vector<std::uint8_t> tga(18, 0);
  tga[2] = 2;
  tga[12] = 2;
  tga[14] = 2;
  tga[16] = 32;
  tga[17] = 8;
  tga.resize(18 + 16, 0x80);
  writeSeed(dir, "tga", 1, tga);
  std::vector<std::uint8_t> pixels(16 * 16 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 13);
  std::vector<std::uint8_t> jpeg;
  if (encodeJpeg(pixels.data(), 16, 16, 3, 75, jpeg)) writeSeed(dir, "jpeg_rgb", 2, jpeg);
  if (encodeJpeg(pixels.data(), 16, 8, 1, 75, jpeg)) writeSeed(dir, "jpeg_grey", 2, jpeg);
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (*argc == 3 && std::strcmp((*argv)[1], "-seed") == 0) std::exit(writeSeeds((*argv)[2]));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> body(data + 1, size - 1);
  Image image;
  switch (data[0] % 3) {
    case 0: check(decodeBmp(body, image), image); break;
    case 1: check(decodeTga(body, image), image); break;
    default: check(decodeJpeg(body, image), image); break;
  }
  return 0;
}
