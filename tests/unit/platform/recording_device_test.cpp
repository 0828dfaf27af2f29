#include "platform/gfx/recording_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace skyloom {
namespace {

struct TrailVertex {  // Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1
  float x, y, z;
  Color color;
  float u, v;
};

std::unique_ptr<Texture> makeTexture(RenderDevice& device, std::uint32_t w, std::uint32_t h, std::uint32_t levels,
                                     Format format, Pool pool, std::uint32_t usage = Usage::None) {
  std::unique_ptr<Texture> texture;
  EXPECT_EQ(device.createTexture(w, h, levels, usage, format, pool, texture), kOk);
  return texture;
}

// Fills every level with texel value (level << 24) | (y << 12) | x, through the locked pitch.
void fillLevels(Texture& texture) {
  for (std::uint32_t level = 0; level < texture.levelCount(); ++level) {
    SurfaceDesc desc;
    ASSERT_EQ(texture.getLevelDesc(level, desc), kOk);
    LockedRect locked;
    ASSERT_EQ(texture.lockRect(level, locked, nullptr, Lock::None), kOk);
    for (std::uint32_t y = 0; y < desc.height; ++y) {
      auto* row = static_cast<std::uint8_t*>(locked.bits) + y * locked.pitch;
      for (std::uint32_t x = 0; x < desc.width; ++x) {
        const std::uint32_t value = (level << 24) | (y << 12) | x;
        std::memcpy(row + 4 * x, &value, 4);
      }
    }
    ASSERT_EQ(texture.unlockRect(level), kOk);
  }
}

class RecordingDeviceTest : public ::testing::Test {
 protected:
  RecordingDeviceConfig paddedConfig() {
    RecordingDeviceConfig config;
    config.rowPadding = 12;  // rows longer than width × 4, as on real cards
    return config;
  }

  void drawTriangle(RenderDevice& device) {
    ASSERT_EQ(device.setFvf(Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1), kOk);
    ASSERT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, 3, 1, indices16_, Format::Index16,
                                            triangle_, sizeof(TrailVertex)),
              kOk);
  }

  TrailVertex triangle_[3] = {{0, 1, 2, 0xFF0000FF, 0, 0}, {3, 4, 5, 0xFF00FF00, 1, 0}, {6, 7, 8, 0xFFFF0000, 0, 1}};
  std::uint16_t indices16_[3] = {0, 2, 1};
};

TEST_F(RecordingDeviceTest, FullChainLevelsHalveDownToOne) {
  RecordingDevice device;
  auto texture = makeTexture(device, 64, 16, 0, Format::A8R8G8B8, Pool::SystemMem);
  ASSERT_TRUE(texture);
  EXPECT_EQ(texture->levelCount(), 7u);
  SurfaceDesc desc;
  ASSERT_EQ(texture->getLevelDesc(5, desc), kOk);
  EXPECT_EQ(desc.width, 2u);
  EXPECT_EQ(desc.height, 1u);
  EXPECT_EQ(desc.pool, Pool::SystemMem);
  EXPECT_EQ(texture->getLevelDesc(7, desc), kD3DInvalidCall);
}

TEST_F(RecordingDeviceTest, UpdateCopiesStagingLevelsOfTheSameSizeThroughPaddedPitch) {
  RecordingDevice device(paddedConfig());
  auto staging = makeTexture(device, 32, 16, 0, Format::A8R8G8B8, Pool::SystemMem);
  auto target = makeTexture(device, 16, 8, 2, Format::A8R8G8B8, Pool::Default);
  fillLevels(*staging);

  ASSERT_EQ(device.updateTexture(staging.get(), target.get()), kOk);

  // The target's top level is 16 × 8, which is the staging texture's level 1.
  const RecordingTexture* result = RecordingDevice::asRecording(target.get());
  EXPECT_GT(result->pitch(0), 16u * 4);
  EXPECT_EQ(result->texel(0, 0, 0), (1u << 24));
  EXPECT_EQ(result->texel(0, 15, 7), (1u << 24) | (7u << 12) | 15u);
  EXPECT_EQ(result->texel(1, 7, 3), (2u << 24) | (3u << 12) | 7u);
}

