#pragma once
// Named textures that must be rebuilt whenever the device is restored. The scene registers them
// once, keeps the entries, reads their texture field while drawing, and calls restoreAll and
// releaseAll from its video-resource restore and invalidate.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/render_device.h"

namespace skyloom {

// Entry flags. Without kTextureAlphaOnly the flags value is the pool of the colour texture
// (0, the default pool, for every entry the program makes).
constexpr std::uint32_t kTextureAlphaOnly = 2;  // white texture, alpha from the picture's brightness

struct TextureEntry {
  std::unique_ptr<Texture> texture;  // null while the device is not restored or the build failed
  std::string name;                  // the picture's path, e.g. "pack\r_fire02.bmp"
  std::uint32_t flags = 0;
  std::uint32_t levels = 1;          // mip levels, 1 = none, 0 = full chain
  Format format = Format::A8R8G8B8;
};

class TextureRegistry {
 public:
  static constexpr std::size_t kCapacity = 1000;

  TextureRegistry() { entries_.reserve(kCapacity); }  // never reallocates: entry pointers stay valid
  ~TextureRegistry();
  TextureRegistry(const TextureRegistry&) = delete;
  TextureRegistry& operator=(const TextureRegistry&) = delete;

  // A new entry without a texture; null (and nothing changed) when kCapacity entries exist.
  TextureEntry* registerTexture(std::string_view name, std::uint32_t levels, Format format, std::uint32_t flags);
  // Makes device the texture device and builds every entry's texture in registration order.
  // Returns how many textures were built; entries whose picture is missing stay null.
  std::size_t restoreAll(RenderDevice* device);
  // Drops every texture and, when this registry published the texture device, clears it: the
  // device may be reset or released next.
  void releaseAll();

  std::size_t size() const { return entries_.size(); }

  // The scene's registry, which the scene's parts register their pictures with; or null.
  static TextureRegistry* current();
  static void setCurrent(TextureRegistry* registry);
  const TextureEntry& entry(std::size_t index) const { return entries_[index]; }

 private:
  std::vector<TextureEntry> entries_;
  RenderDevice* published_ = nullptr;  // the texture device this registry set
};

}  // namespace skyloom
