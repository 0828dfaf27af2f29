#include "player/playlist_manager.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "core/paths.h"
#include "core/random.h"
#include "platform/dynamic_library.h"
#include "platform/threads.h"
#include "player/engine_error.h"
#include "player/preferences.h"

namespace skyloom {
namespace {

enum PluginKind { kFormatPlugin, kInfoPlugin, kDevicePlugin };
// A plug-in that never ends its list of formats or devices is not asked forever.
constexpr std::int32_t kMaxPluginEntries = 256;
constexpr std::uint32_t kPathCapacity = 259;

std::string fieldText(const char (&field)[SKYLOOM_PLUGIN_TEXT]) {
  return std::string(field, strnlen(field, sizeof field));
}

// The shuffle's draw: the generator reseeded with the time in whole seconds, its next value
// modulo i. Draws within one second agree, as they always have. The generator is the shuffle's
// own (of the process generator's kind): the process-wide one belongs to the scene's thread.
std::int32_t shuffleDraw(std::int32_t i) {
  CrtRandom generator(static_cast<std::uint32_t>(std::time(nullptr)));
  return generator.next() % i;
}

}  // namespace

struct PlaylistManager::InfoPass {
  WorkerThread thread;
  std::atomic<bool> done{false};
};

PlaylistManager::PlaylistManager(EventTarget& target, const Preferences& preferences) : target_(target) {
  // Shuffle may be configured; repeat always wraps, whatever is stored: the saver plays on.
  shuffle_ = preferences.boolOr(prefs::kPlaylistShuffle, false);
  (void)preferences.intOr(prefs::kPlaylistRepeat, RepeatAll);
  repeatMode_ = RepeatAll;
  scanResult_ = scanPlugins(preferences);
}

PlaylistManager::~PlaylistManager() {
  std::list<std::unique_ptr<InfoPass>> passes;
  {
    std::lock_guard lock(passesMutex_);
    passes.swap(passes_);
  }
  for (auto& p : passes) p->thread.join();
}

// --- plug-ins ---

std::int32_t PlaylistManager::scanPlugins(const Preferences& preferences) {
  char directory[kPathCapacity + 1];
  std::uint32_t capacity = kPathCapacity;
  for (std::int32_t found = preferences.firstLibraryDirectory(directory, &capacity); found == kErrorNone;
       capacity = kPathCapacity, found = preferences.nextLibraryDirectory(directory, &capacity)) {
    if (directory[0] == '\0') continue;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(directory) / "plugins";
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      const std::string extension = it->path().extension().string();
      if (equalsIgnoreCase(extension, ".plf")) addPlugin(it->path().string(), kFormatPlugin);
      if (equalsIgnoreCase(extension, ".mdf")) addPlugin(it->path().string(), kInfoPlugin);
      if (equalsIgnoreCase(extension, ".ppp")) addPlugin(it->path().string(), kDevicePlugin);
    }
  }
  // Pointers into plugins_ are taken only now that it has stopped growing.
  for (const Plugin& p : plugins_) {
    const SkyloomPlugin& t = *p.table;
    if (t.formatExtension) {
      for (std::int32_t n = 0; n < kMaxPluginEntries; ++n) {
        const char* extension = t.formatExtension(t.instance, n);
        if (!extension) break;
        formats_.emplace_back(extension, &p);
      }
    }
    if (t.readInfo) infoReaders_.push_back(&p);
    if (t.deviceDescription) {
      for (std::int32_t n = 0; n < kMaxPluginEntries; ++n) {
        const char* device = t.deviceDescription(t.instance, n);
        if (!device) break;
        devices_.emplace_back(device);
      }
    }
  }
  return plugins_.empty() ? kErrorNoFiles : kErrorNone;
}

void PlaylistManager::addPlugin(const std::string& path, int kind) {
  std::unique_ptr<DynamicLibrary> library = DynamicLibrary::open(path);
  if (!library) return;
  const auto initialize = reinterpret_cast<SkyloomPluginInitialize>(library->symbol("Initialize"));
  if (!initialize) return;
  const SkyloomPlugin* table = initialize();
  if (!table || table->version != SKYLOOM_PLUGIN_VERSION) return;
  Plugin plugin;
  plugin.description = library->productName();
  plugin.library = std::move(library);
  plugin.table = table;
  // A library counts when it offers what its kind of file is for.
  if ((kind == kFormatPlugin && table->formatExtension && table->readList) ||
      (kind == kInfoPlugin && table->readInfo) || (kind == kDevicePlugin && table->deviceDescription)) {
    plugins_.push_back(std::move(plugin));
  }
}

