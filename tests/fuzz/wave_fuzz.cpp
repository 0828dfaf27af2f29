// libFuzzer target for the engine sounds' WAV reader: whatever the bytes, parseWave answers an
// error or a sample whose sound lies inside the bytes, in whole frames of a format the output
// can play.
//
// With -seed DIR (instead of libFuzzer's arguments) it writes small WAV files to start from: a
// mono and a stereo one, one with a junk chunk of odd size before "fmt ", and one with a 14-byte
// "fmt ".
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effects/wave_file.h"

using namespace skyloom;

namespace {

void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putTag(std::vector<std::uint8_t>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

std::vector<std::uint8_t> wave(std::uint16_t channels, std::uint32_t fmtBytes, std::uint32_t junkBytes) {
  std::vector<std::uint8_t> b;
  putTag(b, "RIFF");
  put32(b, 0);
  putTag(b, "WAVE");
  if (junkBytes != 0) {
    putTag(b, "LIST");
    put32(b, junkBytes);
    b.insert(b.end(), junkBytes + (junkBytes & 1), 0x20);
  }
  putTag(b, "fmt ");
  put32(b, fmtBytes);
  put16(b, 1);
  put16(b, channels);
  put32(b, 22050);
  put32(b, 22050u * 2 * channels);
  put16(b, static_cast<std::uint16_t>(2 * channels));
  if (fmtBytes >= 16) put16(b, 16);
  putTag(b, "data");
  put32(b, 64u * channels);
  for (std::uint32_t i = 0; i < 32u * channels; ++i) put16(b, static_cast<std::uint16_t>(i * 977));
  const auto riff = static_cast<std::uint32_t>(b.size() - 8);
  std::memcpy(b.data() + 4, &riff, 4);
  return b;
}

int writeSeeds(const char* dir) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } seeds[] = {{"mono.wav", wave(1, 16, 0)},
               {"stereo.wav", wave(2, 16, 0)},
               {"junk_first.wav", wave(1, 16, 7)},
               {"short_fmt.wav", wave(1, 14, 0)}};
  int failures = 0;
  for (const auto& seed : seeds) {
    const std::string path = std::string(dir) + "/" + seed.name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), f) != seed.bytes.size()) ++failures;
    if (f) std::fclose(f);
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (*argc == 3 && std::strcmp((*argv)[1], "-seed") == 0) std::exit(writeSeeds((*argv)[2]));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WaveSample sample;
  if (parseWave(ByteSpan(data, size), sample) != WaveError::None) return 0;
  const std::uint8_t* end = data + size;
  if (sample.data.data() < data || sample.data.data() + sample.data.size() > end) std::abort();
  if (sample.format.blockAlign == 0 || sample.data.size() % sample.format.blockAlign != 0) std::abort();
  if (sample.format.channels < 1 || sample.format.channels > 2) std::abort();
  return 0;
}
