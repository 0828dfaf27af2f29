#pragma once
// The run-length code of packed cache tiles. A tile's 16641 samples are split into two planes,
// first every low byte and then every high byte (row-major), and the 33282 bytes coded as one
// stream of signed count bytes: n > 0 repeats the next byte n times, n < 0 copies the next -n
// bytes, n = 0 is skipped. Heights change slowly, so the high plane collapses into long runs
// and flat ground or sea into runs of both planes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "world/terrain_cache_format.h"

namespace skyloom {

// Codes the tile's samples; the result is at most 33282 × 129 / 128 + 1 bytes.
void packTile(std::span<const std::uint16_t, kTileSampleCount> samples, std::vector<std::uint8_t>& out);

// Decodes a packed tile into samples. Decoding stops once the tile is full (anything after that
// is ignored); false when the input ends first or a copy count runs past the input. The samples
// are unspecified after a failure.
bool unpackTile(std::span<const std::uint8_t> packed, std::span<std::uint16_t, kTileSampleCount> samples);

// The coder on plain byte streams, for the planes above and for tests of its edge cases.
void encodeRuns(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out);
// Fills out completely from in; false when in runs out first (a repeat without its byte, a copy
// short of the bytes still needed).
bool decodeRuns(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace skyloom
