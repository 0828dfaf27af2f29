#include "player/sound_feeder.h"

#include <algorithm>
#include <memory>

#include "player/engine_error.h"
#include "player/output_latency.h"
#include "player/player_event.h"
#include "player/player_log.h"

namespace skyloom {

SoundFeeder::SoundFeeder(SoundRing& ring, SoundDevices* devices, EventTarget& target, PlayerLog* log)
    : ring_(ring), devices_(devices), target_(target), log_(log) {}

SoundFeeder::Step SoundFeeder::step() {
  if (finished_) return Step::kFinished;
  if (!events_) return Step::kNoData;
  if (draining_) return ring_.drained() ? finish() : Step::kNoData;
  if (ending_) {
    if (!ring_.initialised()) return finish();
    const std::int32_t state = ring_.levelCheck();
    if (state != SoundRing::kFilling && state != SoundRing::kPlaying) return Step::kBusy;
    writeTail();
    ring_.beginDrain();
    draining_ = true;
    return Step::kAgain;
  }
  if (!ring_.initialised()) {
    std::unique_ptr<PlayerEvent> marker = events_->takeMarker();
    return marker ? handleMarker(*marker) : Step::kNoData;
  }

  const std::uint32_t block = ring_.blockBytes();
  const std::uint8_t* data = nullptr;
  const std::int32_t readable = events_->beginRead(data, block);
  switch (readable) {
    case kErrorNone:
      events_->endRead(0);
      break;
    case kErrorNoDataAvailable:
    case kError_Interrupt:
    case kErrorEndOfStream:
      // The decoder is behind: the level check still runs, so the ring gets silence before the
      // play position reaches the write position and the looping buffer replays old sound.
      ring_.levelCheck();
      return Step::kNoData;
    case kError_EventPending: {
      std::unique_ptr<PlayerEvent> marker = events_->takeMarker();
      return marker ? handleMarker(*marker) : Step::kAgain;
    }
    default:
      failure_ = readable;
      finished_ = true;
      return Step::kFailed;
  }

  const std::int32_t state = ring_.levelCheck();
  if (state != SoundRing::kFilling && state != SoundRing::kPlaying) return Step::kBusy;
  if (writeBlock() != kErrorNone) return Step::kBusy;
  publishLatency();
  return Step::kWrote;
}

SoundFeeder::Step SoundFeeder::handleMarker(const PlayerEvent& marker) {
  switch (marker.kind()) {
    case MarkerKind::OutputFormat:
      if (const auto* format = dynamic_cast<const OutputFormatMarker*>(&marker)) {
        if (ring_.init(devices_, format->format()) != 0) {
          if (log_) log_->log(LogCategory::Output, "PMO: no sound device plays this stream; the track stays silent.\n");
          finished_ = true;
          return Step::kFinished;
        }
      }
      break;
    case MarkerKind::FrameStart:
      if (const auto* frame = dynamic_cast<const FrameStartMarker*>(&marker)) {
        if (const std::optional<std::int32_t> seconds = ring_.frameStarted(frame->frame())) {
          const std::int32_t s = *seconds;
          target_.acceptEvent(std::make_unique<TimeInfoEvent>(s / 3600, s % 3600 / 60, s % 60, static_cast<float>(s)));
        }
      }
      break;
    case MarkerKind::Reset:
      ring_.reset();
      break;
    case MarkerKind::EndOfStream:
      ending_ = true;
      break;
    default:
      break;
  }
  return Step::kAgain;
}

std::int32_t SoundFeeder::writeBlock() {
  const std::uint32_t block = ring_.blockBytes();
  const std::uint8_t* data = nullptr;
  const std::int32_t result = events_->beginRead(data, block);
  if (result != kErrorNone) return result;
  const bool written = ring_.write(data, block) == 0;
  // A block that could not be written stays in the buffer for the next attempt.
  events_->endRead(written ? block : 0);
  return written ? kErrorNone : kErrorOutputUnsuccessful;
}

// The bytes before the end-of-stream marker that do not make a whole block.
void SoundFeeder::writeTail() {
  const std::uint32_t frameBytes = std::max<std::uint32_t>(ring_.frameBytes(), 1);
  std::size_t rest = std::min<std::size_t>(events_->fillBytes(), ring_.blockBytes());
  rest -= rest % frameBytes;
  const std::uint8_t* data = nullptr;
  if (rest == 0 || events_->beginRead(data, rest) != kErrorNone) return;
  const bool written = ring_.write(data, static_cast<std::uint32_t>(rest)) == 0;
  events_->endRead(written ? rest : 0);
}

SoundFeeder::Step SoundFeeder::finish() {
  finished_ = true;
  target_.acceptEvent(std::make_unique<PlayerEvent>(EventKind::TrackDone));
  return Step::kFinished;
}

void SoundFeeder::publishLatency() {
  const std::uint64_t halfFrameBytes =
      static_cast<std::uint64_t>(ring_.frameBytes()) * static_cast<std::uint64_t>(std::max(ring_.samplesPerFrame(), 1));
  if (halfFrameBytes == 0) return;
  const std::uint64_t waiting = events_->fillBytes() + ring_.queuedBytes();
  latencyHalfFrames.store(static_cast<std::int32_t>(std::min<std::uint64_t>(waiting * 2 / halfFrameBytes, INT32_MAX)));
}

}  // namespace skyloom
