#include "resources/texture.h"

#include "resources/mip_levels.h"

namespace skyloom {

namespace {

struct TextureDeviceState {
  RenderDevice* device = nullptr;
  std::uint32_t memory = 0;
};

TextureDeviceState& state() {
  static TextureDeviceState s;
  return s;
}

std::uint32_t pack4444(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (a >> 4) << 12 | (r >> 4) << 8 | (g & 0xF0) | (b >> 4);
}

std::uint32_t encodeTexel(Format format, std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  switch (format) {
    case Format::A4R4G4B4: return pack4444(a, r, g, b);
    case Format::R5G6B5: return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    default: return a << 24 | r << 16 | g << 8 | b;  // A8R8G8B8, X8R8G8B8
  }
}

void storeTexel(std::uint8_t* p, std::uint32_t bytes, std::uint32_t v) {
  for (std::uint32_t i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t texelBytes(Format format) { return format == Format::A4R4G4B4 || format == Format::R5G6B5 ? 2 : 4; }

// Image row that becomes texture row t. TGA rows are stored bottom row first, so the last
// stored row is the top of the texture; the other kinds are already top row first.
std::uint32_t sourceRow(const Image& image, std::uint32_t t) {
  return image.kind == kImageBgra ? image.height - 1 - t : t;
}

// The top level's texels. Palette pictures are keyed on their bottom-left pixel: every pixel of
// exactly that colour gets alpha 0, the rest alpha 15.
void fillColour(const Image& image, Format format, const LockedRect& lock) {
  const std::uint32_t bpp = image.bytesPerPixel();
  const std::uint8_t* key = image.pixels.get() + std::size_t{image.height - 1} * image.width * bpp;
  for (std::uint32_t t = 0; t < image.height; ++t) {
    const std::uint8_t* src = image.pixels.get() + std::size_t{sourceRow(image, t)} * image.width * bpp;
    auto* dst = static_cast<std::uint8_t*>(lock.bits) + static_cast<std::ptrdiff_t>(t) * lock.pitch;
    for (std::uint32_t x = 0; x < image.width; ++x, src += bpp, dst += texelBytes(format)) {
      std::uint32_t texel;
      if (image.kind == kImageBgra) {
        texel = encodeTexel(format, src[3], src[2], src[1], src[0]);
      } else if (image.kind == kImagePalette) {
        const bool keyed = src[0] == key[0] && src[1] == key[1] && src[2] == key[2];
        texel = encodeTexel(format, keyed ? 0 : 0xFF, src[0], src[1], src[2]);
      } else {
        texel = encodeTexel(format, 0xFF, src[0], src[1], src[2]);
      }
      storeTexel(dst, texelBytes(format), texel);
    }
  }
}

void fillAlpha(const Image& image, Format format, bool invert, const LockedRect& lock) {
  const std::uint32_t bpp = image.bytesPerPixel();
  for (std::uint32_t t = 0; t < image.height; ++t) {
    const std::uint8_t* src = image.pixels.get() + std::size_t{sourceRow(image, t)} * image.width * bpp;
    auto* dst = static_cast<std::uint8_t*>(lock.bits) + static_cast<std::ptrdiff_t>(t) * lock.pitch;
    for (std::uint32_t x = 0; x < image.width; ++x, src += bpp, dst += texelBytes(format)) {
      const std::uint32_t v = invert ? src[0] ^ 0xFFu : src[0];
      storeTexel(dst, texelBytes(format), format == Format::A4R4G4B4 ? (v & 0xF0) << 8 | 0x0FFF : v << 24 | 0xFFFFFF);
    }
  }
}

using Filler = void (*)(const Image&, Format, bool, const LockedRect&);

// Fills level 0 of a lockable texture and builds its mip levels.
HResult fillTexture(Texture& texture, const Image& image, Format format, bool flag, Filler fill, bool alphaAware) {
  LockedRect lock;
  HResult hr = texture.lockRect(0, lock, nullptr, Lock::None);
  if (failed(hr)) return hr;
  fill(image, format, flag, lock);
  texture.unlockRect(0);
  return buildMipLevels(texture, alphaAware);
}

// Builds the texture in pool. Device-pool textures cannot be locked, so they are filled through
// a system-memory copy; the others are filled in place.
HResult buildTexture(const Image& image, std::unique_ptr<Texture>& out, std::uint32_t levels, Format format,
                     Pool pool, bool flag, Filler fill, bool alphaAware) {
  out.reset();
  if (!image.pixels || image.width == 0 || image.height == 0) return kInvalidArg;
  std::unique_ptr<Texture> texture;
  HResult hr = createTexture(image.width, image.height, levels, format, pool, texture);
  if (failed(hr)) return hr;
  if (pool != Pool::Default) {
    hr = fillTexture(*texture, image, format, flag, fill, alphaAware);
  } else {
    std::unique_ptr<Texture> staging;
    hr = createTexture(image.width, image.height, levels, format, Pool::SystemMem, staging);
    if (succeeded(hr)) hr = fillTexture(*staging, image, format, flag, fill, alphaAware);
    if (succeeded(hr)) hr = updateTexture(staging.get(), texture.get());
  }
  if (succeeded(hr)) out = std::move(texture);
  return hr;
}

void fillColourAdapter(const Image& image, Format format, bool, const LockedRect& lock) {
  fillColour(image, format, lock);
}

}  // namespace

void setTextureDevice(RenderDevice* device) {
  state().device = device;
  state().memory = device ? device->availableTextureMem() : 0;
}

RenderDevice* textureDevice() { return state().device; }

std::uint32_t availableTextureMemory() { return state().memory; }

HResult createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, Format format, Pool pool,
                      std::unique_ptr<Texture>& out) {
  out.reset();
  RenderDevice* device = state().device;
  if (!device) return kFail;
  const HResult hr = device->createTexture(width, height, levels, Usage::None, format, pool, out);
  if (failed(hr)) out.reset();
  return hr;
}

HResult textureFromImage(const Image& image, std::unique_ptr<Texture>& out, std::uint32_t levels, Format format,
                         Pool pool) {
  out.reset();
  // Palette pictures carry a colour key, which needs an alpha channel.
  if (image.kind == kImagePalette) format = Format::A4R4G4B4;
  if (!mipFormatSupported(format)) return kInvalidArg;
  const bool alphaAware = image.kind == kImagePalette || image.kind == kImageBgra;
  return buildTexture(image, out, levels, format, pool, false, fillColourAdapter, alphaAware);
}

HResult createTextureFromImage(std::string_view path, std::unique_ptr<Texture>& out, std::uint32_t levels,
                               Format format, Pool pool) {
  out.reset();
  Image image;
  if (loadImage(path, image) != 0) return kFileNotFound;
  return textureFromImage(image, out, levels, format, pool);
}

HResult alphaTextureFromImage(const Image& image, std::unique_ptr<Texture>& out, std::uint32_t levels, Format format,
                              bool invert) {
  out.reset();
  if (format != Format::A4R4G4B4 && format != Format::A8R8G8B8) return kInvalidArg;
  return buildTexture(image, out, levels, format, Pool::Default, invert, fillAlpha, false);
}

HResult createAlphaTexture(std::string_view path, std::unique_ptr<Texture>& out, std::uint32_t levels, Format format,
                           bool invert) {
  out.reset();
  Image image;
  if (loadImage(path, image) != 0) return kFileNotFound;
  return alphaTextureFromImage(image, out, levels, format, invert);
}

HResult updateTexture(Texture* source, Texture* destination) {
  RenderDevice* device = state().device;
  if (!device) return kFail;
  return device->updateTexture(source, destination);
}

}  // namespace skyloom
