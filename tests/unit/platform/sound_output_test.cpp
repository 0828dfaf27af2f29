// The virtual sound output: what a buffer "plays" as the clock moves, locking, duplicates, the
// 3D settings and the listener, and the refusals a real device would give.

#include "platform/audio/virtual_sound_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

namespace skyloom {
namespace {

constexpr std::uintptr_t kWindow = 0x1234;

WaveFormat pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  const auto block = static_cast<std::uint16_t>(channels * bits / 8);
  return WaveFormat{1, channels, rate, rate * block, block, bits};
}

std::vector<std::uint8_t> ramp(std::size_t n, std::uint8_t first = 0) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(first + i * 7);
  return bytes;
}

void fill(SoundBuffer& buffer, const std::vector<std::uint8_t>& bytes) {
  void* region = nullptr;
  std::uint32_t count = 0;
  ASSERT_EQ(buffer.lock(0, 0, &region, &count, nullptr, nullptr, kLockEntireBuffer), kOk);
  ASSERT_EQ(count, bytes.size());
  std::memcpy(region, bytes.data(), count);
  ASSERT_EQ(buffer.unlock(region, count, nullptr, 0), kOk);
}

class SoundOutputTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(output_.setCooperativeLevel(kWindow, kCooperativePriority), kOk); }

  std::unique_ptr<SoundBuffer> secondary(std::uint32_t bytes, const WaveFormat& format, std::uint32_t flags = 0) {
    std::unique_ptr<SoundBuffer> buffer;
    EXPECT_EQ(output_.createSoundBuffer({flags, bytes, format}, buffer), kOk);
    return buffer;
  }

  std::unique_ptr<SoundBuffer> primary3D() {
    std::unique_ptr<SoundBuffer> buffer;
    EXPECT_EQ(output_.createSoundBuffer({SoundBufferFlag::PrimaryBuffer | SoundBufferFlag::Ctrl3D, 0, {}}, buffer),
              kOk);
    return buffer;
  }

  const VirtualBufferState& state(std::size_t index) const { return *output_.buffers().at(index); }

  VirtualSoundOutput output_;
};

TEST_F(SoundOutputTest, ALoopingBufferPlayedForOneAndAHalfLengthsPlaysItsBytesInOrderOneAndAHalfTimes) {
  // 8-bit mono at 1000 Hz: 1000 bytes are one second.
  auto buffer = secondary(1000, pcm(1, 1000, 8));
  const auto bytes = ramp(1000);
  fill(*buffer, bytes);
  ASSERT_EQ(buffer->play(kPlayLooping), kOk);
  output_.advance(1.5);

  std::vector<std::uint8_t> expected = bytes;
  expected.insert(expected.end(), bytes.begin(), bytes.begin() + 500);
  EXPECT_EQ(state(0).played, expected);
  std::uint32_t play = 0, write = 0, status = 0;
  ASSERT_EQ(buffer->getCurrentPosition(&play, &write), kOk);
  EXPECT_EQ(play, 500u);
  EXPECT_EQ(write, 510u);  // 10 ms ahead while playing
  ASSERT_EQ(buffer->getStatus(status), kOk);
  EXPECT_EQ(status, kStatusPlaying | kStatusLooping);

  // Stopped, it holds its place; the write cursor falls back onto the play cursor.
  ASSERT_EQ(buffer->stop(), kOk);
  output_.advance(1.0);
  EXPECT_EQ(state(0).played.size(), 1500u);
  ASSERT_EQ(buffer->getCurrentPosition(&play, &write), kOk);
  EXPECT_EQ(play, 500u);
  EXPECT_EQ(write, 500u);
}

TEST_F(SoundOutputTest, AOneShotStopsAtItsEndAndStartsOverWhenPlayedAgain) {
  auto buffer = secondary(400, pcm(2, 44100, 16));  // 100 frames
  const auto bytes = ramp(400, 3);
  fill(*buffer, bytes);
  ASSERT_EQ(buffer->play(0), kOk);
  output_.advance(1.0);
  EXPECT_EQ(state(0).played, bytes);
  std::uint32_t status = 99, play = 99;
  ASSERT_EQ(buffer->getStatus(status), kOk);
  EXPECT_EQ(status, 0u);
  ASSERT_EQ(buffer->getCurrentPosition(&play, nullptr), kOk);
  EXPECT_EQ(play, 0u);

  ASSERT_EQ(buffer->play(0), kOk);
  output_.advance(50.0 / 44100);
  ASSERT_EQ(state(0).played.size(), 600u);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 200, state(0).played.begin() + 400));
  EXPECT_EQ(state(0).playCalls, 2);
}

