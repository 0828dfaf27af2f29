#include "resources/texture_registry.h"

#include "resources/texture.h"

namespace skyloom {

namespace {
TextureRegistry* gCurrentRegistry = nullptr;
}  // namespace

TextureRegistry* TextureRegistry::current() { return gCurrentRegistry; }
void TextureRegistry::setCurrent(TextureRegistry* registry) { gCurrentRegistry = registry; }

TextureEntry* TextureRegistry::registerTexture(std::string_view name, std::uint32_t levels, Format format,
                                               std::uint32_t flags) {
  if (entries_.size() >= kCapacity) return nullptr;
  TextureEntry& e = entries_.emplace_back();
  e.name = name;
  e.levels = levels;
  e.format = format;
  e.flags = flags;
  return &e;
}

TextureRegistry::~TextureRegistry() {
  releaseAll();
  if (gCurrentRegistry == this) gCurrentRegistry = nullptr;
}

std::size_t TextureRegistry::restoreAll(RenderDevice* device) {
  setTextureDevice(device);
  published_ = device;
  std::size_t built = 0;
  for (TextureEntry& e : entries_) {
    if (e.flags & kTextureAlphaOnly) {
      createAlphaTexture(e.name, e.texture, e.levels, e.format, false);
    } else {
      createTextureFromImage(e.name, e.texture, e.levels, e.format, static_cast<Pool>(e.flags));
    }
    if (e.texture) ++built;
  }
  return built;
}

void TextureRegistry::releaseAll() {
  for (TextureEntry& e : entries_) e.texture.reset();
  if (published_ && textureDevice() == published_) setTextureDevice(nullptr);
  published_ = nullptr;
}

}  // namespace skyloom
