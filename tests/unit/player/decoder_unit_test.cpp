#include "player/decoder_unit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "engine_fakes.h"
#include "layer1_writer.h"
#include "platform/registry/registry_memory.h"
#include "player/engine_error.h"
#include "player/file_input.h"
#include "player/player_context.h"

namespace skyloom {
namespace {

using testing::RecordingTarget;

std::vector<std::uint8_t> frames(int count, int rateIndex = 0) { return testing::silentLayer3Frames(count, rateIndex); }

struct Decoded {
  OutputFormat format;
  std::vector<std::int32_t> frameMarkers;
  std::size_t pcmBytes = 0;
  bool ended = false;
};

class DecoderUnitTest : public ::testing::Test {
 protected:
  DecoderUnitTest() {
    context_.preferences = std::make_unique<Preferences>(registry_, "");
    context_.log = std::make_unique<PlayerLog>();
  }
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return files_.write("lmc_" + name, bytes);
  }
  // Plays the file through an input and a decoder, taking the output as the sound output would.
  Decoded decode(const std::vector<std::uint8_t>& bytes) {
    PMI pmi(context_, target_);
    LMC lmc(context_, target_);
    pmi.setTo(write("stream.mp3", bytes));
    Pullbuffer* in = nullptr;
    EventBuffer* events = nullptr;
    Decoded d;
    if (pmi.prepare(in) != kErrorNone) return d;
    lmc.setInputUnit(&pmi);
    EXPECT_EQ(lmc.prepare(in, events), kErrorNone);
    std::size_t block = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!d.ended && std::chrono::steady_clock::now() < deadline && !errorPosted()) {
      lmc.wake();
      const std::uint8_t* p = nullptr;
      const std::size_t n = block ? block : 1;
      const std::int32_t r = events->beginRead(p, n);
      if (r == kError_EventPending) {
        std::unique_ptr<PlayerEvent> m = events->takeMarker();
        if (m->kind() == MarkerKind::OutputFormat) {
          d.format = static_cast<OutputFormatMarker&>(*m).format();
          block = static_cast<std::size_t>(d.format.blockBytes);
        } else if (m->kind() == MarkerKind::FrameStart) {
          d.frameMarkers.push_back(static_cast<FrameStartMarker&>(*m).frame());
        } else if (m->kind() == MarkerKind::EndOfStream) {
          d.ended = true;
        }
      } else if (r == kErrorNone && block) {
        d.pcmBytes += n;
        events->endRead(n);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    return d;
  }
  bool errorPosted() {
    for (std::int32_t k : target_.kinds()) {
      if (k == EventKind::ErrorText) return true;
    }
    return false;
  }
  std::string errorText() {
    for (const auto& e : target_.events) {
      if (e->kind() == EventKind::ErrorText) return static_cast<const TextEvent&>(*e).text();
    }
    return {};
  }
  const MediaInfoEvent* mediaInfo() {
    for (const auto& e : target_.events) {
      if (e->kind() == EventKind::MediaInfo) return static_cast<const MediaInfoEvent*>(e.get());
    }
    return nullptr;
  }

  MemoryRegistry registry_;
  PlayerContext context_;
  RecordingTarget target_;
  testing::TempFiles files_;
};

TEST_F(DecoderUnitTest, AStreamIsAnnouncedAndDecodedFrameByFrameToItsEnd) {
  const Decoded d = decode(frames(40));
  ASSERT_TRUE(d.ended) << errorText();
  EXPECT_EQ(d.format.channels, 2);
  EXPECT_EQ(d.format.sampleRate, 44100);
  EXPECT_EQ(d.format.blockBytes, 4608);
  EXPECT_EQ(d.format.samplesPerFrame, 1152);
  // Each frame's marker comes before its read, so the end of the stream follows a 41st.
  ASSERT_EQ(d.frameMarkers.size(), 41u);
  EXPECT_EQ(d.frameMarkers[39], 39);
  EXPECT_EQ(d.pcmBytes, 40u * 4608u);
  const MediaInfoEvent* info = mediaInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_NEAR(info->seconds(), 40 * 1152.0 / 44100.0, 0.01);
  ASSERT_EQ(info->nested().size(), 1u);
  const StreamDescription& s = static_cast<const StreamInfoEvent&>(*info->nested()[0]).description();
  EXPECT_EQ(s.frameCount, 40);
  EXPECT_EQ(s.frameBytes, 417);
  EXPECT_EQ(s.bitRate, 128);
  EXPECT_EQ(s.layer, 3);
  EXPECT_EQ(s.version, 1);
  EXPECT_EQ(s.channels, 2);
}

TEST_F(DecoderUnitTest, RandomBytesAndLayerOneCannotBePlayed) {
  std::vector<std::uint8_t> noise(60000);
  std::mt19937 random(7);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  Decoded d = decode(noise);
  EXPECT_FALSE(d.ended);
  EXPECT_EQ(errorText(), "Velkaran cannot play this file/stream. This file/stream may be corrupted.");
  EXPECT_EQ(d.format.blockBytes, 0);

  target_.clear();
  testing::Layer1Options o;
  o.frames = 60;
  d = decode(testing::writeLayer1(o).bytes);
  EXPECT_FALSE(d.ended);
  EXPECT_EQ(errorText(), "Velkaran cannot play this file/stream. This file/stream may be corrupted.");
}

// The analysis itself, on an input that already holds the whole file: 32 attempts, then 1001.
TEST_F(DecoderUnitTest, RandomBytesGiveUpAfterThirtyTwoAttempts) {
  std::vector<std::uint8_t> noise(200000);
  std::mt19937 random(11);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  context_.preferences->setInt(prefs::kInputBufferSize, 512);
  PMI pmi(context_, target_);
  LMC lmc(context_, target_);
  pmi.setTo(write("noise.mp3", noise));
  Pullbuffer* in = nullptr;
  EventBuffer* events = nullptr;
  ASSERT_EQ(pmi.prepare(in), kErrorNone);
  lmc.setInputUnit(&pmi);
  ASSERT_EQ(lmc.prepare(in, events), kErrorNone);  // its thread waits for a wake that never comes
  pmi.wake();
  for (int i = 0; i < 2000 && !in->isEndOfStream(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(in->isEndOfStream());
  EXPECT_EQ(lmc.canDecode(), kDecoderNoSync);
  EXPECT_GT(in->fillBytes(), 0u);  // gave up before the end
  context_.preferences->setInt(prefs::kInputBufferSize, 64);
}

TEST_F(DecoderUnitTest, FirstFramesThatChangeRateAreSkippedUntilThreeAgree) {
  std::vector<std::uint8_t> bytes = frames(1, 0);
  const auto other = frames(1, 1);
  bytes.insert(bytes.end(), other.begin(), other.end());
  const auto rest = frames(20, 0);
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  const Decoded d = decode(bytes);
  ASSERT_TRUE(d.ended) << errorText();
  EXPECT_EQ(d.format.sampleRate, 44100);
  EXPECT_GE(d.frameMarkers.size(), 20u);
}

TEST_F(DecoderUnitTest, ADamagedFrameInTheMiddleIsSkippedAndPlaybackGoesOn) {
  std::vector<std::uint8_t> bytes = frames(30);
  std::fill(bytes.begin() + 15 * 417, bytes.begin() + 15 * 417 + 4, 0x00);  // frame 15 loses its header
  const Decoded d = decode(bytes);
  ASSERT_TRUE(d.ended) << errorText();
  EXPECT_EQ(errorText(), "");
  EXPECT_GE(d.pcmBytes, 28u * 4608u);
  EXPECT_LE(d.pcmBytes, 29u * 4608u);
}

TEST_F(DecoderUnitTest, AXingFrameGivesTheLengthAndTheSeekTable) {
  std::vector<std::uint8_t> bytes = frames(10);
  std::uint8_t* x = bytes.data() + 36;  // MPEG-1, two channels
  std::memcpy(x, "Xing", 4);
  x[7] = 1 | 4;                                    // frames and the seek table
  x[8] = 0, x[9] = 0, x[10] = 0x03, x[11] = 0xE8;  // 1000 frames
  for (int i = 0; i < 100; ++i) x[12 + i] = static_cast<std::uint8_t>(i * 256 / 100);
  const Decoded d = decode(bytes);
  ASSERT_TRUE(d.ended) << errorText();
  const MediaInfoEvent* info = mediaInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_NEAR(info->seconds(), 1000 * 1152.0 / 44100.0, 0.05);
  const StreamDescription& s = static_cast<const StreamInfoEvent&>(*info->nested()[0]).description();
  EXPECT_EQ(s.frameCount, 1000);
  EXPECT_EQ(s.bitRate, 0);

  const auto xing =
      findXingHeader(std::span<const std::uint8_t>(bytes.data(), 417), player::FrameHeader{1, 1, 1, 1, 9, 0, 0, 0, 0});
  ASSERT_TRUE(xing);
  EXPECT_EQ(xing->frames, 1000);
  EXPECT_EQ(seekTablePosition(*xing, 50.0, 256000), 128000);
  EXPECT_EQ(seekTablePosition(*xing, 99.5, 256000), (253 + 0.5 * (256 - 253)) * 1000);
  EXPECT_EQ(seekTablePosition(*xing, 150.0, 256000), 256000);  // clamped to the end
}

}  // namespace
}  // namespace skyloom
