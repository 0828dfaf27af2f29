#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "bit_writer.h"
#include "player/mpeg/frame_decoder.h"

namespace skyloom::player {
namespace {

// Intensity stereo cannot be checked against a reference decoder with packaged encoders (none
// writes it), so these tests build Layer III frames bit by bit: the left channel carries +1 in
// its first 48 lines (count1 table B, whose codes are trivial), the right channel carries no
// values, only the intensity positions in its scale factors. Every band is then intensity coded,
// so the right output is the left output times the position's ratio kr / kl.


constexpr int kOnes = 48;  // lines of the left channel set to +1

struct Granule {
  int part23 = 0;
  int scalefacCompress = 0;
};

// One joint-stereo frame with intensity on (and M/S when asked): MPEG-1 at 44.1 kHz (128 kbit/s) or
// MPEG-2 at 22.05 kHz (64 kbit/s). `position` goes into every band's right scale factor, written
// with `rightSlen`-bit fields.
std::vector<std::uint8_t> intensityFrame(bool mpeg2, int position, bool midSide = false) {
  const int granules = mpeg2 ? 1 : 2;
  const std::size_t frameBytes = mpeg2 ? 208 : 417;
  // Main data first, to know each part's length.
  testing::BitWriter main;
  Granule left, right;
  left.scalefacCompress = 0;  // no scale factor bits
  // Right: MPEG-1 scalefac_compress 15 (4-bit then 3-bit fields: 11 * 4 + 10 * 3 bits); MPEG-2
  // intensity split 129 (three partitions of 7 bands, 3 bits each, intensity_scale 0).
  right.scalefacCompress = mpeg2 ? 2 * 129 : 15;
  for (int gr = 0; gr < granules; ++gr) {
    int start = main.used();
    for (int quad = 0; quad < kOnes / 4; ++quad) {
      main.put(0, 4);  // table B codes 1111 as 0000
      main.put(0, 4);  // four positive signs
    }
    left.part23 = main.used() - start;
    start = main.used();
    for (int band = 0; band < 21; ++band) main.put(static_cast<std::uint32_t>(position), mpeg2 ? 3 : band < 11 ? 4 : 3);
    right.part23 = main.used() - start;
  }
  testing::BitWriter frame;
  frame.put(0xFFF, 12);
  frame.put(mpeg2 ? 0 : 1, 1);  // MPEG id
  frame.put(1, 2);              // Layer III
  frame.put(1, 1);              // no CRC
  frame.put(mpeg2 ? 8 : 9, 4);  // 64 / 128 kbit/s
  frame.put(0, 2);              // 22.05 / 44.1 kHz
  frame.put(0, 2);              // no padding, private bit
  frame.put(1, 2);              // joint stereo
  frame.put(midSide ? 3 : 1, 2);  // intensity on, M/S as asked
  frame.put(0, 4);
  frame.put(0, mpeg2 ? 8 : 9);  // main_data_begin
  frame.put(0, mpeg2 ? 2 : 3);  // private bits
  if (!mpeg2) frame.put(0, 8);  // scfsi
  for (int gr = 0; gr < granules; ++gr)
    for (const Granule& g : {left, right}) {
      frame.put(static_cast<std::uint32_t>(g.part23), 12);
      frame.put(0, 9);    // big_values
      frame.put(210, 8);  // global gain: unit scale
      frame.put(static_cast<std::uint32_t>(g.scalefacCompress), mpeg2 ? 9 : 4);
      frame.put(0, 1);    // no window switching
      frame.put(0, 15);   // table_select
      frame.put(0, 7);    // region counts
      if (!mpeg2) frame.put(0, 1);  // preflag
      frame.put(0, 1);    // scalefac_scale
      frame.put(1, 1);    // count1 table B
    }
  std::vector<std::uint8_t> bytes = frame.bytes();
  std::vector<std::uint8_t> body = main.bytes();
  body.resize(frameBytes - bytes.size(), 0);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

struct StereoOutput {
  std::vector<float> left, right;
};

StereoOutput decode(const std::vector<std::uint8_t>& frame) {
  FrameHeader header;
  int bitRate = 0, skipped = 0;
  const int size = parseHeader(frame, header, bitRate, skipped);
  FrameDecoder decoder;
  EXPECT_TRUE(decoder.init(header, size, 0, 0, kConvertFloat, 24000));
  std::vector<std::uint8_t> out(kMaxFrameOutputBytes);
  StereoOutput result;
  // Twice: the second frame's output holds the first one's overlap and the filter bank's delay.
  for (int i = 0; i < 2; ++i) {
    const DecodeResult r = decoder.decode(frame, out);
    EXPECT_EQ(r.usedBytes, static_cast<int>(frame.size()));
    for (int s = 0; s < r.outputBytes / 8; ++s) {
      float l, rr;
      std::memcpy(&l, &out[8 * s], 4);
      std::memcpy(&rr, &out[8 * s + 4], 4);
      result.left.push_back(l);
      result.right.push_back(rr);
    }
  }
  return result;
}

// Right = left * ratio wherever the left channel has signal.
void expectRatio(const StereoOutput& out, double ratio) {
  int checked = 0;
  for (std::size_t i = 0; i < out.left.size(); ++i) {
    if (std::fabs(out.left[i]) < 1e-3f) continue;
    EXPECT_NEAR(out.right[i] / out.left[i], ratio, 1e-3 * std::fabs(ratio)) << "sample " << i;
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

double peak(const std::vector<float>& v) {
  double m = 0.0;
  for (float x : v) m = std::max(m, static_cast<double>(std::fabs(x)));
  return m;
}

TEST(IntensityStereo, Mpeg1PositionsSplitByTheTangentOfTheirAngle) {
  for (int position : {1, 2, 3, 5}) {
    SCOPED_TRACE(position);
    expectRatio(decode(intensityFrame(false, position)), 1.0 / std::tan(position * std::numbers::pi / 12));
  }
  // Position 0 puts everything right, 6 everything left.
  const StereoOutput right = decode(intensityFrame(false, 0));
  EXPECT_LT(peak(right.left), 1e-6);
  EXPECT_GT(peak(right.right), 0.1);
  const StereoOutput left = decode(intensityFrame(false, 6));
  EXPECT_LT(peak(left.right), 1e-6);
  EXPECT_GT(peak(left.left), 0.1);
}

TEST(IntensityStereo, Mpeg2PositionsStepByQuarterPowersOfTwo) {
  const double step = std::pow(2.0, -0.25);  // intensity_scale 0
  EXPECT_EQ(peak(decode(intensityFrame(true, 0)).left), peak(decode(intensityFrame(true, 0)).right));
  expectRatio(decode(intensityFrame(true, 1)), 1.0 / step);      // odd: left scaled by step^1
  expectRatio(decode(intensityFrame(true, 3)), 1.0 / (step * step));
  expectRatio(decode(intensityFrame(true, 2)), step);            // even: right scaled by step^1
  expectRatio(decode(intensityFrame(true, 6)), step * step * step);
}

// An illegal position leaves the band as coded: the right channel keeps its own (zero) values,
// or with M/S on, the band is a mid/side band (left = right = mid / sqrt 2). Legal positions
// are not affected by M/S.
TEST(IntensityStereo, IllegalPositionsFallBackToTheOtherStereoCoding) {
  for (bool mpeg2 : {false, true}) {
    SCOPED_TRACE(mpeg2);
    const StereoOutput plain = decode(intensityFrame(mpeg2, 7));  // MPEG-1: 7; MPEG-2: 2^3 - 1
    EXPECT_GT(peak(plain.left), 0.1);
    EXPECT_LT(peak(plain.right), 1e-6);
    const StereoOutput midSide = decode(intensityFrame(mpeg2, 7, true));
    expectRatio(midSide, 1.0);
    EXPECT_NEAR(peak(midSide.left), peak(plain.left) / std::sqrt(2.0), 1e-4);
  }
  expectRatio(decode(intensityFrame(false, 2, true)), 1.0 / std::tan(2 * std::numbers::pi / 12));
}

}  // namespace
}  // namespace skyloom::player
