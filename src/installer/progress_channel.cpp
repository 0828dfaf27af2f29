#include "installer/progress_channel.h"

#include <algorithm>
#include <cmath>

namespace skyloom {

void ProgressChannel::publish(float fraction) {
  if (!std::isfinite(fraction)) return;
  const double clamped = std::clamp(static_cast<double>(fraction), 0.0, 10.0);
  const int value = static_cast<int>(std::lround(clamped * 100.0));
  std::unique_lock<std::timed_mutex> lock(mutex_, kWait);
  if (lock.owns_lock()) value_ = value;
}

int ProgressChannel::read() {
  std::unique_lock<std::timed_mutex> lock(mutex_, kWait);
  return lock.owns_lock() ? value_ : -1;
}

}  // namespace skyloom
