#include <array>
#include <cstring>

#include "image_test_util.h"
#include "resources/image.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;
using Rgb = std::array<std::uint8_t, 3>;

// 3 × 2 picture: top row red, green, blue; bottom row white, black, (10, 20, 30).
const std::array<Rgb, 6> kColours = {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {10, 20, 30}}};
const std::vector<std::uint32_t> kPalette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x0A141E};

std::vector<Rgb> pixelsOf(const Image& image) {
  std::vector<Rgb> out(std::size_t{image.width} * image.height);
  std::memcpy(out.data(), image.pixels.get(), out.size() * 3);
  return out;
}

// Stored row r of the 3 × 2 picture (bottom-up unless topDown) at the given depth.
std::vector<std::uint8_t> storedRows(std::uint32_t bpp, bool topDown) {
  std::vector<std::uint8_t> bits;
  for (int r = 0; r < 2; ++r) {
    const int top = topDown ? r : 1 - r;  // row of the picture, 0 = top
    std::vector<std::uint8_t> row;
    for (int x = 0; x < 3; ++x) {
      const int i = top * 3 + x;
      const Rgb& c = kColours[i];
      if (bpp == 24) row.insert(row.end(), {c[2], c[1], c[0]});
      if (bpp == 32) row.insert(row.end(), {c[2], c[1], c[0], 0x77});
      if (bpp == 8) row.push_back(static_cast<std::uint8_t>(i));
      if (bpp == 4) {
        if (x % 2 == 0) row.push_back(static_cast<std::uint8_t>(i << 4));
        else row.back() |= static_cast<std::uint8_t>(i);
      }
    }
    row.resize((row.size() + 3) / 4 * 4, 0);
    bits.insert(bits.end(), row.begin(), row.end());
  }
  return bits;
}

TEST(BmpDecode, EveryHeaderDepthOrientationAndFormGivesTopDownRgb) {
  const std::vector<Rgb> expected(kColours.begin(), kColours.end());
  for (std::uint32_t header : {12u, 40u, 108u, 124u}) {
    for (std::uint32_t bpp : {4u, 8u, 24u, 32u}) {
      for (bool topDown : {false, true}) {
        for (bool file : {true, false}) {
          if (header == 12 && (bpp == 32 || topDown)) continue;
          BmpShape s;
          s.headerSize = header;
          s.width = 3;
          s.height = topDown ? -2 : 2;
          s.bitsPerPixel = bpp;
          s.file = file;
          if (bpp <= 8) {
            s.palette = kPalette;
            s.palette.resize(std::size_t{1} << bpp, 0x123456);
          }
          s.bits = storedRows(bpp, topDown);
          Image image;
          SCOPED_TRACE(::testing::Message() << "header " << header << " bpp " << bpp << " topDown " << topDown
                                            << " file " << file);
          ASSERT_TRUE(decodeBmp(makeBmp(s), image));
          EXPECT_EQ(image.kind, bpp <= 8 ? kImagePalette : kImageRgb);
          EXPECT_EQ(pixelsOf(image), expected);
        }
      }
    }
  }
}

TEST(BmpDecode, ShortColourTablesAndIndicesBeyondThemAreBlack) {
  BmpShape s;
  s.width = 3;
  s.height = 1;
  s.bitsPerPixel = 1;
  s.palette = {0x102030, 0xFFEEDD};
  s.bits = {0b10100000, 0, 0, 0};
  Image image;
  ASSERT_TRUE(decodeBmp(makeBmp(s), image));
  EXPECT_EQ(pixelsOf(image), (std::vector<Rgb>{{0xFF, 0xEE, 0xDD}, {0x10, 0x20, 0x30}, {0xFF, 0xEE, 0xDD}}));

  s.bitsPerPixel = 8;
  s.colorsUsed = 2;
  s.bits = {1, 0, 200, 0};
  ASSERT_TRUE(decodeBmp(makeBmp(s), image));
  EXPECT_EQ(pixelsOf(image), (std::vector<Rgb>{{0xFF, 0xEE, 0xDD}, {0x10, 0x20, 0x30}, {0, 0, 0}}));
  EXPECT_EQ(image.kind, kImagePalette);
}

TEST(BmpDecode, SixteenAndThirtyTwoBitPixelsScaleTheirMasksToEightBits) {
  Image image;
  BmpShape s;
  s.width = 4;
  s.height = 1;
  s.bitsPerPixel = 16;
  s.bits = {0x00, 0x7C, 0x10, 0x42, 0x1F, 0x00, 0xFF, 0x7F};  // default 5-5-5
  ASSERT_TRUE(decodeBmp(makeBmp(s), image));
  EXPECT_EQ(pixelsOf(image), (std::vector<Rgb>{{255, 0, 0}, {132, 132, 132}, {0, 0, 255}, {255, 255, 255}}));

  s.compression = 3;
  s.masks = {0xF800, 0x07E0, 0x001F};
  s.bits = {0x00, 0xF8, 0xE0, 0x07, 0x10, 0x84, 0x00, 0x00};
  for (std::uint32_t header : {40u, 124u}) {
    s.headerSize = header;
    ASSERT_TRUE(decodeBmp(makeBmp(s), image));
    EXPECT_EQ(pixelsOf(image), (std::vector<Rgb>{{255, 0, 0}, {0, 255, 0}, {132, 130, 132}, {0, 0, 0}}));
  }

  s.headerSize = 40;
  s.width = 2;
  s.bitsPerPixel = 32;
  s.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};  // 10 bits a channel: the top eight count
  s.bits.assign(8, 0);
  writeLE32(s.bits.data(), 0x200u << 20 | 0x3FFu << 10 | 0x004u);
  writeLE32(s.bits.data() + 4, 0xFFFFFFFFu);
  ASSERT_TRUE(decodeBmp(makeBmp(s), image));
  EXPECT_EQ(pixelsOf(image), (std::vector<Rgb>{{0x80, 0xFF, 0x01}, {255, 255, 255}}));
  EXPECT_EQ(image.kind, kImageRgb);
}

