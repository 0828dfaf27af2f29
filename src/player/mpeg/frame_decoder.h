#pragma once
// The MPEG audio frame decoder: one compressed frame in, interleaved PCM out. Layers I, II and III
// at the MPEG-1, MPEG-2 and MPEG-2.5 sample rates. No file access: the caller finds the frames and
// hands them over one at a time, with what the previous frames left behind (overlap-add, the bit
// reservoir, the synthesis filter history) kept in this object between calls.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "player/mpeg/frame_header.h"

namespace skyloom::player {

class SubbandLevels;

struct DecoderOutput {
  int channels = 0;
  int samplesPerFrame = 0;  // over all channels
  int sampleRate = 0;
  int bitsPerSample = 0;    // 16, 8 (unsigned), or 32 (float)
  int frameBytes = 0;       // as given to init
  int reserved = 0;
};

struct DecodeResult {
  int usedBytes = 0;    // 0: the frame at the input could not be decoded
  int outputBytes = 0;
};

// `convert` bits of init.
inline constexpr int kConvertChannelMask = 3;  // 0 keep, 1 mix to one, 2 left only, 3 right only
inline constexpr int kConvert8Bit = 8;         // unsigned 8-bit samples
inline constexpr int kConvertFloat = 16;       // 32-bit float samples, full scale 1.0 (checking tool)

inline constexpr int kEqualizerBands = 32;
// The most output one frame can produce: 1,152 stereo float samples.
inline constexpr std::size_t kMaxFrameOutputBytes = 1152 * 2 * 4;

class FrameDecoder {
 public:
  FrameDecoder();
  ~FrameDecoder();
  FrameDecoder(const FrameDecoder&) = delete;
  FrameDecoder& operator=(const FrameDecoder&) = delete;

  // Prepares for frames like `header` and clears all history. `frameBytes` is the frame size
  // without padding (needed for free-format streams). `reduction` 0-2 divides the output rate by
  // 1, 2 or 4; `frequencyLimit` (Hz, at least 1,000) limits the synthesised subbands; `transform`
  // is unused. False for a header this decoder cannot decode.
  bool init(const FrameHeader& header, int frameBytes, int reduction, int transform, int convert,
            int frequencyLimit);
  DecoderOutput info() const;

  // Decodes the frame that starts at in[0] into `out`. usedBytes is 0 when there is no frame of the
  // initialised stream there, when `in` holds less than the whole frame, or when `out` is too small
  // for one frame's samples; nothing is written then.
  DecodeResult decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

  // Per-subband gains applied before synthesis. Off (and every gain 1.0) initially; off means the
  // output is exactly the plain decoding. The settings survive init (the player re-initialises
  // after a damaged frame, and its listener's equalizer must stay as it was).
  void setEqualizerEnabled(bool enabled);
  void setEqualizerGains(std::span<const float, kEqualizerBands> gains);

  // Where Layer III frames record their subband levels for the spectrum display; null (the
  // default) records nothing. The music engine passes &subbandLevels(); a decoder for anything
  // else (tools, tests) leaves the display's ring alone. Survives init, like the equalizer.
  void setLevelSink(SubbandLevels* sink);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace skyloom::player
