#include "platform/gfx/recording_device.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <utility>

namespace skyloom {

namespace {

// Bytes per texel of the formats the recording device stores; 0 for the others.
bool isPowerOfTwo(std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

// Render targets live in video memory; dynamic textures in video or system memory; scratch
// textures are plain memory without any usage.
bool usageAllowed(std::uint32_t usage, Pool pool) {
  switch (pool) {
    case Pool::Default: return true;
    case Pool::SystemMem: return !(usage & (Usage::RenderTarget | Usage::DepthStencil));
    case Pool::Managed: return !(usage & (Usage::RenderTarget | Usage::DepthStencil | Usage::Dynamic));
    case Pool::Scratch: return usage == Usage::None;
  }
  return false;
}

std::uint32_t readIndex(const void* indices, Format format, std::uint32_t i) {
  const auto* bytes = static_cast<const std::uint8_t*>(indices);
  if (format == Format::Index16) {
    std::uint16_t v;
    std::memcpy(&v, bytes + 2 * static_cast<std::size_t>(i), 2);
    return v;
  }
  std::uint32_t v;
  std::memcpy(&v, bytes + 4 * static_cast<std::size_t>(i), 4);
  return v;
}

// The smallest and largest of count indices of type T: whole 16-byte blocks in vector lanes
// (the compiler's vector types; a plain loop is not vectorised at -O2), the rest one by one.
template <typename T>
struct IndexLanes;
template <>
struct IndexLanes<std::uint16_t> {
  typedef std::uint16_t type __attribute__((vector_size(16)));
};
template <>
struct IndexLanes<std::uint32_t> {
  typedef std::uint32_t type __attribute__((vector_size(16)));
};

template <typename T>
std::pair<std::uint32_t, std::uint32_t> indexRange(const void* indices, std::uint32_t count) {
  using Lanes = typename IndexLanes<T>::type;
  constexpr std::size_t kLanes = 16 / sizeof(T);
  const auto* bytes = static_cast<const std::uint8_t*>(indices);
  T least = std::numeric_limits<T>::max(), most = 0;
  std::size_t i = 0;
  if (count >= kLanes) {
    Lanes lo, hi;
    std::memcpy(&lo, bytes, sizeof lo);
    hi = lo;
    for (i = kLanes; i + kLanes <= count; i += kLanes) {
      Lanes v;
      std::memcpy(&v, bytes + sizeof(T) * i, sizeof v);
      lo = v < lo ? v : lo;
      hi = v > hi ? v : hi;
    }
    for (std::size_t k = 0; k < kLanes; ++k) {
      least = std::min<T>(least, lo[k]);
      most = std::max<T>(most, hi[k]);
    }
  }
  for (; i < count; ++i) {
    T v;
    std::memcpy(&v, bytes + sizeof(T) * i, sizeof(T));
    least = std::min(least, v);
    most = std::max(most, v);
  }
  return {least, most};
}

bool hasStencil(Format depth) {
  return depth == Format::D15S1 || depth == Format::D24S8 || depth == Format::D24X4S4;
}

void setRenderStateDefaults(std::array<std::uint32_t, kRenderStateLimit>& rs) {
  auto set = [&rs](RenderState s, std::uint32_t v) { rs[static_cast<std::uint32_t>(s)] = v; };
  set(RenderState::ZEnable, ZBuffer::True);  // the device has an automatic depth buffer
  set(RenderState::FillMode, FillMode::Solid);
  set(RenderState::ShadeMode, ShadeMode::Gouraud);
  set(RenderState::ZWriteEnable, 1);
  set(RenderState::LastPixel, 1);
  set(RenderState::SrcBlend, Blend::One);
  set(RenderState::DestBlend, Blend::Zero);
  set(RenderState::CullMode, Cull::Ccw);
  set(RenderState::ZFunc, Cmp::LessEqual);
  set(RenderState::AlphaFunc, Cmp::Always);
  set(RenderState::FogEnd, floatBits(1.0f));
  set(RenderState::FogDensity, floatBits(1.0f));
  set(RenderState::StencilFail, StencilOp::Keep);
  set(RenderState::StencilZFail, StencilOp::Keep);
  set(RenderState::StencilPass, StencilOp::Keep);
  set(RenderState::StencilFunc, Cmp::Always);
  set(RenderState::StencilMask, 0xFFFFFFFFu);
  set(RenderState::StencilWriteMask, 0xFFFFFFFFu);
  set(RenderState::TextureFactor, 0xFFFFFFFFu);
  set(RenderState::Clipping, 1);
  set(RenderState::Lighting, 1);
  set(RenderState::ColorVertex, 1);
  set(RenderState::LocalViewer, 1);
  set(RenderState::DiffuseMaterialSource, MaterialSource::Color1);
  set(RenderState::SpecularMaterialSource, MaterialSource::Color2);
  set(RenderState::PointSize, floatBits(1.0f));
  set(RenderState::PointSizeMin, floatBits(1.0f));
  set(RenderState::PointSizeMax, floatBits(64.0f));
  set(RenderState::MultisampleAntialias, 1);
  set(RenderState::MultisampleMask, 0xFFFFFFFFu);
  set(RenderState::ColorWriteEnable, 0xF);
  set(RenderState::BlendOp, BlendOp::Add);
  set(RenderState::BlendFactor, 0xFFFFFFFFu);
  set(RenderState::SrcBlendAlpha, Blend::One);
  set(RenderState::DestBlendAlpha, Blend::Zero);
  set(RenderState::BlendOpAlpha, BlendOp::Add);
}

void setStageDefaults(std::uint32_t stage, std::array<std::uint32_t, kTextureStageStateLimit>& ts) {
  auto set = [&ts](TextureStageState s, std::uint32_t v) { ts[static_cast<std::uint32_t>(s)] = v; };
  // Stage 0 modulates the texture with the diffuse colour; the others are off.
  set(TextureStageState::ColorOp, stage == 0 ? TextureOp::Modulate : TextureOp::Disable);
  set(TextureStageState::ColorArg1, TextureArg::Texture);
  set(TextureStageState::ColorArg2, TextureArg::Current);
  set(TextureStageState::AlphaOp, stage == 0 ? TextureOp::SelectArg1 : TextureOp::Disable);
  set(TextureStageState::AlphaArg1, TextureArg::Texture);
  set(TextureStageState::AlphaArg2, TextureArg::Current);
  set(TextureStageState::TexCoordIndex, stage);
  set(TextureStageState::ColorArg0, TextureArg::Current);
  set(TextureStageState::AlphaArg0, TextureArg::Current);
  set(TextureStageState::ResultArg, TextureArg::Current);
}

void setSamplerDefaults(std::array<std::uint32_t, kSamplerStateLimit>& ss) {
  auto set = [&ss](SamplerState s, std::uint32_t v) { ss[static_cast<std::uint32_t>(s)] = v; };
  set(SamplerState::AddressU, TextureAddress::Wrap);
  set(SamplerState::AddressV, TextureAddress::Wrap);
  set(SamplerState::AddressW, TextureAddress::Wrap);
  set(SamplerState::MagFilter, TextureFilter::Point);
  set(SamplerState::MinFilter, TextureFilter::Point);
  set(SamplerState::MipFilter, TextureFilter::None);
  set(SamplerState::MaxAnisotropy, 1);
}

// A light enabled without having been set gets Direct3D's default: white, directional, +z.
Light defaultLight() {
  Light light;
  light.type = LightType::Directional;
  light.diffuse = {1, 1, 1, 0};
  light.direction = {0, 0, 1};
  return light;
}

bool isValidTransform(TransformState state) {
  const auto v = static_cast<std::uint32_t>(state);
  return state == TransformState::View || state == TransformState::Projection || state == TransformState::World ||
         (v >= static_cast<std::uint32_t>(TransformState::Texture0) &&
          v <= static_cast<std::uint32_t>(TransformState::Texture7));
}

bool isTriangleType(PrimitiveType type) {
  return type == PrimitiveType::TriangleList || type == PrimitiveType::TriangleStrip ||
         type == PrimitiveType::TriangleFan;
}

}  // namespace

// --- RecordingDeviceConfig, RecordedState, RecordedDraw ---

DeviceCaps RecordingDeviceConfig::defaultCaps() {
  DeviceCaps caps;
  caps.devCaps = DevCaps::HwTransformAndLight;
  caps.rasterCaps = RasterCaps::FogVertex | RasterCaps::FogTable | RasterCaps::FogRange | RasterCaps::Anisotropy;
  caps.textureCaps = TextureCaps::Perspective | TextureCaps::Alpha | TextureCaps::Projected | TextureCaps::MipMap;
  caps.textureFilterCaps = FilterCaps::MinPoint | FilterCaps::MinLinear | FilterCaps::MinAnisotropic |
                           FilterCaps::MipPoint | FilterCaps::MipLinear | FilterCaps::MagPoint |
                           FilterCaps::MagLinear | FilterCaps::MagAnisotropic;
  for (std::uint32_t op = TextureOp::Disable; op <= TextureOp::Lerp; ++op) caps.textureOpCaps |= textureOpCap(op);
  caps.maxTextureWidth = 4096;
  caps.maxTextureHeight = 4096;
  caps.maxAnisotropy = 16;
  caps.maxTextureBlendStages = 8;
  caps.maxSimultaneousTextures = 8;
  caps.maxActiveLights = 8;
  caps.maxPrimitiveCount = 0xFFFFF;
  caps.maxVertexIndex = 0xFFFFFF;
  caps.vertexShaderVersion = vertexShaderVersion(2, 0);
  return caps;
}

std::uint32_t RecordedState::renderState(RenderState state) const {
  const auto i = static_cast<std::uint32_t>(state);
  return i < kRenderStateLimit ? renderStates[i] : 0;
}

std::uint32_t RecordedState::stageState(std::uint32_t stage, TextureStageState type) const {
  const auto i = static_cast<std::uint32_t>(type);
  return stage < kMaxTextureStages && i < kTextureStageStateLimit ? stageStates[stage][i] : 0;
}

std::uint32_t RecordedState::samplerState(std::uint32_t sampler, SamplerState type) const {
  const auto i = static_cast<std::uint32_t>(type);
  return sampler < kMaxTextureStages && i < kSamplerStateLimit ? samplerStates[sampler][i] : 0;
}

Matrix* RecordedState::transform(TransformState state) {
  switch (state) {
    case TransformState::World: return &world;
    case TransformState::View: return &view;
    case TransformState::Projection: return &projection;
    default: break;
  }
  const auto stage = static_cast<std::uint32_t>(state) - static_cast<std::uint32_t>(TransformState::Texture0);
  return stage < kMaxTextureStages ? &textureTransforms[stage] : nullptr;
}

const Matrix* RecordedState::transform(TransformState state) const {
  return const_cast<RecordedState*>(this)->transform(state);
}

const LightSlot* RecordedState::light(std::uint32_t index) const {
  auto it = lights.find(index);
  return it == lights.end() ? nullptr : &it->second;
}

const std::uint8_t* RecordedDraw::vertex(std::uint32_t i) const {
  const std::size_t offset = static_cast<std::size_t>(i) * stride;
  if (stride == 0 || offset + stride > vertices.size()) return nullptr;
  return vertices.data() + offset;
}

float RecordedDraw::floatAt(std::uint32_t i, std::uint32_t byteOffset) const {
  return bitsToFloat(dwordAt(i, byteOffset));
}

std::uint32_t RecordedDraw::dwordAt(std::uint32_t i, std::uint32_t byteOffset) const {
  const std::uint8_t* v = vertex(i);
  if (!v || byteOffset + 4 > stride) return 0;
  std::uint32_t value;
  std::memcpy(&value, v + byteOffset, 4);
  return value;
}

// --- RecordingDevice: setup and queries ---

RecordingDevice::RecordingDevice(const RecordingDeviceConfig& config)
    : config_(config), memory_(std::make_shared<RecordingTexture::MemoryCounter>()) {
  resetState();
}

RecordingDevice::~RecordingDevice() = default;

void RecordingDevice::resetState() {
  state_ = RecordedState{};
  setRenderStateDefaults(state_.renderStates);
  for (std::uint32_t stage = 0; stage < kMaxTextureStages; ++stage) {
    setStageDefaults(stage, state_.stageStates[stage]);
    setSamplerDefaults(state_.samplerStates[stage]);
    state_.textureTransforms[stage] = Matrix::identity();
  }
  if (config_.depthFormat == Format::Unknown) {
    state_.renderStates[static_cast<std::uint32_t>(RenderState::ZEnable)] = ZBuffer::False;
  }
  state_.viewport = {0, 0, config_.backBufferWidth, config_.backBufferHeight, 0.0f, 1.0f};
}

HResult RecordingDevice::getDeviceCaps(DeviceCaps& out) const {
  out = config_.caps;
  return kOk;
}

std::uint32_t RecordingDevice::availableTextureMem() const {
  const std::uint64_t total = config_.textureMemory;
  return memory_->used >= total ? 0 : static_cast<std::uint32_t>(total - memory_->used);
}

HResult RecordingDevice::getBackBufferDesc(SurfaceDesc& out) const {
  out = {config_.backBufferFormat, Usage::RenderTarget, Pool::Default, config_.backBufferWidth,
         config_.backBufferHeight};
  return kOk;
}

std::uint64_t RecordingDevice::textureId(const Texture* texture) {
  const RecordingTexture* t = asRecording(texture);
  return t ? t->id() : 0;
}

// Textures handed to a recording device come from a recording device: mixing devices is a
// programming error that the interface cannot express.
const RecordingTexture* RecordingDevice::asRecording(const Texture* texture) {
  return static_cast<const RecordingTexture*>(texture);
}

std::uint64_t RecordingDevice::triangleCount() const {
  std::uint64_t total = 0;
  for (const RecordedDraw& draw : draws()) {
    if (isTriangleType(draw.type)) total += draw.primitiveCount;
  }
  return total;
}

void RecordingDevice::clearRecording() {
  commands_.clear();
  drawCount_ = 0;
  presents_ = 0;
}

void RecordingDevice::record(CommandKind kind, std::uint32_t key, std::uint32_t type, std::uint32_t value) {
  Command c;
  c.kind = kind;
  c.key = key;
  c.type = type;
  c.value = value;
  commands_.push_back(c);
}

// --- frame ---

HResult RecordingDevice::present() {
  if (inScene_) return kD3DInvalidCall;
  if (failed(cooperativeLevel_)) return cooperativeLevel_;
  ++presents_;
  record(CommandKind::Present);
  return kOk;
}

HResult RecordingDevice::reset() {
  if (inScene_ || memory_->liveDefaultPool > 0) return kD3DInvalidCall;
  if (resetFailures_ > 0) {
    --resetFailures_;
    cooperativeLevel_ = kD3DDeviceNotReset;
    return resetFailure_;
  }
  resetState();
  cooperativeLevel_ = kOk;
  ++resets_;
  record(CommandKind::Reset);
  return kOk;
}

HResult RecordingDevice::beginScene() {
  if (inScene_) return kD3DInvalidCall;
  inScene_ = true;
  record(CommandKind::BeginScene);
  return kOk;
}

HResult RecordingDevice::endScene() {
  if (!inScene_) return kD3DInvalidCall;
  inScene_ = false;
  record(CommandKind::EndScene);
  return kOk;
}

HResult RecordingDevice::clear(std::uint32_t flags, Color color, float z, std::uint32_t stencil) {
  const std::uint32_t known = ClearFlag::Target | ClearFlag::ZBuffer | ClearFlag::Stencil;
  if (flags == 0 || (flags & ~known)) return kD3DInvalidCall;
  if ((flags & ClearFlag::ZBuffer) && config_.depthFormat == Format::Unknown) return kD3DInvalidCall;
  if ((flags & ClearFlag::Stencil) && !hasStencil(config_.depthFormat)) return kD3DInvalidCall;
  if (z < 0.0f || z > 1.0f) return kD3DInvalidCall;
  record(CommandKind::Clear, 0, 0, flags);
  commands_.back().color = color;
  commands_.back().z = z;
  commands_.back().type = stencil;
  return kOk;
}

// --- states ---

HResult RecordingDevice::setRenderState(RenderState state, std::uint32_t value) {
  const auto i = static_cast<std::uint32_t>(state);
  if (i >= kRenderStateLimit) return kD3DInvalidCall;
  state_.renderStates[i] = value;
  record(CommandKind::RenderState, i, 0, value);
  return kOk;
}

HResult RecordingDevice::getRenderState(RenderState state, std::uint32_t& out) const {
  const auto i = static_cast<std::uint32_t>(state);
  if (i >= kRenderStateLimit) return kD3DInvalidCall;
  out = state_.renderStates[i];
  return kOk;
}

HResult RecordingDevice::setTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t value) {
  const auto i = static_cast<std::uint32_t>(type);
  if (stage >= kMaxTextureStages || i == 0 || i >= kTextureStageStateLimit) return kD3DInvalidCall;
  state_.stageStates[stage][i] = value;
  record(CommandKind::TextureStageState, stage, i, value);
  return kOk;
}

HResult RecordingDevice::getTextureStageState(std::uint32_t stage, TextureStageState type, std::uint32_t& out) const {
  const auto i = static_cast<std::uint32_t>(type);
  if (stage >= kMaxTextureStages || i == 0 || i >= kTextureStageStateLimit) return kD3DInvalidCall;
  out = state_.stageStates[stage][i];
  return kOk;
}

HResult RecordingDevice::getSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t& out) const {
  const auto i = static_cast<std::uint32_t>(type);
  if (sampler >= kMaxTextureStages || i == 0 || i >= kSamplerStateLimit) return kD3DInvalidCall;
  out = state_.samplerStates[sampler][i];
  return kOk;
}

