#pragma once
// The ring buffer between two pipeline units: one thread writes into it, one reads from it, and
// each is handed one contiguous region at a time. Past the ring's end lies an overflow area: a
// write may run into it (the spilled bytes are moved to the ring's start when the write ends),
// and a read that wraps gets the ring's first bytes copied there, so both sides always see
// contiguous memory.
//
// Calls answer the engine's result codes: 7 no room, 24 no data yet, 28 interrupted (every later
// call too), 33 end of stream, 16 a resize after reading, 2 a request the buffer cannot serve.
// The buffer's mutex is held only inside each call, never while the caller copies data.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace skyloom {

class PlayerLog;

class Pullbuffer {
 public:
  // log: where the buffer's complaints go (may be null).
  Pullbuffer(std::size_t size, std::size_t overflowSize, PlayerLog* log);
  virtual ~Pullbuffer() = default;
  Pullbuffer(const Pullbuffer&) = delete;
  Pullbuffer& operator=(const Pullbuffer&) = delete;

  // A region of n bytes to write at the write position.
  std::int32_t beginWrite(std::uint8_t*& out, std::size_t n);
  // n bytes of the region were written (at most what was asked for).
  std::int32_t endWrite(std::size_t n);
  // A region of n bytes to read at the read position.
  virtual std::int32_t beginRead(const std::uint8_t*& out, std::size_t n);
  std::int32_t endRead(std::size_t n);

  // Empties the buffer once no read or write is open (polling every 10 ms).
  virtual std::int32_t clear();
  // The indexes once no read (write) is open.
  std::int32_t readIndexNow(std::size_t& out);
  std::int32_t writeIndexNow(std::size_t& out);
  // A new size, keeping what is stored; only before anything was read.
  std::int32_t resize(std::size_t newSize, std::size_t newOverflowSize);
  // Drops the oldest bytes down to half the size.
  std::int32_t discardHalf();
  // Every waiting or later call answers 28 from now on.
  void interrupt();

  bool isEndOfStream() const;
  void setEndOfStream(bool endOfStream);
  std::int32_t fillPercent() const;
  std::size_t fillBytes() const;
  std::size_t size() const;

 protected:
  // The read position, read under the buffer's lock; for the event buffer's marker rule.
  std::size_t readIndex() const;

 private:
  // Polls every 10 ms until busy() is false; false when interrupted first.
  template <typename Busy>
  bool waitUntilIdle(std::unique_lock<std::mutex>& lock, Busy busy);

  mutable std::mutex mutex_;
  std::vector<std::uint8_t> storage_;
  std::size_t size_;
  std::size_t overflowSize_;
  std::size_t readIndex_ = 0;
  std::size_t writeIndex_ = 0;
  std::size_t fill_ = 0;
  bool endOfStream_ = false;
  std::size_t writeInProgress_ = 0;
  std::size_t readInProgress_ = 0;
  bool interrupted_ = false;
  PlayerLog* log_;
};

}  // namespace skyloom
