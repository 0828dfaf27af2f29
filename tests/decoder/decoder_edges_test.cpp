// FrameDecoder one frame at a time: output sizes, refusals, the equalizer, conversions, rate
// reduction and the subband-level ring, on streams from the catalog and two 1 kHz tones.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "player/mpeg/mpeg_stream.h"
#include "player/mpeg/subband_levels.h"
#include "test_streams.h"
#include "ui/spectrum_levels.h"

namespace skyloom::testing {
namespace {

using player::FrameDecoder;

struct Stream {
  std::vector<std::uint8_t> bytes;
  std::vector<RawFrame> frames;
  player::FoundFrame first;

  std::span<const std::uint8_t> from(std::size_t frame) const { return std::span(bytes).subspan(frames[frame].offset); }
};

Stream load(const StreamRecipe& recipe) {
  Stream s;
  s.bytes = readBytes(streamFile(recipe));
  s.frames = walkFrames(s.bytes);
  EXPECT_TRUE(player::findFrame(s.bytes, 0, nullptr, s.first)) << recipe.name;
  return s;
}
Stream load(const char* name) { return load(catalogStream(name)); }

const StreamRecipe kToneStereo{"tone_44k_stereo", 3, 44100, 2, Signal::Tone1k, 7.0, "-b 128 -m s", false, {}};
const StreamRecipe kToneMono{"tone_44k_mono", 3, 44100, 1, Signal::Tone1k, 1.0, "-b 64 -m m", false, {}};

bool start(FrameDecoder& d, const Stream& s, int convert = 0, int reduction = 0) {
  return d.init(s.first.header, s.first.frameBytes, reduction, 0, convert, 24000);
}

// Every frame's output, one after the other.
std::vector<std::uint8_t> decodeAll(FrameDecoder& d, const Stream& s) {
  std::vector<std::uint8_t> pcm, out(player::kMaxFrameOutputBytes);
  for (std::size_t f = 0; f < s.frames.size(); ++f) {
    const player::DecodeResult r = d.decode(s.from(f), out);
    EXPECT_EQ(r.usedBytes, static_cast<int>(s.frames[f].size)) << "frame " << f;
    pcm.insert(pcm.end(), out.begin(), out.begin() + r.outputBytes);
  }
  return pcm;
}

std::vector<std::uint8_t> decodeWith(const Stream& s, int convert, int reduction = 0) {
  FrameDecoder d;
  EXPECT_TRUE(start(d, s, convert, reduction));
  return decodeAll(d, s);
}

std::vector<std::int16_t> asS16(const std::vector<std::uint8_t>& pcm) {
  std::vector<std::int16_t> s(pcm.size() / 2);
  std::memcpy(s.data(), pcm.data(), s.size() * 2);
  return s;
}

double rms(const std::vector<std::int16_t>& s, std::size_t from) {
  double sum = 0;
  for (std::size_t i = from; i < s.size(); ++i) sum += static_cast<double>(s[i]) * s[i];
  return std::sqrt(sum / static_cast<double>(s.size() - from)) / 32768.0;
}

TEST(FrameDecoder, GivesOneFrameOfSamplesPerChannelPerCall) {
  struct Case {
    const char* stream;
    int convert, outputBytes;
  } cases[] = {{"L2_M1_44k_stereo_sweep", 0, 1152 * 2 * 2},
               {"L2_M1_44k_stereo_sweep", player::kConvertFloat, 1152 * 2 * 4},
               {"L3_M2_22k_joint_sweep", 0, 576 * 2 * 2},
               {"L3_M25_8k_mono_sweep", 0, 576 * 2},
               {"L1_44k_stereo_sines", 0, 384 * 2 * 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stream);
    const Stream s = load(c.stream);
    FrameDecoder d;
    ASSERT_TRUE(start(d, s, c.convert));
    std::vector<std::uint8_t> out(player::kMaxFrameOutputBytes);
    const player::DecodeResult r = d.decode(s.from(1), out);
    EXPECT_EQ(r.usedBytes, static_cast<int>(s.frames[1].size));
    EXPECT_EQ(r.outputBytes, c.outputBytes);
    const player::DecoderOutput info = d.info();
    EXPECT_EQ(info.samplesPerFrame * info.bitsPerSample / 8, c.outputBytes);
    EXPECT_EQ(info.sampleRate, s.first.header.sampleRate());
  }
}

TEST(FrameDecoder, RefusesWithoutWritingADamagedSyncATruncatedFrameOrASmallOutput) {
  const Stream s = load("L3_M1_44k_joint_cbr_sweep");
  FrameDecoder plain, refused;
  ASSERT_TRUE(start(plain, s));
  ASSERT_TRUE(start(refused, s));
  std::vector<std::uint8_t> a(player::kMaxFrameOutputBytes), b(player::kMaxFrameOutputBytes, 0xA5);
  for (std::size_t f = 0; f < 3; ++f) {
    plain.decode(s.from(f), a);
    refused.decode(s.from(f), b);
  }
  const player::DecodeResult expected = plain.decode(s.from(3), a);
  std::vector<std::uint8_t> damaged(s.from(3).begin(), s.from(3).end());
  damaged[0] = 0x7F;
  std::fill(b.begin(), b.end(), 0xA5);
  const std::vector<std::uint8_t> untouched = b;
  const std::span<std::uint8_t> small(b.data(), static_cast<std::size_t>(expected.outputBytes) - 1);
  for (const player::DecodeResult r : {refused.decode(damaged, b), refused.decode(s.from(3).first(s.frames[3].size - 1), b),
                                       refused.decode(s.from(3), small)}) {
    EXPECT_EQ(r.usedBytes, 0);
    EXPECT_EQ(r.outputBytes, 0);
  }
  EXPECT_EQ(b, untouched);
  // The refusals left the decoder as it was: the frame still decodes as in the plain run.
  const player::DecodeResult r = refused.decode(s.from(3), b);
  EXPECT_EQ(r.usedBytes, expected.usedBytes);
  ASSERT_EQ(r.outputBytes, expected.outputBytes);
  EXPECT_TRUE(std::equal(a.begin(), a.begin() + r.outputBytes, b.begin()));
}

TEST(FrameDecoderEqualizer, UnityGainsAndSwitchedOffMatchPlainDecodingAndZeroGainsAreSilent) {
  for (const char* name : {"L3_M1_44k_joint_vbr_mix", "L2_M1_44k_dual_crc_mix", "L1_44k_stereo_sines"}) {
    SCOPED_TRACE(name);
    const Stream s = load(name);
    const std::vector<std::uint8_t> plain = decodeWith(s, player::kConvertFloat);
    auto withEqualizer = [&](float (*gain)(int), bool leaveOn) {
      FrameDecoder d;
      EXPECT_TRUE(start(d, s, player::kConvertFloat));
      float gains[player::kEqualizerBands];
      for (int i = 0; i < player::kEqualizerBands; ++i) gains[i] = gain(i);
      d.setEqualizerGains(gains);
      d.setEqualizerEnabled(true);
      d.setEqualizerEnabled(leaveOn);
      return decodeAll(d, s);
    };
    EXPECT_TRUE(withEqualizer([](int) { return 1.0f; }, true) == plain);
    EXPECT_TRUE(withEqualizer([](int i) { return 0.25f * static_cast<float>(i % 5); }, false) == plain);
    const std::vector<std::uint8_t> shaped = withEqualizer([](int i) { return 0.25f * static_cast<float>(i % 5); }, true);
    EXPECT_EQ(shaped.size(), plain.size());
    EXPECT_FALSE(shaped == plain);
    const std::vector<std::uint8_t> silent = withEqualizer([](int) { return 0.0f; }, true);
    EXPECT_EQ(silent.size(), plain.size());
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](std::uint8_t b) { return b == 0; }));
  }
}

