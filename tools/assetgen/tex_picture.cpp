#include "tex_picture.h"

#include <cmath>

#include "core/bytes.h"
#include "resources/jpeg_encode.h"

namespace skyloom::assetgen {

namespace {

constexpr std::size_t kBmpFileHeader = 14;
constexpr std::size_t kBmpInfoHeader = 40;
constexpr std::size_t kTgaHeader = 18;
constexpr std::uint8_t kTgaTrueColour = 2;
constexpr std::uint8_t kTgaBits = 32;
constexpr std::uint8_t kTgaAlphaBitsBottomLeft = 0x08;

inline std::uint8_t toByte(float v) {
  if (!(v > 0.0f)) return 0;  // also catches NaN
  if (v >= 255.0f) return 255;
  return static_cast<std::uint8_t>(std::lround(v));
}

inline void putLE16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

std::vector<std::uint8_t> toBytes(const Picture& picture) {
  std::vector<std::uint8_t> out(picture.data.size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = toByte(picture.data[i]);
  return out;
}

bool encodePictureJpeg(const Picture& picture, int quality, std::vector<std::uint8_t>& out) {
  if (picture.channels != 1 && picture.channels != 3) return false;
  const std::vector<std::uint8_t> bytes = toBytes(picture);
  return encodeJpeg(bytes.data(), static_cast<std::uint32_t>(picture.width),
                    static_cast<std::uint32_t>(picture.height), picture.channels, quality, out);
}

std::vector<std::uint8_t> encodeBmp24(const Picture& picture) {
  const std::size_t w = static_cast<std::size_t>(picture.width);
  const std::size_t h = static_cast<std::size_t>(picture.height);
  const std::size_t stride = (w * 3 + 3) & ~std::size_t{3};
  const std::size_t bitsOffset = kBmpFileHeader + kBmpInfoHeader;
  std::vector<std::uint8_t> out(bitsOffset + stride * h, 0);
  std::uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  writeLE32(p + 2, static_cast<std::uint32_t>(out.size()));
  writeLE32(p + 10, static_cast<std::uint32_t>(bitsOffset));
  std::uint8_t* info = p + kBmpFileHeader;
  writeLE32(info, kBmpInfoHeader);
  writeLE32(info + 4, static_cast<std::uint32_t>(w));
  writeLE32(info + 8, static_cast<std::uint32_t>(h));  // positive: bottom-up rows
  putLE16(info + 12, 1);                                // planes
  putLE16(info + 14, 24);                               // bits per pixel
  writeLE32(info + 20, static_cast<std::uint32_t>(stride * h));
  writeLE32(info + 24, 2835);                           // 72 dpi, in pixels per metre
  writeLE32(info + 28, 2835);
  const int c = picture.channels;
  for (std::size_t row = 0; row < h; ++row) {
    std::uint8_t* dst = p + bitsOffset + (h - 1 - row) * stride;
    for (std::size_t x = 0; x < w; ++x) {
      const float* s = picture.at(static_cast<int>(x), static_cast<int>(row));
      dst[3 * x + 0] = toByte(s[c >= 3 ? 2 : 0]);
      dst[3 * x + 1] = toByte(s[c >= 3 ? 1 : 0]);
      dst[3 * x + 2] = toByte(s[0]);
    }
  }
  return out;
}

std::vector<std::uint8_t> encodeTga32(const Picture& picture) {
  const std::size_t w = static_cast<std::size_t>(picture.width);
  const std::size_t h = static_cast<std::size_t>(picture.height);
  std::vector<std::uint8_t> out(kTgaHeader + w * h * 4, 0);
  std::uint8_t* p = out.data();
  p[2] = kTgaTrueColour;
  putLE16(p + 12, static_cast<std::uint32_t>(w));
  putLE16(p + 14, static_cast<std::uint32_t>(h));
  p[16] = kTgaBits;
  p[17] = kTgaAlphaBitsBottomLeft;
  std::uint8_t* dst = p + kTgaHeader;
  for (std::size_t row = 0; row < h; ++row) {
    const int y = static_cast<int>(h - 1 - row);  // the bottom row is stored first
    for (std::size_t x = 0; x < w; ++x) {
      const float* s = picture.at(static_cast<int>(x), y);
      const bool colour = picture.channels >= 3;
      *dst++ = toByte(s[colour ? 2 : 0]);
      *dst++ = toByte(s[colour ? 1 : 0]);
      *dst++ = toByte(s[0]);
      *dst++ = picture.channels == 4 ? toByte(s[3]) : 255;
    }
  }
  return out;
}

}  // namespace skyloom::assetgen
