// skydecode: decodes an MPEG audio file (Layer I, II or III) with the product's decoder into raw
// interleaved little-endian PCM, the way the player streams it: a leading ID3v2 tag is skipped and
// a frame that does not decode is dropped and the stream picked up again at the next frame.
//
//   skydecode IN OUT           16-bit samples
//   skydecode --float IN OUT   32-bit float samples, full scale 1.0 (for comparing decoders)

#include <bit>
#include <cstdio>
#include <cstring>
#include <vector>

#include "player/mpeg/mpeg_stream.h"

using namespace skyloom;

namespace {

static_assert(std::endian::native == std::endian::little, "the decoder's samples are written as they are");

const char* const kLayerNames[] = {"", "I", "II", "III"};
const char* const kModeNames[] = {"stereo", "joint stereo", "dual channel", "single channel"};

bool readWhole(const char* path, std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  bool ok = true;
  std::uint8_t chunk[1 << 16];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (n < sizeof chunk) {
      ok = !std::ferror(f);
      break;
    }
  }
  std::fclose(f);
  return ok;
}

int usage() {
  std::fputs("usage: skydecode [--float] IN OUT\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool asFloat = false;
  int arg = 1;
  if (arg < argc && !std::strcmp(argv[arg], "--float")) {
    asFloat = true;
    ++arg;
  }
  if (argc - arg != 2) return usage();
  const char* inPath = argv[arg];
  const char* outPath = argv[arg + 1];

  std::vector<std::uint8_t> file;
  if (!readWhole(inPath, file)) {
    std::fprintf(stderr, "skydecode: cannot read %s\n", inPath);
    return 1;
  }
  std::FILE* out = std::fopen(outPath, "wb");
  if (!out) {
    std::fprintf(stderr, "skydecode: cannot write %s\n", outPath);
    return 1;
  }
  player::StreamOptions options;
  options.convert = asFloat ? player::kConvertFloat : 0;
  bool writeFailed = false;
  const player::StreamSummary s = player::decodeStream(file, options, [&](std::span<const std::uint8_t> pcm) {
    writeFailed |= std::fwrite(pcm.data(), 1, pcm.size(), out) != pcm.size();
  });
  writeFailed |= std::fclose(out) != 0;
  if (!s.found) {
    std::remove(outPath);
    std::fprintf(stderr, "skydecode: no MPEG audio frames in %s\n", inPath);
    return 1;
  }
  if (writeFailed) {
    std::fprintf(stderr, "skydecode: cannot write %s\n", outPath);
    return 1;
  }

  const player::FrameHeader& h = s.first.header;
  std::printf("%s: MPEG %s Layer %s, %d Hz, %d channel%s (%s), ", inPath, player::mpegVersionName(h),
              kLayerNames[h.layer()], h.sampleRate(), h.channels(), h.channels() == 1 ? "" : "s",
              kModeNames[h.channelMode & 3]);
  if (h.bitRateIndex == 0)
    std::printf("free format at %d kbit/s", s.first.bitRate / 1000);
  else
    std::printf("first frame %d kbit/s", s.first.bitRate / 1000);
  if (s.tagBytes) std::printf(", after a %zu-byte ID3v2 tag", s.tagBytes);
  std::printf("\nframes decoded %ld, frames skipped %ld\n", s.framesDecoded, s.framesSkipped);
  std::printf("%s: %llu bytes of %s PCM, %d channel%s at %d Hz\n", outPath,
              static_cast<unsigned long long>(s.pcmBytes), asFloat ? "32-bit float" : "16-bit", s.output.channels,
              s.output.channels == 1 ? "" : "s", s.output.sampleRate);
  return 0;
}
