// The sound output on the system's DirectSound: the calls the engine sounds and the music ring
// make pass through, and the refusals are the virtual output's. Needs a sound device; without
// one the tests are skipped.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/audio/sound_output.h"

namespace skyloom {
namespace {

WaveFormat pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  const auto block = static_cast<std::uint16_t>(channels * bits / 8);
  return WaveFormat{1, channels, rate, rate * block, block, bits};
}

class SoundOutputDirectSound : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowA("STATIC", "skyloom sound test", WS_OVERLAPPEDWINDOW, 0, 0, 160, 120, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    if (failed(createSoundOutput(nullptr, output_))) GTEST_SKIP() << "no sound device here";
    ASSERT_EQ(output_->setCooperativeLevel(reinterpret_cast<std::uintptr_t>(window_), kCooperativePriority), kOk);
  }

  void TearDown() override {
    output_.reset();
    if (window_) DestroyWindow(window_);
  }

  HWND window_ = nullptr;
  std::unique_ptr<SoundOutput> output_;
};

TEST_F(SoundOutputDirectSound, DevicesAreEnumeratedWithTheDefaultFirst) {
  std::vector<SoundDeviceInfo> devices;
  ASSERT_EQ(enumerateSoundDevices(devices), kOk);
  ASSERT_FALSE(devices.empty());  // an output was made, so there is a device
  EXPECT_FALSE(devices[0].hasGuid);
  EXPECT_FALSE(devices[0].description.empty());
  // Each device named by its GUID opens.
  for (const SoundDeviceInfo& device : devices) {
    if (!device.hasGuid) continue;
    std::unique_ptr<SoundOutput> other;
    EXPECT_EQ(createSoundOutput(&device, other), kOk) << device.description;
  }
}

TEST_F(SoundOutputDirectSound, EngineSoundSetUpPassesThrough) {
  std::unique_ptr<SoundBuffer> primary;
  ASSERT_EQ(output_->createSoundBuffer({SoundBufferFlag::PrimaryBuffer | SoundBufferFlag::Ctrl3D, 0, {}}, primary),
            kOk);
  ASSERT_EQ(primary->setFormat(pcm(2, 44100, 16)), kOk);
  WaveFormat format;
  ASSERT_EQ(primary->getFormat(format), kOk);
  EXPECT_EQ(format.samplesPerSec, 44100u);
  EXPECT_EQ(format.channels, 2u);
  std::unique_ptr<SoundListener> listener;
  ASSERT_EQ(output_->queryListener(*primary, listener), kOk);
  SoundListenerParameters heard;
  ASSERT_EQ(listener->getAllParameters(heard), kOk);
  EXPECT_EQ(heard.orientTop.y, 1.0f);

  const auto flags = SoundBufferFlag::Static | SoundBufferFlag::LocSoftware | SoundBufferFlag::Ctrl3D |
                     SoundBufferFlag::CtrlFrequency | SoundBufferFlag::CtrlVolume | SoundBufferFlag::StickyFocus;
  std::unique_ptr<SoundBuffer> voice;
  ASSERT_EQ(output_->createSoundBuffer({flags, 8820, pcm(1, 22050, 16)}, voice), kOk);
  EXPECT_EQ(voice->bytes(), 8820u);
  void* region = nullptr;
  std::uint32_t count = 0;
  ASSERT_EQ(voice->lock(0, 0, &region, &count, nullptr, nullptr, kLockEntireBuffer), kOk);
  ASSERT_EQ(count, 8820u);
  std::memset(region, 0, count);
  ASSERT_EQ(voice->unlock(region, count, nullptr, 0), kOk);
  ASSERT_EQ(voice->setVolume(-100), kOk);
  std::int32_t volume = 0;
  ASSERT_EQ(voice->getVolume(volume), kOk);
  EXPECT_EQ(volume, -100);

  Sound3DParameters parameters;
  ASSERT_EQ(voice->get3DParameters(parameters), kOk);
  ASSERT_EQ(voice->set3DParameters(parameters, kApplyImmediate), kOk);
  std::unique_ptr<SoundBuffer> copy;
  ASSERT_EQ(output_->duplicateSoundBuffer(*voice, copy), kOk);
  ASSERT_EQ(copy->set3DPosition({1500, 0, -1000}, kApplyDeferred), kOk);
  ASSERT_EQ(copy->set3DVelocity({0, 0, 30}, kApplyDeferred), kOk);
  ASSERT_EQ(listener->setPosition({0, 0, 0}, kApplyDeferred), kOk);
  ASSERT_EQ(listener->setOrientation({0, 0, 1}, {0, 1, 0}, kApplyDeferred), kOk);
  ASSERT_EQ(listener->commitDeferredSettings(), kOk);
  ASSERT_EQ(copy->get3DParameters(parameters), kOk);
  EXPECT_EQ(parameters.position.x, 1500.0f);
  EXPECT_EQ(parameters.velocity.z, 30.0f);
  ASSERT_EQ(copy->play(kPlayLooping), kOk);
  std::uint32_t status = 0;
  ASSERT_EQ(copy->getStatus(status), kOk);
  EXPECT_EQ(status & (kStatusPlaying | kStatusLooping), kStatusPlaying | kStatusLooping);
  ASSERT_EQ(copy->stop(), kOk);

  // What the interface refuses by itself, as the virtual output does.
  std::unique_ptr<SoundBuffer> plain;
  ASSERT_EQ(output_->createSoundBuffer({SoundBufferFlag::CtrlVolume, 4410, pcm(1, 22050, 16)}, plain), kOk);
  EXPECT_EQ(plain->set3DPosition({}, kApplyImmediate), kSoundInvalidCall);
  EXPECT_EQ(plain->get3DParameters(parameters), kSoundInvalidCall);
  EXPECT_EQ(output_->queryListener(*plain, listener), kSoundInvalidCall);
  EXPECT_EQ(listener, nullptr);
  // And what the device refuses: a stereo sound placed in space; the primary format needs priority.
  std::unique_ptr<SoundBuffer> stereo3D;
  EXPECT_EQ(output_->createSoundBuffer({SoundBufferFlag::Ctrl3D, 4410, pcm(2, 22050, 16)}, stereo3D), kInvalidArg);
  ASSERT_EQ(output_->setCooperativeLevel(reinterpret_cast<std::uintptr_t>(window_), kCooperativeNormal), kOk);
  EXPECT_EQ(primary->setFormat(pcm(2, 22050, 16)), kSoundPriorityNeeded);
}

