#pragma once
// WorkerThread: a std::thread with a Windows scheduling priority; Semaphore: a counting
// semaphore with the Win32 semaphore's meaning. Locks are std::mutex used directly.
//
// Semaphore exists because std::counting_semaphore (and std::atomic wait/notify under it) loses
// wake-ups in the mingw-w64 C++ runtime we build with: a waiting thread can sleep forever after
// a release. Semaphore is a mutex and a condition variable, which work on every target.
//
// Priority levels 0 to 6 are, in order, idle, lowest, below normal, normal, above normal,
// highest and time critical. On Windows they set the thread's priority; elsewhere they are
// remembered but change nothing.
//
// A WorkerThread is driven by one owning thread (start, join, setPriority are not called
// concurrently on the same object). Destroying a running WorkerThread waits for it to finish.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "core/result.h"

namespace skyloom {

struct ThreadPriority {
  enum : int { Idle = 0, Lowest = 1, BelowNormal = 2, Normal = 3, AboveNormal = 4, Highest = 5, TimeCritical = 6 };
};

class Semaphore {
 public:
  static constexpr std::int32_t kMaxCount = 2147483647;

  // The initial count is clamped to 0 .. maxCount, and maxCount to at least 1.
  explicit Semaphore(std::int32_t initialCount = 0, std::int32_t maxCount = kMaxCount);
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;

  // Waits until the count is above zero, then takes one.
  void acquire();
  bool tryAcquire();
  // Waits at most timeout; false when nothing could be taken in time.
  bool tryAcquireFor(std::chrono::milliseconds timeout);
  // Adds count; like ReleaseSemaphore, refuses (false, count unchanged) a release that would
  // pass the maximum or that is not positive. The semaphore may be destroyed by a waiter as
  // soon as its acquire returns.
  bool release(std::int32_t count = 1);
  std::int32_t count() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable available_;
  std::int32_t count_;
  const std::int32_t max_;
};

class WorkerThread {
 public:
  WorkerThread() = default;
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs body on a new thread at the current priority level. Fails with kFail while a thread
  // started earlier has not been joined, with kInvalidArg for an empty body, and with
  // kOutOfMemory when no thread can be made. The priority is in effect before body runs.
  HResult start(std::function<void()> body);
  // Waits for the thread to finish; does nothing when none is running.
  void join();
  bool joinable() const { return thread_.joinable(); }

  // Levels outside 0 to 6 are refused with kInvalidArg. Applies at once to a running thread,
  // and to the threads started later.
  HResult setPriority(int level);
  int priority() const { return priority_; }

 private:
  std::thread thread_;
  Semaphore started_;  // a member, so the new thread's release never outlives it
  int priority_ = ThreadPriority::Normal;
  void* nativeHandle_ = nullptr;  // the running thread's handle where the system has one
};

}  // namespace skyloom