std::int32_t PlaylistManager::importList(const char* url) {
  if (!url) return kErrorInvalidParam;
  const char* dot = std::strrchr(url, '.');
  if (!dot) return kErrorFormatNotSupported;
  const Plugin* reader = nullptr;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [extension, plugin] : formats_) {
      if (equalsIgnoreCase(extension, dot + 1)) reader = plugin;
    }
  }
  if (!reader) return kErrorFormatNotSupported;
  std::vector<std::string> urls;
  const auto add = [](void* context, const char* entry) {
    if (entry) static_cast<std::vector<std::string>*>(context)->emplace_back(entry);
  };
  if (reader->table->readList(reader->table->instance, url, add, &urls) != 0) return kErrorFormatNotSupported;

  std::vector<PlaylistItem*> added;
  {
    std::lock_guard lock(mutex_);
    for (const std::string& u : urls) {
      auto item = std::make_unique<PlaylistItem>();
      item->url = u;
      item->infoState = PlaylistItem::Pending;
      added.push_back(item.get());
      shuffleOrder_.push_back(item.get());
      items_.push_back(std::move(item));
    }
    if (cursor_ == -1 && !items_.empty()) setCursor(0);
    post(std::make_unique<ItemsAddedEvent>(urls, this));
  }
  startInfoPass(std::move(added));
  return kErrorNone;
}

// --- entries ---

std::int32_t PlaylistManager::addItem(const char* url) { return insert(url, std::nullopt); }

std::int32_t PlaylistManager::addItem(const char* url, std::int32_t index) { return insert(url, index); }

std::int32_t PlaylistManager::insert(const char* url, std::optional<std::int32_t> index) {
  if (!url) return kErrorInvalidParam;
  if (importList(url) == kErrorNone) return kErrorNone;
  PlaylistItem* raw = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto item = std::make_unique<PlaylistItem>();
    item->url = url;
    item->infoState = PlaylistItem::Pending;
    raw = item.get();
    const std::int32_t n = static_cast<std::int32_t>(items_.size());
    const std::int32_t at = index ? std::clamp(*index, 0, n) : n;
    items_.insert(items_.begin() + at, std::move(item));
    shuffleOrder_.push_back(raw);
    if (cursor_ == -1) {
      setCursor(0);
    } else if (index && !shuffle_ && at <= cursor_) {
      // The same entry stays current. With shuffle on the cursor counts in the shuffled
      // order, where the new entry went to the end.
      setCursor(cursor_ + 1);
    }
    post(std::make_unique<PlaylistItemEvent>(EventKind::ItemAdded, *raw, at, this));
  }
  startInfoPass({raw});
  return kErrorNone;
}

void PlaylistManager::clear() {
  std::lock_guard lock(mutex_);
  std::vector<std::pair<std::int32_t, std::string>> removed;
  for (std::int32_t i = static_cast<std::int32_t>(items_.size()) - 1; i >= 0; --i) {
    std::unique_ptr<PlaylistItem>& item = items_[static_cast<std::size_t>(i)];
    removed.emplace_back(i, item->url);
    if (item->infoState == PlaylistItem::Pending) {
      item->infoState = PlaylistItem::Removed;  // its pass destroys it
      removedPending_.push_back(std::move(item));
    }
  }
  post(std::make_unique<PlaylistClearedEvent>(std::move(removed), this));
  items_.clear();
  shuffleOrder_.clear();
  cursor_ = -1;
}

// --- information passes ---

void PlaylistManager::startInfoPass(std::vector<PlaylistItem*> entries) {
  if (entries.empty()) return;
  // Without information readers there is nothing to wait for: no thread for every entry of a
  // list of thousands.
  if (infoReaders_.empty()) {
    runInfoPass(entries);
    return;
  }
  reapInfoPasses();
  auto pass = std::make_unique<InfoPass>();
  InfoPass* p = pass.get();
  {
    std::lock_guard lock(passesMutex_);
    passes_.push_back(std::move(pass));
  }
  const HResult started = p->thread.start([this, entries, p] {
    runInfoPass(entries);
    p->done = true;
  });
  if (failed(started)) {
    runInfoPass(entries);
    p->done = true;
  }
}

void PlaylistManager::runInfoPass(const std::vector<PlaylistItem*>& entries) {
  for (PlaylistItem* entry : entries) {
    // The URL never changes and a pending entry is never destroyed by anyone but this pass.
    const std::string url = entry->url;
    TrackInfo info;
    for (const Plugin* reader : infoReaders_) {
      SkyloomTrackInfo found{};
      if (reader->table->readInfo(reader->table->instance, url.c_str(), &found) != 0) continue;
      info = TrackInfo{fieldText(found.artist),
                       fieldText(found.album),
                       fieldText(found.title),
                       fieldText(found.genre),
                       fieldText(found.comment),
                       fieldText(found.year),
                       found.track,
                       found.seconds,
                       found.bitRate,
                       found.sampleRate};
    }
    std::lock_guard lock(mutex_);
    if (entry->infoState == PlaylistItem::Removed) {
      std::erase_if(removedPending_, [entry](const auto& r) { return r.get() == entry; });
      continue;
    }
    entry->info = std::move(info);
    entry->infoState = PlaylistItem::Idle;
    post(std::make_unique<PlaylistItemEvent>(EventKind::ItemInfoChanged, *entry, positionInItems(entry), this));
  }
}

