#pragma once
// The stream layer around FrameDecoder: skip a leading ID3v2 tag, find the first frame, decode
// frame by frame and, after a frame that does not decode, resynchronise on the next frame of the
// same stream. The music engine streams files with it; skydecode, the decoder tests, the bench and
// the fuzz target use the same layer, so what they measure is what the player does.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "player/mpeg/frame_decoder.h"
#include "player/mpeg/frame_header.h"
#include "player/mpeg/subband_levels.h"

namespace skyloom::player {

// Bytes of the ID3v2 tag at the start of `file` (header, synchsafe size, optional footer), or 0.
std::size_t id3v2TagBytes(std::span<const std::uint8_t> file);

struct FoundFrame {
  std::size_t offset = 0;  // from the start of the searched bytes
  FrameHeader header;
  int frameBytes = 0;  // without the padding slot
  int bitRate = 0;     // bits per second; measured for free format
};

// The first header at or after `from` that parseHeader accepts and, when `stream` is given, that
// continues it (same stream and channel count, so the PCM keeps one layout).
bool findFrame(std::span<const std::uint8_t> bytes, std::size_t from, const FrameHeader* stream,
               FoundFrame& found);

struct StreamOptions {
  int convert = 0;  // FrameDecoder::init's convert bits
  int reduction = 0;
  int frequencyLimit = 24000;
  std::size_t outputBytes = kMaxFrameOutputBytes;  // the per-frame output buffer
  SubbandLevels* levelSink = nullptr;              // FrameDecoder::setLevelSink
};

struct StreamSummary {
  bool found = false;        // a frame was found and the decoder accepted it
  std::size_t tagBytes = 0;  // the skipped ID3v2 tag
  FoundFrame first;
  DecoderOutput output;      // info() after the first init
  long framesDecoded = 0;
  long framesSkipped = 0;  // frames that did not decode, each followed by a resync
  std::uint64_t pcmBytes = 0;
};

using PcmSink = std::function<void(std::span<const std::uint8_t>)>;

// Decodes the whole of `file`, handing each frame's PCM to `sink` (which may be empty).
StreamSummary decodeStream(std::span<const std::uint8_t> file, const StreamOptions& options, const PcmSink& sink);

// "1", "2" or "2.5".
const char* mpegVersionName(const FrameHeader& header);

}  // namespace skyloom::player