TEST_F(RecordingDeviceTest, UpdateCopiesOnlyAfterAWritingLock) {
  RecordingDevice device;
  auto staging = makeTexture(device, 4, 4, 1, Format::A8R8G8B8, Pool::SystemMem);
  auto target = makeTexture(device, 4, 4, 1, Format::A8R8G8B8, Pool::Default);
  fillLevels(*staging);
  ASSERT_EQ(device.updateTexture(staging.get(), target.get()), kOk);

  // Changes behind locks that do not mark the texture are not copied again.
  LockedRect locked;
  ASSERT_EQ(staging->lockRect(0, locked, nullptr, Lock::NoDirtyUpdate), kOk);
  std::memset(locked.bits, 0xAB, 4);
  ASSERT_EQ(staging->unlockRect(0), kOk);
  ASSERT_EQ(staging->lockRect(0, locked, nullptr, Lock::ReadOnly), kOk);
  ASSERT_EQ(staging->unlockRect(0), kOk);
  ASSERT_EQ(device.updateTexture(staging.get(), target.get()), kOk);
  EXPECT_EQ(RecordingDevice::asRecording(target.get())->texel(0, 0, 0), 0u);

  ASSERT_EQ(staging->lockRect(0, locked, nullptr, Lock::None), kOk);
  ASSERT_EQ(staging->unlockRect(0), kOk);
  ASSERT_EQ(device.updateTexture(staging.get(), target.get()), kOk);
  EXPECT_EQ(RecordingDevice::asRecording(target.get())->texel(0, 0, 0), 0xABABABABu);
}

TEST_F(RecordingDeviceTest, UpdateRefusesMismatchedTextures) {
  RecordingDevice device;
  auto staging = makeTexture(device, 16, 16, 1, Format::A8R8G8B8, Pool::SystemMem);
  auto target = makeTexture(device, 16, 16, 1, Format::A8R8G8B8, Pool::Default);
  auto otherFormat = makeTexture(device, 16, 16, 1, Format::A4R4G4B4, Pool::Default);
  auto moreLevels = makeTexture(device, 16, 16, 2, Format::A8R8G8B8, Pool::Default);
  auto otherSize = makeTexture(device, 32, 32, 1, Format::A8R8G8B8, Pool::Default);

  EXPECT_EQ(device.updateTexture(staging.get(), otherFormat.get()), kD3DInvalidCall);
  EXPECT_EQ(device.updateTexture(staging.get(), moreLevels.get()), kD3DInvalidCall);
  EXPECT_EQ(device.updateTexture(staging.get(), otherSize.get()), kD3DInvalidCall);
  EXPECT_EQ(device.updateTexture(target.get(), staging.get()), kD3DInvalidCall);  // pools swapped
  EXPECT_EQ(device.updateTexture(staging.get(), nullptr), kD3DInvalidCall);

  LockedRect locked;
  ASSERT_EQ(staging->lockRect(0, locked, nullptr, Lock::None), kOk);
  EXPECT_EQ(device.updateTexture(staging.get(), target.get()), kD3DInvalidCall);
}