TEST_F(SoundOutputTest, ManySmallAdvancesMoveABufferAsFarAsOneLargeOne) {
  // 22,050 Hz in 1/60 s steps is 367.5 frames a step: the half frames must not be lost. The
  // second pair plays at a set frequency, which replaces the format's rate.
  for (const std::uint32_t frequency : {0u, 11025u}) {
    VirtualSoundOutput output;
    std::vector<std::unique_ptr<SoundBuffer>> buffers;
    for (int i = 0; i < 2; ++i) {
      std::unique_ptr<SoundBuffer> buffer;
      ASSERT_EQ(output.createSoundBuffer({SoundBufferFlag::CtrlFrequency, 4 * 1001, pcm(2, 22050, 16)}, buffer), kOk);
      fill(*buffer, ramp(4 * 1001, static_cast<std::uint8_t>(i)));
      ASSERT_EQ(buffer->setFrequency(frequency), kOk);
      ASSERT_EQ(buffer->play(kPlayLooping), kOk);
      buffers.push_back(std::move(buffer));
    }
    // Stop the second so the first can be moved alone, then the other way round.
    ASSERT_EQ(buffers[1]->stop(), kOk);
    for (int step = 0; step < 90; ++step) output.advance(1.0 / 60);
    ASSERT_EQ(buffers[1]->play(kPlayLooping), kOk);
    ASSERT_EQ(buffers[0]->stop(), kOk);
    output.advance(1.5);

    const auto states = output.buffers();
    const std::size_t frames = frequency ? 16537 : 33075;  // 1.5 s, whole frames only
    ASSERT_EQ(states[0]->played.size(), frames * 4) << frequency;
    ASSERT_EQ(states[1]->played.size(), frames * 4) << frequency;
    for (std::size_t i = 0; i < states[0]->played.size(); ++i) {
      // Same positions: the second ramp is the first plus one.
      ASSERT_EQ(states[0]->played[i], static_cast<std::uint8_t>(states[1]->played[i] - 1)) << i;
    }
    EXPECT_EQ(states[0]->playCursor, states[1]->playCursor);
    EXPECT_EQ(states[0]->playCursor, frames * 4 % (4 * 1001));
  }
}

TEST_F(SoundOutputTest, LockingWrapsIntoTwoRegionsAndUnlockMustNameTheLock) {
  auto buffer = secondary(1000, pcm(1, 1000, 8));
  void *first = nullptr, *second = nullptr;
  std::uint32_t firstBytes = 0, secondBytes = 0;

  ASSERT_EQ(buffer->lock(900, 300, &first, &firstBytes, &second, &secondBytes, 0), kOk);
  EXPECT_EQ(firstBytes, 100u);
  EXPECT_EQ(secondBytes, 200u);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(static_cast<std::uint8_t*>(first) - static_cast<std::uint8_t*>(second), 900);
  std::memset(first, 0xAA, firstBytes);
  std::memset(second, 0xBB, secondBytes);
  EXPECT_EQ(buffer->unlock(first, firstBytes, nullptr, 0), kInvalidArg);          // not the regions locked
  EXPECT_EQ(buffer->unlock(first, firstBytes + 1, second, secondBytes), kInvalidArg);  // more than locked
  EXPECT_EQ(buffer->unlock(first, firstBytes, second, secondBytes), kOk);
  EXPECT_EQ(buffer->unlock(first, firstBytes, second, secondBytes), kInvalidArg);  // only once

  // Without a second region pointer the lock stops at the end.
  ASSERT_EQ(buffer->lock(900, 300, &first, &firstBytes, nullptr, nullptr, 0), kOk);
  EXPECT_EQ(firstBytes, 100u);
  EXPECT_EQ(buffer->unlock(first, firstBytes, nullptr, 0), kOk);

  // From the write cursor: 10 ms (10 bytes here) ahead of the play cursor at 995, wrapping.
  ASSERT_EQ(buffer->setCurrentPosition(995), kOk);
  ASSERT_EQ(buffer->play(kPlayLooping), kOk);
  ASSERT_EQ(buffer->lock(0, 20, &first, &firstBytes, &second, &secondBytes, kLockFromWriteCursor), kOk);
  EXPECT_EQ(firstBytes, 20u);
  EXPECT_EQ(secondBytes, 0u);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(buffer->unlock(first, 20, nullptr, 0), kOk);
  output_.advance(0.105);
  std::vector<std::uint8_t> expected(105, 0xBB);
  std::fill_n(expected.begin(), 5, 0xAA);
  EXPECT_EQ(state(0).played, expected);
}

