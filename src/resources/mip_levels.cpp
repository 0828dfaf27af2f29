#include "resources/mip_levels.h"

#include <array>

#include "platform/gfx/render_device.h"

namespace skyloom {

namespace {

struct ChannelLayout {
  std::uint32_t shift;
  std::uint32_t bits;
};

// Channels in the order alpha, red, green, blue; a channel of 0 bits is absent.
struct TexelLayout {
  std::uint32_t bytes;
  std::array<ChannelLayout, 4> channels;
  bool hasAlpha;
};

bool layoutOf(Format format, TexelLayout& out) {
  switch (format) {
    case Format::A4R4G4B4: out = {2, {{{12, 4}, {8, 4}, {4, 4}, {0, 4}}}, true}; return true;
    case Format::R5G6B5: out = {2, {{{0, 0}, {11, 5}, {5, 6}, {0, 5}}}, false}; return true;
    case Format::A8R8G8B8: out = {4, {{{24, 8}, {16, 8}, {8, 8}, {0, 8}}}, true}; return true;
    // The unused byte is averaged like a channel; nothing reads it.
    case Format::X8R8G8B8: out = {4, {{{24, 8}, {16, 8}, {8, 8}, {0, 8}}}, false}; return true;
    default: return false;
  }
}

std::uint32_t loadTexel(const std::uint8_t* p, std::uint32_t bytes) {
  std::uint32_t v = p[0] | static_cast<std::uint32_t>(p[1]) << 8;
  if (bytes == 4) v |= static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  return v;
}

void storeTexel(std::uint8_t* p, std::uint32_t bytes, std::uint32_t v) {
  for (std::uint32_t i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t channel(std::uint32_t texel, ChannelLayout c) {
  return c.bits == 0 ? 0 : (texel >> c.shift) & ((1u << c.bits) - 1);
}

// The average of four texels in the layout.
std::uint32_t averageTexels(const TexelLayout& layout, bool alphaAware, const std::array<std::uint32_t, 4>& t) {
  std::uint32_t alphaSum = 0;
  std::array<std::uint32_t, 4> alpha{};
  if (layout.hasAlpha) {
    for (int i = 0; i < 4; ++i) alphaSum += alpha[i] = channel(t[i], layout.channels[0]);
  }
  const bool weighted = alphaAware && layout.hasAlpha && alphaSum > 0;
  std::uint32_t result = 0;
  for (int c = 0; c < 4; ++c) {
    const ChannelLayout ch = layout.channels[c];
    if (ch.bits == 0) continue;
    std::uint32_t value;
    if (weighted && c > 0) {
      std::uint32_t sum = 0;
      for (int i = 0; i < 4; ++i) sum += channel(t[i], ch) * alpha[i];
      value = sum / alphaSum;
    } else {
      std::uint32_t sum = 0;
      for (int i = 0; i < 4; ++i) sum += channel(t[i], ch);
      value = sum / 4;
    }
    result |= value << ch.shift;
  }
  return result;
}

}  // namespace

bool mipFormatSupported(Format format) {
  TexelLayout layout;
  return layoutOf(format, layout);
}

void downsampleLevel(Format format, bool alphaAware, const std::uint8_t* source, std::int32_t sourcePitch,
                     std::uint32_t sourceWidth, std::uint32_t sourceHeight, std::uint8_t* destination,
                     std::int32_t destinationPitch, std::uint32_t destinationWidth, std::uint32_t destinationHeight) {
  TexelLayout layout;
  if (!layoutOf(format, layout) || sourceWidth == 0 || sourceHeight == 0) return;
  const auto at = [&](std::uint32_t x, std::uint32_t y) {
    x = x < sourceWidth ? x : sourceWidth - 1;
    y = y < sourceHeight ? y : sourceHeight - 1;
    return loadTexel(source + static_cast<std::ptrdiff_t>(y) * sourcePitch + std::size_t{x} * layout.bytes,
                     layout.bytes);
  };
  for (std::uint32_t y = 0; y < destinationHeight; ++y) {
    std::uint8_t* row = destination + static_cast<std::ptrdiff_t>(y) * destinationPitch;
    for (std::uint32_t x = 0; x < destinationWidth; ++x) {
      const std::array<std::uint32_t, 4> block = {at(2 * x, 2 * y), at(2 * x + 1, 2 * y), at(2 * x, 2 * y + 1),
                                                  at(2 * x + 1, 2 * y + 1)};
      storeTexel(row + std::size_t{x} * layout.bytes, layout.bytes, averageTexels(layout, alphaAware, block));
    }
  }
}

HResult buildMipLevels(Texture& texture, bool alphaAware) {
  const std::uint32_t levels = texture.levelCount();
  if (levels <= 1) return kOk;
  SurfaceDesc top;
  HResult hr = texture.getLevelDesc(0, top);
  if (failed(hr)) return hr;
  if (!mipFormatSupported(top.format)) return kInvalidArg;
  for (std::uint32_t level = 1; level < levels; ++level) {
    SurfaceDesc from, to;
    LockedRect source, destination;
    if (failed(hr = texture.getLevelDesc(level - 1, from)) || failed(hr = texture.getLevelDesc(level, to))) return hr;
    if (failed(hr = texture.lockRect(level - 1, source, nullptr, Lock::ReadOnly))) return hr;
    if (failed(hr = texture.lockRect(level, destination, nullptr, Lock::None))) {
      texture.unlockRect(level - 1);
      return hr;
    }
    downsampleLevel(top.format, alphaAware, static_cast<const std::uint8_t*>(source.bits), source.pitch, from.width,
                    from.height, static_cast<std::uint8_t*>(destination.bits), destination.pitch, to.width, to.height);
    texture.unlockRect(level);
    texture.unlockRect(level - 1);
  }
  return kOk;
}

}  // namespace skyloom