TEST_F(RecordingDeviceTest, LockFollowsPoolRulesAndRectangles) {
  RecordingDevice device;
  auto gpuOnly = makeTexture(device, 8, 8, 1, Format::R5G6B5, Pool::Default);
  auto dynamic = makeTexture(device, 8, 8, 1, Format::R5G6B5, Pool::Default, Usage::Dynamic);
  auto staging = makeTexture(device, 8, 8, 1, Format::R5G6B5, Pool::SystemMem);
  LockedRect locked;

  EXPECT_EQ(gpuOnly->lockRect(0, locked, nullptr, Lock::None), kD3DInvalidCall);
  ASSERT_EQ(dynamic->lockRect(0, locked, nullptr, Lock::Discard), kOk);
  EXPECT_EQ(dynamic->unlockRect(0), kOk);

  const Rect inside{2, 3, 5, 6};
  ASSERT_EQ(staging->lockRect(0, locked, &inside, Lock::None), kOk);
  EXPECT_EQ(staging->lockRect(0, locked, nullptr, Lock::None), kD3DInvalidCall);  // already locked
  const std::uint16_t texel = 0xF81F;
  std::memcpy(locked.bits, &texel, 2);  // first texel of the rectangle
  std::memcpy(static_cast<std::uint8_t*>(locked.bits) + locked.pitch, &texel, 2);
  ASSERT_EQ(staging->unlockRect(0), kOk);
  EXPECT_EQ(staging->unlockRect(0), kD3DInvalidCall);
  EXPECT_EQ(RecordingDevice::asRecording(staging.get())->texel(0, 2, 3), 0xF81Fu);
  EXPECT_EQ(RecordingDevice::asRecording(staging.get())->texel(0, 2, 4), 0xF81Fu);

  const Rect outside{6, 6, 9, 8};
  const Rect empty{3, 3, 3, 5};
  EXPECT_EQ(staging->lockRect(0, locked, &outside, Lock::None), kD3DInvalidCall);
  EXPECT_EQ(staging->lockRect(0, locked, &empty, Lock::None), kD3DInvalidCall);
}

TEST_F(RecordingDeviceTest, StoresTheFormatsOfTheProgramAndRefusesOthers) {
  RecordingDevice device;
  const std::pair<Format, std::uint32_t> formats[] = {
      {Format::A8R8G8B8, 4}, {Format::X8R8G8B8, 4}, {Format::R5G6B5, 2}, {Format::A1R5G5B5, 2},
      {Format::A4R4G4B4, 2}, {Format::A8, 1},       {Format::L8, 1},
  };
  for (auto [format, bytes] : formats) {
    auto texture = makeTexture(device, 5, 3, 1, format, Pool::SystemMem);
    ASSERT_TRUE(texture);
    const RecordingTexture* t = RecordingDevice::asRecording(texture.get());
    EXPECT_EQ(t->bytesPerTexel(), bytes);
    EXPECT_GE(t->pitch(0), 5 * bytes);
    EXPECT_EQ(t->pitch(0) % 4, 0u);
  }
  std::unique_ptr<Texture> texture;
  EXPECT_EQ(device.createTexture(8, 8, 1, 0, Format::Dxt1, Pool::SystemMem, texture), kD3DInvalidCall);
  EXPECT_EQ(device.createTexture(0, 8, 1, 0, Format::A8R8G8B8, Pool::SystemMem, texture), kD3DInvalidCall);
  EXPECT_EQ(device.createTexture(8, 8, 5, 0, Format::A8R8G8B8, Pool::SystemMem, texture), kD3DInvalidCall);
  EXPECT_FALSE(texture);
}

TEST_F(RecordingDeviceTest, CapsLimitTextureSizes) {
  RecordingDeviceConfig config;
  config.caps.maxTextureWidth = config.caps.maxTextureHeight = 256;
  config.caps.textureCaps |= TextureCaps::Pow2;
  RecordingDevice device(config);
  std::unique_ptr<Texture> texture;
  EXPECT_EQ(device.createTexture(512, 256, 1, 0, Format::A4R4G4B4, Pool::Default, texture), kD3DInvalidCall);
  EXPECT_EQ(device.createTexture(100, 64, 1, 0, Format::A4R4G4B4, Pool::Default, texture), kD3DInvalidCall);
  EXPECT_EQ(device.createTexture(256, 64, 1, 0, Format::A4R4G4B4, Pool::Default, texture), kOk);
  DeviceCaps caps;
  ASSERT_EQ(device.getDeviceCaps(caps), kOk);
  EXPECT_EQ(caps.maxTextureWidth, 256u);
}

