#pragma once
// RIFF/WAVE files of mono 16-bit PCM, the form the sound effects load into their buffers.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace skyloom::assetgen {

constexpr std::size_t kWavHeaderSize = 44;

// The complete file: "RIFF" header, a 16-byte "fmt " chunk, then "data".
std::vector<std::uint8_t> encodeWav(const std::vector<std::int16_t>& samples, int rate);
bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, int rate);

}  // namespace skyloom::assetgen
