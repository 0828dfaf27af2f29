#include "platform/gfx/d3d9_device.h"

#include <d3d9.h>

#include "platform/gfx/d3d9_library.h"

#include <cstring>
#include <type_traits>

namespace skyloom {

namespace {

static_assert(sizeof(Matrix) == sizeof(D3DMATRIX) && std::is_trivially_copyable_v<Matrix>,
              "Matrix is stored row by row like D3DMATRIX");

D3DMATRIX toD3D(const Matrix& m) {
  D3DMATRIX out;
  std::memcpy(&out, m.m, sizeof out);
  return out;
}

D3DCOLORVALUE toD3D(const ColorValue& c) { return {c.r, c.g, c.b, c.a}; }
D3DVECTOR toD3D(const Vec3& v) { return {v.x, v.y, v.z}; }

D3DLIGHT9 toD3D(const Light& l) {
  D3DLIGHT9 out{};
  out.Type = static_cast<D3DLIGHTTYPE>(l.type);
  out.Diffuse = toD3D(l.diffuse);
  out.Specular = toD3D(l.specular);
  out.Ambient = toD3D(l.ambient);
  out.Position = toD3D(l.position);
  out.Direction = toD3D(l.direction);
  out.Range = l.range;
  out.Falloff = l.falloff;
  out.Attenuation0 = l.attenuation0;
  out.Attenuation1 = l.attenuation1;
  out.Attenuation2 = l.attenuation2;
  out.Theta = l.theta;
  out.Phi = l.phi;
  return out;
}

D3DMATERIAL9 toD3D(const Material& m) {
  D3DMATERIAL9 out{};
  out.Diffuse = toD3D(m.diffuse);
  out.Ambient = toD3D(m.ambient);
  out.Specular = toD3D(m.specular);
  out.Emissive = toD3D(m.emissive);
  out.Power = m.power;
  return out;
}

SurfaceDesc fromD3D(const D3DSURFACE_DESC& d) {
  return {static_cast<Format>(d.Format), static_cast<std::uint32_t>(d.Usage), static_cast<Pool>(d.Pool),
          static_cast<std::uint32_t>(d.Width), static_cast<std::uint32_t>(d.Height)};
}

IDirect3DTexture9* nativeTexture(Texture* texture) {
  return texture ? static_cast<D3D9Texture*>(texture)->native() : nullptr;
}

}  // namespace

// --- D3D9Texture ---

D3D9Texture::D3D9Texture(IDirect3DTexture9* texture) : texture_(texture) {
  ++live_;
  if (!texture_) return;
  for (DWORD level = 0; level < texture_->GetLevelCount(); ++level) {
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(texture_->GetLevelDesc(level, &desc))) {
      bytes_ += static_cast<long long>(desc.Width) * desc.Height * bytesPerTexel(static_cast<Format>(desc.Format));
    }
  }
  liveBytes_ += bytes_;
}

D3D9Texture::~D3D9Texture() {
  if (texture_) texture_->Release();
  --live_;
  liveBytes_ -= bytes_;
}

std::uint32_t D3D9Texture::levelCount() const { return texture_->GetLevelCount(); }

HResult D3D9Texture::getLevelDesc(std::uint32_t level, SurfaceDesc& out) const {
  D3DSURFACE_DESC desc;
  HRESULT hr = texture_->GetLevelDesc(level, &desc);
  if (SUCCEEDED(hr)) out = fromD3D(desc);
  return hr;
}

HResult D3D9Texture::lockRect(std::uint32_t level, LockedRect& out, const Rect* rect, std::uint32_t lockFlags) {
  RECT r;
  if (rect) r = {rect->left, rect->top, rect->right, rect->bottom};
  D3DLOCKED_RECT locked;
  HRESULT hr = texture_->LockRect(level, &locked, rect ? &r : nullptr, lockFlags);
  if (SUCCEEDED(hr)) out = {locked.Pitch, locked.pBits};
  return hr;
}