// Finished passes are joined when the next one starts, so their number stays small.
void PlaylistManager::reapInfoPasses() {
  std::list<std::unique_ptr<InfoPass>> finished;
  {
    std::lock_guard lock(passesMutex_);
    for (auto it = passes_.begin(); it != passes_.end();) {
      if ((*it)->done) {
        finished.push_back(std::move(*it));
        it = passes_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& p : finished) p->thread.join();
}

// --- cursor ---

PlaylistItem* PlaylistManager::current() const {
  if (cursor_ < 0) return nullptr;
  const auto c = static_cast<std::size_t>(cursor_);
  if (shuffle_) return c < shuffleOrder_.size() ? shuffleOrder_[c] : nullptr;
  return c < items_.size() ? items_[c].get() : nullptr;
}

std::int32_t PlaylistManager::positionInItems(const PlaylistItem* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == item) return static_cast<std::int32_t>(i);
  }
  return -1;
}

void PlaylistManager::setCursor(std::int32_t index) {
  cursor_ = index;
  if (index == -1) return;
  if (const PlaylistItem* item = current()) {
    post(std::make_unique<PlaylistItemEvent>(EventKind::CurrentItemChanged, *item, positionInItems(item), this));
  }
}

std::optional<PlaylistItem> PlaylistManager::currentItem() const {
  std::lock_guard lock(mutex_);
  const PlaylistItem* item = current();
  return item ? std::optional<PlaylistItem>(*item) : std::nullopt;
}

std::optional<PlaylistItem> PlaylistManager::itemAt(std::int32_t index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<std::int32_t>(items_.size())) return std::nullopt;
  return *items_[static_cast<std::size_t>(index)];
}

std::int32_t PlaylistManager::count() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::int32_t>(items_.size());
}

std::int32_t PlaylistManager::currentIndex() const {
  std::lock_guard lock(mutex_);
  return positionInItems(current());
}

std::int32_t PlaylistManager::setCurrentIndex(std::int32_t index) {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<std::int32_t>(items_.size())) return kErrorInvalidParam;
  if (!shuffle_) {
    setCursor(index);
    return kErrorNone;
  }
  const PlaylistItem* item = items_[static_cast<std::size_t>(index)].get();
  const auto at = std::find(shuffleOrder_.begin(), shuffleOrder_.end(), item);
  setCursor(static_cast<std::int32_t>(at - shuffleOrder_.begin()));
  return kErrorNone;
}

void PlaylistManager::next(bool userAction) { step(+1, userAction); }

void PlaylistManager::previous(bool userAction) { step(-1, userAction); }

// One entry on (or back); past the end the list wraps when it repeats or the listener asked,
// with a fresh shuffle. The cursor is set even when it stays, so the player hears of it.
void PlaylistManager::step(int direction, bool userAction) {
  std::lock_guard lock(mutex_);
  const std::int32_t n = static_cast<std::int32_t>(items_.size());
  if (n == 0) {
    cursor_ = -1;
    return;
  }
  std::int32_t c = cursor_;
  const std::int32_t moved = c + direction;
  if (repeatMode_ == RepeatOne && !userAction) {
    // the same entry again
  } else if (moved >= 0 && moved < n) {
    c = moved;
  } else if (repeatMode_ == RepeatAll || userAction) {
    if (shuffle_) reshuffle();
    c = direction > 0 ? 0 : n - 1;
  }
  setCursor(c);
}

bool PlaylistManager::hasNext() const {
  std::lock_guard lock(mutex_);
  if (repeatMode_ == RepeatOne || repeatMode_ == RepeatAll) return true;
  return cursor_ < static_cast<std::int32_t>(items_.size()) - 1;
}

void PlaylistManager::reshuffle() {
  for (std::size_t i = 1; i < shuffleOrder_.size(); ++i) {
    const auto j = static_cast<std::size_t>(shuffleDraw(static_cast<std::int32_t>(i)));
    std::swap(shuffleOrder_[i], shuffleOrder_[j]);
  }
}

void PlaylistManager::setShuffle(bool on) {
  std::lock_guard lock(mutex_);
  const PlaylistItem* remembered = current();
  shuffle_ = on;
  if (on) reshuffle();
  if (remembered) {
    if (on) {
      cursor_ = static_cast<std::int32_t>(std::find(shuffleOrder_.begin(), shuffleOrder_.end(), remembered) -
                                          shuffleOrder_.begin());
    } else {
      cursor_ = positionInItems(remembered);
    }
  }
  post(std::make_unique<ShuffleEvent>(on, this));
}

bool PlaylistManager::shuffle() const {
  std::lock_guard lock(mutex_);
  return shuffle_;
}

RepeatMode PlaylistManager::repeatMode() const {
  std::lock_guard lock(mutex_);
  return repeatMode_;
}

void PlaylistManager::setRepeatMode(RepeatMode mode) {
  std::lock_guard lock(mutex_);
  repeatMode_ = mode;
}

}  // namespace skyloom
