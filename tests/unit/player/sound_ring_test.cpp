// The sound output's ring and the soundcard thread's steps, driven by hand against the virtual
// output's clock: the test fills the event buffer as the decoder would and moves the clock a
// millisecond at a time, stepping the feeder as the thread does between its sleeps.

#include "player/sound_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine_fakes.h"
#include "platform/audio/virtual_sound_output.h"
#include "player/engine_error.h"
#include "player/output_latency.h"
#include "player/sound_devices.h"
#include "player/sound_feeder.h"

namespace skyloom {
namespace {

using testing::RecordingTarget;

// The virtual output, with the configuration calls counted and a first failure on request.
class CountingOutput final : public SoundOutput {
 public:
  explicit CountingOutput(VirtualSoundOutput& inner) : inner_(inner) {}
  HResult setCooperativeLevel(std::uintptr_t window, std::uint32_t level) override {
    ++cooperativeCalls;
    if (failCooperativeOnce) {
      failCooperativeOnce = false;
      return kFail;
    }
    return inner_.setCooperativeLevel(window, level);
  }
  HResult createSoundBuffer(const SoundBufferDesc& desc, std::unique_ptr<SoundBuffer>& out) override {
    if (desc.flags & SoundBufferFlag::PrimaryBuffer) ++primaryBuffers;
    return inner_.createSoundBuffer(desc, out);
  }
  HResult duplicateSoundBuffer(SoundBuffer& original, std::unique_ptr<SoundBuffer>& out) override {
    return inner_.duplicateSoundBuffer(original, out);
  }
  HResult queryListener(SoundBuffer& primary, std::unique_ptr<SoundListener>& out) override {
    return inner_.queryListener(primary, out);
  }
  int cooperativeCalls = 0;
  int primaryBuffers = 0;
  bool failCooperativeOnce = false;

 private:
  VirtualSoundOutput& inner_;
};

constexpr std::int32_t kSamplesPerFrame = 1152;

OutputFormat stereo44() { return OutputFormat{16, 2, 44100, 4 * kSamplesPerFrame, kSamplesPerFrame}; }

class SoundRingTest : public ::testing::Test {
 protected:
  SoundRingTest()
      : devices_(testing::oneSoundDevice([this] {
                   auto counting = std::make_unique<CountingOutput>(sound_);
                   counting_ = counting.get();
                   return counting;
                 }),
                 nullptr) {}

  // A track's output: its ring, the feeder and the decoder's event buffer.
  struct Track {
    Track(SoundDevices& devices, EventTarget& target, const OutputFormat& format)
        : format(format),
          events(format.blockBytes > 0 && format.blockBytes < (1 << 20) ? 64 * std::size_t(format.blockBytes) : 4096, 0,
                 nullptr),
          feeder(ring, &devices, target, nullptr) {
      feeder.setEvents(&events);
      events.acceptMarker(std::make_unique<OutputFormatMarker>(format));
    }
    OutputFormat format;
    EventBuffer events;
    SoundRing ring{nullptr};
    SoundFeeder feeder;
    std::int32_t nextFrame = 0;
    std::vector<std::uint8_t> fed;  // every PCM byte given to the decoder's buffer, in order
  };

  std::unique_ptr<Track> track(const OutputFormat& format = stereo44()) {
    return std::make_unique<Track>(devices_, target_, format);
  }

  // n decoded frames, each with its frame marker; never a zero byte, so silence stands out.
  void produce(Track& t, int n, std::size_t bytes = 0) {
    for (int i = 0; i < n; ++i) {
      const std::size_t size = bytes ? bytes : static_cast<std::size_t>(t.format.blockBytes);
      ASSERT_EQ(t.events.acceptMarker(std::make_unique<FrameStartMarker>(t.nextFrame++)), kErrorNone);
      std::uint8_t* region = nullptr;
      ASSERT_EQ(t.events.beginWrite(region, size), kErrorNone);
      for (std::size_t k = 0; k < size; ++k) {
        region[k] = static_cast<std::uint8_t>(1 + (t.fed.size() + k) % 251);
      }
      t.fed.insert(t.fed.end(), region, region + size);
      ASSERT_EQ(t.events.endWrite(size), kErrorNone);
    }
  }
  void endStream(Track& t) {
    ASSERT_EQ(t.events.acceptMarker(std::make_unique<PlayerEvent>(MarkerKind::EndOfStream)), kErrorNone);
  }