HResult D3D9Texture::unlockRect(std::uint32_t level) { return texture_->UnlockRect(level); }

// --- D3D9Device ---

D3D9Device::D3D9Device(IDirect3DDevice9* device, const D3DPRESENT_PARAMETERS& parameters)
    : device_(device), parameters_(parameters) {
  device_->AddRef();
}

D3D9Device::~D3D9Device() { device_->Release(); }

HResult D3D9Device::getDeviceCaps(DeviceCaps& out) const {
  D3DCAPS9 caps;
  HRESULT hr = device_->GetDeviceCaps(&caps);
  if (FAILED(hr)) return hr;
  out.devCaps = caps.DevCaps;
  out.rasterCaps = caps.RasterCaps;
  out.textureCaps = caps.TextureCaps;
  out.textureFilterCaps = caps.TextureFilterCaps;
  out.textureOpCaps = caps.TextureOpCaps;
  out.maxTextureWidth = caps.MaxTextureWidth;
  out.maxTextureHeight = caps.MaxTextureHeight;
  out.maxAnisotropy = caps.MaxAnisotropy;
  out.maxTextureBlendStages = caps.MaxTextureBlendStages;
  out.maxSimultaneousTextures = caps.MaxSimultaneousTextures;
  out.maxActiveLights = caps.MaxActiveLights;
  out.maxPrimitiveCount = caps.MaxPrimitiveCount;
  out.maxVertexIndex = caps.MaxVertexIndex;
  out.vertexShaderVersion = caps.VertexShaderVersion;
  return kOk;
}

std::uint32_t D3D9Device::availableTextureMem() const { return device_->GetAvailableTextureMem(); }

HResult D3D9Device::getBackBufferDesc(SurfaceDesc& out) const {
  IDirect3DSurface9* surface = nullptr;
  HRESULT hr = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
  if (FAILED(hr)) return hr;
  D3DSURFACE_DESC desc;
  hr = surface->GetDesc(&desc);
  surface->Release();
  if (SUCCEEDED(hr)) out = fromD3D(desc);
  return hr;
}

HResult D3D9Device::testCooperativeLevel() const { return device_->TestCooperativeLevel(); }
HResult D3D9Device::present() { return device_->Present(nullptr, nullptr, nullptr, nullptr); }
HResult D3D9Device::reset() { return device_->Reset(&parameters_); }
HResult D3D9Device::beginScene() { return device_->BeginScene(); }
HResult D3D9Device::endScene() { return device_->EndScene(); }

HResult D3D9Device::clear(std::uint32_t flags, Color color, float z, std::uint32_t stencil) {
  return device_->Clear(0, nullptr, flags, color, z, stencil);
}

HResult D3D9Device::setRenderState(RenderState state, std::uint32_t value) {
  return device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value);
}

HResult D3D9Device::getRenderState(RenderState state, std::uint32_t& out) const {
  DWORD value = 0;
  HRESULT hr = device_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state), &value);
  if (SUCCEEDED(hr)) out = value;
  return hr;
}

HResult D3D9Device::setTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) {
  return device_->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), value);
}

HResult D3D9Device::getTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t& out) const {
  DWORD value = 0;
  HRESULT hr = device_->GetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), &value);
  if (SUCCEEDED(hr)) out = value;
  return hr;
}

HResult D3D9Device::setSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) {
  return device_->SetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(type), value);
}

HResult D3D9Device::getSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t& out) const {
  DWORD value = 0;
  HRESULT hr = device_->GetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(type), &value);
  if (SUCCEEDED(hr)) out = value;
  return hr;
}

HResult D3D9Device::setTransform(TransformState state, const Matrix& matrix) {
  const D3DMATRIX m = toD3D(matrix);
  return device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(state), &m);
}

HResult D3D9Device::getTransform(TransformState state, Matrix& out) const {
  D3DMATRIX m;
  HRESULT hr = device_->GetTransform(static_cast<D3DTRANSFORMSTATETYPE>(state), &m);
  if (SUCCEEDED(hr)) std::memcpy(out.m, &m, sizeof m);
  return hr;
}

