#pragma once
// A music session: what the scene holds of the music engine. It makes the engine's shared
// objects, starts the player (or, when the process already has one, joins it), and keeps the
// status record from the player's broadcasts.
//
// One player serves the whole process. A second session registers beside the first, replaces
// the playlist with its own list and posts Play; it does not parse the process's switches
// again (a second "-help" would shut the engine down) and starts no second event thread. The
// player goes with the last session.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "player/music_control.h"
#include "player/player_event.h"

namespace skyloom {

class MusicPlayer;
class PipelineBuilder;
class Registry;
class Semaphore;
struct PlayerContext;

struct MusicEngineSetup {
  Registry* registry = nullptr;          // where the player's preferences key lives
  std::vector<std::string> arguments;    // the process's, the program's name first
  std::string currentDirectory;          // where "corlune.exe" would be and the defaults point
  PipelineBuilder* pipelines = nullptr;  // makes the playback pipelines; outlives the sessions
};

class MusicSession : public MusicControl, public EventSink {
 public:
  // fileList: NUL-terminated paths ended by an empty one, or null for the built-in list.
  MusicSession(const char* fileList, const MusicEngineSetup& setup);
  ~MusicSession() override;

  void waitQuit() override;
  void releaseQuit() override;
  void stop() override;
  void pause() override;
  void next() override;
  void previous() override;
  void play() override;
  void openFiles(void* window) override;
  void getStatus(StatusRecord& out) override;

  std::int32_t acceptEvent(const PlayerEvent& event) override;
  MusicPlayer& player() { return *player_; }

 private:
  void post(std::int32_t kind);

  std::shared_ptr<PlayerContext> context_;
  MusicPlayer* player_ = nullptr;
  Semaphore* quitSemaphore_ = nullptr;  // the player's
  std::mutex statusMutex_;
  StatusRecord status_;
};

// The scene's way in: null without a registry or when out of memory.
std::unique_ptr<MusicControl> createMusicSession(const char* fileList, const MusicEngineSetup& setup);

// The system's open dialog for audio files ("Open Audio File"), owned by window: the chosen
// files' full paths, nothing when cancelled or where the system has no such dialog.
std::vector<std::string> chooseAudioFiles(void* window);

}  // namespace skyloom
