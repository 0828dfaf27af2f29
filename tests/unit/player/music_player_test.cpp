#include "player/music_player.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine_fakes.h"
#include "platform/registry/registry_memory.h"
#include "player/player_context.h"
#include "player/playlist_manager.h"

namespace skyloom {
namespace {

using testing::FakeBuilder;
using testing::RecordingSink;
using K = EventKind;

// A player with a recording sink that confirms quit requests, and the fake pipelines.
class PlayerTest : public ::testing::Test {
 protected:
  void start(const char* list, int frames = 3) {
    builder_ = std::make_unique<FakeBuilder>(frames);
    auto context = std::make_shared<PlayerContext>();
    context->preferences = std::make_unique<Preferences>(registry_, "");
    context->log = std::make_unique<PlayerLog>();
    context->pipelines = builder_.get();
    player_ = std::make_unique<MusicPlayer>(context);
    player_->adoptQuitSemaphore(std::make_unique<Semaphore>());
    sink_.answerQuitTo = player_.get();
    ASSERT_EQ(player_->run(list, &sink_), 0);
  }
  void TearDown() override {
    if (!player_) return;
    post(K::Quit);
    EXPECT_TRUE(player_->quitSemaphore()->tryAcquireFor(std::chrono::seconds(5)));
    player_.reset();
    EXPECT_EQ(builder_->live, 0);
  }
  void post(std::int32_t kind) { player_->acceptEvent(std::make_unique<PlayerEvent>(kind)); }
  // Posts kind and waits until the event thread has serviced it (an unknown kind posted after
  // it comes back as a log line only, so a Stop-free marker is used: a broadcast kind).
  void settle() {
    const int before = static_cast<int>(sink_.kinds({K::StatusText}).size());
    player_->acceptEvent(std::make_unique<TextEvent>(K::StatusText, "marker"));
    ASSERT_TRUE(sink_.waitFor(K::StatusText, before + 1));
  }
  std::vector<std::int32_t> states() { return sink_.kinds({K::Stopped, K::Paused, K::Playing}); }

  MemoryRegistry registry_;
  std::unique_ptr<FakeBuilder> builder_;
  std::unique_ptr<MusicPlayer> player_;
  RecordingSink sink_;
};

// Tracks that do not end while a test runs, whatever the sleeps of the system are like.
constexpr char kThree[] = "a#1000000\0b#1000000\0c#1000000\0";

TEST_F(PlayerTest, NextWhileStoppedOnlyMovesWhilePlayingStartsTheNextWhilePausedLoadsItPaused) {
  start(kThree);
  post(K::Next);
  settle();
  EXPECT_EQ(player_->playlist().currentIndex(), 1);
  EXPECT_TRUE(states().empty());
  EXPECT_EQ(builder_->built, 0);

  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::Playing));
  post(K::Next);
  ASSERT_TRUE(sink_.waitFor(K::Playing, 2));
  EXPECT_EQ(player_->playlist().currentIndex(), 2);
  EXPECT_EQ(states(), (std::vector<std::int32_t>{K::Playing, K::Stopped, K::Playing}));

  sink_.clear();
  post(K::Pause);
  ASSERT_TRUE(sink_.waitFor(K::Paused));
  post(K::Next);  // wraps to the first entry and stays paused
  ASSERT_TRUE(sink_.waitFor(K::Paused, 2));
  EXPECT_EQ(states(), (std::vector<std::int32_t>{K::Paused, K::Stopped, K::Playing, K::Paused}));
  EXPECT_EQ(player_->playlist().currentIndex(), 0);
  EXPECT_EQ(player_->state(), PlayerState::Paused);
}

TEST_F(PlayerTest, PlayRestartsWhilePlayingAndResumesWhilePausedPauseTwiceSaysItOnce) {
  start(kThree);
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::Playing));
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::Playing, 2));
  EXPECT_EQ(builder_->built, 2);  // the same entry set up again
  EXPECT_EQ(states(), (std::vector<std::int32_t>{K::Playing, K::Stopped, K::Playing}));

  sink_.clear();
  post(K::Pause);
  post(K::Pause);
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::Playing));
  EXPECT_EQ(states(), (std::vector<std::int32_t>{K::Paused, K::Playing}));
  EXPECT_EQ(builder_->built, 2);  // resumed, not set up again
}

TEST_F(PlayerTest, AnEmptyPlaylistPlaysNothing) {
  start(nullptr);
  post(K::Play);
  post(K::Next);
  settle();
  EXPECT_EQ(player_->state(), PlayerState::Stopped);
  EXPECT_TRUE(states().empty());
  EXPECT_EQ(builder_->built, 0);
}

// An only file that cannot be opened: the input's error, the end of the track, the end of the
// list; nothing changed state, so no 20. One that opens but does not decode had started: 26,
// then the error and 20, 12, 11. Neither is retried.
TEST_F(PlayerTest, AnOnlyFileThatFailsStopsAtTheFirstEntry) {
  const std::vector<std::int32_t> watched = {K::Stopped,   K::Paused,    K::Playing,
                                             K::ErrorText, K::TrackDone, K::PlaylistDone};
  start("missing:a.mp3\0");
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::PlaylistDone));
  settle();
  EXPECT_EQ(sink_.kinds(watched), (std::vector<std::int32_t>{K::ErrorText, K::TrackDone, K::PlaylistDone}));
  EXPECT_EQ(player_->playlist().currentIndex(), 0);
  EXPECT_EQ(builder_->built, 1);
}

