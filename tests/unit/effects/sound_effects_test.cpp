#include "effects/sound_effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "effects/wave_test_util.h"
#include "platform/audio/virtual_sound_output.h"
#include "resources/pack_test_util.h"

namespace skyloom {
namespace {

using testing::rampBytes;
using testing::ScratchDir;
using testing::simpleWave;

constexpr std::uint32_t kSampleFlags = SoundBufferFlag::Static | SoundBufferFlag::LocSoftware |
                                       SoundBufferFlag::Ctrl3D | SoundBufferFlag::CtrlFrequency |
                                       SoundBufferFlag::CtrlVolume | SoundBufferFlag::StickyFocus;
constexpr std::uintptr_t kWindow = 0x1234;
const Vec3 kLook{0, 0, 1};
const Vec3 kUp{0, 1, 0};

// The engine sample: 8-bit mono at 8 kHz, so one virtual second plays 8000 bytes of it.
const Bytes kEngineSound = rampBytes(1000, 3);

void writeSample(const char* programPath, const Bytes& bytes) {
  std::string path(programPath);
  for (char& c : path) c = c == '\\' ? '/' : c;
  const std::filesystem::path file(path);
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// A scratch install folder with the samples, an output to hear through and the object under test.
class SoundEffectsTest : public ::testing::Test {
 protected:
  void writeAllSamples() {
    for (int row = 0; row < 3; ++row) {
      writeSample(SoundEffects::kRows[row].file, simpleWave(rampBytes(64, 50), 1, 22050, 16));
    }
    writeSample("plane.wav", simpleWave(kEngineSound, 1, 8000, 8));
  }
  bool start(const VirtualSoundConfig& config = {}) {
    auto output = std::make_unique<VirtualSoundOutput>(config);
    out = output.get();
    return effects.init(std::move(output), kWindow);
  }
  // A row's buffer as the output sees it: buffers are made row by row after the primary one.
  const VirtualBufferState& rowBuffer(int row, int index) const {
    std::size_t at = 1;
    for (int r = 0; r < row; ++r) at += static_cast<std::size_t>(effects.rowBuffers(r));
    return *out->buffers().at(at + static_cast<std::size_t>(index));
  }
  // A frame long enough to open the gate for the next one.
  void frame(const Vec3& eye = {}) { effects.updateListener(eye, kLook, kUp, 0.05f); }
  void engineAt(int& voice, const Vec3& position, const Vec3& eye = {}, bool alive = true) {
    Matrix world = translation(position.x, position.y, position.z);
    effects.engine(voice, position, world, {0, 0, 50}, nullptr, eye, alive);
  }

  ScratchDir dir;
  SoundEffects effects;
  VirtualSoundOutput* out = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Starting up

TEST_F(SoundEffectsTest, InitMakesA3DPrimaryBufferInThePriorityLevelAndAListener) {
  writeAllSamples();
  ASSERT_TRUE(start());
  EXPECT_FALSE(effects.silent());
  EXPECT_EQ(out->cooperativeLevel(), kCooperativePriority);
  const VirtualBufferState& primary = *out->buffers().at(0);
  EXPECT_EQ(primary.desc.flags, SoundBufferFlag::PrimaryBuffer | SoundBufferFlag::Ctrl3D);
  // The mix format: 16-bit stereo at 44.1 kHz.
  EXPECT_EQ(primary.desc.format.formatTag, 1);
  EXPECT_EQ(primary.desc.format.channels, 2);
  EXPECT_EQ(primary.desc.format.samplesPerSec, 44100u);
  EXPECT_EQ(primary.desc.format.bitsPerSample, 16);
  EXPECT_EQ(primary.desc.format.blockAlign, 4);
  EXPECT_EQ(primary.desc.format.avgBytesPerSec, 176400u);
  EXPECT_EQ(effects.freeVoices(), 10);
}

TEST_F(SoundEffectsTest, EachRowLoadsItsSampleIntoItsBuffersPlacedApartAtRest) {
  writeAllSamples();
  ASSERT_TRUE(start());
  const int expected[4] = {20, 20, 20, 10};
  ASSERT_EQ(out->buffers().size(), 1u + 70u);
  for (int row = 0; row < 4; ++row) {
    ASSERT_EQ(effects.rowBuffers(row), expected[row]) << row;
    for (int i = 0; i < expected[row]; ++i) {
      const VirtualBufferState& b = rowBuffer(row, i);
      EXPECT_EQ(b.desc.flags, kSampleFlags);
      EXPECT_EQ(b.volume, -100);
      EXPECT_FALSE(b.playing);
      EXPECT_FLOAT_EQ(b.parameters3D.position.x, 100.0f * static_cast<float>(i) + 500.0f);
      EXPECT_FLOAT_EQ(b.parameters3D.position.y, 0.0f);
      EXPECT_FLOAT_EQ(b.parameters3D.position.z, -1000.0f);
    }
  }
  const VirtualBufferState& engine = rowBuffer(3, 0);
  EXPECT_EQ(engine.desc.bufferBytes, 1000u);
  EXPECT_EQ(engine.desc.format.samplesPerSec, 8000u);
  EXPECT_EQ(engine.desc.format.channels, 1);
  EXPECT_EQ(engine.desc.format.bitsPerSample, 8);
  EXPECT_EQ(rowBuffer(0, 0).desc.bufferBytes, 64u);
}

TEST_F(SoundEffectsTest, AMissingMalformedOrStereoSampleLeavesOnlyItsRowEmptyAndSilent) {
  writeSample("wav\\tkkp.wav", simpleWave(rampBytes(64), 1, 22050, 16));
  Bytes broken = simpleWave(rampBytes(64), 1, 22050, 16);
  broken[8] = 'X';  // no "WAVE"
  writeSample("wav\\tkbz.wav", broken);
  writeSample("wav\\fjfs.wav", simpleWave(rampBytes(64)));  // stereo: cannot be placed in space
  // "plane.wav" is missing.
  ASSERT_TRUE(start());
  EXPECT_EQ(effects.rowBuffers(0), 20);
  EXPECT_EQ(effects.rowBuffers(1), 0);
  EXPECT_EQ(effects.rowBuffers(2), 0);
  EXPECT_EQ(effects.rowBuffers(3), 0);
  EXPECT_EQ(effects.acquireVoice(3), 0);
  int voice = 0;
  engineAt(voice, {100, 0, 0});
  EXPECT_EQ(voice, 0);
  EXPECT_EQ(effects.freeVoices(), 10);  // an empty row takes no voice from the others
}

// Every refusal of the output at start: silent for the run, and nothing after it does harm.
TEST_F(SoundEffectsTest, AFailedStartLeavesTheObjectSilentAndEveryCallHarmless) {
  writeAllSamples();
  VirtualSoundConfig cooperative, primary, listener;
  cooperative.failCooperativeLevel = true;
  primary.failPrimaryBuffer = true;
  listener.failListener = true;
  for (const VirtualSoundConfig& config : {cooperative, primary, listener}) {
    EXPECT_FALSE(start(config));
    EXPECT_TRUE(effects.silent());
    EXPECT_EQ(effects.rowBuffers(3), 0);
    EXPECT_EQ(effects.acquireVoice(3), 0);
    effects.updateVoice(3, 1, {}, {});
    effects.releaseVoice(3, 1);
    effects.updateListener({1, 2, 3}, kLook, kUp, 0.1f);
    int voice = 0;
    engineAt(voice, {10, 0, 0});
    EXPECT_EQ(voice, 0);
  }
  EXPECT_FALSE(effects.init(nullptr, kWindow));
  EXPECT_TRUE(effects.silent());
}

TEST_F(SoundEffectsTest, RefusedBuffersEmptyTheRowsAndRefusedCopiesLeaveOneBufferARow) {
  writeAllSamples();
  VirtualSoundConfig noBuffers;
  noBuffers.failSecondaryBuffers = true;
  ASSERT_TRUE(start(noBuffers));
  EXPECT_FALSE(effects.silent());
  for (int row = 0; row < 4; ++row) EXPECT_EQ(effects.rowBuffers(row), 0);

  VirtualSoundConfig noCopies;
  noCopies.failDuplicates = true;
  ASSERT_TRUE(start(noCopies));
  for (int row = 0; row < 4; ++row) EXPECT_EQ(effects.rowBuffers(row), 1);
  int first = 0, second = 0;
  engineAt(first, {100, 0, 0});
  engineAt(second, {200, 0, 0});
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);  // holds a number, but has no buffer to play
  frame();
  out->advance(0.125);
  EXPECT_EQ(rowBuffer(3, 0).played.size(), 1000u);
}

// ---------------------------------------------------------------------------------------------
// Engine sounds

TEST_F(SoundEffectsTest, AUnitNearTheEyePlaysTheEngineLoopFromItsPosition) {
  writeAllSamples();
  ASSERT_TRUE(start());
  int voice = 0;
  engineAt(voice, {300, 40, -200});
  ASSERT_EQ(voice, 1);
  frame();  // the listener commits the deferred placement
  const VirtualBufferState& b = rowBuffer(3, 0);
  EXPECT_TRUE(b.playing);
  EXPECT_TRUE(b.looping);
  EXPECT_FLOAT_EQ(b.parameters3D.position.x, 300.0f);
  EXPECT_FLOAT_EQ(b.parameters3D.position.y, 40.0f);
  EXPECT_FLOAT_EQ(b.parameters3D.position.z, -200.0f);
  EXPECT_FLOAT_EQ(b.parameters3D.velocity.z, 50.0f);

  // 0.3 s at 8000 bytes a second: the 1000-byte sample twice and 400 bytes of a third pass.
  out->advance(0.3);
  ASSERT_EQ(b.played.size(), 2400u);
  for (std::size_t i = 0; i < b.played.size(); ++i) {
    ASSERT_EQ(b.played[i], kEngineSound[i % 1000]) << i;
  }
}

TEST_F(SoundEffectsTest, ABufferTheDeviceTookBackIsRefilledBeforeItPlaysAgain) {
  writeAllSamples();
  ASSERT_TRUE(start());
  int voice = 0;
  engineAt(voice, {10, 0, 0});
  frame();
  out->loseBuffers();
  EXPECT_FALSE(rowBuffer(3, 0).playing);
  engineAt(voice, {10, 0, 0});
  EXPECT_TRUE(rowBuffer(3, 0).playing);
  const std::size_t before = rowBuffer(3, 0).played.size();
  out->advance(0.125);
  const Bytes& played = rowBuffer(3, 0).played;
  ASSERT_EQ(played.size(), before + 1000u);
  EXPECT_TRUE(std::equal(kEngineSound.begin(), kEngineSound.end(), played.begin() + static_cast<std::ptrdiff_t>(before)));
}

TEST_F(SoundEffectsTest, TheSoundComesFromTheLastSmokePointOnTheUnitsOwnPlane) {
  writeAllSamples();
  ASSERT_TRUE(start());
  std::vector<AttachmentPoint> points(4);
  points[0].flags = kAttachSmoke;
  points[0].offset = {1, 1, 1};
  points[1].flags = kAttachSmoke | kAttachFlame;
  points[1].offset = {-3, 2, -9};  // z is dropped: the sound sits at the nose-to-tail middle
  points[2].flags = kAttachPropeller;
  EXPECT_EQ(lastSmokePoint(points), &points[1]);
  EXPECT_EQ(lastSmokePoint(std::span<const AttachmentPoint>(points).subspan(2)), nullptr);

  // A unit turned a quarter about y and moved to (1000, 50, 0).
  const Matrix world = multiply(rotationY(1.5707964f), translation(1000, 50, 0));
  int voice = 0;
  effects.engine(voice, {1000, 50, 0}, world, {}, lastSmokePoint(points), {}, true);
  frame();
  const Vec3 p = rowBuffer(3, 0).parameters3D.position;
  EXPECT_NEAR(p.x, 1000.0f, 1e-3f);
  EXPECT_NEAR(p.y, 52.0f, 1e-3f);
  EXPECT_NEAR(p.z, 3.0f, 1e-3f);
}

TEST_F(SoundEffectsTest, AUnitCrossingTheRangeReleasesItsVoiceAndGetsOneBackOnReturn) {
  writeAllSamples();
  ASSERT_TRUE(start());
  const Vec3 eye{5000, 100, 5000};
  int voice = 0;
  engineAt(voice, {5000, 100, 5000 + 8999}, eye);
  ASSERT_EQ(voice, 1);
  EXPECT_EQ(effects.freeVoices(), 9);
  EXPECT_TRUE(rowBuffer(3, 0).playing);

  engineAt(voice, {5000, 100, 5000 + 9000}, eye);  // on the circle is outside
  EXPECT_EQ(voice, 0);
  EXPECT_EQ(effects.freeVoices(), 10);
  EXPECT_FALSE(rowBuffer(3, 0).playing);
  EXPECT_EQ(rowBuffer(3, 0).stopCalls, 1);
  engineAt(voice, {5000, 100, 5000 + 20000}, eye);  // a voice is released once only
  EXPECT_EQ(rowBuffer(3, 0).stopCalls, 1);

  frame();
  engineAt(voice, {5000, 100, 5000 - 100}, eye);
  EXPECT_EQ(voice, 1);
  EXPECT_TRUE(rowBuffer(3, 0).playing);
}

TEST_F(SoundEffectsTest, MutedOrDeadUnitsGiveTheirVoicesBack) {
  writeAllSamples();
  ASSERT_TRUE(start());
  int a = 0, b = 0;
  engineAt(a, {10, 0, 0});
  engineAt(b, {20, 0, 0});
  ASSERT_EQ(effects.freeVoices(), 8);
  engineAt(b, {20, 0, 0}, {}, false);
  EXPECT_EQ(b, 0);
  EXPECT_TRUE(effects.engineSoundsOn());
  effects.toggleEngineSounds();
  engineAt(a, {10, 0, 0});
  EXPECT_EQ(a, 0);
  EXPECT_EQ(effects.freeVoices(), 10);
  effects.toggleEngineSounds();
  frame();
  engineAt(a, {10, 0, 0});
  EXPECT_NE(a, 0);
}

TEST_F(SoundEffectsTest, TheEleventhUnitStaysSilentUntilAVoiceIsFreed) {
  writeAllSamples();
  ASSERT_TRUE(start());
  std::array<int, 11> voices{};
  for (int i = 0; i < 11; ++i) engineAt(voices[i], {static_cast<float>(i * 10), 0, 0});
  for (int i = 0; i < 10; ++i) EXPECT_EQ(voices[i], i + 1);
  EXPECT_EQ(voices[10], 0);
  EXPECT_EQ(effects.freeVoices(), 0);

  engineAt(voices[3], {0, 0, 50000});  // the fourth flies off
  EXPECT_EQ(voices[3], 0);
  frame();
  engineAt(voices[10], {100, 0, 0});
  EXPECT_EQ(voices[10], 4);
  frame();
  EXPECT_FLOAT_EQ(rowBuffer(3, 3).parameters3D.position.x, 100.0f);
}

TEST_F(SoundEffectsTest, VoicesOutsideThePoolAndSecondReleasesAreIgnored) {
  writeAllSamples();
  ASSERT_TRUE(start());
  EXPECT_EQ(effects.acquireVoice(-1), 0);
  EXPECT_EQ(effects.acquireVoice(4), 0);
  const int voice = effects.acquireVoice(3);
  ASSERT_EQ(voice, 1);
  for (int bad : {0, -1, 11, 1000}) {
    effects.updateVoice(3, bad, {}, {});
    effects.releaseVoice(3, bad);
  }
  effects.updateVoice(7, voice, {}, {});
  effects.releaseVoice(3, 5);  // never handed out
  EXPECT_EQ(effects.freeVoices(), 9);
  effects.releaseVoice(3, voice);
  effects.releaseVoice(3, voice);
  EXPECT_EQ(effects.freeVoices(), 10);
  // Had the second release pushed the number again, two units would share one buffer.
  std::set<int> handedOut;
  for (int i = 0; i < 10; ++i) handedOut.insert(effects.acquireVoice(3));
  EXPECT_EQ(handedOut.size(), 10u);
  EXPECT_EQ(effects.acquireVoice(3), 0);
}

// ---------------------------------------------------------------------------------------------
// The listener and the 30 Hz gate

TEST_F(SoundEffectsTest, VoicesAndTheListenerChangeOnlyWhileTheGateIsOpen) {
  writeAllSamples();
  ASSERT_TRUE(start());
  EXPECT_TRUE(effects.gateOpen());
  effects.updateListener({0, 0, 0}, kLook, kUp, 0.02f);  // open from the start: commits
  EXPECT_EQ(out->commits(), 1);
  EXPECT_FALSE(effects.gateOpen());  // 0.02 s is not past 0.033

  const int voice = effects.acquireVoice(3);
  effects.updateVoice(3, voice, {1, 2, 3}, {});
  EXPECT_EQ(rowBuffer(3, 0).playCalls, 0);
  EXPECT_FALSE(rowBuffer(3, 0).playing);

  effects.updateListener({9, 9, 9}, kLook, kUp, 0.02f);  // closed: 0.04 s now, opens for the next
  EXPECT_EQ(out->commits(), 1);
  EXPECT_FLOAT_EQ(out->listener().position.x, 0.0f);
  EXPECT_TRUE(effects.gateOpen());

  effects.updateVoice(3, voice, {1, 2, 3}, {});
  EXPECT_EQ(rowBuffer(3, 0).playCalls, 1);
  effects.updateListener({8, 0, 0}, {1, 0, 0}, {0, 0, 1}, 0.02f);
  EXPECT_EQ(out->commits(), 2);
  const SoundListenerParameters& l = out->listener();
  EXPECT_FLOAT_EQ(l.position.x, 8.0f);
  EXPECT_FLOAT_EQ(l.orientFront.x, 1.0f);
  EXPECT_FLOAT_EQ(l.orientTop.z, 1.0f);
  EXPECT_FLOAT_EQ(rowBuffer(3, 0).parameters3D.position.z, 3.0f);
  // The speed spans both frames since the last change: 8 units in 0.04 s.
  EXPECT_NEAR(l.velocity.x, 20.0f * std::sin(0.04f) + 8.0f / 0.0401f, 1e-2f);
  EXPECT_FALSE(effects.gateOpen());
}

TEST_F(SoundEffectsTest, AHoveringCameraHearsOnlyTheSidewaysWobble) {
  writeAllSamples();
  ASSERT_TRUE(start());
  const Vec3 eye{700, 300, -40};  // not the origin: the first update must not measure from it
  float clock = 0;
  for (int i = 0; i < 8; ++i) {
    frame(eye);
    clock += 0.05f;
    EXPECT_NEAR(effects.wobbleClock(), clock, 1e-5f);
    const Vec3 v = out->listener().velocity;
    EXPECT_NEAR(v.x, 20.0f * std::sin(clock), 1e-3f) << i;
    EXPECT_FLOAT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.z, 0.0f);
  }
}

TEST_F(SoundEffectsTest, TheWobbleClockStaysBelowItsLimitWithoutAJumpInTheWobble) {
  writeAllSamples();
  ASSERT_TRUE(start());
  effects.updateListener({}, kLook, kUp, 600.0f);
  effects.updateListener({}, kLook, kUp, 600.0f);
  EXPECT_LE(effects.wobbleClock(), 1000.0f);
  EXPECT_NEAR(std::sin(effects.wobbleClock()), std::sin(1200.0), 1e-3);
  EXPECT_NEAR(out->listener().velocity.x, 20.0 * std::sin(1200.0), 2e-2);
  // A nonsense frame time neither moves the clock back nor poisons it.
  effects.updateListener({}, kLook, kUp, -5.0f);
  effects.updateListener({}, kLook, kUp, std::nanf(""));
  EXPECT_TRUE(std::isfinite(effects.wobbleClock()));
  EXPECT_TRUE(std::isfinite(out->listener().velocity.x));
}

}  // namespace
}  // namespace skyloom
