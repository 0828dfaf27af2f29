#pragma once
// The music engine's events. Everything that changes playback is an event posted to the
// player's queue; everything the player tells the outside is an event broadcast to its sinks.
// The receiver that services a posted event owns it; a broadcast lends the same event to every
// sink in turn, and no sink keeps it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace skyloom {

struct EventKind {
  enum : std::int32_t {
    Stop = 1,
    Play = 2,
    Next = 3,
    Previous = 4,
    Pause = 5,
    PlayPaused = 6,
    Quit = 7,
    QuitRequest = 8,
    SinkQuit = 10,
    PlaylistDone = 11,
    TrackDone = 12,
    ShuffleChanged = 34,
    MediaInfo = 18,
    TimeInfo = 19,
    Stopped = 20,
    Paused = 21,
    Playing = 26,
    ErrorText = 28,
    StreamInfo = 29,
    ItemInfoChanged = 36,
    BufferStatus = 44,
    StatusText = 46,
    ItemAdded = 58,
    PlaylistCleared = 59,
    CurrentItemChanged = 60,
    ItemsAdded = 76,
    ErrorStop = 77,
  };
};

class PlayerEvent {
 public:
  explicit PlayerEvent(std::int32_t kind) : kind_(kind) {}
  virtual ~PlayerEvent() = default;
  PlayerEvent(const PlayerEvent&) = delete;
  PlayerEvent& operator=(const PlayerEvent&) = delete;

  std::int32_t kind() const { return kind_; }
  // Which playback pipeline posted the event (the player numbers them); 0 for anyone else.
  std::uint64_t source() const { return source_; }
  void setSource(std::uint64_t source) { source_ = source; }

 private:
  std::int32_t kind_;
  std::uint64_t source_ = 0;
};

// Where events are posted: the player's queue. Thread-safe; a null event is ignored.
class EventTarget {
 public:
  virtual ~EventTarget() = default;
  virtual std::int32_t acceptEvent(std::unique_ptr<PlayerEvent> event) = 0;
};

// Where the player's broadcasts go; called on the player's event thread.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual std::int32_t acceptEvent(const PlayerEvent& event) = 0;
};

// 28 and 46: a unit's error or status text.
class TextEvent : public PlayerEvent {
 public:
  TextEvent(std::int32_t kind, std::string text) : PlayerEvent(kind), text_(std::move(text)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// 29: what the decoder found out about a stream, in the order it reports it.
struct StreamDescription {
  std::int32_t frameCount = -1;  // -1 when unknown
  float secondsPerFrame = 0.0f;
  std::int32_t frameBytes = 0;
  std::int32_t bitRate = 0;
  std::int32_t sampleRate = 0;
  std::int32_t layer = 0;
  std::int32_t version = 0;  // 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
  std::int32_t channels = 0;
  std::int32_t original = 0;
  std::int32_t protection = 0;
  std::int32_t emphasis = 0;
  std::int32_t channelMode = 0;
  std::int32_t modeExtension = 0;
};

class StreamInfoEvent : public PlayerEvent {
 public:
  explicit StreamInfoEvent(const StreamDescription& d) : PlayerEvent(EventKind::StreamInfo), description_(d) {}
  const StreamDescription& description() const { return description_; }

 private:
  StreamDescription description_;
};

// 18: a track's length and title, with the events that belong to it (its stream description).
class MediaInfoEvent : public PlayerEvent {
 public:
  static constexpr std::size_t kTitleMax = 511;

  MediaInfoEvent(float seconds, std::string title)
      : PlayerEvent(EventKind::MediaInfo), seconds_(seconds), title_(std::move(title)) {
    if (title_.size() > kTitleMax) title_.resize(kTitleMax);
  }
  float seconds() const { return seconds_; }
  const std::string& title() const { return title_; }
  std::int32_t trackNumber() const { return trackNumber_; }
  std::int32_t trackCount() const { return trackCount_; }
  // The player numbers the track from the playlist's cursor before broadcasting it.
  void setTrack(std::int32_t number, std::int32_t count) {
    trackNumber_ = number;
    trackCount_ = count;
  }
  void addNested(std::unique_ptr<PlayerEvent> e) { nested_.push_back(std::move(e)); }
  const std::vector<std::unique_ptr<PlayerEvent>>& nested() const { return nested_; }

 private:
  float seconds_;
  std::string title_;
  std::int32_t trackNumber_ = 0;
  std::int32_t trackCount_ = 0;
  std::vector<std::unique_ptr<PlayerEvent>> nested_;
};

// 19: the time played of the current track.
class TimeInfoEvent : public PlayerEvent {
 public:
  TimeInfoEvent(std::int32_t hours, std::int32_t minutes, std::int32_t seconds, float totalSeconds)
      : PlayerEvent(EventKind::TimeInfo), hours_(hours), minutes_(minutes), seconds_(seconds), total_(totalSeconds) {}
  std::int32_t hours() const { return hours_; }
  std::int32_t minutes() const { return minutes_; }
  std::int32_t seconds() const { return seconds_; }
  float totalSeconds() const { return total_; }

 private:
  std::int32_t hours_, minutes_, seconds_;
  float total_;
};

// 44: how full the input and output buffers are, in percent.
class BufferStatusEvent : public PlayerEvent {
 public:
  BufferStatusEvent(std::int32_t inputFill, std::int32_t outputFill)
      : PlayerEvent(EventKind::BufferStatus), inputFill_(inputFill), outputFill_(outputFill) {}
  std::int32_t inputFill() const { return inputFill_; }
  std::int32_t outputFill() const { return outputFill_; }

 private:
  std::int32_t inputFill_, outputFill_;
};

}  // namespace skyloom
