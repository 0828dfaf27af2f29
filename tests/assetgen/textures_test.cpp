// The generated pictures: every one loads through the program's loader as what its user expects,
// the land textures tile, and each picture has the layout its user reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "assetgen.h"
#include "resources/image.h"
#include "resources/pack_test_util.h"
#include "tex_files.h"
#include "tex_makers.h"
#include "tex_noise.h"
#include "tex_picture.h"

namespace skyloom::assetgen {
namespace {

using skyloom::testing::ScratchDir;

// The files are made once for the whole suite; generating them takes a second or two.
class Textures : public ::testing::Test {
 protected:
  // Written once by writeTextures into a folder of the suite; the tests read what it wrote.
  static void SetUpTestSuite() {
    files_ = new std::vector<TextureFile>;
    packDir_ = new fs::path(fs::temp_directory_path() / "skyloom_textures_suite" / "pack");
    std::error_code ec;
    fs::remove_all(packDir_->parent_path(), ec);
    ASSERT_TRUE(writeTextures(*packDir_));
    for (const auto& entry : fs::directory_iterator(*packDir_)) {
      const std::string bytes = skyloom::testing::readFile(entry.path());
      files_->push_back({entry.path().filename().string(), {bytes.begin(), bytes.end()}});
    }
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(packDir_->parent_path(), ec);
    delete files_;
    delete packDir_;
    files_ = nullptr;
    packDir_ = nullptr;
  }

  static const TextureFile* find(const std::string& name) {
    for (const TextureFile& f : *files_) {
      if (f.name == name) return &f;
    }
    return nullptr;
  }

  static Image decoded(const std::string& name) {
    Image image;
    const TextureFile* f = find(name);
    if (f == nullptr) return image;
    const std::span<const std::uint8_t> bytes(f->bytes);
    if (name.ends_with(".bmp")) {
      decodeBmp(bytes, image);
    } else if (name.ends_with(".tga")) {
      decodeTga(bytes, image);
    } else {
      decodeJpeg(bytes, image);
    }
    return image;
  }