TEST(FrameDecoderConvert, EightBitAndTheChannelChoicesFollowThe16BitOutput) {
  const Stream s = load("L3_M1_48k_stereo_speech");
  const std::vector<std::int16_t> stereo = asS16(decodeWith(s, 0));
  const std::vector<std::uint8_t> eight = decodeWith(s, player::kConvert8Bit);
  ASSERT_EQ(eight.size(), stereo.size());
  int worst = 0;
  for (std::size_t i = 0; i < eight.size(); ++i) worst = std::max(worst, std::abs(eight[i] - ((stereo[i] >> 8) + 128)));
  EXPECT_LE(worst, 1) << "8-bit";

  for (int convert = 1; convert <= 3; ++convert) {
    FrameDecoder d;
    ASSERT_TRUE(start(d, s, convert));
    EXPECT_EQ(d.info().channels, 1);
    const std::vector<std::int16_t> one = asS16(decodeAll(d, s));
    ASSERT_EQ(one.size() * 2, stereo.size());
    worst = 0;
    for (std::size_t i = 0; i < one.size(); ++i) {
      const int l = stereo[2 * i], r = stereo[2 * i + 1];
      const int expected = convert == 1 ? (l + r) / 2 : convert == 2 ? l : r;
      worst = std::max(worst, std::abs(one[i] - expected));
    }
    EXPECT_LE(worst, 1) << "convert " << convert;
  }
}

