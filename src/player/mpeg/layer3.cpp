#include "player/mpeg/layer3.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "player/mpeg/bit_reader.h"
#include "player/mpeg/huffman.h"
#include "player/mpeg/layer3_tables.h"
#include "player/mpeg/subband_levels.h"

namespace skyloom::player {

struct Layer3Decoder::Granule {
  int part23Length = 0;
  int bigValues = 0;
  int globalGain = 0;
  int scalefacCompress = 0;
  bool windowSwitching = false;
  int blockType = 0;
  bool mixed = false;
  int tableSelect[3] = {};
  int subblockGain[3] = {};
  int region0Count = 0;
  int region1Count = 0;
  int preflag = 0;
  int scalefacScale = 0;
  int count1Table = 0;

  bool shortBlocks() const { return blockType == 2; }
};

namespace {

constexpr int kLines = 576;
constexpr int kMaxQuantised = 8206;  // 15 plus the widest escape (13 bits)
constexpr int kGainOffset = 420;     // gain table index of 2^0
constexpr int kGainEntries = 512;

struct Granules {
  int mainDataBegin = 0;
  int scfsi[2][4] = {};
  Layer3Decoder::Granule g[2][2];
};

struct ScaleFactors {
  unsigned char longBand[22] = {};
  unsigned char shortBand[13][3] = {};
  // Intensity positions at or above these are illegal (the band is then not intensity coded).
  unsigned char longIllegal[22] = {};
  unsigned char shortIllegal[13] = {};
};

// Everything computed once: x^(4/3), 2^(q/4), the IMDCT kernels with their windows folded in,
// the antialias butterflies and the intensity ratios.
struct Tables {
  float pow43[kMaxQuantised + 1];
  float gain[kGainEntries];
  // The 36-point IMDCT has only 18 distinct outputs (x[17 - i] = -x[i], x[53 - i] = x[i]);
  // the kernel computes x[0..8] and x[18..26].
  alignas(32) float longKernel[18][18];
  alignas(32) float longWindow[4][36];  // by block type (2 unused)
  alignas(32) float shortKernel[6][12];
  float aliasCs[8], aliasCa[8];
  float isLeft[7], isRight[7];

