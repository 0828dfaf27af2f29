#pragma once
// The buffer from the decoder to the sound output: decoded PCM, with markers in between that
// travel in step with it (the audio format, the start of each frame, the end of the stream). A
// marker is queued at the write position it was written at; the reader meets it when it has
// read everything before it.

#include <deque>
#include <memory>
#include <mutex>
#include <utility>

#include "player/player_event.h"
#include "player/pullbuffer.h"

namespace skyloom {

struct MarkerKind {
  enum : std::int32_t { OutputFormat = 0, FrameStart = 1, Reset = 2, EndOfStream = 3 };
};

// The audio format the decoder produces, carried by marker 0.
struct OutputFormat {
  std::int32_t bitsPerSample = 16;
  std::int32_t channels = 2;
  std::int32_t sampleRate = 44100;
  std::int32_t blockBytes = 0;  // PCM bytes of one frame
  std::int32_t samplesPerFrame = 1152;
};

class OutputFormatMarker : public PlayerEvent {
 public:
  explicit OutputFormatMarker(const OutputFormat& f) : PlayerEvent(MarkerKind::OutputFormat), format_(f) {}
  const OutputFormat& format() const { return format_; }

 private:
  OutputFormat format_;
};

class FrameStartMarker : public PlayerEvent {
 public:
  explicit FrameStartMarker(std::int32_t frame) : PlayerEvent(MarkerKind::FrameStart), frame_(frame) {}
  std::int32_t frame() const { return frame_; }

 private:
  std::int32_t frame_;
};

class EventBuffer : public Pullbuffer {
 public:
  EventBuffer(std::size_t size, std::size_t overflowSize, PlayerLog* log) : Pullbuffer(size, overflowSize, log) {}

  // Queues the marker at the current write position. 0, or 28 when interrupted.
  std::int32_t acceptMarker(std::unique_ptr<PlayerEvent> marker);
  // 29 while a marker is due: at the read position, or inside the n bytes asked for (one that
  // lies exactly at their end does not hold them back). Otherwise as the pull buffer.
  std::int32_t beginRead(const std::uint8_t*& out, std::size_t n) override;
  // The first marker, or null.
  std::unique_ptr<PlayerEvent> takeMarker();
  bool hasMarker() const;
  // Drops the markers, then the bytes.
  std::int32_t clear() override;

 private:
  mutable std::mutex markersMutex_;
  std::deque<std::pair<std::size_t, std::unique_ptr<PlayerEvent>>> markers_;
};

}  // namespace skyloom
