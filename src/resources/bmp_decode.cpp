// BMP pixels into packed R, G, B rows, top row first: uncompressed rows of every depth and the
// two run-length encodings. Pixels an RLE stream never sets (skipped by a delta or an early end
// of line or of the bitmap) stay black, as they do when the system converts the same bits into
// a fresh 24-bit bitmap.
#include <cstring>

#include "core/bytes.h"
#include "resources/bmp_layout.h"
#include "resources/image.h"

namespace skyloom {

namespace {

class RgbRows {
 public:
  RgbRows(std::uint8_t* pixels, const BmpLayout& layout) : pixels_(pixels), layout_(layout) {}

  // Stored row r (0 = first in the file) as an output row.
  std::uint8_t* row(std::uint32_t r) const {
    const std::uint32_t y = layout_.topDown ? r : layout_.height - 1 - r;
    return pixels_ + std::size_t{y} * layout_.width * 3;
  }
  // Colours outside the table come out black, as in the system's conversion.
  void putIndex(std::uint8_t* rgb, std::uint32_t index) const {
    if (index < layout_.paletteSize) {
      std::memcpy(rgb, layout_.palette[index].data(), 3);
    } else {
      rgb[0] = rgb[1] = rgb[2] = 0;
    }
  }
  void putMasked(std::uint8_t* rgb, std::uint32_t pixel) const {
    for (int c = 0; c < 3; ++c) rgb[c] = bmpChannelValue(pixel, layout_.channels[c]);
  }

 private:
  std::uint8_t* pixels_;
  const BmpLayout& layout_;
};

void decodeRow(const RgbRows& out, const BmpLayout& layout, const std::uint8_t* src, std::uint8_t* dst) {
  const std::uint32_t bpp = layout.bitsPerPixel;
  for (std::uint32_t x = 0; x < layout.width; ++x, dst += 3) {
    switch (bpp) {
      case 1: case 4: case 8: {
        const std::uint32_t perByte = 8 / bpp;
        const std::uint32_t shift = 8 - bpp * (x % perByte + 1);
        out.putIndex(dst, (src[x / perByte] >> shift) & ((1u << bpp) - 1));
        break;
      }
      case 16: out.putMasked(dst, readLE16(src + 2 * x)); break;
      case 24: dst[0] = src[3 * x + 2]; dst[1] = src[3 * x + 1]; dst[2] = src[3 * x]; break;
      default: out.putMasked(dst, readLE32(src + 4 * x)); break;
    }
  }
}

void decodeUncompressed(const RgbRows& out, const BmpLayout& layout) {
  const std::size_t stride = static_cast<std::size_t>(bmpRowStride(layout.width, layout.bitsPerPixel));
  for (std::uint32_t r = 0; r < layout.height; ++r) {
    decodeRow(out, layout, layout.bits.data() + std::size_t{r} * stride, out.row(r));
  }
}

// Walks an RLE8 or RLE4 stream. Runs do not wrap: pixels past the end of a row are dropped
// until an end-of-line code moves on. The stream is complete at its end-of-bitmap code or once
// every row has been passed; running out of bytes before that means a truncated file.
class RleDecoder {
 public:
  RleDecoder(const RgbRows& out, const BmpLayout& layout)
      : out_(out), layout_(layout), bits_(layout.bits), four_(layout.compression == kBmpRle4) {}

  bool run() {
    while (y_ < layout_.height) {
      if (bits_.size() - pos_ < 2) return false;
      const std::uint8_t count = bits_[pos_];
      const std::uint8_t value = bits_[pos_ + 1];
      pos_ += 2;
      if (count > 0) {
        repeat(count, value);
      } else if (value == 0) {
        x_ = 0;
        ++y_;
      } else if (value == 1) {
        return true;
      } else if (value == 2) {
        if (bits_.size() - pos_ < 2) return false;
        x_ += bits_[pos_];
        y_ += bits_[pos_ + 1];
        pos_ += 2;
      } else if (!literal(value)) {
        return false;
      }
    }
    return true;
  }

 private:
  // A run alternates the two halves of value in RLE4 (high half first).
  void repeat(std::uint32_t count, std::uint8_t value) {
    for (std::uint32_t i = 0; i < count; ++i) {
      put(four_ ? ((i & 1) ? value & 0x0F : value >> 4) : value);
    }
  }

  // count pixels stored as they are, in bytes padded to a 16-bit boundary.
  bool literal(std::uint32_t count) {
    const std::size_t bytes = four_ ? (count + 1) / 2 : count;
    if (bits_.size() - pos_ < bytes) return false;
    const std::uint8_t* p = bits_.data() + pos_;
    for (std::uint32_t i = 0; i < count; ++i) {
      put(four_ ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
    }
    pos_ += bytes + (bytes & 1);
    if (pos_ > bits_.size()) pos_ = bits_.size();
    return true;
  }

  void put(std::uint32_t index) {
    if (x_ < layout_.width && y_ < layout_.height) out_.putIndex(out_.row(y_) + std::size_t{x_} * 3, index);
    if (x_ <= layout_.width) ++x_;  // stays just past the row once there; no overflow on long runs
  }

  const RgbRows& out_;
  const BmpLayout& layout_;
  std::span<const std::uint8_t> bits_;
  bool four_;
  std::size_t pos_ = 0;
  std::uint64_t x_ = 0;
  std::uint64_t y_ = 0;  // stored row, bottom row first
};

}  // namespace

bool decodeBmp(std::span<const std::uint8_t> bytes, Image& out) {
  out.reset();
  BmpLayout layout;
  if (!parseBmpLayout(bytes, layout)) return false;
  auto pixels = allocatePixels(layout.width, layout.height, 3);
  if (!pixels) return false;
  const RgbRows rows(pixels.get(), layout);
  if (layout.compression == kBmpRle8 || layout.compression == kBmpRle4) {
    std::memset(pixels.get(), 0, std::size_t{layout.width} * layout.height * 3);
    if (!RleDecoder(rows, layout).run()) return false;
  } else {
    decodeUncompressed(rows, layout);
  }
  out.pixels = std::move(pixels);
  out.width = layout.width;
  out.height = layout.height;
  out.kind = layout.paletteSize > 0 ? kImagePalette : kImageRgb;
  return true;
}

}  // namespace skyloom
