#pragma once
// Big-endian bit reader over a byte span. Reading past the end yields zero bits, so corrupt
// lengths and counts can only produce wrong samples, never an access outside the span.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace skyloom::player {

class BitReader {
 public:
  BitReader() = default;
  BitReader(const std::uint8_t* data, std::size_t bytes) : data_(data), size_(bytes) {}

  // The next 32 bits, MSB first, without consuming them.
  std::uint32_t peek32() const {
    const std::size_t byte = pos_ >> 3;
    if (byte + 8 <= size_) {
      std::uint64_t v;
      std::memcpy(&v, data_ + byte, 8);
      v = __builtin_bswap64(v);
      return static_cast<std::uint32_t>((v << (pos_ & 7)) >> 32);
    }
    return peekSlow();
  }

  // n in 0..32.
  std::uint32_t read(int n) {
    if (n == 0) return 0;
    const std::uint32_t v = peek32() >> (32 - n);
    pos_ += static_cast<std::size_t>(n);
    return v;
  }
  bool readBit() { return read(1) != 0; }
  void skip(std::size_t n) { pos_ += n; }

  std::size_t position() const { return pos_; }
  void seek(std::size_t bitPosition) { pos_ = bitPosition; }
  std::size_t sizeInBits() const { return size_ * 8; }
  bool exhausted() const { return pos_ >= size_ * 8; }

 private:
  std::uint32_t peekSlow() const {
    std::uint64_t v = 0;
    const std::size_t byte = pos_ >> 3;
    for (std::size_t i = 0; i < 8; ++i) {
      v <<= 8;
      if (byte < size_ && i < size_ - byte) v |= data_[byte + i];
    }
    return static_cast<std::uint32_t>((v << (pos_ & 7)) >> 32);
  }

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
};

}  // namespace skyloom::player
