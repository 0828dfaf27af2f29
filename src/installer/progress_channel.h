#pragma once
// The one value shared between the install or uninstall worker and the progress dialog: the
// progress in hundredths (110 once the worker has finished). Neither side waits longer than
// 50 ms for the other, so a busy lock costs the writer an update and the reader one tick.

#include <chrono>
#include <mutex>

namespace skyloom {

class ProgressChannel {
 public:
  static constexpr std::chrono::milliseconds kWait{50};
  // The worker's final report; the dialog treats kFinishedValue or more as done.
  static constexpr float kFinished = 1.1f;
  static constexpr int kFinishedValue = 102;

  // Stores fraction×100 (rounded); dropped when the lock cannot be had in time or the
  // fraction is not a number.
  void publish(float fraction);
  // The stored value, or -1 when the lock cannot be had in time.
  int read();

  // Holds the lock as a slow peer would, for as long as the returned lock lives.
  std::unique_lock<std::timed_mutex> hold() { return std::unique_lock<std::timed_mutex>(mutex_); }

 private:
  std::timed_mutex mutex_;
  int value_ = 0;
};

}  // namespace skyloom
