#include <gtest/gtest.h>

#include <vector>

#include "layer1_writer.h"
#include "player/mpeg/frame_header.h"

namespace skyloom::player {
namespace {

using skyloom::testing::Layer1Options;
using skyloom::testing::writeLayer1;

int parse(const std::vector<std::uint8_t>& bytes, FrameHeader& h, int& bitRate, int& skipped) {
  return parseHeader(bytes, h, bitRate, skipped);
}

TEST(FrameHeader, ReadsTheFieldsAndFrameSizesOfEachLayerAndVersion) {
  struct Case {
    std::uint8_t bytes[4];
    int layer, versionKind, mpegId, sampleRate, rateTable, channels, bitRate, samples, frameBytes;
  } cases[] = {
      {{0xFF, 0xFB, 0x90, 0x64}, 3, 1, 1, 44100, 0, 2, 128000, 1152, 417},  // joint stereo, M/S
      {{0xFF, 0xF3, 0x48, 0xC4}, 3, 1, 0, 16000, 5, 1, 32000, 576, 144},
      {{0xFF, 0xE3, 0x18, 0xC4}, 3, 2, 0, 8000, 8, 1, 8000, 576, 72},
      {{0xFF, 0xFD, 0xA4, 0x04}, 2, 1, 1, 48000, 1, 2, 192000, 1152, 576},
      {{0xFF, 0xFF, 0xE2, 0x04}, 1, 1, 1, 44100, 0, 2, 448000, 384, 484},  // padded: 4 more
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frameBytes);
    FrameHeader h;
    ASSERT_TRUE(readFrameHeader(c.bytes, h));
    EXPECT_EQ(h.layer(), c.layer);
    EXPECT_EQ(h.versionKind, c.versionKind);
    EXPECT_EQ(h.mpegId, c.mpegId);
    EXPECT_EQ(h.sampleRate(), c.sampleRate);
    EXPECT_EQ(h.rateTableIndex(), c.rateTable);
    EXPECT_EQ(h.channels(), c.channels);
    EXPECT_EQ(h.bitRate(), c.bitRate);
    EXPECT_EQ(h.samplesPerFrame(), c.samples);
    EXPECT_EQ(frameBytesFor(h, h.bitRate()), c.frameBytes);
    EXPECT_FALSE(h.crcFollows());

    std::vector<std::uint8_t> bytes(c.bytes, c.bytes + 4);
    bytes.resize(2000);
    int bitRate = 0, skipped = -1;
    EXPECT_EQ(parse(bytes, h, bitRate, skipped), c.frameBytes);
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(bitRate, c.bitRate);
  }
  FrameHeader h;
  const std::uint8_t first[4] = {0xFF, 0xFB, 0x90, 0x64};
  ASSERT_TRUE(readFrameHeader(first, h));
  EXPECT_EQ(h.channelMode, 1);
  EXPECT_EQ(h.modeExtension, 2);
  EXPECT_EQ(h.original, 1);
  const std::uint8_t padded[4] = {0xFF, 0xFF, 0xE2, 0x04};
  ASSERT_TRUE(readFrameHeader(padded, h));
  EXPECT_EQ(h.paddingBytes(), 4);
}

TEST(FrameHeader, RejectsReservedFieldsAndLayersIAndIIAtTheLowestRates) {
  const std::uint8_t bad[][4] = {
      {0xFF, 0xFB, 0xF0, 0x64},  // bit-rate index 15
      {0xFF, 0xFB, 0x9C, 0x64},  // reserved sample rate
      {0xFF, 0xF9, 0x90, 0x64},  // reserved layer
      {0xFF, 0xEB, 0x90, 0x64},  // reserved version
      {0xFF, 0xE7, 0x10, 0x64},  // Layer I at 11.025 kHz
      {0xFF, 0xE5, 0x10, 0x64},  // Layer II at 11.025 kHz
      {0xFE, 0xFB, 0x90, 0x64},  // no sync
  };
  for (const auto& b : bad) {
    FrameHeader h;
    EXPECT_FALSE(readFrameHeader(b, h)) << std::hex << int(b[0]) << " " << int(b[1]) << " " << int(b[2]);
  }
}

TEST(FrameHeader, SyncSearchReportsTheBytesBeforeTheFirstSyncAndRejectsAFalseOne) {
  Layer1Options o;
  o.frames = 3;
  const std::vector<std::uint8_t> stream = writeLayer1(o).bytes;
  std::vector<std::uint8_t> bytes(37, 0x00);
  bytes.push_back(0xFF);  // not followed by a sync's second byte
  bytes.push_back(0x12);
  bytes.insert(bytes.end(), stream.begin(), stream.end());
  FrameHeader h, first;
  int bitRate = 0, skipped = 0;
  EXPECT_EQ(parse(bytes, h, bitRate, skipped), 416);
  EXPECT_EQ(skipped, 39);
  ASSERT_TRUE(readFrameHeader(stream.data(), first));
  EXPECT_TRUE(sameStream(first, h));

  bytes[10] = 0xFF;  // a sync with a reserved layer in front of the stream
  bytes[11] = 0xF0;
  EXPECT_EQ(parse(bytes, h, bitRate, skipped), 0);
  EXPECT_EQ(skipped, 10);

  o.sampleRate = 48000;
  ASSERT_TRUE(readFrameHeader(writeLayer1(o).bytes.data(), h));
  EXPECT_FALSE(sameStream(first, h));
}

TEST(FrameHeader, MeasuresFreeFormatToNextSync) {
  Layer1Options o;
  o.freeFormat = true;
  o.frames = 4;
  o.sampleRate = 48000;
  o.bitRate = 200000;  // 50 slots, no padding
  FrameHeader h;
  int bitRate = 0, skipped = 0;
  EXPECT_EQ(parse(writeLayer1(o).bytes, h, bitRate, skipped), 200);
  EXPECT_EQ(h.bitRateIndex, 0);
  EXPECT_EQ(bitRate, 200000);
  EXPECT_EQ(bitRateForFrameBytes(h, 200), 200000);

  o.sampleRate = 44100;  // 54.4 slots: the first frame has none, the third a padding slot
  const std::vector<std::uint8_t> padded = writeLayer1(o).bytes;
  const int bytes = parse(padded, h, bitRate, skipped);
  EXPECT_EQ(bytes, 216);
  EXPECT_EQ(frameBytesFor(h, bitRate), 216);

  // A lone free-format frame has nothing to be measured against.
  EXPECT_EQ(parse(std::vector<std::uint8_t>(padded.begin(), padded.begin() + 216), h, bitRate, skipped), 0);
}

}  // namespace
}  // namespace skyloom::player