  static std::vector<TextureFile>* files_;
  static fs::path* packDir_;
};

std::vector<TextureFile>* Textures::files_ = nullptr;
fs::path* Textures::packDir_ = nullptr;

const std::uint8_t* pixel(const Image& image, std::uint32_t x, std::uint32_t y) {
  return image.pixels.get() + (std::size_t{y} * image.width + x) * image.bytesPerPixel();
}

int luminance(const Image& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = pixel(image, x, y);
  return (p[0] + 2 * p[1] + p[2]) / 4;
}

// Mean absolute difference between column (or row) a and b, over all channels.
double lineDifference(const Image& image, std::uint32_t a, std::uint32_t b, bool columns) {
  const std::uint32_t n = columns ? image.height : image.width;
  double sum = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint8_t* p = columns ? pixel(image, a, i) : pixel(image, i, a);
    const std::uint8_t* q = columns ? pixel(image, b, i) : pixel(image, i, b);
    for (int c = 0; c < 3; ++c) sum += std::abs(p[c] - q[c]);
  }
  return sum / (3.0 * n);
}

TEST_F(Textures, EveryPictureLoadsThroughTheProgramsLoaderAsItsUserExpects) {
  struct Expected {
    const char* path;
    int kind;
    std::uint32_t width, height;
  };
  const std::vector<Expected> expected = {
      {"pack\\land200.jpg", kImageRgb, 512, 512}, {"pack\\land201.jpg", kImageRgb, 512, 512},
      {"pack\\land202.jpg", kImageRgb, 512, 512}, {"pack\\land203.jpg", kImageRgb, 512, 512},
      {"pack\\land204.jpg", kImageRgb, 512, 512}, {"pack\\land205.jpg", kImageRgb, 512, 512},
      {"pack\\land206.jpg", kImageRgb, 512, 512}, {"pack\\land207.jpg", kImageRgb, 512, 512},
      {"pack\\tree.tga", kImageBgra, 256, 128},   {"pack\\building.jpg", kImageRgb, 256, 256},
      {"pack\\clouds.bmp", kImageRgb, 512, 512},  {"pack\\trailfog.bmp", kImageRgb, 128, 64},
      {"pack\\r_fire02.bmp", kImageRgb, 128, 64}, {"pack\\button.jpg", kImageRgb, 256, 256},
      {"pack\\bmp.jpg", kImageRgb, 512, 512},    {"pack\\detail.jpg", kImageRgb, 128, 128},
  };
  EXPECT_EQ(files_->size(), expected.size());
  // With no pack open the loader reads loose files under "pack" of the current folder.
  ScratchDir dir;
  fs::copy(*packDir_, dir.path() / "pack");

  for (const Expected& e : expected) {
    SCOPED_TRACE(e.path);
    EXPECT_NE(find(std::string(e.path).substr(5)), nullptr);
    Image image;
    ASSERT_EQ(loadImage(e.path, image), 0);
    EXPECT_EQ(image.kind, e.kind);
    EXPECT_EQ(image.width, e.width);
    EXPECT_EQ(image.height, e.height);
  }
  // The ".bmp" names are real 24-bit BMPs, not JPEGs found by the fallback: no palette (which
  // would key out a colour) and no compression loss in the soft gradients.
  for (const char* name : {"clouds.bmp", "trailfog.bmp", "r_fire02.bmp"}) {
    ASSERT_NE(find(name), nullptr);
    const TextureFile& f = *find(name);
    EXPECT_EQ(f.bytes[0], 'B');
    EXPECT_EQ(f.bytes[1], 'M');
    EXPECT_EQ(f.bytes[28], 24) << name;  // bits per pixel
  }
}

TEST_F(Textures, GenerationGivesTheSameBytesEveryTime) {
  std::vector<TextureFile> again;
  ASSERT_TRUE(makeTextureFiles(again));
  ASSERT_EQ(again.size(), files_->size());
  for (const TextureFile& f : again) {
    const TextureFile* written = find(f.name);
    ASSERT_NE(written, nullptr) << f.name;
    EXPECT_TRUE(f.bytes == written->bytes) << f.name;
  }
}

TEST_F(Textures, LandTexturesTileWithoutASeamAndWithoutBroadBlotches) {
  for (int k = 0; k < kGroundClassCount; ++k) {
    const std::string name = "land20" + std::to_string(k) + ".jpg";
    SCOPED_TRACE(name);
    const Image image = decoded(name);
    ASSERT_EQ(image.width, 512u);
    const std::uint32_t last = image.width - 1;

    // Across the wrap the picture changes no more than between neighbours inside it. The wrap
    // is also the edge of a JPEG block (16 texels with halved chroma), so it is compared with
    // the other block edges inside the picture.
    double inside = 0;
    int pairs = 0;
    for (std::uint32_t i = 15; i < last; i += 16, pairs += 2) {
      inside += lineDifference(image, i, i + 1, true) + lineDifference(image, i, i + 1, false);
    }
    inside /= pairs;
    const double wrapX = lineDifference(image, last, 0, true);
    const double wrapY = lineDifference(image, last, 0, false);
    EXPECT_LE(wrapX, inside * 1.25 + 0.5);
    EXPECT_LE(wrapY, inside * 1.25 + 0.5);

    // The means of 64 × 64 blocks stay close: a broad light or dark patch would repeat across
    // the ground as a visible grid.
    std::vector<double> blocks;
    double total = 0;
    for (std::uint32_t by = 0; by < 8; ++by) {
      for (std::uint32_t bx = 0; bx < 8; ++bx) {
        double sum = 0;
        for (std::uint32_t y = by * 64; y < by * 64 + 64; ++y) {
          for (std::uint32_t x = bx * 64; x < bx * 64 + 64; ++x) sum += luminance(image, x, y);
        }
        blocks.push_back(sum / 4096.0);
        total += sum / 4096.0;
      }
    }
    const double mean = total / 64.0;
    double variance = 0;
    for (double b : blocks) variance += (b - mean) * (b - mean);
    const double spread = std::sqrt(variance / 64.0) / mean;
    EXPECT_LT(spread, k == kFields ? 0.15 : 0.06);
  }
}

TEST_F(Textures, GrassDoublesAsANoisePictureWithWidelySpreadRedBytes) {
  const Image grass = decoded("land202.jpg");
  ASSERT_EQ(grass.width, 512u);
  ASSERT_EQ(grass.height, 512u);
  // The red byte less 160 shifts ground classes by metres; it must neither sit on one value nor
  // drop so low that plains at sea level turn into speckles of water.
  std::set<int> firstRow;
  double sum = 0;
  double sumSquares = 0;
  int veryLow = 0;
  int lowest = 255;
  int highest = 0;
  for (std::uint32_t y = 0; y < 512; ++y) {
    for (std::uint32_t x = 0; x < 512; ++x) {
      const int r = pixel(grass, x, y)[0];
      if (y == 0) firstRow.insert(r);
      sum += r;
      sumSquares += r * r;
      veryLow += r <= 64;
      lowest = std::min(lowest, r);
      highest = std::max(highest, r);
    }
  }
  const double mean = sum / (512.0 * 512.0);
  const double deviation = std::sqrt(sumSquares / (512.0 * 512.0) - mean * mean);
  EXPECT_GE(firstRow.size(), 40u);
  EXPECT_GE(deviation, 12.0);
  EXPECT_GE(highest - lowest, 100);
  EXPECT_LE(veryLow, 512 * 512 / 10000);
  // Trees and buildings take offsets and kinds from all three bytes: they vary too.
  std::set<int> greens, blues;
  for (std::uint32_t x = 0; x < 512; ++x) {
    greens.insert(pixel(grass, x, 7)[1]);
    blues.insert(pixel(grass, x, 7)[2]);
  }
  EXPECT_GE(greens.size(), 30u);
  EXPECT_GE(blues.size(), 20u);
}

TEST_F(Textures, TreesStandOnTheBottomEdgeOfTheirCellsWithoutDarkFringes) {
  const Image tree = decoded("tree.tga");
  ASSERT_EQ(tree.kind, kImageBgra);
  const std::uint32_t top = tree.height - 1;  // rows are stored bottom first
  for (int kind = 0; kind < kTreeKinds; ++kind) {
    SCOPED_TRACE(kind);
    const std::uint32_t x0 = static_cast<std::uint32_t>(kind * kTreeCellWidth);
    const std::uint32_t centre = x0 + kTreeCellWidth / 2;
    EXPECT_EQ(pixel(tree, centre, 0)[3], 255);       // the trunk's foot on the bottom edge
    EXPECT_GT(pixel(tree, centre, top / 2)[3], 200);  // the crown in the middle
    EXPECT_EQ(pixel(tree, x0, top)[3], 0);            // clear corners
    EXPECT_EQ(pixel(tree, x0 + kTreeCellWidth - 1, 0)[3], 0);
    EXPECT_EQ(pixel(tree, x0, 0)[3], 0);
  }
  // Transparent texels keep a foliage colour, so filtering never blends black into the edge.
  for (std::uint32_t y = 0; y < tree.height; ++y) {
    for (std::uint32_t x = 0; x < tree.width; ++x) {
      const std::uint8_t* p = pixel(tree, x, y);  // B, G, R, A
      if (p[3] == 0) {
        ASSERT_GT(p[1], 60) << x << "," << y;
      }
    }
  }
}

TEST_F(Textures, EachCloudCellHoldsACloudThatFadesOutBeforeTheCellsEdge) {
  const Image clouds = decoded("clouds.bmp");
  const std::uint32_t cell = clouds.width / 4;
  for (std::uint32_t c = 0; c < 16; ++c) {
    SCOPED_TRACE(c);
    const std::uint32_t x0 = (c % 4) * cell;
    const std::uint32_t y0 = (c / 4) * cell;
    int brightest = 0;
    int edge = 0;
    for (std::uint32_t i = 0; i < cell; ++i) {
      for (std::uint32_t j = 0; j < cell; ++j) brightest = std::max(brightest, luminance(clouds, x0 + i, y0 + j));
      for (std::uint32_t e : {0u, cell - 1}) {
        edge = std::max({edge, luminance(clouds, x0 + i, y0 + e), luminance(clouds, x0 + e, y0 + i)});
      }
    }
    EXPECT_GT(brightest, 180);
    EXPECT_LE(edge, 2);
  }
}

TEST_F(Textures, TrailSmokeRepeatsAlongTheTrailAndFadesAtTheRibbonEdges) {
  const Image fog = decoded("trailfog.bmp");
  const std::uint32_t last = fog.width - 1;
  double inside = 0;
  for (std::uint32_t i = 0; i < last; ++i) inside += lineDifference(fog, i, i + 1, true);
  EXPECT_LE(lineDifference(fog, last, 0, true), inside / last * 1.5 + 0.5);
  // v 0.05 and 0.95 are the ribbon's edges, v 0.5 its middle.
  const auto rowMean = [&](double v) {
    const auto y = static_cast<std::uint32_t>(v * fog.height);
    int sum = 0;
    for (std::uint32_t x = 0; x < fog.width; ++x) sum += luminance(fog, x, y);
    return sum / static_cast<int>(fog.width);
  };
  EXPECT_GT(rowMean(0.5), 150);
  EXPECT_LT(rowMean(0.05), 40);
  EXPECT_LT(rowMean(0.95), 40);
}

TEST_F(Textures, FlameIsWhiteHotAtTheNozzleAndFadesToBlackAtTheTip) {
  const Image flame = decoded("r_fire02.bmp");
  const std::uint32_t middle = flame.height / 2;
  const auto at = [&](double u) { return pixel(flame, static_cast<std::uint32_t>(u * flame.width), middle); };
  const std::uint8_t* nozzle = at(0.15);
  EXPECT_GT(nozzle[0], 240);
  EXPECT_GT(nozzle[1], 230);
  EXPECT_GT(nozzle[2], 150);
  const std::uint8_t* ring = at(0.45);
  EXPECT_GT(ring[0], 240);
  EXPECT_GT(ring[0], ring[2] + 80);  // yellow to orange
  const std::uint8_t* tip = at(0.95);
  EXPECT_LT(tip[0] + tip[1] + tip[2], 30);
  // Black around the flame adds nothing to the scene.
  EXPECT_LT(luminance(flame, flame.width - 1, 0), 3);
}

// Bright texels (the symbol) in a column or row band of an icon cell of the atlas.
int symbolTexels(const Image& atlas, int icon, int x0, int x1, int y0, int y1) {
  const int cell = static_cast<int>(atlas.width) / 4;
  int count = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      count += luminance(atlas, static_cast<std::uint32_t>((icon % 4) * cell + x),
                         static_cast<std::uint32_t>((icon / 4) * cell + y)) > 160;
    }
  }
  return count;
}

