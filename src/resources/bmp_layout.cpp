// BMP headers: the 12-byte core header, the 40-byte info header and the 108- and 124-byte
// versions 4 and 5 of it (which carry the bit-field masks inside the header and add colour-space
// data we have no use for). Every offset and count is checked against the bytes we have.
#include <bit>

#include "core/bytes.h"
#include "resources/bmp_layout.h"
#include "resources/image.h"

namespace skyloom {

namespace {

constexpr std::uint16_t kFileSignature = 0x4D42;  // "BM"
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV4HeaderSize = 108;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kMaskBytes = 12;  // red, green, blue masks after an info header

// 16-bit pixels without masks are 5-5-5; 32-bit ones are 8-8-8 in the low three bytes.
constexpr std::array<std::uint32_t, 3> kMasks16 = {0x7C00, 0x03E0, 0x001F};
constexpr std::array<std::uint32_t, 3> kMasks32 = {0xFF0000, 0x00FF00, 0x0000FF};

struct BmpHeader {
  std::uint32_t size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t bitsPerPixel = 0;
  std::uint32_t compression = kBmpRgb;
  std::uint32_t sizeImage = 0;
  std::uint32_t colorsUsed = 0;
};

bool inside(std::span<const std::uint8_t> bytes, std::uint64_t at, std::uint64_t length) {
  return at <= bytes.size() && length <= bytes.size() - at;
}

bool readHeader(std::span<const std::uint8_t> bytes, std::size_t at, BmpHeader& h) {
  if (!inside(bytes, at, 4)) return false;
  const std::uint8_t* p = bytes.data() + at;
  h.size = readLE32(p);
  if (h.size != kCoreHeaderSize && h.size != kInfoHeaderSize && h.size != kV4HeaderSize &&
      h.size != kV5HeaderSize) {
    return false;
  }
  if (!inside(bytes, at, h.size)) return false;
  if (h.size == kCoreHeaderSize) {
    h.width = readLE16(p + 4);
    h.height = readLE16(p + 6);
    h.bitsPerPixel = readLE16(p + 10);
    return true;
  }
  h.width = static_cast<std::int32_t>(readLE32(p + 4));
  h.height = static_cast<std::int32_t>(readLE32(p + 8));
  h.bitsPerPixel = readLE16(p + 14);
  h.compression = readLE32(p + 16);
  h.sizeImage = readLE32(p + 20);
  h.colorsUsed = readLE32(p + 32);
  return true;
}

// The combinations the system's conversion accepts: RLE only bottom-up at its own depth,
// bit fields only for 16 and 32 bits.
bool formatSupported(const BmpHeader& h) {
  switch (h.bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  switch (h.compression) {
    case kBmpRgb: return true;
    case kBmpRle8: return h.bitsPerPixel == 8 && h.height > 0;
    case kBmpRle4: return h.bitsPerPixel == 4 && h.height > 0;
    case kBmpBitFields: return h.bitsPerPixel == 16 || h.bitsPerPixel == 32;
    default: return false;
  }
}

BmpChannel channelFromMask(std::uint32_t mask) {
  if (mask == 0) return {};
  const auto shift = static_cast<std::uint32_t>(std::countr_zero(mask));
  return {shift, static_cast<std::uint32_t>(std::countr_one(mask >> shift))};
}

// Reads the masks and returns where the colour table starts, or 0 when the masks do not fit.
std::size_t readMasks(std::span<const std::uint8_t> bytes, std::size_t headerAt, const BmpHeader& h,
                      BmpLayout& layout) {
  std::size_t tableAt = headerAt + h.size;
  std::array<std::uint32_t, 3> masks = h.bitsPerPixel == 16 ? kMasks16 : kMasks32;
  if (h.compression == kBmpBitFields) {
    // Version 4 and 5 headers hold the masks at the same place the info header's follow it.
    const std::size_t masksAt = headerAt + kInfoHeaderSize;
    if (h.size == kInfoHeaderSize) tableAt += kMaskBytes;
    if (!inside(bytes, masksAt, kMaskBytes)) return 0;
    for (int i = 0; i < 3; ++i) masks[i] = readLE32(bytes.data() + masksAt + 4 * i);
  }
  for (int i = 0; i < 3; ++i) layout.channels[i] = channelFromMask(masks[i]);
  return tableAt;
}

// Reads the colour table; returns its length in bytes, or -1 when it is corrupt or truncated.
std::int64_t readPalette(std::span<const std::uint8_t> bytes, std::size_t tableAt, const BmpHeader& h,
                         BmpLayout& layout) {
  const std::uint32_t entrySize = h.size == kCoreHeaderSize ? 3 : 4;
  if (h.bitsPerPixel > 8) {
    // A table beside direct colours is only a hint for palette displays; it is skipped.
    return h.size == kCoreHeaderSize ? 0 : std::int64_t{h.colorsUsed} * entrySize;
  }
  const std::uint32_t full = 1u << h.bitsPerPixel;
  const std::uint32_t count = (h.size != kCoreHeaderSize && h.colorsUsed != 0) ? h.colorsUsed : full;
  if (count > full || !inside(bytes, tableAt, std::uint64_t{count} * entrySize)) return -1;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = bytes.data() + tableAt + std::size_t{i} * entrySize;
    layout.palette[i] = {e[2], e[1], e[0]};
  }
  layout.paletteSize = count;
  return std::int64_t{count} * entrySize;
}

}  // namespace

std::uint8_t bmpChannelValue(std::uint32_t pixel, BmpChannel c) {
  if (c.length == 0) return 0;
  std::uint32_t v;
  if (c.length >= 8) {
    v = (pixel >> (c.shift + c.length - 8)) & 0xFF;
  } else {
    v = ((pixel >> c.shift) << (8 - c.length)) & 0xFF & (0xFF00u >> c.length);
    v |= v >> c.length;
  }
  return static_cast<std::uint8_t>(v);
}

bool parseBmpLayout(std::span<const std::uint8_t> bytes, BmpLayout& layout) {
  layout = BmpLayout{};
  const bool isFile = bytes.size() >= 2 && readLE16(bytes.data()) == kFileSignature;
  const std::size_t headerAt = isFile ? kFileHeaderSize : 0;
  if (isFile && bytes.size() < kFileHeaderSize) return false;

  BmpHeader h;
  if (!readHeader(bytes, headerAt, h) || !formatSupported(h)) return false;
  const std::int64_t rows = h.height < 0 ? -h.height : h.height;
  if (!imageSizeAllowed(h.width > 0 ? static_cast<std::uint64_t>(h.width) : 0, static_cast<std::uint64_t>(rows))) {
    return false;
  }
  layout.width = static_cast<std::uint32_t>(h.width);
  layout.height = static_cast<std::uint32_t>(rows);
  layout.topDown = h.height < 0;
  layout.bitsPerPixel = h.bitsPerPixel;
  layout.compression = h.compression;

  const std::size_t tableAt = readMasks(bytes, headerAt, h, layout);
  if (tableAt == 0) return false;
  const std::int64_t tableBytes = readPalette(bytes, tableAt, h, layout);
  if (tableBytes < 0) return false;

  // A file says where its bits are; in a bare header they follow the colour table.
  std::uint64_t bitsAt = tableAt + static_cast<std::uint64_t>(tableBytes);
  if (isFile) {
    bitsAt = readLE32(bytes.data() + 10);
    if (bitsAt < headerAt + h.size) return false;
  }
  if (bitsAt > bytes.size()) return false;
  std::uint64_t bitsLength = bytes.size() - bitsAt;
  const bool rle = h.compression == kBmpRle8 || h.compression == kBmpRle4;
  if (rle && h.sizeImage != 0 && h.sizeImage < bitsLength) bitsLength = h.sizeImage;
  if (!rle) {
    const std::uint64_t needed = bmpRowStride(layout.width, h.bitsPerPixel) * layout.height;
    if (bitsLength < needed) return false;
    bitsLength = needed;
  }
  layout.bits = bytes.subspan(static_cast<std::size_t>(bitsAt), static_cast<std::size_t>(bitsLength));
  return true;
}

}  // namespace skyloom
