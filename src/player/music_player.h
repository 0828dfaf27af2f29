#pragma once
// The music player: one per process. An event queue serviced by one event thread, the
// playlist, the sinks that hear its broadcasts, and the playback pipeline of the current
// track. Everything that changes playback is an event on the queue; the event thread is the
// only one that creates or destroys pipelines or changes the state.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "player/pipeline.h"
#include "player/player_event.h"
#include "player/property_store.h"

namespace skyloom {

class PlaylistManager;
struct PlayerContext;

enum class PlayerState : std::int32_t { Paused = 1, Playing = 2, Stopped = 3 };

class MusicPlayer : public EventTarget, private PropertyWatcher {
 public:
  // The process's player, or null. The player made with a context is that process's player
  // until it is destroyed.
  static MusicPlayer* instance();

  explicit MusicPlayer(std::shared_ptr<PlayerContext> context);
  // Ends the event thread (a shutdown must have ended its loop, see MusicSession), destroys
  // the pipeline, the queue and the playlist.
  ~MusicPlayer() override;
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Posting: thread-safe, returns at once; a null event is ignored. 0.
  std::int32_t acceptEvent(std::unique_ptr<PlayerEvent> event) override;
  // 0, or 255 for a null sink.
  std::int32_t registerSink(EventSink* sink);
  // After this returns the sink is called no more (a broadcast in progress has finished).
  void unregisterSink(EventSink* sink);
  // Lends the event to every sink in the order they registered.
  void broadcast(const PlayerEvent& event);

  // Records sink as the primary sink and registers it; with a list (NUL-terminated paths ended
  // by an empty one), replaces the playlist with it; then starts the event thread. A player
  // has one event thread: later calls only register and fill.
  std::int32_t run(const char* list, EventSink* sink);
  // Adds the list (replacing the playlist when clearFirst) and posts Play.
  std::int32_t replaceAndPlay(const char* list, bool clearFirst);
  // The process's switches: "-help", "-import FILE", "-save", "-shuffle", "-ui NAME", stream
  // URLs. Posts Play at the end unless the switches asked for the usage and a quit.
  void parseArguments(const std::vector<std::string>& arguments);
  // Services one event; non-zero ends the event loop.
  std::int32_t serviceEvent(std::unique_ptr<PlayerEvent> event);

  // The semaphore released when a shutdown has ended the event loop. The player owns it.
  void adoptQuitSemaphore(std::unique_ptr<Semaphore> semaphore) { quitSemaphore_ = std::move(semaphore); }
  Semaphore* quitSemaphore() const { return quitSemaphore_.get(); }

  PlayerState state() const { return state_.load(); }
  PlaylistManager& playlist() { return *playlist_; }
  PropertyStore& properties() { return properties_; }
  PlayerContext& context() { return *context_; }
  const std::vector<std::string>& uiNames() const { return uiNames_; }
  bool hasPipeline() const { return pipeline_ != nullptr; }
  // True once the event loop has ended (or when it never started).
  bool loopEnded() const { return !eventThreadStarted_ || loopEnded_.load(); }

 private:
  void eventLoop();
  std::unique_ptr<PlayerEvent> takeEvent();
  // State changes answer whether the state changed.
  bool setState(PlayerState s) { return state_.exchange(s) != s; }
  void broadcastKind(std::int32_t kind);
  void play(bool paused);
  void stop();
  void pause();
  void step(bool forward);
  void trackDone(bool error);
  std::int32_t quit();
  std::int32_t sinkQuit();
  void setUpPipeline(const std::string& url);
  void tearDownPipeline(bool pauseFirst);
  bool stale(const PlayerEvent& event) const;
  void addList(const char* list, bool clearFirst);
  void printUsage();
  void propertyChanged(const std::string& name, const std::string& value) override;
  void log(const char* format, ...);

  std::shared_ptr<PlayerContext> context_;
  std::unique_ptr<PlaylistManager> playlist_;
  PropertyStore properties_;
  std::atomic<PlayerState> state_{PlayerState::Stopped};

  std::mutex queueMutex_;
  std::deque<std::unique_ptr<PlayerEvent>> queue_;
  Semaphore queueSemaphore_;
  WorkerThread eventThread_;
  bool eventThreadStarted_ = false;  // by the thread that calls run() and destroys the player
  std::atomic<bool> loopEnded_{false};

  std::mutex sinksMutex_;
  std::vector<EventSink*> sinks_;
  EventSink* primarySink_ = nullptr;
  // Set once the quit request went out: nothing is broadcast after it, and transport events
  // are dropped, so a shut-down engine stays silent.
  bool broadcastsClosed_ = false;

  // The pipeline posts through a stamp of its own, so that what an old pipeline said on its way
  // out (the end of its track, its time) cannot move the playlist after a Stop or a new track.
  // The stamp goes after the pipeline, whose threads use it until they are joined.
  class PipelineEvents;
  std::unique_ptr<PipelineEvents> pipelineEvents_;
  std::unique_ptr<PlaybackPipeline> pipeline_;
  std::uint64_t pipelineGeneration_ = 0;  // the last set-up's number; 0 after a tear-down
  std::uint64_t generationsMade_ = 0;
  std::unique_ptr<Semaphore> quitSemaphore_;
  bool quitting_ = false;
  std::size_t sinksToConfirm_ = 0;
  std::int32_t failuresInARow_ = 0;  // tracks ended by errors since one played to its end
  bool autoPlay_ = true;
  bool usagePrinted_ = false;
  std::vector<std::string> uiNames_;
};

}  // namespace skyloom
