// A whole playback pipeline on the virtual sound output: a file of Layer III frames read by the
// file input, decoded by the decoder unit and played by the sound output, with the clock moved
// by the test while the units' threads run.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine_fakes.h"
#include "platform/audio/virtual_sound_output.h"
#include "platform/registry/registry_memory.h"
#include "player/audio_pipeline.h"
#include "player/player_context.h"
#include "player/sound_output_unit.h"

namespace skyloom {
namespace {

using testing::RecordingTarget;

class SoundPipelineTest : public ::testing::Test {
 protected:
  SoundPipelineTest() : builder_(testing::oneVirtualSoundDevice(sound_)) {
    context_.preferences = std::make_unique<Preferences>(registry_, "");
    context_.log = std::make_unique<PlayerLog>();
    file_ = files_.write("pmo_track.mp3", testing::silentLayer3Frames(kFrames));
  }

  int count(std::int32_t kind) {
    const auto kinds = target_.kinds();
    return static_cast<int>(std::count(kinds.begin(), kinds.end(), kind));
  }
  // Moves the virtual clock four times faster than real time until the track is done.
  bool playUntilDone(int doneCount) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (count(EventKind::TrackDone) < doneCount && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      sound_->advance(0.004);
    }
    return count(EventKind::TrackDone) == doneCount;
  }
  std::size_t playedBytes() {  // by this track's ring
    const auto buffers = sound_->buffers();
    return buffers.size() > 1 ? buffers.back()->played.size() : 0;
  }

  static constexpr int kFrames = 60;
  static constexpr std::size_t kPcmBytes = kFrames * 4608;
  MemoryRegistry registry_;
  PlayerContext context_;
  RecordingTarget target_;
  AudioPipelineBuilder builder_;
  VirtualSoundOutput* sound_ = nullptr;
  testing::TempFiles files_;
  std::filesystem::path file_;
};

TEST_F(SoundPipelineTest, PauseStopsTheSoundAndResumeGoesOnToTheEnd) {
  std::unique_ptr<PlaybackPipeline> pipeline = builder_.build(context_, target_);
  ASSERT_EQ(pipeline->setTo(file_.string()), 0);
  pipeline->resume();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (playedBytes() < 10 * 4608 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    sound_->advance(0.002);
  }
  pipeline->pause();
  EXPECT_FALSE(sound_->buffers().back()->playing);
  const std::size_t played = playedBytes();
  sound_->advance(0.5);
  EXPECT_EQ(playedBytes(), played);
  pipeline->resume();
  EXPECT_TRUE(playUntilDone(1));
  EXPECT_GE(playedBytes(), kPcmBytes - 31 * 4608) << "TrackDone came before the track was played";
  EXPECT_EQ(count(EventKind::MediaInfo), 1);
  EXPECT_EQ(count(EventKind::ErrorText), 0);
}

TEST_F(SoundPipelineTest, AFileThatCannotBeOpenedFailsSetUpAndNoSoundDeviceStaysSilent) {
  std::unique_ptr<PlaybackPipeline> missing = builder_.build(context_, target_);
  EXPECT_NE(missing->setTo((file_.parent_path() / "skyloom_no_such_track.mp3").string()), 0);
  missing.reset();

  AudioPipelineBuilder silent(SoundSystem{[](std::vector<SoundDeviceInfo>& out) {
                                            out.clear();
                                            return kOk;
                                          },
                                          nullptr, nullptr});
  std::unique_ptr<PlaybackPipeline> pipeline = silent.build(context_, target_);
  ASSERT_EQ(pipeline->setTo(file_.string()), 0);
  pipeline->resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  pipeline->pause();
  pipeline.reset();
  EXPECT_EQ(count(EventKind::TrackDone), 0);
}

}  // namespace
}  // namespace skyloom