TEST(FrameDecoderReduction, HalvesAndQuartersTheRateAndKeepsALowTone) {
  const Stream s = load(kToneStereo);
  double full = 0;
  for (int reduction = 0; reduction <= 2; ++reduction) {
    SCOPED_TRACE(reduction);
    FrameDecoder d;
    ASSERT_TRUE(start(d, s, 0, reduction));
    EXPECT_EQ(d.info().sampleRate, 44100 >> reduction);
    EXPECT_EQ(d.info().samplesPerFrame, 2 * (1152 >> reduction));
    const std::vector<std::int16_t> pcm = asS16(decodeAll(d, s));
    ASSERT_EQ(pcm.size(), s.frames.size() * 2 * (1152 >> reduction));
    const double level = rms(pcm, pcm.size() / 4);
    if (reduction == 0) full = level;
    EXPECT_NEAR(20 * std::log10(level / full), 0.0, 1.0);
  }
}

// The frequency limit drops whole subbands: 1,000 Hz keeps the two lowest at 44.1 kHz (up to
// 1,378 Hz), so a 1 kHz tone stays while the sweep's last quarter (above 3.8 kHz) goes.
TEST(FrameDecoderFrequencyLimit, SynthesisesOnlyTheSubbandsBelowTheLimit) {
  auto level = [](const Stream& s, int limit, double from) {
    FrameDecoder d;
    EXPECT_TRUE(d.init(s.first.header, s.first.frameBytes, 0, 0, 0, limit));
    const std::vector<std::int16_t> pcm = asS16(decodeAll(d, s));
    return rms(pcm, static_cast<std::size_t>(static_cast<double>(pcm.size()) * from));
  };
  const Stream tone = load(kToneStereo);
  EXPECT_NEAR(20 * std::log10(level(tone, 1000, 0.25) / level(tone, 24000, 0.25)), 0.0, 0.5);
  const Stream sweep = load("L3_M1_44k_joint_cbr_sweep");
  EXPECT_LT(level(sweep, 1000, 0.75), 0.01 * level(sweep, 24000, 0.75));
  EXPECT_EQ(level(sweep, 10, 0.5), level(sweep, 1000, 0.5)) << "limits below 1,000 Hz count as 1,000";
}

int loudestBand(const std::array<float, 2 * player::kLevelBands>& entry, int channel) {
  const auto* first = entry.data() + channel * player::kLevelBands;
  return static_cast<int>(std::max_element(first, first + player::kLevelBands) - first);
}

TEST(SubbandLevels, ATone1kPeaksInSubband1AndEachLayerIIIGranuleAdvancesTheRing) {
  player::SubbandLevels& levels = player::subbandLevels();
  std::vector<std::uint8_t> out(player::kMaxFrameOutputBytes);

  const Stream stereo = load(kToneStereo);
  ASSERT_GT(stereo.frames.size(), 256u);  // enough granule pairs to wrap the ring
  levels.reset();
  FrameDecoder d;
  d.setLevelSink(&levels);
  ASSERT_TRUE(start(d, stereo));
  for (std::size_t f = 0; f < stereo.frames.size(); ++f) {
    const int before = levels.writeIndex();
    ASSERT_GT(d.decode(stereo.from(f), out).usedBytes, 0);
    EXPECT_EQ(levels.writeIndex(), (before + 2) % player::kLevelRingEntries) << "frame " << f;
    if (f > 4) {
      EXPECT_EQ(loudestBand(levels.entry(1), 0), 1) << "frame " << f;
      EXPECT_EQ(loudestBand(levels.entry(1), 1), 1) << "frame " << f;
    }
  }

  const Stream mono = load(kToneMono);
  levels.reset();
  ASSERT_TRUE(start(d, mono));
  // A single channel advances the ring as well, and stands for both channels.
  for (std::size_t f = 0; f < mono.frames.size(); ++f) {
    const int before = levels.writeIndex();
    ASSERT_GT(d.decode(mono.from(f), out).usedBytes, 0);
    EXPECT_EQ(levels.writeIndex(), (before + 2) % player::kLevelRingEntries) << "frame " << f;
    if (f > 4 && f + 2 < mono.frames.size()) {
      EXPECT_EQ(loudestBand(levels.entry(1), 0), 1) << "frame " << f;
      EXPECT_EQ(levels.entry(1)[0], levels.entry(1)[player::kLevelBands]) << "frame " << f;
    }
  }
  EXPECT_EQ(levels.granulesPerFrame(), 2);

  // MPEG-2 frames hold one granule: one entry each.
  const Stream lowRate = load("L3_M2_22k_joint_sweep");
  levels.reset();
  ASSERT_TRUE(start(d, lowRate));
  for (std::size_t f = 0; f < 20; ++f) {
    ASSERT_GT(d.decode(lowRate.from(f), out).usedBytes, 0);
    EXPECT_EQ(levels.writeIndex(), static_cast<int>(f + 1));
  }
  EXPECT_EQ(levels.granulesPerFrame(), 1);

  const Stream layer2 = load("L2_M1_44k_stereo_sweep");
  levels.reset();
  ASSERT_TRUE(start(d, layer2));
  for (std::size_t f = 0; f < 10; ++f) d.decode(layer2.from(f), out);
  EXPECT_EQ(levels.writeIndex(), 0);
}