TEST_F(RecordingDeviceTest, DefaultPoolTexturesUseUpTextureMemory) {
  RecordingDeviceConfig config;
  config.textureMemory = 1024 * 1024;
  RecordingDevice device(config);
  auto staging = makeTexture(device, 256, 256, 1, Format::A8R8G8B8, Pool::SystemMem);
  EXPECT_EQ(device.availableTextureMem(), 1024u * 1024);  // system memory is not the card's

  auto texture = makeTexture(device, 256, 256, 1, Format::A8R8G8B8, Pool::Default);
  EXPECT_EQ(device.availableTextureMem(), 768u * 1024);

  std::unique_ptr<Texture> tooLarge;
  EXPECT_EQ(device.createTexture(512, 512, 1, 0, Format::A8R8G8B8, Pool::Default, tooLarge), kD3DOutOfVideoMemory);
  EXPECT_FALSE(tooLarge);
  EXPECT_EQ(device.availableTextureMem(), 768u * 1024);

  texture.reset();
  EXPECT_EQ(device.availableTextureMem(), 1024u * 1024);
}

TEST_F(RecordingDeviceTest, StartsWithDirect3DDefaultStates) {
  RecordingDevice device;
  const RecordedState& s = device.state();
  EXPECT_EQ(s.renderState(RenderState::Lighting), 1u);
  EXPECT_EQ(s.renderState(RenderState::CullMode), Cull::Ccw);
  EXPECT_EQ(s.renderState(RenderState::ZEnable), ZBuffer::True);
  EXPECT_EQ(s.renderState(RenderState::FogEnd), floatBits(1.0f));
  EXPECT_EQ(s.stageState(0, TextureStageState::ColorOp), TextureOp::Modulate);
  EXPECT_EQ(s.stageState(1, TextureStageState::ColorOp), TextureOp::Disable);
  EXPECT_EQ(s.stageState(0, TextureStageState::AlphaOp), TextureOp::SelectArg1);
  EXPECT_EQ(s.stageState(3, TextureStageState::TexCoordIndex), 3u);
  EXPECT_EQ(s.samplerState(0, SamplerState::AddressU), TextureAddress::Wrap);
  EXPECT_EQ(s.samplerState(2, SamplerState::MaxAnisotropy), 1u);
  Viewport viewport;
  ASSERT_EQ(device.getViewport(viewport), kOk);
  EXPECT_EQ(viewport.width, 640u);
  EXPECT_EQ(viewport.height, 480u);
}

TEST_F(RecordingDeviceTest, DrawKeepsGeometryAndTheStateOfItsMoment) {
  RecordingDevice device;
  auto texture = makeTexture(device, 4, 4, 1, Format::A8R8G8B8, Pool::Default);
  const Matrix world = translation(1, 2, 3);
  ASSERT_EQ(device.beginScene(), kOk);
  ASSERT_EQ(device.setRenderState(RenderState::ZWriteEnable, 0), kOk);
  ASSERT_EQ(device.setTextureStageState(0, TextureStageState::AlphaOp, TextureOp::Modulate), kOk);
  ASSERT_EQ(device.setSamplerState(0, SamplerState::AddressU, TextureAddress::Clamp), kOk);
  ASSERT_EQ(device.setTransform(TransformState::World, world), kOk);
  ASSERT_EQ(device.setTexture(0, texture.get()), kOk);
  drawTriangle(device);
  ASSERT_EQ(device.setRenderState(RenderState::ZWriteEnable, 1), kOk);
  ASSERT_EQ(device.setTexture(0, nullptr), kOk);
  ASSERT_EQ(device.endScene(), kOk);

  ASSERT_EQ(device.draws().size(), 1u);
  const RecordedDraw& draw = device.draws()[0];
  EXPECT_TRUE(draw.indexed);
  EXPECT_EQ(draw.type, PrimitiveType::TriangleList);
  EXPECT_EQ(draw.primitiveCount, 1u);
  EXPECT_EQ(draw.stride, 24u);
  EXPECT_EQ(draw.indices, (std::vector<std::uint32_t>{0, 2, 1}));
  EXPECT_EQ(draw.floatAt(2, 4), 7.0f);
  EXPECT_EQ(draw.dwordAt(1, 12), 0xFF00FF00u);
  EXPECT_EQ(draw.state.renderState(RenderState::ZWriteEnable), 0u);
  EXPECT_EQ(draw.state.stageState(0, TextureStageState::AlphaOp), TextureOp::Modulate);
  EXPECT_EQ(draw.state.samplerState(0, SamplerState::AddressU), TextureAddress::Clamp);
  EXPECT_EQ(draw.state.textures[0], RecordingDevice::textureId(texture.get()));
  EXPECT_EQ(draw.state.world.m[3][1], 2.0f);
  EXPECT_EQ(draw.state.fvf, Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1);
  // The device moved on after the draw.
  EXPECT_EQ(device.state().renderState(RenderState::ZWriteEnable), 1u);
  EXPECT_EQ(device.state().textures[0], 0u);
}

