#pragma once
// What the three units of a playback pipeline (file input, decoder, sound output) share: their
// own buffer, the flags that pause and end them, two semaphores to sleep on, and the way they
// report to the player. Each unit runs a thread of its own; a derived unit ends and joins its
// thread in its own destructor, before this one runs.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/threads.h"
#include "player/pullbuffer.h"

namespace skyloom {

class EventTarget;
class PlayerLog;
struct PlayerContext;

#if defined(__GNUC__)
#define SKYLOOM_UNIT_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define SKYLOOM_UNIT_FORMAT(f, a)
#endif

class PipelineUnit {
 public:
  PipelineUnit(PlayerContext& context, EventTarget& target);
  // Ends every wait (exiting, not paused, both semaphores released), then drops the buffer.
  virtual ~PipelineUnit();
  PipelineUnit(const PipelineUnit&) = delete;
  PipelineUnit& operator=(const PipelineUnit&) = delete;

  virtual void pause();   // paused, and woken so that a waiting thread notices
  virtual void resume();  // not paused, and the thread waiting for it goes on
  virtual void wake();
  virtual void clear();  // empties the unit's buffer
  void setOptions(std::uint32_t options);
  void setMoreOptions(std::uint32_t options);

  // "Text" as event 28, then 77: the player moves to the next track.
  void reportError(const char* format, ...) SKYLOOM_UNIT_FORMAT(2, 3);
  // "Text" as event 46.
  void reportStatus(const char* format, ...) SKYLOOM_UNIT_FORMAT(2, 3);
  // "[S|W P|R fill%]" on standard output, for debugging.
  void debugPrint() const;
  // Sleeps until woken; answers whether the unit is exiting.
  bool waitForWake();

  bool paused() const { return paused_.load(); }
  bool exiting() const { return exiting_.load(); }
  Pullbuffer* buffer() const { return buffer_.get(); }

 protected:
  PlayerLog* log() const;
  void setBuffer(std::unique_ptr<Pullbuffer> buffer) { buffer_ = std::move(buffer); }
  // Sets exiting and releases both semaphores; derived destructors call it before joining.
  void beginExit();

  PlayerContext& context_;
  EventTarget& target_;
  Semaphore wakeSemaphore_;
  Semaphore resumeSemaphore_;
  mutable std::mutex unitMutex_;

 private:
  std::unique_ptr<Pullbuffer> buffer_;
  std::atomic<bool> paused_{false};
  std::atomic<bool> exiting_{false};
  bool started_ = true;  // only shown by debugPrint
  std::uint32_t options_ = 0, moreOptions_ = 0;
};

}  // namespace skyloom
