#include "platform/threads.h"

#include <system_error>

#include "platform/thread_native.h"

namespace skyloom {

// --- Semaphore ---

Semaphore::Semaphore(std::int32_t initialCount, std::int32_t maxCount)
    : count_(0), max_(maxCount < 1 ? 1 : maxCount) {
  count_ = initialCount < 0 ? 0 : (initialCount > max_ ? max_ : initialCount);
}

void Semaphore::acquire() {
  std::unique_lock lock(mutex_);
  available_.wait(lock, [this] { return count_ > 0; });
  --count_;
}

bool Semaphore::tryAcquire() {
  std::lock_guard lock(mutex_);
  if (count_ == 0) return false;
  --count_;
  return true;
}

bool Semaphore::tryAcquireFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!available_.wait_for(lock, timeout, [this] { return count_ > 0; })) return false;
  --count_;
  return true;
}

bool Semaphore::release(std::int32_t count) {
  std::lock_guard lock(mutex_);
  if (count <= 0 || count > max_ - count_) return false;
  count_ += count;
  // Notified under the lock: a waiter cannot return, and destroy the semaphore, before the
  // notification is done.
  if (count == 1) {
    available_.notify_one();
  } else {
    available_.notify_all();
  }
  return true;
}

std::int32_t Semaphore::count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

// --- WorkerThread ---

WorkerThread::~WorkerThread() { join(); }

HResult WorkerThread::start(std::function<void()> body) {
  if (thread_.joinable()) return kFail;
  if (!body) return kInvalidArg;
  // The new thread publishes its handle and takes its priority before the body runs; start
  // returns only then, so setPriority right after start reaches the thread.
  try {
    thread_ = std::thread([this, body = std::move(body)] {
      nativeHandle_ = thread_native::openCurrentThread();
      thread_native::setPriority(nativeHandle_, priority_);
      started_.release();
      body();
    });
  } catch (const std::system_error&) {
    return kOutOfMemory;  // the system has no thread to give
  }
  started_.acquire();
  return kOk;
}

void WorkerThread::join() {
  if (!thread_.joinable()) return;
  thread_.join();
  thread_native::closeThread(nativeHandle_);
  nativeHandle_ = nullptr;
}

HResult WorkerThread::setPriority(int level) {
  if (level < ThreadPriority::Idle || level > ThreadPriority::TimeCritical) return kInvalidArg;
  if (thread_.joinable() && nativeHandle_ && !thread_native::setPriority(nativeHandle_, level)) return kFail;
  priority_ = level;
  return kOk;
}

}  // namespace skyloom
