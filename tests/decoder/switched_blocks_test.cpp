// Mixed blocks, short blocks with subblock gains, pre-emphasis and both scale factor scales
// against libmpg123. lame never writes mixed blocks, so these frames are written bit by bit with
// random content: every value sits in the count1 region (table B codes are four inverted bits),
// and the block types, gains and scale factors are drawn per granule.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>

#include "bit_writer.h"
#include "player/mpeg/mpeg_stream.h"
#include "test_streams.h"

namespace skyloom::testing {
namespace {


struct Format {
  const char* name;
  bool lowRate;    // MPEG-2 / 2.5
  bool mpeg25;
  int channels;
  int modeExtension;  // joint stereo when channels == 2: 2 = M/S
};

struct GranuleChannel {
  int part23 = 0, globalGain = 0, scalefacCompress = 0, blockType = 0, mixed = 0;
  int subblockGain[3] = {}, preflag = 0, scalefacScale = 0;
};

// Scale factor fields in the order the decoder reads them: widths of each field.
std::vector<int> scaleFactorWidths(const Format& f, const GranuleChannel& g) {
  std::vector<int> widths;
  if (!f.lowRate) {
    static const int slen1[16] = {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4};
    static const int slen2[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3};
    const int a = slen1[g.scalefacCompress], b = slen2[g.scalefacCompress];
    if (g.blockType != 2) {
      for (int sfb = 0; sfb < 21; ++sfb) widths.push_back(sfb < 11 ? a : b);
    } else {
      if (g.mixed)
        for (int sfb = 0; sfb < 8; ++sfb) widths.push_back(a);
      for (int sfb = g.mixed ? 3 : 0; sfb < 12; ++sfb)
        for (int w = 0; w < 3; ++w) widths.push_back(sfb < 6 ? a : b);
    }
    return widths;
  }
  // scalefac_compress < 400: four 4/4/3/3-range fields, partitions of the first table.
  const int c = g.scalefacCompress;
  const int slen[4] = {(c >> 4) / 5, (c >> 4) % 5, (c % 16) >> 2, c % 4};
  static const int counts[3][4] = {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}};
  const int kind = g.blockType != 2 ? 0 : g.mixed ? 2 : 1;
  for (int p = 0; p < 4; ++p)
    for (int i = 0; i < counts[kind][p]; ++i) widths.push_back(slen[p]);
  return widths;
}

// One frame at the format's highest bit rate, main_data_begin 0.
std::vector<std::uint8_t> writeFrame(const Format& f, std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const int granules = f.lowRate ? 1 : 2;
  const int rate = f.mpeg25 ? 8000 : f.lowRate ? 22050 : 44100;
  const int bitRate = f.lowRate ? 160000 : 320000;
  const std::size_t frameBytes = static_cast<std::size_t>((f.lowRate ? 72 : 144) * bitRate / rate);

  BitWriter main;
  GranuleChannel g[2][2];
  for (int gr = 0; gr < granules; ++gr) {
    const int blockType = pick(4);  // the same for both channels, as M/S needs
    const int mixed = blockType == 2 ? pick(2) : 0;
    for (int ch = 0; ch < f.channels; ++ch) {
      GranuleChannel& c = g[gr][ch];
      c.blockType = blockType;
      c.mixed = mixed;
      c.globalGain = 150 + pick(60);
      c.scalefacCompress = f.lowRate ? ((pick(5) * 5 + pick(5)) << 4 | pick(4) << 2 | pick(4)) : pick(16);
      for (int& s : c.subblockGain) s = pick(8);
      c.preflag = f.lowRate ? 0 : pick(2);
      c.scalefacScale = pick(2);
      const int start = main.used();
      for (int width : scaleFactorWidths(f, c)) main.put(static_cast<std::uint32_t>(pick(1 << width)), width);
      const int quads = 24 + pick(121);  // up to all 576 lines
      for (int q = 0; q < quads; ++q) {
        const int value = pick(16);
        main.put(static_cast<std::uint32_t>(~value & 15), 4);
        for (int bit = 0; bit < 4; ++bit)
          if (value & (8 >> bit)) main.put(static_cast<std::uint32_t>(pick(2)), 1);
      }
      c.part23 = main.used() - start;
    }
  }

  BitWriter frame;
  frame.put(f.mpeg25 ? 0x7FF : 0xFFF, f.mpeg25 ? 11 : 12);  // MPEG-2.5: 11-bit sync, then a 0
  if (f.mpeg25) frame.put(0, 1);
  frame.put(f.lowRate ? 0 : 1, 1);
  frame.put(1, 2);   // Layer III
  frame.put(1, 1);   // no CRC
  frame.put(f.lowRate ? 14 : 14, 4);  // 160 / 320 kbit/s
  frame.put(f.mpeg25 ? 2 : 0, 2);     // 8 / 22.05 / 44.1 kHz
  frame.put(0, 2);
  frame.put(f.channels == 1 ? 3 : 1, 2);
  frame.put(static_cast<std::uint32_t>(f.channels == 1 ? 0 : f.modeExtension), 2);
  frame.put(0, 4);
  frame.put(0, f.lowRate ? 8 : 9);
  frame.put(0, f.lowRate ? (f.channels == 1 ? 1 : 2) : (f.channels == 1 ? 5 : 3));
  if (!f.lowRate) frame.put(0, 4 * f.channels);
  for (int gr = 0; gr < granules; ++gr)
    for (int ch = 0; ch < f.channels; ++ch) {
      const GranuleChannel& c = g[gr][ch];
      frame.put(static_cast<std::uint32_t>(c.part23), 12);
      frame.put(0, 9);
      frame.put(static_cast<std::uint32_t>(c.globalGain), 8);
      frame.put(static_cast<std::uint32_t>(c.scalefacCompress), f.lowRate ? 9 : 4);
      const bool switched = c.blockType != 0;
      frame.put(switched, 1);
      if (switched) {
        frame.put(static_cast<std::uint32_t>(c.blockType), 2);
        frame.put(static_cast<std::uint32_t>(c.mixed), 1);
        frame.put(0, 10);
        for (int s : c.subblockGain) frame.put(static_cast<std::uint32_t>(s), 3);
      } else {
        frame.put(0, 15);
        frame.put(0, 7);
      }
      if (!f.lowRate) frame.put(static_cast<std::uint32_t>(c.preflag), 1);
      frame.put(static_cast<std::uint32_t>(c.scalefacScale), 1);
      frame.put(1, 1);  // count1 table B
    }
  std::vector<std::uint8_t> bytes = frame.bytes();
  bytes.insert(bytes.end(), main.bytes().begin(), main.bytes().end());
  EXPECT_LE(bytes.size(), frameBytes) << "frame overfull";
  bytes.resize(frameBytes, 0);
  return bytes;
}

class SwitchedBlocks : public ::testing::TestWithParam<Format> {};

TEST_P(SwitchedBlocks, MatchMpg123) {
  const Format& f = GetParam();
  std::mt19937 rng(12345);
  std::vector<std::uint8_t> stream;
  for (int i = 0; i < 40; ++i) {
    const std::vector<std::uint8_t> frame = writeFrame(f, rng);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  const std::string path = scratchPath(std::string("switched_") + f.name + ".mp3");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(stream.data()),
                                               static_cast<std::streamsize>(stream.size()));

  std::vector<float> ours;
  player::StreamOptions options;
  options.convert = player::kConvertFloat;
  const player::StreamSummary summary = player::decodeStream(stream, options, [&](std::span<const std::uint8_t> pcm) {
    const std::size_t n = pcm.size() / 4;
    ours.resize(ours.size() + n);
    std::memcpy(ours.data() + ours.size() - n, pcm.data(), pcm.size());
  });
  EXPECT_EQ(summary.framesDecoded, 40);
  EXPECT_EQ(summary.framesSkipped, 0);

  const OracleOutput ref = mpg123Decode(path, true);
  ASSERT_TRUE(ref.ok);
  std::vector<float> theirs(ref.pcm.size() / 4);
  std::memcpy(theirs.data(), ref.pcm.data(), ref.pcm.size());
  ASSERT_EQ(ours.size(), theirs.size());
  double sum = 0.0, peak = 0.0, maxDiff = 0.0;
  std::size_t worst = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    const double d = std::fabs(static_cast<double>(ours[i]) - theirs[i]);
    sum += d * d;
    peak = std::max(peak, std::fabs(static_cast<double>(theirs[i])));
    if (d > maxDiff) maxDiff = d, worst = i;
  }
  const double rms = std::sqrt(sum / static_cast<double>(ours.size()));
  std::printf("%s: peak %.3g, RMS diff %.3g, max diff %.3g at sample %zu\n", f.name, peak, rms, maxDiff, worst);
  EXPECT_GT(peak, 1e-3) << "the frames carry no signal";
  // Values this loud can exceed full scale; hold them to the same bounds relative to the peak.
  const double scale = std::max(1.0, peak);
  EXPECT_LT(rms, std::ldexp(1.0, -15) / std::sqrt(12.0) * scale);
  EXPECT_LE(maxDiff, std::ldexp(1.0, -14) * scale);
}

INSTANTIATE_TEST_SUITE_P(Formats, SwitchedBlocks,
                         ::testing::Values(Format{"mpeg1_stereo_ms", false, false, 2, 2},
                                           Format{"mpeg1_mono", false, false, 1, 0},
                                           Format{"mpeg2_stereo", true, false, 2, 0},
                                           Format{"mpeg25_8k_mono", true, true, 1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace skyloom::testing
