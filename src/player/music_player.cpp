#include "player/music_player.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/paths.h"
#include "player/engine_error.h"
#include "player/file_url.h"
#include "player/player_context.h"
#include "player/playlist_manager.h"

namespace skyloom {
namespace {

std::atomic<MusicPlayer*> currentPlayer{nullptr};

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

// The kinds the player passes on to its sinks unchanged.
bool passedOn(std::int32_t k) {
  return k == 28 || (k >= 33 && k <= 37) || k == 44 || k == 46 || (k >= 48 && k <= 54) || (k >= 58 && k <= 65) ||
         (k >= 67 && k <= 73) || k == 76 || k == 78 || k == 80 || k == 81;
}

bool transportKind(std::int32_t k) {
  return k == EventKind::Stop || k == EventKind::Play || k == EventKind::Next || k == EventKind::Previous ||
         k == EventKind::Pause || k == EventKind::PlayPaused || k == EventKind::TrackDone || k == EventKind::ErrorStop;
}

// What a pipeline says about its own track: worth nothing once that pipeline is gone.
bool trackKind(std::int32_t k) {
  return k == EventKind::TrackDone || k == EventKind::ErrorStop || k == EventKind::MediaInfo ||
         k == EventKind::TimeInfo;
}

}  // namespace

class MusicPlayer::PipelineEvents : public EventTarget {
 public:
  PipelineEvents(MusicPlayer& player, std::uint64_t generation) : player_(player), generation_(generation) {}
  std::int32_t acceptEvent(std::unique_ptr<PlayerEvent> event) override {
    if (event) event->setSource(generation_);
    return player_.acceptEvent(std::move(event));
  }

