#pragma once
// RenderDevice and Texture: the part of Direct3D 9 the scene draws with. Scene code sees only
// this header and d3d_constants.h; the d3d9 device passes every call straight through and the
// recording device keeps textures in memory and records what a frame does.
//
// Calls follow Direct3D 9's meaning, argument order and numbers, answer HResult codes and never
// throw. Textures are owned by the caller through std::unique_ptr: creation hands out the only
// owner, and destroying it releases the texture. A texture still bound to a stage when its owner
// drops it stays usable by the device until it is unbound (the d3d9 device holds its own
// reference, the recording device records textures by id only), but the scene unbinds or
// rebinds before it releases, as its video-resource life cycle requires anyway.

#include <cstdint>
#include <memory>

#include "core/math.h"
#include "core/result.h"
#include "platform/gfx/d3d_constants.h"

namespace skyloom {

struct ColorValue {
  float r = 0, g = 0, b = 0, a = 0;
};

// Same fields and meaning as D3DLIGHT9.
struct Light {
  std::uint32_t type = LightType::Directional;
  ColorValue diffuse;
  ColorValue specular;
  ColorValue ambient;
  Vec3 position;
  Vec3 direction;
  float range = 0;
  float falloff = 0;
  float attenuation0 = 0;
  float attenuation1 = 0;
  float attenuation2 = 0;
  float theta = 0;
  float phi = 0;
};

// Same layout as D3DMATERIAL9 (17 floats), the 68-byte material record of mesh files.
struct Material {
  ColorValue diffuse;
  ColorValue ambient;
  ColorValue specular;
  ColorValue emissive;
  float power = 0;
};
static_assert(sizeof(Material) == 68, "Material must keep the 68-byte record layout");

struct Viewport {
  std::uint32_t x = 0, y = 0, width = 0, height = 0;
  float minZ = 0, maxZ = 1;
};

struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Description of one texture level or of the back buffer.
struct SurfaceDesc {
  Format format = Format::Unknown;
  std::uint32_t usage = Usage::None;
  Pool pool = Pool::Default;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// A locked texture level: bits point at the first texel of the locked rectangle and rows are
// pitch bytes apart. The pitch may exceed width × texel size.
struct LockedRect {
  std::int32_t pitch = 0;
  void* bits = nullptr;
};

// The device capabilities the program looks at (fields of D3DCAPS9 of the same names).
struct DeviceCaps {
  std::uint32_t devCaps = 0;                // DevCaps bits
  std::uint32_t rasterCaps = 0;             // RasterCaps bits
  std::uint32_t textureCaps = 0;            // TextureCaps bits
  std::uint32_t textureFilterCaps = 0;      // FilterCaps bits
  std::uint32_t textureOpCaps = 0;          // textureOpCap(op) bits
  std::uint32_t maxTextureWidth = 0;
  std::uint32_t maxTextureHeight = 0;
  std::uint32_t maxAnisotropy = 0;
  std::uint32_t maxTextureBlendStages = 0;
  std::uint32_t maxSimultaneousTextures = 0;
  std::uint32_t maxActiveLights = 0;
  std::uint32_t maxPrimitiveCount = 0;
  std::uint32_t maxVertexIndex = 0;
  std::uint32_t vertexShaderVersion = 0;    // vertexShaderVersion(major, minor)
};

class Texture {
 public:
  virtual ~Texture() = default;
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  virtual std::uint32_t levelCount() const = 0;
  virtual HResult getLevelDesc(std::uint32_t level, SurfaceDesc& out) const = 0;
  // Locks the whole level when rect is null. Only system-memory, managed, scratch and dynamic
  // textures can be locked; a lock without Lock::ReadOnly or Lock::NoDirtyUpdate marks the
  // texture for the next updateTexture.
  virtual HResult lockRect(std::uint32_t level, LockedRect& out, const Rect* rect, std::uint32_t lockFlags) = 0;
  virtual HResult unlockRect(std::uint32_t level) = 0;

