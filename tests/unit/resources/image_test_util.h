#pragma once
// Pictures made in memory for the image and texture tests: BMPs of every header, depth and
// compression, 32-bit TGAs and JPEGs encoded on the spot, so no binary file is kept.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "resources/jpeg_encode.h"

namespace skyloom::testing {

struct BmpShape {
  std::uint32_t headerSize = 40;  // 12, 40, 108 or 124
  std::int32_t width = 1;
  std::int32_t height = 1;        // negative: top-down
  std::uint32_t bitsPerPixel = 24;
  std::uint32_t compression = 0;  // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
  std::vector<std::uint32_t> masks;    // red, green, blue for bit fields
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB entries, written as the header's entries
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint8_t> bits;      // stored rows or the RLE stream
  bool file = true;                    // "BM" file header in front
};

inline void putLE16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  v[at] = static_cast<std::uint8_t>(x);
  v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}

inline std::vector<std::uint8_t> makeBmp(const BmpShape& s) {
  std::vector<std::uint8_t> h(s.headerSize, 0);
  writeLE32(h.data(), s.headerSize);
  if (s.headerSize == 12) {
    putLE16(h, 4, static_cast<std::uint32_t>(s.width));
    putLE16(h, 6, static_cast<std::uint32_t>(s.height));
    putLE16(h, 8, 1);
    putLE16(h, 10, s.bitsPerPixel);
  } else {
    writeLE32(h.data() + 4, static_cast<std::uint32_t>(s.width));
    writeLE32(h.data() + 8, static_cast<std::uint32_t>(s.height));
    putLE16(h, 12, 1);
    putLE16(h, 14, s.bitsPerPixel);
    writeLE32(h.data() + 16, s.compression);
    writeLE32(h.data() + 20, s.compression == 1 || s.compression == 2 ? static_cast<std::uint32_t>(s.bits.size()) : 0);
    writeLE32(h.data() + 32, s.colorsUsed);
  }
  std::vector<std::uint8_t> masks;
  if (s.compression == 3) {
    for (std::size_t i = 0; i < 3; ++i) {
      if (s.headerSize > 40) {
        writeLE32(h.data() + 40 + 4 * i, s.masks[i]);
      } else {
        masks.resize(masks.size() + 4);
        writeLE32(masks.data() + 4 * i, s.masks[i]);
      }
    }
  }
  std::vector<std::uint8_t> table;
  for (std::uint32_t c : s.palette) {
    table.push_back(static_cast<std::uint8_t>(c));
    table.push_back(static_cast<std::uint8_t>(c >> 8));
    table.push_back(static_cast<std::uint8_t>(c >> 16));
    if (s.headerSize != 12) table.push_back(0);
  }
  std::vector<std::uint8_t> out;
  if (s.file) {
    out.assign(14, 0);
    out[0] = 'B';
    out[1] = 'M';
    const std::size_t offset = 14 + h.size() + masks.size() + table.size();
    writeLE32(out.data() + 2, static_cast<std::uint32_t>(offset + s.bits.size()));
    writeLE32(out.data() + 10, static_cast<std::uint32_t>(offset));
  }
  using Part = const std::vector<std::uint8_t>*;
  for (Part part : std::initializer_list<Part>{&h, &masks, &table, &s.bits}) {
    out.insert(out.end(), part->begin(), part->end());
  }
  return out;
}

// A 32-bit TGA with 8 alpha bits, origin bottom-left; bgra holds the rows as stored.
inline std::vector<std::uint8_t> makeTga(std::uint16_t width, std::uint16_t height, const std::vector<std::uint8_t>& bgra) {
  std::vector<std::uint8_t> out(18 + bgra.size(), 0);
  std::copy(bgra.begin(), bgra.end(), out.begin() + 18);
  out[2] = 2;
  putLE16(out, 12, width);
  putLE16(out, 14, height);
  out[16] = 32;
  out[17] = 8;
  return out;
}

inline std::vector<std::uint8_t> makeJpeg(const std::vector<std::uint8_t>& pixels, std::uint32_t width,
                                          std::uint32_t height, int components, int quality = 95) {
  std::vector<std::uint8_t> out;
  encodeJpeg(pixels.data(), width, height, components, quality, out);
  return out;
}

inline std::string asString(const std::vector<std::uint8_t>& v) { return {v.begin(), v.end()}; }

}  // namespace skyloom::testing