 private:
  MusicPlayer& player_;
  std::uint64_t generation_;
};

MusicPlayer* MusicPlayer::instance() { return currentPlayer.load(); }

MusicPlayer::MusicPlayer(std::shared_ptr<PlayerContext> context) : context_(std::move(context)) {
  context_->player = this;
  playlist_ = std::make_unique<PlaylistManager>(*this, *context_->preferences);
  context_->playlist = playlist_.get();
  properties_.registerWatcher("pcm_volume", this);
  // Where a music database would live; nothing here keeps one, so the answers go unused.
  std::error_code ec;
  const Preferences& p = *context_->preferences;
  (void)std::filesystem::exists(p.stringOr(prefs::kDatabaseDirectory, "") + "\\metadatabase", ec);
  (void)std::filesystem::exists(p.stringOr(prefs::kSaveMusicDirectory, ""), ec);
  MusicPlayer* none = nullptr;
  currentPlayer.compare_exchange_strong(none, this);
}

MusicPlayer::~MusicPlayer() {
  eventThread_.join();
  tearDownPipeline(true);
  quitSemaphore_.reset();
  queue_.clear();
  MusicPlayer* self = this;
  currentPlayer.compare_exchange_strong(self, nullptr);
  properties_.unregisterWatcher("pcm_volume", this);
  context_->playlist = nullptr;
  playlist_.reset();
  context_->player = nullptr;
}

void MusicPlayer::propertyChanged(const std::string&, const std::string&) {}

void MusicPlayer::log(const char* format, ...) {
  if (!context_->log || !context_->log->isOpen()) return;
  char text[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  context_->log->error("%s", text);
}

// --- queue and loop ---

std::int32_t MusicPlayer::acceptEvent(std::unique_ptr<PlayerEvent> event) {
  if (!event) return kErrorNone;
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(std::move(event));
  }
  queueSemaphore_.release();
  return kErrorNone;
}

std::unique_ptr<PlayerEvent> MusicPlayer::takeEvent() {
  std::lock_guard lock(queueMutex_);
  if (queue_.empty()) return nullptr;
  std::unique_ptr<PlayerEvent> e = std::move(queue_.front());
  queue_.pop_front();
  return e;
}

// The semaphore is waited on only when the queue looked empty, so its count may run ahead of
// the queue; a wake-up that finds nothing just goes round again.
void MusicPlayer::eventLoop() {
  std::int32_t result = 0;
  do {
    bool empty;
    {
      std::lock_guard lock(queueMutex_);
      empty = queue_.empty();
    }
    if (empty) queueSemaphore_.acquire();
    std::unique_ptr<PlayerEvent> event = takeEvent();
    result = event ? serviceEvent(std::move(event)) : 0;
  } while (result == 0);
  loopEnded_ = true;
}

std::int32_t MusicPlayer::registerSink(EventSink* sink) {
  if (!sink) return 255;
  std::lock_guard lock(sinksMutex_);
  sinks_.push_back(sink);
  return kErrorNone;
}

void MusicPlayer::unregisterSink(EventSink* sink) {
  std::lock_guard lock(sinksMutex_);
  std::erase(sinks_, sink);
  if (primarySink_ == sink) primarySink_ = nullptr;
}

// The sink list's lock is held for the broadcast and never beyond it.
void MusicPlayer::broadcast(const PlayerEvent& event) {
  std::lock_guard lock(sinksMutex_);
  if (broadcastsClosed_) return;
  for (EventSink* sink : sinks_) sink->acceptEvent(event);
}

void MusicPlayer::broadcastKind(std::int32_t kind) { broadcast(PlayerEvent(kind)); }

// --- filling ---

void MusicPlayer::addList(const char* list, bool clearFirst) {
  if (clearFirst) playlist_->clear();
  std::int32_t index = 0;
  for (const char* p = list; *p; p += std::strlen(p) + 1) playlist_->addItem(p, index++);
}

std::int32_t MusicPlayer::run(const char* list, EventSink* sink) {
  if (sink) {
    {
      std::lock_guard lock(sinksMutex_);
      primarySink_ = sink;
    }
    registerSink(sink);
  }
  if (list) addList(list, true);
  if (eventThreadStarted_) return kErrorNone;
  const HResult started = eventThread_.start([this] { eventLoop(); });
  if (failed(started)) return 26;  // "The thread was not created"
  eventThreadStarted_ = true;
  return kErrorNone;
}

std::int32_t MusicPlayer::replaceAndPlay(const char* list, bool clearFirst) {
  if (!list) return kErrorInvalidParam;
  addList(list, clearFirst);
  return acceptEvent(std::make_unique<PlayerEvent>(EventKind::Play));
}

// --- switches ---

void MusicPlayer::printUsage() {
  if (usagePrinted_) return;
  usagePrinted_ = true;
  const char* program = context_->arguments.empty() ? "" : context_->arguments.front().c_str();
  std::printf("Velkaran version 2.0.8 -- Usage:\n\n");
  std::printf("%s [-save] [-ui <UI plugin name>] <MP3 file/stream> [MP3 file/stream] ...\n\n", program);
  std::printf("Example command line:\n\n");
  std::printf("   %s -ui 3d.ui mysong1.mp3 mysong2.mp3\n\n", program);
  std::fflush(stdout);
}

void MusicPlayer::parseArguments(const std::vector<std::string>& arguments) {
  context_->arguments = arguments;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a.empty()) continue;
    if (a[0] != '-' && a[0] != '/') {
      if (startsWithNoCase(a, "http://") || startsWithNoCase(a, "rtp://")) playlist_->addItem(a.c_str());
      continue;
    }
    const char c = a.size() > 1 ? static_cast<char>(std::tolower(static_cast<unsigned char>(a[1]))) : '\0';
    if (c == '-' || c == 'h') {
      const bool help = equalsIgnoreCase(std::string_view(a).substr(1), "help") ||
                        (a.size() >= 2 && equalsIgnoreCase(std::string_view(a).substr(2), "help"));
      if (help) {
        printUsage();
        acceptEvent(std::make_unique<PlayerEvent>(EventKind::Quit));
        break;
      }
    } else if (c == 'i') {
      if (equalsIgnoreCase(std::string_view(a).substr(1), "import") && i + 1 < arguments.size()) {
        playlist_->addItem(pathToUrl(arguments[++i], currentDriveLetter()).c_str());
      }
    } else if (c == 'p' || c == 's') {
      const std::string_view word = std::string_view(a).substr(1);
      if (equalsIgnoreCase(word, "save")) context_->flags |= 1u;
      if (equalsIgnoreCase(word, "shuffle")) playlist_->setShuffle(true);
    } else if (c == 'u' && a.size() > 2 && std::tolower(static_cast<unsigned char>(a[2])) == 'i') {
      if (i + 1 >= arguments.size()) {
        printUsage();
        acceptEvent(std::make_unique<PlayerEvent>(EventKind::Quit));
        return;
      }
      uiNames_.push_back(arguments[++i]);
    }
  }
  if (autoPlay_) acceptEvent(std::make_unique<PlayerEvent>(EventKind::Play));
}

// --- the state machine ---

std::int32_t MusicPlayer::serviceEvent(std::unique_ptr<PlayerEvent> event) {
  if (!event) return 255;
  const std::int32_t kind = event->kind();
  // A shut-down engine starts nothing again.
  if (quitting_ && transportKind(kind)) return 0;
  if (stale(*event)) return 0;
  switch (kind) {
    case EventKind::Stop:
      stop();
      return 0;
    case EventKind::Play:
      play(false);
      return 0;
    case EventKind::PlayPaused:
      play(true);
      return 0;
    case EventKind::Next:
      step(true);
      return 0;
    case EventKind::Previous:
      step(false);
      return 0;
    case EventKind::Pause:
      pause();
      return 0;
    case EventKind::Quit:
      return quit();
    case EventKind::SinkQuit:
      return quitting_ ? sinkQuit() : 0;
    case EventKind::TrackDone:
      trackDone(false);
      return 0;
    case EventKind::ErrorStop:
      trackDone(true);
      return 0;
    case EventKind::MediaInfo: {
      auto& info = static_cast<MediaInfoEvent&>(*event);
      info.setTrack(playlist_->currentIndex() + 1, playlist_->count());
      broadcast(info);
      for (const auto& nested : info.nested()) broadcast(*nested);
      return 0;
    }
    case EventKind::TimeInfo:
      if (state() == PlayerState::Playing) broadcast(*event);
      return 0;
    default:
      if (passedOn(kind)) {
        broadcast(*event);
      } else {
        log("serviceEvent: Unknown event: %d\n", kind);
      }
      return 0;
  }
}

