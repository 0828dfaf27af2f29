#include "world/tile_run_length.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace skyloom {
namespace {

constexpr std::size_t kMaxRepeat = 127;
constexpr std::size_t kMaxCopy = 128;  // count byte -128
// A repeat of two costs as much as copying the pair, so shorter repeats stay in a copy; a
// repeat of three is worth ending a copy for.
constexpr std::size_t kMinRepeat = 3;

std::size_t repeatLength(std::span<const std::uint8_t> in, std::size_t at) {
  std::size_t n = 1;
  while (at + n < in.size() && n < kMaxRepeat && in[at + n] == in[at]) ++n;
  return n;
}

void emitCopy(std::span<const std::uint8_t> in, std::size_t from, std::size_t to, std::vector<std::uint8_t>& out) {
  while (from < to) {
    const std::size_t n = std::min(kMaxCopy, to - from);
    out.push_back(static_cast<std::uint8_t>(-static_cast<int>(n)));
    out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(from),
               in.begin() + static_cast<std::ptrdiff_t>(from + n));
    from += n;
  }
}

}  // namespace

void encodeRuns(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out) {
  std::size_t copyStart = 0;
  std::size_t at = 0;
  while (at < in.size()) {
    const std::size_t n = repeatLength(in, at);
    if (n >= kMinRepeat) {
      emitCopy(in, copyStart, at, out);
      out.push_back(static_cast<std::uint8_t>(n));
      out.push_back(in[at]);
      at += n;
      copyStart = at;
    } else {
      at += n;
    }
  }
  emitCopy(in, copyStart, in.size(), out);
}

bool decodeRuns(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  std::size_t produced = 0;
  std::size_t at = 0;
  while (produced < out.size()) {
    if (at >= in.size()) return false;
    const int n = static_cast<std::int8_t>(in[at++]);
    if (n > 0) {
      if (at >= in.size()) return false;
      const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(n), out.size() - produced);
      std::memset(out.data() + produced, in[at++], len);
      produced += len;
    } else if (n < 0) {
      // A copy that overfills the tile only needs the bytes that still fit.
      const std::size_t len = std::min(static_cast<std::size_t>(-n), out.size() - produced);
      if (len > in.size() - at) return false;
      std::memcpy(out.data() + produced, in.data() + at, len);
      at += len;
      produced += len;
    }
  }
  return true;
}

void packTile(std::span<const std::uint16_t, kTileSampleCount> samples, std::vector<std::uint8_t>& out) {
  std::array<std::uint8_t, kTilePlainBytes> planes;
  for (std::size_t i = 0; i < kTileSampleCount; ++i) {
    planes[i] = static_cast<std::uint8_t>(samples[i]);
    planes[kTileSampleCount + i] = static_cast<std::uint8_t>(samples[i] >> 8);
  }
  out.clear();
  encodeRuns(planes, out);
}

bool unpackTile(std::span<const std::uint8_t> packed, std::span<std::uint16_t, kTileSampleCount> samples) {
  std::array<std::uint8_t, kTilePlainBytes> planes;
  if (!decodeRuns(packed, planes)) return false;
  for (std::size_t i = 0; i < kTileSampleCount; ++i) {
    samples[i] = static_cast<std::uint16_t>(planes[i] | planes[kTileSampleCount + i] << 8);
  }
  return true;
}

}  // namespace skyloom