TEST_F(SoundOutputTest, ARingFedAheadOfTheWriteCursorIsHeardAsOneStream) {
  // The way a streaming player uses a ring: keep the region behind the play cursor filled with
  // the next bytes of the stream, from its own thread, while the clock runs.
  constexpr std::uint32_t kRing = 4 * 441;  // 10 ms of 44.1 kHz stereo 16-bit
  auto ring = secondary(kRing, pcm(2, 44100, 16), SoundBufferFlag::GetCurrentPosition2);
  std::uint32_t written = 0;
  std::uint8_t next = 0;
  auto feed = [&] {
    std::uint32_t play = 0;
    ASSERT_EQ(ring->getCurrentPosition(&play, nullptr), kOk);
    const std::uint32_t free = (play + kRing - written % kRing) % kRing;
    if (free == 0 && written != 0) return;
    const std::uint32_t n = written == 0 ? kRing : free;
    void *a = nullptr, *b = nullptr;
    std::uint32_t an = 0, bn = 0;
    ASSERT_EQ(ring->lock(written % kRing, n, &a, &an, &b, &bn, 0), kOk);
    for (std::uint32_t i = 0; i < an; ++i) static_cast<std::uint8_t*>(a)[i] = next++;
    for (std::uint32_t i = 0; i < bn; ++i) static_cast<std::uint8_t*>(b)[i] = next++;
    ASSERT_EQ(ring->unlock(a, an, b, bn), kOk);
    written += an + bn;
  };
  feed();
  ASSERT_EQ(ring->play(kPlayLooping), kOk);
  for (int i = 0; i < 200; ++i) {
    std::thread feeder(feed);
    output_.advance(0.003);
    feeder.join();
    feed();  // the feeder may have run before the clock moved
  }
  const auto& played = state(0).played;
  ASSERT_EQ(played.size(), std::size_t{26460} * 4);  // 0.6 s
  for (std::size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], static_cast<std::uint8_t>(i)) << i;
}

TEST_F(SoundOutputTest, DuplicatesShareTheBytesButNotCursorsVolumeOr3DSettings) {
  const auto flags = SoundBufferFlag::Static | SoundBufferFlag::Ctrl3D | SoundBufferFlag::CtrlVolume;
  auto original = secondary(100, pcm(1, 100, 8), flags);
  ASSERT_EQ(original->setVolume(-100), kOk);
  std::unique_ptr<SoundBuffer> copy;
  ASSERT_EQ(output_.duplicateSoundBuffer(*original, copy), kOk);
  ASSERT_EQ(copy->bytes(), 100u);
  std::int32_t volume = 0;
  ASSERT_EQ(copy->getVolume(volume), kOk);
  EXPECT_EQ(volume, -100);  // starts from the original's settings

  const auto bytes = ramp(100, 9);
  fill(*original, bytes);  // after duplicating: the copy sees it all the same
  ASSERT_EQ(copy->setVolume(-2000), kOk);
  ASSERT_EQ(copy->set3DPosition({1, 2, 3}, kApplyImmediate), kOk);
  ASSERT_EQ(original->play(kPlayLooping), kOk);
  output_.advance(0.25);
  ASSERT_EQ(copy->play(0), kOk);
  original.reset();  // the bytes outlive the original
  output_.advance(0.5);

  ASSERT_EQ(output_.buffers().size(), 1u);
  const VirtualBufferState& s = state(0);
  EXPECT_EQ(s.played, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 50));
  EXPECT_EQ(s.playCursor, 50u);
  EXPECT_EQ(s.volume, -2000);
  EXPECT_EQ(s.parameters3D.position.z, 3.0f);
}

