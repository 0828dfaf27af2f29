#pragma once
// The clock the scene runs on: seconds per frame, frames per second (refreshed once a second),
// accumulated seconds and the current time in milliseconds. Times are counted in units of a
// microsecond when the system has a high-resolution counter, else of a millisecond.

#include <cstdint>

namespace skyloom {

class FrameTimer {
 public:
  // counterFrequency 0 means there is no high-resolution counter: the millisecond clock is used.
  void start(std::uint64_t counterFrequency, std::uint64_t counter, std::uint32_t milliseconds);
  // Once per frame, with the same two clocks as start.
  void update(std::uint64_t counter, std::uint32_t milliseconds);

  bool highResolution() const { return highResolution_; }
  double elapsed() const { return elapsed_; }
  double framesPerSecond() const { return framesPerSecond_; }
  double accumulated() const { return accumulated_; }
  std::uint64_t nowMilliseconds() const { return nowMilliseconds_; }

 private:
  std::uint64_t now(std::uint64_t counter, std::uint32_t milliseconds) const;

  bool highResolution_ = false;
  std::uint64_t unitsPerSecond_ = 1000;
  double scale_ = 1.0;
  double elapsed_ = 0.1;  // before the first update
  double framesPerSecond_ = 0.0;
  double accumulated_ = 0.0;
  std::uint64_t start_ = 0, periodStart_ = 0, last_ = 0, delta_ = 100;
  std::uint64_t nowMilliseconds_ = 0;
  std::uint64_t frameCount_ = 0;
};

// The program's one timer.
FrameTimer& frameTimer();

}  // namespace skyloom
