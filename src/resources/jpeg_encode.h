#pragma once
// JPEG encoding of R, G, B or grey pixels into memory, for the content generator and for tests
// that need real JPEG files without keeping binary files around.

#include <cstdint>
#include <vector>

namespace skyloom {

// pixels: width × height × components bytes, rows top to bottom; components 3 (R, G, B) or 1
// (grey). quality 1-100. False (out empty) when the arguments are unusable or encoding failed.
bool encodeJpeg(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, int components,
                int quality, std::vector<std::uint8_t>& out);

}  // namespace skyloom