  Tables() {
    for (int i = 0; i <= kMaxQuantised; ++i) pow43[i] = static_cast<float>(std::pow(double(i), 4.0 / 3.0));
    for (int i = 0; i < kGainEntries; ++i) gain[i] = static_cast<float>(std::exp2((i - kGainOffset) / 4.0));
    const double pi = std::numbers::pi;
    double window[4][36];
    for (int i = 0; i < 36; ++i) {
      const double normal = std::sin(pi / 36 * (i + 0.5));
      window[0][i] = normal;
      window[1][i] = i < 18 ? normal : i < 24 ? 1.0 : i < 30 ? std::sin(pi / 12 * (i - 18 + 0.5)) : 0.0;
      window[3][i] = i < 6 ? 0.0 : i < 12 ? std::sin(pi / 12 * (i - 6 + 0.5)) : i < 18 ? 1.0 : normal;
      window[2][i] = 0.0;
    }
    for (int type = 0; type < 4; ++type)
      for (int i = 0; i < 36; ++i) longWindow[type][i] = static_cast<float>(window[type][i]);
    for (int k = 0; k < 18; ++k)
      for (int m = 0; m < 18; ++m) {
        const int i = m < 9 ? m : m + 9;
        longKernel[k][m] = static_cast<float>(std::cos(pi / 72 * (2 * i + 1 + 18) * (2 * k + 1)));
      }
    for (int k = 0; k < 6; ++k)
      for (int i = 0; i < 12; ++i)
        shortKernel[k][i] = static_cast<float>(std::cos(pi / 24 * (2 * i + 1 + 6) * (2 * k + 1)) *
                                               std::sin(pi / 12 * (i + 0.5)));
    constexpr double kAlias[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
    for (int i = 0; i < 8; ++i) {
      const double norm = std::sqrt(1.0 + kAlias[i] * kAlias[i]);
      aliasCs[i] = static_cast<float>(1.0 / norm);
      aliasCa[i] = static_cast<float>(kAlias[i] / norm);
    }
    for (int p = 0; p < 7; ++p) {
      const double angle = p * pi / 12;
      const double s = std::sin(angle), c = std::cos(angle);
      isLeft[p] = static_cast<float>(s / (s + c));
      isRight[p] = static_cast<float>(c / (s + c));
    }
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

inline float gainFor(int quarterPowers) {
  const int i = std::clamp(quarterPowers + kGainOffset, 0, kGainEntries - 1);
  return tables().gain[i];
}

int sideInfoBytes(const FrameHeader& h) {
  if (h.lowSampleRate()) return h.channels() == 1 ? 9 : 17;
  return h.channels() == 1 ? 17 : 32;
}

bool readSideInfo(BitReader& b, const FrameHeader& h, Granules& si) {
  const int channels = h.channels();
  const bool low = h.lowSampleRate();
  si.mainDataBegin = static_cast<int>(b.read(low ? 8 : 9));
  b.skip(low ? (channels == 1 ? 1 : 2) : (channels == 1 ? 5 : 3));
  if (!low)
    for (int ch = 0; ch < channels; ++ch)
      for (int band = 0; band < 4; ++band) si.scfsi[ch][band] = static_cast<int>(b.read(1));
  for (int gr = 0; gr < (low ? 1 : 2); ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      Layer3Decoder::Granule& g = si.g[gr][ch];
      g.part23Length = static_cast<int>(b.read(12));
      g.bigValues = std::min(static_cast<int>(b.read(9)), kLines / 2);
      g.globalGain = static_cast<int>(b.read(8));
      g.scalefacCompress = static_cast<int>(b.read(low ? 9 : 4));
      g.windowSwitching = b.readBit();
      if (g.windowSwitching) {
        g.blockType = static_cast<int>(b.read(2));
        g.mixed = b.readBit();
        g.tableSelect[0] = static_cast<int>(b.read(5));
        g.tableSelect[1] = static_cast<int>(b.read(5));
        g.tableSelect[2] = 0;
        for (int w = 0; w < 3; ++w) g.subblockGain[w] = static_cast<int>(b.read(3));
        if (g.blockType == 0) return false;  // window switching requires a switched block type
        g.region0Count = g.shortBlocks() && !g.mixed ? 8 : 7;
        g.region1Count = 36;
      } else {
        g.blockType = 0;
        g.mixed = false;
        for (int r = 0; r < 3; ++r) g.tableSelect[r] = static_cast<int>(b.read(5));
        g.region0Count = static_cast<int>(b.read(4));
        g.region1Count = static_cast<int>(b.read(3));
      }
      g.preflag = low ? 0 : static_cast<int>(b.read(1));
      g.scalefacScale = static_cast<int>(b.read(1));
      g.count1Table = static_cast<int>(b.read(1));
    }
  }
  return true;
}

// Where the short part of a mixed block begins: line 36 at most rates (72 at 8 kHz), after
// 8 (MPEG-1) or 6 (MPEG-2) long bands.
int mixedSwitchLine(const ScaleFactorBands& bands) { return 3 * bands.shortStart[3]; }
int mixedLongBands(const FrameHeader& h) { return h.lowSampleRate() ? 6 : 8; }

void readScaleFactorsMpeg1(BitReader& b, const Layer3Decoder::Granule& g, int gr,
                           const int scfsi[4], unsigned char kept[22], ScaleFactors& sf) {
  const int slen1 = kSlen1[g.scalefacCompress];
  const int slen2 = kSlen2[g.scalefacCompress];
  if (g.shortBlocks()) {
    int sfb = 0;
    if (g.mixed) {
      for (; sfb < 8; ++sfb) sf.longBand[sfb] = static_cast<unsigned char>(b.read(slen1));
      sfb = 3;
    }
    for (; sfb < 12; ++sfb)
      for (int w = 0; w < 3; ++w)
        sf.shortBand[sfb][w] = static_cast<unsigned char>(b.read(sfb < 6 ? slen1 : slen2));
  } else {
    constexpr int kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
      const int bits = group < 2 ? slen1 : slen2;
      for (int sfb = kGroupStart[group]; sfb < kGroupStart[group + 1]; ++sfb) {
        if (gr == 1 && scfsi[group]) {
          sf.longBand[sfb] = kept[sfb];
        } else {
          sf.longBand[sfb] = static_cast<unsigned char>(b.read(bits));
        }
      }
    }
    std::memcpy(kept, sf.longBand, 22);
  }
  for (auto& v : sf.longIllegal) v = 7;
  for (auto& v : sf.shortIllegal) v = 7;
}

// MPEG-2: four partitions of bands whose field widths come from scalefac_compress; the right
// channel of an intensity-coded frame uses its own split of the value.
void readScaleFactorsLow(BitReader& b, const FrameHeader& h, Layer3Decoder::Granule& g, int ch,
                         ScaleFactors& sf) {
  int slen[4] = {};
  int table = 0;
  const bool intensityChannel = ch == 1 && h.channelMode == 1 && (h.modeExtension & 1);
  if (intensityChannel) {
    int c = g.scalefacCompress >> 1;
    if (c < 180) {
      slen[0] = c / 36; slen[1] = (c % 36) / 6; slen[2] = c % 6; table = 3;
    } else if (c < 244) {
      c -= 180; slen[0] = (c % 64) >> 4; slen[1] = (c % 16) >> 2; slen[2] = c % 4; table = 4;
    } else {
      c -= 244; slen[0] = c / 3; slen[1] = c % 3; table = 5;
    }
    g.preflag = 0;
  } else {
    int c = g.scalefacCompress;
    if (c < 400) {
      slen[0] = (c >> 4) / 5; slen[1] = (c >> 4) % 5; slen[2] = (c % 16) >> 2; slen[3] = c % 4;
      table = 0; g.preflag = 0;
    } else if (c < 500) {
      c -= 400; slen[0] = (c >> 2) / 5; slen[1] = (c >> 2) % 5; slen[2] = c % 4;
      table = 1; g.preflag = 0;
    } else {
      c -= 500; slen[0] = c / 3; slen[1] = c % 3;
      table = 2; g.preflag = 1;
    }
  }
  const int kind = g.shortBlocks() ? (g.mixed ? 2 : 1) : 0;
  int n = 0;  // running index over the transmitted scale factors
  for (int p = 0; p < 4; ++p) {
    const int count = kLowRatePartitions[table][kind][p];
    const auto illegal = static_cast<unsigned char>((1 << slen[p]) - 1);
    for (int i = 0; i < count; ++i, ++n) {
      const auto value = static_cast<unsigned char>(b.read(slen[p]));
      if (kind == 0) {
        if (n < 22) sf.longBand[n] = value, sf.longIllegal[n] = illegal;
      } else if (kind == 2 && n < 6) {
        sf.longBand[n] = value;
        sf.longIllegal[n] = illegal;
      } else {
        const int k = kind == 2 ? n - 6 + 9 : n;  // mixed: short bands from 3
        const int sfb = k / 3;
        if (sfb < 13) {
          sf.shortBand[sfb][k % 3] = value;
          sf.shortIllegal[sfb] = illegal;
        }
      }
    }
  }
}

// Huffman-decodes the spectrum of one granule and channel into `q` (values raised to 4/3, with
// their signs, not yet scaled). Answers
// the end of the non-zero part.
int readSpectrum(BitReader& b, const Layer3Decoder::Granule& g, const ScaleFactorBands& bands,
                 std::size_t endBit, float q[kLines]) {
  const HuffmanDecoder& huffman = HuffmanDecoder::instance();
  const int bigEnd = g.bigValues * 2;
  int region1, region2;
  if (g.windowSwitching) {
    region1 = g.shortBlocks() && !g.mixed ? 3 * bands.shortStart[3] : bands.longStart[8];
    region2 = kLines;
  } else {
    region1 = bands.longStart[std::min(g.region0Count + 1, 22)];
    region2 = bands.longStart[std::min(g.region0Count + g.region1Count + 2, 22)];
  }
  region1 = std::min(region1, bigEnd);
  region2 = std::min(region2, bigEnd);
  int i = 0;
  const int limits[3] = {region1, region2, bigEnd};
  for (int r = 0; r < 3; ++r) {
    if (limits[r] > i) {
      huffman.readPairs(b, g.tableSelect[r], tables().pow43, q + i, limits[r] - i);
      i = limits[r];
    }
  }
  // count1: quadruples of -1..1 until the granule's bits run out. A quadruple that reaches past
  // the end was never coded and is dropped.
  while (i + 4 <= kLines && b.position() < endBit) {
    float quad[4];
    huffman.readQuad(b, g.count1Table != 0, quad);
    if (b.position() > endBit) break;
    q[i] = quad[0];
    q[i + 1] = quad[1];
    q[i + 2] = quad[2];
    q[i + 3] = quad[3];
    i += 4;
  }
  for (int k = i; k < kLines; ++k) q[k] = 0.0f;
  return i;
}


// Requantises and brings short blocks into window-interleaved order (line f of window w at
// 3 f + w), which is what the IMDCT reads. Answers the end of the non-zero lines in that order.
int requantiseGranule(const FrameHeader& h, const Layer3Decoder::Granule& g,
                       const ScaleFactorBands& bands, const ScaleFactors& sf, const float q[kLines],
                       int end, float xr[kLines]) {
  std::fill(xr, xr + kLines, 0.0f);
  const int base = g.globalGain - 210;
  const int shift = 2 << g.scalefacScale;  // quarter powers per scale factor step
  auto longGain = [&](int sfb) {
    const int pre = g.preflag ? kPreEmphasis[sfb] : 0;
    return gainFor(base - shift * (sf.longBand[sfb] + pre));
  };
  if (!g.shortBlocks()) {
    for (int sfb = 0; sfb < 22 && bands.longStart[sfb] < end; ++sfb) {
      const float scale = longGain(sfb);
      const int stop = std::min<int>(bands.longStart[sfb + 1], end);
      for (int i = bands.longStart[sfb]; i < stop; ++i) xr[i] = q[i] * scale;
    }
    return end;
  }
  int firstShort = 0;
  if (g.mixed) {
    const int switchLine = mixedSwitchLine(bands);
    for (int sfb = 0; sfb < mixedLongBands(h) && bands.longStart[sfb] < switchLine; ++sfb) {
      const float scale = longGain(sfb);
      const int stop = std::min<int>(bands.longStart[sfb + 1], switchLine);
      for (int i = bands.longStart[sfb]; i < stop && i < end; ++i) xr[i] = q[i] * scale;
    }
    firstShort = 3;
  }
  int reorderedEnd = std::min(end, 3 * bands.shortStart[firstShort]);
  for (int sfb = firstShort; sfb < 13; ++sfb) {
    const int start = bands.shortStart[sfb];
    const int width = bands.shortStart[sfb + 1] - start;
    if (3 * start >= end) break;
    reorderedEnd = 3 * (start + width);
    for (int w = 0; w < 3; ++w) {
      const float scale = gainFor(base - 8 * g.subblockGain[w] - shift * sf.shortBand[sfb][w]);
      const int from = 3 * start + w * width;
      for (int k = 0; k < width; ++k)
        if (from + k < end) xr[3 * (start + k) + w] = q[from + k] * scale;
    }
  }
  return reorderedEnd;
}

constexpr float kInvSqrt2 = 0.70710678118654752f;

inline void midSide(float* l, float* r, int from, int to) {
  for (int i = from; i < to; ++i) {
    const float m = l[i], s = r[i];
    l[i] = (m + s) * kInvSqrt2;
    r[i] = (m - s) * kInvSqrt2;
  }
}

struct IntensityRatio {
  float left, right;
};

// The left/right weights for intensity position `pos`, or false when the position is illegal.
bool intensityRatio(const FrameHeader& h, const Layer3Decoder::Granule& right, int pos,
                    int illegal, IntensityRatio& out) {
  if (pos >= illegal) return false;
  if (!h.lowSampleRate()) {
    out = {tables().isLeft[pos], tables().isRight[pos]};
    return true;
  }
  // MPEG-2: powers of 2^-1/4 (or 2^-1/2 with intensity_scale) on one side.
  const double step = (right.scalefacCompress & 1) ? 0.70710678118654752 : 0.84089641525371454;
  if (pos == 0) {
    out = {1.0f, 1.0f};
  } else if (pos & 1) {
    out = {static_cast<float>(std::pow(step, (pos + 1) / 2)), 1.0f};
  } else {
    out = {1.0f, static_cast<float>(std::pow(step, pos / 2))};
  }
  return true;
}

// Stereo processing of one band's lines (given by index list start/step/count).
inline void stereoLines(float* l, float* r, int first, int count, int step, bool intensity,
                        const IntensityRatio& ratio, bool ms) {
  for (int k = 0; k < count; ++k) {
    const int i = first + k * step;
    if (intensity) {
      const float v = l[i];
      l[i] = v * ratio.left;
      r[i] = v * ratio.right;
    } else if (ms) {
      const float m = l[i], s = r[i];
      l[i] = (m + s) * kInvSqrt2;
      r[i] = (m - s) * kInvSqrt2;
    }
  }
}

void intensityStereo(const FrameHeader& h, const Layer3Decoder::Granule& right,
                     const ScaleFactorBands& bands, const ScaleFactors& sf, bool ms, float* l,
                     float* r) {
  auto nonzero = [&](int first, int count, int step) {
    for (int k = 0; k < count; ++k)
      if (r[first + k * step] != 0.0f) return true;
    return false;
  };
  int longBandsEnd = 22;  // long bands handled below this
  bool shortPartZero = true;
  if (right.shortBlocks()) {
    const int firstShort = right.mixed ? 3 : 0;
    for (int w = 0; w < 3; ++w) {
      // Intensity coding starts above the highest band with a non-zero value in this window.
      int isFrom = firstShort;
      for (int sfb = 12; sfb >= firstShort; --sfb) {
        const int start = bands.shortStart[sfb], width = bands.shortStart[sfb + 1] - start;
        if (nonzero(3 * start + w, width, 3)) {
          isFrom = sfb + 1;
          break;
        }
      }
      if (isFrom > firstShort) shortPartZero = false;
      for (int sfb = firstShort; sfb < 13; ++sfb) {
        const int start = bands.shortStart[sfb], width = bands.shortStart[sfb + 1] - start;
        const int posBand = sfb < 12 ? sfb : 11;
        IntensityRatio ratio{};
        const bool is = sfb >= isFrom &&
                        intensityRatio(h, right, sf.shortBand[posBand][w], sf.shortIllegal[posBand], ratio);
        stereoLines(l, r, 3 * start + w, width, 3, is, ratio, ms);
      }
    }
    if (!right.mixed) return;
    longBandsEnd = mixedLongBands(h);
  }
  const int longEnd = right.shortBlocks() ? mixedSwitchLine(bands) : kLines;
  int isFrom = 0;
  for (int sfb = longBandsEnd - 1; sfb >= 0; --sfb) {
    const int start = bands.longStart[sfb];
    const int stop = std::min<int>(bands.longStart[sfb + 1], longEnd);
    if (start < stop && nonzero(start, stop - start, 1)) {
      isFrom = sfb + 1;
      break;
    }
  }
  if (!shortPartZero) isFrom = longBandsEnd;  // intensity in a mixed block needs a zero short part
  for (int sfb = 0; sfb < longBandsEnd; ++sfb) {
    const int start = bands.longStart[sfb];
    const int stop = std::min<int>(bands.longStart[sfb + 1], longEnd);
    if (start >= stop) continue;
    const int posBand = sfb < 21 ? sfb : 20;
    IntensityRatio ratio{};
    const bool is = sfb >= isFrom &&
                    intensityRatio(h, right, sf.longBand[posBand], sf.longIllegal[posBand], ratio);
    stereoLines(l, r, start, stop - start, 1, is, ratio, ms);
  }
}

void antialias(float* xr, int boundaries) {
  const Tables& t = tables();
  for (int sb = 1; sb <= boundaries; ++sb) {
    float* lo = xr + 18 * sb - 1;
    float* hi = xr + 18 * sb;
    for (int i = 0; i < 8; ++i) {
      const float a = lo[-i], b = hi[i];
      lo[-i] = a * t.aliasCs[i] - b * t.aliasCa[i];
      hi[i] = b * t.aliasCs[i] + a * t.aliasCa[i];
    }
  }
}

void imdctLong(const float* in, int blockType, float* z) {
  const Tables& t = tables();
  alignas(32) float u[18] = {};
  for (int k = 0; k < 18; ++k) {
    const float x = in[k];
    for (int m = 0; m < 18; ++m) u[m] += x * t.longKernel[k][m];
  }
  const float* w = t.longWindow[blockType];
  for (int i = 0; i < 9; ++i) {
    z[i] = u[i] * w[i];
    z[17 - i] = -u[i] * w[17 - i];
    z[18 + i] = u[9 + i] * w[18 + i];
    z[35 - i] = u[9 + i] * w[35 - i];
  }
}

void imdctShort(const float* in, float* z) {
  const auto& kernel = tables().shortKernel;
  for (int i = 0; i < 36; ++i) z[i] = 0.0f;
  for (int w = 0; w < 3; ++w) {
    float y[12] = {};
    for (int k = 0; k < 6; ++k) {
      const float x = in[3 * k + w];
      for (int i = 0; i < 12; ++i) y[i] += x * kernel[k][i];
    }
    for (int i = 0; i < 12; ++i) z[6 + 6 * w + i] += y[i];
  }
}

// The spectrum display's levels: per subband, the summed magnitude of a granule's 18 samples.
// A granule's entry is complete after its last channel; one channel stands for both.
void recordSubbandLevels(SubbandLevels& ring, int ch, int channels, const float (*slots)[kSubbands]) {
  float levels[kLevelBands] = {};
  for (int t = 0; t < 18; ++t)
    for (int sb = 0; sb < kSubbands; ++sb) levels[sb] += std::fabs(slots[t][sb]);
  ring.store(ch, levels);
  if (channels == 1) ring.store(1, levels);
  if (ch == channels - 1) ring.advance();
}

}  // namespace

void Layer3Decoder::reset() {
  reservoirBytes_ = 0;
  std::memset(overlap_, 0, sizeof overlap_);
  std::memset(keptScale_, 0, sizeof keptScale_);
}

void Layer3Decoder::keepMainData(const std::uint8_t* data, std::size_t bytes) {
  if (bytes >= kReservoirBytes) {
    std::memcpy(reservoir_, data + bytes - kReservoirBytes, kReservoirBytes);
    reservoirBytes_ = kReservoirBytes;
    return;
  }
  const int keep = std::min<int>(reservoirBytes_, kReservoirBytes - static_cast<int>(bytes));
  std::memmove(reservoir_, reservoir_ + reservoirBytes_ - keep, static_cast<std::size_t>(keep));
  std::memcpy(reservoir_ + keep, data, bytes);
  reservoirBytes_ = keep + static_cast<int>(bytes);
}

void Layer3Decoder::hybrid(int ch, const Granule& g, int longSubbands, float* xr, int nonzeroEnd,
                           float (*out)[kSubbands], int slot0) {
  // Subbands at and above `active` have no spectrum: their output is what overlaps from before.
  int active = std::min((nonzeroEnd + 17) / 18, kSubbands);
  if (longSubbands == kSubbands) {
    antialias(xr, std::min(active, kSubbands - 1));
    active = std::min(active + 1, kSubbands);
  } else if (longSubbands > 0) {
    antialias(xr, longSubbands - 1);  // mixed blocks: only between their long subbands
    active = std::max(active, longSubbands);
  }
  alignas(32) float z[36];
  for (int sb = 0; sb < kSubbands; ++sb) {
    float* overlap = overlap_[ch][sb];
    if (sb >= active) {
      for (int t = 0; t < 18; ++t) out[slot0 + t][sb] = overlap[t];
      std::fill(overlap, overlap + 18, 0.0f);
    } else {
      if (sb < longSubbands) {
        imdctLong(xr + 18 * sb, g.shortBlocks() ? 0 : g.blockType, z);
      } else {
        imdctShort(xr + 18 * sb, z);
      }
      for (int t = 0; t < 18; ++t) {
        out[slot0 + t][sb] = z[t] + overlap[t];
        overlap[t] = z[18 + t];
      }
    }
    if (sb & 1)
      for (int t = 1; t < 18; t += 2) out[slot0 + t][sb] = -out[slot0 + t][sb];
  }
}

bool Layer3Decoder::decode(const FrameHeader& h, const std::uint8_t* data, std::size_t bytes,
                           SubbandFrame& frame, SubbandLevels* levels) {
  const int channels = h.channels();
  const int sideBytes = sideInfoBytes(h);
  if (bytes < static_cast<std::size_t>(sideBytes)) return false;
  Granules si;
  BitReader side(data, static_cast<std::size_t>(sideBytes));
  if (!readSideInfo(side, h, si)) {
    keepMainData(data + sideBytes, std::min<std::size_t>(bytes - sideBytes, kMaxFrameBytes));
    return false;
  }
  const std::uint8_t* frameMain = data + sideBytes;
  const std::size_t frameMainBytes = std::min<std::size_t>(bytes - sideBytes, kMaxFrameBytes);

  // The granules' bits begin main_data_begin bytes back in the reservoir.
  const bool complete = si.mainDataBegin <= reservoirBytes_;
  std::size_t mainBytes = 0;
  if (complete) {
    std::memcpy(mainData_, reservoir_ + reservoirBytes_ - si.mainDataBegin,
                static_cast<std::size_t>(si.mainDataBegin));
    std::memcpy(mainData_ + si.mainDataBegin, frameMain, frameMainBytes);
    mainBytes = static_cast<std::size_t>(si.mainDataBegin) + frameMainBytes;
  }
  keepMainData(frameMain, frameMainBytes);

  const ScaleFactorBands& bands = scaleFactorBands(h.rateTableIndex());
  const int granules = h.lowSampleRate() ? 1 : 2;
  frame.channels = channels;
  frame.slots = 18 * granules;
  BitReader bits(mainData_, mainBytes);
  auto& xr = xr_;
  auto& q = q_;
  const bool jointStereo = channels == 2 && h.channelMode == 1;
  const bool ms = jointStereo && (h.modeExtension & 2);
  const bool intensity = jointStereo && (h.modeExtension & 1);

  if (levels) levels->setGranulesPerFrame(granules);
  for (int gr = 0; gr < granules; ++gr) {
    int end[2] = {0, 0};
    ScaleFactors sf[2];
    for (int ch = 0; ch < channels; ++ch) {
      Granule& g = si.g[gr][ch];
      const std::size_t start = bits.position();
      const std::size_t stop = start + static_cast<std::size_t>(g.part23Length);
      if (complete) {
        if (h.lowSampleRate()) {
          readScaleFactorsLow(bits, h, g, ch, sf[ch]);
        } else {
          readScaleFactorsMpeg1(bits, g, gr, si.scfsi[ch], keptScale_[ch], sf[ch]);
        }
        end[ch] = readSpectrum(bits, g, bands, stop, q);
      } else {
        std::fill(q, q + kLines, 0.0f);
      }
      end[ch] = requantiseGranule(h, g, bands, sf[ch], q, end[ch], xr[ch]);
      bits.seek(stop);
    }
    int nonzero = std::max(end[0], end[1]);
    if (ms || intensity) {
      if (intensity) {
        intensityStereo(h, si.g[gr][1], bands, sf[1], ms, xr[0], xr[1]);
        nonzero = kLines;  // intensity fills the right channel wherever the left has values
      } else {
        midSide(xr[0], xr[1], 0, nonzero);
      }
    }
    for (int ch = 0; ch < channels; ++ch) {
      const Granule& g = si.g[gr][ch];
      // Mixed blocks transform their two lowest subbands with long windows, whatever the band
      // layout (at 8 kHz the long bands reach further, and those lines take short windows).
      const int longSubbands = !g.shortBlocks() ? kSubbands : g.mixed ? 2 : 0;
      hybrid(ch, g, longSubbands, xr[ch], channels == 2 ? nonzero : end[ch], frame.samples[ch],
             18 * gr);
      if (levels) recordSubbandLevels(*levels, ch, channels, frame.samples[ch] + 18 * gr);
    }
  }
  return true;
}

}  // namespace skyloom::player
