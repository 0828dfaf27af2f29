#include "player/sound_ring.h"

#include <algorithm>
#include <cstring>

#include "player/output_latency.h"
#include "player/player_log.h"
#include "player/sound_devices.h"

namespace skyloom {
namespace {

constexpr std::uint32_t kMaxBufferBytes = 0x0FFFFFFF;  // the largest secondary buffer a device makes
constexpr std::uint32_t kSecondaryFlags = SoundBufferFlag::GetCurrentPosition2 | SoundBufferFlag::GlobalFocus |
                                          SoundBufferFlag::CtrlVolume | SoundBufferFlag::CtrlPan |
                                          SoundBufferFlag::CtrlFrequency;

bool playableFormat(const OutputFormat& f) {
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
  if (f.channels != 1 && f.channels != 2) return false;
  if (f.sampleRate < 100 || f.sampleRate > 200000 || f.samplesPerFrame <= 0) return false;
  const std::int32_t frameBytes = f.bitsPerSample / 8 * f.channels;
  if (f.blockBytes <= 0 || f.blockBytes % frameBytes != 0) return false;
  return static_cast<std::uint32_t>(f.blockBytes) <= kMaxBufferBytes / SoundRing::kRingBlocks;
}

}  // namespace

SoundRing::SoundRing(PlayerLog* log) : log_(log) {}

SoundRing::~SoundRing() { release(); }

void SoundRing::release() {
  std::lock_guard lock(mutex_);
  if (secondary_) secondary_->stop();
  secondary_.reset();
}

std::int32_t SoundRing::init(SoundDevices* devices, const OutputFormat& f) {
  SoundDevice* device = devices && !devices->noSound() ? devices->preferred() : nullptr;
  if (!device) return 1;
  if (!playableFormat(f)) {
    if (log_) {
      log_->log(LogCategory::Output, "Cannot play %d channels of %d bits at %d Hz in blocks of %d bytes\n",
                static_cast<int>(f.channels), static_cast<int>(f.bitsPerSample), static_cast<int>(f.sampleRate),
                static_cast<int>(f.blockBytes));
    }
    return 1;
  }
  if (device->configure(devices->window(), log_) != 0) return 1;

  WaveFormat format;
  format.formatTag = 1;
  format.channels = static_cast<std::uint16_t>(f.channels);
  format.samplesPerSec = static_cast<std::uint32_t>(f.sampleRate);
  format.blockAlign = static_cast<std::uint16_t>(f.bitsPerSample / 8 * f.channels);
  format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
  format.bitsPerSample = static_cast<std::uint16_t>(f.bitsPerSample);
  SoundBufferDesc desc;
  desc.flags = kSecondaryFlags;
  desc.bufferBytes = kRingBlocks * static_cast<std::uint32_t>(f.blockBytes);
  desc.format = format;
  std::unique_ptr<SoundBuffer> buffer;
  if (failed(device->output().createSoundBuffer(desc, buffer)) || !buffer) {
    if (log_) log_->log(LogCategory::Output, "error Creating DirectSound Secondary Buffer...\n");
    return 1;
  }

  std::lock_guard lock(mutex_);
  if (secondary_) secondary_->stop();
  secondary_ = std::move(buffer);
  format_ = format;
  silence_ = f.bitsPerSample == 8 ? 0x80 : 0;  // 8-bit PCM is unsigned: its silence is the middle
  sampleRate_ = f.sampleRate;
  samplesPerFrame_ = f.samplesPerFrame;
  blockBytes_ = static_cast<std::uint32_t>(f.blockBytes);
  frameBytes_ = format.blockAlign;
  ringBytes_ = desc.bufferBytes;
  resetLocked();
  return 0;
}

void SoundRing::requestPlay() {
  std::lock_guard lock(mutex_);
  playRequested_ = true;
  if (secondary_ && !stopped_) startLocked();
}

void SoundRing::cancelPlay() {
  std::lock_guard lock(mutex_);
  if (secondary_) secondary_->stop();
  playRequested_ = false;
  stopped_ = false;
}

void SoundRing::reset() {
  std::lock_guard lock(mutex_);
  resetLocked();
}

// Stopping leaves the device's play position where it was; it is moved back to the start with
// the write position, or the next level check would count the old position as played (the
// elapsed time would jump) and take the ring for nearly full.
void SoundRing::resetLocked() {
  if (!secondary_) return;
  secondary_->stop();
  void* region = nullptr;
  std::uint32_t bytes = 0;
  HResult locked = secondary_->lock(0, 0, &region, &bytes, nullptr, nullptr, kLockEntireBuffer);
  if (locked == kSoundBufferLost) {
    secondary_->restore();
    locked = secondary_->lock(0, 0, &region, &bytes, nullptr, nullptr, kLockEntireBuffer);
  }
  if (succeeded(locked)) {
    std::memset(region, silence_, bytes);
    secondary_->unlock(region, bytes, nullptr, 0);
  }
  secondary_->setCurrentPosition(0);
  writeCursor_ = 0;
  lastPlayCursor_ = 0;
  queued_ = 0;
  state_ = kFilling;
  stopped_ = true;
  written_ = 0;
  played_ = 0;
  ++resets_;
}

void SoundRing::startLocked() { secondary_->play(kPlayLooping); }

std::uint32_t SoundRing::queuedLocked(std::uint32_t playCursor) const {
  return (writeCursor_ + ringBytes_ - playCursor) % ringBytes_;
}

std::int32_t SoundRing::levelCheck() {
  std::lock_guard lock(mutex_);
  return levelCheckLocked();
}

std::int32_t SoundRing::levelCheckLocked() {
  if (!secondary_) return kNoBuffer;
  // A lost buffer has stopped and will never move on; it is restored here rather than by the
  // next write, which a full ring would never get to.
  std::uint32_t status = 0;
  if (succeeded(secondary_->getStatus(status)) && (status & kStatusBufferLost)) {
    secondary_->restore();
    resetLocked();
  }
  std::uint32_t p = 0;
  if (failed(secondary_->getCurrentPosition(&p, nullptr))) return kNoBuffer;
  p %= ringBytes_;
  const std::uint32_t queued = queuedLocked(p);
  const std::uint32_t advance = (p + ringBytes_ - lastPlayCursor_) % ringBytes_;
  lastPlayCursor_ = p;
  bytesPlayed_ += advance;
  played_ += advance;
  queued_ = queued;

  const std::uint32_t lowWater = kLowWaterBlocks * blockBytes_;
  const std::uint32_t highWater = kHighWaterBlocks * blockBytes_;
  switch (state_) {
    case kFilling:
      if (queued > kStartBlocks * blockBytes_) {
        if (playRequested_ && stopped_) startLocked();
        stopped_ = false;
        state_ = queued < ringBytes_ ? kPlaying : kFull;
      }
      break;
    case kPlaying:
    case kFull:
      if (queued < lowWater) {
        writeLocked(nullptr, kSilenceBlocks * blockBytes_);
        state_ = kDraining;
        if (!draining_) ringsRunDry.fetch_add(1, std::memory_order_relaxed);
      } else if (queued < highWater) {
        state_ = kPlaying;
      } else {
        state_ = kFull;
      }
      break;
    case kDraining:
      if (queued < kSilenceBlocks * blockBytes_) resetLocked();
      break;
    default:
      break;
  }
  return state_;
}

std::int32_t SoundRing::write(const std::uint8_t* data, std::uint32_t n) {
  std::lock_guard lock(mutex_);
  return writeLocked(data, n);
}

std::int32_t SoundRing::writeLocked(const std::uint8_t* data, std::uint32_t n) {
  if (!secondary_ || n == 0) return 1;
  n = std::min(n, ringBytes_);
  void* region1 = nullptr;
  void* region2 = nullptr;
  std::uint32_t bytes1 = 0, bytes2 = 0;
  HResult locked = secondary_->lock(writeCursor_, n, &region1, &bytes1, &region2, &bytes2, 0);
  if (locked == kSoundBufferLost) {
    // What the ring held is gone with the buffer; start it over from an empty ring.
    secondary_->restore();
    resetLocked();
    locked = secondary_->lock(writeCursor_, n, &region1, &bytes1, &region2, &bytes2, 0);
  }
  if (failed(locked)) {
    if (log_) log_->log(LogCategory::Output, "Exiting DSWriteToSecBuffer with DSound error\n");
    return 1;
  }
  bytes1 = std::min(bytes1, n);
  if (data) {
    std::memcpy(region1, data, bytes1);
  } else {
    std::memset(region1, silence_, bytes1);
  }
  writeCursor_ += bytes1;
  if (writeCursor_ >= ringBytes_) writeCursor_ = 0;
  if (region2 && bytes2 > 0) {
    bytes2 = std::min(bytes2, n - bytes1);
    if (data) {
      std::memcpy(region2, data + bytes1, bytes2);
    } else {
      std::memset(region2, silence_, bytes2);
    }
    writeCursor_ = bytes2;
  } else {
    bytes2 = 0;
  }
  secondary_->unlock(region1, bytes1, region2, bytes2);
  written_ += bytes1 + bytes2;
  queued_ += bytes1 + bytes2;
  return 0;
}

std::optional<std::int32_t> SoundRing::frameStarted(std::int32_t frame) {
  std::lock_guard lock(mutex_);
  if (sampleRate_ == 0) return std::nullopt;
  if (static_cast<std::int64_t>(frame) != static_cast<std::int64_t>(lastFrame_) + 1) {
    bytesPlayed_ =
        static_cast<std::uint64_t>(std::max(frame, 0)) * frameBytes_ * static_cast<std::uint64_t>(samplesPerFrame_);
  }
  lastFrame_ = frame;
  const std::uint64_t bytesPerSecond =
      static_cast<std::uint64_t>(frameBytes_) * static_cast<std::uint64_t>(sampleRate_);
  return static_cast<std::int32_t>(std::min<std::uint64_t>(bytesPlayed_ / bytesPerSecond, INT32_MAX));
}

void SoundRing::beginDrain() {
  std::lock_guard lock(mutex_);
  draining_ = true;
  drainTarget_ = written_;
  drainResets_ = resets_;
  if (!secondary_ || state_ != kFilling || written_ <= played_) return;
  // Too little came for the level check to start the ring; play it as it is.
  writeLocked(nullptr, kSilenceBlocks * blockBytes_);
  if (playRequested_ && stopped_) startLocked();
  stopped_ = false;
  state_ = kDraining;
}

bool SoundRing::drained() {
  std::lock_guard lock(mutex_);
  if (!draining_) return false;
  if (!secondary_) return true;
  levelCheckLocked();
  return resets_ != drainResets_ || played_ >= drainTarget_;
}

bool SoundRing::initialised() const {
  std::lock_guard lock(mutex_);
  return secondary_ != nullptr;
}

std::int32_t SoundRing::state() const {
  std::lock_guard lock(mutex_);
  return secondary_ ? state_ : static_cast<std::int32_t>(kNoBuffer);
}

std::uint32_t SoundRing::queuedBytes() const {
  std::lock_guard lock(mutex_);
  return queued_;
}

std::uint32_t SoundRing::blockBytes() const {
  std::lock_guard lock(mutex_);
  return blockBytes_;
}

std::uint32_t SoundRing::frameBytes() const {
  std::lock_guard lock(mutex_);
  return frameBytes_;
}

std::int32_t SoundRing::samplesPerFrame() const {
  std::lock_guard lock(mutex_);
  return samplesPerFrame_;
}

std::uint64_t SoundRing::bytesPlayed() const {
  std::lock_guard lock(mutex_);
  return bytesPlayed_;
}

}  // namespace skyloom
