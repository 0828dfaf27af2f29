#pragma once
// RecordingDevice: a RenderDevice without a GPU. Textures keep real pixels per level, so locks,
// mip building and updateTexture can be checked byte for byte. Every state change and draw is
// recorded: the command list keeps the order of calls, and each draw keeps a copy of its
// vertices and indices together with the complete device state at the time of the draw, so a
// test can ask what a frame drew, with which texture and under which states.
//
// The device checks calls the way the Direct3D 9 runtime does (locks of default-pool textures,
// draws outside BeginScene/EndScene, vertex strides that disagree with the vertex format,
// indices outside the declared vertex range, updateTexture between mismatched textures) and
// answers D3DERR_INVALIDCALL where the real device would refuse or misbehave, so such faults
// show up in native tests. Its initial states are Direct3D 9's defaults.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "platform/gfx/render_device.h"

namespace skyloom {

struct RecordingDeviceConfig {
  DeviceCaps caps = defaultCaps();
  // Texture memory the device starts with; default-pool textures use it up.
  std::uint32_t textureMemory = 128u * 1024 * 1024;
  std::uint32_t backBufferWidth = 640;
  std::uint32_t backBufferHeight = 480;
  Format backBufferFormat = Format::X8R8G8B8;
  Format depthFormat = Format::D16;  // Unknown: no depth buffer
  // Extra bytes at the end of every texture row, on top of 4-byte alignment, to catch code
  // that assumes the pitch equals the row's size.
  std::uint32_t rowPadding = 0;
  // When false, draws record counts and state but not the vertex and index data.
  bool captureGeometry = true;
  // When false, draws do not keep a copy of the device state (benchmarks and long geometry
  // checks: the copy, lights included, costs more than the draw itself).
  bool captureState = true;

  // A typical Direct3D 9 class card with anisotropic filtering and eight stages.
  static DeviceCaps defaultCaps();
};

class RecordingTexture final : public Texture {
 public:
  ~RecordingTexture() override;

  std::uint32_t levelCount() const override { return static_cast<std::uint32_t>(levels_.size()); }
  HResult getLevelDesc(std::uint32_t level, SurfaceDesc& out) const override;
  HResult lockRect(std::uint32_t level, LockedRect& out, const Rect* rect, std::uint32_t lockFlags) override;
  HResult unlockRect(std::uint32_t level) override;

  // Unique among all recording textures of the process; never 0.
  std::uint64_t id() const { return id_; }
  Format format() const { return format_; }
  Pool pool() const { return pool_; }
  std::uint32_t bytesPerTexel() const { return texelSize_; }
  std::uint32_t pitch(std::uint32_t level) const;
  // The level's storage, pitch × height bytes (empty for a level that does not exist).
  std::span<const std::uint8_t> levelBytes(std::uint32_t level) const;
  // The texel at (x, y) of a level, little-endian, as 8, 16, 24 or 32 bits; 0 outside.
  std::uint32_t texel(std::uint32_t level, std::uint32_t x, std::uint32_t y) const;
  // Set at creation and by writing locks; cleared when updateTexture copies from it.
  bool dirty() const { return dirty_; }
  bool locked(std::uint32_t level) const;
  // Total bytes of the level storage.
  std::size_t byteSize() const;

 private:
  friend class RecordingDevice;
  struct Level {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t pitch = 0;
    bool locked = false;
    std::vector<std::uint8_t> bytes;
  };
  // Shared by a device and its textures, which may outlive it.
  struct MemoryCounter {
    std::uint64_t used = 0;          // bytes of default-pool textures
    std::size_t liveTextures = 0;    // every pool
    std::size_t liveDefaultPool = 0;
  };

  RecordingTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                   Format format, Pool pool, std::uint32_t texelSize, std::uint32_t rowPadding,
                   std::shared_ptr<MemoryCounter> memory);
  bool anyLevelLocked() const;

  std::uint64_t id_;
  Format format_;
  Pool pool_;
  std::uint32_t usage_;
  std::uint32_t texelSize_;
  bool dirty_ = true;
  std::vector<Level> levels_;
  std::shared_ptr<MemoryCounter> memory_;  // default-pool textures count against the device
};

struct LightSlot {
  Light light;
  bool enabled = false;
};

// Everything a draw depends on. Textures are recorded by RecordingTexture::id(), 0 = none.
struct RecordedState {
  std::array<std::uint32_t, kRenderStateLimit> renderStates{};
  std::array<std::array<std::uint32_t, kTextureStageStateLimit>, kMaxTextureStages> stageStates{};
  std::array<std::array<std::uint32_t, kSamplerStateLimit>, kMaxTextureStages> samplerStates{};
  std::array<std::uint64_t, kMaxTextureStages> textures{};
  Matrix world = Matrix::identity();
  Matrix view = Matrix::identity();
  Matrix projection = Matrix::identity();
  std::array<Matrix, kMaxTextureStages> textureTransforms{};
  std::map<std::uint32_t, LightSlot> lights;
  Material material;
  Viewport viewport;
  std::uint32_t fvf = 0;

  std::uint32_t renderState(RenderState state) const;
  std::uint32_t stageState(std::uint32_t stage, TextureStageState type) const;
  std::uint32_t samplerState(std::uint32_t sampler, SamplerState type) const;
  // Null for a transform the device does not keep.
  const Matrix* transform(TransformState state) const;
  Matrix* transform(TransformState state);
  // Null when the light was never set or enabled.
  const LightSlot* light(std::uint32_t index) const;
};

