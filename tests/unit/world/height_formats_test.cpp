#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "world/height_file.h"
#include "world/image_heights.h"
#include "world/text_grid.h"

namespace skyloom {
namespace {

// Big-endian signed samples as a height file stores them.
std::vector<std::uint8_t> bigEndian(const std::vector<int>& metres) {
  std::vector<std::uint8_t> out;
  for (int m : metres) {
    const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(m));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

std::vector<std::uint16_t> row(const HeightGrid& g, int z) {
  return {g.samples.begin() + z * g.width, g.samples.begin() + (z + 1) * g.width};
}

std::span<const std::uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(HeightFile, ConvertsMetresAndMendsEachRow) {
  // Whole metres land on whole sixths: 10 m is 60 units. Holes are voids (negative) and zeros.
  const std::vector<int> metres = {
      0,   -32768, 10, 0, 0, 40,     // starts with holes: they take the first height
      5,   32767,  0,  0, 0, 0,      // a run to the row's end repeats the height before it
      100, 0,      0,  0, 10, 0,     // interpolated downhill, then the last hole repeats
      0,   -1,     0,  -9999, 0, 0,  // nothing to mend from: stays sea
      1,   9000,   8999, 9001, 20, 30,
  };
  HeightGrid g;
  ASSERT_TRUE(heightGridFromSamples(bigEndian(metres), 6, 5, g));
  ASSERT_EQ(g.width, 6);
  ASSERT_EQ(g.height, 5);
  EXPECT_EQ(row(g, 0), (std::vector<std::uint16_t>{60, 60, 60, 120, 180, 240}));
  EXPECT_EQ(row(g, 1), (std::vector<std::uint16_t>{30, 54005, 54005, 54005, 54005, 54005}));
  EXPECT_EQ(row(g, 2), (std::vector<std::uint16_t>{600, 465, 330, 195, 60, 60}));
  EXPECT_EQ(row(g, 3), (std::vector<std::uint16_t>(6, 0)));
  // Above 9000 m counts as 9000 m.
  EXPECT_EQ(row(g, 4), (std::vector<std::uint16_t>{6, 54005, 53999, 54005, 120, 180}));

  // A one-sample row and a row of one height between holes.
  ASSERT_TRUE(heightGridFromSamples(bigEndian({0, 0, 7, 0}), 1, 4, g));
  EXPECT_EQ(g.samples, (std::vector<std::uint16_t>{0, 0, 42, 0}));
  ASSERT_TRUE(heightGridFromSamples(bigEndian({0, 0, 7, 0, 0}), 5, 1, g));
  EXPECT_EQ(g.samples, (std::vector<std::uint16_t>(5, 42)));
}

TEST(HeightFile, SizeComesFromTheLengthAlone) {
  EXPECT_EQ(heightFileShape(25934402).samples, 3601);
  EXPECT_EQ(heightFileShape(25934402).spacing, 5.01f);
  EXPECT_EQ(heightFileShape(2884802).samples, 1201);
  EXPECT_EQ(heightFileShape(2884802).spacing, 15.03f);
  for (std::uint64_t wrong : {std::uint64_t{0}, std::uint64_t{2}, std::uint64_t{25934401}, std::uint64_t{25934404},
                              std::uint64_t{2884803}, std::uint64_t{33177600}}) {
    EXPECT_EQ(heightFileShape(wrong).samples, 0) << wrong;
  }
  // Refused input leaves the caller's grid alone.
  HeightGrid g(2, 2);
  g.samples = {1, 2, 3, 4};
  float spacing = -1.0f;
  EXPECT_FALSE(parseHeightFile(bigEndian({1, 2, 3}), g, spacing));
  EXPECT_FALSE(heightGridFromSamples(bigEndian({1, 2, 3}), 2, 2, g));
  EXPECT_FALSE(heightGridFromSamples({}, 0, 0, g));
  EXPECT_EQ(g.samples, (std::vector<std::uint16_t>{1, 2, 3, 4}));
  EXPECT_EQ(spacing, -1.0f);
}

std::string header(char fill = '7') { return std::string(kTextGridHeaderBytes, fill); }

TEST(TextGrid, FillsColumnsWestToEastEachFromTheBottomRow) {
  HeightGrid g;
  // Digits in the header are not values.
  ASSERT_TRUE(parseTextGrid(bytesOf(header() + "1 2 3 4 5 6 7 8 9"), g, 3));
  EXPECT_EQ(g.at(0, 2), 6);  // the first value: column 0, last row
  EXPECT_EQ(g.at(0, 1), 12);
  EXPECT_EQ(g.at(0, 0), 18);
  EXPECT_EQ(g.at(1, 2), 24);
  EXPECT_EQ(g.at(2, 0), 54);  // the last value: last column, row 0
}

TEST(TextGrid, StoresBadWordsAsSeaAndClampsHeights) {
  HeightGrid g;
  const std::string text = header() + "  12345\t-9999\r\n12a  0 0000 9001\n0012   1234 4321 ";
  ASSERT_TRUE(parseTextGrid(bytesOf(text), g, 3));
  // Column 0 bottom-up: five digits, a sign and a letter each cost one sample and shift nothing.
  EXPECT_EQ(g.at(0, 2), 0);
  EXPECT_EQ(g.at(0, 1), 0);
  EXPECT_EQ(g.at(0, 0), 0);
  EXPECT_EQ(g.at(1, 2), 0);       // below 1 m
  EXPECT_EQ(g.at(1, 1), 0);
  EXPECT_EQ(g.at(1, 0), 54000);   // above 9000 m
  EXPECT_EQ(g.at(2, 2), 72);      // leading zeros are digits
  EXPECT_EQ(g.at(2, 1), 7404);
  EXPECT_EQ(g.at(2, 0), 25926);
  EXPECT_EQ(textGridHeight(1), 6);
  EXPECT_EQ(textGridHeight(9000), 54000);
  EXPECT_EQ(textGridHeight(65535), 54000);
}

TEST(TextGrid, ReadsTheSameWhereverTheTextIsSplit) {
  std::string text;
  for (int i = 0; i < 15; ++i) text += std::to_string(i * 611 % 9999) + (i % 3 ? " " : "   ");
  text += "4321";  // the last number runs to the end of the file
  HeightGrid whole;
  ASSERT_TRUE(parseTextGrid(bytesOf(header() + text), whole, 4));
  EXPECT_EQ(whole.at(3, 0), textGridHeight(4321));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    TextGridReader reader(4);
    reader.feed({bytes, cut});
    reader.feed({bytes + cut, text.size() - cut});
    reader.finish();
    ASSERT_TRUE(reader.full()) << cut;
    EXPECT_EQ(reader.takeGrid().samples, whole.samples) << cut;
  }
}

TEST(TextGrid, IgnoresExtraValuesAndRefusesShortTexts) {
  HeightGrid g(1, 1);
  g.samples = {77};
  EXPECT_FALSE(parseTextGrid(bytesOf(header() + "1 2 3"), g, 2));
  EXPECT_FALSE(parseTextGrid(bytesOf(header()), g, 1));
  EXPECT_FALSE(parseTextGrid(bytesOf("5 5 5 5 5"), g, 1));  // all of it header
  EXPECT_EQ(g.samples, (std::vector<std::uint16_t>{77}));
  ASSERT_TRUE(parseTextGrid(bytesOf(header() + "1 2 3 4 99999 junk 8"), g, 2));
  EXPECT_EQ(g.samples, (std::vector<std::uint16_t>{12, 24, 6, 18}));  // row 0 holds the second values
}

Image makeImage(std::uint32_t w, std::uint32_t h, int kind, std::vector<std::uint8_t> bytes) {
  Image image;
  image.width = w;
  image.height = h;
  image.kind = kind;
  image.pixels = std::make_unique<std::uint8_t[]>(bytes.size());
  std::memcpy(image.pixels.get(), bytes.data(), bytes.size());
  return image;
}

TEST(ImageHeights, FollowTheRippledBrightness) {
  // 3 × 2 RGB: values worked out by hand from the brightness and the ripple sin(0.1 r + 0.045 c).
  const Image rgb = makeImage(3, 2, kImageRgb,
                              {255, 0, 0, 30, 60, 90, 0, 0, 0,  //
                               90, 60, 30, 0, 0, 0, 0, 0, 0});
  const HeightGrid g = heightsFromImage(rgb);
  ASSERT_EQ(g.width, 3);
  ASSERT_EQ(g.height, 2);
  EXPECT_EQ(g.at(0, 0), 3306);  // 1/h + 1.1 × 500/h
  EXPECT_EQ(g.at(1, 0), 759);
  EXPECT_EQ(g.at(2, 0), 6);     // black is 1/h
  EXPECT_EQ(g.at(0, 1), 1509);  // the first byte weighs most

  // Four bytes a pixel: the first three count, rows as the loader delivers them.
  const Image bgra = makeImage(2, 3, kImageBgra, {0, 0, 0, 255, 0, 0, 0, 255,  //
                                                  0, 0, 0, 255, 0, 0, 0, 255,  //
                                                  0, 0, 0, 255, 255, 255, 255, 0});
  const HeightGrid b = heightsFromImage(bgra);
  EXPECT_EQ(b.at(0, 0), 6);
  EXPECT_EQ(b.at(1, 2), 5146);
  // The cap shows with a finer height unit.
  const Image white = makeImage(1, 1, kImageRgb, {255, 255, 255});
  EXPECT_EQ(heightsFromImage(white, 0.01f).at(0, 0), 60000);
  EXPECT_TRUE(heightsFromImage(Image{}).empty());
}

TEST(ImageHeights, PictureNamesDropFoldersAndTryABareNameAsJpeg) {
  EXPECT_EQ(terrainPictureNames("bmp"), (std::vector<std::string>{"pack\\bmp", "pack\\bmp.jpg"}));
  EXPECT_EQ(terrainPictureNames("maps\\alps.jpg"), (std::vector<std::string>{"pack\\alps.jpg"}));
  EXPECT_EQ(terrainPictureNames("/home/me/relief.bmp"), (std::vector<std::string>{"pack\\relief.bmp"}));
}

}  // namespace
}  // namespace skyloom
