#pragma once
// MPEG audio frame headers: the four bytes in front of every frame, the sync search that finds
// them and the frame-size arithmetic of the three layers.

#include <cstddef>
#include <cstdint>
#include <span>

namespace skyloom::player {

struct FrameHeader {
  int versionKind = 0;      // 1: 12-bit sync (MPEG-1, MPEG-2), 2: 11-bit sync + 0 (MPEG-2.5), 0: none
  int mpegId = 0;           // 1 MPEG-1, 0 MPEG-2 / MPEG-2.5
  int layerCode = 0;        // 1 = Layer III, 2 = Layer II, 3 = Layer I
  int protection = 0;       // the stored bit: 0 means a 16-bit CRC follows the header
  int bitRateIndex = 0;     // 0 = free format
  int sampleRateIndex = 0;
  int padding = 0;
  int privateBit = 0;
  int channelMode = 0;      // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int modeExtension = 0;
  int copyright = 0;
  int original = 0;
  int emphasis = 0;

  int layer() const { return 4 - layerCode; }  // 1, 2 or 3
  bool lowSampleRate() const { return mpegId == 0; }  // MPEG-2 and MPEG-2.5
  bool mpeg25() const { return versionKind == 2; }
  int channels() const { return channelMode == 3 ? 1 : 2; }
  bool crcFollows() const { return protection == 0; }
  int sampleRate() const;        // Hz; 0 for a reserved index
  int samplesPerFrame() const;   // per channel: 384, 1152 or 576
  int bitRate() const;           // bits per second from the index; 0 for free format
  // Index 0-8 into the per-rate tables: MPEG-1 44.1/48/32, MPEG-2 22.05/24/16, MPEG-2.5 11.025/12/8.
  int rateTableIndex() const;
  // Bytes in a slot (4 for Layer I, else 1) and the padding slot's size in bytes.
  int slotBytes() const { return layerCode == 3 ? 4 : 1; }
  int paddingBytes() const { return padding ? slotBytes() : 0; }
};

// Bits per second a header's fields describe, or the size in bytes such a frame has.
int frameBytesFor(const FrameHeader& header, int bitRate);  // without the padding slot
int bitRateForFrameBytes(const FrameHeader& header, int frameBytes);

// Reads the four header bytes at `bytes` (no search). False when they are not a decodable header:
// no sync, reserved layer, bit-rate index 15, reserved sample rate, Layer I/II at MPEG-2.5 rates.
bool readFrameHeader(const std::uint8_t* bytes, FrameHeader& header);

// True when `other` can continue a stream that began with `first`: same sync kind, MPEG id, layer
// and sample rate.
bool sameStream(const FrameHeader& first, const FrameHeader& other);

// Searches for the first 0xFF followed by a byte with upper nibble 0xF or 0xE, reports the bytes
// before it in `skipped` and parses the header there. Answers the frame size in bytes without the
// padding slot, 0 when there is no valid header there. A free-format frame (bit-rate index 0) is
// measured to the next matching sync at most 10,000 bytes ahead; `bitRate` gets the resulting rate.
int parseHeader(std::span<const std::uint8_t> bytes, FrameHeader& header, int& bitRate, int& skipped);

}  // namespace skyloom::player