HResult D3D9Device::setLight(std::uint32_t index, const Light& light) {
  const D3DLIGHT9 l = toD3D(light);
  return device_->SetLight(index, &l);
}

HResult D3D9Device::lightEnable(std::uint32_t index, bool enable) { return device_->LightEnable(index, enable); }

HResult D3D9Device::setMaterial(const Material& material) {
  const D3DMATERIAL9 m = toD3D(material);
  return device_->SetMaterial(&m);
}

HResult D3D9Device::setViewport(const Viewport& v) {
  const D3DVIEWPORT9 vp = {v.x, v.y, v.width, v.height, v.minZ, v.maxZ};
  return device_->SetViewport(&vp);
}

HResult D3D9Device::getViewport(Viewport& out) const {
  D3DVIEWPORT9 vp;
  HRESULT hr = device_->GetViewport(&vp);
  if (SUCCEEDED(hr)) out = {vp.X, vp.Y, vp.Width, vp.Height, vp.MinZ, vp.MaxZ};
  return hr;
}

HResult D3D9Device::setTexture(std::uint32_t stage, Texture* texture) {
  return device_->SetTexture(stage, nativeTexture(texture));
}

HResult D3D9Device::createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                  std::uint32_t usage, Format format, Pool pool, std::unique_ptr<Texture>& out) {
  out.reset();
  IDirect3DTexture9* texture = nullptr;
  HRESULT hr = device_->CreateTexture(width, height, levels, usage, static_cast<D3DFORMAT>(format),
                                      static_cast<D3DPOOL>(pool), &texture, nullptr);
  if (FAILED(hr)) return hr;
  out = std::make_unique<D3D9Texture>(texture);
  return hr;
}

HResult D3D9Device::updateTexture(Texture* source, Texture* destination) {
  return device_->UpdateTexture(nativeTexture(source), nativeTexture(destination));
}

HResult D3D9Device::setFvf(std::uint32_t fvf) { return device_->SetFVF(fvf); }

HResult D3D9Device::drawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                                    std::uint32_t stride) {
  return device_->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(type), primitiveCount, vertices, stride);
}

HResult D3D9Device::drawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex,
                                           std::uint32_t numVertices, std::uint32_t primitiveCount,
                                           const void* indices, Format indexFormat, const void* vertices,
                                           std::uint32_t stride) {
  return device_->DrawIndexedPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(type), minVertexIndex, numVertices,
                                         primitiveCount, indices, static_cast<D3DFORMAT>(indexFormat), vertices,
                                         stride);
}

// --- windowed device helper ---

namespace {

DWORD vertexProcessingFor(IDirect3D9* d3d) {
  D3DCAPS9 caps;
  if (FAILED(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps))) return D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  const bool hardware = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
  return hardware && caps.VertexShaderVersion >= D3DVS_VERSION(1, 1) ? D3DCREATE_MIXED_VERTEXPROCESSING
                                                                     : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
}

}  // namespace

HResult createWindowedD3D9Device(HWND window, std::unique_ptr<D3D9Device>& out) {
  out.reset();
  IDirect3D9* d3d = createDirect3D9(D3D_SDK_VERSION);
  if (!d3d) return kFail;
  D3DPRESENT_PARAMETERS params{};
  params.BackBufferFormat = D3DFMT_UNKNOWN;  // the desktop's
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.hDeviceWindow = window;
  params.Windowed = TRUE;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  IDirect3DDevice9* device = nullptr;
  HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, vertexProcessingFor(d3d), &params,
                                 &device);
  d3d->Release();  // the device keeps Direct3D alive
  if (FAILED(hr)) return hr;
  out = std::make_unique<D3D9Device>(device, params);
  device->Release();  // D3D9Device holds its own reference
  return kOk;
}

}  // namespace skyloom