TEST_F(SoundOutputTest, Deferred3DSettingsTakeEffectOnlyOnCommit) {
  auto primary = primary3D();
  std::unique_ptr<SoundListener> listener;
  ASSERT_EQ(output_.queryListener(*primary, listener), kOk);
  auto voice = secondary(100, pcm(1, 22050, 16), SoundBufferFlag::Ctrl3D);

  ASSERT_EQ(voice->set3DPosition({5, 0, -1000}, kApplyDeferred), kOk);
  ASSERT_EQ(voice->set3DVelocity({0, 0, 40}, kApplyDeferred), kOk);
  ASSERT_EQ(listener->setPosition({1, 1, 1}, kApplyDeferred), kOk);
  ASSERT_EQ(listener->setOrientation({0, 0, -1}, {0, 1, 0}, kApplyDeferred), kOk);
  ASSERT_EQ(listener->setVelocity({20, 0, 0}, kApplyImmediate), kOk);

  Sound3DParameters heard;
  ASSERT_EQ(voice->get3DParameters(heard), kOk);
  EXPECT_EQ(heard.position.z, 0.0f);
  EXPECT_EQ(output_.listener().position.x, 0.0f);
  EXPECT_EQ(output_.listener().velocity.x, 20.0f);  // immediate: at once

  // An immediate set overrides the same value waiting to be committed.
  ASSERT_EQ(voice->set3DVelocity({0, 0, -7}, kApplyImmediate), kOk);
  ASSERT_EQ(listener->commitDeferredSettings(), kOk);
  ASSERT_EQ(voice->get3DParameters(heard), kOk);
  EXPECT_EQ(heard.position.x, 5.0f);
  EXPECT_EQ(heard.position.z, -1000.0f);
  EXPECT_EQ(heard.velocity.z, -7.0f);
  SoundListenerParameters listened;
  ASSERT_EQ(listener->getAllParameters(listened), kOk);
  EXPECT_EQ(listened.position.y, 1.0f);
  EXPECT_EQ(listened.orientFront.z, -1.0f);
  EXPECT_EQ(listened.velocity.x, 20.0f);
  EXPECT_EQ(output_.commits(), 1);

  // A whole parameter set, deferred, also waits.
  Sound3DParameters all = heard;
  all.minDistance = 50;
  ASSERT_EQ(voice->set3DParameters(all, kApplyDeferred), kOk);
  ASSERT_EQ(voice->get3DParameters(heard), kOk);
  EXPECT_EQ(heard.minDistance, 1.0f);
  ASSERT_EQ(listener->commitDeferredSettings(), kOk);
  EXPECT_EQ(state(1).parameters3D.minDistance, 50.0f);
}