HResult RecordingDevice::setSamplerState(std::uint32_t sampler, SamplerState type, std::uint32_t value) {
  const auto i = static_cast<std::uint32_t>(type);
  if (sampler >= kMaxTextureStages || i == 0 || i >= kSamplerStateLimit) return kD3DInvalidCall;
  state_.samplerStates[sampler][i] = value;
  record(CommandKind::SamplerState, sampler, i, value);
  return kOk;
}

HResult RecordingDevice::setTransform(TransformState state, const Matrix& matrix) {
  Matrix* slot = isValidTransform(state) ? state_.transform(state) : nullptr;
  if (!slot) return kD3DInvalidCall;
  *slot = matrix;
  record(CommandKind::Transform, static_cast<std::uint32_t>(state));
  return kOk;
}

HResult RecordingDevice::getTransform(TransformState state, Matrix& out) const {
  const Matrix* slot = isValidTransform(state) ? state_.transform(state) : nullptr;
  if (!slot) return kD3DInvalidCall;
  out = *slot;
  return kOk;
}

HResult RecordingDevice::setLight(std::uint32_t index, const Light& light) {
  if (light.type < LightType::Point || light.type > LightType::Directional) return kD3DInvalidCall;
  state_.lights[index].light = light;
  record(CommandKind::Light, index, 0, light.type);
  return kOk;
}

