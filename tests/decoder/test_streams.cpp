#include "test_streams.h"

#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <numbers>
#include <random>
#include <stdexcept>

namespace skyloom::testing {
namespace {

namespace fs = std::filesystem;
constexpr double kPi = std::numbers::pi;

// One scratch folder per process (ctest runs each test in a process of its own), removed at exit.
struct Scratch {
  fs::path dir = fs::temp_directory_path() / ("skyloom_decoder_" + std::to_string(getpid()));
  Scratch() { fs::create_directories(dir); }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};
Scratch& scratch() {
  static Scratch s;
  return s;
}

void writeWav(const std::string& path, const std::vector<std::int16_t>& samples, int rate, int channels) {
  std::ofstream f(path, std::ios::binary);
  auto le = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.put(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  f.write("RIFF", 4);
  le(36 + dataBytes, 4);
  f.write("WAVEfmt ", 8);
  le(16, 4);
  le(1, 2);
  le(static_cast<std::uint32_t>(channels), 2);
  le(static_cast<std::uint32_t>(rate), 4);
  le(static_cast<std::uint32_t>(rate * channels * 2), 4);
  le(static_cast<std::uint32_t>(channels * 2), 2);
  le(16, 2);
  f.write("data", 4);
  le(dataBytes, 4);
  for (std::int16_t s : samples) le(static_cast<std::uint16_t>(s), 2);
}

std::string rateInKhz(int rate) {
  char text[16];
  std::snprintf(text, sizeof text, "%g", rate / 1000.0);
  return text;
}

// Header fields the walker needs; `size` 0 for free format.
struct Walked {
  int layer = 0, lsf = 0, mpeg25 = 0, crc = 0, channels = 0, size = 0;
};

bool walkHeader(const std::uint8_t* b, Walked& w) {
  if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
  const int version = (b[1] >> 3) & 3, layerBits = (b[1] >> 1) & 3, rateIndex = b[2] >> 4, srIndex = (b[2] >> 2) & 3;
  if (version == 1 || layerBits == 0 || rateIndex == 15 || srIndex == 3) return false;
  static const int kRates[2][3][15] = {
      {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
       {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
       {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
      {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
  w.layer = 4 - layerBits;
  w.lsf = version != 3;
  w.mpeg25 = version == 0;
  w.crc = !(b[1] & 1);
  w.channels = (b[3] >> 6) == 3 ? 1 : 2;
  const int sampleRate = (srIndex == 0 ? 44100 : srIndex == 1 ? 48000 : 32000) >> (w.lsf + w.mpeg25);
  const int pad = (b[2] >> 1) & 1;
  const long bitRate = 1000L * kRates[w.lsf][w.layer - 1][rateIndex];
  if (w.layer == 1)
    w.size = static_cast<int>((12 * bitRate / sampleRate + pad) * 4);
  else
    w.size = static_cast<int>(((w.layer == 3 && w.lsf ? 72 : 144) * bitRate) / sampleRate + pad);
  if (!bitRate) w.size = 0;
  return true;
}

class Bits {
 public:
  Bits(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
  unsigned get(int bits) {
    unsigned v = 0;
    for (int i = 0; i < bits; ++i, ++pos_)
      v = (v << 1) | (pos_ / 8 < n_ ? (p_[pos_ / 8] >> (7 - pos_ % 8)) & 1 : 0);
    return v;
  }

 private:
  const std::uint8_t* p_;
  std::size_t n_, pos_ = 0;
};

}  // namespace

std::vector<std::int16_t> makeSignal(Signal signal, int rate, int channels, double seconds) {
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<std::int16_t> out(frames * static_cast<std::size_t>(channels));
  for (int ch = 0; ch < channels; ++ch) {
    std::mt19937 random(static_cast<unsigned>(1234 + ch));
    std::normal_distribution<double> noise(0.0, 1.0);
    double hp = 0, hpIn = 0, lp1 = 0, lp2 = 0;
    const double lowCut = std::exp(-2 * kPi * 300.0 / rate);
    const double highCut = std::exp(-2 * kPi * std::min(3400.0, 0.45 * rate) / rate);
    const double f0 = 20.0, f1 = rate / 2.0, lnRatio = std::log(f1 / f0);
    double burst = 0;
    for (std::size_t i = 0; i < frames; ++i) {
      const double t = static_cast<double>(i) / rate;
      double v = 0;
      if (signal == Signal::Sweep || signal == Signal::Mix) {
        const double tl = std::max(0.0, t - (ch ? 17.0 / rate : 0.0));
        v += (ch ? 0.07 : 0.1) * std::sin(2 * kPi * f0 * seconds / lnRatio * (std::exp(tl / seconds * lnRatio) - 1));
      }
      if (signal == Signal::Speech || signal == Signal::Mix) {
        const double x = noise(random);
        hp = lowCut * (hp + x - hpIn);
        hpIn = x;
        lp1 = highCut * lp1 + (1 - highCut) * hp;
        lp2 = highCut * lp2 + (1 - highCut) * lp1;
        const double syllable = std::max(0.0, std::sin(2 * kPi * (4.3 + ch * 0.4) * t + 0.8 * std::sin(2 * kPi * 0.7 * t)));
        const double phrase = std::fmod(t, 1.5) < 1.2 ? 1.0 : 0.05;
        v += 0.6 * lp2 * syllable * syllable * phrase;
      }
      if (signal == Signal::Transients || signal == Signal::Mix) {
        v += 0.02 * std::sin(2 * kPi * 440 * t);
        const auto period = static_cast<std::size_t>(0.2 * rate);
        const std::size_t phase = (i + (ch ? static_cast<std::size_t>(0.005 * rate) : 0)) % period;
        const bool click = (i / period) % 2 == 0;
        if (phase == 0) burst = 0.7;
        if (click && phase < 2) v += phase == 0 ? 0.8 : -0.8;
        if (!click) v += burst * noise(random) * 0.5;
        burst *= std::exp(-1.0 / (0.03 * rate));
      }
      if (signal == Signal::Tone1k) v = 0.5 * std::sin(2 * kPi * 1000 * t);
      out[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(ch)] =
          static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 32767.0 / 32768.0) * 32768.0));
    }
  }
  return out;
}

const std::vector<StreamRecipe>& streamCatalog() {
  static const std::vector<StreamRecipe> catalog = [] {
    std::vector<StreamRecipe> c;
    auto l3 = [&](const char* name, int rate, int ch, Signal s, double sec, const char* args, bool is = false) {
      c.push_back({name, 3, rate, ch, s, sec, args, is, {}});
    };
    auto l2 = [&](const char* name, int rate, int ch, Signal s, double sec, const char* args) {
      c.push_back({name, 2, rate, ch, s, sec, args, false, {}});
    };
    auto l1 = [&](const char* name, Layer1Options o) {
      c.push_back({name, 1, o.sampleRate, o.channelMode == 3 ? 1 : 2, Signal::Sweep, 0, "", false, o});
    };
    l3("L3_M1_44k_joint_cbr_sweep", 44100, 2, Signal::Sweep, 3, "-b 128 -m j");
    l3("L3_M1_48k_stereo_speech", 48000, 2, Signal::Speech, 2, "-b 160 -m s");
    l3("L3_M1_32k_mono_sweep", 32000, 1, Signal::Sweep, 3, "-b 64 -m m");
    l3("L3_M1_44k_joint_vbr_mix", 44100, 2, Signal::Mix, 3, "-V 2 -m j");
    l3("L3_M1_44k_ms_transients", 44100, 2, Signal::Transients, 2, "-b 192 -m f");
    l3("L3_M1_48k_crc_speech", 48000, 2, Signal::Speech, 2, "-b 128 -m j -p");
    l3("L3_M1_44k_free_format_mix", 44100, 2, Signal::Mix, 2, "--freeformat -b 200 -m j");
    // Low-passed below the last short-block band (15.5 kHz): libmpg123 applies intensity there
    // even where the right channel has values, which no other band does.
    l3("L3_M1_44k_intensity_mix", 44100, 2, Signal::Mix, 2, "-b 128 -m j --lowpass 13", true);
    l3("L3_M2_22k_joint_sweep", 22050, 2, Signal::Sweep, 3, "-b 64 -m j");
    l3("L3_M2_24k_mono_speech", 24000, 1, Signal::Speech, 2, "-b 32 -m m");
    l3("L3_M2_16k_stereo_transients", 16000, 2, Signal::Transients, 2, "-b 48 -m s");
    l3("L3_M2_22k_joint_vbr_mix", 22050, 2, Signal::Mix, 3, "-V 4 -m j");
    l3("L3_M25_8k_mono_sweep", 8000, 1, Signal::Sweep, 3, "-b 16 -m m");
    l3("L3_M25_11k_joint_speech", 11025, 2, Signal::Speech, 2, "-b 32 -m j");
    l3("L3_M25_12k_stereo_transients", 12000, 2, Signal::Transients, 2, "-b 48 -m s -p");
    l2("L2_M1_44k_stereo_sweep", 44100, 2, Signal::Sweep, 3, "-b 192 -m s");
    l2("L2_M1_48k_mono_speech", 48000, 1, Signal::Speech, 2, "-b 96 -m m");
    l2("L2_M1_32k_joint_transients", 32000, 2, Signal::Transients, 2, "-b 128 -m j");
    l2("L2_M1_44k_dual_crc_mix", 44100, 2, Signal::Mix, 2, "-b 256 -m d -p");
    l2("L2_M2_16k_stereo_speech", 16000, 2, Signal::Speech, 2, "-b 64 -m s");
    l2("L2_M2_22k_joint_sweep", 22050, 2, Signal::Sweep, 3, "-b 96 -m j");
    l2("L2_M2_24k_mono_transients", 24000, 1, Signal::Transients, 2, "-b 48 -m m");
    Layer1Options o;
    o.frames = 230;
    l1("L1_44k_stereo_sines", o);
    o.sampleRate = 48000, o.bitRate = 192000, o.channelMode = 3, o.randomContent = true;
    l1("L1_48k_mono_random", o);
    o.sampleRate = 32000, o.bitRate = 256000, o.channelMode = 1, o.bound = 8, o.crc = true, o.randomContent = false;
    l1("L1_32k_joint_bound8_crc_sines", o);
    o.sampleRate = 44100, o.bitRate = 448000, o.channelMode = 0, o.randomContent = true, o.seed = 7;
    l1("L1_44k_stereo_crc_random", o);
    o.sampleRate = 48000, o.bitRate = 200000, o.freeFormat = true, o.crc = false, o.randomContent = false;
    l1("L1_48k_stereo_free_format_sines", o);
    return c;
  }();
  return catalog;
}

const StreamRecipe& catalogStream(const std::string& name) {
  for (const StreamRecipe& s : streamCatalog())
    if (s.name == name) return s;
  throw std::invalid_argument("no test stream " + name);
}

std::string scratchPath(const std::string& name) { return (scratch().dir / name).string(); }

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string streamFile(const StreamRecipe& recipe) {
  static std::map<std::string, std::string> made;
  if (auto it = made.find(recipe.name); it != made.end()) return it->second;
  const std::string out = scratchPath(recipe.name + (recipe.layer == 3 ? ".mp3" : recipe.layer == 2 ? ".mp2" : ".mp1"));
  if (recipe.layer == 1) {
    const Layer1Stream s = writeLayer1(recipe.layer1);
    std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(s.bytes.data()),
                                                static_cast<std::streamsize>(s.bytes.size()));
  } else {
    const std::string wav = scratchPath(recipe.name + ".wav");
    writeWav(wav, makeSignal(recipe.signal, recipe.rate, recipe.channels, recipe.seconds), recipe.rate, recipe.channels);
    const std::string cmd = recipe.layer == 3
        ? "lame --quiet --resample " + rateInKhz(recipe.rate) + " " + recipe.encoderArgs + " " + wav + " " + out
        : "twolame --quiet " + recipe.encoderArgs + " " + wav + " " + out;
    if (std::system((cmd + " >/dev/null 2>&1").c_str()) != 0) {
      std::fprintf(stderr, "test stream %s: `%s` failed\n", recipe.name.c_str(), cmd.c_str());
      return {};
    }
    if (recipe.intensity) {
      // lame writes no intensity stereo; the intensity bit (the low bit of mode_extension) makes a
      // decoder read the right channel's zero part as intensity positions. Both decoders must
      // agree on what that means. The stream has no CRC, which covers these header bits.
      std::vector<std::uint8_t> bytes = readBytes(out);
      for (const RawFrame& f : walkFrames(bytes))
        if ((bytes[f.offset + 3] >> 6) == 1) bytes[f.offset + 3] |= 0x10;
      std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<std::streamsize>(bytes.size()));
    }
  }
  made[recipe.name] = out;
  return out;
}

std::vector<RawFrame> walkFrames(const std::vector<std::uint8_t>& bytes) {
  std::vector<RawFrame> frames;
  std::size_t pos = 0;
  if (bytes.size() >= 10 && bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3')
    pos = 10 + ((bytes[6] & 0x7Fu) << 21 | (bytes[7] & 0x7Fu) << 14 | (bytes[8] & 0x7Fu) << 7 | (bytes[9] & 0x7Fu));
  Walked w;
  while (pos + 4 <= bytes.size() && walkHeader(&bytes[pos], w)) {
    std::size_t size = static_cast<std::size_t>(w.size);
    if (!size) {  // free format: up to the next header of the same stream
      size = bytes.size() - pos;
      for (std::size_t p = pos + 4; p + 4 <= bytes.size(); ++p)
        if (bytes[p] == 0xFF && bytes[p + 1] == bytes[pos + 1] && (bytes[p + 2] & 0xFC) == (bytes[pos + 2] & 0xFC)) {
          size = p - pos;
          break;
        }
    }
    if (pos + size > bytes.size()) break;
    frames.push_back({pos, size});
    pos += size;
  }
  return frames;
}

int shortBlockGranules(const std::vector<std::uint8_t>& bytes) {
  int count = 0;
  for (const RawFrame& f : walkFrames(bytes)) {
    Walked w;
    walkHeader(&bytes[f.offset], w);
    if (w.layer != 3) continue;
    const std::size_t sideStart = f.offset + 4 + (w.crc ? 2 : 0);
    Bits b(&bytes[sideStart], f.size - (sideStart - f.offset));
    b.get(w.lsf ? 8 : 9);
    b.get(w.lsf ? w.channels : (w.channels == 1 ? 5 : 3));
    if (!w.lsf) b.get(4 * w.channels);
    for (int gr = 0; gr < (w.lsf ? 1 : 2); ++gr)
      for (int ch = 0; ch < w.channels; ++ch) {
        b.get(12 + 9 + 8 + (w.lsf ? 9 : 4));
        if (b.get(1)) {
          count += b.get(2) == 2;
          b.get(1 + 10 + 9);
        } else {
          b.get(15 + 4 + 3);
        }
        b.get(w.lsf ? 2 : 3);
      }
  }
  return count;
}

OracleOutput mpg123Decode(const std::string& path, bool asFloat, const char* decoderName) {
  OracleOutput result;
  static const bool initialised = mpg123_init() == MPG123_OK;
  if (!initialised) return result;
  int err = 0;
  mpg123_handle* mh = mpg123_new(decoderName, &err);
  if (!mh) return result;
  mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME | MPG123_QUIET | (asFloat ? MPG123_FORCE_FLOAT : 0), 0);
  mpg123_format_none(mh);
  const long* rates = nullptr;
  std::size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (std::size_t i = 0; i < rateCount; ++i)
    mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, asFloat ? MPG123_ENC_FLOAT_32 : MPG123_ENC_SIGNED_16);
  if (mpg123_open(mh, path.c_str()) == MPG123_OK) {
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
      std::size_t done = 0;
      const int r = mpg123_read(mh, buffer.data(), buffer.size(), &done);
      result.pcm.insert(result.pcm.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
      if (r == MPG123_NEW_FORMAT) {
        int encoding = 0;
        mpg123_getformat(mh, &result.rate, &result.channels, &encoding);
      } else if (r == MPG123_DONE) {
        result.ok = true;
        break;
      } else if (r != MPG123_OK) {
        break;
      }
    }
    mpg123_close(mh);
  }
  mpg123_delete(mh);
  return result;
}

}  // namespace skyloom::testing