void MusicPlayer::setUpPipeline(const std::string& url) {
  tearDownPipeline(false);
  pipelineGeneration_ = ++generationsMade_;
  pipelineEvents_ = std::make_unique<PipelineEvents>(*this, pipelineGeneration_);
  std::unique_ptr<PlaybackPipeline> pipeline =
      context_->pipelines ? context_->pipelines->build(*context_, *pipelineEvents_) : nullptr;
  if (!pipeline) {
    log("Cannot setup the audio decode process: %d\n", static_cast<int>(kErrorOutOfMemory));
    return;
  }
  const std::int32_t result = pipeline->setTo(url);
  if (result != kErrorNone) {
    // The pipeline goes with the units it holds. What its units reported stays current: an
    // input that could not open its file ends this track.
    log("Cannot setup the audio decode process: %d\n", static_cast<int>(result));
    return;
  }
  pipeline_ = std::move(pipeline);
}

void MusicPlayer::tearDownPipeline(bool pauseFirst) {
  if (pipeline_ && pauseFirst) pipeline_->pause();
  pipeline_.reset();
  pipelineGeneration_ = 0;
}

bool MusicPlayer::stale(const PlayerEvent& event) const {
  return event.source() != 0 && event.source() != pipelineGeneration_ && trackKind(event.kind());
}

// Play while playing starts the current entry again; Play while paused resumes it.
void MusicPlayer::play(bool paused) {
  if (state() == PlayerState::Playing) {
    tearDownPipeline(false);
    if (setState(PlayerState::Stopped)) broadcastKind(EventKind::Stopped);
  }
  if (!pipeline_) {
    if (const std::optional<PlaylistItem> item = playlist_->currentItem()) setUpPipeline(item->url);
    if (!pipeline_) return;
  }
  if (paused) {
    if (!setState(PlayerState::Paused)) return;
    broadcastKind(EventKind::Playing);
    broadcastKind(EventKind::Paused);
    return;
  }
  pipeline_->resume();
  if (setState(PlayerState::Playing)) broadcastKind(EventKind::Playing);
}

void MusicPlayer::stop() {
  tearDownPipeline(true);
  if (setState(PlayerState::Stopped)) broadcastKind(EventKind::Stopped);
}

void MusicPlayer::pause() {
  if (!pipeline_) return;
  pipeline_->pause();
  if (setState(PlayerState::Paused)) broadcastKind(EventKind::Paused);
}

// Stop and the new Play run after this event, Stop first: the old track is gone before the
// new one is set up.
void MusicPlayer::step(bool forward) {
  failuresInARow_ = 0;  // the listener asked for another track: a fresh round
  const PlayerState noted = state();
  if (noted != PlayerState::Stopped) acceptEvent(std::make_unique<PlayerEvent>(EventKind::Stop));
  if (forward) {
    playlist_->next(true);
  } else {
    playlist_->previous(true);
  }
  if (noted != PlayerState::Stopped) {
    acceptEvent(std::make_unique<PlayerEvent>(noted == PlayerState::Paused ? EventKind::PlayPaused : EventKind::Play));
  }
}

void MusicPlayer::trackDone(bool error) {
  tearDownPipeline(false);
  if (setState(PlayerState::Stopped)) broadcastKind(EventKind::Stopped);
  broadcastKind(EventKind::TrackDone);
  const RepeatMode repeat = playlist_->repeatMode();
  failuresInARow_ = error ? failuresInARow_ + 1 : 0;
  // A single file that cannot be played is not tried for ever, and neither is a list in which
  // a whole round found nothing playable.
  const bool hopeless = error && (repeat == RepeatOne || (repeat == RepeatAll && playlist_->count() == 1) ||
                                  failuresInARow_ >= playlist_->count());
  if (hopeless) {
    failuresInARow_ = 0;
    playlist_->setCurrentIndex(0);
    broadcastKind(EventKind::PlaylistDone);
    return;
  }
  if (playlist_->hasNext()) {
    playlist_->next(false);
    acceptEvent(std::make_unique<PlayerEvent>(EventKind::Play));
    return;
  }
  playlist_->setCurrentIndex(0);
  broadcastKind(EventKind::PlaylistDone);
}

// --- shutdown ---

std::int32_t MusicPlayer::quit() {
  if (quitting_) return 0;
  stop();
  quitting_ = true;
  {
    std::lock_guard lock(sinksMutex_);
    sinksToConfirm_ = sinks_.size();
  }
  if (sinksToConfirm_ == 0) {
    if (quitSemaphore_) quitSemaphore_->release();
    return 1;
  }
  broadcastKind(EventKind::QuitRequest);
  std::lock_guard lock(sinksMutex_);
  broadcastsClosed_ = true;
  return 0;
}

std::int32_t MusicPlayer::sinkQuit() {
  if (sinksToConfirm_ > 0) --sinksToConfirm_;
  if (sinksToConfirm_ > 0) return 0;
  if (quitSemaphore_) quitSemaphore_->release();
  return 1;
}

}  // namespace skyloom