TEST_F(RecordingDeviceTest, CommandsKeepTheCallOrder) {
  RecordingDevice device;
  ASSERT_EQ(device.clear(ClearFlag::ZBuffer, 0, 1.0f, 0), kOk);
  ASSERT_EQ(device.beginScene(), kOk);
  ASSERT_EQ(device.setRenderState(RenderState::ZEnable, ZBuffer::False), kOk);
  drawTriangle(device);
  ASSERT_EQ(device.setRenderState(RenderState::ZEnable, ZBuffer::True), kOk);
  ASSERT_EQ(device.endScene(), kOk);
  ASSERT_EQ(device.present(), kOk);

  const std::vector<CommandKind> expected = {CommandKind::Clear,       CommandKind::BeginScene, CommandKind::RenderState,
                                             CommandKind::Fvf,         CommandKind::Draw,       CommandKind::RenderState,
                                             CommandKind::EndScene,    CommandKind::Present};
  std::vector<CommandKind> kinds;
  for (const Command& c : device.commands()) kinds.push_back(c.kind);
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(device.commands()[0].value, ClearFlag::ZBuffer);
  EXPECT_EQ(device.commands()[2].value, ZBuffer::False);
  EXPECT_EQ(device.presentCount(), 1u);

  device.clearRecording();
  EXPECT_TRUE(device.commands().empty());
  EXPECT_EQ(device.state().renderState(RenderState::ZEnable), ZBuffer::True);
}

TEST_F(RecordingDeviceTest, RefusesDrawsTheRealDeviceWouldReject) {
  RecordingDevice device;
  ASSERT_EQ(device.setFvf(Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1), kOk);
  const std::uint16_t outOfRange[3] = {0, 1, 3};
  const std::uint32_t wide[3] = {2, 1, 0};

  // Outside BeginScene/EndScene.
  EXPECT_EQ(device.drawPrimitiveUP(PrimitiveType::TriangleList, 1, triangle_, 24), kD3DInvalidCall);
  ASSERT_EQ(device.beginScene(), kOk);
  EXPECT_EQ(device.beginScene(), kD3DInvalidCall);
  EXPECT_EQ(device.present(), kD3DInvalidCall);
  // A stride that is not the vertex format's size.
  EXPECT_EQ(device.drawPrimitiveUP(PrimitiveType::TriangleList, 1, triangle_, 28), kD3DInvalidCall);
  EXPECT_EQ(device.drawPrimitiveUP(PrimitiveType::TriangleList, 0, triangle_, 24), kD3DInvalidCall);
  EXPECT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, 3, 1, outOfRange, Format::Index16, triangle_,
                                          24),
            kD3DInvalidCall);
  EXPECT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 1, 2, 1, wide, Format::Index32, triangle_, 24),
            kD3DInvalidCall);  // index 0 lies below the minimum vertex index
  EXPECT_TRUE(device.draws().empty());

  EXPECT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, 3, 1, wide, Format::Index32, triangle_, 24),
            kOk);
  EXPECT_EQ(device.drawPrimitiveUP(PrimitiveType::TriangleStrip, 1, triangle_, 24), kOk);
  EXPECT_EQ(device.draws()[0].indices, (std::vector<std::uint32_t>{2, 1, 0}));
  EXPECT_EQ(device.draws()[1].vertices.size(), 3u * 24);
  EXPECT_EQ(device.triangleCount(), 2u);
  EXPECT_EQ(device.endScene(), kOk);
  EXPECT_EQ(device.endScene(), kD3DInvalidCall);
}

