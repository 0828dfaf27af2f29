#pragma once
// The sound output's ring: a looping secondary buffer of 32 blocks (a block is one decoded
// frame) that the soundcard thread keeps between a low and a high water mark. The level check
// measures what is queued between the play position and the write position and moves through
// four states: filling (playback starts once more than 3 blocks are queued), playing, full
// (31 blocks or more: the writer waits), and draining (less than one block was left, so 4 blocks
// of silence went in after it; once less than those 4 are queued the buffer is stopped and
// zeroed). It also keeps the running count of bytes played, from which frame markers make the
// elapsed time.
//
// Every method may be called from the soundcard thread and the player's thread at once; one
// mutex guards the cursors, the state and the writes.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/audio/sound_output.h"
#include "player/event_buffer.h"

namespace skyloom {

class PlayerLog;
class SoundDevices;

class SoundRing {
 public:
  static constexpr std::uint32_t kRingBlocks = 32;
  static constexpr std::uint32_t kHighWaterBlocks = 31;
  static constexpr std::uint32_t kLowWaterBlocks = 1;
  static constexpr std::uint32_t kStartBlocks = 3;
  static constexpr std::uint32_t kSilenceBlocks = 4;

  enum State : std::int32_t { kFilling = 0, kPlaying = 1, kFull = 2, kDraining = 3, kNoBuffer = -1 };

  // log may be null.
  explicit SoundRing(PlayerLog* log);
  ~SoundRing();
  SoundRing(const SoundRing&) = delete;
  SoundRing& operator=(const SoundRing&) = delete;

  // Configures the preferred device the first time it is used and makes the secondary buffer in
  // the stream's format: 0, or 1 (no device, a format the ring cannot hold, or a device call
  // failed; logged in the Output category).
  std::int32_t init(SoundDevices* devices, const OutputFormat& format);
  // Drops the secondary buffer (before the devices go).
  void release();

  // Playback wanted (resume): starts the buffer when the ring is primed. Not wanted (pause):
  // stops it and leaves it for the level check to start again.
  void requestPlay();
  void cancelPlay();

  // Stops the buffer, zeroes it and rewinds both positions to its start.
  void reset();
  // The new state, or kNoBuffer.
  std::int32_t levelCheck();
  // Copies n bytes (silence when data is null) at the write position. 0; 1 when the buffer could
  // not be locked even after restoring it (nothing was written).
  std::int32_t write(const std::uint8_t* data, std::uint32_t n);

  // A frame starts: the whole seconds played so far, or nothing before the format is known. A
  // frame that does not follow the last one (a seek) sets the count of bytes played to where
  // that frame begins.
  std::optional<std::int32_t> frameStarted(std::int32_t frame);

  // The stream ended: what is queued now is the last of it. drained() answers true once it has
  // been played (or thrown away by a reset). A ring that never reached its start level is
  // started now, with silence after the data so the looping buffer does not replay old bytes.
  void beginDrain();
  bool drained();

  bool initialised() const;
  std::int32_t state() const;
  std::uint32_t queuedBytes() const;  // as of the last level check or write
  std::uint32_t blockBytes() const;
  std::uint32_t frameBytes() const;
  std::int32_t samplesPerFrame() const;
  std::uint64_t bytesPlayed() const;
  const WaveFormat& secondaryFormat() const { return format_; }

 private:
  std::uint32_t queuedLocked(std::uint32_t playCursor) const;
  void resetLocked();
  void startLocked();
  std::int32_t writeLocked(const std::uint8_t* data, std::uint32_t n);
  std::int32_t levelCheckLocked();

  PlayerLog* log_;
  mutable std::mutex mutex_;
  std::unique_ptr<SoundBuffer> secondary_;
  WaveFormat format_;
  std::uint8_t silence_ = 0;
  std::int32_t sampleRate_ = 0;
  std::int32_t samplesPerFrame_ = 0;
  std::uint32_t blockBytes_ = 0;
  std::uint32_t frameBytes_ = 0;
  std::uint32_t ringBytes_ = 0;
  std::uint32_t writeCursor_ = 0;
  std::uint32_t lastPlayCursor_ = 0;
  std::uint32_t queued_ = 0;
  std::uint64_t bytesPlayed_ = 0;
  std::int32_t state_ = kFilling;
  bool stopped_ = true;
  bool playRequested_ = false;
  std::int32_t lastFrame_ = -1;
  // Since the last reset: bytes written and bytes played. A reset counts up resets_.
  std::uint64_t written_ = 0;
  std::uint64_t played_ = 0;
  std::uint64_t resets_ = 0;
  bool draining_ = false;
  std::uint64_t drainTarget_ = 0;
  std::uint64_t drainResets_ = 0;
};

}  // namespace skyloom
