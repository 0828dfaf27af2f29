#pragma once
// The decoder tests' material: test signals, the streams lame, twolame and our Layer I writer make
// of them (at test time, in a scratch folder of this process), a frame walker that does not use
// the decoder's own header code, and libmpg123 as the reference decoder.

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "layer1_writer.h"

namespace skyloom::testing {

enum class Signal {
  Sweep,       // log sweep 20 Hz to Nyquist at -20 dBFS; the right channel lags and is quieter
  Speech,      // band-limited noise under a syllable-rate envelope, different in each channel
  Transients,  // clicks and sharp attacks over a quiet tone: the encoder must switch to short blocks
  Tone1k,      // 1 kHz at -6 dBFS in every channel
  Mix,         // sweep + speech + transients
};

std::vector<std::int16_t> makeSignal(Signal signal, int rate, int channels, double seconds);

struct StreamRecipe {
  std::string name;
  int layer = 3;
  int rate = 44100;
  int channels = 2;
  Signal signal = Signal::Sweep;
  double seconds = 2.0;
  std::string encoderArgs;      // lame (Layer III) or twolame (Layer II) options
  bool intensity = false;       // set the intensity-stereo bit in every joint-stereo header
  Layer1Options layer1;         // Layer I: our writer's options
};

// Test names and failures name the stream.
inline void PrintTo(const StreamRecipe& recipe, std::ostream* os) { *os << recipe.name; }

// Every stream the accuracy test compares, one per line of its table.
const std::vector<StreamRecipe>& streamCatalog();
const StreamRecipe& catalogStream(const std::string& name);

// The file of `recipe`, encoded on first use. Empty when the encoder failed (the reason is on stderr).
std::string streamFile(const StreamRecipe& recipe);
std::vector<std::uint8_t> readBytes(const std::string& path);
std::string scratchPath(const std::string& name);

// Frames found by walking the headers with tables of our own (no resync: stops at the first
// position that holds no header). Free-format frames are measured to the next like header.
struct RawFrame {
  std::size_t offset = 0;
  std::size_t size = 0;
};
std::vector<RawFrame> walkFrames(const std::vector<std::uint8_t>& bytes);

// Layer III granules (per channel) with block type 2, from the side information.
int shortBlockGranules(const std::vector<std::uint8_t>& bytes);

// libmpg123's decoding of `path` with every frame decoded as audio (the Info frame too, no gapless
// trimming): interleaved samples, 32-bit float or 16-bit, in `pcm`.
struct OracleOutput {
  bool ok = false;
  long rate = 0;
  int channels = 0;
  std::vector<std::uint8_t> pcm;
};
OracleOutput mpg123Decode(const std::string& path, bool asFloat, const char* decoderName = nullptr);

}  // namespace skyloom::testing
