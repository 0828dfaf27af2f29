#pragma once
// The reader of RIFF WAVE samples: finds the "fmt " and "data" chunks in bytes held in memory
// (a program resource or a file read whole) and answers the format and where the sound lies.
// Nothing is copied; every size is checked against the bytes present before it is used.

#include <cstdint>

#include "core/bytes.h"
#include "platform/audio/sound_output.h"

namespace skyloom {

enum class WaveError {
  None,
  NotRiff,          // fewer than 12 bytes, or no "RIFF" at the start
  NotWave,          // "RIFF" without "WAVE"
  NoFormat,         // no "fmt " chunk, or one shorter than 14 bytes
  NoData,           // no "data" chunk
  DataPastEnd,      // a "data" chunk that claims more bytes than the file holds
  Unplayable,       // a format the sound output cannot play (not 8- or 16-bit PCM, 1 or 2 channels)
  EmptyData,        // fewer sound bytes than one whole sample frame, or than a buffer may hold
};

const char* waveErrorText(WaveError error);

struct WaveSample {
  WaveFormat format;
  ByteSpan data;  // the sound itself, whole sample frames only; points into the parsed bytes
};

// The smallest and largest secondary buffer the output makes (DSBSIZE_MIN, DSBSIZE_MAX).
constexpr std::uint32_t kMinSoundBufferBytes = 4;
constexpr std::uint32_t kMaxSoundBufferBytes = 0x0FFFFFFF;

// Walks the chunks (each one's size rounded up to even, plus its 8-byte header) until both a
// "fmt " chunk and a "data" chunk were found. A "data" chunk that runs past the end is refused
// rather than clipped: a truncated file would otherwise play with a click where it was cut.
// out is written only on success.
WaveError parseWave(ByteSpan bytes, WaveSample& out);

}  // namespace skyloom
