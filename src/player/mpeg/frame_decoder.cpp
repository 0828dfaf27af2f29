#include "player/mpeg/frame_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "player/mpeg/bit_reader.h"
#include "player/mpeg/layer12.h"
#include "player/mpeg/layer3.h"
#include "player/mpeg/subband_frame.h"
#include "player/mpeg/synthesis.h"

namespace skyloom::player {

struct FrameDecoder::State {
  FrameHeader header;
  bool ready = false;
  int frameBytes = 0;
  int reduction = 0;
  int channelMode = 0;  // convert & kConvertChannelMask, 0 for single-channel streams
  int outChannels = 0;
  int bits = 16;
  int subbandLimit = kSubbands;
  bool equalizer = false;
  float gains[kEqualizerBands];
  SubbandLevels* levelSink = nullptr;
  Layer3Decoder layer3;
  SynthesisFilter synthesis[2];
  SubbandFrame frame;
  alignas(32) float pcm[2][1152];

  State() { std::fill(std::begin(gains), std::end(gains), 1.0f); }
  int bytesPerSample() const { return bits / 8; }
  int outputSamplesPerChannel() const { return header.samplesPerFrame() >> reduction; }
  int outputBytes() const { return outputSamplesPerChannel() * outChannels * bytesPerSample(); }
};

namespace {

// Round to nearest (ties to even) by adding 1.5 * 2^23: the sum's low mantissa bits are then the
// rounded integer. Valid for |v| < 2^22, which the clamp ensures; plain code the compiler can
// vectorise, unlike a call to lrint.
inline int roundToInt(float v) {
  const float shifted = v + 12582912.0f;
  std::int32_t bits;
  std::memcpy(&bits, &shifted, 4);
  return bits - 0x4B400000;
}

inline std::int16_t toInt16(float x) {
  return static_cast<std::int16_t>(roundToInt(std::clamp(x * 32768.0f, -32768.0f, 32767.0f)));
}

inline std::uint8_t toUInt8(float x) {
  return static_cast<std::uint8_t>(roundToInt(std::clamp(x * 128.0f, -128.0f, 127.0f)) + 128);
}

// Interleaves the channels' samples (every step-th) into the output format.
void writeSamples(const FrameDecoder::State& s, int count, std::uint8_t* o);

// The frame's size in bytes with its padding, 0 when it cannot be known.
int frameSize(const FrameHeader& h, int freeFormatBytes) {
  const int bytes = h.bitRateIndex == 0 ? freeFormatBytes : frameBytesFor(h, h.bitRate());
  return bytes > 0 ? bytes + h.paddingBytes() : 0;
}

}  // namespace

FrameDecoder::FrameDecoder() : state_(std::make_unique<State>()) {}
FrameDecoder::~FrameDecoder() = default;

bool FrameDecoder::init(const FrameHeader& header, int frameBytes, int reduction, int /*transform*/,
                        int convert, int frequencyLimit) {
  State& s = *state_;
  s.ready = false;
  // Re-derive the header from its fields so that a hand-made or stale one is checked too.
  if (header.versionKind == 0 || header.layerCode < 1 || header.layerCode > 3 ||
      header.sampleRate() == 0 || header.bitRateIndex > 14 || (header.mpeg25() && header.layerCode != 1))
    return false;
  if (frameBytes < 0 || frameBytes > Layer3Decoder::kMaxFrameBytes) return false;
  if (header.bitRateIndex == 0 && frameBytes <= 0) return false;  // free format needs its size
  s.header = header;
  s.frameBytes = frameBytes;
  s.reduction = std::clamp(reduction, 0, 2);
  s.channelMode = header.channels() == 2 ? (convert & kConvertChannelMask) : 0;
  s.outChannels = header.channels() == 2 && s.channelMode == 0 ? 2 : 1;
  s.bits = (convert & kConvertFloat) ? 32 : (convert & kConvert8Bit) ? 8 : 16;
  const int rate = header.sampleRate();
  const long long limit = std::max(frequencyLimit, 1000);
  const int bands = static_cast<int>((limit * 64 + rate - 1) / rate);
  s.subbandLimit = std::min({bands, kSubbands, kSubbands >> s.reduction});
  s.layer3.reset();
  for (auto& f : s.synthesis) f.reset();
  s.ready = true;
  return true;
}

DecoderOutput FrameDecoder::info() const {
  const State& s = *state_;
  if (!s.ready) return {};
  DecoderOutput out;
  out.channels = s.outChannels;
  out.samplesPerFrame = s.outputSamplesPerChannel() * s.outChannels;
  out.sampleRate = s.header.sampleRate() >> s.reduction;
  out.bitsPerSample = s.bits;
  out.frameBytes = s.frameBytes;
  return out;
}

void FrameDecoder::setEqualizerEnabled(bool enabled) { state_->equalizer = enabled; }

void FrameDecoder::setEqualizerGains(std::span<const float, kEqualizerBands> gains) {
  std::copy(gains.begin(), gains.end(), state_->gains);
}

void FrameDecoder::setLevelSink(SubbandLevels* sink) { state_->levelSink = sink; }

namespace {

// Brings the subband samples to the output's channels and band limit, with the equalizer's gains.
void shapeSubbands(FrameDecoder::State& s);

}  // namespace

DecodeResult FrameDecoder::decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  State& s = *state_;
  FrameHeader h;
  if (!s.ready || in.size() < 4 || !readFrameHeader(in.data(), h)) return {};
  if (!sameStream(s.header, h) || h.channels() != s.header.channels()) return {};
  const int size = frameSize(h, s.frameBytes);
  const int headerBytes = h.crcFollows() ? 6 : 4;
  if (size <= headerBytes || static_cast<std::size_t>(size) > in.size()) return {};
  if (out.size() < static_cast<std::size_t>(s.outputBytes())) return {};

