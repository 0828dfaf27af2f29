#include "player/mpeg/frame_header.h"

#include <algorithm>

namespace skyloom::player {
namespace {

// Bit rates in kbit/s by [low sample rate][layer - 1][index]; index 0 is free format, 15 is invalid.
constexpr int kBitRates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};

constexpr int kSampleRates[9] = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};

constexpr int kFreeFormatSearch = 10000;

// Bytes per frame = coefficient * bit rate / sample rate (+ padding); Layer I counts 4-byte slots.
int sizeCoefficient(const FrameHeader& h) {
  if (h.layerCode == 3) return 12;
  if (h.layerCode == 1 && h.lowSampleRate()) return 72;
  return 144;
}

}  // namespace

int FrameHeader::rateTableIndex() const {
  if (sampleRateIndex > 2) return -1;
  if (mpeg25()) return 6 + sampleRateIndex;
  return (lowSampleRate() ? 3 : 0) + sampleRateIndex;
}

int FrameHeader::sampleRate() const {
  const int i = rateTableIndex();
  return i < 0 ? 0 : kSampleRates[i];
}

int FrameHeader::samplesPerFrame() const {
  if (layerCode == 3) return 384;
  if (layerCode == 1 && lowSampleRate()) return 576;
  return 1152;
}

int FrameHeader::bitRate() const {
  if (layerCode < 1 || layerCode > 3 || bitRateIndex > 14) return 0;
  return kBitRates[lowSampleRate() ? 1 : 0][layer() - 1][bitRateIndex] * 1000;
}

int frameBytesFor(const FrameHeader& h, int bitRate) {
  const int rate = h.sampleRate();
  if (rate == 0 || bitRate <= 0) return 0;
  const int slots = static_cast<int>(static_cast<long long>(sizeCoefficient(h)) * bitRate / rate);
  return slots * h.slotBytes();
}

int bitRateForFrameBytes(const FrameHeader& h, int frameBytes) {
  const int rate = h.sampleRate();
  if (rate == 0 || frameBytes <= 0) return 0;
  const long long slots = frameBytes / h.slotBytes();
  return static_cast<int>(slots * rate / sizeCoefficient(h));
}

bool readFrameHeader(const std::uint8_t* b, FrameHeader& h) {
  h = FrameHeader{};
  if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
  FrameHeader r;
  if ((b[1] & 0xF0) == 0xF0) {
    r.versionKind = 1;
  } else if ((b[1] & 0x18) == 0x00) {
    r.versionKind = 2;  // 0xFFE sync followed by the MPEG-2.5 id bit 0
  } else {
    return false;
  }
  r.mpegId = (b[1] >> 3) & 1;
  r.layerCode = (b[1] >> 1) & 3;
  r.protection = b[1] & 1;
  r.bitRateIndex = b[2] >> 4;
  r.sampleRateIndex = (b[2] >> 2) & 3;
  r.padding = (b[2] >> 1) & 1;
  r.privateBit = b[2] & 1;
  r.channelMode = b[3] >> 6;
  r.modeExtension = (b[3] >> 4) & 3;
  r.copyright = (b[3] >> 3) & 1;
  r.original = (b[3] >> 2) & 1;
  r.emphasis = b[3] & 3;
  if (r.layerCode == 0 || r.bitRateIndex == 15 || r.sampleRateIndex == 3) return false;
  if (r.mpeg25() && r.layerCode != 1) return false;  // the 2.5 extension is Layer III only
  h = r;
  return true;
}

bool sameStream(const FrameHeader& a, const FrameHeader& b) {
  return a.versionKind == b.versionKind && a.mpegId == b.mpegId && a.layerCode == b.layerCode &&
         a.sampleRateIndex == b.sampleRateIndex;
}

namespace {

// The size of a free-format frame: the distance to the next header of the same stream, less the
// padding slot. 0 when none follows within reach.
int measureFreeFormat(std::span<const std::uint8_t> bytes, const FrameHeader& h) {
  const std::size_t end = std::min<std::size_t>(bytes.size(), kFreeFormatSearch + 4);
  for (std::size_t i = 4; i + 4 <= end; ++i) {
    if (bytes[i] != 0xFF) continue;
    FrameHeader next;
    if (readFrameHeader(&bytes[i], next) && sameStream(h, next) && next.bitRateIndex == 0) {
      const int size = static_cast<int>(i) - h.paddingBytes();
      return size > 0 ? size : 0;
    }
  }
  return 0;
}

}  // namespace

int parseHeader(std::span<const std::uint8_t> bytes, FrameHeader& header, int& bitRate,
                int& skipped) {
  header = FrameHeader{};
  bitRate = 0;
  std::size_t i = 0;
  while (i + 1 < bytes.size() && !(bytes[i] == 0xFF && (bytes[i + 1] & 0xE0) == 0xE0)) ++i;
  skipped = static_cast<int>(i);
  if (i + 4 > bytes.size()) return 0;
  if (!readFrameHeader(&bytes[i], header)) return 0;
  if (header.bitRateIndex != 0) {
    bitRate = header.bitRate();
    return frameBytesFor(header, bitRate);
  }
  const int size = measureFreeFormat(bytes.subspan(i), header);
  bitRate = bitRateForFrameBytes(header, size);
  return size;
}

}  // namespace skyloom::player
