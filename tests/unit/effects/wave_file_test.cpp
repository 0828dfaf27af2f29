#include "effects/wave_file.h"

#include <gtest/gtest.h>

#include "effects/wave_test_util.h"

namespace skyloom {
namespace {

using testing::formatBody;
using testing::rampBytes;
using testing::riffFile;
using testing::simpleWave;

WaveError parse(const Bytes& file) {
  WaveSample sample;
  return parseWave(file, sample);
}

// ---------------------------------------------------------------------------------------------
// Files that are read

TEST(WaveRead, APlainPcmFileAnswersItsFormatAndTheSoundBytesInPlace) {
  const Bytes sound = rampBytes(400);
  const Bytes file = simpleWave(sound, 1, 11025, 8);
  WaveSample sample;
  ASSERT_EQ(parseWave(file, sample), WaveError::None);
  EXPECT_EQ(sample.format.formatTag, 1);
  EXPECT_EQ(sample.format.channels, 1);
  EXPECT_EQ(sample.format.samplesPerSec, 11025u);
  EXPECT_EQ(sample.format.bitsPerSample, 8);
  EXPECT_EQ(sample.format.blockAlign, 1);
  EXPECT_EQ(sample.format.avgBytesPerSec, 11025u);
  ASSERT_EQ(sample.data.size(), 400u);
  EXPECT_EQ(sample.data.data(), file.data() + 12 + 8 + 16 + 8);  // not a copy
  EXPECT_TRUE(std::equal(sample.data.begin(), sample.data.end(), sound.begin()));
}

TEST(WaveRead, ChunksBeforeTheFormatAreSkippedAndOddSizesArePaddedToEven) {
  // A 3-byte chunk takes 3 + 1 pad + 8 bytes: reading it as 11 would land mid-id.
  const Bytes sound = rampBytes(64, 9);
  const Bytes file = riffFile({{"JUNK", rampBytes(3)},
                               {"LIST", rampBytes(17)},
                               {"fmt ", formatBody(2, 44100, 16)},
                               {"cue ", rampBytes(5)},
                               {"data", sound}});
  WaveSample sample;
  ASSERT_EQ(parseWave(file, sample), WaveError::None);
  EXPECT_EQ(sample.format.samplesPerSec, 44100u);
  ASSERT_EQ(sample.data.size(), 64u);
  EXPECT_EQ(sample.data[0], sound[0]);
  EXPECT_EQ(sample.data[63], sound[63]);
}

TEST(WaveRead, DataMayComeBeforeTheFormatAndAShortFormatTakesItsBitsFromTheBlock) {
  const Bytes file = riffFile({{"data", rampBytes(40)}, {"fmt ", formatBody(2, 8000, 16, 14)}});
  WaveSample sample;
  ASSERT_EQ(parseWave(file, sample), WaveError::None);
  EXPECT_EQ(sample.format.bitsPerSample, 16);
  EXPECT_EQ(sample.format.blockAlign, 4);
  EXPECT_EQ(sample.data.size(), 40u);
}

TEST(WaveRead, AnOddLastChunkWithoutItsPadByteAndAWrongRiffSizeAreAccepted) {
  Bytes file = riffFile({{"fmt ", formatBody(1, 8000, 8)}, {"data", rampBytes(9), 0xFFFFFFFFu, false}});
  writeLE32(file.data() + 4, 4);  // the RIFF size is not what bounds the walk
  WaveSample sample;
  ASSERT_EQ(parseWave(file, sample), WaveError::None);
  EXPECT_EQ(sample.data.size(), 9u);
}

TEST(WaveRead, AStrayByteAfterTheLastWholeFrameIsLeftOut) {
  WaveSample sample;
  ASSERT_EQ(parseWave(simpleWave(rampBytes(4 * 25 + 3)), sample), WaveError::None);
  EXPECT_EQ(sample.data.size(), 100u);
}

// ---------------------------------------------------------------------------------------------
// Files that are refused, with the reason

TEST(WaveRefuse, FilesThatAreNotRiffWave) {
  EXPECT_EQ(parse({}), WaveError::NotRiff);
  EXPECT_EQ(parse({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}), WaveError::NotRiff);
  Bytes rifx = simpleWave(rampBytes(16));
  rifx[3] = 'X';
  EXPECT_EQ(parse(rifx), WaveError::NotRiff);
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody()}, {"data", rampBytes(16)}}, "AVI ")), WaveError::NotWave);
}

