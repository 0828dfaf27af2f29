#pragma once
// Hand-made RIFF WAVE files for the sample reader and sound effect tests.

#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes.h"

namespace skyloom::testing {

struct RawChunk {
  std::string id;
  Bytes body;
  std::uint32_t claimedSize = 0xFFFFFFFFu;  // the size field written; the body's size by default
  bool pad = true;                          // add the pad byte after an odd body
};

inline void appendLE32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void appendLE16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A format chunk body: tag, channels, rate, bytes per second, block, bits (the last left off
// when bytes is 14).
inline Bytes formatBody(std::uint16_t channels = 2, std::uint32_t rate = 22050, std::uint16_t bits = 16,
                        std::size_t bytes = 16, std::uint16_t tag = 1) {
  Bytes b;
  const auto block = static_cast<std::uint16_t>(channels * bits / 8);
  appendLE16(b, tag);
  appendLE16(b, channels);
  appendLE32(b, rate);
  appendLE32(b, rate * block);
  appendLE16(b, block);
  appendLE16(b, bits);
  b.resize(bytes, 0);
  return b;
}

inline void appendText(Bytes& out, const std::string& text) {
  for (char c : text) out.push_back(static_cast<std::uint8_t>(c));
}

inline Bytes riffFile(const std::vector<RawChunk>& chunks, const std::string& form = "WAVE") {
  Bytes out;
  appendText(out, "RIFF");
  appendLE32(out, 0);
  appendText(out, form);
  for (const RawChunk& c : chunks) {
    appendText(out, c.id);
    appendLE32(out, c.claimedSize == 0xFFFFFFFFu ? static_cast<std::uint32_t>(c.body.size()) : c.claimedSize);
    out.insert(out.end(), c.body.begin(), c.body.end());
    if (c.pad && c.body.size() % 2 == 1) out.push_back(0);
  }
  writeLE32(out.data() + 4, static_cast<std::uint32_t>(out.size() - 8));
  return out;
}

// A distinct ramp of sound bytes, so that a test can tell where a copy came from.
inline Bytes rampBytes(std::size_t count, std::uint8_t seed = 1) {
  Bytes b(count);
  for (std::size_t i = 0; i < count; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
  return b;
}

inline Bytes simpleWave(const Bytes& sound, std::uint16_t channels = 2, std::uint32_t rate = 22050,
                        std::uint16_t bits = 16) {
  return riffFile({{"fmt ", formatBody(channels, rate, bits)}, {"data", sound}});
}

}  // namespace skyloom::testing
