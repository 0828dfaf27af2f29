#pragma once
// The player's playlist: the entries in play order, a shuffled order beside it, the cursor on
// the current entry, and the repeat mode. Every public operation is atomic under one mutex; the
// manager announces its changes by posting events to the player.
//
// Entries get track information from the information readers among the plug-ins, in a pass
// that runs on a thread of its own per addition; without such plug-ins (the program ships
// none) the pass finds nothing and completes at once.

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "player/player_event.h"
#include "player/plugin_api.h"

namespace skyloom {

class DynamicLibrary;
class PlaylistManager;
class Preferences;
class WorkerThread;

enum RepeatMode : std::int32_t { RepeatNone = 0, RepeatOne = 1, RepeatAll = 2 };

struct TrackInfo {
  std::string artist, album, title, genre, comment, year;
  std::int32_t track = 0, seconds = 0, bitRate = 0, sampleRate = 0;
};

struct PlaylistItem {
  enum InfoState : std::int32_t { Idle = 0, Pending = 1, Removed = 2 };
  std::string url;
  TrackInfo info;
  std::int32_t infoState = Idle;
};

// 58 (added), 60 (the cursor moved) and 36 (track information changed). The entry travels as a
// copy with its position then: the list may change before a sink sees the event.
class PlaylistItemEvent : public PlayerEvent {
 public:
  PlaylistItemEvent(std::int32_t kind, PlaylistItem item, std::int32_t index, const PlaylistManager* manager)
      : PlayerEvent(kind), item_(std::move(item)), index_(index), manager_(manager) {}
  const PlaylistItem& item() const { return item_; }
  std::int32_t index() const { return index_; }
  const PlaylistManager* manager() const { return manager_; }

 private:
  PlaylistItem item_;
  std::int32_t index_;
  const PlaylistManager* manager_;
};

// 59: the list was cleared; the removed entries' URLs with their former positions.
class PlaylistClearedEvent : public PlayerEvent {
 public:
  PlaylistClearedEvent(std::vector<std::pair<std::int32_t, std::string>> removed, const PlaylistManager* manager)
      : PlayerEvent(EventKind::PlaylistCleared), removed_(std::move(removed)), manager_(manager) {}
  const std::vector<std::pair<std::int32_t, std::string>>& removed() const { return removed_; }
  const PlaylistManager* manager() const { return manager_; }

 private:
  std::vector<std::pair<std::int32_t, std::string>> removed_;
  const PlaylistManager* manager_;
};

// 34: shuffle switched.
class ShuffleEvent : public PlayerEvent {
 public:
  ShuffleEvent(bool on, const PlaylistManager* manager)
      : PlayerEvent(EventKind::ShuffleChanged), on_(on), manager_(manager) {}
  bool on() const { return on_; }
  const PlaylistManager* manager() const { return manager_; }

 private:
  bool on_;
  const PlaylistManager* manager_;
};

// 76: a playlist file's entries were added together.
class ItemsAddedEvent : public PlayerEvent {
 public:
  ItemsAddedEvent(std::vector<std::string> urls, const PlaylistManager* manager)
      : PlayerEvent(EventKind::ItemsAdded), urls_(std::move(urls)), manager_(manager) {}
  const std::vector<std::string>& urls() const { return urls_; }
  const PlaylistManager* manager() const { return manager_; }

 private:
  std::vector<std::string> urls_;
  const PlaylistManager* manager_;
};

class PlaylistManager {
 public:
  // Reads "PlaylistShuffle" and "PlaylistRepeat" (then always repeats all), and scans the
  // plug-ins of the install directory.
  PlaylistManager(EventTarget& target, const Preferences& preferences);
  // Waits for the information passes still running.
  ~PlaylistManager();
  PlaylistManager(const PlaylistManager&) = delete;
  PlaylistManager& operator=(const PlaylistManager&) = delete;

  // Copies, so they stay valid whatever happens to the list afterwards.
  std::optional<PlaylistItem> currentItem() const;
  std::optional<PlaylistItem> itemAt(std::int32_t index) const;
  std::int32_t count() const;
  // The current entry's position in play order; -1 for an empty list.
  std::int32_t currentIndex() const;
  // 2 for an index at or past the end (nothing changes), else 0.
  std::int32_t setCurrentIndex(std::int32_t index);

  void next(bool userAction);
  void previous(bool userAction);
  bool hasNext() const;

  void setShuffle(bool on);
  bool shuffle() const;
  RepeatMode repeatMode() const;
  void setRepeatMode(RepeatMode mode);

  // Appends, or inserts at min(index, count()); a URL naming a list a plug-in reads adds that
  // list's entries instead. 0, 2 for a null URL, 8 when out of memory.
  std::int32_t addItem(const char* url);
  std::int32_t addItem(const char* url, std::int32_t index);
  void clear();
  // 0 when a playlist-format plug-in took the URL, 42 when none reads it.
  std::int32_t importList(const char* url);

  // The plug-ins found at construction: 0, or 5 when there were none.
  std::int32_t pluginScanResult() const { return scanResult_; }
  std::size_t pluginCount() const { return plugins_.size(); }

 private:
  struct Plugin {
    std::unique_ptr<DynamicLibrary> library;
    const SkyloomPlugin* table = nullptr;
    std::string description;
  };
  struct InfoPass;

  std::int32_t insert(const char* url, std::optional<std::int32_t> index);
  std::int32_t scanPlugins(const Preferences& preferences);
  void addPlugin(const std::string& path, int kind);
  void startInfoPass(std::vector<PlaylistItem*> entries);
  void runInfoPass(const std::vector<PlaylistItem*>& entries);
  void reapInfoPasses();
  void step(int direction, bool userAction);
  void setCursor(std::int32_t index);
  void reshuffle();
  std::int32_t positionInItems(const PlaylistItem* item) const;
  PlaylistItem* current() const;
  void post(std::unique_ptr<PlayerEvent> event) { target_.acceptEvent(std::move(event)); }

  EventTarget& target_;
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<PlaylistItem>> items_;
  std::vector<PlaylistItem*> shuffleOrder_;
  // Entries cleared while their information pass ran; the pass destroys them.
  std::vector<std::unique_ptr<PlaylistItem>> removedPending_;
  std::int32_t cursor_ = -1;
  bool shuffle_ = false;
  RepeatMode repeatMode_ = RepeatAll;
  std::vector<Plugin> plugins_;
  std::vector<std::pair<std::string, const Plugin*>> formats_;  // extension, reader
  std::vector<const Plugin*> infoReaders_;
  std::vector<std::string> devices_;
  std::int32_t scanResult_ = 5;
  std::list<std::unique_ptr<InfoPass>> passes_;  // guarded by passesMutex_
  std::mutex passesMutex_;
};

}  // namespace skyloom