  const std::uint8_t* body = in.data() + headerBytes;
  const std::size_t bodyBytes = static_cast<std::size_t>(size - headerBytes);
  BitReader bits(body, bodyBytes);
  switch (h.layer()) {
    case 1:
      decodeLayer1(bits, h, s.frame);
      break;
    case 2:
      decodeLayer2(bits, h, h.bitRateIndex ? h.bitRate() : bitRateForFrameBytes(h, s.frameBytes), s.frame);
      break;
    default:
      if (!s.layer3.decode(h, body, bodyBytes, s.frame, s.levelSink)) return {};
      break;
  }
  shapeSubbands(s);

  const int slots = s.frame.slots;
  for (int ch = 0; ch < s.outChannels; ++ch)
    for (int slot = 0; slot < slots; ++slot)
      s.synthesis[ch].run(s.frame.samples[ch][slot], s.pcm[ch] + kSubbands * slot);

  writeSamples(s, s.outputSamplesPerChannel(), out.data());
  return {size, s.outputBytes()};
}

namespace {

void writeSamples(const FrameDecoder::State& s, int count, std::uint8_t* o) {
  const int step = 1 << s.reduction;
  const int channels = s.outChannels;
  for (int ch = 0; ch < channels; ++ch) {
    const float* pcm = s.pcm[ch];
    if (s.bits == 16) {
      std::uint8_t* p = o + 2 * ch;
      for (int i = 0; i < count; ++i, p += 2 * channels) {
        const auto v = static_cast<std::uint16_t>(toInt16(pcm[i * step]));
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
      }
    } else if (s.bits == 8) {
      for (int i = 0; i < count; ++i) o[i * channels + ch] = toUInt8(pcm[i * step]);
    } else {
      for (int i = 0; i < count; ++i) std::memcpy(o + 4 * (i * channels + ch), &pcm[i * step], 4);
    }
  }
}

void shapeSubbands(FrameDecoder::State& s) {
  SubbandFrame& f = s.frame;
  const int slots = f.slots;
  if (f.channels == 2 && s.channelMode != 0) {
    // One output channel: mix (synthesis is linear, so mixing subbands equals mixing samples)
    // or keep one side.
    for (int slot = 0; slot < slots; ++slot) {
      float* left = f.samples[0][slot];
      const float* right = f.samples[1][slot];
      for (int sb = 0; sb < kSubbands; ++sb) {
        if (s.channelMode == 1) left[sb] = 0.5f * (left[sb] + right[sb]);
        else if (s.channelMode == 3) left[sb] = right[sb];
      }
    }
  }
  for (int ch = 0; ch < s.outChannels; ++ch)
    for (int slot = 0; slot < slots; ++slot) {
      float* x = f.samples[ch][slot];
      if (s.equalizer)
        for (int sb = 0; sb < kSubbands; ++sb) x[sb] *= s.gains[sb];
      for (int sb = s.subbandLimit; sb < kSubbands; ++sb) x[sb] = 0.0f;
    }
}

}  // namespace

}  // namespace skyloom::player
