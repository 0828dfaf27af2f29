#pragma once
// Textures made from pictures, through the render device the scene set for texture creation.
// Every builder fills a system-memory staging texture (top level, then box-filtered mip levels)
// and copies it into the device texture; on any failure the out texture is null.

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/result.h"
#include "platform/gfx/render_device.h"
#include "resources/image.h"

namespace skyloom {

// Remembers the device textures are created on (null: none) and asks it for its free texture
// memory. The scene sets it whenever it restores its video resources.
void setTextureDevice(RenderDevice* device);
RenderDevice* textureDevice();
// What the device reported when it was set, in bytes; 0 without a device.
std::uint32_t availableTextureMemory();

// Textures are made on the texture device; while a part restores, that must be the device handed
// to it. The scope publishes that device only for its duration and puts the previous one back, so
// no part leaves a device pointer behind.
class TextureDeviceScope {
 public:
  explicit TextureDeviceScope(RenderDevice& device) : previous_(textureDevice()), changed_(previous_ != &device) {
    if (changed_) setTextureDevice(&device);
  }
  ~TextureDeviceScope() {
    if (changed_) setTextureDevice(previous_);
  }
  TextureDeviceScope(const TextureDeviceScope&) = delete;
  TextureDeviceScope& operator=(const TextureDeviceScope&) = delete;

 private:
  RenderDevice* previous_;
  bool changed_;
};

// Plain creation; levels 0 makes the full chain.
HResult createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, Format format, Pool pool,
                      std::unique_ptr<Texture>& out);

// A colour texture of the picture at path. Palette pictures become A4R4G4B4 whatever format is
// asked for, with the colour of their bottom-left pixel transparent; TGAs keep their alpha;
// everything else is opaque. format: A8R8G8B8, X8R8G8B8, A4R4G4B4 or R5G6B5.
HResult createTextureFromImage(std::string_view path, std::unique_ptr<Texture>& out, std::uint32_t levels,
                               Format format, Pool pool);
HResult textureFromImage(const Image& image, std::unique_ptr<Texture>& out, std::uint32_t levels, Format format,
                         Pool pool);

// A white texture whose alpha is the picture's first byte per pixel (red for JPEG and BMP),
// inverted on request; default pool. format: A4R4G4B4 or A8R8G8B8.
HResult createAlphaTexture(std::string_view path, std::unique_ptr<Texture>& out, std::uint32_t levels, Format format,
                           bool invert);
HResult alphaTextureFromImage(const Image& image, std::unique_ptr<Texture>& out, std::uint32_t levels, Format format,
                              bool invert);

// Copies a system-memory texture into a default-pool texture on the texture device.
HResult updateTexture(Texture* source, Texture* destination);

}  // namespace skyloom