  // The steps the thread takes before it would sleep.
  SoundFeeder::Step pump(Track& t) {
    for (int i = 0; i < 10000; ++i) {
      const SoundFeeder::Step s = t.feeder.step();
      if (s != SoundFeeder::Step::kAgain && s != SoundFeeder::Step::kWrote) return s;
    }
    ADD_FAILURE() << "the feeder never rests";
    return SoundFeeder::Step::kFailed;
  }
  // Plays for ms milliseconds, stepping the feeder every millisecond.
  void play(Track& t, int ms) {
    for (int i = 0; i < ms; ++i) {
      pump(t);
      sound_.advance(0.001);
    }
  }

  const VirtualBufferState& primary() { return *sound_.buffers().at(0); }
  const VirtualBufferState& secondary() { return *sound_.buffers().back(); }
  // The played record without its silence.
  std::vector<std::uint8_t> heard() {
    std::vector<std::uint8_t> out;
    for (std::uint8_t b : secondary().played) {
      if (b != 0) out.push_back(b);
    }
    return out;
  }
  int count(std::int32_t kind) {
    const auto kinds = target_.kinds();
    return static_cast<int>(std::count(kinds.begin(), kinds.end(), kind));
  }

  VirtualSoundOutput sound_;
  CountingOutput* counting_ = nullptr;
  SoundDevices devices_;
  RecordingTarget target_;
};

constexpr std::uint32_t kBlock = 4 * kSamplesPerFrame;

TEST_F(SoundRingTest, PlaybackStartsAboveThreeBlocksAndPauseZeroesTheRingUntilResumeRefillsIt) {
  auto t = track();
  t->ring.requestPlay();
  produce(*t, 3);
  EXPECT_EQ(pump(*t), SoundFeeder::Step::kNoData);
  EXPECT_EQ(t->ring.queuedBytes(), 3 * kBlock);
  EXPECT_FALSE(secondary().playing);
  produce(*t, 1);
  pump(*t);
  EXPECT_TRUE(secondary().playing);
  EXPECT_EQ(t->ring.state(), SoundRing::kPlaying);

  // The ring stops taking blocks at the high water mark; the rest waits in the event buffer.
  produce(*t, 40);
  EXPECT_EQ(pump(*t), SoundFeeder::Step::kBusy);
  EXPECT_EQ(t->ring.state(), SoundRing::kFull);
  EXPECT_EQ(t->ring.queuedBytes(), 31 * kBlock);
  EXPECT_EQ(t->events.fillBytes(), 13 * kBlock);
  EXPECT_EQ(latencyHalfFrames.load(), 2 * (31 + 13));

  play(*t, 100);
  const std::uint64_t before = t->ring.bytesPlayed();
  EXPECT_GT(before, 0u);
  t->ring.cancelPlay();  // what the output's pause does
  t->ring.reset();
  EXPECT_FALSE(secondary().playing);
  EXPECT_EQ(secondary().playCursor, 0u);
  EXPECT_EQ(t->ring.state(), SoundRing::kFilling);
  EXPECT_EQ(t->ring.queuedBytes(), 0u);

  // Resume: nothing plays until more than three blocks are back in the ring, and the rewound
  // play position does not count as played.
  const std::size_t waiting = t->events.fillBytes();
  t->ring.requestPlay();
  EXPECT_FALSE(secondary().playing);
  const std::size_t heardBefore = secondary().played.size();
  pump(*t);
  EXPECT_TRUE(secondary().playing);
  EXPECT_EQ(t->ring.bytesPlayed(), before);
  play(*t, 20);
  ASSERT_GT(secondary().played.size(), heardBefore);
  EXPECT_EQ(secondary().played[heardBefore], t->fed[t->fed.size() - waiting])
      << "after the pause the ring plays from its start with the data still waiting";
}

TEST_F(SoundRingTest, AStarvedRingPlaysSilenceThenStopsAndRestartsAfterThreeBlocks) {
  auto t = track();
  const std::int32_t runDry = ringsRunDry.load();
  t->ring.requestPlay();
  produce(*t, 5);
  play(*t, 120);  // five blocks last 130 ms; silence follows them after 104 ms
  EXPECT_EQ(t->ring.state(), SoundRing::kDraining);
  EXPECT_EQ(ringsRunDry.load(), runDry + 1) << "a gap in the middle of a track is counted";
  EXPECT_TRUE(secondary().playing);
  play(*t, 20);
  EXPECT_EQ(t->ring.state(), SoundRing::kFilling);
  EXPECT_FALSE(secondary().playing);
  EXPECT_EQ(heard(), t->fed) << "no old ring content was replayed while the decoder was behind";

  const std::size_t played = secondary().played.size();
  produce(*t, 3);
  play(*t, 10);
  EXPECT_FALSE(secondary().playing);
  EXPECT_EQ(secondary().played.size(), played);
  produce(*t, 1);
  play(*t, 10);
  EXPECT_TRUE(secondary().playing);

  // A decoder that keeps up only now and then: what is heard is what it made, in order.
  for (int round = 0; round < 30; ++round) {
    produce(*t, round % 4);
    play(*t, 1 + round * 7 % 60);
  }
  produce(*t, 3);
  endStream(*t);
  play(*t, 1000);
  EXPECT_EQ(count(EventKind::TrackDone), 1);
  EXPECT_EQ(heard(), t->fed);
}

TEST_F(SoundRingTest, TheEndOfTheStreamIsPlayedBeforeTrackDoneGoesOnceToThePlayer) {
  auto t = track();
  const std::int32_t runDry = ringsRunDry.load();
  t->ring.requestPlay();
  produce(*t, 20);
  endStream(*t);
  for (int ms = 0; ms < 2000 && count(EventKind::TrackDone) == 0; ++ms) {
    pump(*t);
    sound_.advance(0.001);
  }
  ASSERT_EQ(count(EventKind::TrackDone), 1);
  EXPECT_EQ(heard(), t->fed) << "TrackDone came before the last blocks were heard";
  EXPECT_EQ(ringsRunDry.load(), runDry) << "the end of a track is no gap";
  EXPECT_EQ(pump(*t), SoundFeeder::Step::kFinished);
  play(*t, 100);
  EXPECT_EQ(count(EventKind::TrackDone), 1);

  // A track too short to reach the start level, ending in half a block, is played all the same.
  auto shortTrack = track();
  shortTrack->ring.requestPlay();
  produce(*shortTrack, 2);
  produce(*shortTrack, 1, kBlock / 2);
  endStream(*shortTrack);
  for (int ms = 0; ms < 1000 && count(EventKind::TrackDone) == 1; ++ms) {
    pump(*shortTrack);
    sound_.advance(0.001);
  }
  EXPECT_EQ(count(EventKind::TrackDone), 2);
  EXPECT_EQ(heard(), shortTrack->fed);
}

TEST_F(SoundRingTest, AMonoStreamGetsItsOwnFormatWhileThePrimaryBufferStaysStereo) {
  auto t = track(OutputFormat{16, 1, 22050, 2 * 576, 576});
  EXPECT_EQ(pump(*t), SoundFeeder::Step::kNoData);
  ASSERT_TRUE(t->ring.initialised());
  const WaveFormat& s = secondary().desc.format;
  EXPECT_EQ(s.channels, 1);
  EXPECT_EQ(s.samplesPerSec, 22050u);
  EXPECT_EQ(s.avgBytesPerSec, 44100u);
  EXPECT_EQ(s.blockAlign, 2);
  EXPECT_EQ(s.bitsPerSample, 16);
  EXPECT_EQ(secondary().desc.bufferBytes, 32u * 2 * 576);
  EXPECT_EQ(secondary().desc.flags, SoundBufferFlag::GetCurrentPosition2 | SoundBufferFlag::GlobalFocus |
                                        SoundBufferFlag::CtrlVolume | SoundBufferFlag::CtrlPan |
                                        SoundBufferFlag::CtrlFrequency);
  const WaveFormat& p = primary().desc.format;
  EXPECT_EQ(p.channels, 2);
  EXPECT_EQ(p.samplesPerSec, 44100u);
  EXPECT_EQ(p.avgBytesPerSec, 176400u);
  EXPECT_EQ(p.blockAlign, 4);
  EXPECT_EQ(p.bitsPerSample, 16);
  EXPECT_EQ(sound_.cooperativeLevel(), kCooperativePriority);
}

TEST_F(SoundRingTest, TheDeviceIsConfiguredOnceForAllTracksAndAgainOnlyAfterAFailure) {
  counting_->failCooperativeOnce = true;
  auto first = track();
  EXPECT_EQ(pump(*first), SoundFeeder::Step::kFinished);  // no cooperative level: no sound for it
  EXPECT_FALSE(first->ring.initialised());
  EXPECT_EQ(count(EventKind::TrackDone), 0);

  auto second = track();
  pump(*second);
  EXPECT_TRUE(second->ring.initialised());
  second.reset();
  auto third = track(OutputFormat{16, 1, 22050, 2 * 576, 576});
  pump(*third);
  EXPECT_TRUE(third->ring.initialised());
  EXPECT_EQ(counting_->cooperativeCalls, 2);
  EXPECT_EQ(counting_->primaryBuffers, 1);
  EXPECT_EQ(primary().desc.format.samplesPerSec, 44100u);
}

TEST_F(SoundRingTest, ElapsedTimeFollowsThePlayedBytesAndDoesNotJumpAfterAReset) {
  auto t = track();
  t->ring.requestPlay();
  for (int i = 0; i < 12; ++i) {  // a block every 25 ms: the decoder keeps ahead
    produce(*t, 4);
    play(*t, 100);
  }
  std::vector<float> times;
  for (const auto& e : target_.events) {
    if (e->kind() == EventKind::TimeInfo) times.push_back(static_cast<const TimeInfoEvent&>(*e).totalSeconds());
  }
  ASSERT_FALSE(times.empty());
  EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
  EXPECT_EQ(times.back(), 1.0f);

  // The ring is reset with the play position far into it: the next level check must not count
  // the way back to the start as played.
  const std::uint64_t played = t->ring.bytesPlayed();
  ASSERT_GT(secondary().playCursor, 0u);
  t->ring.cancelPlay();
  t->ring.reset();
  t->ring.requestPlay();
  t->ring.levelCheck();
  EXPECT_EQ(t->ring.bytesPlayed(), played);

  // A frame that does not follow the last one (a seek) restarts the count where it begins.
  t->events.clear();
  t->nextFrame = 3000;  // 3000 × 1152 / 44100 = 78.4 s
  produce(*t, 1);
  target_.clear();
  pump(*t);
  ASSERT_EQ(target_.events.size(), 1u);
  const auto& time = static_cast<const TimeInfoEvent&>(*target_.events[0]);
  EXPECT_EQ(time.hours(), 0);
  EXPECT_EQ(time.minutes(), 1);
  EXPECT_EQ(time.seconds(), 18);
}

TEST_F(SoundRingTest, ALostBufferIsRestoredAndTheRingStartsOver) {
  auto t = track();
  t->ring.requestPlay();
  produce(*t, 40);
  play(*t, 50);
  sound_.loseBuffers();
  play(*t, 5);
  EXPECT_FALSE(secondary().lost);
  EXPECT_TRUE(secondary().playing);
  play(*t, 300);
  EXPECT_GT(secondary().played.size(), 0u);
}

TEST_F(SoundRingTest, WhatCannotBePlayedEndsTheThreadWithoutAFault) {
  for (const OutputFormat& bad : {OutputFormat{16, 2, 44100, 0, 1152}, OutputFormat{16, 6, 44100, 4608, 1152},
                                  OutputFormat{12, 2, 44100, 4608, 1152}, OutputFormat{16, 2, 0, 4608, 1152},
                                  OutputFormat{16, 2, 44100, 4607, 1152}, OutputFormat{16, 2, 44100, 0x7FFFFFFC, 1}}) {
    auto t = track(bad);
    EXPECT_EQ(pump(*t), SoundFeeder::Step::kFinished);
    EXPECT_FALSE(t->ring.initialised());
  }
  SoundDevices none(SoundSystem{[](std::vector<SoundDeviceInfo>&) { return kFail; }, nullptr, nullptr}, nullptr);
  EXPECT_TRUE(none.noSound());
  SoundRing ring(nullptr);
  EXPECT_EQ(ring.init(&none, stereo44()), 1);
  EXPECT_EQ(ring.init(nullptr, stereo44()), 1);
  EXPECT_EQ(ring.levelCheck(), SoundRing::kNoBuffer);
  EXPECT_EQ(ring.write(nullptr, 100), 1);
  EXPECT_FALSE(ring.frameStarted(0).has_value());
}

}  // namespace
}  // namespace skyloom
