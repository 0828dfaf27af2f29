#include "player/music_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine_fakes.h"
#include "platform/registry/registry_memory.h"
#include "player/music_player.h"
#include "player/playlist_manager.h"

namespace skyloom {
namespace {

using testing::FakeBuilder;
using testing::RecordingSink;
using K = EventKind;

class SessionTest : public ::testing::Test {
 protected:
  MusicEngineSetup setup(std::vector<std::string> arguments = {"skyloom"}) {
    MusicEngineSetup s;
    s.registry = &registry_;
    s.arguments = std::move(arguments);
    s.pipelines = &builder_;
    return s;
  }
  MemoryRegistry registry_;
  FakeBuilder builder_{100000, std::chrono::microseconds(2000)};  // tracks outlast the tests
};

TEST_F(SessionTest, PlaysItsListAtOnceAndTheLastSessionShutsTheEngineDown) {
  {
    MusicSession session("a.mp3\0b.mp3\0", setup());
    StatusRecord status;
    for (int i = 0; i < 400 && status.elapsedSeconds == 0.0f; ++i) {
      session.getStatus(status);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(status.trackNumber, 1);
    EXPECT_EQ(status.trackCount, 2);
    EXPECT_STREQ(status.title, "a.mp3");
    EXPECT_EQ(status.streamKey, 100000);
    EXPECT_GT(status.elapsedSeconds, 0.0f);
  }
  EXPECT_EQ(MusicPlayer::instance(), nullptr);
  EXPECT_EQ(builder_.live, 0);
}

TEST_F(SessionTest, HelpShutsTheEngineDownAtStartAndTheSessionStillGoes) {
  ::testing::internal::CaptureStdout();
  {
    MusicSession session("a.mp3\0", setup({"skyloom", "-help"}));
    for (int i = 0; i < 500 && !session.player().loopEnded(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(session.player().loopEnded());
    session.play();  // nobody listens any more: nothing happens, nothing hangs
  }
  const std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("skyloom [-save] [-ui <UI plugin name>] <MP3 file/stream>"), std::string::npos);
  EXPECT_EQ(builder_.built, 0);
  EXPECT_EQ(MusicPlayer::instance(), nullptr);
}

TEST_F(SessionTest, ASecondSessionJoinsThePlayerAndTheFirstMayGoFirst) {
  auto first = std::make_unique<MusicSession>("a.mp3\0", setup());
  MusicPlayer* player = &first->player();
  auto second = std::make_unique<MusicSession>("x.mp3\0y.mp3\0z.mp3\0", setup());
  EXPECT_EQ(&second->player(), player);
  RecordingSink sink;
  sink.answerQuitTo = player;
  player->registerSink(&sink);
  ASSERT_TRUE(sink.waitFor(K::MediaInfo));
  first.reset();
  EXPECT_EQ(MusicPlayer::instance(), player);
  StatusRecord status;
  for (int i = 0; i < 200 && status.trackCount != 3; ++i) {
    second->getStatus(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(status.trackCount, 3);
  EXPECT_EQ(player->playlist().itemAt(0)->url, "x.mp3");
  second->next();
  ASSERT_TRUE(sink.waitFor(K::MediaInfo, 2));
  player->unregisterSink(&sink);
  second.reset();
  EXPECT_EQ(MusicPlayer::instance(), nullptr);
}

TEST_F(SessionTest, WithoutAListTheBuiltInOneIsPlayed) {
  MusicSession session(nullptr, setup());
  ASSERT_EQ(session.player().playlist().count(), 5);
  EXPECT_EQ(session.player().playlist().itemAt(4)->url, "E:\\mp3\\CD09 BEST NO.1 HITS DISK1\\track05.mp3");
}

TEST_F(SessionTest, TheStatusKeepsAShortTitleAndCopiesOnlyTheTimeWhileTheTrackStays) {
  MusicSession session("", setup());
  MediaInfoEvent info(3725.9f, std::string(600, 't'));
  info.setTrack(2, 7);
  session.acceptEvent(info);
  StreamDescription d;
  d.frameCount = 4000;
  d.secondsPerFrame = 0.026f;
  session.acceptEvent(StreamInfoEvent(d));
  session.acceptEvent(TimeInfoEvent(0, 1, 5, 65.5f));

  StatusRecord status;
  session.getStatus(status);
  EXPECT_EQ(std::strlen(status.title), 259u);
  EXPECT_EQ(status.totalSeconds, 3725);
  EXPECT_EQ(status.totalHours, 1);
  EXPECT_EQ(status.totalMinutes, 2);
  EXPECT_EQ(status.totalSecondsPart, 5);
  EXPECT_EQ(status.trackNumber, 2);
  EXPECT_EQ(status.streamKey, 4000);
  EXPECT_FLOAT_EQ(status.elapsedSeconds, 65.5f);

  // The panel's own copy keeps what it has for the same track; only the time is new.
  std::strcpy(status.title, "panel");
  session.acceptEvent(TimeInfoEvent(0, 1, 6, 66.5f));
  session.getStatus(status);
  EXPECT_STREQ(status.title, "panel");
  EXPECT_EQ(status.elapsedSecondsPart, 6);
  EXPECT_TRUE(createMusicSession("", MusicEngineSetup{}) == nullptr);
}

}  // namespace
}  // namespace skyloom
