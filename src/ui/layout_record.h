#pragma once
// The little-endian fields of the saved widget layout: a writer that appends and a reader that
// never reads past its bytes (a short record reads as zeros and marks itself failed).

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/bytes.h"

namespace skyloom {

class RecordWriter {
 public:
  explicit RecordWriter(Bytes& out) : out_(out) {}
  void u32(std::uint32_t v) {
    std::uint8_t b[4];
    writeLE32(b, v);
    out_.insert(out_.end(), b, b + 4);
  }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
  // The text and a NUL.
  void key(std::string_view k) {
    out_.insert(out_.end(), k.begin(), k.end());
    out_.push_back(0);
  }
  void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
  std::size_t size() const { return out_.size(); }
  // Writes v at an offset already written (a length known only at the end).
  void patch(std::size_t offset, std::uint32_t v) { writeLE32(out_.data() + offset, v); }

 private:
  Bytes& out_;
};

class RecordReader {
 public:
  explicit RecordReader(ByteSpan in) : in_(in) {}
  std::uint32_t u32() {
    if (in_.size() - pos_ < 4) {
      failed_ = true;
      pos_ = in_.size();
      return 0;
    }
    const std::uint32_t v = readLE32(in_.data() + pos_);
    pos_ += 4;
    return v;
  }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  float f32() { return std::bit_cast<float>(u32()); }
  // A NUL-terminated key; empty and failed when no NUL comes before the end.
  std::string_view key() {
    const auto* start = in_.data() + pos_;
    const void* nul = std::memchr(start, 0, in_.size() - pos_);
    if (!nul) {
      failed_ = true;
      pos_ = in_.size();
      return {};
    }
    const std::size_t n = static_cast<const std::uint8_t*>(nul) - start;
    pos_ += n + 1;
    return {reinterpret_cast<const char*>(start), n};
  }
  // The next n bytes (fewer at the end: failed).
  ByteSpan take(std::size_t n) {
    if (in_.size() - pos_ < n) {
      failed_ = true;
      n = in_.size() - pos_;
    }
    ByteSpan s = in_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  void skip(std::size_t n) { take(n); }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return in_.size() - pos_; }
  bool failed() const { return failed_; }

 private:
  ByteSpan in_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// One entry of the layout: an int32 length (of the whole entry, the length field included),
// the key and a NUL, then the state. beginEntry answers the offset endEntry patches.
inline std::size_t beginEntry(RecordWriter& w, std::string_view key) {
  const std::size_t at = w.size();
  w.u32(0);
  w.key(key);
  return at;
}
inline void endEntry(RecordWriter& w, std::size_t at) { w.patch(at, static_cast<std::uint32_t>(w.size() - at)); }

// Reads one entry: its key and its state bytes. False (and the reader failed) when the length
// is shorter than its own field or runs past the record.
inline bool readEntry(RecordReader& r, std::string_view& key, ByteSpan& state) {
  const std::uint32_t length = r.u32();
  if (r.failed() || length < 4 || length - 4 > r.remaining()) return false;
  ByteSpan body = r.take(length - 4);
  RecordReader inner(body);
  key = inner.key();
  if (inner.failed()) return false;
  state = body.subspan(inner.position());
  return true;
}

}  // namespace skyloom