struct RecordedDraw {
  bool indexed = false;
  PrimitiveType type = PrimitiveType::TriangleList;
  std::uint32_t primitiveCount = 0;
  std::uint32_t minVertexIndex = 0;
  std::uint32_t numVertices = 0;  // vertices the draw uses
  std::uint32_t stride = 0;
  Format indexFormat = Format::Unknown;
  // Vertex bytes from vertex 0 up to the last vertex the draw reads, so indices address them
  // directly; indices widened to 32 bits. Both empty unless geometry is captured.
  std::vector<std::uint8_t> vertices;
  std::vector<std::uint32_t> indices;
  RecordedState state;

  // Bytes of vertex i (null outside the captured data).
  const std::uint8_t* vertex(std::uint32_t i) const;
  // The float at byteOffset of vertex i, e.g. floatAt(i, 4) is its y.
  float floatAt(std::uint32_t i, std::uint32_t byteOffset) const;
  std::uint32_t dwordAt(std::uint32_t i, std::uint32_t byteOffset) const;
};

enum class CommandKind {
  BeginScene,
  EndScene,
  Clear,
  Present,
  RenderState,
  TextureStageState,
  SamplerState,
  Transform,
  Light,
  LightEnable,
  Material,
  Viewport,
  Texture,
  Fvf,
  UpdateTexture,
  Draw,
  Reset,
};

// One accepted call, in call order. key is the state, stage, sampler, light index or transform;
// type the stage or sampler state; value the new value. Clear keeps its flags in value, its
// colour in color, its depth in z and its stencil value in type. texture is the bound or
// updated texture's id; draw the index into draws().
struct Command {
  CommandKind kind = CommandKind::BeginScene;
  std::uint32_t key = 0;
  std::uint32_t type = 0;
  std::uint32_t value = 0;
  Color color = 0;
  float z = 0;
  std::uint64_t texture = 0;
  std::size_t draw = 0;
};

class RecordingDevice final : public RenderDevice {
 public:
  explicit RecordingDevice(const RecordingDeviceConfig& config = {});
  ~RecordingDevice() override;

  HResult getDeviceCaps(DeviceCaps& out) const override;
  std::uint32_t availableTextureMem() const override;
  HResult getBackBufferDesc(SurfaceDesc& out) const override;
  HResult testCooperativeLevel() const override { return cooperativeLevel_; }
  HResult present() override;
  // Fails with kD3DInvalidCall while default-pool textures are alive or inside a scene, as
  // Direct3D 9 does; then answers a failure queued by failResets, if any.
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

  // --- for tests ---

  // Makes testCooperativeLevel and present answer this code (kD3DDeviceLost, ...), or kOk.
  void setCooperativeLevel(HResult code) { cooperativeLevel_ = code; }
  // The next `count` resets fail with `code` (kD3DDeviceLost, kD3DDriverInternalError, ...).
  void failResets(HResult code, int count) {
    resetFailure_ = code;
    resetFailures_ = count;
  }
  std::uint64_t resetCount() const { return resets_; }
  // Textures made by this device that still exist, of every pool and of the default pool.
  std::size_t liveTextures() const { return memory_->liveTextures; }
  std::size_t liveDefaultPoolTextures() const { return memory_->liveDefaultPool; }
  const RecordedState& state() const { return state_; }
  const std::vector<Command>& commands() const { return commands_; }
  std::span<const RecordedDraw> draws() const { return {draws_.data(), drawCount_}; }
  std::uint64_t presentCount() const { return presents_; }
  bool inScene() const { return inScene_; }
  // Triangles drawn by the recorded draws (lists, strips and fans).
  std::uint64_t triangleCount() const;
  // Forgets recorded commands and draws; the device state and textures stay.
  void clearRecording();

  // The id of a texture made by a recording device; 0 for null.
  static std::uint64_t textureId(const Texture* texture);
  static const RecordingTexture* asRecording(const Texture* texture);

 private:
  HResult validateDraw(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                       std::uint32_t stride) const;
  HResult checkIndices(const void* indices, Format indexFormat, std::uint32_t count, std::uint32_t minVertexIndex,
                       std::uint32_t numVertices) const;
  RecordedDraw& recordDraw(PrimitiveType type, std::uint32_t primitiveCount, std::uint32_t stride);
  void record(CommandKind kind, std::uint32_t key = 0, std::uint32_t type = 0, std::uint32_t value = 0);
  void resetState();

  RecordingDeviceConfig config_;
  RecordedState state_;
  std::shared_ptr<RecordingTexture::MemoryCounter> memory_;
  std::vector<Command> commands_;
  // The recording's draws are the first drawCount_; the ones after them are kept from earlier
  // recordings to be reused, as a draw with its state is a few kilobytes to make.
  std::vector<RecordedDraw> draws_;
  std::size_t drawCount_ = 0;
  HResult cooperativeLevel_ = kOk;
  HResult resetFailure_ = kOk;
  int resetFailures_ = 0;
  std::uint64_t resets_ = 0;
  std::uint64_t presents_ = 0;
  bool inScene_ = false;
};

}  // namespace skyloom
