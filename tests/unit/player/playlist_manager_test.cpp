#include "player/playlist_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "engine_fakes.h"
#include "platform/registry/registry_memory.h"
#include "player/file_url.h"
#include "resources/executable_path.h"
#include "player/preferences.h"

namespace skyloom {
namespace {

using testing::RecordingTarget;
using K = EventKind;

class PlaylistTest : public ::testing::Test {
 protected:
  PlaylistTest() : preferences_(registry_, ""), playlist_(target_, preferences_) {}
  void fill(std::initializer_list<const char*> urls) {
    for (const char* u : urls) ASSERT_EQ(playlist_.addItem(u), 0);
  }
  std::string current() { return playlist_.currentItem() ? playlist_.currentItem()->url : "-"; }

  MemoryRegistry registry_;
  Preferences preferences_;
  RecordingTarget target_;
  PlaylistManager playlist_;
};

TEST_F(PlaylistTest, FillingAnEmptyListInOrderLeavesTheCursorOnTheFirstEntry) {
  const char* urls[] = {"a", "b", "c"};
  for (int i = 0; i < 3; ++i) ASSERT_EQ(playlist_.addItem(urls[i], i), 0);
  EXPECT_EQ(playlist_.currentIndex(), 0);
  EXPECT_EQ(current(), "a");
  EXPECT_EQ(playlist_.itemAt(2)->url, "c");
  EXPECT_EQ(playlist_.addItem(nullptr), 2);
  EXPECT_EQ(playlist_.addItem(nullptr, 0), 2);
  // Added, the cursor on the first, information found (nothing, without plug-ins), twice more.
  EXPECT_EQ(target_.kinds(),
            (std::vector<std::int32_t>{K::CurrentItemChanged, K::ItemAdded, K::ItemInfoChanged, K::ItemAdded,
                                       K::ItemInfoChanged, K::ItemAdded, K::ItemInfoChanged}));
}

TEST_F(PlaylistTest, InsertingBeforeTheCurrentEntryKeepsItCurrent) {
  fill({"a", "b", "c"});
  playlist_.setCurrentIndex(1);
  playlist_.addItem("x", 0);
  EXPECT_EQ(current(), "b");
  EXPECT_EQ(playlist_.currentIndex(), 2);
  playlist_.addItem("y", 99);  // past the end: appended, the cursor stays
  EXPECT_EQ(current(), "b");
  EXPECT_EQ(playlist_.itemAt(4)->url, "y");
  EXPECT_EQ(playlist_.setCurrentIndex(5), 2);
  EXPECT_EQ(playlist_.setCurrentIndex(-1), 2);
  EXPECT_EQ(current(), "b");
}

TEST_F(PlaylistTest, AtTheLastEntryEachRepeatModeDoesItsOwnThing) {
  fill({"a", "b", "c"});
  playlist_.setCurrentIndex(2);
  EXPECT_EQ(playlist_.repeatMode(), RepeatAll);  // whatever the preferences say
  EXPECT_TRUE(playlist_.hasNext());
  playlist_.next(false);
  EXPECT_EQ(current(), "a");

  playlist_.setCurrentIndex(2);
  playlist_.setRepeatMode(RepeatNone);
  EXPECT_FALSE(playlist_.hasNext());
  playlist_.next(false);
  EXPECT_EQ(current(), "c");
  playlist_.next(true);  // the listener's Next wraps anyway
  EXPECT_EQ(current(), "a");
  playlist_.previous(false);
  EXPECT_EQ(current(), "a");

  playlist_.setRepeatMode(RepeatOne);
  EXPECT_TRUE(playlist_.hasNext());
  playlist_.next(false);
  EXPECT_EQ(current(), "a");
  playlist_.next(true);
  EXPECT_EQ(current(), "b");
  playlist_.previous(true);
  playlist_.previous(true);
  EXPECT_EQ(current(), "c");
}

TEST_F(PlaylistTest, AnEmptyListHasNoCursorAndMovingItPostsNothing) {
  playlist_.next(true);
  playlist_.previous(false);
  EXPECT_EQ(playlist_.currentIndex(), -1);
  EXPECT_FALSE(playlist_.currentItem());
  EXPECT_TRUE(target_.kinds().empty());
  fill({"a", "b"});
  target_.clear();
  playlist_.clear();
  EXPECT_EQ(playlist_.count(), 0);
  EXPECT_EQ(playlist_.currentIndex(), -1);
  ASSERT_EQ(target_.kinds(), (std::vector<std::int32_t>{K::PlaylistCleared}));
  const auto& removed = static_cast<const PlaylistClearedEvent&>(*target_.events[0]).removed();
  EXPECT_EQ(removed, (std::vector<std::pair<std::int32_t, std::string>>{{1, "b"}, {0, "a"}}));
}

TEST_F(PlaylistTest, ShuffleKeepsTheCurrentEntryAndVisitsEveryEntryOnce) {
  fill({"a", "b", "c", "d", "e"});
  playlist_.setCurrentIndex(3);
  playlist_.setShuffle(true);
  EXPECT_EQ(current(), "d");
  // Within ten steps the order wraps (and is shuffled again) and then runs a whole round.
  std::set<std::string> seen;
  for (int i = 0; i < 10; ++i) {
    seen.insert(current());
    playlist_.next(false);
  }
  EXPECT_EQ(seen, (std::set<std::string>{"a", "b", "c", "d", "e"}));
  const std::string before = current();
  playlist_.addItem("f", 0);  // the shuffled order puts it last: the current entry stays
  EXPECT_EQ(current(), before);
  playlist_.setShuffle(false);
  EXPECT_EQ(current(), before);
  EXPECT_EQ(playlist_.itemAt(playlist_.currentIndex())->url, before);
}

TEST_F(PlaylistTest, WithoutPluginsTheScanFindsNothingAndEveryUrlIsOneEntry) {
  EXPECT_EQ(playlist_.pluginScanResult(), 5);
  EXPECT_EQ(playlist_.importList("list.m3u"), 42);
  EXPECT_EQ(playlist_.importList("noextension"), 42);

  // A "plug-in" that is no library is skipped.
  const auto dir = std::filesystem::temp_directory_path() / "skyloom_plugin_scan";
  std::filesystem::create_directories(dir / "plugins");
  std::ofstream(dir / "plugins" / "junk.plf") << "not a library";
  MemoryRegistry registry;
  Preferences preferences(registry, "");
  preferences.setString(prefs::kInstallDirectory, dir.string().c_str());
  RecordingTarget target;
  PlaylistManager withFolder(target, preferences);
  EXPECT_EQ(withFolder.pluginScanResult(), 5);
  EXPECT_EQ(withFolder.pluginCount(), 0u);
  std::filesystem::remove_all(dir);
  preferences.setString(prefs::kInstallDirectory, "");
}

// The test plug-ins built beside the test program: a list format and a slow information reader.
TEST(PlaylistPlugins, ListsAreReadAndInformationArrivesFromPassesThatMayOutliveTheirEntries) {
  MemoryRegistry registry;
  PreferenceTable table;
  Preferences preferences(registry, "", table);
  const auto programFolder = std::filesystem::path(executablePath()).parent_path();
  preferences.setString(prefs::kInstallDirectory, programFolder.string().c_str());
  RecordingTarget target;
  auto playlist = std::make_unique<PlaylistManager>(target, preferences);
  ASSERT_EQ(playlist->pluginScanResult(), 0) << "no plug-ins in " << (programFolder / "plugins");
  EXPECT_EQ(playlist->pluginCount(), 2u);

  const auto list = std::filesystem::temp_directory_path() / "skyloom_playlist_test.tlst";
  std::ofstream(list) << "one.mp3\ntwo.mp3\n";
  EXPECT_EQ(playlist->addItem(list.string().c_str()), 0);
  std::filesystem::remove(list);
  ASSERT_EQ(playlist->count(), 2);
  EXPECT_EQ(playlist->currentItem()->url, "one.mp3");
  for (int i = 0; i < 500 && playlist->itemAt(1)->info.title.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(playlist->itemAt(1)->info.title, "about two.mp3");
  EXPECT_EQ(playlist->itemAt(0)->info.seconds, 42);
  const auto kinds = target.kinds();
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), K::ItemsAdded), kinds.end());

  // Cleared and then destroyed while the passes still run: they finish on entries that are no
  // longer listed, and the manager waits for them.
  for (int i = 0; i < 5; ++i) playlist->addItem("x.mp3");
  playlist->clear();
  playlist->addItem("y.mp3");
  EXPECT_EQ(playlist->count(), 1);
  playlist.reset();
}

TEST(FileUrl, PathsAndUrlsConvertBothWays) {
  EXPECT_EQ(pathToUrl("C:\\music\\a.mp3", 'D'), "file://C|/music/a.mp3");
  EXPECT_EQ(pathToUrl("\\music\\a.mp3", 'D'), "file://D|/music/a.mp3");
  EXPECT_EQ(pathToUrl("\\\\server\\share\\a.mp3", 'D'), "file:////server/share/a.mp3");
  EXPECT_EQ(urlToPath("FILE://C|/music/a.mp3"), "C:\\music\\a.mp3");
  EXPECT_FALSE(urlToPath("http://radio/a.mp3"));
  EXPECT_FALSE(urlToPath("file:/"));
}

}  // namespace
}  // namespace skyloom