// The spectrum display on real decoded music: bars appear for a quiet sweep, and the louder
// tone draws taller ones. (Read as 16-bit sample units the ring's sums would give levels
// below the display's threshold: no bars at all.)
float tallestBar(const StreamRecipe& recipe, int& mostBands) {
  const Stream s = load(recipe);
  auto ring = std::make_unique<player::SubbandLevels>();
  FrameDecoder d;
  d.setLevelSink(ring.get());
  EXPECT_TRUE(start(d, s));
  std::vector<std::uint8_t> out(player::kMaxFrameOutputBytes);
  SpectrumLevels spectrum;
  float tallest = 0.0f;
  mostBands = 0;
  for (std::size_t f = 0; f < s.frames.size(); ++f) {
    if (d.decode(s.from(f), out).usedBytes <= 0) break;
    spectrum.advance(*ring, 4, 0.026f);
    for (int ch = 0; ch < 2; ++ch) {
      tallest = std::max(tallest, *std::max_element(spectrum.shown(ch).begin(), spectrum.shown(ch).end()));
      mostBands = std::max(mostBands, spectrum.drawnBands(ch));
    }
  }
  return tallest;
}

TEST(SubbandLevels, DecodedMusicDrawsBarsAndLouderMusicTallerOnes) {
  int sweepBands = 0, toneBands = 0;
  const float sweep = tallestBar(catalogStream("L3_M1_44k_joint_cbr_sweep"), sweepBands);
  const float tone = tallestBar(kToneStereo, toneBands);
  EXPECT_GT(sweepBands, 8);  // the sweep passes through the bands
  EXPECT_GT(toneBands, 1);
  EXPECT_GT(sweep, 1.0f);
  EXPECT_GT(tone, sweep + 0.5f);  // -6 dBFS against -20 dBFS
}

TEST(SubbandLevels, OnlyADecoderGivenASinkWritesLevelsAndOnlyIntoThatSink) {
  // The process-wide ring holds one marked entry that decoding without a sink must leave alone.
  player::SubbandLevels& global = player::subbandLevels();
  global.reset();
  float marker[player::kLevelBands];
  std::fill(std::begin(marker), std::end(marker), 7.0f);
  global.store(0, marker);
  global.advance();
  auto globalUntouched = [&](const char* when) {
    EXPECT_EQ(global.writeIndex(), 1) << when;
    EXPECT_EQ(global.entry(1)[0], 7.0f) << when;
    EXPECT_EQ(global.entry(0)[0], 0.0f) << when;
  };

  const Stream stereo = load(kToneStereo);
  std::vector<std::uint8_t> out(player::kMaxFrameOutputBytes);
  FrameDecoder d;
  ASSERT_TRUE(start(d, stereo));
  for (std::size_t f = 0; f < 10; ++f) ASSERT_GT(d.decode(stereo.from(f), out).usedBytes, 0);
  globalUntouched("a decoder without a sink");
  const player::StreamSummary plain = player::decodeStream(stereo.bytes, {}, {});
  ASSERT_GT(plain.framesDecoded, 10);
  globalUntouched("the stream layer without a sink");

  // The sink survives init, and taking it away again stops the writes.
  auto own = std::make_unique<player::SubbandLevels>();
  d.setLevelSink(own.get());
  ASSERT_TRUE(start(d, stereo));
  for (std::size_t f = 0; f < 10; ++f) ASSERT_GT(d.decode(stereo.from(f), out).usedBytes, 0);
  EXPECT_EQ(own->writeIndex(), 20);
  EXPECT_EQ(loudestBand(own->entry(1), 0), 1);
  d.setLevelSink(nullptr);
  ASSERT_GT(d.decode(stereo.from(10), out).usedBytes, 0);
  EXPECT_EQ(own->writeIndex(), 20);
  globalUntouched("a decoder with its own sink");

  player::StreamOptions options;
  options.levelSink = own.get();
  own->reset();
  const player::StreamSummary sunk = player::decodeStream(stereo.bytes, options, {});
  EXPECT_EQ(own->writeIndex(), static_cast<int>(2 * sunk.framesDecoded % player::kLevelRingEntries));
  globalUntouched("the stream layer with its own sink");
}

}  // namespace
}  // namespace skyloom::testing