TEST_F(Textures, ButtonAtlasHoldsTheIconsInThePanelsOrder) {
  const Image atlas = decoded("button.jpg");
  ASSERT_EQ(atlas.width, 256u);
  for (int i = 0; i < kButtonIcons; ++i) EXPECT_GT(symbolTexels(atlas, i, 0, 64, 0, 64), 150) << i;
  // play (1) points right: tall at its left, narrow at its right.
  EXPECT_GT(symbolTexels(atlas, 1, 22, 26, 0, 64), 3 * symbolTexels(atlas, 1, 44, 48, 0, 64));
  // pause (2): two bars with a gap down the middle.
  EXPECT_EQ(symbolTexels(atlas, 2, 30, 34, 0, 64), 0);
  EXPECT_GT(symbolTexels(atlas, 2, 22, 26, 0, 64), 80);
  // stop (3): a full square round the middle.
  EXPECT_EQ(symbolTexels(atlas, 3, 24, 40, 24, 40), 256);
  // previous (0) and next (4) are mirror images: the triangles' tips lie beside the bar.
  EXPECT_GT(symbolTexels(atlas, 4, 19, 21, 0, 64), 3 * symbolTexels(atlas, 0, 19, 21, 0, 64));
  EXPECT_GT(symbolTexels(atlas, 0, 43, 45, 0, 64), 3 * symbolTexels(atlas, 4, 43, 45, 0, 64));
  // open (5), an eject sign: a triangle above a bar, nothing at the very bottom.
  EXPECT_GT(symbolTexels(atlas, 5, 0, 64, 40, 44), 60);
  EXPECT_EQ(symbolTexels(atlas, 5, 0, 64, 52, 64), 0);
}

