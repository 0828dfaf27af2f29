#include <cstring>

#include "image_test_util.h"
#include "pack_test_util.h"
#include "resources/image.h"

namespace skyloom {
namespace {

using namespace skyloom::testing;

std::vector<std::uint8_t> solidRgb(std::uint32_t w, std::uint32_t h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::vector<std::uint8_t> v;
  for (std::uint32_t i = 0; i < w * h; ++i) v.insert(v.end(), {r, g, b});
  return v;
}

bool near(int a, int b, int tolerance = 4) { return a - b <= tolerance && b - a <= tolerance; }

// Sets the main pack for one test and always clears it again.
class MainPackScope {
 public:
  explicit MainPackScope(Pack* pack) { mainPack = pack; }
  ~MainPackScope() { mainPack = nullptr; }
};

TEST(ImageLoad, BmpNameUnderPackFolderFindsTheJpegInTheMainPack) {
  ScratchDir dir;
  writeFile(dir.path() / "data" / "trailfog.jpg", asString(makeJpeg(solidRgb(8, 4, 200, 40, 90), 8, 4, 3)));
  Pack builder;
  ASSERT_EQ(builder.build((dir / "data").c_str()), 2u);
  ASSERT_GT(builder.write((dir / "pack.dat").c_str()), 0u);
  Pack pack;
  ASSERT_EQ(pack.open("pack.dat"), 2u);
  MainPackScope scope(&pack);

  Image image;
  ASSERT_EQ(loadImage("pack\\trailfog.bmp", image), 0);
  EXPECT_EQ(image.kind, kImageRgb);
  EXPECT_EQ(image.width, 8u);
  EXPECT_EQ(image.height, 4u);
  EXPECT_TRUE(near(image.pixels[0], 200) && near(image.pixels[1], 40) && near(image.pixels[2], 90));

  // A BMP that exists but does not decode also falls back to the JPEG.
  writeFile(dir.path() / "trailfog.bmp", "BM not really a bitmap");
  Image again;
  ASSERT_EQ(loadImage("trailfog.bmp", again), 0);
  EXPECT_EQ(again.kind, kImageRgb);
}

TEST(ImageLoad, ExtensionsChooseTheDecoderAndEverythingElseIsReadAsJpeg) {
  ScratchDir dir;
  writeFile(dir.path() / "TREE.TGA", asString(makeTga(1, 1, {1, 2, 3, 4})));
  writeFile(dir.path() / "flat.tga", asString(makeTga(1, 1, {1, 2, 3, 4})).replace(16, 2, "\x18\x00", 2));
  writeFile(dir.path() / "flat.jpg", asString(makeJpeg(solidRgb(2, 2, 0, 0, 255), 2, 2, 3)));
  writeFile(dir.path() / "photo.jpg", asString(makeJpeg(solidRgb(3, 1, 0, 255, 0), 3, 1, 3)));
  writeFile(dir.path() / "noext", asString(makeJpeg(solidRgb(5, 1, 255, 0, 0), 5, 1, 3)));
  writeFile(dir.path() / "pic.d" / "inner", asString(makeJpeg(solidRgb(6, 1, 9, 9, 9), 6, 1, 3)));

  Image image;
  ASSERT_EQ(loadImage("TREE.TGA", image), 0);  // any case
  EXPECT_EQ(image.kind, kImageBgra);
  EXPECT_EQ(std::memcmp(image.pixels.get(), "\1\2\3\4", 4), 0);

  ASSERT_EQ(loadImage("flat.tga", image), 0);  // 24-bit TGA refused, its JPEG taken
  EXPECT_EQ(image.kind, kImageRgb);
  EXPECT_EQ(image.width, 2u);

  ASSERT_EQ(loadImage("photo.png", image), 0);
  EXPECT_EQ(image.width, 3u);
  ASSERT_EQ(loadImage("photo.bmp", image), 0);  // no BMP at all
  EXPECT_EQ(image.width, 3u);
  ASSERT_EQ(loadImage("noext", image), 0);
  EXPECT_EQ(image.width, 5u);
  ASSERT_EQ(loadImage("pic.d\\inner", image), 0);  // a dot in a folder is no extension
  EXPECT_EQ(image.width, 6u);

  EXPECT_EQ(loadImage("missing.bmp", image), -1);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(loadImage("", image), -1);
}

TEST(JpegDecode, GreyImageGivesEqualChannelsAndColourRoundTrips) {
  std::vector<std::uint8_t> grey(16 * 8);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i % 16 * 16);
  Image image;
  ASSERT_TRUE(decodeJpeg(makeJpeg(grey, 16, 8, 1, 100), image));
  ASSERT_EQ(image.kind, kImageRgb);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    const std::uint8_t* p = image.pixels.get() + 3 * i;
    ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "pixel " << i;
    ASSERT_TRUE(near(p[0], grey[i], 6)) << "pixel " << i;
  }

