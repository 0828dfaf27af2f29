#include "app/frame_timer.h"

namespace skyloom {

FrameTimer& frameTimer() {
  static FrameTimer timer;
  return timer;
}

std::uint64_t FrameTimer::now(std::uint64_t counter, std::uint32_t milliseconds) const {
  return highResolution_ ? static_cast<std::uint64_t>(static_cast<double>(counter) * scale_) : milliseconds;
}

void FrameTimer::start(std::uint64_t counterFrequency, std::uint64_t counter, std::uint32_t milliseconds) {
  highResolution_ = counterFrequency != 0;
  unitsPerSecond_ = highResolution_ ? 1000000 : 1000;
  scale_ = highResolution_ ? 1000000.0 / static_cast<double>(counterFrequency) : 1.0;
  start_ = periodStart_ = last_ = now(counter, milliseconds);
}

void FrameTimer::update(std::uint64_t counter, std::uint32_t milliseconds) {
  const std::uint64_t t = now(counter, milliseconds);
  delta_ = t - last_;
  last_ = t;
  nowMilliseconds_ = highResolution_ ? t * 1000 / unitsPerSecond_ : milliseconds;
  elapsed_ = static_cast<double>(delta_) / static_cast<double>(unitsPerSecond_);
  accumulated_ += elapsed_;
  ++frameCount_;
  if (t - periodStart_ >= unitsPerSecond_) {
    framesPerSecond_ = static_cast<double>(unitsPerSecond_) * static_cast<double>(frameCount_) /
                       static_cast<double>(t - periodStart_);
    periodStart_ = t;
    frameCount_ = 0;
  }
}

}  // namespace skyloom
