// The player's stream layer on damaged files: random bytes, cut streams and streams
// damaged in the middle. It must never crash, count what it drops and be back on the stream
// within a few frames, with the same output as an undamaged decoding from then on.

#include <gtest/gtest.h>

#include <random>

#include "player/mpeg/mpeg_stream.h"
#include "test_streams.h"

namespace skyloom::testing {
namespace {

struct Decoded {
  player::StreamSummary summary;
  std::vector<std::uint8_t> pcm;
};

Decoded run(const std::vector<std::uint8_t>& bytes, int convert = 0, int reduction = 0) {
  Decoded r;
  player::StreamOptions options;
  options.convert = convert;
  options.reduction = reduction;
  r.summary = player::decodeStream(bytes, options,
                                      [&](std::span<const std::uint8_t> pcm) { r.pcm.insert(r.pcm.end(), pcm.begin(), pcm.end()); });
  return r;
}

std::uint64_t frameOutputBytes(const player::DecoderOutput& o) {
  return static_cast<std::uint64_t>(o.samplesPerFrame) * static_cast<std::uint64_t>(o.bitsPerSample) / 8;
}

TEST(StreamDecode, RandomBytesNeverCrashAndEveryDecodedFrameHasAFullFrameOfOutput) {
  const int converts[] = {0, player::kConvertFloat, player::kConvert8Bit | 1, 2, 3};
  long found = 0, skipped = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(1 + random() % 60000);
    // Many 0xFF bytes, so that headers turn up often.
    for (std::uint8_t& b : bytes) b = random() % 3 == 0 ? 0xFF : static_cast<std::uint8_t>(random());
    const Decoded r = run(bytes, converts[seed % 5], static_cast<int>(seed % 3));
    if (!r.summary.found) continue;
    ++found;
    skipped += r.summary.framesSkipped;
    EXPECT_EQ(r.pcm.size(), r.summary.framesDecoded * frameOutputBytes(r.summary.output)) << "seed " << seed;
  }
  EXPECT_GT(found, 20);
  EXPECT_GT(skipped, found);
}

TEST(StreamDecode, ACutStreamLosesOnlyItsLastFrame) {
  for (const char* name : {"L3_M1_44k_joint_cbr_sweep", "L3_M1_44k_free_format_mix", "L2_M2_22k_joint_sweep", "L1_48k_mono_random"}) {
    SCOPED_TRACE(name);
    std::vector<std::uint8_t> bytes = readBytes(streamFile(catalogStream(name)));
    const std::vector<RawFrame> frames = walkFrames(bytes);
    const std::size_t keep = frames.size() / 2;
    bytes.resize(frames[keep].offset + frames[keep].size / 2);
    const Decoded r = run(bytes);
    EXPECT_EQ(r.summary.framesDecoded, static_cast<long>(keep));
    EXPECT_EQ(r.summary.framesSkipped, 1);
  }
}

TEST(StreamDecode, DamageInTheMiddleCostsAFewFramesAndThenTheOutputIsTheUndamagedOne) {
  for (const char* name : {"L3_M1_44k_joint_cbr_sweep", "L3_M2_22k_joint_vbr_mix", "L3_M25_11k_joint_speech",
                           "L2_M1_44k_stereo_sweep", "L1_44k_stereo_sines"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> clean = readBytes(streamFile(catalogStream(name)));
    const std::vector<RawFrame> frames = walkFrames(clean);
    std::vector<std::uint8_t> damaged = clean;
    std::mt19937 random(5);
    const std::size_t at = frames[frames.size() / 2].offset - 3;
    for (std::size_t i = at; i < at + 300 && i < damaged.size(); ++i) damaged[i] = static_cast<std::uint8_t>(random());

    const Decoded good = run(clean), bad = run(damaged);
    EXPECT_GE(bad.summary.framesSkipped, 1);
    EXPECT_GE(bad.summary.framesDecoded, static_cast<long>(frames.size()) - 6);
    const std::uint64_t perFrame = frameOutputBytes(good.summary.output);
    ASSERT_EQ(bad.pcm.size(), bad.summary.framesDecoded * perFrame);
    // The last quarter of the stream decodes exactly as without the damage.
    const std::size_t tail = frames.size() / 4 * perFrame;
    ASSERT_GE(bad.pcm.size(), tail);
    EXPECT_TRUE(std::equal(bad.pcm.end() - static_cast<std::ptrdiff_t>(tail), bad.pcm.end(),
                           good.pcm.end() - static_cast<std::ptrdiff_t>(tail)));
  }
}

}  // namespace
}  // namespace skyloom::testing
