#include <gtest/gtest.h>

#include <vector>

#include "app/device_recovery.h"
#include "app/scene.h"
#include "platform/gfx/recording_device.h"
#include "resources/glyph_font.h"
#include "resources/texture.h"
#include "resources/texture_registry.h"

namespace skyloom {
namespace {

// The application side of a frame, around one real Scene per unit.
class SceneHooks : public FrameHooks {
 public:
  explicit SceneHooks(std::vector<RecordingDevice*> devices) : devices_(std::move(devices)) {
    for (std::size_t i = 0; i < devices_.size(); ++i) {
      scenes_.push_back(std::make_unique<Scene>());
      units_.push_back({devices_[i], false, 0});
    }
  }
  void bindUnit(int unit) override { current_ = unit; }
  void advanceFrame() override { ++advances; }
  void render() override {
    RecordingDevice& d = *devices_[current_];
    d.beginScene();
    scenes_[current_]->render(d, Matrix::identity());
    d.endScene();
    ++renders;
  }
  HResult acquireVideoResources() override {
    if (failAcquire) return kFail;
    const SceneSettings settings = sceneSettingsFor(90, 640, 480);
    applySceneStates(*devices_[current_], settings.nearProjection, Matrix::identity());
    return scenes_[current_]->restore(*devices_[current_], settings);
  }
  void dropVideoResources() override {
    scenes_[current_]->invalidate();
    ++drops;
  }
  void beforeReset(int) override { ++desktopReads; }

  // The framework's start: every unit acquires once.
  void start() {
    for (int i = 0; i < static_cast<int>(units_.size()); ++i) {
      bindUnit(i);
      ASSERT_EQ(acquireVideoResources(), kOk);
      units_[i].restored = true;
    }
  }
  FrameResult frame() { return drawFrame(units_, *this); }

  std::vector<UnitDevice> units_;
  std::vector<std::unique_ptr<Scene>> scenes_;
  int advances = 0, renders = 0, drops = 0, desktopReads = 0;
  bool failAcquire = false;