 protected:
  Texture() = default;
};

class RenderDevice {
 public:
  virtual ~RenderDevice() = default;
  RenderDevice(const RenderDevice&) = delete;
  RenderDevice& operator=(const RenderDevice&) = delete;

  virtual HResult getDeviceCaps(DeviceCaps& out) const = 0;
  // Estimated free texture memory in bytes, as the driver reports it.
  virtual std::uint32_t availableTextureMem() const = 0;
  virtual HResult getBackBufferDesc(SurfaceDesc& out) const = 0;

  // D3DERR_DEVICELOST while the device cannot be used, D3DERR_DEVICENOTRESET when it can be
  // reset; kOk otherwise.
  virtual HResult testCooperativeLevel() const = 0;
  virtual HResult present() = 0;
  // Resets the device with its presentation parameters (kept by the code that created it).
  // Every default-pool texture must be released first, or the reset fails; afterwards every
  // state is back at its default. D3DERR_DEVICELOST when the device was lost again meanwhile.
  virtual HResult reset() = 0;

  virtual HResult beginScene() = 0;
  virtual HResult endScene() = 0;
  // Clears the whole viewport; flags are ClearFlag bits.
  virtual HResult clear(std::uint32_t flags, Color color, float z, std::uint32_t stencil) = 0;

  virtual HResult setRenderState(RenderState state, std::uint32_t value) = 0;
  virtual HResult getRenderState(RenderState state, std::uint32_t& out) const = 0;
  virtual HResult setTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) = 0;
  virtual HResult getTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t& out) const = 0;
  virtual HResult setSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) = 0;
  virtual HResult getSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t& out) const = 0;

  virtual HResult setTransform(TransformState state, const Matrix& matrix) = 0;
  virtual HResult getTransform(TransformState state, Matrix& out) const = 0;

  virtual HResult setLight(std::uint32_t index, const Light& light) = 0;
  virtual HResult lightEnable(std::uint32_t index, bool enable) = 0;
  virtual HResult setMaterial(const Material& material) = 0;

  virtual HResult setViewport(const Viewport& viewport) = 0;
  virtual HResult getViewport(Viewport& out) const = 0;

  // Textures come only from this device's createTexture; null unbinds the stage.
  virtual HResult setTexture(std::uint32_t stage, Texture* texture) = 0;
  // levels 0 makes the full chain down to 1 × 1. On failure out is reset.
  virtual HResult createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                std::uint32_t usage, Format format, Pool pool,
                                std::unique_ptr<Texture>& out) = 0;
  // Copies a system-memory texture into a default-pool texture of the same format; the
  // destination's levels match the source's levels of the same size.
  virtual HResult updateTexture(Texture* source, Texture* destination) = 0;

  // Flexible vertex format of the user-pointer draws (Fvf bits).
  virtual HResult setFvf(std::uint32_t fvf) = 0;
  virtual HResult drawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount,
                                  const void* vertices, std::uint32_t stride) = 0;
  // indexFormat is Format::Index16 or Format::Index32; the indices lie in
  // [minVertexIndex, minVertexIndex + numVertices).
  virtual HResult drawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex,
                                         std::uint32_t numVertices, std::uint32_t primitiveCount,
                                         const void* indices, Format indexFormat,
                                         const void* vertices, std::uint32_t stride) = 0;

 protected:
  RenderDevice() = default;
};

// Number of vertices a draw of primitiveCount primitives of the given type reads, 0 for an
// unknown type or no primitives.
std::uint64_t verticesForPrimitives(PrimitiveType type, std::uint32_t primitiveCount);

// Width or height of a mip level: halved per level, never below 1.
constexpr std::uint32_t mipExtent(std::uint32_t extent, std::uint32_t level) {
  std::uint32_t v = level < 32 ? extent >> level : 0;
  return v == 0 ? 1 : v;
}

// Bytes of one texel of the formats textures are made in; 0 for any other format.
std::uint32_t bytesPerTexel(Format format);

// Number of levels of a full mip chain for the given size.
std::uint32_t fullMipChainLevels(std::uint32_t width, std::uint32_t height);

}  // namespace skyloom
