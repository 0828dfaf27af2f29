#include "effects/sound_effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/sample_source.h"
#include "effects/wave_file.h"

namespace skyloom {
namespace {

constexpr std::uint32_t kSampleBufferFlags = SoundBufferFlag::Static | SoundBufferFlag::LocSoftware |
                                             SoundBufferFlag::Ctrl3D | SoundBufferFlag::CtrlFrequency |
                                             SoundBufferFlag::CtrlVolume | SoundBufferFlag::StickyFocus;

// The resting place of an idle buffer: off to the side and ahead, spread by its place in the row
// so that no two start on the same spot.
constexpr float kRestX = 500.0f;
constexpr float kRestSpacing = 100.0f;
constexpr float kRestZ = -1000.0f;

// Keeps the velocity finite on the first update, when no time has passed.
constexpr float kElapsedGuard = 0.0001f;
constexpr float kTwoPi = 6.28318530718f;

// The mix format of the primary buffer: 16-bit stereo at 44.1 kHz.
WaveFormat mixFormat() {
  WaveFormat f;
  f.formatTag = 1;
  f.channels = 2;
  f.samplesPerSec = 44100;
  f.bitsPerSample = 16;
  f.blockAlign = 4;
  f.avgBytesPerSec = 176400;
  return f;
}

}  // namespace

SoundEffects::SoundEffects() = default;

SoundEffects::~SoundEffects() { shutdown(); }

void SoundEffects::shutdown() {
  // Buffers before the listener and the primary buffer, all of them before the output.
  for (Row& row : rows_) {
    row.buffers.clear();
    row.sample.clear();
  }
  listener_.reset();
  primary_.reset();
  output_.reset();
  freeVoices_ = IndexStack(kVoiceCount);
  held_.fill(false);
}

bool SoundEffects::init(std::unique_ptr<SoundOutput> output, std::uintptr_t window) {
  shutdown();
  output_ = std::move(output);
  if (!output_ || !createPrimary(window)) {
    shutdown();
    return false;
  }
  for (int row = 0; row < kRowCount; ++row) loadRow(row);
  // Pushed in reverse so that the first voice handed out is 1.
  for (int voice = kVoiceCount; voice >= 1; --voice) freeVoices_.push(voice);
  previousEye_ = {};
  havePreviousEye_ = false;
  elapsed_ = 0;
  gateTimer_ = 0;
  wobbleClock_ = 0;
  gateOpen_ = true;
  return true;
}

bool SoundEffects::createPrimary(std::uintptr_t window) {
  if (failed(output_->setCooperativeLevel(window, kCooperativePriority))) return false;
  SoundBufferDesc desc;
  desc.flags = SoundBufferFlag::PrimaryBuffer | SoundBufferFlag::Ctrl3D;
  if (failed(output_->createSoundBuffer(desc, primary_)) || !primary_) return false;
  // A device that keeps its own mix format still plays; the format is a wish, not a condition.
  primary_->setFormat(mixFormat());
  std::unique_ptr<SoundListener> listener;
  if (failed(output_->queryListener(*primary_, listener)) || !listener) return false;
  if (failed(listener->getAllParameters(listenerStart_))) return false;
  listener_ = std::move(listener);
  return true;
}

void SoundEffects::loadRow(int index) {
  Row& row = rows_[static_cast<std::size_t>(index)];
  const SampleRow& source = kRows[static_cast<std::size_t>(index)];
  Bytes file;
  WaveSample sample;
  if (!loadSampleBytes(source.file, file) || parseWave(file, sample) != WaveError::None) return;
  // A source placed in space has one channel; the device refuses 3D buffers of stereo sound.
  if (sample.format.channels != 1) return;

  SoundBufferDesc desc;
  desc.flags = kSampleBufferFlags;
  desc.bufferBytes = static_cast<std::uint32_t>(sample.data.size());
  desc.format = sample.format;
  std::unique_ptr<SoundBuffer> first;
  if (failed(output_->createSoundBuffer(desc, first)) || !first) return;
  if (!fillBuffer(*first, sample.data) || !setUpBuffer(*first, 0)) return;
  row.sample.assign(sample.data.begin(), sample.data.end());
  row.buffers.push_back(std::move(first));

  // Copies share the sample's memory. A row the output would not copy in full plays with the
  // buffers it has; voices beyond them are silent.
  for (int i = 1; i < source.buffers; ++i) {
    std::unique_ptr<SoundBuffer> copy;
    if (failed(output_->duplicateSoundBuffer(*row.buffers.front(), copy)) || !copy) break;
    if (!setUpBuffer(*copy, i)) break;
    row.buffers.push_back(std::move(copy));
  }
}

bool SoundEffects::fillBuffer(SoundBuffer& buffer, std::span<const std::uint8_t> sample) {
  void* region1 = nullptr;
  void* region2 = nullptr;
  std::uint32_t bytes1 = 0;
  std::uint32_t bytes2 = 0;
  const auto size = static_cast<std::uint32_t>(sample.size());
  if (failed(buffer.lock(0, size, &region1, &bytes1, &region2, &bytes2, 0)) || !region1) return false;
  const std::uint32_t first = std::min(bytes1, size);
  std::memcpy(region1, sample.data(), first);
  if (region2 && first < size) std::memcpy(region2, sample.data() + first, std::min(bytes2, size - first));
  return succeeded(buffer.unlock(region1, bytes1, region2, bytes2));
}

bool SoundEffects::setUpBuffer(SoundBuffer& buffer, int index) {
  buffer.setVolume(kBufferVolume);
  // The buffer's own 3D defaults are kept; only its resting place changes.
  Sound3DParameters parameters;
  if (failed(buffer.get3DParameters(parameters))) return false;
  parameters.position = {kRestSpacing * static_cast<float>(index) + kRestX, 0.0f, kRestZ};
  return succeeded(buffer.set3DParameters(parameters, kApplyImmediate));
}

int SoundEffects::rowBuffers(int row) const {
  if (row < 0 || row >= kRowCount) return 0;
  return static_cast<int>(rows_[static_cast<std::size_t>(row)].buffers.size());
}

SoundBuffer* SoundEffects::voiceBuffer(int row, int voice) {
  if (voice < 1 || voice > kVoiceCount || voice > rowBuffers(row)) return nullptr;
  return rows_[static_cast<std::size_t>(row)].buffers[static_cast<std::size_t>(voice - 1)].get();
}

int SoundEffects::acquireVoice(int row) {
  if (silent() || rowBuffers(row) == 0) return 0;
  int voice = 0;
  if (freeVoices_.pop(voice) == 0) return 0;
  held_[static_cast<std::size_t>(voice)] = true;
  return voice;
}

void SoundEffects::updateVoice(int row, int voice, const Vec3& position, const Vec3& velocity) {
  if (silent() || !gateOpen_) return;
  if (voice < 1 || voice > kVoiceCount || !held_[static_cast<std::size_t>(voice)]) return;
  SoundBuffer* buffer = voiceBuffer(row, voice);
  if (!buffer) return;
  buffer->set3DPosition(position, kApplyDeferred);
  buffer->set3DVelocity(velocity, kApplyDeferred);
  playLooping(rows_[static_cast<std::size_t>(row)], *buffer);
}

// A buffer whose memory the device took back is restored and refilled before it plays again;
// duplicates share that memory, so refilling any of them refills the row.
void SoundEffects::playLooping(Row& row, SoundBuffer& buffer) {
  if (buffer.play(kPlayLooping) != kSoundBufferLost) return;
  if (failed(buffer.restore()) || !fillBuffer(buffer, row.sample)) return;
  buffer.play(kPlayLooping);
}

void SoundEffects::releaseVoice(int row, int voice) {
  if (silent() || voice < 1 || voice > kVoiceCount) return;
  if (!held_[static_cast<std::size_t>(voice)]) return;
  held_[static_cast<std::size_t>(voice)] = false;
  freeVoices_.push(voice);
  if (SoundBuffer* buffer = voiceBuffer(row, voice)) buffer->stop();
}

void SoundEffects::updateListener(const Vec3& eye, const Vec3& look, const Vec3& up, float dt) {
  if (silent()) return;
  // A negative or non-finite frame time would run the clocks backwards or poison them.
  if (!(dt >= 0.0f) || !std::isfinite(dt)) dt = 0.0f;
  gateTimer_ += dt;
  elapsed_ += dt;
  if (gateOpen_) {
    listener_->setPosition(eye, kApplyDeferred);
    listener_->setOrientation(look, up, kApplyDeferred);
    // Kept below the limit by whole turns, so the sideways wobble never jumps.
    wobbleClock_ += dt;
    while (wobbleClock_ > kWobbleLimit) wobbleClock_ -= kTwoPi * std::floor(kWobbleLimit / kTwoPi);
    // Without a previous position the eye has not moved: measured from the origin, the first
    // update would be heard as a Doppler sweep of thousands of units a second.
    if (!havePreviousEye_) previousEye_ = eye;
    havePreviousEye_ = true;
    const float over = 1.0f / (elapsed_ + kElapsedGuard);
    const Vec3 velocity{kWobbleSpeed * std::sin(wobbleClock_) + (eye.x - previousEye_.x) * over,
                        (eye.y - previousEye_.y) * over, (eye.z - previousEye_.z) * over};
    listener_->setVelocity(velocity, kApplyDeferred);
    elapsed_ = 0;
    listener_->commitDeferredSettings();
    previousEye_ = eye;
  }
  gateOpen_ = gateTimer_ > kGateSeconds;
  if (gateOpen_) gateTimer_ = 0;
}

void SoundEffects::engine(int& voice, const Vec3& unitPosition, const Matrix& unitWorld, const Vec3& velocity,
                          const AttachmentPoint* lastSmoke, const Vec3& eye, bool alive) {
  if (silent()) return;
  const Vec3 apart = unitPosition - eye;
  const bool audible = engineSoundsOn_ && alive && dot(apart, apart) < kEngineRange * kEngineRange;
  if (!audible) {
    if (voice != 0) releaseVoice(kEngineRow, voice);
    voice = 0;
    return;
  }
  const Vec3 source =
      lastSmoke ? transformCoord({lastSmoke->offset.x, lastSmoke->offset.y, 0.0f}, unitWorld) : unitPosition;
  if (voice == 0) voice = acquireVoice(kEngineRow);
  if (voice != 0) updateVoice(kEngineRow, voice, source, velocity);
}

const AttachmentPoint* lastSmokePoint(std::span<const AttachmentPoint> attachments) {
  for (auto it = attachments.rbegin(); it != attachments.rend(); ++it) {
    if (it->flags & kAttachSmoke) return &*it;
  }
  return nullptr;
}

}  // namespace skyloom
