#include "layer1_writer.h"

#include "bit_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace skyloom::testing {
namespace {


int bitAt(const std::vector<std::uint8_t>& bytes, std::size_t bit) { return (bytes[bit / 8] >> (7 - bit % 8)) & 1; }

std::uint16_t crc16(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to, std::uint16_t crc) {
  for (std::size_t b = from; b < to; ++b) {
    const bool top = ((crc >> 15) & 1) != static_cast<unsigned>(bitAt(bytes, b));
    crc = static_cast<std::uint16_t>(crc << 1);
    if (top) crc ^= 0x8005;
  }
  return crc;
}

constexpr int kLayer1Rates[] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};

double scaleFactor(int index) { return 2.0 * std::pow(2.0, -index / 3.0); }

// The smallest scale factor that still holds `peak`.
int scaleIndexFor(double peak) {
  int index = 62;
  while (index > 0 && scaleFactor(index) < peak) --index;
  return index;
}

struct Channel {
  int allocation[32] = {};
  int scale[32] = {};
  double samples[32][12] = {};
};

}  // namespace

Layer1Stream writeLayer1(const Layer1Options& o) {
  Layer1Stream stream;
  std::mt19937 random(o.seed);
  const int channels = o.channelMode == 3 ? 1 : 2;
  const int bound = o.channelMode == 1 ? o.bound : 32;
  int rateIndex = 0;
  if (!o.freeFormat)
    while (rateIndex < 14 && kLayer1Rates[rateIndex] * 1000 != o.bitRate) ++rateIndex;
  const int sampleRateIndex = o.sampleRate == 44100 ? 0 : o.sampleRate == 48000 ? 1 : 2;

  // A few sines per channel, each in its own subband, at a frequency within that subband.
  struct Tone {
    int subband;
    double step, amplitude;
  };
  std::vector<Tone> tones[2];
  for (int ch = 0; ch < channels; ++ch)
    for (int t = 0; t < 4; ++t)
      tones[ch].push_back({(1 + 7 * t + 3 * ch) % 32, 0.05 + 0.1 * t + 0.03 * ch, 0.05 + 0.05 * t});

  long rest = 0;  // for the padding slot: bits per frame * sample rate, remainder
  for (int frame = 0; frame < o.frames; ++frame) {
    const long perFrame = 12L * o.bitRate;
    rest += perFrame % o.sampleRate;
    int padding = 0;
    if (rest >= o.sampleRate) {
      rest -= o.sampleRate;
      padding = 1;
    }
    const int frameBytes = 4 * (static_cast<int>(perFrame / o.sampleRate) + padding);

    Channel ch[2];
    for (int c = 0; c < channels; ++c) {
      for (int sb = 0; sb < 32; ++sb) {
        if (o.randomContent) {
          ch[c].allocation[sb] = static_cast<int>(random() % 15);
          ch[c].scale[sb] = 20 + static_cast<int>(random() % 43);
          for (double& s : ch[c].samples[sb])
            s = (static_cast<double>(random() % 2001) / 1000.0 - 1.0) * scaleFactor(ch[c].scale[sb]);
        }
      }
      if (!o.randomContent) {
        for (const Tone& t : tones[c]) {
          double peak = 0;
          for (int i = 0; i < 12; ++i) {
            const double s = t.amplitude * std::cos(t.step * std::numbers::pi * (12 * frame + i) + c);
            ch[c].samples[t.subband][i] = s;
            peak = std::max(peak, std::abs(s));
          }
          // Allocations from 3 to 15 bits, changing with the frame.
          ch[c].allocation[t.subband] = 2 + (frame + t.subband) % 13;
          ch[c].scale[t.subband] = scaleIndexFor(peak);
        }
      }
    }
    if (bound < 32)  // the shared subbands carry one allocation and one set of samples
      for (int sb = bound; sb < 32; ++sb) {
        ch[1].allocation[sb] = ch[0].allocation[sb];
        std::copy(std::begin(ch[0].samples[sb]), std::end(ch[0].samples[sb]), ch[1].samples[sb]);
        if (!o.randomContent) ch[1].scale[sb] = std::min(62, ch[0].scale[sb] + 2 + sb % 4);  // quieter on the right
      }

    // Drop bits from the largest allocations until the frame holds them all.
    auto bitsNeeded = [&] {
      int bits = 32 + (o.crc ? 16 : 0) + 4 * (channels * bound + (channels == 2 ? 32 - bound : 0));
      for (int sb = 0; sb < 32; ++sb) {
        for (int c = 0; c < channels; ++c)
          if (ch[c].allocation[sb]) bits += 6 + (sb < bound || c == 0 ? 12 * (ch[c].allocation[sb] + 1) : 0);
      }
      return bits;
    };
    while (bitsNeeded() > 8 * frameBytes) {
      int* largest = &ch[0].allocation[0];
      for (int c = 0; c < channels; ++c)
        for (int sb = 0; sb < 32; ++sb)
          if (ch[c].allocation[sb] > *largest) largest = &ch[c].allocation[sb];
      --*largest;
      for (int sb = bound; sb < 32; ++sb) ch[1].allocation[sb] = ch[0].allocation[sb];
    }

    BitWriter w;
    w.put(0xFFF, 12);
    w.put(1, 1);  // MPEG-1
    w.put(3, 2);  // Layer I
    w.put(o.crc ? 0 : 1, 1);
    w.put(static_cast<std::uint32_t>(rateIndex), 4);
    w.put(static_cast<std::uint32_t>(sampleRateIndex), 2);
    w.put(static_cast<std::uint32_t>(padding), 1);
    w.put(0, 1);
    w.put(static_cast<std::uint32_t>(o.channelMode), 2);
    w.put(o.channelMode == 1 ? static_cast<std::uint32_t>(bound / 4 - 1) : 0, 2);
    w.put(0, 1);
    w.put(1, 1);
    w.put(0, 2);
    if (o.crc) w.put(0, 16);
    const std::size_t allocationStart = w.bit();
    for (int sb = 0; sb < 32; ++sb)
      for (int c = 0; c < (sb < bound ? channels : 1); ++c) w.put(static_cast<std::uint32_t>(ch[c].allocation[sb]), 4);
    const std::size_t allocationEnd = w.bit();
    for (int sb = 0; sb < 32; ++sb)
      for (int c = 0; c < channels; ++c)
        if (ch[c].allocation[sb]) w.put(static_cast<std::uint32_t>(ch[c].scale[sb]), 6);
    for (int i = 0; i < 12; ++i)
      for (int sb = 0; sb < 32; ++sb)
        for (int c = 0; c < (sb < bound ? channels : 1); ++c) {
          const int bits = ch[c].allocation[sb] + 1;
          if (bits == 1) continue;
          // Codes 0 .. 2^bits - 2 step evenly over -1 .. 1 of the scale factor; all ones is not used.
          const double x = ch[c].samples[sb][i] / scaleFactor(ch[c].scale[sb]);
          const long top = (1L << bits) - 2;
          const long code = std::clamp(std::lround((x + 1.0) / 2.0 * static_cast<double>(top)), 0L, top);
          w.put(static_cast<std::uint32_t>(code), bits);
        }
    while (w.bit() < 8u * static_cast<std::size_t>(frameBytes)) w.put(0, 1);
    std::vector<std::uint8_t>& bytes = w.bytes();
    if (o.crc) {
      const std::uint16_t crc = crc16(bytes, allocationStart, allocationEnd, crc16(bytes, 16, 32, 0xFFFF));
      bytes[4] = static_cast<std::uint8_t>(crc >> 8);
      bytes[5] = static_cast<std::uint8_t>(crc);
    }
    stream.frameOffsets.push_back(stream.bytes.size());
    stream.bytes.insert(stream.bytes.end(), bytes.begin(), bytes.end());
  }
  return stream;
}

}  // namespace skyloom::testing
