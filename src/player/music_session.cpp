#include "player/music_session.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "platform/threads.h"
#include "player/music_player.h"
#include "player/player_context.h"

namespace skyloom {
namespace {

// The player and how many sessions share it.
std::mutex enginesMutex;
std::unique_ptr<MusicPlayer> sharedPlayer;
int sessionCount = 0;

// The list played when a session is given none.
constexpr char kBuiltInList[] =
    "E:\\mp3\\CD09 BEST NO.1 HITS DISK1\\track01.mp3\0"
    "E:\\mp3\\CD09 BEST NO.1 HITS DISK1\\track02.mp3\0"
    "E:\\mp3\\CD09 BEST NO.1 HITS DISK1\\track03.mp3\0"
    "E:\\mp3\\CD09 BEST NO.1 HITS DISK1\\track04.mp3\0"
    "E:\\mp3\\CD09 BEST NO.1 HITS DISK1\\track05.mp3\0";

}  // namespace

MusicSession::MusicSession(const char* fileList, const MusicEngineSetup& setup) {
  context_ = std::make_shared<PlayerContext>();
  context_->preferences = std::make_unique<Preferences>(*setup.registry, setup.currentDirectory);
  context_->log = std::make_unique<PlayerLog>("velkaranmp3.log");
  context_->pipelines = setup.pipelines;

  std::lock_guard lock(enginesMutex);
  const bool first = !sharedPlayer;
  if (first) sharedPlayer = std::make_unique<MusicPlayer>(context_);
  ++sessionCount;
  player_ = sharedPlayer.get();
  if (first) player_->adoptQuitSemaphore(std::make_unique<Semaphore>(0, Semaphore::kMaxCount));
  quitSemaphore_ = player_->quitSemaphore();

  const char* list = fileList ? fileList : kBuiltInList;
  if (first) {
    player_->parseArguments(setup.arguments);  // queues Play before the list is there
    player_->run(list, this);
  } else {
    player_->registerSink(this);
    player_->replaceAndPlay(list, true);
  }
}

// The last session shuts the engine down: Quit, the sinks confirm, the loop releases the quit
// semaphore and ends; then the player goes. An engine whose loop already ended (a "-help" at
// start) is not waited for.
MusicSession::~MusicSession() {
  std::lock_guard lock(enginesMutex);
  if (--sessionCount > 0) {
    player_->unregisterSink(this);
    return;
  }
  post(EventKind::Quit);
  while (!player_->loopEnded() && !quitSemaphore_->tryAcquireFor(std::chrono::milliseconds(50))) {
  }
  sharedPlayer.reset();
}

void MusicSession::post(std::int32_t kind) {
  std::unique_ptr<PlayerEvent> event(new (std::nothrow) PlayerEvent(kind));
  player_->acceptEvent(std::move(event));
}

void MusicSession::waitQuit() { quitSemaphore_->acquire(); }
void MusicSession::releaseQuit() { quitSemaphore_->release(); }
void MusicSession::stop() { post(EventKind::Stop); }
void MusicSession::pause() { post(EventKind::Pause); }
void MusicSession::next() { post(EventKind::Next); }
void MusicSession::previous() { post(EventKind::Previous); }
void MusicSession::play() { post(EventKind::Play); }

void MusicSession::openFiles(void* window) {
  const std::vector<std::string> files = chooseAudioFiles(window);
  if (files.empty()) return;
  std::string list;
  for (const std::string& f : files) {
    list += f;
    list += '\0';
  }
  list += '\0';
  player_->replaceAndPlay(list.c_str(), true);
}

// The music panel copies the record every frame; while the track and its stream stay the
// same, only the elapsed time is new.
void MusicSession::getStatus(StatusRecord& out) {
  std::lock_guard lock(statusMutex_);
  if (out.trackCount == status_.trackCount && out.streamKey == status_.streamKey) {
    out.elapsedHours = status_.elapsedHours;
    out.elapsedMinutes = status_.elapsedMinutes;
    out.elapsedSecondsPart = status_.elapsedSecondsPart;
    out.elapsedSeconds = status_.elapsedSeconds;
    return;
  }
  out = status_;
}

std::int32_t MusicSession::acceptEvent(const PlayerEvent& event) {
  switch (event.kind()) {
    case EventKind::QuitRequest:
      post(EventKind::SinkQuit);
      break;
    case EventKind::MediaInfo: {
      const auto& info = static_cast<const MediaInfoEvent&>(event);
      std::lock_guard lock(statusMutex_);
      const auto s = static_cast<std::int32_t>(info.seconds());
      status_.totalSeconds = s;
      status_.totalHours = s / 3600;
      status_.totalMinutes = s / 60 - status_.totalHours * 60;
      status_.totalSecondsPart = s % 60;
      status_.trackCount = info.trackCount();
      status_.trackNumber = info.trackNumber();
      const std::size_t n = std::min(info.title().size(), StatusRecord::kTitleSize - 1);
      std::memcpy(status_.title, info.title().data(), n);
      status_.title[n] = '\0';
      break;
    }
    case EventKind::TimeInfo: {
      const auto& time = static_cast<const TimeInfoEvent&>(event);
      std::lock_guard lock(statusMutex_);
      status_.elapsedHours = time.hours();
      status_.elapsedMinutes = time.minutes();
      status_.elapsedSecondsPart = time.seconds();
      status_.elapsedSeconds = time.totalSeconds();
      break;
    }
    case EventKind::StreamInfo: {
      const auto& stream = static_cast<const StreamInfoEvent&>(event);
      std::lock_guard lock(statusMutex_);
      status_.streamKey = stream.description().frameCount;
      status_.streamValue = stream.description().secondsPerFrame;
      break;
    }
    default:
      break;
  }
  return 0;
}

std::unique_ptr<MusicControl> createMusicSession(const char* fileList, const MusicEngineSetup& setup) {
  if (!setup.registry) return nullptr;
  return std::unique_ptr<MusicControl>(new (std::nothrow) MusicSession(fileList, setup));
}

}  // namespace skyloom