TEST_F(PlayerTest, AnOnlyFileThatDoesNotDecodeStopsAfterStarting) {
  const std::vector<std::int32_t> watched = {K::Stopped,   K::Paused,    K::Playing,
                                             K::ErrorText, K::TrackDone, K::PlaylistDone};
  start("bad:a.mp3\0");
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::PlaylistDone));
  settle();
  EXPECT_EQ(sink_.kinds(watched),
            (std::vector<std::int32_t>{K::Playing, K::ErrorText, K::Stopped, K::TrackDone, K::PlaylistDone}));
  EXPECT_EQ(player_->state(), PlayerState::Stopped);
  EXPECT_EQ(builder_->built, 1);
}

TEST_F(PlayerTest, AListOfOnlyUnplayableFilesStopsAfterOneRound) {
  start("missing:a\0bad:b\0missing:c\0");
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::PlaylistDone));
  settle();
  EXPECT_EQ(builder_->built, 3);
  EXPECT_EQ(sink_.kinds({K::TrackDone}).size(), 3u);
  EXPECT_EQ(player_->state(), PlayerState::Stopped);
  EXPECT_EQ(player_->playlist().currentIndex(), 0);
}

// A pipeline that reported the end of its track as it was stopped: Stop still stops.
TEST_F(PlayerTest, WhatAStoppedPipelineSaidOnItsWayOutMovesNothing) {
  start("late:a#1000000\0b\0");
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::Playing));
  post(K::Stop);
  ASSERT_TRUE(sink_.waitFor(K::Stopped));
  settle();
  EXPECT_EQ(player_->state(), PlayerState::Stopped);
  EXPECT_EQ(player_->playlist().currentIndex(), 0);
  EXPECT_TRUE(sink_.kinds({K::TrackDone}).empty());
  EXPECT_EQ(builder_->built, 1);
}

TEST_F(PlayerTest, TheListWrapsAndTheTimeIsOnlyPassedOnWhilePlaying) {
  start("a#2\0b#2\0", 2);
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::TrackDone, 3));  // a, b, and a again
  EXPECT_GE(builder_->built, 3);
  EXPECT_TRUE(sink_.kinds({K::PlaylistDone}).empty());
  EXPECT_GE(sink_.kinds({K::TimeInfo}).size(), 4u);
  EXPECT_EQ(sink_.kinds({K::MediaInfo}).size(), sink_.kinds({K::StreamInfo}).size());
}

TEST_F(PlayerTest, QuitEndsAfterOneExchangeAndLaterBroadcastsAreDropped) {
  start(kThree);
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::Playing));
  post(K::Quit);
  post(K::Play);  // queued behind the quit: must not start anything again
  ASSERT_TRUE(player_->quitSemaphore()->tryAcquireFor(std::chrono::seconds(5)));
  EXPECT_EQ(sink_.kinds({K::QuitRequest}).size(), 1u);
  EXPECT_FALSE(player_->hasPipeline());
  const auto heard = sink_.kinds();
  EXPECT_EQ(heard.back(), K::QuitRequest);
  player_.reset();
  EXPECT_EQ(builder_->live, 0);
}

TEST_F(PlayerTest, MediaInfoIsNumberedFromTheCursorAndUnknownKindsAreDropped) {
  std::int32_t number = 0, count = 0;  // written under the sink's lock, read after waitFor
  sink_.onEvent = [&](const PlayerEvent& e) {
    if (e.kind() != K::MediaInfo) return;
    number = static_cast<const MediaInfoEvent&>(e).trackNumber();
    count = static_cast<const MediaInfoEvent&>(e).trackCount();
  };
  start(kThree);
  post(K::Next);
  post(K::Play);
  ASSERT_TRUE(sink_.waitFor(K::MediaInfo));
  EXPECT_EQ(number, 2);
  EXPECT_EQ(count, 3);
  for (std::int32_t kind : {9, 20, 26, 0, 82, -1}) post(kind);
  settle();
  for (std::int32_t kind : {9, 0, 82, -1}) EXPECT_TRUE(sink_.kinds({kind}).empty()) << kind;
  EXPECT_EQ(player_->serviceEvent(nullptr), 255);
  EXPECT_EQ(player_->registerSink(nullptr), 255);
}

TEST_F(PlayerTest, SwitchesAreRead) {
  start(nullptr);
  ::testing::internal::CaptureStdout();
  player_->parseArguments({"skyloom", "-save", "/shuffle", "http://radio/stream", "other.mp3", "-ui", "3d.ui",
                           "-import", "C:\\music\\a.mp3", "-x"});
  const std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(printed.empty());
  EXPECT_EQ(player_->context().flags & 1u, 1u);
  EXPECT_TRUE(player_->playlist().shuffle());
  EXPECT_EQ(player_->uiNames(), (std::vector<std::string>{"3d.ui"}));
  ASSERT_EQ(player_->playlist().count(), 2);
  EXPECT_EQ(player_->playlist().itemAt(0)->url, "http://radio/stream");
  EXPECT_EQ(player_->playlist().itemAt(1)->url, "file://C|/music/a.mp3");
  ASSERT_TRUE(sink_.waitFor(K::Playing));  // the Play at the end
}

TEST_F(PlayerTest, UiWithoutANameQuitsWithTheUsageOnceAndPlaysNothing) {
  start(kThree);
  ::testing::internal::CaptureStdout();
  player_->parseArguments({"skyloom", "-ui"});
  player_->parseArguments({"skyloom", "--help"});
  const std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.find("Velkaran version 2.0.8 -- Usage:"), 0u);
  EXPECT_EQ(printed.find("Usage:", printed.find("Usage:") + 1), std::string::npos);  // once only
  EXPECT_NE(printed.find("   skyloom -ui 3d.ui mysong1.mp3 mysong2.mp3"), std::string::npos);
  ASSERT_TRUE(player_->quitSemaphore()->tryAcquireFor(std::chrono::seconds(5)));
  EXPECT_EQ(builder_->built, 0);
  player_.reset();
}

}  // namespace
}  // namespace skyloom
