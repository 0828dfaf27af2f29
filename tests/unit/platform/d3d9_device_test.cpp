// The d3d9 device on the system's own Direct3D: the calls pass through, and the system refuses
// what the recording device refuses. Needs a display; without one the test is skipped.
#ifdef _WIN32

#include "platform/gfx/d3d9_device.h"

#include <gtest/gtest.h>

#include <cstring>

namespace skyloom {
namespace {

class D3D9DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowA("STATIC", "skyloom test", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    if (!window_ || failed(createWindowedD3D9Device(window_, device_))) {
      GTEST_SKIP() << "no Direct3D 9 device here (no display?)";
    }
  }
  void TearDown() override {
    device_.reset();
    if (window_) DestroyWindow(window_);
  }

  HWND window_ = nullptr;
  std::unique_ptr<D3D9Device> device_;
};

TEST_F(D3D9DeviceTest, TexturesFollowTheRulesOfTheRecordingDevice) {
  RenderDevice& device = *device_;
  std::unique_ptr<Texture> staging;
  std::unique_ptr<Texture> target;
  std::unique_ptr<Texture> otherFormat;
  ASSERT_EQ(device.createTexture(32, 16, 0, Usage::None, Format::A8R8G8B8, Pool::SystemMem, staging), kOk);
  ASSERT_EQ(device.createTexture(16, 8, 2, Usage::None, Format::A8R8G8B8, Pool::Default, target), kOk);
  ASSERT_EQ(device.createTexture(16, 8, 2, Usage::None, Format::A4R4G4B4, Pool::Default, otherFormat), kOk);
  EXPECT_EQ(staging->levelCount(), 6u);
  SurfaceDesc desc;
  ASSERT_EQ(staging->getLevelDesc(1, desc), kOk);
  EXPECT_EQ(desc.width, 16u);
  EXPECT_EQ(desc.format, Format::A8R8G8B8);

  LockedRect locked;
  ASSERT_EQ(staging->lockRect(1, locked, nullptr, Lock::None), kOk);
  EXPECT_GE(locked.pitch, 16 * 4);
  std::memset(locked.bits, 0x5A, static_cast<std::size_t>(locked.pitch) * 8);
  ASSERT_EQ(staging->unlockRect(1), kOk);

  EXPECT_EQ(device.updateTexture(staging.get(), target.get()), kOk);
  EXPECT_EQ(device.updateTexture(staging.get(), otherFormat.get()), kD3DInvalidCall);
  EXPECT_EQ(target->lockRect(0, locked, nullptr, Lock::None), kD3DInvalidCall);
}

TEST_F(D3D9DeviceTest, StatesTransformsAndDrawsPassThrough) {
  RenderDevice& device = *device_;
  DeviceCaps caps;
  ASSERT_EQ(device.getDeviceCaps(caps), kOk);
  EXPECT_GE(caps.maxTextureWidth, 256u);
  EXPECT_GT(device.availableTextureMem(), 0u);
  SurfaceDesc backBuffer;
  ASSERT_EQ(device.getBackBufferDesc(backBuffer), kOk);
  EXPECT_GT(backBuffer.width, 0u);

  ASSERT_EQ(device.setRenderState(RenderState::FogEnd, floatBits(1500.0f)), kOk);
  std::uint32_t value = 0;
  ASSERT_EQ(device.getRenderState(RenderState::FogEnd, value), kOk);
  EXPECT_EQ(bitsToFloat(value), 1500.0f);
  ASSERT_EQ(device.setTransform(TransformState::World, translation(1, 2, 3)), kOk);
  Matrix world;
  ASSERT_EQ(device.getTransform(TransformState::World, world), kOk);
  EXPECT_EQ(world.m[3][2], 3.0f);

  Light sun;
  sun.diffuse = {1, 1, 1, 0};
  sun.direction = {0, -1, 0};
  EXPECT_EQ(device.setLight(0, sun), kOk);
  EXPECT_EQ(device.lightEnable(0, true), kOk);
  EXPECT_EQ(device.setMaterial(Material{}), kOk);
  EXPECT_EQ(device.setTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg1), kOk);
  EXPECT_EQ(device.setSamplerState(0, SamplerState::MinFilter, TextureFilter::Linear), kOk);

  struct Vertex {
    float x, y, z;
    Color color;
    float u, v;
  };
  const Vertex vertices[3] = {{0, 0, 1, 0xFFFFFFFF, 0, 0}, {1, 0, 1, 0xFFFFFFFF, 1, 0}, {0, 1, 1, 0xFFFFFFFF, 0, 1}};
  const std::uint16_t indices[3] = {0, 1, 2};
  ASSERT_EQ(device.clear(ClearFlag::Target | ClearFlag::ZBuffer, 0xFF000000, 1.0f, 0), kOk);
  ASSERT_EQ(device.beginScene(), kOk);
  ASSERT_EQ(device.setFvf(Fvf::Xyz | Fvf::Diffuse | Fvf::Tex1), kOk);
  EXPECT_EQ(device.drawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, 3, 1, indices, Format::Index16, vertices,
                                          sizeof(Vertex)),
            kOk);
  EXPECT_EQ(device.drawPrimitiveUP(PrimitiveType::TriangleList, 1, vertices, sizeof(Vertex)), kOk);
  ASSERT_EQ(device.endScene(), kOk);
  EXPECT_EQ(device.present(), kOk);
  EXPECT_EQ(device.testCooperativeLevel(), kOk);
}

// The recording device's reset rules are the system's: no reset while a default-pool texture
// lives; afterwards the states are back at their defaults. State blocks read states back.
TEST_F(D3D9DeviceTest, ResetNeedsTheDefaultPoolEmptyAndRestoresDefaultStates) {
  RenderDevice& device = *device_;
  ASSERT_EQ(device.setTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg1), kOk);
  std::uint32_t value = 0;
  ASSERT_EQ(device.getTextureStageState(0, TextureStageState::ColorOp, value), kOk);
  EXPECT_EQ(value, TextureOp::SelectArg1);
  ASSERT_EQ(device.setSamplerState(0, SamplerState::MagFilter, TextureFilter::Linear), kOk);
  ASSERT_EQ(device.getSamplerState(0, SamplerState::MagFilter, value), kOk);
  EXPECT_EQ(value, TextureFilter::Linear);

  std::unique_ptr<Texture> managed;
  std::unique_ptr<Texture> deviceTexture;
  ASSERT_EQ(device.createTexture(16, 16, 1, Usage::None, Format::A8R8G8B8, Pool::Managed, managed), kOk);
  ASSERT_EQ(device.createTexture(16, 16, 1, Usage::None, Format::A8R8G8B8, Pool::Default, deviceTexture), kOk);
  EXPECT_EQ(device.reset(), kD3DInvalidCall);
  device.testCooperativeLevel();  // Wine may report the failed reset as "not reset"
  deviceTexture.reset();
  ASSERT_EQ(device.reset(), kOk);
  EXPECT_EQ(device.testCooperativeLevel(), kOk);
  // Direct3D's defaults, which the recording device starts from and returns to.
  ASSERT_EQ(device.getTextureStageState(0, TextureStageState::ColorOp, value), kOk);
  EXPECT_EQ(value, TextureOp::Modulate);
  ASSERT_EQ(device.getSamplerState(0, SamplerState::MagFilter, value), kOk);
  EXPECT_EQ(value, TextureFilter::Point);
}

}  // namespace
}  // namespace skyloom

#endif  // _WIN32
