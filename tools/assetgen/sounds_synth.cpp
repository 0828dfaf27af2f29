#include "sounds_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace skyloom::assetgen {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Responses are cut once their envelope has fallen by 60 dB.
constexpr double kDecaysTo60dB = 6.9078;  // ln(1000)

struct BiquadState {
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  double step(const Biquad& f, double x) {
    const double y = f.b0 * x + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

Biquad normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
  return Biquad{b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

}  // namespace

std::uint64_t SoundRandom::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double SoundRandom::gaussian() {
  // Four uniforms of variance 1/3 each: scale the sum to deviation 1.
  const double sum = signedUnit() + signedUnit() + signedUnit() + signedUnit();
  return sum * std::sqrt(3.0 / 4.0);
}

Biquad Biquad::lowPass(double rate, double hz, double q) {
  const double w = kTwoPi * hz / rate, c = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  return normalised((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::highPass(double rate, double hz, double q) {
  const double w = kTwoPi * hz / rate, c = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  return normalised((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::bandPass(double rate, double hz, double q) {
  const double w = kTwoPi * hz / rate, c = std::cos(w), alpha = std::sin(w) / (2.0 * q);
  return normalised(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

int SoundLoop::cyclesFor(double frequency) const {
  return std::max(1, static_cast<int>(std::lround(frequency * size() / rate_)));
}

void SoundLoop::addTone(int cycles, double amplitude, double phase, int vibratoCycles, double depth) {
  const double n = size();
  for (int i = 0; i < size(); ++i) {
    const double t = i / n;
    const double swing = depth * std::sin(kTwoPi * vibratoCycles * t);
    s_[static_cast<std::size_t>(i)] += amplitude * std::sin(kTwoPi * cycles * t + phase + swing);
  }
}

void SoundLoop::addHarmonics(int cycles, int count, double amplitude, double tilt, SoundRandom& rng) {
  for (int k = 1; k <= count; ++k) {
    if (hz(static_cast<double>(cycles) * k) >= rate_ * 0.45) break;  // stay well below Nyquist
    addTone(cycles * k, amplitude / std::pow(k, tilt), kTwoPi * rng.unit());
  }
}

void SoundLoop::mix(const SoundLoop& src, double gain) {
  const std::size_t n = std::min(s_.size(), src.s_.size());
  for (std::size_t i = 0; i < n; ++i) s_[i] += gain * src.s_[i];
}

void SoundLoop::addEvent(double at, const std::vector<double>& response, double gain) {
  // The fractional start is spread over two neighbouring samples (linear interpolation), so
  // event timing is not quantised to the sample grid.
  const int n = size();
  const double base = std::floor(at);
  const double frac = at - base;
  const int start = static_cast<int>(((static_cast<long long>(base) % n) + n) % n);
  for (std::size_t k = 0; k < response.size(); ++k) {
    const double prev = k > 0 ? response[k - 1] : 0.0;
    const double v = (1.0 - frac) * response[k] + frac * prev;
    s_[(static_cast<std::size_t>(start) + k) % s_.size()] += gain * v;
  }
}

void SoundLoop::addNoise(double deviation, SoundRandom& rng) {
  for (double& v : s_) v += deviation * rng.gaussian();
}

void SoundLoop::filter(const Biquad& f) {
  BiquadState st;
  for (double v : s_) st.step(f, v);  // settle on the loop's own end
  for (double& v : s_) v = st.step(f, v);
}

void SoundLoop::modulate(int cycles, double depth, double phase) {
  const double n = size();
  for (int i = 0; i < size(); ++i)
    s_[static_cast<std::size_t>(i)] *= 1.0 + depth * std::sin(kTwoPi * cycles * (i / n) + phase);
}

void SoundLoop::modulateBy(const SoundLoop& src, double depth) {
  const std::size_t n = std::min(s_.size(), src.s_.size());
  for (std::size_t i = 0; i < n; ++i) s_[i] *= 1.0 + depth * src.s_[i];
}

double SoundLoop::peak() const {
  double m = 0.0;
  for (double v : s_) m = std::max(m, std::fabs(v));
  return m;
}

void SoundLoop::normalise(double target) {
  const double m = peak();
  if (m <= 0.0) return;
  for (double& v : s_) v *= target / m;
}

std::vector<std::int16_t> SoundLoop::toPcm16() const {
  std::vector<std::int16_t> out(s_.size());
  for (std::size_t i = 0; i < s_.size(); ++i) {
    const double v = std::clamp(std::round(s_[i] * 32767.0), -32768.0, 32767.0);
    out[i] = static_cast<std::int16_t>(v);
  }
  return out;
}

std::vector<double> resonantResponse(double rate, const std::vector<Mode>& modes) {
  double longest = 0.0;
  for (const Mode& m : modes) longest = std::max(longest, m.decay);
  const auto length = static_cast<std::size_t>(std::ceil(longest * kDecaysTo60dB * rate)) + 1;
  std::vector<double> r(length, 0.0);
  for (std::size_t k = 0; k < length; ++k) {
    const double t = k / rate;
    for (const Mode& m : modes) r[k] += m.amplitude * std::exp(-t / m.decay) * std::sin(kTwoPi * m.hz * t);
  }
  return r;
}

std::vector<double> noiseBurst(double rate, double decay, SoundRandom& rng) {
  const auto length = static_cast<std::size_t>(std::ceil(decay * kDecaysTo60dB * rate)) + 1;
  std::vector<double> r(length);
  for (std::size_t k = 0; k < length; ++k) r[k] = rng.gaussian() * std::exp(-(k / rate) / decay);
  return r;
}

}  // namespace skyloom::assetgen
