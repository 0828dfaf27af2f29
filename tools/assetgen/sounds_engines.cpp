#include "sounds_engines.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sounds_synth.h"

namespace skyloom::assetgen {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Headroom left below full scale: the 3D mixer adds up to ten voices.
constexpr double kPeakLevel = 0.8;

// Firings of a piston engine: count per loop (a whole number of engine cycles, so the
// cylinder pattern continues across the wrap), each cylinder with its own strength, every
// firing a little early or late and a little stronger or weaker, plus a burst of exhaust noise.
struct FiringTrain {
  int count;
  std::vector<double> cylinders;  // relative strength per cylinder, in firing order
  double timingJitter;            // fraction of the firing interval
  double levelJitter;             // fraction of the strength
  double noiseDecay;              // seconds; 0 for none
  double noiseLevel;
};

// The whole number of engine cycles per loop nearest to a firing rate in Hz, as firings.
int firingsFor(const SoundLoop& loop, double hz, int cylinders) {
  const double perLoop = hz * loop.size() / loop.rate();
  return cylinders * std::max(1, static_cast<int>(std::lround(perLoop / cylinders)));
}

void addFirings(SoundLoop& loop, const FiringTrain& train, const std::vector<double>& response,
                SoundRandom& rng) {
  const double interval = static_cast<double>(loop.size()) / train.count;
  const std::size_t cylinders = train.cylinders.size();
  for (int k = 0; k < train.count; ++k) {
    const double at = (k + 0.5) * interval + train.timingJitter * interval * rng.signedUnit();
    const double level = train.cylinders[static_cast<std::size_t>(k) % cylinders] *
                         (1.0 + train.levelJitter * rng.signedUnit());
    loop.addEvent(at, response, level);
    if (train.noiseDecay > 0.0)
      loop.addEvent(at, noiseBurst(loop.rate(), train.noiseDecay, rng), level * train.noiseLevel);
  }
}

// A propeller: the blade-pass tone and its harmonics (a buzz), and the rush of air it throws,
// swelling with every blade that passes.
void addPropeller(SoundLoop& out, int bladePassCycles, int harmonics, double toneLevel, double airLevel,
                  double airHz, SoundRandom& rng) {
  SoundLoop tone(out.size(), out.rate());
  tone.addHarmonics(bladePassCycles, harmonics, 1.0, 1.1, rng);
  tone.normalise(1.0);
  out.mix(tone, toneLevel);

  SoundLoop air(out.size(), out.rate());
  air.addNoise(1.0, rng);
  air.filter(Biquad::bandPass(out.rate(), airHz, 0.8));
  air.filter(Biquad::lowPass(out.rate(), airHz * 4.0, 0.7));
  air.modulate(bladePassCycles, 0.6, 0.0);
  air.normalise(1.0);
  out.mix(air, airLevel);
}

// A slow swell of the whole sound (the engine is never perfectly steady), whole cycles per loop.
void addSwell(SoundLoop& loop) {
  loop.modulate(1, 0.07, 0.3);
  loop.modulate(2, 0.04, 1.9);
  loop.modulate(5, 0.02, 4.1);
}

// Shared end of every recipe: no DC or sub-audio rumble, a soft top, the final level.
std::vector<std::int16_t> finish(SoundLoop& loop, double topHz) {
  loop.filter(Biquad::highPass(loop.rate(), 22.0, 0.7));
  loop.filter(Biquad::lowPass(loop.rate(), topHz, 0.7));
  loop.normalise(kPeakLevel);
  return loop.toPcm16();
}

}  // namespace