const std::vector<std::uint32_t> kRlePalette = {0x010101, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr Rgb R{255, 0, 0}, G{0, 255, 0}, B{0, 0, 255}, K{0, 0, 0};

BmpShape rle8Shape() {
  BmpShape s;
  s.width = 6;
  s.height = 3;
  s.bitsPerPixel = 8;
  s.compression = 1;
  s.palette = kRlePalette;
  s.colorsUsed = 4;
  // bottom row: run, odd literal with its pad byte, end of line; middle row: run, delta (2, 1)
  // into the top row; top row: a run that overshoots the row; end of bitmap.
  s.bits = {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 2, 3, 0, 2, 2, 1, 8, 2, 0, 1};
  return s;
}

BmpShape rle4Shape() {
  BmpShape s;
  s.width = 5;
  s.height = 2;
  s.bitsPerPixel = 4;
  s.compression = 2;
  s.palette = kRlePalette;
  s.colorsUsed = 4;
  s.bits = {5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1};
  return s;
}

TEST(BmpDecode, RunLengthStreamsWithLiteralsDeltasAndEndCodes) {
  Image image;
  ASSERT_TRUE(decodeBmp(makeBmp(rle8Shape()), image));
  EXPECT_EQ(pixelsOf(image), (std::vector<Rgb>{K, K, K, K, G, G, B, B, K, K, K, K, R, R, R, G, B, G}));
  EXPECT_EQ(image.kind, kImagePalette);
  ASSERT_TRUE(decodeBmp(makeBmp(rle4Shape()), image));
  EXPECT_EQ(pixelsOf(image), (std::vector<Rgb>{B, R, G, K, K, R, G, R, G, R}));
}

TEST(BmpDecode, EveryTruncationOfEveryFormFails) {
  std::vector<BmpShape> shapes = {rle8Shape(), rle4Shape()};
  for (std::uint32_t header : {12u, 40u, 124u}) {
    BmpShape s;
    s.headerSize = header;
    s.width = 3;
    s.height = 2;
    s.bitsPerPixel = 8;
    s.palette = kPalette;
    s.palette.resize(256);
    s.bits = storedRows(8, false);
    shapes.push_back(s);
    s.bitsPerPixel = 24;
    s.palette.clear();
    s.bits = storedRows(24, false);
    shapes.push_back(s);
  }
  for (const BmpShape& base : shapes) {
    for (bool file : {true, false}) {
      BmpShape s = base;
      s.file = file;
      const auto bytes = makeBmp(s);
      Image image;
      ASSERT_TRUE(decodeBmp(bytes, image));
      for (std::size_t length = 0; length < bytes.size(); ++length) {
        ASSERT_FALSE(decodeBmp(std::span(bytes).first(length), image)) << "length " << length << " of " << bytes.size();
        ASSERT_EQ(image.pixels, nullptr);
      }
    }
  }
}

TEST(BmpDecode, RefusesHeadersAndCombinationsItCannotDecode) {
  const auto refused = [](auto change) {
    BmpShape s;
    s.width = 2;
    s.height = 2;
    s.bits.assign(16, 0);
    change(s);
    Image image;
    return !decodeBmp(makeBmp(s), image);
  };
  EXPECT_TRUE(refused([](BmpShape& s) { s.headerSize = 64; }));
  EXPECT_TRUE(refused([](BmpShape& s) { s.bitsPerPixel = 2; }));
  EXPECT_TRUE(refused([](BmpShape& s) { s.width = 0; }));
  EXPECT_TRUE(refused([](BmpShape& s) { s.width = -2; }));
  EXPECT_TRUE(refused([](BmpShape& s) { s.height = 0; }));
  EXPECT_TRUE(refused([](BmpShape& s) { s.width = 20000; }));
  EXPECT_TRUE(refused([](BmpShape& s) { s.height = static_cast<std::int32_t>(0x80000000u); }));
  EXPECT_TRUE(refused([](BmpShape& s) { s.compression = 4; }));  // embedded JPEG
  EXPECT_TRUE(refused([](BmpShape& s) { s.compression = 3; s.masks = {1, 2, 4}; }));  // fields need 16 or 32
  EXPECT_TRUE(refused([](BmpShape& s) { s.compression = 1; }));  // RLE8 needs 8 bits
  EXPECT_TRUE(refused([](BmpShape& s) {
    s.bitsPerPixel = 8;
    s.compression = 1;
    s.height = -2;  // run-length data is always bottom-up
    s.palette = {0};
  }));
  EXPECT_TRUE(refused([](BmpShape& s) {
    s.bitsPerPixel = 8;
    s.colorsUsed = 257;
    s.palette.assign(257, 0);
  }));
  auto badOffset = [] {
    BmpShape s;
    s.bits.assign(4, 0);
    auto bytes = makeBmp(s);
    writeLE32(bytes.data() + 10, 0xFFFFFFF0u);
    return bytes;
  }();
  Image image;
  EXPECT_FALSE(decodeBmp(badOffset, image));
}

}  // namespace
}  // namespace skyloom