// Long index lists are checked in blocks: an index out of range is found in a block and in
// the tail after the last one, in both widths. A draw recorded after clearRecording starts
// fresh even where the previous recording's draw was indexed and carried geometry.
TEST_F(RecordingDeviceTest, LongIndexListsAreCheckedThroughoutAndClearedDrawsStartFresh) {
  RecordingDevice device;
  ASSERT_EQ(device.setFvf(Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1), kOk);
  ASSERT_EQ(device.beginScene(), kOk);
  std::vector<TrailVertex> vertices(40, triangle_[0]);
  for (int bad : {5, 20, 37, 38}) {  // inside the blocks, and in the tail of 39 indices
    std::vector<std::uint16_t> narrow(39, 7);
    std::vector<std::uint32_t> wide(39, 7);
    narrow[static_cast<std::size_t>(bad)] = 40;
    wide[static_cast<std::size_t>(bad)] = 40;
    EXPECT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, 40, 13, narrow.data(), Format::Index16,
                                            vertices.data(), sizeof(TrailVertex)),
              kD3DInvalidCall)
        << bad;
    EXPECT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, 40, 13, wide.data(), Format::Index32,
                                            vertices.data(), sizeof(TrailVertex)),
              kD3DInvalidCall)
        << bad;
    narrow[static_cast<std::size_t>(bad)] = 39;
    EXPECT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, 40, 13, narrow.data(), Format::Index16,
                                            vertices.data(), sizeof(TrailVertex)),
              kOk);
    narrow[static_cast<std::size_t>(bad)] = 0;
    EXPECT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 1, 39, 13, narrow.data(), Format::Index16,
                                            vertices.data(), sizeof(TrailVertex)),
              kD3DInvalidCall);  // below the minimum vertex index
  }
  ASSERT_EQ(device.draws().size(), 4u);
  EXPECT_TRUE(device.draws()[0].indexed);
  EXPECT_EQ(device.draws()[0].indices.size(), 39u);

  device.clearRecording();
  EXPECT_TRUE(device.draws().empty());
  ASSERT_EQ(device.drawPrimitiveUP(PrimitiveType::TriangleStrip, 1, triangle_, sizeof(TrailVertex)), kOk);
  ASSERT_EQ(device.draws().size(), 1u);
  const RecordedDraw& fresh = device.draws()[0];
  EXPECT_FALSE(fresh.indexed);
  EXPECT_EQ(fresh.type, PrimitiveType::TriangleStrip);
  EXPECT_EQ(fresh.minVertexIndex, 0u);
  EXPECT_EQ(fresh.indexFormat, Format::Unknown);
  EXPECT_TRUE(fresh.indices.empty());
  EXPECT_EQ(fresh.vertices.size(), 3u * sizeof(TrailVertex));
  EXPECT_EQ(device.commands().back().draw, 0u);
  EXPECT_EQ(device.endScene(), kOk);
}

