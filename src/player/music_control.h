#pragma once
// What the rest of the program sees of the music engine: the transport operations, the open
// dialog, and the status record the music panel shows. The operations post events and return
// at once; none waits for the engine.

#include <cstdint>

namespace skyloom {

struct StatusRecord {
  static constexpr std::size_t kTitleSize = 260;

  std::int32_t streamKey = 0;  // frame count of the latest stream description, -1 unknown
  float streamValue = 0.0f;    // seconds per frame of that description
  std::int32_t trackCount = 0;
  std::int32_t trackNumber = 0;  // 1-based
  std::int32_t totalSeconds = 0;
  std::int32_t totalHours = 0, totalMinutes = 0, totalSecondsPart = 0;
  char title[kTitleSize] = {};  // NUL-terminated, at most 259 characters
  std::int32_t elapsedHours = 0, elapsedMinutes = 0, elapsedSecondsPart = 0;
  float elapsedSeconds = 0.0f;
};

class MusicControl {
 public:
  // Shuts the engine down (when this is the last session) and returns.
  virtual ~MusicControl() = default;
  virtual void waitQuit() = 0;
  virtual void releaseQuit() = 0;
  virtual void stop() = 0;
  virtual void pause() = 0;
  virtual void next() = 0;
  virtual void previous() = 0;
  virtual void play() = 0;
  // The "Open Audio File" dialog, owned by window; the chosen files replace the playlist.
  virtual void openFiles(void* window) = 0;
  virtual void getStatus(StatusRecord& out) = 0;
};

}  // namespace skyloom
