// Feeds arbitrary bytes to the MPEG audio frame search and decoder the way the player streams a
// file: find a frame, initialise, decode frame by frame and resynchronise after a frame that does
// not decode; and reads a Xing header from the first frame, as the player does. The first byte
// sets the decoder up (bits 0-1 the rate reduction, 2-3 the channel choice, 4 8-bit, 5 float, 6
// the equalizer, 7 an output buffer too small for some streams); the rest is the file. A decoded
// frame must fill exactly one frame of output inside the buffer, and a refused one must use and
// write nothing.
//
// With -seed DIR (instead of libFuzzer's arguments) it writes small Layer I streams (which no
// packaged encoder makes), prefixed with a set-up byte, into DIR; scripts/fuzz adds lame's and
// twolame's.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "layer1_writer.h"
#include "player/mpeg/subband_levels.h"
#include "player/decoder_unit.h"
#include "player/mpeg/mpeg_stream.h"

using namespace skyloom;

namespace {

void writeSeed(const std::string& dir, const char* name, std::uint8_t setup, const std::vector<std::uint8_t>& body) {
  const std::string path = dir + "/" + name;
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputc(setup, f);
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
  }
}

int writeSeeds(const std::string& dir) {
  testing::Layer1Options o;
  o.frames = 4;
  writeSeed(dir, "layer1_stereo", 0, testing::writeLayer1(o).bytes);
  o.channelMode = 1, o.bound = 8, o.crc = true, o.bitRate = 192000, o.sampleRate = 32000;
  writeSeed(dir, "layer1_joint_crc", 0x24, testing::writeLayer1(o).bytes);
  o.channelMode = 3, o.randomContent = true, o.freeFormat = true, o.bitRate = 100000, o.sampleRate = 48000;
  writeSeed(dir, "layer1_mono_free", 0x51, testing::writeLayer1(o).bytes);
  return 0;
}

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  if (*argc == 3 && std::strcmp((*argv)[1], "-seed") == 0) std::exit(writeSeeds((*argv)[2]));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t setup = data[0];
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  const int reduction = (setup & 3) % 3;
  const int convert = ((setup >> 2) & player::kConvertChannelMask) | (setup & 0x10 ? player::kConvert8Bit : 0) |
                      (setup & 0x20 ? player::kConvertFloat : 0);
  std::vector<std::uint8_t> out(setup & 0x80 ? 2000 : player::kMaxFrameOutputBytes);

  player::FrameDecoder decoder;
  // The spectrum display's ring, written as the music engine has the decoder write it.
  decoder.setLevelSink(&player::subbandLevels());
  if (setup & 0x40) {
    float gains[player::kEqualizerBands];
    for (int i = 0; i < player::kEqualizerBands; ++i) gains[i] = static_cast<float>(i % 4) * 0.5f;
    decoder.setEqualizerGains(gains);
    decoder.setEqualizerEnabled(true);
  }
  player::FoundFrame frame;
  const player::FrameHeader* stream = nullptr;
  player::FrameHeader first;
  std::size_t from = player::id3v2TagBytes(file);
  long decoded = 0;
  for (;;) {
    // Find a frame the decoder accepts (of the first stream, once there is one).
    bool started = false;
    while (!started && player::findFrame(file, from, stream, frame)) {
      started = decoder.init(frame.header, frame.frameBytes, reduction, 0, convert, 1000 + (setup * 97) % 23000);
      from = frame.offset + 1;
    }
    if (!started) break;
    if (!stream) {
      first = frame.header, stream = &first;
      // The player looks for a Xing header in the first frame of a stream.
      if (const auto xing = findXingHeader(file.subspan(frame.offset), first)) {
        volatile std::int64_t at = seekTablePosition(*xing, xing->frames % 101, static_cast<std::int64_t>(file.size()));
        (void)at;
      }
    }
    const player::DecoderOutput info = decoder.info();
    const int frameOutput = info.samplesPerFrame * info.bitsPerSample / 8;
    check(frameOutput > 0 && static_cast<std::size_t>(frameOutput) <= player::kMaxFrameOutputBytes);

    std::size_t pos = frame.offset;
    for (;;) {
      const std::span<const std::uint8_t> in = file.subspan(pos);
      const player::DecodeResult r = decoder.decode(in, out);
      check(r.usedBytes >= 0 && static_cast<std::size_t>(r.usedBytes) <= in.size());
      if (r.usedBytes == 0) {
        check(r.outputBytes == 0);
        break;
      }
      check(r.outputBytes == frameOutput);
      // Touch the last byte written so the sanitizer checks the whole range was ours to write.
      volatile std::uint8_t last = out[static_cast<std::size_t>(r.outputBytes) - 1];
      (void)last;
      pos += static_cast<std::size_t>(r.usedBytes);
      if (++decoded % 16 == 0) decoder.setEqualizerEnabled((decoded / 16) % 2 == 0 && (setup & 0x40));
    }
    from = pos + 1;
  }
  const auto levels = player::subbandLevels().entry(setup % 4);
  volatile float level = levels[0];
  (void)level;
  return 0;
}