TEST_F(SoundOutputTest, CallsADeviceWouldRefuseAreRefused) {
  auto plain = secondary(100, pcm(1, 1000, 8));
  auto primary = primary3D();
  Sound3DParameters p;
  std::unique_ptr<SoundListener> listener;
  std::unique_ptr<SoundBuffer> made;
  void* region = nullptr;
  std::uint32_t count = 0;

  // 3D calls on a buffer made without Ctrl3D, a listener from a secondary or a plain primary.
  EXPECT_EQ(plain->get3DParameters(p), kSoundInvalidCall);
  EXPECT_EQ(plain->set3DPosition({}, kApplyImmediate), kSoundInvalidCall);
  EXPECT_EQ(output_.queryListener(*plain, listener), kSoundInvalidCall);
  std::unique_ptr<SoundBuffer> plainPrimary;
  ASSERT_EQ(output_.createSoundBuffer({SoundBufferFlag::PrimaryBuffer, 0, {}}, plainPrimary), kOk);
  EXPECT_EQ(output_.queryListener(*plainPrimary, listener), kSoundInvalidCall);
  EXPECT_EQ(listener, nullptr);

  // The primary buffer has no bytes of its own and cannot be duplicated.
  EXPECT_EQ(primary->bytes(), 0u);
  EXPECT_EQ(primary->lock(0, 4, &region, &count, nullptr, nullptr, 0), kSoundInvalidCall);
  EXPECT_EQ(output_.duplicateSoundBuffer(*primary, made), kSoundInvalidCall);
  EXPECT_EQ(plain->setFormat(pcm(2, 44100, 16)), kSoundInvalidCall);

  // Ranges and arguments.
  EXPECT_EQ(plain->lock(0, 0, &region, &count, nullptr, nullptr, 0), kInvalidArg);
  EXPECT_EQ(plain->lock(0, 101, &region, &count, nullptr, nullptr, 0), kInvalidArg);
  EXPECT_EQ(plain->lock(100, 1, &region, &count, nullptr, nullptr, 0), kInvalidArg);
  EXPECT_EQ(plain->lock(0, 1, nullptr, &count, nullptr, nullptr, 0), kInvalidArg);
  EXPECT_EQ(plain->setCurrentPosition(100), kInvalidArg);
  EXPECT_EQ(plain->play(2), kInvalidArg);
  EXPECT_EQ(output_.createSoundBuffer({0, 0, pcm(1, 1000, 8)}, made), kInvalidArg);
  EXPECT_EQ(output_.createSoundBuffer({0, 100, WaveFormat{1, 2, 44100, 176400, 2, 16}}, made), kInvalidArg);
  EXPECT_EQ(output_.createSoundBuffer({0, 100, pcm(1, 50, 8)}, made), kInvalidArg);
  EXPECT_EQ(output_.createSoundBuffer({SoundBufferFlag::PrimaryBuffer, 100, {}}, made), kInvalidArg);
  EXPECT_EQ(output_.createSoundBuffer({SoundBufferFlag::Ctrl3D, 100, pcm(2, 22050, 16)}, made), kInvalidArg);
  EXPECT_EQ(made, nullptr);

  // Controls the buffer was not made with.
  EXPECT_EQ(plain->setVolume(-100), kSoundControlUnavailable);
  EXPECT_EQ(plain->setFrequency(22050), kSoundControlUnavailable);
  EXPECT_EQ(plain->setPan(0), kSoundControlUnavailable);

  // Values out of range or not numbers.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto voice = secondary(100, pcm(1, 1000, 8), SoundBufferFlag::Ctrl3D | SoundBufferFlag::CtrlVolume);
  EXPECT_EQ(voice->setVolume(1), kInvalidArg);
  EXPECT_EQ(voice->setVolume(-10001), kInvalidArg);
  EXPECT_EQ(voice->set3DPosition({nan, 0, 0}, kApplyImmediate), kInvalidArg);
  EXPECT_EQ(voice->set3DVelocity({0, 0, 0}, 7), kInvalidArg);
  p.minDistance = 0;
  EXPECT_EQ(voice->set3DParameters(p, kApplyImmediate), kInvalidArg);
  ASSERT_EQ(output_.queryListener(*primary, listener), kOk);
  EXPECT_EQ(listener->setOrientation({0, 0, 1}, {0, 0, 2}, kApplyImmediate), kInvalidArg);
  EXPECT_EQ(listener->setOrientation({0, 0, 0}, {0, 1, 0}, kApplyImmediate), kInvalidArg);
  EXPECT_EQ(listener->setPosition({0, std::numeric_limits<float>::infinity(), 0}, kApplyImmediate), kInvalidArg);

  // The primary format needs the priority level.
  VirtualSoundOutput normal;
  ASSERT_EQ(normal.setCooperativeLevel(kWindow, kCooperativeNormal), kOk);
  std::unique_ptr<SoundBuffer> normalPrimary;
  ASSERT_EQ(normal.createSoundBuffer({SoundBufferFlag::PrimaryBuffer, 0, {}}, normalPrimary), kOk);
  EXPECT_EQ(normalPrimary->setFormat(pcm(2, 44100, 16)), kSoundPriorityNeeded);
  EXPECT_EQ(primary->setFormat(pcm(2, 44100, 16)), kOk);
  WaveFormat format;
  ASSERT_EQ(primary->getFormat(format), kOk);
  EXPECT_EQ(format.avgBytesPerSec, 176400u);
}