// The grain repeats every few metres: it must tile, stay bright (it darkens what it modulates)
// and still show a mottle.
TEST_F(Textures, DetailGrainTilesAndStaysBright) {
  const Image grain = decoded("detail.jpg");
  ASSERT_EQ(grain.width, static_cast<std::uint32_t>(kDetailSide));
  double sum = 0, sumSquares = 0;
  for (std::uint32_t y = 0; y < grain.height; ++y) {
    for (std::uint32_t x = 0; x < grain.width; ++x) {
      const double v = luminance(grain, x, y);
      sum += v;
      sumSquares += v * v;
    }
  }
  const double n = static_cast<double>(grain.width) * grain.height;
  const double mean = sum / n, deviation = std::sqrt(sumSquares / n - mean * mean);
  EXPECT_GT(mean, 215.0);
  EXPECT_LT(mean, 245.0);
  EXPECT_GT(deviation, 4.0);
  const std::uint32_t last = grain.width - 1;
  double inside = 0;
  int pairs = 0;
  for (std::uint32_t i = 15; i < last; i += 16, pairs += 2) {
    inside += lineDifference(grain, i, i + 1, true) + lineDifference(grain, i, i + 1, false);
  }
  inside /= pairs;
  // Single-texel specks make any one line pair noisy; a seam would stand far above that.
  EXPECT_LE(lineDifference(grain, last, 0, true), inside * 1.5 + 1.0);
  EXPECT_LE(lineDifference(grain, last, 0, false), inside * 1.5 + 1.0);
}

