#include "sounds_wav.h"

#include <cstdio>
#include <cstring>

#include "core/bytes.h"
#include "core/file.h"

namespace skyloom::assetgen {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kChannels = 1;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint16_t kBlockAlign = kChannels * kBitsPerSample / 8;

void put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

std::vector<std::uint8_t> encodeWav(const std::vector<std::int16_t>& samples, int rate) {
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBlockAlign);
  std::vector<std::uint8_t> out(kWavHeaderSize + dataBytes);
  std::uint8_t* p = out.data();
  std::memcpy(p, "RIFF", 4);
  writeLE32(p + 4, static_cast<std::uint32_t>(out.size() - 8));
  std::memcpy(p + 8, "WAVE", 4);
  std::memcpy(p + 12, "fmt ", 4);
  writeLE32(p + 16, 16);
  put16(p + 20, kFormatPcm);
  put16(p + 22, kChannels);
  writeLE32(p + 24, static_cast<std::uint32_t>(rate));
  writeLE32(p + 28, static_cast<std::uint32_t>(rate) * kBlockAlign);
  put16(p + 32, kBlockAlign);
  put16(p + 34, kBitsPerSample);
  std::memcpy(p + 36, "data", 4);
  writeLE32(p + 40, dataBytes);
  for (std::size_t i = 0; i < samples.size(); ++i)
    put16(p + kWavHeaderSize + 2 * i, static_cast<std::uint16_t>(samples[i]));
  return out;
}

bool writeWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, int rate) {
  const auto bytes = encodeWav(samples, rate);
  if (writeFileReplacing(path.string(), bytes.data(), bytes.size())) return true;
  std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
  return false;
}

}  // namespace skyloom::assetgen
