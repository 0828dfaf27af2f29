// A playlist played through whole playback pipelines (file input, decoder unit, sound output) on
// the virtual sound output: what each track's buffer "played" is the decoder unit's output for
// that file, in order, with nothing left out or repeated; only silence may come in between.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine_fakes.h"
#include "platform/audio/virtual_sound_output.h"
#include "platform/registry/registry_memory.h"
#include "player/audio_pipeline.h"
#include "player/decoder_unit.h"
#include "player/engine_error.h"
#include "player/file_input.h"
#include "player/player_context.h"
#include "test_streams.h"

namespace skyloom {
namespace {

using testing::RecordingTarget;

class PipelinePcm : public ::testing::Test {
 protected:
  PipelinePcm() : builder_(testing::oneVirtualSoundDevice(sound_)) {
    context_.preferences = std::make_unique<Preferences>(registry_, "");
    context_.log = std::make_unique<PlayerLog>();
  }

  int count(RecordingTarget& target, std::int32_t kind) {
    const auto kinds = target.kinds();
    return static_cast<int>(std::count(kinds.begin(), kinds.end(), kind));
  }

  // The decoder unit's PCM for the file, taken straight from its event buffer.
  std::vector<std::uint8_t> decoderOutput(const std::string& path) {
    RecordingTarget target;
    PMI pmi(context_, target);
    LMC lmc(context_, target);
    pmi.setTo(path);
    Pullbuffer* in = nullptr;
    EventBuffer* events = nullptr;
    std::vector<std::uint8_t> pcm;
    if (pmi.prepare(in) != kErrorNone) return pcm;
    lmc.setInputUnit(&pmi);
    if (lmc.prepare(in, events) != kErrorNone) return pcm;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ended && std::chrono::steady_clock::now() < deadline && count(target, EventKind::ErrorText) == 0) {
      lmc.wake();
      const std::size_t n = events->fillBytes();
      const std::uint8_t* p = nullptr;
      const std::int32_t r = events->beginRead(p, std::max<std::size_t>(n, 1));
      if (r == kError_EventPending) {
        // The bytes before the marker first, then the marker.
        std::size_t before = 0;
        while (before < n && events->beginRead(p, before + 1) == kErrorNone) {
          events->endRead(0);
          ++before;
        }
        if (before > 0 && events->beginRead(p, before) == kErrorNone) {
          pcm.insert(pcm.end(), p, p + before);
          events->endRead(before);
        }
        if (events->beginRead(p, 1) == kError_EventPending) {
          ended = events->takeMarker()->kind() == MarkerKind::EndOfStream;
        }
      } else if (r == kErrorNone) {
        pcm.insert(pcm.end(), p, p + n);
        events->endRead(n);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    EXPECT_TRUE(ended) << path;
    return pcm;
  }

  MemoryRegistry registry_;
  PlayerContext context_;
  AudioPipelineBuilder builder_;
  VirtualSoundOutput* sound_ = nullptr;
};

// played is expected with zero bytes inserted anywhere, and nothing else.
::testing::AssertionResult isExpectedWithSilence(const std::vector<std::uint8_t>& played,
                                                 const std::vector<std::uint8_t>& expected) {
  std::size_t j = 0;
  for (std::size_t i = 0; i < played.size(); ++i) {
    if (j < expected.size() && played[i] == expected[j]) {
      ++j;
    } else if (played[i] != 0) {
      return ::testing::AssertionFailure() << "byte " << i << " played is neither the next expected byte (" << j
                                           << " of " << expected.size() << ") nor silence";
    }
  }
  if (j < expected.size())
    return ::testing::AssertionFailure() << "only " << j << " of " << expected.size() << " bytes played";
  return ::testing::AssertionSuccess();
}

TEST_F(PipelinePcm, EachTrackOfAPlaylistIsHeardAsTheDecoderMadeIt) {
  for (const char* name : {"L3_M1_44k_joint_cbr_sweep", "L3_M2_24k_mono_speech", "L3_M1_48k_stereo_speech"}) {
    SCOPED_TRACE(name);
    const std::string path = testing::streamFile(testing::catalogStream(name));
    ASSERT_FALSE(path.empty());
    const std::vector<std::uint8_t> expected = decoderOutput(path);
    ASSERT_GT(expected.size(), 50000u);

    RecordingTarget target;
    std::unique_ptr<PlaybackPipeline> pipeline = builder_.build(context_, target);
    ASSERT_EQ(pipeline->setTo(path), kErrorNone);
    pipeline->resume();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (count(target, EventKind::TrackDone) == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      sound_->advance(0.002);  // twice real time: the decoder stays ahead but is tested too
    }
    ASSERT_EQ(count(target, EventKind::TrackDone), 1);
    EXPECT_EQ(count(target, EventKind::ErrorText), 0);
    const auto buffers = sound_->buffers();
    ASSERT_EQ(buffers.size(), 2u);  // the device's primary buffer and this track's ring
    EXPECT_TRUE(isExpectedWithSilence(buffers[1]->played, expected));
    pipeline->pause();
  }
}

}  // namespace
}  // namespace skyloom
