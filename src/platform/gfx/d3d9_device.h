#pragma once
// The RenderDevice over a real IDirect3DDevice9 (Windows only). Every call passes its values
// straight through: our constants are the Direct3D 9 numbers.
//
// D3D9Device shares the device: it takes its own reference at construction and releases it when
// destroyed, so the code that created the device keeps its own. It keeps the presentation
// parameters the device was made with, which reset() uses and a resize changes. Device creation
// and mode choice belong to the application's device code; the helper below only makes a plain
// windowed device, enough for tools and checks.

#include <windows.h>
#include <d3d9.h>

#include <atomic>
#include <memory>

#include "platform/gfx/render_device.h"

namespace skyloom {

class D3D9Texture final : public Texture {
 public:
  // Takes over one reference of texture.
  explicit D3D9Texture(IDirect3DTexture9* texture);
  ~D3D9Texture() override;

  // How many textures the program holds now, and their pixels' bytes over all levels: what a
  // long run or a run of device resets must not let grow.
  static long liveCount() { return live_; }
  static long long liveBytes() { return liveBytes_; }

  std::uint32_t levelCount() const override;
  HResult getLevelDesc(std::uint32_t level, SurfaceDesc& out) const override;
  HResult lockRect(std::uint32_t level, LockedRect& out, const Rect* rect, std::uint32_t lockFlags) override;
  HResult unlockRect(std::uint32_t level) override;

  IDirect3DTexture9* native() const { return texture_; }

 private:
  static inline std::atomic<long> live_{0};
  static inline std::atomic<long long> liveBytes_{0};
  IDirect3DTexture9* texture_;
  long long bytes_ = 0;
};

class D3D9Device final : public RenderDevice {
 public:
  // Adds a reference to device, which must not be null.
  D3D9Device(IDirect3DDevice9* device, const D3DPRESENT_PARAMETERS& parameters);
  ~D3D9Device() override;

  IDirect3DDevice9* native() const { return device_; }
  // What the next reset() uses: a windowed resize changes the back buffer's size here.
  D3DPRESENT_PARAMETERS& presentParameters() { return parameters_; }

  HResult getDeviceCaps(DeviceCaps& out) const override;
  std::uint32_t availableTextureMem() const override;
  HResult getBackBufferDesc(SurfaceDesc& out) const override;
  HResult testCooperativeLevel() const override;
  HResult present() override;
  HResult reset() override;

  HResult beginScene() override;
  HResult endScene() override;
  HResult clear(std::uint32_t flags, Color color, float z, std::uint32_t stencil) override;

  HResult setRenderState(RenderState state, std::uint32_t value) override;
  HResult getRenderState(RenderState state, std::uint32_t& out) const override;
  HResult setTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) override;
  HResult getTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t& out) const override;
  HResult setSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) override;
  HResult getSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t& out) const override;
  HResult setTransform(TransformState state, const Matrix& matrix) override;
  HResult getTransform(TransformState state, Matrix& out) const override;
  HResult setLight(std::uint32_t index, const Light& light) override;
  HResult lightEnable(std::uint32_t index, bool enable) override;
  HResult setMaterial(const Material& material) override;
  HResult setViewport(const Viewport& viewport) override;
  HResult getViewport(Viewport& out) const override;

  HResult setTexture(std::uint32_t stage, Texture* texture) override;
  HResult createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                        Format format, Pool pool, std::unique_ptr<Texture>& out) override;
  HResult updateTexture(Texture* source, Texture* destination) override;

  HResult setFvf(std::uint32_t fvf) override;
  HResult drawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                          std::uint32_t stride) override;
  HResult drawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t numVertices,
                                 std::uint32_t primitiveCount, const void* indices, Format indexFormat,
                                 const void* vertices, std::uint32_t stride) override;

 private:
  IDirect3DDevice9* device_;
  D3DPRESENT_PARAMETERS parameters_;
};

// Creates a windowed HAL device on the default adapter for window's client area: desktop
// format, one back buffer, a 16-bit depth buffer, immediate presentation, mixed vertex
// processing where the card has hardware transform and vertex shaders 1.1, else software.
HResult createWindowedD3D9Device(HWND window, std::unique_ptr<D3D9Device>& out);

}  // namespace skyloom