HResult RecordingDevice::lightEnable(std::uint32_t index, bool enable) {
  auto it = state_.lights.find(index);
  if (it == state_.lights.end()) it = state_.lights.emplace(index, LightSlot{defaultLight(), false}).first;
  it->second.enabled = enable;
  record(CommandKind::LightEnable, index, 0, enable ? 1 : 0);
  return kOk;
}

HResult RecordingDevice::setMaterial(const Material& material) {
  state_.material = material;
  record(CommandKind::Material);
  return kOk;
}

HResult RecordingDevice::setViewport(const Viewport& v) {
  const std::uint64_t right = std::uint64_t{v.x} + v.width;
  const std::uint64_t bottom = std::uint64_t{v.y} + v.height;
  if (v.width == 0 || v.height == 0 || right > config_.backBufferWidth || bottom > config_.backBufferHeight ||
      v.minZ < 0.0f || v.maxZ > 1.0f || v.minZ > v.maxZ) {
    return kD3DInvalidCall;
  }
  state_.viewport = v;
  record(CommandKind::Viewport);
  return kOk;
}

HResult RecordingDevice::getViewport(Viewport& out) const {
  out = state_.viewport;
  return kOk;
}

HResult RecordingDevice::setFvf(std::uint32_t fvf) {
  state_.fvf = fvf;
  record(CommandKind::Fvf, 0, 0, fvf);
  return kOk;
}