 private:
  std::vector<RecordingDevice*> devices_;
  int current_ = 0;
};

TEST(DeviceRecovery, ALostDeviceSkipsTheFrameAndAResettableOneComesBack) {
  RecordingDevice device;
  SceneHooks app({&device});
  app.start();
  EXPECT_TRUE(app.frame().presented);
  EXPECT_EQ(device.presentCount(), 1u);

  device.setCooperativeLevel(kD3DDeviceLost);
  for (int i = 0; i < 5; ++i) {
    const FrameResult r = app.frame();
    EXPECT_FALSE(r.presented);
    EXPECT_EQ(r.error, kOk);
  }
  EXPECT_EQ(device.presentCount(), 1u);
  EXPECT_EQ(app.advances, 6);  // the world moves on while nothing is shown
  EXPECT_EQ(app.drops, 0);

  device.setCooperativeLevel(kD3DDeviceNotReset);
  const FrameResult back = app.frame();
  EXPECT_TRUE(back.presented);
  EXPECT_EQ(app.drops, 1);
  EXPECT_EQ(app.desktopReads, 1);
  EXPECT_EQ(device.resetCount(), 1u);
  EXPECT_TRUE(app.units_[0].restored);
  EXPECT_NE(app.scenes_[0]->largeFont().texture(), nullptr);
}

TEST(DeviceRecovery, ResetsLostAgainAreRetriedButARunOfThemOrAnyOtherFailureIsAnError) {
  RecordingDevice device;
  SceneHooks app({&device});
  app.start();
  device.setCooperativeLevel(kD3DDeviceNotReset);
  device.failResets(kD3DDeviceLost, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(app.frame().error, kOk);
  EXPECT_TRUE(app.frame().presented);
  EXPECT_EQ(app.units_[0].failedResets, 0);

  device.setCooperativeLevel(kD3DDeviceNotReset);
  device.failResets(kD3DDeviceLost, kMaxFailedResets);
  FrameResult r;
  int frames = 0;
  while (r.error == kOk && frames < 2 * kMaxFailedResets) {
    r = app.frame();
    ++frames;
  }
  EXPECT_EQ(frames, kMaxFailedResets);
  EXPECT_EQ(r.error, kD3DDeviceLost);

  RecordingDevice other;
  SceneHooks app2({&other});
  app2.start();
  other.setCooperativeLevel(kD3DDeviceNotReset);
  other.failResets(kD3DDriverInternalError, 1);
  EXPECT_EQ(app2.frame().error, kD3DDriverInternalError);
}

TEST(DeviceRecovery, AFailedAcquireAfterTheResetIsAnError) {
  RecordingDevice device;
  SceneHooks app({&device});
  app.start();
  device.setCooperativeLevel(kD3DDeviceNotReset);
  app.failAcquire = true;
  const FrameResult r = app.frame();
  EXPECT_FALSE(r.presented);
  EXPECT_EQ(r.error, kSaverDeviceObjects);
  EXPECT_EQ(app.renders, 0);
}

TEST(DeviceRecovery, OneLostUnitOfTwoMeansNoUnitPresents) {
  RecordingDevice a, b;
  SceneHooks app({&a, &b});
  app.start();
  b.setCooperativeLevel(kD3DDeviceLost);
  EXPECT_FALSE(app.frame().presented);
  EXPECT_EQ(a.presentCount(), 0u);
  b.setCooperativeLevel(kOk);
  EXPECT_TRUE(app.frame().presented);
  EXPECT_EQ(a.presentCount(), 1u);
  EXPECT_EQ(b.presentCount(), 1u);
}

// The recording device refuses a reset while any default-pool texture lives, as Direct3D does:
// a scene part that forgot one would fail here.
TEST(DeviceRecovery, AHundredResetsInARowLeaveNoTextureBehind) {
  RecordingDevice device;
  SceneHooks app({&device});
  app.start();
  const std::size_t live = device.liveTextures();
  ASSERT_GT(live, 0u);  // at least the font's
  for (int i = 0; i < 100; ++i) {
    device.setCooperativeLevel(kD3DDeviceNotReset);
    ASSERT_TRUE(app.frame().presented) << "reset " << i;
    if (i % 10 == 0) {
      ASSERT_EQ(resetForResize(app.units_[0], 0, app), kOk);
    }
  }
  EXPECT_EQ(device.resetCount(), 110u);
  EXPECT_EQ(device.liveTextures(), live);
  app.bindUnit(0);
  app.dropVideoResources();
  EXPECT_EQ(device.liveTextures(), 0u);
}

TEST(DeviceRecovery, AResizeWhoseResetIsLostWaitsForTheNextFrame) {
  RecordingDevice device;
  SceneHooks app({&device});
  app.start();
  device.failResets(kD3DDeviceLost, 1);
  EXPECT_EQ(resetForResize(app.units_[0], 0, app), kOk);
  EXPECT_FALSE(app.units_[0].restored);
  EXPECT_TRUE(app.frame().presented);  // the frame resets it
  EXPECT_TRUE(app.units_[0].restored);
  device.failResets(kD3DDriverInternalError, 1);
  EXPECT_EQ(resetForResize(app.units_[0], 0, app), kSaverResizeFailed);
}

// Nothing process-wide points at a device or a scene once they are gone.
TEST(DeviceRecovery, NoPublishedObjectOutlivesTheSceneOrItsDevice) {
  {
    RecordingDevice device;
    SceneHooks app({&device});
    app.start();
    EXPECT_EQ(textureDevice(), &device);
    EXPECT_NE(TextureRegistry::current(), nullptr);
    EXPECT_NE(GlyphFont::current(), nullptr);
    app.bindUnit(0);
    app.dropVideoResources();
    EXPECT_EQ(textureDevice(), nullptr);  // dropped before the device may go
  }
  EXPECT_EQ(textureDevice(), nullptr);
  EXPECT_EQ(TextureRegistry::current(), nullptr);
  EXPECT_EQ(GlyphFont::current(), nullptr);
}

}  // namespace
}  // namespace skyloom
