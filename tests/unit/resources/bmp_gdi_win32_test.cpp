// The BMP decoder against the system's own DIB conversion: every form is converted by GDI into a
// fresh 24-bit bitmap and by our decoder, and the two must agree byte for byte.
#ifdef _WIN32

#include <windows.h>

#include <cstring>

#include "image_test_util.h"
#include "resources/image.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

class Lcg {
 public:
  std::uint32_t next() {
    state_ = state_ * 1103515245u + 12345u;
    return state_ >> 8;
  }
  std::uint8_t byte() { return static_cast<std::uint8_t>(next()); }

 private:
  std::uint32_t state_ = 20240601u;
};

// What GDI makes of a bare header + table + bits: R, G, B rows, top row first.
std::vector<std::uint8_t> convertWithGdi(const std::vector<std::uint8_t>& packed, std::size_t bitsSize,
                                         std::int32_t width, std::int32_t height) {
  const std::int32_t rows = height < 0 ? -height : height;
  BITMAPINFO target{};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = width;
  target.bmiHeader.biHeight = rows;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 24;
  target.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return {};
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  std::memset(bits, 0, stride * rows);
  HDC dc = CreateCompatibleDC(nullptr);
  const int lines = SetDIBits(dc, bitmap, 0, static_cast<UINT>(rows), packed.data() + packed.size() - bitsSize,
                              reinterpret_cast<const BITMAPINFO*>(packed.data()), DIB_RGB_COLORS);
  GdiFlush();
  std::vector<std::uint8_t> out;
  if (lines > 0) {
    for (std::int32_t y = rows - 1; y >= 0; --y) {
      const auto* row = static_cast<const std::uint8_t*>(bits) + stride * y;
      for (std::int32_t x = 0; x < width; ++x) out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
  }
  DeleteDC(dc);
  DeleteObject(bitmap);
  return out;
}

void expectSameAsGdi(BmpShape s, const std::string& what) {
  SCOPED_TRACE(what);
  s.file = false;
  const auto packed = makeBmp(s);
  const auto expected = convertWithGdi(packed, s.bits.size(), s.width, s.height);
  ASSERT_FALSE(expected.empty()) << "GDI refused the bitmap";
  for (bool file : {false, true}) {
    s.file = file;
    Image image;
    ASSERT_TRUE(decodeBmp(makeBmp(s), image)) << "file form " << file;
    ASSERT_EQ(image.byteSize(), expected.size());
    EXPECT_EQ(std::memcmp(image.pixels.get(), expected.data(), expected.size()), 0) << "file form " << file;
  }
}

BmpShape randomPicture(Lcg& rng, std::uint32_t header, std::uint32_t bpp, bool topDown) {
  BmpShape s;
  s.headerSize = header;
  s.width = 13;
  s.height = topDown ? -7 : 7;
  s.bitsPerPixel = bpp;
  if (bpp <= 8) {
    for (std::uint32_t i = 0; i < (1u << bpp); ++i) s.palette.push_back(rng.next() & 0xFFFFFF);
  }
  s.bits.resize((13 * bpp + 31) / 32 * 4 * 7);
  for (auto& b : s.bits) b = rng.byte();
  return s;
}

TEST(BmpAgainstGdi, UncompressedPicturesOfEveryHeaderAndDepth) {
  Lcg rng;
  for (std::uint32_t header : {12u, 40u, 108u, 124u}) {
    for (std::uint32_t bpp : {1u, 4u, 8u, 16u, 24u, 32u}) {
      for (bool topDown : {false, true}) {
        if (header == 12 && (topDown || bpp == 16 || bpp == 32)) continue;
        expectSameAsGdi(randomPicture(rng, header, bpp, topDown),
                        "header " + std::to_string(header) + " bpp " + std::to_string(bpp) + " topDown " +
                            std::to_string(topDown));
      }
    }
  }
  BmpShape shortTable = randomPicture(rng, 40, 8, false);
  shortTable.palette.resize(20);
  shortTable.colorsUsed = 20;
  expectSameAsGdi(shortTable, "20 colours used, indices beyond them");
}

TEST(BmpAgainstGdi, BitFieldMasks) {
  Lcg rng;
  const std::vector<std::vector<std::uint32_t>> masks16 = {
      {0xF800, 0x07E0, 0x001F}, {0x7C00, 0x03E0, 0x001F}, {0x0F00, 0x00F0, 0x000F}, {0xE000, 0x1C00, 0x0300},
      {0x8000, 0x4000, 0x2000}, {0x001F, 0x07E0, 0xF800}};
  const std::vector<std::vector<std::uint32_t>> masks32 = {
      {0xFF0000, 0xFF00, 0xFF}, {0xFF, 0xFF00, 0xFF0000}, {0x3FF00000, 0xFFC00, 0x3FF}, {0xF000000, 0xF00000, 0xF0000},
      {0xFF000000, 0xFF0000, 0xFF00}};
  for (std::uint32_t header : {40u, 108u, 124u}) {
    for (const auto& m : masks16) {
      BmpShape s = randomPicture(rng, header, 16, false);
      s.compression = 3;
      s.masks = m;
      expectSameAsGdi(s, "16-bit masks, header " + std::to_string(header) + " red " + std::to_string(m[0]));
    }
    for (const auto& m : masks32) {
      BmpShape s = randomPicture(rng, header, 32, true);
      s.compression = 3;
      s.masks = m;
      expectSameAsGdi(s, "32-bit masks, header " + std::to_string(header) + " red " + std::to_string(m[0]));
    }
  }
}

// A random but well-formed stream: runs, literals, deltas and ends of line, then end of bitmap.
std::vector<std::uint8_t> randomRle(Lcg& rng, bool four, std::uint32_t height) {
  std::vector<std::uint8_t> s;
  std::uint32_t y = 0;
  while (y < height) {
    switch (rng.next() % 6) {
      case 0: case 1: s.insert(s.end(), {static_cast<std::uint8_t>(1 + rng.next() % 9), rng.byte()}); break;
      case 2: {
        const std::uint32_t n = 3 + rng.next() % 9;
        s.insert(s.end(), {0, static_cast<std::uint8_t>(n)});
        std::size_t bytes = four ? (n + 1) / 2 : n;
        for (std::size_t i = 0; i < bytes; ++i) s.push_back(rng.byte());
        if (bytes & 1) s.push_back(0);
        break;
      }
      case 3: {
        const std::uint8_t dy = static_cast<std::uint8_t>(rng.next() % 2);
        s.insert(s.end(), {0, 2, static_cast<std::uint8_t>(rng.next() % 4), dy});
        y += dy;
        break;
      }
      default: s.insert(s.end(), {0, 0}); ++y; break;
    }
  }
  s.insert(s.end(), {0, 1});
  return s;
}

TEST(BmpAgainstGdi, RunLengthStreams) {
  Lcg rng;
  for (int round = 0; round < 20; ++round) {
    for (bool four : {false, true}) {
      BmpShape s;
      s.width = 11;
      s.height = 9;
      s.bitsPerPixel = four ? 4 : 8;
      s.compression = four ? 2 : 1;
      for (std::uint32_t i = 0; i < (four ? 16u : 256u); ++i) s.palette.push_back(rng.next() & 0xFFFFFF);
      s.bits = randomRle(rng, four, 9);
      expectSameAsGdi(s, std::string(four ? "RLE4" : "RLE8") + " round " + std::to_string(round));
    }
  }
}

}  // namespace
}  // namespace skyloom

#endif  // _WIN32