TEST_F(Textures, HeightPictureGivesPlainsHillsAndMountains) {
  const Image map = decoded("bmp.jpg");
  ASSERT_EQ(map.width, 512u);
  // The terrain's own rule: metres = 1 + wave × (b0 + 0.3 b1 + 0.1 b2) / 255 × 500.
  int plains = 0;
  double highest = 0;
  for (std::uint32_t r = 0; r < map.height; ++r) {
    for (std::uint32_t c = 0; c < map.width; ++c) {
      const std::uint8_t* p = pixel(map, c, r);
      const double wave = std::sin(0.1 * r + 0.045 * c) * 0.511 + 1.1;
      const double metres = 1.0 + wave * (p[0] / 255.0 + 0.3 * p[1] / 255.0 + 0.1 * p[2] / 255.0) * 500.0;
      plains += metres < 60.0;
      highest = std::max(highest, metres);
    }
  }
  const int total = static_cast<int>(map.width * map.height);
  EXPECT_GT(plains, total / 10);
  EXPECT_LT(plains, total * 7 / 10);
  EXPECT_GT(highest, 700.0);
  EXPECT_LT(highest, 60000 / 6.0);
}

TEST(TextureNoise, RepeatsExactlyOverItsPeriodAndStaysInRange) {
  for (float v : {0.0f, 0.37f, 0.99f}) {
    for (float u : {0.0f, 0.13f, 0.5f, 0.875f}) {
      EXPECT_FLOAT_EQ(gradientNoise(u * 8.0f, v * 8.0f, 8, 5), gradientNoise(u * 8.0f + 8.0f, v * 8.0f - 8.0f, 8, 5));
      // The fractal sums sample the unit square, so x and x + 1 meet.
      EXPECT_NEAR(fbm(u, v, 4, 5, 0.5f, 9), fbm(u + 1.0f, v, 4, 5, 0.5f, 9), 1e-4f);
      EXPECT_NEAR(ridged(u, v, 4, 5, 0.5f, 9), ridged(u, v + 1.0f, 4, 5, 0.5f, 9), 1e-4f);
      const CellSample a = cellNoise(u, v, 16, 3);
      const CellSample b = cellNoise(u + 1.0f, v + 1.0f, 16, 3);
      EXPECT_EQ(a.id, b.id);
      EXPECT_NEAR(a.nearest, b.nearest, 1e-3f);
    }
  }
  float lowest = 0.0f;
  float highest = 0.0f;
  for (int i = 0; i < 4096; ++i) {
    const float n = gradientNoise(static_cast<float>(i % 64) * 0.37f, static_cast<float>(i / 64) * 0.29f, 32, 1);
    lowest = std::min(lowest, n);
    highest = std::max(highest, n);
  }
  EXPECT_GT(highest, 0.5f);
  EXPECT_LT(lowest, -0.5f);
  EXPECT_LE(highest, 1.5f);
  EXPECT_GE(lowest, -1.5f);
}

TEST(TextureWriters, BmpAndTgaRoundTripThroughTheProgramsDecoders) {
  // Odd widths make BMP rows need padding; the TGA stores its bottom row first.
  for (int width : {1, 3, 5, 8}) {
    Picture p(width, 3, 4);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        float* px = p.at(x, y);
        px[0] = static_cast<float>(10 * x + y);
        px[1] = static_cast<float>(100 + y);
        px[2] = static_cast<float>(200 + x);
        px[3] = static_cast<float>(50 * y);
      }
    }
    Image bmp;
    const std::vector<std::uint8_t> bmpBytes = encodeBmp24(p);
    ASSERT_TRUE(decodeBmp(bmpBytes, bmp)) << width;
    EXPECT_EQ(bmp.kind, kImageRgb);
    Image tga;
    const std::vector<std::uint8_t> tgaBytes = encodeTga32(p);
    ASSERT_TRUE(decodeTga(tgaBytes, tga)) << width;
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        const float* want = p.at(x, y);
        const std::uint8_t* rgb = pixel(bmp, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
        EXPECT_EQ(rgb[0], want[0]);
        EXPECT_EQ(rgb[1], want[1]);
        EXPECT_EQ(rgb[2], want[2]);
        const std::uint8_t* bgra = pixel(tga, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(2 - y));
        EXPECT_EQ(bgra[0], want[2]);
        EXPECT_EQ(bgra[2], want[0]);
        EXPECT_EQ(bgra[3], want[3]);
      }
    }
  }
  // Values out of the byte range are clamped, not wrapped.
  Picture extreme(2, 1, 3);
  extreme.set(0, 0, -20.0f, 300.0f, 127.6f);
  const std::vector<std::uint8_t> bytes = toBytes(extreme);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[1], 255);
  EXPECT_EQ(bytes[2], 128);
}

}  // namespace
}  // namespace skyloom::assetgen
