// Decoding speed of our MPEG audio decoder against libmpg123 (its default, optimised decoder and
// its generic C decoder), all to 16-bit, on one long music-like Layer III file: 3.5 minutes of
// stereo 44.1 kHz at 192 kbit/s that lame makes on the first run and that is kept in the build
// folder. Prints one line per decoder and the speed ratios, ready to paste.
//
//   mpeg_bench [RUNS]   (default 5; the best run of each decoder counts)

#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "player/mpeg/mpeg_stream.h"

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 210;

// Chords of four notes with a few harmonics changing every two seconds, soft noise and a drum-like
// hit every half second.
void writeMusicWav(const std::string& path) {
  const auto frames = static_cast<std::size_t>(kSeconds * kRate);
  std::vector<std::int16_t> pcm(frames * 2);
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0, 1);
  const double roots[] = {110.0, 146.8, 130.8, 98.0, 164.8, 123.5};
  const double pi2 = 2 * std::numbers::pi;
  double phases[4][4] = {}, hit = 0, lowNoise = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double root = roots[static_cast<std::size_t>(t / 2) % 6];
    const double ratios[4] = {1.0, 1.26, 1.5, 2.0};
    double chord = 0;
    for (int n = 0; n < 4; ++n)
      for (int h = 0; h < 4; ++h) {
        phases[n][h] += pi2 * root * ratios[n] * (h + 1) / kRate;
        chord += std::sin(phases[n][h]) / ((h + 1) * (h + 1));
      }
    if (i % (kRate / 2) == 0) hit = 0.6;
    hit *= 0.9995;
    lowNoise = 0.9 * lowNoise + 0.1 * noise(random);
    const double drum = hit * (0.7 * std::sin(pi2 * 60 * t) + 0.3 * noise(random));
    const double left = 0.08 * chord + 0.05 * lowNoise + drum;
    const double right = 0.07 * chord - 0.05 * lowNoise + 0.9 * drum;
    pcm[2 * i] = static_cast<std::int16_t>(std::lround(std::clamp(left, -1.0, 0.999) * 32767));
    pcm[2 * i + 1] = static_cast<std::int16_t>(std::lround(std::clamp(right, -1.0, 0.999) * 32767));
  }
  std::ofstream f(path, std::ios::binary);
  auto le = [&](std::uint32_t v, int bytes) {
    for (int b = 0; b < bytes; ++b) f.put(static_cast<char>(v >> (8 * b)));
  };
  const auto dataBytes = static_cast<std::uint32_t>(pcm.size() * 2);
  f.write("RIFF", 4), le(36 + dataBytes, 4), f.write("WAVEfmt ", 8), le(16, 4), le(1, 2), le(2, 2);
  le(kRate, 4), le(kRate * 4, 4), le(4, 2), le(16, 2), f.write("data", 4), le(dataBytes, 4);
  f.write(reinterpret_cast<const char*>(pcm.data()), dataBytes);
}

std::vector<std::uint8_t> benchFile() {
  const std::string mp3 = SKYLOOM_BENCH_DIR "/mpeg_bench_192k.mp3";
  if (!std::filesystem::exists(mp3)) {
    const std::string wav = SKYLOOM_BENCH_DIR "/mpeg_bench_music.wav";
    std::fprintf(stderr, "mpeg_bench: encoding %.0f s of music-like sound with lame (once)\n", kSeconds);
    writeMusicWav(wav);
    const std::string cmd = "lame --quiet -b 192 --cbr " + wav + " " + mp3 + ".part && mv " + mp3 + ".part " + mp3;
    const int rc = std::system(cmd.c_str());
    std::filesystem::remove(wav);
    if (rc != 0) return {};
  }
  std::ifstream f(mp3, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct Timing {
  double best = 1e30;
  std::uint64_t bytes = 0;
};

template <typename F>
Timing timeRuns(int runs, F&& decode) {
  Timing t;
  for (int r = 0; r < runs; ++r) {
    const auto start = std::chrono::steady_clock::now();
    t.bytes = decode();
    t.best = std::min(t.best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return t;
}

volatile std::uint32_t outputSum;

std::uint64_t decodeOurs(const std::vector<std::uint8_t>& file) {
  std::uint32_t sum = 0;  // touch the output, as a player would
  const auto s = skyloom::player::decodeStream(file, {}, [&](std::span<const std::uint8_t> pcm) { sum += pcm[pcm.size() / 2]; });
  outputSum = sum;
  return s.pcmBytes;
}

// libmpg123 from memory (its feed interface), 16-bit out, every frame decoded.
std::uint64_t decodeMpg123(const std::vector<std::uint8_t>& file, const char* decoder) {
  int err = 0;
  mpg123_handle* mh = mpg123_new(decoder, &err);
  if (!mh) return 0;
  mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME | MPG123_QUIET, 0);
  mpg123_format_none(mh);
  mpg123_format(mh, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  std::uint64_t bytes = 0;
  if (mpg123_open_feed(mh) == MPG123_OK && mpg123_feed(mh, file.data(), file.size()) == MPG123_OK) {
    for (;;) {
      off_t num = 0;
      unsigned char* audio = nullptr;
      std::size_t size = 0;
      const int r = mpg123_decode_frame(mh, &num, &audio, &size);
      bytes += size;
      if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
    }
  }
  mpg123_delete(mh);
  return bytes;
}

bool hasDecoder(const char* name) {
  for (const char** d = mpg123_decoders(); d && *d; ++d)
    if (!std::strcmp(*d, name)) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::vector<std::uint8_t> file = benchFile();
  if (file.empty()) {
    std::fprintf(stderr, "mpeg_bench: no bench file (is lame installed?)\n");
    return 1;
  }
  mpg123_init();
  int err = 0;
  mpg123_handle* probe = mpg123_new(nullptr, &err);
  const std::string defaultName = probe ? mpg123_current_decoder(probe) : "?";
  mpg123_delete(probe);

  const Timing ours = timeRuns(runs, [&] { return decodeOurs(file); });
  const Timing fast = timeRuns(runs, [&] { return decodeMpg123(file, nullptr); });
  const bool generic = hasDecoder("generic");
  const Timing plain = generic ? timeRuns(runs, [&] { return decodeMpg123(file, "generic"); }) : Timing{};

  const double audio = static_cast<double>(ours.bytes) / (kRate * 4);
  std::printf("MPEG decode, %.0f s stereo 44.1 kHz 192 kbit/s (%.1f MB), 16-bit, best of %d runs\n", audio,
              static_cast<double>(file.size()) / 1e6, runs);
  auto line = [&](const char* name, const Timing& t) {
    std::printf("%-28s %8.1f ms  %6.0fx real time  %llu bytes\n", name, t.best * 1e3, audio / t.best,
                static_cast<unsigned long long>(t.bytes));
  };
  line("ours", ours);
  line(("mpg123 default (" + defaultName + ")").c_str(), fast);
  if (generic) line("mpg123 generic", plain);
  std::printf("speed ours/mpg123-default   %.2f  (goal >= 0.6)\n", fast.best / ours.best);
  if (generic) std::printf("speed ours/mpg123-generic   %.2f  (goal >= 1.0)\n", plain.best / ours.best);
  return 0;
}