// --- textures ---

HResult RecordingDevice::setTexture(std::uint32_t stage, Texture* texture) {
  if (stage >= kMaxTextureStages) return kD3DInvalidCall;
  state_.textures[stage] = textureId(texture);
  record(CommandKind::Texture, stage);
  commands_.back().texture = state_.textures[stage];
  return kOk;
}

HResult RecordingDevice::createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                       std::uint32_t usage, Format format, Pool pool,
                                       std::unique_ptr<Texture>& out) {
  out.reset();
  const std::uint32_t size = bytesPerTexel(format);
  const DeviceCaps& caps = config_.caps;
  if (size == 0 || width == 0 || height == 0) return kD3DInvalidCall;
  if (width > caps.maxTextureWidth || height > caps.maxTextureHeight) return kD3DInvalidCall;
  const bool pow2Only = (caps.textureCaps & TextureCaps::Pow2) && !(caps.textureCaps & TextureCaps::NonPow2Conditional);
  if (pow2Only && (!isPowerOfTwo(width) || !isPowerOfTwo(height))) return kD3DInvalidCall;
  if ((caps.textureCaps & TextureCaps::SquareOnly) && width != height) return kD3DInvalidCall;
  const std::uint32_t fullChain = fullMipChainLevels(width, height);
  if (levels == 0) levels = fullChain;
  if (levels > fullChain) return kD3DInvalidCall;
  if (!usageAllowed(usage, pool)) return kD3DInvalidCall;

  auto texture = std::unique_ptr<RecordingTexture>(
      new RecordingTexture(width, height, levels, usage, format, pool, size, config_.rowPadding, memory_));
  if (pool == Pool::Default && memory_->used > config_.textureMemory) return kD3DOutOfVideoMemory;  // dropped
  out = std::move(texture);
  return kOk;
}