std::vector<std::int16_t> pistonPropellerLoop() {
  SoundRandom rng(0x5EA1'0001);
  SoundLoop out(kLoopSamples, kSoundRate);

  // Nine cylinders firing about 93 times a second (a radial near 1240 rpm): the deep pulse.
  SoundLoop engine(kLoopSamples, kSoundRate);
  const FiringTrain train{firingsFor(engine, 93.0, 9), {1.0, 0.86, 0.95, 0.8, 0.98, 0.9, 0.84, 1.0, 0.88},
                          0.035, 0.12, 0.0025, 0.45};
  const auto exhaust = resonantResponse(kSoundRate, {{160.0, 0.009, 1.0}, {330.0, 0.005, 0.6},
                                                     {710.0, 0.0025, 0.35}, {1450.0, 0.001, 0.15}});
  addFirings(engine, train, exhaust, rng);
  engine.normalise(1.0);
  out.mix(engine, 1.0);

  // A low hum at the crank's rotation and its second harmonic: the roughness of the big engine.
  const int crank = out.cyclesFor(93.0 / 4.5);
  out.addTone(crank, 0.12, 0.4);
  out.addTone(2 * crank, 0.08, 2.2);

  // Three blades geared down to 0.56 of the crank speed: about 35 blade passes a second.
  addPropeller(out, out.cyclesFor(93.0 / 4.5 * 0.5625 * 3.0), 24, 0.45, 0.35, 420.0, rng);
  addSwell(out);
  return finish(out, 4500.0);
}

std::vector<std::int16_t> turbopropLoop() {
  SoundRandom rng(0x5EA1'0002);
  SoundLoop out(kLoopSamples, kSoundRate);

  // Two four-blade propellers a third of a hertz apart: the slow "wow" of a twin.
  const int blades = out.cyclesFor(84.0);
  addPropeller(out, blades, 30, 0.55, 0.3, 600.0, rng);
  addPropeller(out, blades + 1, 30, 0.5, 0.0, 600.0, rng);

  // Compressor whine with a slight wander, and its second harmonic.
  const int whine = out.cyclesFor(2950.0);
  out.addTone(whine, 0.10, 0.0, 1, 18.0);
  out.addTone(2 * whine, 0.04, 1.0, 1, 36.0);
  out.addTone(whine + 7, 0.05, 2.0, 2, 11.0);

  // Exhaust: broadband hiss and a low roar.
  SoundLoop hiss(kLoopSamples, kSoundRate);
  hiss.addNoise(1.0, rng);
  hiss.filter(Biquad::highPass(kSoundRate, 1800.0, 0.7));
  hiss.normalise(1.0);
  out.mix(hiss, 0.12);
  SoundLoop roar(kLoopSamples, kSoundRate);
  roar.addNoise(1.0, rng);
  roar.filter(Biquad::lowPass(kSoundRate, 180.0, 0.7));
  roar.normalise(1.0);
  out.mix(roar, 0.35);

  addSwell(out);
  return finish(out, 9000.0);
}

std::vector<std::int16_t> lightAircraftLoop() {
  SoundRandom rng(0x5EA1'0003);
  SoundLoop out(kLoopSamples, kSoundRate);

  // A two-stroke twin near 4400 rpm fires about 147 times a second; sharp, bright pops.
  SoundLoop engine(kLoopSamples, kSoundRate);
  const FiringTrain train{firingsFor(engine, 147.0, 2), {1.0, 0.82}, 0.02, 0.08, 0.0012, 0.5};
  const auto pop = resonantResponse(kSoundRate, {{610.0, 0.003, 1.0}, {1500.0, 0.0015, 0.7},
                                                 {2900.0, 0.0008, 0.45}, {260.0, 0.004, 0.5}});
  addFirings(engine, train, pop, rng);
  engine.normalise(1.0);
  out.mix(engine, 1.0);

  // Two blades behind a 2.6:1 reduction: about 56 blade passes a second.
  addPropeller(out, out.cyclesFor(147.0 / 2.0 / 2.6 * 2.0), 30, 0.4, 0.25, 800.0, rng);
  addSwell(out);
  return finish(out, 7000.0);
}

std::vector<std::int16_t> jetLoop() {
  SoundRandom rng(0x5EA1'0004);
  SoundLoop out(kLoopSamples, kSoundRate);

  // The roar: noise shaped by a few broad bands, strongest low down, slowly breathing.
  struct Band {
    double hz, q, level;
    int swellCycles;
  };
  for (const Band& b : {Band{90.0, 0.6, 1.0, 1}, Band{350.0, 0.7, 0.7, 2}, Band{1200.0, 0.8, 0.4, 3},
                        Band{4000.0, 0.9, 0.18, 4}}) {
    SoundLoop band(kLoopSamples, kSoundRate);
    band.addNoise(1.0, rng);
    band.filter(Biquad::bandPass(kSoundRate, b.hz, b.q));
    band.modulate(b.swellCycles, 0.15, kTwoPi * rng.unit());
    band.normalise(1.0);
    out.mix(band, b.level);
  }

  // Compressor and fan whine, wandering slightly in pitch.
  const int fan = out.cyclesFor(1650.0);
  out.addTone(fan, 0.06, 0.0, 1, 25.0);
  const int compressor = out.cyclesFor(4700.0);
  out.addTone(compressor, 0.05, 0.7, 1, 60.0);
  out.addTone(2 * compressor, 0.02, 1.4, 1, 120.0);

  addSwell(out);
  return finish(out, 12000.0);
}

}  // namespace skyloom::assetgen