  ASSERT_TRUE(decodeJpeg(makeJpeg(solidRgb(17, 9, 30, 160, 220), 17, 9, 3), image));
  EXPECT_EQ(image.width, 17u);
  EXPECT_EQ(image.height, 9u);
  const std::uint8_t* last = image.pixels.get() + image.byteSize() - 3;
  EXPECT_TRUE(near(last[0], 30) && near(last[1], 160) && near(last[2], 220));
}

TEST(JpegDecode, CorruptTruncatedAndOversizedFilesFailCleanly) {
  std::vector<std::uint8_t> pixels(64 * 64 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
  const auto good = makeJpeg(pixels, 64, 64, 3);
  Image image;
  ASSERT_TRUE(decodeJpeg(good, image));
  for (std::size_t length : {std::size_t{0}, std::size_t{2}, std::size_t{100}, good.size() / 2, good.size() - 40}) {
    EXPECT_FALSE(decodeJpeg(std::span(good).first(length), image)) << length;
    EXPECT_EQ(image.pixels, nullptr);
  }
  std::vector<std::uint8_t> junk(500, 0xFF);
  EXPECT_FALSE(decodeJpeg(junk, image));

  // The frame header claims 60000 × 60000: refused before any pixel memory is taken.
  auto huge = good;
  for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0xEA;
      huge[i + 6] = huge[i + 8] = 0x60;
      break;
    }
  }
  EXPECT_FALSE(decodeJpeg(huge, image));

  // Damage inside the data: either a picture or a failure, never a crash.
  for (std::size_t at = 20; at < good.size(); at += 37) {
    auto bad = good;
    bad[at] ^= 0x5A;
    if (decodeJpeg(bad, image)) {
      EXPECT_EQ(image.width, 64u);
    }
  }
}

TEST(TgaDecode, AcceptsOnlyComplete32BitTrueColourFiles) {
  Image image;
  const std::vector<std::uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  auto good = makeTga(3, 1, pixels);
  ASSERT_TRUE(decodeTga(good, image));
  EXPECT_EQ(image.kind, kImageBgra);
  EXPECT_EQ(std::memcmp(image.pixels.get(), pixels.data(), pixels.size()), 0);

  EXPECT_FALSE(decodeTga(std::span(good).first(good.size() - 1), image));
  EXPECT_FALSE(decodeTga(std::span(good).first(17), image));
  EXPECT_FALSE(decodeTga(makeTga(0, 1, {}), image));
  auto topLeft = good;
  topLeft[17] = 0x28;  // origin top-left: not the form we accept
  EXPECT_FALSE(decodeTga(topLeft, image));
  auto rle = good;
  rle[2] = 10;
  EXPECT_FALSE(decodeTga(rle, image));
  auto withId = makeTga(3, 1, {0xEE, 0xEE});
  withId[0] = 2;  // a two-byte image ID in front of the pixels
  withId.insert(withId.end(), pixels.begin(), pixels.end());
  ASSERT_TRUE(decodeTga(withId, image));
  EXPECT_EQ(image.pixels[0], 1);
}

}  // namespace
}  // namespace skyloom
