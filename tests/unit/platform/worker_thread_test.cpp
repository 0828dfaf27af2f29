#include "platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace skyloom {
namespace {

// The priority the calling thread runs at, as a level 0 to 6; -1 where the system has none.
int currentPriorityLevel() {
#ifdef _WIN32
  switch (GetThreadPriority(GetCurrentThread())) {
    case THREAD_PRIORITY_IDLE: return 0;
    case THREAD_PRIORITY_LOWEST: return 1;
    case THREAD_PRIORITY_BELOW_NORMAL: return 2;
    case THREAD_PRIORITY_NORMAL: return 3;
    case THREAD_PRIORITY_ABOVE_NORMAL: return 4;
    case THREAD_PRIORITY_HIGHEST: return 5;
    case THREAD_PRIORITY_TIME_CRITICAL: return 6;
  }
#endif
  return -1;
}

TEST(WorkerThread, RunsTheBodyAndCanStartAgainAfterJoin) {
  WorkerThread worker;
  std::atomic<int> runs{0};
  EXPECT_FALSE(worker.joinable());
  ASSERT_EQ(worker.start([&] { ++runs; }), kOk);
  EXPECT_TRUE(worker.joinable());
  worker.join();
  EXPECT_FALSE(worker.joinable());
  EXPECT_EQ(runs, 1);
  ASSERT_EQ(worker.start([&] { ++runs; }), kOk);
  worker.join();
  EXPECT_EQ(runs, 2);
  worker.join();  // nothing running: harmless
}

TEST(WorkerThread, RefusesASecondStartWhileRunningAndAnEmptyBody) {
  WorkerThread worker;
  Semaphore release;
  ASSERT_EQ(worker.start([&] { release.acquire(); }), kOk);
  EXPECT_EQ(worker.start([] {}), kFail);
  release.release();
  worker.join();
  EXPECT_EQ(worker.start(nullptr), kInvalidArg);
  EXPECT_FALSE(worker.joinable());
}

TEST(WorkerThread, DestructionWaitsForTheBody) {
  std::atomic<bool> finished{false};
  {
    WorkerThread worker;
    ASSERT_EQ(worker.start([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      finished = true;
    }),
              kOk);
  }
  EXPECT_TRUE(finished);
}

TEST(WorkerThread, PriorityLevelsApplyBeforeTheBodyAndWhileRunning) {
  WorkerThread worker;
  EXPECT_EQ(worker.priority(), ThreadPriority::Normal);
  EXPECT_EQ(worker.setPriority(7), kInvalidArg);
  EXPECT_EQ(worker.setPriority(-1), kInvalidArg);
  ASSERT_EQ(worker.setPriority(ThreadPriority::Lowest), kOk);

  Semaphore changed;
  Semaphore observed;
  int atStart = -2;
  int afterChange = -2;
  ASSERT_EQ(worker.start([&] {
    atStart = currentPriorityLevel();
    observed.release();
    changed.acquire();
    afterChange = currentPriorityLevel();
  }),
            kOk);
  observed.acquire();
  ASSERT_EQ(worker.setPriority(ThreadPriority::Highest), kOk);
  changed.release();
  worker.join();
  EXPECT_EQ(worker.priority(), ThreadPriority::Highest);
#ifdef _WIN32
  EXPECT_EQ(atStart, ThreadPriority::Lowest);
  EXPECT_EQ(afterChange, ThreadPriority::Highest);
#else
  EXPECT_EQ(atStart, -1);  // natively the level is only remembered
  EXPECT_EQ(afterChange, -1);
#endif
}

// Threads handing a token back and forth block on every step; a lost wake-up hangs here.
TEST(Semaphore, PingPongBetweenThreadsNeverLosesAWakeUp) {
  Semaphore ping;
  Semaphore pong;
  constexpr int kRounds = 5000;
  WorkerThread worker;
  ASSERT_EQ(worker.start([&] {
    for (int i = 0; i < kRounds; ++i) {
      ping.acquire();
      pong.release();
    }
  }),
            kOk);
  int completed = 0;
  for (int i = 0; i < kRounds; ++i) {
    ping.release();
    if (!pong.tryAcquireFor(std::chrono::seconds(10))) break;
    ++completed;
  }
  if (completed < kRounds) ping.release(kRounds);  // let the worker finish
  worker.join();
  EXPECT_EQ(completed, kRounds);
}

TEST(Semaphore, CountsUpToItsMaximumLikeAWin32Semaphore) {
  Semaphore semaphore(5, 3);  // initial count clamped to the maximum
  EXPECT_EQ(semaphore.count(), 3);
  EXPECT_FALSE(semaphore.release());
  EXPECT_TRUE(semaphore.tryAcquire());
  EXPECT_FALSE(semaphore.release(2));  // 2 + 2 would pass 3: refused, count unchanged
  EXPECT_FALSE(semaphore.release(0));
  EXPECT_TRUE(semaphore.release(1));
  EXPECT_EQ(semaphore.count(), 3);

  Semaphore unbounded;
  EXPECT_TRUE(unbounded.release(Semaphore::kMaxCount));
  EXPECT_FALSE(unbounded.release());
}

TEST(Semaphore, ReleaseOfSeveralWakesAsManyWaiters) {
  Semaphore gate;
  std::atomic<int> through{0};
  std::vector<std::unique_ptr<WorkerThread>> workers;
  for (int i = 0; i < 3; ++i) {
    workers.push_back(std::make_unique<WorkerThread>());
    ASSERT_EQ(workers.back()->start([&] {
      gate.acquire();
      ++through;
    }),
              kOk);
  }
  EXPECT_FALSE(gate.tryAcquireFor(std::chrono::milliseconds(10)));  // times out: nothing released
  EXPECT_TRUE(gate.release(3));
  for (auto& worker : workers) worker->join();
  EXPECT_EQ(through, 3);
  EXPECT_EQ(gate.count(), 0);
}

}  // namespace
}  // namespace skyloom
