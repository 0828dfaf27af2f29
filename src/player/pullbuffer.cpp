#include "player/pullbuffer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "player/engine_error.h"
#include "player/player_log.h"

namespace skyloom {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

}  // namespace

Pullbuffer::Pullbuffer(std::size_t size, std::size_t overflowSize, PlayerLog* log)
    : storage_(std::max<std::size_t>(size, 1) + overflowSize),
      size_(std::max<std::size_t>(size, 1)),
      overflowSize_(overflowSize),
      log_(log) {}

template <typename Busy>
bool Pullbuffer::waitUntilIdle(std::unique_lock<std::mutex>& lock, Busy busy) {
  while (!interrupted_ && busy()) {
    lock.unlock();
    std::this_thread::sleep_for(kPollInterval);
    lock.lock();
  }
  return !interrupted_;
}

std::int32_t Pullbuffer::beginWrite(std::uint8_t*& out, std::size_t n) {
  std::lock_guard lock(mutex_);
  if (interrupted_) return kError_Interrupt;
  std::size_t space;
  if (readIndex_ < writeIndex_) {
    space = size_ - writeIndex_ + std::min(readIndex_, overflowSize_);
  } else if (readIndex_ > writeIndex_) {
    space = readIndex_ - writeIndex_;
  } else if (fill_ > 0) {
    space = 0;
  } else {
    // Empty: as much as the ring holds, as far as the storage reaches from here.
    space = std::min(size_, size_ - writeIndex_ + overflowSize_);
  }
  if (space < n) return kErrorBufferTooSmall;
  writeInProgress_ = n;
  out = storage_.data() + writeIndex_;
  return kErrorNone;
}

std::int32_t Pullbuffer::endWrite(std::size_t n) {
  std::lock_guard lock(mutex_);
  if (n > writeInProgress_) return kErrorInvalidParam;  // more than the region handed out
  std::size_t end = writeIndex_ + n;
  if (end > size_) std::memcpy(storage_.data(), storage_.data() + size_, end - size_);
  writeInProgress_ = 0;
  fill_ += n;
  writeIndex_ = end % size_;
  return kErrorNone;
}

std::int32_t Pullbuffer::beginRead(const std::uint8_t*& out, std::size_t n) {
  std::lock_guard lock(mutex_);
  if (interrupted_) return kError_Interrupt;
  if (endOfStream_ && fill_ < n) return kErrorEndOfStream;
  if (fill_ < n) return kErrorNoDataAvailable;
  std::size_t run;
  if (writeIndex_ < readIndex_) {
    // Without an overflow area nothing can be handed out across the ring's end.
    run = size_ - readIndex_ + (overflowSize_ == 0 ? 0 : writeIndex_ >= overflowSize_ ? overflowSize_ : writeIndex_);
  } else if (writeIndex_ == readIndex_) {
    run = overflowSize_ == 0 ? size_ - readIndex_ : SIZE_MAX;  // full
  } else {
    run = writeIndex_ - readIndex_;
  }
  if (run < n) return kErrorNoDataAvailable;
  if (overflowSize_ > 0 && readIndex_ + n > size_) {
    const std::size_t k = readIndex_ + n - size_;
    if (k > overflowSize_) {
      if (log_) {
        log_->error("Overflow buffer is too small!! \nNeeded %d but had only %d for overflow.\n", static_cast<int>(k),
                    static_cast<int>(overflowSize_));
      }
      return kErrorInvalidParam;
    }
    std::memcpy(storage_.data() + size_, storage_.data(), k);
  }
  readInProgress_ = n;
  out = storage_.data() + readIndex_;
  return kErrorNone;
}

std::int32_t Pullbuffer::endRead(std::size_t n) {
  std::lock_guard lock(mutex_);
  if (n > readInProgress_) return kErrorInvalidParam;
  readInProgress_ = 0;
  fill_ -= n;
  readIndex_ = (readIndex_ + n) % size_;
  return kErrorNone;
}

std::int32_t Pullbuffer::clear() {
  std::unique_lock lock(mutex_);
  if (!waitUntilIdle(lock, [this] { return readInProgress_ != 0 || writeInProgress_ != 0; })) return kError_Interrupt;
  readIndex_ = writeIndex_ = fill_ = 0;
  endOfStream_ = false;
  return kErrorNone;
}

std::int32_t Pullbuffer::readIndexNow(std::size_t& out) {
  std::unique_lock lock(mutex_);
  if (!waitUntilIdle(lock, [this] { return readInProgress_ != 0; })) return kError_Interrupt;
  out = readIndex_;
  return kErrorNone;
}

std::int32_t Pullbuffer::writeIndexNow(std::size_t& out) {
  std::unique_lock lock(mutex_);
  if (!waitUntilIdle(lock, [this] { return writeInProgress_ != 0; })) return kError_Interrupt;
  out = writeIndex_;
  return kErrorNone;
}

std::int32_t Pullbuffer::resize(std::size_t newSize, std::size_t newOverflowSize) {
  std::unique_lock lock(mutex_);
  if (newSize < fill_ || newSize == 0) {
    if (log_) log_->error("Pullbuffer: Not resized. Too many bytes in buffer.\n");
    return kErrorBufferTooSmall;
  }
  if (readIndex_ != 0) {
    if (log_) log_->error("Pullbuffer: Not resized. The buffer has been read.\n");
    return kError_InvalidError;
  }
  if (!waitUntilIdle(lock, [this] { return readInProgress_ != 0 || writeInProgress_ != 0; })) return kError_Interrupt;
  // Nothing read yet: what is stored lies at the start (a write may have spilled to the start
  // only by wrapping, which needs a read first).
  std::vector<std::uint8_t> storage(newSize + newOverflowSize);
  std::memcpy(storage.data(), storage_.data(), fill_);
  storage_.swap(storage);
  size_ = newSize;
  overflowSize_ = newOverflowSize;
  writeIndex_ = fill_ % size_;
  return kErrorNone;
}

std::int32_t Pullbuffer::discardHalf() {
  std::unique_lock lock(mutex_);
  if (!waitUntilIdle(lock, [this] { return readInProgress_ != 0 || writeInProgress_ != 0; })) return kError_Interrupt;
  const std::size_t half = size_ / 2;
  if (fill_ > half) {
    const std::size_t drop = fill_ - half;
    readIndex_ = (readIndex_ + drop) % size_;
    fill_ = half;
    if (log_) log_->log(LogCategory::Input, "Discarding %d bytes.\n", static_cast<int>(drop));
  }
  return kErrorNone;
}

void Pullbuffer::interrupt() {
  std::lock_guard lock(mutex_);
  interrupted_ = true;
}

bool Pullbuffer::isEndOfStream() const {
  std::lock_guard lock(mutex_);
  return endOfStream_;
}

void Pullbuffer::setEndOfStream(bool endOfStream) {
  std::lock_guard lock(mutex_);
  endOfStream_ = endOfStream;
}

std::int32_t Pullbuffer::fillPercent() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::int32_t>(fill_ * 100 / size_);
}

std::size_t Pullbuffer::fillBytes() const {
  std::lock_guard lock(mutex_);
  return fill_;
}

std::size_t Pullbuffer::size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

std::size_t Pullbuffer::readIndex() const {
  std::lock_guard lock(mutex_);
  return readIndex_;
}

}  // namespace skyloom
