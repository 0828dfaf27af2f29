#pragma once
// The soundcard thread's work, one step at a time: it reads the markers and the decoded blocks
// from the decoder's event buffer and feeds the ring. The thread (PMO) decides what to do
// between steps from the answer: wake the decoder, sleep a millisecond, sleep while the ring is
// full, or end. Tests drive it step by step against a virtual clock.
//
// At the end of the stream the ring plays out what it holds before the player hears that the
// track is done, so no track loses its last second.

#include <cstdint>

#include "player/event_buffer.h"
#include "player/sound_ring.h"

namespace skyloom {

class EventTarget;
class PlayerLog;
class SoundDevices;

class SoundFeeder {
 public:
  enum class Step {
    kAgain,     // a marker was handled: step again
    kWrote,     // a block went into the ring: wake the decoder
    kNoData,    // nothing to read (or the ring is playing out the end): wake the decoder, idle
    kBusy,      // the ring is full or draining: wait a while
    kFinished,  // TrackDone was posted, or the format could not be played: the thread ends
    kFailed,    // the event buffer answered something unexpected (failure()): report, end
  };

  // devices may be null (no sound). log may be null.
  SoundFeeder(SoundRing& ring, SoundDevices* devices, EventTarget& target, PlayerLog* log);

  void setEvents(EventBuffer* events) { events_ = events; }
  Step step();
  std::int32_t failure() const { return failure_; }
  bool ending() const { return ending_; }

 private:
  Step handleMarker(const PlayerEvent& marker);
  std::int32_t writeBlock();
  void writeTail();
  Step finish();
  void publishLatency();

  SoundRing& ring_;
  SoundDevices* devices_;
  EventTarget& target_;
  PlayerLog* log_;
  EventBuffer* events_ = nullptr;
  bool ending_ = false;    // the end-of-stream marker was read
  bool draining_ = false;  // ... and the ring is playing out its last bytes
  bool finished_ = false;
  std::int32_t failure_ = 0;
};

}  // namespace skyloom