TEST_F(RecordingDeviceTest, LightsMaterialsAndViewports) {
  RecordingDevice device;
  ASSERT_EQ(device.lightEnable(0, true), kOk);  // never set: Direct3D's default light
  const LightSlot* slot = device.state().light(0);
  ASSERT_NE(slot, nullptr);
  EXPECT_TRUE(slot->enabled);
  EXPECT_EQ(slot->light.type, LightType::Directional);
  EXPECT_EQ(slot->light.direction.z, 1.0f);
  EXPECT_EQ(slot->light.diffuse.r, 1.0f);

  Light sun;
  sun.type = LightType::Directional;
  sun.diffuse = {0.5f, 0.25f, 1.0f, 0.0f};
  sun.direction = {0, -1, 0};
  ASSERT_EQ(device.setLight(0, sun), kOk);
  EXPECT_TRUE(device.state().light(0)->enabled);  // setting a light keeps it enabled
  EXPECT_EQ(device.state().light(0)->light.diffuse.g, 0.25f);
  sun.type = 0;
  EXPECT_EQ(device.setLight(1, sun), kD3DInvalidCall);
  EXPECT_EQ(device.state().light(1), nullptr);

  Material material;
  material.power = 40;
  ASSERT_EQ(device.setMaterial(material), kOk);
  EXPECT_EQ(device.state().material.power, 40.0f);

  EXPECT_EQ(device.setViewport({0, 0, 641, 480, 0, 1}), kD3DInvalidCall);
  EXPECT_EQ(device.setViewport({320, 240, 320, 240, 0, 1}), kOk);
  SurfaceDesc backBuffer;
  ASSERT_EQ(device.getBackBufferDesc(backBuffer), kOk);
  EXPECT_EQ(backBuffer.width, 640u);
}

TEST_F(RecordingDeviceTest, TransformsReadBackAndUnknownOnesAreRefused) {
  RecordingDevice device;
  const Matrix view = translation(0, -5, 0);
  ASSERT_EQ(device.setTransform(TransformState::View, view), kOk);
  ASSERT_EQ(device.setTransform(textureTransform(1), scaling(2, 2, 1)), kOk);
  Matrix out;
  ASSERT_EQ(device.getTransform(TransformState::View, out), kOk);
  EXPECT_EQ(out.m[3][1], -5.0f);
  ASSERT_EQ(device.getTransform(TransformState::Texture1, out), kOk);
  EXPECT_EQ(out.m[0][0], 2.0f);
  EXPECT_EQ(device.setTransform(static_cast<TransformState>(1), view), kD3DInvalidCall);
}

TEST_F(RecordingDeviceTest, LostDeviceRefusesPresent) {
  RecordingDevice device;
  device.setCooperativeLevel(kD3DDeviceLost);
  EXPECT_EQ(device.testCooperativeLevel(), kD3DDeviceLost);
  EXPECT_EQ(device.present(), kD3DDeviceLost);
  EXPECT_EQ(device.presentCount(), 0u);
  device.setCooperativeLevel(kOk);
  EXPECT_EQ(device.present(), kOk);
}

TEST(FvfVertexSize, MatchesTheVertexLayoutsOfTheProgram) {
  EXPECT_EQ(fvfVertexSize(Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1), 24u);                    // 0x142
  EXPECT_EQ(fvfVertexSize(Fvf::Xyz | Fvf::Diffuse | Fvf::Specular | Fvf::Tex1), 28u);    // 0x1C2
  EXPECT_EQ(fvfVertexSize(Fvf::Xyz | Fvf::Diffuse | Fvf::Specular | Fvf::Tex2), 36u);    // 0x2C2
  EXPECT_EQ(fvfVertexSize(Fvf::Xyz | Fvf::Normal | Fvf::Tex1), 32u);                     // 0x112
  EXPECT_EQ(fvfVertexSize(Fvf::Xyz | Fvf::Normal | Fvf::Diffuse | Fvf::Tex1), 36u);      // 0x152
  EXPECT_EQ(fvfVertexSize(0x1D2), 40u);
  EXPECT_EQ(fvfVertexSize(Fvf::Xyz | Fvf::Diffuse), 16u);
  EXPECT_EQ(fvfVertexSize(Fvf::XyzRhw | Fvf::Diffuse | Fvf::Tex1), 28u);
  EXPECT_EQ(fvfVertexSize(Fvf::Xyz | Fvf::Tex1 | (1u << 16)), 24u);  // three-float set 0
  EXPECT_EQ(fvfVertexSize(Fvf::Diffuse), 0u);                        // no position
}

}  // namespace
}  // namespace skyloom
