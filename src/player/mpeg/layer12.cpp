#include "player/mpeg/layer12.h"

#include <cmath>

namespace skyloom::player {
namespace {

// Scale factor index i means 2^(1 - i/3); 63 is not a valid index and silences the band.
struct ScaleFactors {
  float value[64];
  ScaleFactors() {
    for (int i = 0; i < 63; ++i) value[i] = static_cast<float>(std::exp2(1.0 - i / 3.0));
    value[63] = 0.0f;
  }
};

const ScaleFactors& scaleFactors() {
  static const ScaleFactors s;
  return s;
}

// A requantised sample: code c of a quantiser with n levels spans (-1, 1) evenly.
inline float dequantise(unsigned c, unsigned levels) {
  return static_cast<float>(2.0 * c - (levels - 1.0)) / static_cast<float>(levels);
}

// First subband coded once for both channels in joint stereo.
int jointBound(const FrameHeader& h) {
  if (h.channels() == 1) return 0;
  return h.channelMode == 1 ? 4 * (h.modeExtension + 1) : kSubbands;
}

void clear(SubbandFrame& frame) {
  for (auto& channel : frame.samples)
    for (auto& slot : channel)
      for (float& s : slot) s = 0.0f;
}

}  // namespace

void decodeLayer1(BitReader& bits, const FrameHeader& header, SubbandFrame& frame) {
  const int channels = header.channels();
  const int bound = channels == 2 ? jointBound(header) : kSubbands;
  frame.channels = channels;
  frame.slots = 12;
  clear(frame);

  int allocation[2][kSubbands] = {};
  for (int sb = 0; sb < kSubbands; ++sb) {
    if (sb < bound) {
      for (int ch = 0; ch < channels; ++ch) allocation[ch][sb] = static_cast<int>(bits.read(4));
    } else {
      allocation[0][sb] = allocation[1][sb] = static_cast<int>(bits.read(4));
    }
  }
  float scale[2][kSubbands] = {};
  for (int sb = 0; sb < kSubbands; ++sb)
    for (int ch = 0; ch < channels; ++ch) {
      if (allocation[ch][sb] == 15) allocation[ch][sb] = 0;  // forbidden value
      if (allocation[ch][sb]) scale[ch][sb] = scaleFactors().value[bits.read(6)];
    }
  for (int slot = 0; slot < 12; ++slot) {
    for (int sb = 0; sb < kSubbands; ++sb) {
      const int shared = sb >= bound ? 1 : channels;
      for (int ch = 0; ch < shared; ++ch) {
        const int nb = allocation[ch][sb];
        if (!nb) continue;
        const unsigned levels = (1u << (nb + 1)) - 1;
        const float v = dequantise(bits.read(nb + 1), levels);
        frame.samples[ch][slot][sb] = v * scale[ch][sb];
        if (shared == 1 && channels == 2) frame.samples[1][slot][sb] = v * scale[1][sb];
      }
    }
  }
}

namespace {

// Quantiser classes of Layer II: levels, and bits per code (grouped classes code three samples
// in one word).
struct QuantClass {
  unsigned short levels;
  unsigned char bits;
  bool grouped;
};

constexpr QuantClass kClasses[] = {
    {3, 5, true},      {5, 7, true},      {7, 3, false},     {9, 10, true},
    {15, 4, false},    {31, 5, false},    {63, 6, false},    {127, 7, false},
    {255, 8, false},   {511, 9, false},   {1023, 10, false}, {2047, 11, false},
    {4095, 12, false}, {8191, 13, false}, {16383, 14, false}, {32767, 15, false},
    {65535, 16, false}};

enum Class : unsigned char { L3, L5, L7, L9, L15, L31, L63, L127, L255, L511, L1023, L2047, L4095,
                             L8191, L16383, L32767, L65535 };

// The classes an allocation index selects (index 0 = no samples), by kind of subband.
struct AllocationRow {
  int bits;  // width of the allocation field
  unsigned char classes[15];
};

constexpr AllocationRow kRowA = {4, {L3, L7, L15, L31, L63, L127, L255, L511, L1023, L2047, L4095,
                                     L8191, L16383, L32767, L65535}};
constexpr AllocationRow kRowB = {4, {L3, L5, L7, L9, L15, L31, L63, L127, L255, L511, L1023,
                                     L2047, L4095, L8191, L65535}};
constexpr AllocationRow kRowC = {3, {L3, L5, L7, L9, L15, L31, L65535}};
constexpr AllocationRow kRowD = {2, {L3, L5, L65535}};
constexpr AllocationRow kRowE = {4, {L3, L5, L9, L15, L31, L63, L127, L255, L511, L1023, L2047,
                                     L4095, L8191, L16383, L32767}};
constexpr AllocationRow kRowF = {3, {L3, L5, L9, L15, L31, L63, L127}};
constexpr AllocationRow kRowG = {4, {L3, L5, L7, L9, L15, L31, L63, L127, L255, L511, L1023,
                                     L2047, L4095, L8191, L16383}};
constexpr AllocationRow kRowH = {2, {L3, L5, L9}};

// The allocation tables: runs of subbands sharing a row.
struct Run {
  const AllocationRow* row;
  int count;
};
struct AllocationTable {
  Run runs[4];
};

constexpr AllocationTable kTableA = {{{&kRowA, 3}, {&kRowB, 8}, {&kRowC, 12}, {&kRowD, 4}}};  // 27
constexpr AllocationTable kTableB = {{{&kRowA, 3}, {&kRowB, 8}, {&kRowC, 12}, {&kRowD, 7}}};  // 30
constexpr AllocationTable kTableC = {{{&kRowE, 2}, {&kRowF, 6}, {nullptr, 0}, {nullptr, 0}}};  // 8
constexpr AllocationTable kTableD = {{{&kRowE, 2}, {&kRowF, 10}, {nullptr, 0}, {nullptr, 0}}};  // 12
constexpr AllocationTable kTableLow = {{{&kRowG, 4}, {&kRowF, 7}, {&kRowH, 19}, {nullptr, 0}}};  // 30

const AllocationTable& selectTable(const FrameHeader& h, int bitRate) {
  if (h.lowSampleRate()) return kTableLow;
  const int perChannel = h.channels() == 2 ? bitRate / 2 : bitRate;
  const int rate = h.sampleRate();
  if (perChannel <= 48000) return rate == 32000 ? kTableD : kTableC;
  if (perChannel <= 80000) return kTableA;
  return rate == 48000 ? kTableA : kTableB;
}

int subbandRows(const AllocationTable& table, const AllocationRow* rows[kSubbands]) {
  int n = 0;
  for (const Run& run : table.runs)
    for (int i = 0; i < run.count; ++i) rows[n++] = run.row;
  return n;
}

void readSamples(BitReader& bits, const QuantClass& q, unsigned codes[3]) {
  if (q.grouped) {
    unsigned c = bits.read(q.bits);
    for (int i = 0; i < 3; ++i) {
      codes[i] = c % q.levels;
      c /= q.levels;
    }
  } else {
    for (int i = 0; i < 3; ++i) codes[i] = bits.read(q.bits);
  }
}

}  // namespace

void decodeLayer2(BitReader& bits, const FrameHeader& header, int bitRate, SubbandFrame& frame) {
  const int channels = header.channels();
  const int bound = channels == 2 ? jointBound(header) : kSubbands;
  frame.channels = channels;
  frame.slots = 36;
  clear(frame);

  const AllocationRow* rows[kSubbands] = {};
  const int limit = subbandRows(selectTable(header, bitRate), rows);
  const int joint = bound < limit ? bound : limit;

  // Allocation: a class, or null for no samples.
  const QuantClass* classes[2][kSubbands] = {};
  for (int sb = 0; sb < limit; ++sb) {
    const int reads = sb < joint ? channels : 1;
    for (int ch = 0; ch < reads; ++ch) {
      const unsigned index = bits.read(rows[sb]->bits);
      classes[ch][sb] = index ? &kClasses[rows[sb]->classes[index - 1]] : nullptr;
    }
    if (reads == 1 && channels == 2) classes[1][sb] = classes[0][sb];
  }

  int selection[2][kSubbands] = {};
  for (int sb = 0; sb < limit; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      if (classes[ch][sb]) selection[ch][sb] = static_cast<int>(bits.read(2));

  // Three scale factors per subband, one for each third of the frame; the selection says which
  // of them are transmitted and which repeat.
  float scale[2][kSubbands][3] = {};
  const float* table = scaleFactors().value;
  for (int sb = 0; sb < limit; ++sb)
    for (int ch = 0; ch < channels; ++ch) {
      if (!classes[ch][sb]) continue;
      float* s = scale[ch][sb];
      switch (selection[ch][sb]) {
        case 0:
          s[0] = table[bits.read(6)];
          s[1] = table[bits.read(6)];
          s[2] = table[bits.read(6)];
          break;
        case 1:
          s[0] = s[1] = table[bits.read(6)];
          s[2] = table[bits.read(6)];
          break;
        case 2:
          s[0] = s[1] = s[2] = table[bits.read(6)];
          break;
        default:
          s[0] = table[bits.read(6)];
          s[1] = s[2] = table[bits.read(6)];
          break;
      }
    }

  for (int group = 0; group < 12; ++group) {
    const int part = group / 4;
    for (int sb = 0; sb < limit; ++sb) {
      const int reads = sb < joint ? channels : 1;
      for (int ch = 0; ch < reads; ++ch) {
        const QuantClass* q = classes[ch][sb];
        if (!q) continue;
        unsigned codes[3];
        readSamples(bits, *q, codes);
        for (int i = 0; i < 3; ++i) {
          const float v = dequantise(codes[i], q->levels);
          frame.samples[ch][3 * group + i][sb] = v * scale[ch][sb][part];
          if (reads == 1 && channels == 2)
            frame.samples[1][3 * group + i][sb] = v * scale[1][sb][part];
        }
      }
    }
  }
}

}  // namespace skyloom::player