TEST_F(SoundOutputDirectSound, ARingLocksInTwoRegionsAndItsPlayCursorMoves) {
  std::unique_ptr<SoundBuffer> primary;
  ASSERT_EQ(output_->createSoundBuffer({SoundBufferFlag::PrimaryBuffer, 0, {}}, primary), kOk);
  ASSERT_EQ(primary->setFormat(pcm(2, 44100, 16)), kOk);
  const auto flags = SoundBufferFlag::GetCurrentPosition2 | SoundBufferFlag::GlobalFocus | SoundBufferFlag::CtrlVolume |
                     SoundBufferFlag::CtrlPan | SoundBufferFlag::CtrlFrequency;
  constexpr std::uint32_t kRing = 17640;  // 100 ms
  std::unique_ptr<SoundBuffer> ring;
  ASSERT_EQ(output_->createSoundBuffer({flags, kRing, pcm(2, 44100, 16)}, ring), kOk);

  void *first = nullptr, *second = nullptr;
  std::uint32_t firstBytes = 0, secondBytes = 0;
  ASSERT_EQ(ring->lock(kRing - 1000, 3000, &first, &firstBytes, &second, &secondBytes, 0), kOk);
  EXPECT_EQ(firstBytes, 1000u);
  EXPECT_EQ(secondBytes, 2000u);
  ASSERT_NE(second, nullptr);
  std::memset(first, 0, firstBytes);
  std::memset(second, 0, secondBytes);
  ASSERT_EQ(ring->unlock(first, firstBytes, second, secondBytes), kOk);

  ASSERT_EQ(ring->play(kPlayLooping), kOk);
  std::uint32_t start = 0, play = 0, write = 0;
  ASSERT_EQ(ring->getCurrentPosition(&start, nullptr), kOk);
  for (int i = 0; i < 100 && play == start; ++i) {
    Sleep(10);
    ASSERT_EQ(ring->getCurrentPosition(&play, &write), kOk);
  }
  EXPECT_NE(play, start);
  EXPECT_LT(play, kRing);
  EXPECT_LT(write, kRing);
  ASSERT_EQ(ring->stop(), kOk);
  std::uint32_t status = 0;
  ASSERT_EQ(ring->getStatus(status), kOk);
  EXPECT_EQ(status & kStatusPlaying, 0u);
  EXPECT_EQ(ring->restore(), kOk);
  EXPECT_TRUE(failed(ring->lock(kRing, 1, &first, &firstBytes, nullptr, nullptr, 0)));
}

}  // namespace
}  // namespace skyloom

#endif  // _WIN32
