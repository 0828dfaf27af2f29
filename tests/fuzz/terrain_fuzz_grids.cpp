// The in-memory terrain loaders under terrain_fuzz (kinds 1 to 4 of its first byte):
//   text grid: byte 1 the grid's side (1..32), byte 2 where the text is split in two pieces;
//      the rest is the text after the header (and, whole, a file with a header)
//   picture heights: bytes 1-2 the picture's size (1..16 each), byte 3 three or four bytes a
//      pixel, byte 4 the height unit; the rest the pixels, repeated to fill the picture
//   height file samples on a small grid: byte 1 the width (1..64); the rest big-endian
//      samples, as many whole rows as there are
//   height file length check on the rest as a whole file
// Whatever comes back must keep the loaders' promises: a grid of the size asked for, heights
// within their ceilings, no hole left in a height file row that has any height.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "resources/image.h"
#include "world/height_file.h"
#include "world/image_heights.h"
#include "world/text_grid.h"
#include "terrain_fuzz_grids.h"

using namespace skyloom;

namespace {

void require(bool ok) {
  if (!ok) __builtin_trap();
}

void fuzzTextGrid(std::span<const std::uint8_t> in) {
  if (in.size() < 2) return;
  const int side = in[0] % 32 + 1;
  const std::span<const std::uint8_t> text = in.subspan(2);
  const std::size_t cut = std::min<std::size_t>(in[1], text.size());
  TextGridReader reader(side);
  reader.feed(text.first(cut));
  reader.feed(text.subspan(cut));
  reader.finish();
  require(reader.valuesStored() <= static_cast<std::size_t>(side) * side);
  if (reader.full()) {
    const HeightGrid grid = reader.takeGrid();
    require(grid.width == side && grid.height == side);
    for (std::uint16_t s : grid.samples) require(s <= textGridHeight(kTextGridMaxMetres));
  }
  HeightGrid whole;
  if (parseTextGrid(text, whole, side)) require(whole.width == side && whole.samples.size() == std::size_t(side) * side);
}

void fuzzImageHeights(std::span<const std::uint8_t> in) {
  if (in.size() < 5) return;
  Image image;
  image.width = in[0] % 16 + 1;
  image.height = in[1] % 16 + 1;
  image.kind = in[2] % 2 ? kImageBgra : kImageRgb;
  const float unit = (in[3] + 1) / 512.0f;
  const std::span<const std::uint8_t> pixels = in.subspan(4);
  image.pixels = std::make_unique<std::uint8_t[]>(image.byteSize());
  for (std::size_t i = 0; i < image.byteSize(); ++i) image.pixels[i] = pixels.empty() ? 0 : pixels[i % pixels.size()];
  const HeightGrid grid = heightsFromImage(image, unit);
  require(grid.width == static_cast<int>(image.width) && grid.height == static_cast<int>(image.height));
  for (std::uint16_t s : grid.samples) require(s <= kImageMaxHeight);
}

void fuzzHeightRows(std::span<const std::uint8_t> in) {
  if (in.empty()) return;
  const int width = in[0] % 64 + 1;
  const std::size_t rows = (in.size() - 1) / (2 * std::size_t(width));
  HeightGrid grid;
  const bool ok = heightGridFromSamples(in.subspan(1, rows * 2 * width), width, static_cast<int>(rows), grid);
  require(ok == (rows > 0));
  if (!ok) return;
  HeightGrid ceiling;
  require(heightGridFromSamples(std::vector<std::uint8_t>{0x23, 0x28}, 1, 1, ceiling));  // 9000 m
  for (int z = 0; z < grid.height; ++z) {
    const auto* row = &grid.at(0, z);
    const bool sea = std::all_of(row, row + width, [](std::uint16_t s) { return s == 0; });
    for (int x = 0; x < width; ++x) require(row[x] <= ceiling.samples[0] && (sea || row[x] != 0));
  }
}

void fuzzHeightFileLength(std::span<const std::uint8_t> in) {
  HeightGrid grid;
  float spacing = 0;
  const bool ok = parseHeightFile(in, grid, spacing);
  require(ok == (heightFileShape(in.size()).samples != 0));
  if (ok) require(grid.samples.size() * 2 == in.size());
}

void writeSeed(const std::string& dir, const char* name, std::uint8_t selector, const std::string& body) {
  const std::string path = dir + "/" + name;
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputc(kFirstGridKind + selector, f);
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
  }
}

// A literal with its NUL bytes kept.
template <std::size_t N>
std::string raw(const char (&s)[N]) {
  return std::string(s, N - 1);
}

std::string bigEndian(std::initializer_list<int> metres) {
  std::string out;
  for (int m : metres) {
    const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(m));
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v & 0xFF);
  }
  return out;
}

}  // namespace

int writeGridSeeds(const std::string& dir) {
  // Text grids of side 3 (selector byte, side − 1, split point, text).
  writeSeed(dir, "text_plain", 0, raw("\x02\x05") + "1 2 3 4 5 6 7 8 9");
  writeSeed(dir, "text_odd_words", 0, raw("\x02\x0c") + "12345 -9999\r\n0 0012\t9001  42 7 x1 8888 ");
  writeSeed(dir, "text_side_one", 0, raw("\x00\x00") + "   4321");
  // Pictures: a 4 × 2 RGB ramp and a 2 × 2 BGRA one.
  writeSeed(dir, "image_rgb", 1, raw("\x03\x01\x00\x54") + raw("\x00\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0\xc0\xd0\xe0\xff"));
  writeSeed(dir, "image_bgra", 1, raw("\x01\x01\x01\x00") + raw("\xff\x00\x00\xff\x00\xff\x00\x80"));
  // Height file rows with holes at the start, inside and at the end, and a void row.
  writeSeed(dir, "rows", 2, raw("\x05") + bigEndian({0, -32768, 10, 0, 0, 40,  //
                                                             5, 9001, 0, 0, 0, 0,      //
                                                             -1, 0, 0, 0, 0, 0}));
  writeSeed(dir, "rows_single", 2, raw("\x00") + bigEndian({0, 7, 0, -5}));
  writeSeed(dir, "length", 3, bigEndian({1, 2, 3, 4}));
  return 0;
}

void fuzzGridKind(int kind, std::span<const std::uint8_t> body) {
  switch (kind) {
    case 0: fuzzTextGrid(body); break;
    case 1: fuzzImageHeights(body); break;
    case 2: fuzzHeightRows(body); break;
    default: fuzzHeightFileLength(body); break;
  }
}

