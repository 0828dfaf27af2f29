#pragma once
// Building blocks for engine sounds that loop. Everything is written into a loop of n samples
// that is treated as circular: tones have a whole number of cycles per loop, events that run
// past the end wrap to its start, and filters are warmed up on the loop itself, so sample n-1
// flows into sample 0 exactly as any sample flows into the next one.

#include <cstdint>
#include <vector>

namespace skyloom::assetgen {

// splitmix64: small, fast, and the same sequence on every platform.
class SoundRandom {
 public:
  explicit SoundRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  // Uniform in [0, 1).
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [-1, 1).
  double signedUnit() { return 2.0 * unit() - 1.0; }
  // Roughly normal, mean 0, deviation 1 (sum of four uniforms).
  double gaussian();

 private:
  std::uint64_t state_;
};

// Second-order IIR section (direct form I), coefficients after the usual audio cookbook forms.
struct Biquad {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

  static Biquad lowPass(double rate, double hz, double q);
  static Biquad highPass(double rate, double hz, double q);
  static Biquad bandPass(double rate, double hz, double q);  // unity gain at hz
};

class SoundLoop {
 public:
  SoundLoop(int samples, double rate) : s_(static_cast<std::size_t>(samples), 0.0), rate_(rate) {}

  int size() const { return static_cast<int>(s_.size()); }
  double rate() const { return rate_; }
  // Frequency of a tone with the given number of cycles per loop.
  double hz(double cycles) const { return cycles * rate_ / size(); }
  // The nearest whole number of cycles per loop to a frequency, so tones are picked in Hz.
  int cyclesFor(double hz) const;
  double& operator[](int i) { return s_[static_cast<std::size_t>(i)]; }
  double operator[](int i) const { return s_[static_cast<std::size_t>(i)]; }

  // A sine of a whole number of cycles per loop. With depth > 0 its phase is swung by
  // depth * sin(vibrato cycles), itself whole per loop: a slowly wandering pitch that still loops.
  void addTone(int cycles, double amplitude, double phase, int vibratoCycles = 0, double depth = 0.0);
  // Harmonics 1..count of a fundamental, amplitude amp / k^tilt, phases from rng.
  void addHarmonics(int cycles, int count, double amplitude, double tilt, SoundRandom& rng);
  // Adds src * gain, sample by sample.
  void mix(const SoundLoop& src, double gain);
  // Adds an event at a (fractional) sample position; the response wraps past the end.
  void addEvent(double at, const std::vector<double>& response, double gain);
  // White noise of the given deviation.
  void addNoise(double deviation, SoundRandom& rng);
  // Runs the filter over the loop as a circle: one pass to settle its state, then the real one.
  void filter(const Biquad& f);
  // Multiplies by 1 + depth * sin(cycles, phase).
  void modulate(int cycles, double depth, double phase);
  // Multiplies by 1 + depth * src (src roughly within [-1, 1]).
  void modulateBy(const SoundLoop& src, double depth);
  // Scales so the largest magnitude is peak.
  void normalise(double peak);
  double peak() const;

  // Rounded to 16-bit, clipped.
  std::vector<std::int16_t> toPcm16() const;

 private:
  std::vector<double> s_;
  double rate_;
};

// Impulse response of damped resonances (one per mode: frequency Hz, decay time s, amplitude),
// cut where the slowest has decayed to below 1/1000.
struct Mode {
  double hz, decay, amplitude;
};
std::vector<double> resonantResponse(double rate, const std::vector<Mode>& modes);
// A burst of noise with an exponential decay (time constant decay s), cut like the above.
std::vector<double> noiseBurst(double rate, double decay, SoundRandom& rng);

}  // namespace skyloom::assetgen
