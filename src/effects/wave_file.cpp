#include "effects/wave_file.h"

#include <cstring>

namespace skyloom {
namespace {

constexpr std::size_t kRiffHeaderBytes = 12;  // "RIFF", size, "WAVE"
constexpr std::size_t kChunkHeaderBytes = 8;  // four-character id, size
constexpr std::uint32_t kShortFormatBytes = 14;  // WAVEFORMAT: no bits-per-sample field
constexpr std::uint32_t kPcmFormatBytes = 16;    // PCMWAVEFORMAT
constexpr std::uint16_t kFormatPcm = 1;

bool hasId(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

WaveFormat readFormat(const std::uint8_t* p, std::uint32_t size) {
  WaveFormat f;
  f.formatTag = readLE16(p);
  f.channels = readLE16(p + 2);
  f.samplesPerSec = readLE32(p + 4);
  f.avgBytesPerSec = readLE32(p + 8);
  f.blockAlign = readLE16(p + 12);
  // A 14-byte format has no bits per sample: they follow from the block size.
  if (size >= kPcmFormatBytes) {
    f.bitsPerSample = readLE16(p + 14);
  } else {
    f.bitsPerSample = f.channels ? static_cast<std::uint16_t>(f.blockAlign * 8u / f.channels) : 0;
  }
  return f;
}

bool playable(const WaveFormat& f) {
  if (f.formatTag != kFormatPcm) return false;
  if (f.channels != 1 && f.channels != 2) return false;
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
  if (f.blockAlign != f.channels * f.bitsPerSample / 8) return false;
  // DirectSound's own frequency range (DSBFREQUENCY_MIN .. DSBFREQUENCY_MAX).
  return f.samplesPerSec >= 100 && f.samplesPerSec <= 200000;
}

}  // namespace

const char* waveErrorText(WaveError error) {
  switch (error) {
    case WaveError::None: return "no error";
    case WaveError::NotRiff: return "not a RIFF file";
    case WaveError::NotWave: return "a RIFF file, but not of WAVE sound";
    case WaveError::NoFormat: return "no \"fmt \" chunk of at least 14 bytes";
    case WaveError::NoData: return "no \"data\" chunk";
    case WaveError::DataPastEnd: return "the \"data\" chunk runs past the end of the file";
    case WaveError::Unplayable: return "a sound format that cannot be played";
    case WaveError::EmptyData: return "no sound in the \"data\" chunk";
  }
  return "unknown error";
}

WaveError parseWave(ByteSpan bytes, WaveSample& out) {
  if (bytes.size() < kRiffHeaderBytes || !hasId(bytes.data(), "RIFF")) return WaveError::NotRiff;
  if (!hasId(bytes.data() + 8, "WAVE")) return WaveError::NotWave;

  // The RIFF size field is not trusted: the walk is bounded by the bytes actually present.
  bool haveFormat = false;
  bool haveData = false;
  WaveFormat format;
  ByteSpan data;
  std::size_t at = kRiffHeaderBytes;
  while (!(haveFormat && haveData) && bytes.size() - at >= kChunkHeaderBytes) {
    const std::uint8_t* header = bytes.data() + at;
    const std::uint32_t size = readLE32(header + 4);
    const std::size_t bodyAt = at + kChunkHeaderBytes;
    const std::size_t present = bytes.size() - bodyAt;
    if (hasId(header, "fmt ") && !haveFormat) {
      if (size < kShortFormatBytes || size > present) return WaveError::NoFormat;
      format = readFormat(header + kChunkHeaderBytes, size);
      haveFormat = true;
    } else if (hasId(header, "data") && !haveData) {
      if (size > present) return WaveError::DataPastEnd;
      data = bytes.subspan(bodyAt, size);
      haveData = true;
    }
    // Chunks are padded to an even length; the pad byte of the last one may be missing.
    const std::uint64_t step = kChunkHeaderBytes + static_cast<std::uint64_t>(size) + (size & 1u);
    if (step > bytes.size() - at) break;
    at += static_cast<std::size_t>(step);
  }
  if (!haveFormat) return WaveError::NoFormat;
  if (!haveData) return WaveError::NoData;
  if (!playable(format)) return WaveError::Unplayable;

  // The buffer holds whole sample frames only; a stray byte at the end would shift the channels
  // of every later pass round the loop.
  const std::size_t whole = data.size() - data.size() % format.blockAlign;
  if (whole < kMinSoundBufferBytes || whole < format.blockAlign) return WaveError::EmptyData;
  if (whole > kMaxSoundBufferBytes) return WaveError::Unplayable;
  // The rate field is often wrong in hand-made files; the output derives it from the rest.
  format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
  out.format = format;
  out.data = data.first(whole);
  return WaveError::None;
}

}  // namespace skyloom
