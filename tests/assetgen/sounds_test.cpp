#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assetgen.h"
#include "core/bytes.h"
#include "resources/pack_test_util.h"
#include "sounds_engines.h"
#include "sounds_synth.h"
#include "sounds_wav.h"

namespace skyloom::assetgen {
namespace {

using skyloom::testing::ScratchDir;

const char* const kSoundFiles[] = {"plane.wav", "wav/tkkp.wav", "wav/tkbz.wav", "wav/fjfs.wav"};

std::vector<std::int16_t> samplesOf(const std::string& wav) {
  std::vector<std::int16_t> out((wav.size() - kWavHeaderSize) / 2);
  std::memcpy(out.data(), wav.data() + kWavHeaderSize, out.size() * 2);  // little-endian host
  return out;
}

// The largest sample-to-sample jump and change of slope inside the loop, and the same two
// across the wrap from the last sample back to the first.
struct LoopSteps {
  int insideJump = 0, insideBend = 0, wrapJump = 0, wrapBend = 0;
};

LoopSteps stepsOf(const std::vector<std::int16_t>& s) {
  const auto at = [&](std::size_t i) { return static_cast<int>(s[i % s.size()]); };
  const std::size_t n = s.size();
  LoopSteps r;
  for (std::size_t i = 0; i + 1 < n; ++i) r.insideJump = std::max(r.insideJump, std::abs(at(i + 1) - at(i)));
  for (std::size_t i = 1; i + 1 < n; ++i)
    r.insideBend = std::max(r.insideBend, std::abs(at(i + 1) - 2 * at(i) + at(i - 1)));
  r.wrapJump = std::abs(at(0) - at(n - 1));
  r.wrapBend = std::max(std::abs(at(0) - 2 * at(n - 1) + at(n - 2)), std::abs(at(1) - 2 * at(0) + at(n - 1)));
  return r;
}

bool loopsSmoothly(const std::vector<std::int16_t>& s) {
  const LoopSteps r = stepsOf(s);
  return r.wrapJump <= r.insideJump && r.wrapBend <= r.insideBend;
}

TEST(EngineSounds, AreMonoPcmFilesTheSampleLoaderAccepts) {
  ScratchDir dir;
  ASSERT_TRUE(writeSounds(dir.path()));
  for (const char* name : kSoundFiles) {
    SCOPED_TRACE(name);
    const std::string wav = skyloom::testing::readFile(dir.path() / name);
    ASSERT_GT(wav.size(), kWavHeaderSize);
    const auto* p = reinterpret_cast<const std::uint8_t*>(wav.data());
    EXPECT_EQ(0, std::memcmp(p, "RIFF", 4));
    EXPECT_EQ(wav.size() - 8, readLE32(p + 4));
    EXPECT_EQ(0, std::memcmp(p + 8, "WAVE", 4));
    EXPECT_EQ(0, std::memcmp(p + 12, "fmt ", 4));
    EXPECT_EQ(16u, readLE32(p + 16));
    EXPECT_EQ(1, readLE16(p + 20));  // PCM
    EXPECT_EQ(1, readLE16(p + 22));  // mono: the voices are 3D buffers
    EXPECT_EQ(44100u, readLE32(p + 24));
    EXPECT_EQ(88200u, readLE32(p + 28));
    EXPECT_EQ(2, readLE16(p + 32));
    EXPECT_EQ(16, readLE16(p + 34));
    EXPECT_EQ(0, std::memcmp(p + 36, "data", 4));
    EXPECT_EQ(wav.size() - kWavHeaderSize, readLE32(p + 40));

    const auto s = samplesOf(wav);
    EXPECT_GE(s.size(), 44100u);
    EXPECT_LE(s.size(), 5u * 44100u);
    double energy = 0.0;
    int peak = 0;
    for (std::int16_t v : s) {
      energy += static_cast<double>(v) * v;
      peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    EXPECT_LT(peak, 32767) << "clipped";
    EXPECT_GT(std::sqrt(energy / s.size()), 0.05 * 32768) << "too quiet to hear in the mix";
  }
}

TEST(EngineSounds, LoopWithoutAStepOrBendAtTheWrap) {
  for (const auto& loop : {pistonPropellerLoop(), turbopropLoop(), lightAircraftLoop(), jetLoop()}) {
    const LoopSteps r = stepsOf(loop);
    EXPECT_LE(r.wrapJump, r.insideJump);
    EXPECT_LE(r.wrapBend, r.insideBend);
  }
  // The check itself finds a click: the engine loop cut short by a fraction of its cycles.
  auto cut = pistonPropellerLoop();
  cut.resize(cut.size() - 100);
  EXPECT_FALSE(loopsSmoothly(cut));
}

TEST(EngineSounds, AreTheSameBytesOnEveryRun) {
  ScratchDir dir;
  ASSERT_TRUE(writeSounds(dir.path() / "a"));
  ASSERT_TRUE(writeSounds(dir.path() / "b"));
  for (const char* name : kSoundFiles) {
    EXPECT_EQ(skyloom::testing::readFile(dir.path() / "a" / name), skyloom::testing::readFile(dir.path() / "b" / name))
        << name;
  }
}

// The loop's filters must behave as if the loop had always been playing: the same as filtering
// three copies in a row and keeping the middle one.
TEST(SoundLoop, FiltersAsACircle) {
  constexpr int n = 4000;
  SoundRandom rng(7);
  SoundLoop loop(n, 44100.0);
  loop.addNoise(1.0, rng);
  std::vector<double> tripled;
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < n; ++i) tripled.push_back(loop[i]);

  const Biquad f = Biquad::lowPass(44100.0, 300.0, 4.0);  // resonant: rings for a while
  loop.filter(f);
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  for (double& v : tripled) {
    const double y = f.b0 * v + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
    x2 = x1, x1 = v, y2 = y1, y1 = y;
    v = y;
  }
  for (int i = 0; i < n; ++i) ASSERT_NEAR(tripled[static_cast<std::size_t>(n + i)], loop[i], 1e-9) << i;
}

TEST(SoundLoop, EventsAndTonesContinueAcrossTheWrap) {
  SoundLoop loop(100, 1000.0);
  loop.addEvent(98.0, {1.0, 2.0, 3.0, 4.0}, 1.0);
  EXPECT_EQ(1.0, loop[98]);
  EXPECT_EQ(2.0, loop[99]);
  EXPECT_EQ(3.0, loop[0]);
  EXPECT_EQ(4.0, loop[1]);

  // A tone picked in Hz is rounded to whole cycles per loop (its vibrato too), so the loop is
  // exactly one period of the endless tone: twice as long, it repeats itself.
  SoundLoop tone(1000, 1000.0);
  const int cycles = tone.cyclesFor(12.3);
  EXPECT_EQ(12, cycles);
  tone.addTone(cycles, 1.0, 0.5, 1, 3.0);
  SoundLoop twice(2000, 1000.0);
  twice.addTone(2 * cycles, 1.0, 0.5, 2, 3.0);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_NEAR(tone[i], twice[i], 1e-9) << i;
    ASSERT_NEAR(twice[i], twice[1000 + i], 1e-9) << i;
  }
}

}  // namespace
}  // namespace skyloom::assetgen
