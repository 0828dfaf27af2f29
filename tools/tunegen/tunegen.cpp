// tunegen OUT.wav SECONDS [VARIANT]: writes a calm tune of SECONDS (1 to 3600) as 44.1 kHz 16-bit
// stereo WAV, for the demonstration's playlist (lame makes MP3 files of it). VARIANT (0 to 7)
// picks the key and the tempo, so a playlist's tracks differ. A soft pad holds the chords of a
// four-bar progression, a plucked arpeggio runs over it, a bass marks the bars and a shaker the
// half beats; the pad never stops, so the tune has no silent stretch of its own.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

double noteHz(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

void put16(std::FILE* f, int v) { std::fputc(v & 0xFF, f), std::fputc((v >> 8) & 0xFF, f); }
void put32(std::FILE* f, std::uint32_t v) {
  put16(f, static_cast<int>(v & 0xFFFF)), put16(f, static_cast<int>(v >> 16));
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 0;
  const int variant = argc > 3 ? std::atoi(argv[3]) & 7 : 0;
  if (argc < 3 || seconds < 1 || seconds > 3600) {
    std::fputs("usage: tunegen OUT.wav SECONDS [VARIANT]\n", stderr);
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "tunegen: cannot write %s\n", argv[1]);
    return 1;
  }
  const std::uint32_t frames = static_cast<std::uint32_t>(seconds) * kRate;
  std::fwrite("RIFF", 1, 4, out), put32(out, 36 + frames * 4), std::fwrite("WAVEfmt ", 1, 8, out);
  put32(out, 16), put16(out, 1), put16(out, 2), put32(out, kRate), put32(out, kRate * 4), put16(out, 4), put16(out, 16);
  std::fwrite("data", 1, 4, out), put32(out, frames * 4);

  // I, vi, IV, V of the variant's key, as semitones from its root; a bar of four beats each.
  static const int kChords[4][3] = {{0, 4, 7}, {-3, 0, 4}, {-7, -3, 0}, {-5, -1, 2}};
  const int root = -9 + (variant * 5) % 12 - 12;  // around C4, walking by fourths
  const double beat = 60.0 / (84 + 6 * variant);
  const double bar = 4 * beat;
  std::uint32_t noise = 1u + static_cast<std::uint32_t>(variant);
  double lastWhite = 0;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const int barIndex = static_cast<int>(t / bar);
    const int* chord = kChords[barIndex % 4];
    const double inBar = t - barIndex * bar;
    // The pad: the chord in two slightly detuned voices, swelling in at each bar.
    double pad = 0;
    const double swell = std::min(1.0, inBar / (0.6 * beat)) * (0.8 + 0.2 * std::cos(2 * kPi * t / bar));
    for (int n = 0; n < 3; ++n) {
      const double hz = noteHz(root + chord[n]);
      pad += std::sin(2 * kPi * hz * t) + 0.6 * std::sin(2 * kPi * hz * 1.003 * t + n);
    }
    pad *= 0.045 * swell;
    // The arpeggio: the chord's notes an octave up, one per half beat, plucked and decaying.
    const int step = static_cast<int>(t / (beat / 2));
    const double sinceStep = t - step * (beat / 2);
    const int pattern[4] = {0, 1, 2, 1};
    const double pluckHz = noteHz(root + 12 + chord[pattern[step % 4]] + (step % 8 == 7 ? 12 : 0));
    const double pluck =
        std::exp(-sinceStep * 6.0) * (std::sin(2 * kPi * pluckHz * t) + 0.3 * std::sin(4 * kPi * pluckHz * t)) * 0.16;
    // The bass on each bar's first and third beats.
    const double sinceBass = std::fmod(inBar, 2 * beat);
    const double bass = std::exp(-sinceBass * 2.5) * std::sin(2 * kPi * noteHz(root - 12 + chord[0]) * t) * 0.22;
    // A shaker on every half beat, louder on the beat: high noise (the difference of two
    // random values), which lights the spectrum's upper bands.
    noise = noise * 1103515245u + 12345u;
    const double white = static_cast<double>(noise >> 16 & 0x7FFF) / 16384.0 - 1.0;
    const double hiss = white - lastWhite;
    lastWhite = white;
    const double shaker = hiss * std::exp(-sinceStep * 35.0) * (step % 2 ? 0.025 : 0.045);
    // A gentle fade at both ends of the track.
    const double fade = std::min({1.0, t / 2.0, (seconds - t) / 3.0});
    const double left = fade * (pad + 0.8 * pluck + bass + shaker),
                 right = fade * (pad + 1.2 * pluck * (step % 2 ? 1 : 0.6) + bass + 0.7 * shaker);
    put16(out, static_cast<int>(std::lround(std::clamp(left, -1.0, 1.0) * 30000)));
    put16(out, static_cast<int>(std::lround(std::clamp(right, -1.0, 1.0) * 30000)));
  }
  const bool ok = std::fclose(out) == 0;
  if (!ok) std::fprintf(stderr, "tunegen: cannot write %s\n", argv[1]);
  return ok ? 0 : 1;
}