TEST_F(SoundOutputTest, LostBuffersRefuseLockAndPlayUntilRestored) {
  auto ring = secondary(100, pcm(1, 1000, 8));
  fill(*ring, ramp(100, 1));
  ASSERT_EQ(ring->play(kPlayLooping), kOk);
  output_.loseBuffers();
  output_.advance(1.0);
  EXPECT_TRUE(state(0).played.empty());
  std::uint32_t status = 0;
  ASSERT_EQ(ring->getStatus(status), kOk);
  EXPECT_EQ(status, kStatusBufferLost);
  void* region = nullptr;
  std::uint32_t count = 0;
  EXPECT_EQ(ring->lock(0, 10, &region, &count, nullptr, nullptr, 0), kSoundBufferLost);
  EXPECT_EQ(ring->play(kPlayLooping), kSoundBufferLost);

  ASSERT_EQ(ring->restore(), kOk);
  ASSERT_EQ(ring->play(kPlayLooping), kOk);
  output_.advance(0.01);
  EXPECT_EQ(state(0).played, std::vector<std::uint8_t>(10, 0));  // what was written is gone
}

TEST_F(SoundOutputTest, TheRecordKeepsOnlyTheNewestBytesWithinItsLimit) {
  VirtualSoundOutput output({.playedRecordLimit = 150});
  std::unique_ptr<SoundBuffer> buffer;
  ASSERT_EQ(output.createSoundBuffer({0, 100, pcm(1, 1000, 8)}, buffer), kOk);
  const auto bytes = ramp(100);
  fill(*buffer, bytes);
  ASSERT_EQ(buffer->play(kPlayLooping), kOk);
  output.advance(0.12);
  output.advance(0.05);  // 170 in all: the first 20 are dropped
  const auto* s = output.buffers()[0];
  ASSERT_EQ(s->played.size(), 150u);
  EXPECT_EQ(s->played[0], bytes[20]);
  EXPECT_EQ(s->played[149], bytes[69]);
  output.advance(10.005);  // far past the limit: only the newest bytes are copied
  ASSERT_EQ(s->played.size(), 150u);
  EXPECT_EQ(s->playCursor, 75u);
  EXPECT_EQ(s->played[149], bytes[74]);
  EXPECT_EQ(s->played[0], bytes[25]);
}

TEST(SoundOutputInjectedFailures, FailTheCallsTheyNameAndNothingElse) {
  const WaveFormat format = pcm(1, 1000, 8);
  {
    VirtualSoundOutput output({.failCooperativeLevel = true});
    EXPECT_TRUE(failed(output.setCooperativeLevel(kWindow, kCooperativePriority)));
  }
  {
    VirtualSoundOutput output({.failPrimaryBuffer = true});
    std::unique_ptr<SoundBuffer> buffer;
    EXPECT_TRUE(failed(output.createSoundBuffer({SoundBufferFlag::PrimaryBuffer, 0, {}}, buffer)));
    EXPECT_EQ(output.createSoundBuffer({0, 100, format}, buffer), kOk);
  }
  {
    VirtualSoundOutput output({.failListener = true});
    std::unique_ptr<SoundBuffer> primary;
    std::unique_ptr<SoundListener> listener;
    ASSERT_EQ(output.createSoundBuffer({SoundBufferFlag::PrimaryBuffer | SoundBufferFlag::Ctrl3D, 0, {}}, primary),
              kOk);
    EXPECT_TRUE(failed(output.queryListener(*primary, listener)));
    EXPECT_EQ(listener, nullptr);
  }
  {
    VirtualSoundOutput output({.failSecondaryBuffers = true});
    std::unique_ptr<SoundBuffer> buffer;
    EXPECT_TRUE(failed(output.createSoundBuffer({0, 100, format}, buffer)));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_TRUE(output.buffers().empty());
  }
  {
    VirtualSoundOutput output({.failDuplicates = true});
    std::unique_ptr<SoundBuffer> buffer, copy;
    ASSERT_EQ(output.createSoundBuffer({0, 100, format}, buffer), kOk);
    EXPECT_TRUE(failed(output.duplicateSoundBuffer(*buffer, copy)));
    EXPECT_EQ(output.buffers().size(), 1u);
    // A buffer of another output is not ours to duplicate.
    VirtualSoundOutput other;
    EXPECT_EQ(other.duplicateSoundBuffer(*buffer, copy), kInvalidArg);
  }
}

}  // namespace
}  // namespace skyloom