TEST(WaveRefuse, AMissingOrShortFormatChunk) {
  EXPECT_EQ(parse(riffFile({{"data", rampBytes(16)}})), WaveError::NoFormat);
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody(2, 22050, 16, 13)}, {"data", rampBytes(16)}})), WaveError::NoFormat);
  // A format chunk that claims more bytes than the file holds.
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody(), 4000}})), WaveError::NoFormat);
  EXPECT_EQ(parse(riffFile({})), WaveError::NoFormat);
}

TEST(WaveRefuse, AMissingDataChunkOrOneThatRunsPastTheEnd) {
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody()}})), WaveError::NoData);
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody()}, {"LIST", rampBytes(8)}})), WaveError::NoData);
  // One byte more than present is refused, not clipped; so is a size near 4 GB.
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody()}, {"data", rampBytes(16), 17}})), WaveError::DataPastEnd);
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody()}, {"data", rampBytes(16), 0xFFFFFFF0u}})),
            WaveError::DataPastEnd);
  // A chunk before "data" whose size overruns ends the walk before it finds the sound.
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody()}, {"JUNK", rampBytes(4), 0x7FFFFFFFu}, {"data", rampBytes(16)}})),
            WaveError::NoData);
}

TEST(WaveRefuse, EmptySoundAndFormatsTheOutputCannotPlay) {
  EXPECT_EQ(parse(simpleWave({})), WaveError::EmptyData);
  EXPECT_EQ(parse(simpleWave(rampBytes(3), 1, 8000, 8)), WaveError::EmptyData);
  EXPECT_EQ(parse(simpleWave(rampBytes(3), 2, 8000, 16)), WaveError::EmptyData);
  const Bytes sound = rampBytes(64);
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody(2, 22050, 16, 16, 3)}, {"data", sound}})), WaveError::Unplayable);
  EXPECT_EQ(parse(simpleWave(sound, 6, 22050, 16)), WaveError::Unplayable);
  EXPECT_EQ(parse(simpleWave(sound, 0, 22050, 16)), WaveError::Unplayable);
  EXPECT_EQ(parse(simpleWave(sound, 2, 22050, 24)), WaveError::Unplayable);
  EXPECT_EQ(parse(simpleWave(sound, 2, 0, 16)), WaveError::Unplayable);
  EXPECT_EQ(parse(simpleWave(sound, 2, 400000, 16)), WaveError::Unplayable);
  // A block size that disagrees with the channels and bits.
  Bytes skewed = formatBody(2, 22050, 16);
  skewed[12] = 3;
  EXPECT_EQ(parse(riffFile({{"fmt ", skewed}, {"data", sound}})), WaveError::Unplayable);
  // A short format with no channels must not divide by zero.
  EXPECT_EQ(parse(riffFile({{"fmt ", formatBody(0, 22050, 16, 14)}, {"data", sound}})), WaveError::Unplayable);
}

TEST(WaveRefuse, EveryTruncationOfAGoodFileFailsCleanly) {
  const Bytes file = riffFile({{"JUNK", rampBytes(5)}, {"fmt ", formatBody()}, {"data", rampBytes(32)}});
  for (std::size_t n = 0; n < file.size(); ++n) {
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_NE(parse(cut), WaveError::None) << n;
  }
  for (WaveError e : {WaveError::NotRiff, WaveError::NoData, WaveError::Unplayable}) {
    EXPECT_STRNE(waveErrorText(e), "");
  }
}

}  // namespace
}  // namespace skyloom
