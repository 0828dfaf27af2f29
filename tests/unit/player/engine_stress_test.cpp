// Transport requests from two threads against the event thread, with tracks that end, fail to
// open or fail to decode at random: the engine must neither deadlock nor leave its state
// machine, and must free every pipeline it made.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

#include "engine_fakes.h"
#include "platform/registry/registry_memory.h"
#include "player/music_player.h"
#include "player/player_context.h"

namespace skyloom {
namespace {

using K = EventKind;

// Follows the state from what is broadcast; each broadcast must be a change the state machine
// allows from the state before it.
class StateChecker : public EventSink {
 public:
  explicit StateChecker(EventTarget& player) : player_(player) {}
  std::int32_t acceptEvent(const PlayerEvent& event) override {
    switch (event.kind()) {
      case K::Playing:
        check(state_ != PlayerState::Playing, "playing while playing");
        state_ = PlayerState::Playing;
        break;
      case K::Paused:
        check(state_ == PlayerState::Playing, "paused while not playing");
        state_ = PlayerState::Paused;
        break;
      case K::Stopped:
        check(state_ != PlayerState::Stopped, "stopped while stopped");
        state_ = PlayerState::Stopped;
        break;
      case K::QuitRequest:
        player_.acceptEvent(std::make_unique<PlayerEvent>(K::SinkQuit));
        break;
      default:
        break;
    }
    return 0;
  }
  PlayerState state() const { return state_; }
  int changes = 0;
  int violations = 0;

 private:
  void check(bool ok, const char* what) {
    ++changes;
    if (!ok && violations++ == 0) std::fprintf(stderr, "state machine broken: %s\n", what);
  }
  EventTarget& player_;
  PlayerState state_ = PlayerState::Stopped;  // only the event thread touches it
};

TEST(EngineStress, RandomTransportFromTwoThreadsNeitherDeadlocksNorLeavesTheStateMachine) {
  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 1200 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!finished) {
      std::fprintf(stderr, "engine stress: no end after 120 s, the engine is deadlocked\n");
      std::abort();
    }
  });

  MemoryRegistry registry;
  testing::FakeBuilder builder(3, std::chrono::microseconds(100));
  auto context = std::make_shared<PlayerContext>();
  context->preferences = std::make_unique<Preferences>(registry, "");
  context->log = std::make_unique<PlayerLog>();
  context->pipelines = &builder;
  auto player = std::make_unique<MusicPlayer>(context);
  player->adoptQuitSemaphore(std::make_unique<Semaphore>());
  StateChecker checker(*player);
  const char list[] = "a#2\0missing:b\0c#4\0bad:d\0e#1\0late:f#3\0";
  const char other[] = "x#1\0bad:y\0z#2\0";
  ASSERT_EQ(player->run(list, &checker), 0);

  constexpr int kOperationsPerThread = 5000;
  auto drive = [&](unsigned seed) {
    std::mt19937 random(seed);
    for (int i = 0; i < kOperationsPerThread; ++i) {
      const int op = static_cast<int>(random() % 100);
      if (op < 25) {
        player->acceptEvent(std::make_unique<PlayerEvent>(K::Play));
      } else if (op < 40) {
        player->acceptEvent(std::make_unique<PlayerEvent>(K::Pause));
      } else if (op < 55) {
        player->acceptEvent(std::make_unique<PlayerEvent>(K::Stop));
      } else if (op < 75) {
        player->acceptEvent(std::make_unique<PlayerEvent>(K::Next));
      } else if (op < 92) {
        player->acceptEvent(std::make_unique<PlayerEvent>(K::Previous));
      } else if (op < 93) {
        player->replaceAndPlay(random() % 2 ? list : other, true);  // the open dialog's path
      } else {
        player->acceptEvent(nullptr);  // an event that could not be made
      }
      if (random() % 4 == 0) std::this_thread::sleep_for(std::chrono::microseconds(random() % 200));
    }
  };
  std::thread one(drive, 1u), two(drive, 2u);
  one.join();
  two.join();

  player->acceptEvent(std::make_unique<PlayerEvent>(K::Quit));
  ASSERT_TRUE(player->quitSemaphore()->tryAcquireFor(std::chrono::seconds(30)));
  player.reset();
  finished = true;
  watchdog.join();

  EXPECT_EQ(checker.violations, 0);
  EXPECT_EQ(checker.state(), PlayerState::Stopped);  // the quit stopped what played
  EXPECT_GT(checker.changes, 100);
  EXPECT_EQ(builder.live, 0);
  EXPECT_GT(builder.built, 100);
}

}  // namespace
}  // namespace skyloom