HResult RecordingDevice::updateTexture(Texture* source, Texture* destination) {
  if (!source || !destination || source == destination) return kD3DInvalidCall;
  auto* src = static_cast<RecordingTexture*>(source);
  auto* dst = static_cast<RecordingTexture*>(destination);
  if (src->pool() != Pool::SystemMem || dst->pool() != Pool::Default) return kD3DInvalidCall;
  if (src->format() != dst->format()) return kD3DInvalidCall;
  if (src->anyLevelLocked() || dst->anyLevelLocked()) return kD3DInvalidCall;
  // The destination's top level pairs with the source level of the same size; every
  // destination level needs a source level below it.
  std::uint32_t first = 0;
  const auto& d0 = dst->levels_[0];
  while (first < src->levelCount() &&
         (src->levels_[first].width != d0.width || src->levels_[first].height != d0.height)) {
    ++first;
  }
  if (first == src->levelCount() || src->levelCount() - first < dst->levelCount()) return kD3DInvalidCall;

  if (src->dirty_) {
    for (std::uint32_t i = 0; i < dst->levelCount(); ++i) {
      const auto& from = src->levels_[first + i];
      auto& to = dst->levels_[i];
      const std::size_t rowBytes = static_cast<std::size_t>(to.width) * dst->bytesPerTexel();
      for (std::uint32_t y = 0; y < to.height; ++y) {
        std::memcpy(to.bytes.data() + static_cast<std::size_t>(y) * to.pitch,
                    from.bytes.data() + static_cast<std::size_t>(y) * from.pitch, rowBytes);
      }
    }
    src->dirty_ = false;
  }
  record(CommandKind::UpdateTexture);
  commands_.back().texture = dst->id();
  return kOk;
}

