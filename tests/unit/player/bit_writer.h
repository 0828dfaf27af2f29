#pragma once
// MSB-first bit writer for the tests that build MPEG audio frames bit by bit.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skyloom::testing {

class BitWriter {
 public:
  void put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (bit_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (bit_ % 8));
      ++bit_;
    }
  }
  std::size_t bit() const { return bit_; }
  int used() const { return static_cast<int>(bit_); }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t bit_ = 0;
};

}  // namespace skyloom::testing
