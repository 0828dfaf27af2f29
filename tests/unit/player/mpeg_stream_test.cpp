// The player's stream layer (tag skipping, frame search, resync) and the equalizer on Layer I
// streams from our writer (these need neither an encoder nor the reference decoder, so they also
// run in the Windows build).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "layer1_writer.h"
#include "player/mpeg/mpeg_stream.h"

namespace skyloom::player {
namespace {

using skyloom::testing::Layer1Options;
using skyloom::testing::Layer1Stream;
using skyloom::testing::writeLayer1;

struct Decoded {
  StreamSummary summary;
  std::vector<std::uint8_t> pcm;
};

Decoded run(const std::vector<std::uint8_t>& bytes, int convert = 0) {
  Decoded d;
  StreamOptions options;
  options.convert = convert;
  d.summary = decodeStream(bytes, options, [&](std::span<const std::uint8_t> pcm) { d.pcm.insert(d.pcm.end(), pcm.begin(), pcm.end()); });
  return d;
}

TEST(StreamDecode, CountsGarbageBetweenFramesAsOneSkippedFrameAndACutFrameAsAnother) {
  Layer1Options o;
  o.frames = 40;
  const Layer1Stream s = writeLayer1(o);
  std::vector<std::uint8_t> bytes = s.bytes;
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(s.frameOffsets[10]), 50, 0x00);
  Decoded d = run(bytes);
  EXPECT_EQ(d.summary.framesDecoded, 40);
  EXPECT_EQ(d.summary.framesSkipped, 1);
  EXPECT_EQ(d.pcm.size(), 40u * 384 * 2 * 2);

  bytes.resize(bytes.size() - 100);
  d = run(bytes);
  EXPECT_EQ(d.summary.framesDecoded, 39);
  EXPECT_EQ(d.summary.framesSkipped, 2);
}

TEST(StreamDecode, SkipsAnId3v2TagWithFooterEvenWhenItHoldsASync) {
  Layer1Options o;
  o.channelMode = 3;
  o.frames = 10;
  const std::vector<std::uint8_t> stream = writeLayer1(o).bytes;
  const std::uint8_t header[] = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 1, 2};  // footer, 130 bytes of frames
  std::vector<std::uint8_t> tagged(10 + 130 + 10 + stream.size(), 0x20);
  std::copy(std::begin(header), std::end(header), tagged.begin());
  std::copy(stream.begin(), stream.begin() + 100, tagged.begin() + 20);  // a whole header in the tag
  std::copy(stream.begin(), stream.end(), tagged.begin() + 150);

  const Decoded plain = run(stream), withTag = run(tagged);
  EXPECT_EQ(withTag.summary.tagBytes, 150u);
  EXPECT_EQ(withTag.summary.first.offset, 150u);
  EXPECT_EQ(withTag.summary.framesSkipped, 0);
  EXPECT_TRUE(withTag.pcm == plain.pcm);
}

TEST(StreamDecode, FindsNoFramesInEmptyTextOrTagOnlyFiles) {
  const std::string text = "not audio at all\n";
  EXPECT_FALSE(run({}).summary.found);
  EXPECT_FALSE(run(std::vector<std::uint8_t>(text.begin(), text.end())).summary.found);
  EXPECT_FALSE(run({'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}).summary.found);
}

TEST(StreamDecode, EqualizerAtUnityOrSwitchedOffIsBitExactAndAtZeroSilent) {
  Layer1Options o;
  o.frames = 30;
  o.randomContent = true;
  const Layer1Stream s = writeLayer1(o);
  FoundFrame first;
  ASSERT_TRUE(findFrame(s.bytes, 0, nullptr, first));
  auto decode = [&](float gain, bool on, bool offAgain) {
    player::FrameDecoder d;
    EXPECT_TRUE(d.init(first.header, first.frameBytes, 0, 0, player::kConvertFloat, 24000));
    float gains[player::kEqualizerBands];
    std::fill(std::begin(gains), std::end(gains), gain);
    d.setEqualizerGains(gains);
    d.setEqualizerEnabled(on);
    if (offAgain) d.setEqualizerEnabled(false);
    std::vector<std::uint8_t> pcm, out(player::kMaxFrameOutputBytes);
    for (std::size_t offset : s.frameOffsets) {
      const player::DecodeResult r = d.decode(std::span(s.bytes).subspan(offset), out);
      EXPECT_GT(r.usedBytes, 0);
      pcm.insert(pcm.end(), out.begin(), out.begin() + r.outputBytes);
    }
    return pcm;
  };
  const std::vector<std::uint8_t> plain = decode(1.0f, false, false);
  ASSERT_EQ(plain.size(), 30u * 384 * 2 * 4);
  EXPECT_TRUE(decode(1.0f, true, false) == plain);
  EXPECT_TRUE(decode(0.3f, true, true) == plain);
  const std::vector<std::uint8_t> silent = decode(0.0f, true, false);
  EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](std::uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace skyloom::player