// --- draws ---

HResult RecordingDevice::validateDraw(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                                      std::uint32_t stride) const {
  if (!inScene_) return kD3DInvalidCall;
  if (!vertices || stride == 0 || primitiveCount == 0) return kD3DInvalidCall;
  if (verticesForPrimitives(type, primitiveCount) == 0) return kD3DInvalidCall;
  if (primitiveCount > config_.caps.maxPrimitiveCount) return kD3DInvalidCall;
  // User-pointer draws read the vertex format's size per vertex; another stride walks the
  // vertices out of step with their layout.
  const std::uint32_t fvfSize = fvfVertexSize(state_.fvf);
  if (fvfSize == 0 || stride != fvfSize) return kD3DInvalidCall;
  return kOk;
}

HResult RecordingDevice::checkIndices(const void* indices, Format indexFormat, std::uint32_t count,
                                      std::uint32_t minVertexIndex, std::uint32_t numVertices) const {
  if (!indices || numVertices == 0) return kD3DInvalidCall;
  if (indexFormat != Format::Index16 && indexFormat != Format::Index32) return kD3DInvalidCall;
  if (count == 0) return kOk;
  const std::uint64_t end = std::uint64_t{minVertexIndex} + numVertices;
  const auto [lo, hi] = indexFormat == Format::Index16 ? indexRange<std::uint16_t>(indices, count)
                                                       : indexRange<std::uint32_t>(indices, count);
  if (lo < minVertexIndex || hi >= end || hi > config_.caps.maxVertexIndex) return kD3DInvalidCall;
  return kOk;
}

RecordedDraw& RecordingDevice::recordDraw(PrimitiveType type, std::uint32_t primitiveCount, std::uint32_t stride) {
  if (drawCount_ == draws_.size()) draws_.emplace_back();
  RecordedDraw& draw = draws_[drawCount_++];
  // A reused draw starts as a new one would; its state, never written when states are not
  // captured, is still the default then.
  draw.indexed = false;
  draw.type = type;
  draw.primitiveCount = primitiveCount;
  draw.minVertexIndex = 0;
  draw.numVertices = 0;
  draw.stride = stride;
  draw.indexFormat = Format::Unknown;
  draw.vertices.clear();
  draw.indices.clear();
  if (config_.captureState) draw.state = state_;
  record(CommandKind::Draw);
  commands_.back().draw = drawCount_ - 1;
  return draw;
}

HResult RecordingDevice::drawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                                         std::uint32_t stride) {
  if (HResult hr = validateDraw(type, primitiveCount, vertices, stride); failed(hr)) return hr;
  const auto count = static_cast<std::uint32_t>(verticesForPrimitives(type, primitiveCount));
  RecordedDraw& draw = recordDraw(type, primitiveCount, stride);
  draw.numVertices = count;
  if (config_.captureGeometry) {
    const auto* bytes = static_cast<const std::uint8_t*>(vertices);
    draw.vertices.assign(bytes, bytes + static_cast<std::size_t>(count) * stride);
  }
  return kOk;
}

HResult RecordingDevice::drawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex,
                                                std::uint32_t numVertices, std::uint32_t primitiveCount,
                                                const void* indices, Format indexFormat, const void* vertices,
                                                std::uint32_t stride) {
  if (HResult hr = validateDraw(type, primitiveCount, vertices, stride); failed(hr)) return hr;
  const auto indexCount = static_cast<std::uint32_t>(verticesForPrimitives(type, primitiveCount));
  if (HResult hr = checkIndices(indices, indexFormat, indexCount, minVertexIndex, numVertices); failed(hr)) {
    return hr;
  }
  RecordedDraw& draw = recordDraw(type, primitiveCount, stride);
  draw.indexed = true;
  draw.minVertexIndex = minVertexIndex;
  draw.numVertices = numVertices;
  draw.indexFormat = indexFormat;
  if (config_.captureGeometry) {
    const auto* vbytes = static_cast<const std::uint8_t*>(vertices);
    draw.vertices.assign(vbytes, vbytes + (static_cast<std::size_t>(minVertexIndex) + numVertices) * stride);
    draw.indices.resize(indexCount);
    for (std::uint32_t i = 0; i < indexCount; ++i) draw.indices[i] = readIndex(indices, indexFormat, i);
  }
  return kOk;
}

}  // namespace skyloom
